// Sources of wider chroma (4:4:4, 4:2:2) or deeper samples (10 bits) convert with every kind
// of encoder of the catalogue into the 8-bit 4:2:0 pictures the devices play, in the profiles
// they decode; only DV for NTSC keeps its own 4:1:1.
#include <gtest/gtest.h>

#include "base/MainThread.h"
#include "probe/TMediaProbe.h"
#include "core/BatchRun.h"

#include "FormatJob.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

struct TPixelCase {
  std::string Clip;
  int Format;
};

// One format per encoder, and the H.264 ones of each device family.
constexpr int kFormats[] = {
    10001,  // iPod Video H.264: Baseline
    10203,  // Apple H.264 (320 x 240)
    2102,   // HD H.264/MPEG-4 AVC Video
    10403,  // PSP H.264/AVC Video: Main
    2602,   // MPEG-4
    2607,   // Xvid
    1400,   // H.263 in 3GP
    2600,   // MPEG-1
    2201,   // DVD PAL: MPEG-2
    2605,   // WMV
    1900,   // Flash
    2609,   // DV PAL
    2608,   // DV NTSC
};

void PrintTo(const TPixelCase& c, std::ostream* os) {
  *os << c.Clip << " into format " << c.Format;
}

std::vector<TPixelCase> Cases() {
  std::vector<TPixelCase> cases;
  for (const char* clip : {"h264_444", "h264_422", "h264_10bit"})
    for (int format : kFormats) cases.push_back({clip, format});
  return cases;
}

class PixelFormat : public ::testing::TestWithParam<TPixelCase> {
 protected:
  static void SetUpTestSuite() {
    LoadMediaLibraries();
    TMainThread::SetMainThread();
  }
};

TEST_P(PixelFormat, ComesOutAsEightBitFourTwoZero) {
  const std::string source = EnsureClip(GetParam().Clip);
  const test::TScratchFolder scratch("pixels");
  TJobReport report;
  ASSERT_NO_FATAL_FAILURE(
      test::ConvertIntoFolder(scratch.Folder(), GetParam().Format, source, report));

  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(report.Output)) << probe.LastErrMsg();
  const AVStream* video = test::FirstVideoStream(probe);
  ASSERT_NE(video, nullptr);
  const AVCodecParameters& p = *video->codecpar;
  const AVPixelFormat format = static_cast<AVPixelFormat>(p.format);
  const char* name = api().av_get_pix_fmt_name(format);
  const std::string shown = std::string(name ? name : "none") + ", " +
                            api().avcodec_get_name(p.codec_id) + " profile " +
                            std::to_string(p.profile);
  if (GetParam().Format == 2608) {
    EXPECT_EQ(format, AV_PIX_FMT_YUV411P) << shown;
  } else {
    EXPECT_TRUE(format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P) << shown;
  }
  if (p.codec_id == AV_CODEC_ID_H264) {
    const int profile = p.profile & ~FF_PROFILE_H264_CONSTRAINED;
    EXPECT_TRUE(profile == FF_PROFILE_H264_BASELINE || profile == FF_PROFILE_H264_MAIN ||
                profile == FF_PROFILE_H264_HIGH)
        << shown;
    if (GetParam().Format == 10001) {
      EXPECT_EQ(profile, FF_PROFILE_H264_BASELINE) << shown;
    }
  }
  if (p.codec_id == AV_CODEC_ID_MPEG2VIDEO) {
    EXPECT_EQ(p.profile, FF_PROFILE_MPEG2_MAIN) << shown;
  }
  probe.CloseFile();
}

INSTANTIATE_TEST_SUITE_P(Sources, PixelFormat, ::testing::ValuesIn(Cases()), [](const auto& info) {
  return info.param.Clip + "_" + std::to_string(info.param.Format);
});

}  // namespace
}  // namespace qarvo
