// The shipped definition file: every format of the catalogue is defined, and its factory
// defaults convert with the stock libraries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "media/LibraryApi.h"
#include "core/FormatCatalogue.h"
#include "core/FormatDefinition.h"
#include "core/FormatProfile.h"
#include "core/OptionComposer.h"

#include "support/TestMediaError.h"

namespace qarvo {
namespace {

const std::string kDefinitionFile = std::string(QARVO_SOURCE_DIR) + "/data/qarvo3gpformat.ini";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Encoder names as the engine hands them to the libraries.
std::string LibraryEncoderName(const std::string& name) {
  if (name == "libfaac") return "aac";
  if (name == "vorbis") return "libvorbis";
  if (name == "libflac") return "flac";
  if (name == "libamr_nb") return "libopencore_amrnb";
  return name;
}

const std::set<std::string> kComposedVideoEncoders{
    "mpeg4",   "libxvid", "mpeg1video", "mpeg2video", "msmpeg4", "msmpeg4v1", "msmpeg4v2",
    "huffyuv", "dvvideo", "rawvideo",   "h263p",      "h263",    "rv10",      "rv20",
    "ljpeg",   "mjpeg",   "svq1",       "zlib",       "wmv1",    "wmv2",      "libx264"};
const std::set<std::string> kContainerFormats{"ipod", "3gp", "3g2", "avi",    "psp",
                                              "mov",  "vcd", "flv", "mpegts", "vob"};

class DefinitionFile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { LoadMediaLibraries(); }

  // The encoder a default video choice ends up with: the named one, or the container's.
  static const AVCodec* VideoEncoder(const TFormatDefinition& d, const std::string& name) {
    if (kComposedVideoEncoders.count(name))
      return api().avcodec_find_encoder_by_name(LibraryEncoderName(name).c_str());
    const std::string format = Lower(d.Format);
    const AVOutputFormat* muxer =
        api().av_guess_format(kContainerFormats.count(format) ? format.c_str() : nullptr,
                              ("x." + d.FileExt).c_str(), nullptr);
    return muxer ? api().avcodec_find_encoder(muxer->video_codec) : nullptr;
  }
};

TEST_F(DefinitionFile, DefinesEveryCatalogueFormatAndNothingElse) {
  const TIniSnapshot file(kDefinitionFile);
  std::set<std::string> sections;
  for (const std::string& s : file.ReadSections()) sections.insert(Lower(s));
  const auto formats = AllCatalogueFormats();
  EXPECT_EQ(sections.size(), formats.size());
  for (const auto& format : formats)
    EXPECT_TRUE(sections.count(Lower(FormatSection(format.Code)))) << format.Code;
}

TEST_F(DefinitionFile, EveryDefaultNamesAnAvailableEncoderAndALegalSize) {
  const TIniSnapshot file(kDefinitionFile);
  const TIniSnapshot noProfile = TIniSnapshot::FromText("");
  const std::set<std::string> h263Sizes{"128x96", "176x144", "352x288", "704x576", "1408x1152"};
  for (const auto& format : AllCatalogueFormats()) {
    SCOPED_TRACE(std::to_string(format.Code) + " " + format.Name);
    const TFormatDefinition d = ReadFormatDefinition(file, format.Code);
    const TFormatProfile profile(noProfile, d, format.Code);
    ASSERT_TRUE(d.Exists);
    for (const TChoiceList* list :
         {&d.VideoSize, &d.VideoBitRate, &d.FrameRate, &d.VideoEncoder, &d.AudioBitRate,
          &d.SampleRate, &d.AudioEncoder, &d.Channel, &d.Volume})
      if (list->Enabled) {
        EXPECT_TRUE(list->DefaultItem());
      }
    EXPECT_EQ(profile.Volume(), "256");
    const std::string audio = profile.AudioEncoder(!d.VideoEncoder.Enabled);
    // Animations have no sound; keeping the sound copies it.
    if (d.AudioEncoder.Enabled && audio != "copy") {
      EXPECT_NE(api().avcodec_find_encoder_by_name(LibraryEncoderName(audio).c_str()), nullptr)
          << audio;
    }
    if (!d.VideoEncoder.Enabled) {
      EXPECT_FALSE(d.VideoSize.Enabled);
      continue;
    }
    const std::string video = profile.VideoEncoder();
    const AVCodec* encoder = VideoEncoder(d, video);
    ASSERT_NE(encoder, nullptr) << video;
    const std::string size = profile.VideoSize();
    if (size == "as source") continue;
    const auto x = size.find('x');
    ASSERT_NE(x, std::string::npos) << size;
    EXPECT_EQ(std::stoi(size.substr(0, x)) % 2, 0) << size;
    EXPECT_EQ(std::stoi(size.substr(x + 1)) % 2, 0) << size;
    if (std::string(encoder->name) == "h263") {
      EXPECT_TRUE(h263Sizes.count(size)) << size;
    }
    // Offered H.263 sizes must be ones the encoder takes, too.
    if (video == "h263") {
      for (const std::string& item : d.VideoSize.Items) {
        EXPECT_TRUE(item == "as source" || h263Sizes.count(item)) << item;
      }
    }
  }
}

// What a display name promises, checked against the format's definition: the default frame
// size, the container or target, and the H.264 preset composition picks when H.264 is chosen.
TEST_F(DefinitionFile, DefaultsKeepWhatTheDisplayNamesPromise) {
  struct TRule {
    const char* Part;  // text within the name, or its start when Prefix
    bool Prefix;
    const char* Size;  // default size, or "x" + height; nullptr: not checked
    const char* Format;
    const char* Preset;
  };
  static const TRule rules[] = {
      {"(320 x 240)", false, "320x240", nullptr, nullptr},
      {"(480 x 320)", false, "480x320", nullptr, nullptr},
      {"(640 x 480)", false, "640x480", nullptr, nullptr},
      {"(1280 x 720)", false, "1280x720", nullptr, nullptr},
      {"480P", false, "x480", nullptr, nullptr},
      {"480p", false, "x480", nullptr, nullptr},
      {"576p", false, "720x576", nullptr, nullptr},
      {"720P", false, "x720", nullptr, nullptr},
      {"720p", false, "x720", nullptr, nullptr},
      {"1080P", false, "x1080", nullptr, nullptr},
      {"iPod", true, nullptr, "ipod", "libx264-ipod"},
      {"iPhone", true, nullptr, "ipod", "libx264-ipod"},
      {"PSP", true, nullptr, "psp", "libx264-psp"},
      {"PS3", true, nullptr, "ps3", "libx264-ps3"},
      {"DVD - NTSC", true, "720x480", "ntsc-dvd", nullptr},
      {"DVD - PAL", true, "720x576", "pal-dvd", nullptr},
      {"SVCD - NTSC", true, "480x480", "ntsc-svcd", nullptr},
      {"SVCD - PAL", true, "480x576", "pal-svcd", nullptr},
      {"VCD - NTSC", true, "352x240", "ntsc-vcd", nullptr},
      {"VCD - PAL", true, "352x288", "pal-vcd", nullptr},
      {"Mobile Phone 3GP ", true, "176x144", "3gp", nullptr},
      {"Mobile Phone 3GP2 ", true, "176x144", "3g2", nullptr},
      {"(*.avi)", false, nullptr, "avi", nullptr},
      {"(*.mov)", false, nullptr, "mov", nullptr},
      {"(*.flv)", false, nullptr, "flv", nullptr},
      {"(*.ts)", false, nullptr, "mpegts", nullptr},
  };
  const TIniSnapshot file(kDefinitionFile);
  TSourceFacts source;
  source.VideoStreamCount = 1;
  source.Width = 640;
  source.Height = 480;
  struct TNoQuestion : ISizeQuestion {
    bool UseDefaultSize() override { return true; }
  } noQuestion;
  for (const TRule& rule : rules) {
    int matched = 0;
    for (const auto& format : AllCatalogueFormats()) {
      const bool applies = rule.Prefix ? format.Name.rfind(rule.Part, 0) == 0
                                       : format.Name.find(rule.Part) != std::string::npos;
      if (!applies) continue;
      SCOPED_TRACE(std::to_string(format.Code) + " " + format.Name);
      const TFormatDefinition d = ReadFormatDefinition(file, format.Code);
      // The current formats' names follow rules of their own (tested with them).
      if (d.Current()) continue;
      ++matched;
      const std::string size = d.VideoSize.DefaultItem().value_or("none");
      if (rule.Size && rule.Size[0] == 'x') {
        EXPECT_TRUE(
            size.size() > std::strlen(rule.Size) &&
            size.compare(size.size() - std::strlen(rule.Size), std::string::npos, rule.Size) == 0)
            << size;
      } else if (rule.Size) {
        EXPECT_EQ(size, rule.Size);
      }
      if (rule.Format) {
        EXPECT_EQ(Lower(d.Format), rule.Format);
      }
      const auto& encoders = d.VideoEncoder.Items;
      if (rule.Preset && std::find(encoders.begin(), encoders.end(), "H264") != encoders.end()) {
        const TIniSnapshot chosen = TIniSnapshot::FromText("[" + FormatSection(format.Code) +
                                                           "]\nparaVideoEncoder=libx264\n");
        const TFormatProfile profile(chosen, d, format.Code);
        TComposedOutput output;
        TComposedInput input;
        ComposeOutputOptions(profile, NewJobRecord("a.avi", "", 0, "lbox"), source, noQuestion,
                             output, input);
        EXPECT_EQ(output.VideoPreset, rule.Preset);
      }
    }
    EXPECT_GT(matched, 0) << rule.Part;
  }
}

}  // namespace
}  // namespace qarvo
