// The main window. For now: start-up configuration, colour scheme index, library loading.
#pragma once

#include <QMainWindow>
#include <memory>

#include "core/GlobalObject.h"

class QPlainTextEdit;

namespace qarvo {

class TfrmMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  const TGlobalObject& GlobalObject() const { return *globalObject_; }
  int SkinIndex() const { return skinIndex_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  void LoadMediaLibraries();

  std::unique_ptr<TGlobalObject> globalObject_;
  int skinIndex_ = 0;
  bool shown_ = false;
  // Never shown: collects the start-up library errors.
  QPlainTextEdit* mmoLog = nullptr;
};

}  // namespace qarvo
