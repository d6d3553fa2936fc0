// The picture path of the current formats loses nothing: at the same average bit rate, a
// format's output is as close to the source's decoded pictures (PSNR) as the same encoder with
// the same settings fed those pictures directly, on a clip with a camera's grain.
#include <gtest/gtest.h>

#include "base/MainThread.h"
#include "core/FormatDefinition.h"

#include "FormatJob.h"
#include "support/DirectEncode.h"
#include "support/PicturePsnr.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

struct TPathCase {
  int Format;
  const char* Encoder;
  const char* Extension;
};

void PrintTo(const TPathCase& c, std::ostream* os) { *os << c.Format << ' ' << c.Encoder; }

constexpr int kKbps = 600;

// Filmed-like: grain on every picture, kept by a generous source bit rate, and a size no box
// of the formats changes, so both paths encode the decoded pictures as they are.
TClipSpec FilmedClip() {
  TClipSpec spec;
  spec.Container = "matroska";
  spec.Extension = "mkv";
  spec.Width = 480;
  spec.Height = 270;
  spec.VideoBitRate = 4000000;
  spec.Grain = true;
  spec.Duration = 2.0;
  spec.AudioCodec = "aac";
  spec.SampleRate = 48000;
  spec.AudioBitRate = 0;
  return spec;
}

class PicturePath : public ::testing::TestWithParam<TPathCase> {
 protected:
  static void SetUpTestSuite() {
    LoadMediaLibraries();
    TMainThread::SetMainThread();
  }
};

TEST_P(PicturePath, LosesNoMoreThanTheEncoderAlone) {
  const TPathCase& c = GetParam();
  const std::string source = EnsureClipFile(FilmedClip(), "picture_path_filmed.mkv");
  const test::TScratchFolder scratch("picturepath");
  TIniFile settings(scratch.Folder() + "/settings.ini");
  settings.WriteString("settings", "OutPutDir", scratch.Folder());
  const std::string section = FormatSection(c.Format);
  settings.WriteString(section, "paraRateMode", "average bit rate");
  settings.WriteString(section, "paraVideoBitRate", std::to_string(kKbps));
  TIniFile definitions(test::DefinitionFile());
  TJobReport report;
  ASSERT_NO_FATAL_FAILURE(test::ConvertOneJob(settings, definitions, c.Format, source, report));

  // The format's settings as the encoder names them: its bit rate and default speed.
  TDirectEncoding direct;
  direct.Encoder = c.Encoder;
  direct.Options = {{"b", std::to_string(kKbps * 1000)}, {"preset", "medium"}};
  if (direct.Encoder == "libx265") direct.Options.emplace_back("x265-params", "log-level=error");
  const std::string alone = scratch.Folder() + "/alone." + c.Extension;
  int pictures = 0;
  ASSERT_NO_THROW(pictures = EncodeDirect(source, alone, direct));
  EXPECT_EQ(pictures, VideoFrameCount(FilmedClip()));

  double formatPsnr = 0.0, alonePsnr = 0.0;
  ASSERT_NO_THROW(formatPsnr = PicturePsnr(source, report.Output));
  ASSERT_NO_THROW(alonePsnr = PicturePsnr(source, alone));
  RecordProperty("format_psnr", std::to_string(formatPsnr));
  RecordProperty("alone_psnr", std::to_string(alonePsnr));
  // Grain at this rate is far from transparent: a path that copied pictures would not show.
  EXPECT_LT(alonePsnr, 45.0);
  EXPECT_GE(formatPsnr, alonePsnr - 0.2)
      << "format " << formatPsnr << " dB, encoder alone " << alonePsnr << " dB";
}

INSTANTIATE_TEST_SUITE_P(CurrentFormats, PicturePath,
                         ::testing::Values(TPathCase{2800, "libx264", "mp4"},
                                           TPathCase{2805, "libx265", "mp4"}),
                         [](const auto& info) { return std::to_string(info.param.Format); });

}  // namespace
}  // namespace qarvo
