// The format's parameters in the main window: the "Video Options" and "Audio Options" boxes,
// and for the current formats the "Rate Options" (rate mode, quality, size, speed), filled
// from the definition and the user's profile, every accepted change written at once.
//
// The rules live in TParameterEditor and TRateEditor; this class shows its state and forwards what
// the user does. The Default button belongs to the panel but is placed by the window (beside the
// format field); until then it sits at the panel's right.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "core/GlobalObject.h"
#include "core/ParameterEditor.h"
#include "core/RateEditor.h"
#include "profiles/IUserPrompts.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace qarvo {

class TParameterPanel : public QWidget {
  Q_OBJECT

 public:
  using TEncoderAvailable = std::function<bool(const std::string& encoder)>;

  explicit TParameterPanel(const TGlobalObject& global, QWidget* parent = nullptr);
  ~TParameterPanel() override;

  // Fills the boxes for the format with this code.
  void LoadFormat(int code);
  // Before a run: commits a typed frame size and refuses an encoder the loaded libraries
  // lack; false (after the message) when the run must not start.
  bool CommitFrameSize();
  // Checks and writes a typed frame size as leaving its box does; false after a message.
  bool CommitTypedFrameSize();
  // Typed values are checked on leaving their box, which then takes the focus again after a
  // refusal or a correction (the settings dialog); otherwise numbers are checked at every
  // change.
  void SetChecksOnLeave(bool onLeave);
  // Checks and writes every typed value as leaving its box does; false after a message.
  bool CommitTypedValues();
  // Which encoders (engine names as the profile stores them) the loaded libraries provide;
  // the others are shown as unavailable.
  void SetEncoderAvailability(TEncoderAvailable available);

  QPushButton* DefaultButton() const { return btnDefault_; }
  // Replaces the message boxes and the beep (tests); nullptr restores them. Not owned.
  void SetPrompts(IUserPrompts* prompts);
  const TParameterEditor& Editor() const { return editor_; }
  const TRateEditor& RateEditor() const { return rates_; }

 signals:
  void ProfileChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QComboBox* MakeBox(TParamBox box, const char* name);
  QWidget* MakeGroup(const char* title, const char* name,
                     std::initializer_list<std::pair<TParamBox, const char*>> rows);
  void OnChosen(TParamBox box, int index);
  void OnTyped(TParamBox box, const QString& text);
  void OnFrameSizeLeft();
  void OnLeft(TParamBox box);
  // `other`: a rate box instead of a parameter box.
  void FocusAgain(TParamBox box, QComboBox* other = nullptr);
  void OnDefault();
  void Sync(TParamBox box);
  void SyncAll();
  void Show(const std::optional<TParamMessage>& message);
  void AnnounceWrites();
  bool FilterKey(QComboBox* box, QEvent* event);
  QWidget* MakeRateGroup();
  QComboBox* MakeRateBox(TRateBox box, const char* name);
  void OnRateChosen(TRateBox box, int index);
  bool OnSizeLeft();
  void SyncRates();

  TParameterEditor editor_;
  TRateEditor rates_;
  std::unique_ptr<IUserPrompts> ownPrompts_;
  IUserPrompts* prompts_;
  std::array<QComboBox*, kParamBoxCount> boxes_{};
  std::array<QLabel*, kParamBoxCount> labels_{};
  std::array<std::vector<TParamItem>, kParamBoxCount> shownItems_;
  QPushButton* btnDefault_ = nullptr;
  QWidget* rateGroup_ = nullptr;
  std::array<QComboBox*, kRateBoxCount> rateBoxes_{};
  std::array<QLabel*, kRateBoxCount> rateLabels_{};
  std::array<std::vector<TParamItem>, kRateBoxCount> shownRateItems_;
  int announcedWrites_ = 0;
  int announcedRateWrites_ = 0;
  bool checksOnLeave_ = false;
};

}  // namespace qarvo
