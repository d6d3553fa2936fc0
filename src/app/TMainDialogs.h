// The main window's questions and choosers as the platform's modal boxes and dialogs.
#pragma once

#include <QPointer>
#include <memory>

class QMessageBox;

#include "app/IMainDialogs.h"

namespace qarvo {

class TfmDirectory;

class TMainDialogs : public IMainDialogs {
 public:
  // The title captions the folder chooser's refusal.
  explicit TMainDialogs(QString appTitle = {});
  ~TMainDialogs() override;

  bool AskExit(QWidget* parent) override;
  bool AskYesNo(QWidget* parent, const QString& question) override;
  void ShowWarning(QWidget* parent, const QString& text) override;
  QStringList ChooseFiles(QWidget* parent, const QStringList& filters) override;
  // The folder chooser, made on first use as a child of the first parent's window and kept.
  QString ChooseFolder(QWidget* parent, const QString& current) override;
  bool AskUpgrade(QWidget* parent, const QString& question) override;
  // The upgrade question's box, as AskUpgrade shows it.
  static std::unique_ptr<QMessageBox> UpgradeQuestionBox(QWidget* parent, const QString& question);

 private:
  QString appTitle_;
  QPointer<TfmDirectory> fmDirectory_;  // owned by its parent window, or by ownDirectory_
  std::unique_ptr<TfmDirectory> ownDirectory_;
};

}  // namespace qarvo
