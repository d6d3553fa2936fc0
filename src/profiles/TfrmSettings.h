// The settings dialog: a second editor of the output format and its parameters. It works on
// a copy of the settings file, so nothing reaches the real file until "&Ok".
#pragma once

#include <QDialog>
#include <QTemporaryDir>
#include <functional>
#include <string>

#include "core/GlobalObject.h"

class QPushButton;

namespace qarvo {

class IUserPrompts;
class TFormatSelector;
class TParameterPanel;

class TfrmSettings : public QDialog {
  Q_OBJECT

 public:
  // Wider than the classic 475: the channel and encoder names need the room.
  static constexpr int kWidth = 620;
  static constexpr int kHeight = 370;
  // Line height of the 9-point font that size was laid out for.
  static constexpr int kDesignFontHeight = 14;

  explicit TfrmSettings(const TGlobalObject& global, QWidget* parent = nullptr);
  ~TfrmSettings() override;

  void SetEncoderAvailability(std::function<bool(const std::string& encoder)> available);
  // Replaces the parameter boxes' message boxes (tests); not owned.
  void SetPrompts(IUserPrompts* prompts);
  TFormatSelector& Selector() const { return *selector_; }
  TParameterPanel& Panel() const { return *panel_; }

  void btnOkClick();
  // kWidth x kHeight grown with a larger font, so that the boxes keep their texts whole.
  QSize DefaultSize() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  // Copies the dialog's format, its profile and the list's collapse state to the real file.
  void Apply();

  const TGlobalObject& global_;
  QTemporaryDir workFolder_;
  TGlobalObject work_;  // the same files, but the settings file is the dialog's copy
  TFormatSelector* selector_ = nullptr;
  TParameterPanel* panel_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

}  // namespace qarvo
