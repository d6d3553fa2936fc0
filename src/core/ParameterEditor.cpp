#include "core/ParameterEditor.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <utility>

#include "base/AsciiText.h"
#include "core/FormatProfile.h"
#include "core/ParameterRules.h"

namespace qarvo {
namespace {

struct TBoxKeys {
  const char* List;   // definition list; nullptr for the zoom box
  const char* Index;  // profile item index; nullptr for the zoom box
  const char* Value;  // profile value
};

const TBoxKeys& KeysOf(TParamBox box) {
  static const std::array<TBoxKeys, kParamBoxCount> keys{{
      {format_keys::kVideoSize, "iVideoSize", "paraVideoSize"},
      {format_keys::kVideoEncoder, "iVideoEncoder", "paraVideoEncoder"},
      {format_keys::kVideoBitRate, "iVideoBitRate", "paraVideoBitRate"},
      {format_keys::kFrameRate, "iFrameRate", "paraFrameRate"},
      {nullptr, nullptr, "paraZoom"},
      {format_keys::kSampleRate, "iSampleRate", "paraSampleRate"},
      {format_keys::kAudioEncoder, "iAudioEncoder", "paraAudioEncoder"},
      {format_keys::kChannel, "iChannel", "paraChannel"},
      {format_keys::kVolume, "iVolume", "paraVolume"},
      {format_keys::kAudioBitRate, "iAudioBitRate", "paraAudioBitRate"},
  }};
  return keys[static_cast<int>(box)];
}

constexpr std::array<TParamBox, 9> kListBoxes{
    TParamBox::VideoSize,    TParamBox::VideoBitRate, TParamBox::FrameRate,
    TParamBox::VideoEncoder, TParamBox::AudioBitRate, TParamBox::SampleRate,
    TParamBox::AudioEncoder, TParamBox::Channel,      TParamBox::Volume};
constexpr std::array<TParamBox, 5> kVideoBoxes{TParamBox::VideoSize, TParamBox::VideoEncoder,
                                               TParamBox::VideoBitRate, TParamBox::FrameRate,
                                               TParamBox::Zoom};
constexpr std::array<TParamBox, 5> kAudioBoxes{TParamBox::SampleRate, TParamBox::AudioEncoder,
                                               TParamBox::Channel, TParamBox::Volume,
                                               TParamBox::AudioBitRate};
// The zoom box's items by index and the profile values they stand for.
constexpr std::array<const char*, 3> kZoomItems{"Full Screen", "Letter Box", "Pan and Scan"};
constexpr std::array<const char*, 4> kZoomValues{"full", "lbox", "pan", "center"};

int IndexIgnoringCase(const std::vector<TParamItem>& items, const std::string& text) {
  const std::string wanted = AsciiLower(text);
  for (size_t i = 0; i < items.size(); ++i)
    if (AsciiLower(items[i].Text) == wanted) return static_cast<int>(i);
  return -1;
}

// Value shown for a profile key never written: the definition's default choice, else the
// main window's own default.
std::string ShownValue(const TIniSnapshot& profile, const std::string& section,
                       const TChoiceList& list, const char* key, const char* windowDefault) {
  if (profile.ValueExists(section, key)) return profile.ReadString(section, key, "");
  if (const auto item = list.DefaultItem()) return *item;
  return windowDefault;
}

// A bit-rate text as a number, whatever the C locale; -1 when it is none.
double Kbps(const std::string& text) {
  if (!IsDecimalText(text)) return -1.0;
  std::string_view digits = text;
  if (digits.front() == '+') digits.remove_prefix(1);
  double value = -1.0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return value;
}

}  // namespace

TParameterEditor::TParameterEditor(std::string definitionFile, std::string settingsFile)
    : definitions_(std::move(definitionFile)), settings_(std::move(settingsFile)) {}

bool TParameterEditor::Editable(TParamBox box) {
  return box == TParamBox::VideoSize || box == TParamBox::VideoBitRate ||
         box == TParamBox::SampleRate || box == TParamBox::AudioBitRate;
}

void TParameterEditor::SetEncoderAvailability(TEncoderAvailable available) {
  available_ = std::move(available);
  MarkUnavailable(TParamBox::VideoEncoder);
  MarkUnavailable(TParamBox::AudioEncoder);
}

void TParameterEditor::Load(int code) {
  code_ = code;
  frameSizeTyped_ = false;
  numberTyped_ = {};
  const TIniSnapshot profile = settings_.Snapshot();
  const TFormatDefinition definition = ReadFormatDefinition(definitions_.Snapshot(), code);
  const std::string section = FormatSection(code);
  for (TParamBox box : kListBoxes) Fill(box, *definition.List(KeysOf(box).List));

  const std::string zoom = profile.ReadString(section, "paraZoom", profile_defaults::kZoom);
  listEnabled_[Slot(TParamBox::Zoom)] = zoom != format_keys::kNull && !zoom.empty();
  if (listEnabled_[Slot(TParamBox::Zoom)]) {
    TParamBoxState& state = State(TParamBox::Zoom);
    state.Items.clear();
    for (const char* item : kZoomItems) state.Items.push_back({item, {}});
    const auto found = std::find(kZoomValues.begin(), kZoomValues.end(), zoom);
    SelectIndex(TParamBox::Zoom, static_cast<int>(found - kZoomValues.begin()));
  }

  const std::pair<TParamBox, const char*> typed[] = {{TParamBox::VideoSize, "320x240"},
                                                     {TParamBox::VideoBitRate, "768"},
                                                     {TParamBox::SampleRate, "44100"},
                                                     {TParamBox::AudioBitRate, "96"}};
  for (const auto& [box, windowDefault] : typed)
    ShowValue(box, ShownValue(profile, section, *definition.List(KeysOf(box).List),
                              KeysOf(box).Value, windowDefault));
  for (TParamBox box : {TParamBox::FrameRate, TParamBox::VideoEncoder, TParamBox::Channel,
                        TParamBox::Volume, TParamBox::AudioEncoder}) {
    const TChoiceList& list = *definition.List(KeysOf(box).List);
    SelectIndex(box, profile.ReadInteger(section, KeysOf(box).Index, list.DefaultIndex));
  }
  MarkUnavailable(TParamBox::VideoEncoder);
  MarkUnavailable(TParamBox::AudioEncoder);
  ApplyGroups();
}

void TParameterEditor::Fill(TParamBox box, const TChoiceList& list) {
  TParamBoxState& state = State(box);
  state.Items.clear();
  for (const std::string& item : list.Items) state.Items.push_back({item, {}});
  state.Index = -1;
  state.Text.clear();
  listEnabled_[Slot(box)] = list.Enabled;
}

void TParameterEditor::ShowValue(TParamBox box, const std::string& value) {
  TParamBoxState& state = State(box);
  state.Index = IndexIgnoringCase(state.Items, value);
  state.Text = state.Index >= 0 ? state.Items[state.Index].Text : value;
}

void TParameterEditor::SelectIndex(TParamBox box, int index) {
  TParamBoxState& state = State(box);
  const bool inRange = index >= 0 && index < static_cast<int>(state.Items.size());
  state.Index = inRange ? index : -1;
  state.Text = inRange ? state.Items[index].Text : std::string();
}

void TParameterEditor::MarkUnavailable(TParamBox box) {
  for (TParamItem& item : State(box).Items) {
    const auto name = box == TParamBox::VideoEncoder ? VideoEncoderToFind(item.Text)
                                                     : AudioEncoderToFind(item.Text);
    item.MissingEncoder = name && available_ && !available_(*name) ? *name : std::string();
  }
}

void TParameterEditor::ApplyGroups() {
  videoEnabled_ = !Box(TParamBox::VideoEncoder).Items.empty();
  audioEnabled_ = !Box(TParamBox::AudioEncoder).Items.empty();
  for (TParamBox box : kVideoBoxes) State(box).Enabled = listEnabled_[Slot(box)] && videoEnabled_;
  for (TParamBox box : kAudioBoxes) State(box).Enabled = listEnabled_[Slot(box)] && audioEnabled_;
}

std::optional<TParamMessage> TParameterEditor::Choose(TParamBox box, int index) {
  const TParamBoxState& state = Box(box);
  if (index < 0 || index >= static_cast<int>(state.Items.size())) return std::nullopt;
  SelectIndex(box, index);
  const TBoxKeys& keys = KeysOf(box);
  const std::string text = state.Text;
  switch (box) {
    case TParamBox::VideoSize:
      frameSizeTyped_ = false;
      Write({{keys.Index, std::to_string(index)}, {keys.Value, text}});
      return std::nullopt;
    case TParamBox::VideoBitRate:
    case TParamBox::SampleRate:
    case TParamBox::AudioBitRate:
      return CheckNumber(box);
    case TParamBox::VideoEncoder:
      return ChooseVideoEncoder();
    case TParamBox::Zoom:
      Write({{keys.Value, kZoomValues[index]}});
      return std::nullopt;
    case TParamBox::FrameRate:
      Write({{keys.Index, std::to_string(index)}, {keys.Value, text}});
      return std::nullopt;
    default:
      break;
  }
  const auto mapped = box == TParamBox::AudioEncoder ? AudioEncoderEngineName(text)
                      : box == TParamBox::Channel    ? ChannelValue(text)
                                                     : VolumeValue(text);
  TIniValues values{{keys.Index, std::to_string(index)}};
  if (mapped) values.emplace_back(keys.Value, *mapped);
  Write(values);
  if (box == TParamBox::AudioEncoder) FitAudioToEncoder();
  return std::nullopt;
}

// An encoder that takes fewer rates or channels than the boxes offer gets values it takes,
// the offered ones where the boxes have them.
void TParameterEditor::FitAudioToEncoder() {
  const auto name = AudioEncoderToFind(Box(TParamBox::AudioEncoder).Text);
  const auto limits = name ? AudioEncoderLimits(*name) : std::nullopt;
  if (!limits) return;
  const std::string& rate = Box(TParamBox::SampleRate).Text;
  const bool rateTaken =
      IsIntegerText(rate) &&
      std::count(limits->SampleRates.begin(), limits->SampleRates.end(), std::stoi(rate)) > 0;
  if (!rateTaken && !limits->SampleRates.empty()) {
    ShowValue(TParamBox::SampleRate, std::to_string(limits->SampleRates.front()));
    CheckNumber(TParamBox::SampleRate);
  }
  const auto inRange = [&](const std::string& text) {
    const double kbps = Kbps(text);
    return kbps >= limits->LeastKbps - 1e-9 && kbps <= limits->MostKbps + 1e-9;
  };
  if (!inRange(Box(TParamBox::AudioBitRate).Text)) {
    const std::vector<TParamItem>& items = Box(TParamBox::AudioBitRate).Items;
    int best = -1;
    for (int i = 0; i < static_cast<int>(items.size()); ++i)
      if (inRange(items[i].Text) && (best < 0 || Kbps(items[i].Text) > Kbps(items[best].Text)))
        best = i;
    if (best >= 0)
      SelectIndex(TParamBox::AudioBitRate, best);
    else
      ShowValue(TParamBox::AudioBitRate, limits->MostKbpsText);
    CheckNumber(TParamBox::AudioBitRate);
  }
  if (limits->MostChannels != 1) return;
  const std::vector<TParamItem>& channels = Box(TParamBox::Channel).Items;
  for (int i = 0; i < static_cast<int>(channels.size()); ++i) {
    if (ChannelValue(channels[i].Text) != std::optional<std::string>("1")) continue;
    if (Box(TParamBox::Channel).Index != i) Choose(TParamBox::Channel, i);
    return;
  }
}

std::optional<TParamMessage> TParameterEditor::Type(TParamBox box, const std::string& text) {
  if (!Editable(box)) return std::nullopt;
  TParamBoxState& state = State(box);
  state.Index = -1;
  state.Text = text;
  if (box == TParamBox::VideoSize) {
    frameSizeTyped_ = true;
    return std::nullopt;
  }
  if (checksOnLeave_) {
    numberTyped_[Slot(box)] = true;
    return std::nullopt;
  }
  return CheckNumber(box);
}

std::optional<TParamMessage> TParameterEditor::Leave(TParamBox box) {
  if (box == TParamBox::VideoSize) return LeaveFrameSize();
  if (!Editable(box) || !numberTyped_[Slot(box)]) return std::nullopt;
  numberTyped_[Slot(box)] = false;
  return CheckNumber(box);
}

std::optional<TParamMessage> TParameterEditor::CheckNumber(TParamBox box) {
  const TParamBoxState& state = Box(box);
  numberTyped_[Slot(box)] = false;
  const bool decimal = box == TParamBox::AudioBitRate;
  if (state.Text == format_keys::kAsSource || IsPositiveNumberText(state.Text, decimal)) {
    Write({{KeysOf(box).Index, std::to_string(state.Index)}, {KeysOf(box).Value, state.Text}});
    return std::nullopt;
  }
  return Refuse(box, box == TParamBox::VideoBitRate ? parameter_messages::kVideoBitRateInvalid
                     : box == TParamBox::SampleRate ? parameter_messages::kSampleRateInvalid
                                                    : parameter_messages::kAudioBitRateInvalid);
}

std::optional<TParamMessage> TParameterEditor::Refuse(TParamBox box, const char* message) {
  if (Box(box).Items.size() > 1) SelectIndex(box, 1);
  return TParamMessage{TParamMessage::TKind::Information, message};
}

std::optional<TParamMessage> TParameterEditor::LeaveFrameSize() {
  if (!frameSizeTyped_) return std::nullopt;
  frameSizeTyped_ = false;
  TParamBoxState& state = State(TParamBox::VideoSize);
  const TFrameSizeCheck check = CheckFrameSize(state.Text);
  using TResult = TFrameSizeCheck::TResult;
  if (check.Result == TResult::AsSource) return std::nullopt;
  if (check.Result == TResult::Invalid)
    return Refuse(TParamBox::VideoSize, parameter_messages::kFrameSizeInvalid);
  const int typedIndex = std::max(0, IndexIgnoringCase(state.Items, state.Text));
  std::optional<TParamMessage> message;
  if (check.Result == TResult::Corrected) {
    state.Index = -1;
    state.Text = check.Size;
    message = TParamMessage{TParamMessage::TKind::InputError, FrameSizeCorrectionText(check.Size)};
  }
  Write({{"iVideoSize", std::to_string(typedIndex)}, {"paraVideoSize", state.Text}});
  return message;
}

std::optional<TParamMessage> TParameterEditor::ChooseVideoEncoder() {
  const TParamBoxState& state = Box(TParamBox::VideoEncoder);
  TIniValues values{{"iVideoEncoder", std::to_string(state.Index)}};
  if (const auto name = VideoEncoderEngineName(state.Text))
    values.emplace_back("paraVideoEncoder", *name);
  Write(values);
  if (AsciiLower(state.Text) == "h264") return CopyH264Options();
  return std::nullopt;
}

std::optional<TParamMessage> TParameterEditor::CopyH264Options() {
  const TIniSnapshot definition = definitions_.Snapshot();
  const std::string section = FormatSection(code_);
  TIniValues values;
  const std::string bitExact = definition.ReadString(section, "paraBitExact", "");
  if (AsciiLower(bitExact) == "true") values.emplace_back("paraBitExact", bitExact);
  const std::pair<const char*, int> numbers[] = {{"paraMaxBitrate", 1}, {"paraBufferSize", 1},
                                                 {"paraLevel", 1},      {"paraQscale", 1},
                                                 {"paraGop", 1},        {"paraCoder", 0}};
  std::optional<TParamMessage> failure;
  for (const auto& [key, least] : numbers) {
    const std::string value = definition.ReadString(section, key, "");
    if (value.empty()) continue;
    if (!IsIntegerText(value)) {
      failure = TParamMessage{TParamMessage::TKind::Error,
                              "'" + value + "' is not a valid integer value"};
      break;
    }
    if (std::stoi(value) >= least) values.emplace_back(key, value);
  }
  Write(values);
  return failure;
}

std::vector<TParamMessage> TParameterEditor::ResetToDefaults() {
  const TFormatDefinition definition = ReadFormatDefinition(definitions_.Snapshot(), code_);
  for (TParamBox box : {TParamBox::VideoSize, TParamBox::VideoBitRate, TParamBox::AudioBitRate,
                        TParamBox::SampleRate})
    Fill(box, *definition.List(KeysOf(box).List));
  for (TParamBox box : kListBoxes)
    SelectIndex(box, definition.List(KeysOf(box).List)->DefaultIndex);
  SelectIndex(TParamBox::Zoom, 0);
  ApplyGroups();
  frameSizeTyped_ = false;

  std::vector<TParamMessage> messages;
  const auto run = [&](TParamBox box) {
    if (!Box(box).Enabled) return;
    std::optional<TParamMessage> message;
    if (box == TParamBox::VideoSize && Box(box).Index < 0) {
      // No default item: the typed-size check judges the empty text.
      frameSizeTyped_ = true;
      message = LeaveFrameSize();
    } else if (Editable(box) && box != TParamBox::VideoSize) {
      message = CheckNumber(box);
    } else {
      message = Choose(box, Box(box).Index);
    }
    if (message) messages.push_back(*message);
  };
  for (TParamBox box :
       {TParamBox::VideoEncoder, TParamBox::VideoSize, TParamBox::FrameRate,
        TParamBox::VideoBitRate, TParamBox::Zoom, TParamBox::AudioEncoder, TParamBox::AudioBitRate,
        TParamBox::SampleRate, TParamBox::Channel, TParamBox::Volume})
    run(box);
  return messages;
}

TParameterEditor::TRunCheck TParameterEditor::CheckBeforeRun() {
  TRunCheck check;
  if (frameSizeTyped_) {
    if (const auto message = LeaveFrameSize()) {
      check.Messages.push_back(*message);
      check.Ok = message->Kind != TParamMessage::TKind::Information;
    }
  }
  for (TParamBox box : {TParamBox::VideoEncoder, TParamBox::AudioEncoder}) {
    const TParamBoxState& state = Box(box);
    if (!state.Enabled || state.Index < 0) continue;
    const TParamItem& item = state.Items[state.Index];
    if (item.MissingEncoder.empty()) continue;
    check.Messages.push_back(
        {TParamMessage::TKind::Warning, MissingEncoderText(item.Text, item.MissingEncoder)});
    check.Ok = false;
  }
  return check;
}

void TParameterEditor::Write(const TIniValues& values) {
  if (values.empty()) return;
  settings_.WriteValues(FormatSection(code_), values);
  ++writes_;
}

}  // namespace qarvo
