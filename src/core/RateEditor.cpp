#include "core/RateEditor.h"

#include <algorithm>
#include <utility>

#include "core/FormatDefinition.h"
#include "core/FormatProfile.h"

namespace qarvo {
namespace {

struct TRateKeys {
  const char* List;
  const char* Index;
  const char* Value;
};

constexpr std::array<TRateKeys, kRateBoxCount> kKeys{{
    {format_keys::kRateMode, "iRateMode", "paraRateMode"},
    {format_keys::kQuality, "iQuality", "paraQuality"},
    {format_keys::kTargetSize, "iTargetSize", "paraTargetSize"},
    {format_keys::kSpeed, "iSpeed", "paraSpeed"},
}};

constexpr std::array<TRateBox, kRateBoxCount> kBoxes{TRateBox::RateMode, TRateBox::Quality,
                                                     TRateBox::TargetSize, TRateBox::Speed};

const TRateKeys& KeysOf(TRateBox box) { return kKeys[static_cast<int>(box)]; }

// The profile value an item stands for.
std::string StoredValue(TRateBox box, const std::string& item) {
  switch (box) {
    case TRateBox::Quality: {
      const auto number = ChoiceNumber(item);
      return number ? std::to_string(*number) : std::string();
    }
    case TRateBox::Speed:
      return SpeedValue(item);
    case TRateBox::RateMode:
    case TRateBox::TargetSize:
      break;
  }
  return item;
}

}  // namespace

TRateEditor::TRateEditor(std::string definitionFile, std::string settingsFile)
    : definitions_(std::move(definitionFile)), settings_(std::move(settingsFile)) {}

bool TRateEditor::AnyOffered() const {
  return std::any_of(offered_.begin(), offered_.end(), [](bool offered) { return offered; });
}

void TRateEditor::Load(int code) {
  code_ = code;
  typed_ = false;
  const TFormatDefinition definition = ReadFormatDefinition(definitions_.Snapshot(), code);
  for (TRateBox box : kBoxes) {
    const TChoiceList& list = *definition.List(KeysOf(box).List);
    TParamBoxState& state = State(box);
    state.Items.clear();
    offered_[Slot(box)] = list.Enabled && !list.Items.empty();
    if (offered_[Slot(box)])
      for (const std::string& item : list.Items) state.Items.push_back({item, {}});
    defaults_[Slot(box)] = list.DefaultIndex;
  }
  ShowStored(settings_.Snapshot());
  ApplyMode();
}

// Each box shows the item whose value the profile holds; a value no item has (an old or
// hand-edited file) shows the item a run falls back to, the default.
void TRateEditor::ShowStored(const TIniSnapshot& profile) {
  const std::string section = FormatSection(code_);
  for (TRateBox box : kBoxes) {
    if (!offered_[Slot(box)]) {
      SelectIndex(box, -1);
      continue;
    }
    const std::vector<TParamItem>& items = Box(box).Items;
    int index = defaults_[Slot(box)];
    if (profile.ValueExists(section, KeysOf(box).Value)) {
      const std::string value = profile.ReadString(section, KeysOf(box).Value, "");
      const auto same = [&](const TParamItem& item) {
        if (box == TRateBox::RateMode)
          return RateModeFromChoice(item.Text) == RateModeFromChoice(value);
        if (box == TRateBox::TargetSize)
          return qarvo::TargetSizeBytes(item.Text) == qarvo::TargetSizeBytes(value);
        return StoredValue(box, item.Text) == value;
      };
      const auto found = std::find_if(items.begin(), items.end(), same);
      if (found != items.end()) {
        index = static_cast<int>(found - items.begin());
      } else if (box == TRateBox::TargetSize && qarvo::TargetSizeBytes(value)) {
        // A typed size.
        SelectIndex(box, -1);
        State(box).Text = value;
        continue;
      }
    }
    SelectIndex(box, index);
  }
}

void TRateEditor::SelectIndex(TRateBox box, int index) {
  TParamBoxState& state = State(box);
  const bool inRange = index >= 0 && index < static_cast<int>(state.Items.size());
  state.Index = inRange ? index : -1;
  state.Text = inRange ? state.Items[index].Text : std::string();
}

bool TRateEditor::BitRateApplies() const {
  if (!offered_[Slot(TRateBox::RateMode)]) return true;
  const auto mode = RateModeFromChoice(Box(TRateBox::RateMode).Text);
  return mode == TRateMode::AverageBitRate || mode == TRateMode::TwoPassAverageBitRate;
}

void TRateEditor::ApplyMode() {
  const bool modeOffered = offered_[Slot(TRateBox::RateMode)];
  const auto mode = RateModeFromChoice(Box(TRateBox::RateMode).Text);
  for (TRateBox box : kBoxes) State(box).Enabled = offered_[Slot(box)];
  if (!modeOffered) return;
  State(TRateBox::Quality).Enabled &= mode == TRateMode::ConstantQuality;
  State(TRateBox::TargetSize).Enabled &= mode == TRateMode::TargetSize;
}

void TRateEditor::Choose(TRateBox box, int index) {
  const TParamBoxState& state = Box(box);
  if (index < 0 || index >= static_cast<int>(state.Items.size())) return;
  SelectIndex(box, index);
  if (box == TRateBox::TargetSize) typed_ = false;
  Write({{KeysOf(box).Index, std::to_string(index)},
         {KeysOf(box).Value, StoredValue(box, state.Text)}});
  if (box == TRateBox::RateMode) ApplyMode();
}

void TRateEditor::Type(TRateBox box, const std::string& text) {
  if (!Editable(box)) return;
  TParamBoxState& state = State(box);
  state.Index = -1;
  state.Text = text;
  typed_ = true;
}

bool TRateEditor::Leave(TRateBox box) {
  if (!Editable(box) || !typed_) return true;
  typed_ = false;
  TParamBoxState& state = State(box);
  if (!qarvo::TargetSizeBytes(state.Text)) {
    ShowStored(settings_.Snapshot());
    return false;
  }
  const auto found =
      std::find_if(state.Items.begin(), state.Items.end(), [&](const TParamItem& item) {
        return qarvo::TargetSizeBytes(item.Text) == qarvo::TargetSizeBytes(state.Text);
      });
  if (found != state.Items.end()) SelectIndex(box, static_cast<int>(found - state.Items.begin()));
  Write({{KeysOf(box).Index, std::to_string(state.Index)}, {KeysOf(box).Value, state.Text}});
  return true;
}

void TRateEditor::ResetToDefaults() {
  typed_ = false;
  TIniValues values;
  for (TRateBox box : kBoxes) {
    if (!offered_[Slot(box)]) continue;
    SelectIndex(box, defaults_[Slot(box)]);
    if (Box(box).Index < 0) continue;
    values.emplace_back(KeysOf(box).Index, std::to_string(Box(box).Index));
    values.emplace_back(KeysOf(box).Value, StoredValue(box, Box(box).Text));
  }
  Write(values);
  ApplyMode();
}

void TRateEditor::Write(const TIniValues& values) {
  if (values.empty()) return;
  settings_.WriteValues(FormatSection(code_), values);
  ++writes_;
}

}  // namespace qarvo
