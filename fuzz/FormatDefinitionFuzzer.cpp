// Format definitions over arbitrary INI text: every "formatInfo<code>" section is read as a
// definition, its choices mapped as the editors map them, and a job composed from it, once
// with the text as the definition file only and once as the settings file as well.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/FormatDefinition.h"
#include "core/FormatProfile.h"
#include "core/IniSnapshot.h"
#include "core/OptionComposer.h"

namespace {

using namespace qarvo;

class TFixedAnswer : public ISizeQuestion {
 public:
  explicit TFixedAnswer(bool answer) : answer_(answer) {}
  bool UseDefaultSize() override { return answer_; }

 private:
  bool answer_;
};

void MapChoices(const TFormatDefinition& definition) {
  for (const char* key :
       {format_keys::kVideoSize, format_keys::kVideoBitRate, format_keys::kFrameRate,
        format_keys::kVideoEncoder, format_keys::kAudioBitRate, format_keys::kSampleRate,
        format_keys::kAudioEncoder, format_keys::kChannel, format_keys::kVolume}) {
    const TChoiceList* list = definition.List(key);
    if (!list) std::abort();
    (void)list->DefaultItem();
    for (const std::string& item : list->Items) {
      (void)VideoEncoderEngineName(item);
      (void)AudioEncoderEngineName(item);
      (void)ChannelValue(item);
      (void)VolumeValue(item);
    }
  }
}

void Compose(const TIniSnapshot& settings, const TFormatDefinition& definition, int code,
             bool answer) {
  const TFormatProfile profile(settings, definition, code);
  (void)profile.AudioEncoder(true);
  TlvFilesRecord job = NewJobRecord("/in/source.avi", "/out/source.mp4", 10000000, profile.Zoom());
  TSourceFacts source;
  source.FileName = job.SourceFile;
  source.Duration = 10000000;
  source.VideoStreamCount = 1;
  source.Width = 320;
  source.Height = 240;
  source.BitRate = 800000;
  TFixedAnswer question(answer);
  TComposedOutput output;
  output.FileName = job.DestFile;
  TComposedInput input;
  try {
    ComposeOutputOptions(profile, job, source, question, output, input);
  } catch (const ECompositionError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const TIniSnapshot definitions = TIniSnapshot::FromText(text);
  const TIniSnapshot noSettings;
  const std::string prefix = "formatInfo";
  for (const std::string& section : definitions.ReadSections()) {
    if (section.compare(0, prefix.size(), prefix) != 0) continue;
    const auto code = ParseIniInteger(section.substr(prefix.size()));
    if (!code) continue;
    const TFormatDefinition definition = ReadFormatDefinition(definitions, *code);
    MapChoices(definition);
    Compose(noSettings, definition, *code, size % 2 == 0);
    Compose(definitions, definition, *code, size % 2 != 0);
  }
  return 0;
}
