// The rate control boxes of the current formats (rate mode, quality, target size, speed)
// without their widgets: what each offers and shows, and what each choice writes to the
// format's profile, beside the ten parameter boxes of TParameterEditor.
//
// A format shows only the boxes its definition lists. A key never written shows the value a
// run would use (the definition's default), so the boxes and the run never disagree.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "core/IniFile.h"
#include "core/ParameterEditor.h"
#include "core/RateChoices.h"

namespace qarvo {

enum class TRateBox { RateMode, Quality, TargetSize, Speed };
inline constexpr int kRateBoxCount = 4;

class TRateEditor {
 public:
  TRateEditor(std::string definitionFile, std::string settingsFile);

  // Fills the boxes for the format `code` from its definition and its profile.
  void Load(int code);
  const TParamBoxState& Box(TRateBox box) const { return boxes_[Slot(box)]; }
  // The definition lists the box (it is shown, though maybe greyed by the rate mode).
  bool Offered(TRateBox box) const { return offered_[Slot(box)]; }
  bool AnyOffered() const;
  // Only the target size takes a typed value (MB, e.g. "12.5").
  static bool Editable(TRateBox box) { return box == TRateBox::TargetSize; }
  // The video bit-rate box counts only in the bit-rate modes (always without a mode box).
  bool BitRateApplies() const;
  int Writes() const { return writes_; }

  // The user picked item `index` of `box`.
  void Choose(TRateBox box, int index);
  // The user changed the size box's text; checked and written on Leave.
  void Type(TRateBox box, const std::string& text);
  // The size box lost the focus: writes a typed size; false when it is no size, and the box
  // shows the stored size again.
  bool Leave(TRateBox box);
  // A size typed and not yet left (checked before a run or on Ok).
  bool Typed() const { return typed_; }
  // The Default button: the definition's default choices, written to the profile.
  void ResetToDefaults();

 private:
  static int Slot(TRateBox box) { return static_cast<int>(box); }
  TParamBoxState& State(TRateBox box) { return boxes_[Slot(box)]; }
  void ShowStored(const TIniSnapshot& profile);
  void SelectIndex(TRateBox box, int index);
  void ApplyMode();
  void Write(const TIniValues& values);

  TIniFile definitions_;
  TIniFile settings_;
  int code_ = 0;
  std::array<TParamBoxState, kRateBoxCount> boxes_;
  std::array<bool, kRateBoxCount> offered_{};
  std::array<int, kRateBoxCount> defaults_{};
  bool typed_ = false;
  int writes_ = 0;
};

}  // namespace qarvo
