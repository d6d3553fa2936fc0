// The shipped definition file: every format of the catalogue is defined, and its factory
// defaults convert with the stock libraries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "core/FormatCatalogue.h"
#include "core/FormatDefinition.h"
#include "core/FormatProfile.h"
#include "media/LibraryApi.h"
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
    "mpeg4", "libxvid", "mpeg1video", "mpeg2video", "msmpeg4", "msmpeg4v1", "msmpeg4v2",
    "huffyuv", "dvvideo", "rawvideo", "h263p", "h263", "rv10", "rv20", "ljpeg", "mjpeg",
    "svq1", "zlib", "wmv1", "wmv2", "libx264"};
const std::set<std::string> kContainerFormats{"ipod", "3gp", "3g2", "avi", "psp",
                                              "mov", "vcd", "flv", "mpegts", "vob"};

class DefinitionFile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { LoadMediaLibraries(); }

  // The encoder a default video choice ends up with: the named one, or the container's.
  static const AVCodec* VideoEncoder(const TFormatDefinition& d, const std::string& name) {
    if (kComposedVideoEncoders.count(name))
      return api().avcodec_find_encoder_by_name(LibraryEncoderName(name).c_str());
    const std::string format = Lower(d.Format);
    const AVOutputFormat* muxer = api().av_guess_format(
        kContainerFormats.count(format) ? format.c_str() : nullptr, ("x." + d.FileExt).c_str(),
        nullptr);
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
    for (const TChoiceList* list : {&d.VideoSize, &d.VideoBitRate, &d.FrameRate, &d.VideoEncoder,
                                    &d.AudioBitRate, &d.SampleRate, &d.AudioEncoder,
                                    &d.Channel, &d.Volume})
      if (list->Enabled) {
        EXPECT_TRUE(list->DefaultItem());
      }
    EXPECT_EQ(profile.Volume(), "256");
    const std::string audio = profile.AudioEncoder(!d.VideoEncoder.Enabled);
    EXPECT_NE(api().avcodec_find_encoder_by_name(LibraryEncoderName(audio).c_str()), nullptr)
        << audio;
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

}  // namespace
}  // namespace qarvo
