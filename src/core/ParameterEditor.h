// The ten parameter boxes of the main window without their widgets: what each box offers
// and shows, and what each user action writes to the format's profile.
//
// Every accepted change is written at once to the "formatInfo" section of the settings
// file; loading writes nothing. A profile key that was never written shows the value a run
// would use for it (the definition's default choice, as option composition reads it), so
// the boxes never show one thing while the run converts with another.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/FormatDefinition.h"
#include "core/IniFile.h"

namespace qarvo {

enum class TParamBox {
  VideoSize,
  VideoEncoder,
  VideoBitRate,
  FrameRate,
  Zoom,
  SampleRate,
  AudioEncoder,
  Channel,
  Volume,
  AudioBitRate
};
inline constexpr int kParamBoxCount = 10;

struct TParamItem {
  std::string Text;
  std::string MissingEncoder;  // engine encoder the loaded libraries lack; empty: available
  bool operator==(const TParamItem&) const = default;
};

struct TParamBoxState {
  bool Enabled = false;
  std::vector<TParamItem> Items;
  int Index = -1;    // selected item, -1 for none (a typed value)
  std::string Text;  // the shown text: the selected item's, or what was typed
};

struct TParamMessage {
  enum class TKind { Information, InputError, Warning, Error };
  TKind Kind = TKind::Information;
  std::string Text;
  bool operator==(const TParamMessage&) const = default;
};

class TParameterEditor {
 public:
  using TEncoderAvailable = std::function<bool(const std::string& engineEncoder)>;

  TParameterEditor(std::string definitionFile, std::string settingsFile);

  // Encoders a run can open; without one every encoder counts as available.
  void SetEncoderAvailability(TEncoderAvailable available);

  // Fills every box for the format `code` from its definition and its profile.
  void Load(int code);
  int Code() const { return code_; }
  const TParamBoxState& Box(TParamBox box) const { return boxes_[Slot(box)]; }
  static bool Editable(TParamBox box);
  // Group state: a group without encoder choices is greyed as a whole.
  bool VideoEnabled() const { return videoEnabled_; }
  bool AudioEnabled() const { return audioEnabled_; }
  // Number of profile writes so far (the panel announces changes by it).
  int Writes() const { return writes_; }

  // The user picked item `index` of `box`.
  std::optional<TParamMessage> Choose(TParamBox box, int index);
  // The user changed the edit text of an editable box. The bit-rate and sample-rate boxes
  // are checked at every change (unless checks wait for leaving); the frame size waits for
  // LeaveFrameSize.
  std::optional<TParamMessage> Type(TParamBox box, const std::string& text);
  // The frame-size box lost the focus: checks and writes a typed size.
  std::optional<TParamMessage> LeaveFrameSize();
  // Typed numbers are checked when their box is left rather than at every change (the
  // settings dialog), so a box can be cleared to type a new value.
  void SetChecksOnLeave(bool onLeave) { checksOnLeave_ = onLeave; }
  // An editable box lost the focus: checks and writes what was typed there, if anything.
  std::optional<TParamMessage> Leave(TParamBox box);
  // The Default button: the definition's default choices, written to the profile.
  std::vector<TParamMessage> ResetToDefaults();

  struct TRunCheck {
    bool Ok = true;
    std::vector<TParamMessage> Messages;
  };
  // Before a run: commits a typed frame size and refuses encoders the libraries lack.
  TRunCheck CheckBeforeRun();

 private:
  static int Slot(TParamBox box) { return static_cast<int>(box); }
  TParamBoxState& State(TParamBox box) { return boxes_[Slot(box)]; }
  void Fill(TParamBox box, const TChoiceList& list);
  void ShowValue(TParamBox box, const std::string& value);
  void SelectIndex(TParamBox box, int index);
  void MarkUnavailable(TParamBox box);
  void ApplyGroups();
  std::optional<TParamMessage> CheckNumber(TParamBox box);
  std::optional<TParamMessage> Refuse(TParamBox box, const char* message);
  std::optional<TParamMessage> ChooseVideoEncoder();
  std::optional<TParamMessage> CopyH264Options();
  void Write(const TIniValues& values);

  TIniFile definitions_;
  TIniFile settings_;
  TEncoderAvailable available_;
  int code_ = 0;
  std::array<TParamBoxState, kParamBoxCount> boxes_;
  std::array<bool, kParamBoxCount> listEnabled_{};  // before the group rule
  bool videoEnabled_ = false;
  bool audioEnabled_ = false;
  bool frameSizeTyped_ = false;
  bool checksOnLeave_ = false;
  std::array<bool, kParamBoxCount> numberTyped_{};  // typed, waiting for Leave
  int writes_ = 0;
};

}  // namespace qarvo
