// Sources whose pixels are not square or whose pictures are stored turned come out with the
// shape and the orientation a viewer of the source sees, measured in decoded pixels.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/MainThread.h"
#include "media/LibraryApi.h"
#include "probe/TMediaProbe.h"

#include "FormatJob.h"
#include "support/DecodedClip.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

// Catalogue formats with letter box by default: 3GP H.263 176x144, MP4 MPEG-4 320x240 and
// MP4 H.264 320x240.
struct TTarget {
  int Code, Width, Height;
};
constexpr TTarget k3gpH263{200, 176, 144};
constexpr TTarget kMp4Mpeg4{204, 320, 240};
constexpr TTarget kMp4H264{10203, 320, 240};

struct TShapeCase {
  const char* Name;
  const char* Container;  // "mp4" or "matroska"
  AVRational SampleAspect;
  int Rotation;
  TTarget Target;
  double ShownAspect;  // width / height a viewer of the source sees
};

TClipSpec ShapeClip(const TShapeCase& c) {
  TClipSpec spec;
  spec.Container = c.Container;
  spec.Extension = std::string(c.Container) == "mp4" ? "mp4" : "mkv";
  spec.AudioCodec = "aac";
  spec.Duration = 0.4;
  spec.SampleAspect = c.SampleAspect;
  spec.Rotation = c.Rotation;
  spec.CornerMarker = true;
  // A PAL picture for the pixel shapes, a phone's landscape picture for the turns.
  spec.Width = c.Rotation ? 320 : 720;
  spec.Height = c.Rotation ? 180 : 576;
  return spec;
}

class PictureShape : public ::testing::TestWithParam<TShapeCase> {
 protected:
  static void SetUpTestSuite() {
    LoadMediaLibraries();
    TMainThread::SetMainThread();
  }
};

TEST_P(PictureShape, KeepsTheShownShapeUpright) {
  const TShapeCase& c = GetParam();
  const TClipSpec spec = ShapeClip(c);
  const std::string source =
      EnsureClipFile(spec, std::string("shape_") + c.Name + "." + spec.Extension);
  if (c.Rotation) {
    // The probe names the turn the source needs.
    TMediaProbe probe;
    ASSERT_TRUE(probe.LoadFile(source)) << probe.LastErrMsg();
    EXPECT_NE(
        probe.FileInfoText().find(", display rotation " + std::to_string(c.Rotation) + " degrees"),
        std::string::npos)
        << probe.FileInfoText();
    probe.CloseFile();
  }
  const test::TScratchFolder scratch("shape");
  TJobReport report;
  ASSERT_NO_FATAL_FAILURE(test::ConvertIntoFolder(scratch.Folder(), c.Target.Code, source, report));

  const TDecodedClip out = DecodeClip(report.Output);
  const TDecodedStream* video = nullptr;
  for (const TDecodedStream& s : out.Streams)
    if (s.Type == AVMEDIA_TYPE_VIDEO && !video) video = &s;
  ASSERT_NE(video, nullptr);
  ASSERT_EQ(video->Width, c.Target.Width);
  ASSERT_EQ(video->Height, c.Target.Height);
  // Square pixels, and no turn left for a player to apply again.
  EXPECT_TRUE(video->SampleAspect.num == 0 || video->SampleAspect.num == video->SampleAspect.den)
      << video->SampleAspect.num << ":" << video->SampleAspect.den;
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(report.Output)) << probe.LastErrMsg();
  EXPECT_EQ(probe.FileInfoText().find("rotat"), std::string::npos) << probe.FileInfoText();
  probe.CloseFile();

  // The picture keeps the shown shape inside equal bars.
  const TPictureArea area = FindPictureArea(video->FirstPicture, video->Width, video->Height);
  const double frameAspect = static_cast<double>(c.Target.Width) / c.Target.Height;
  const int wantWidth = c.ShownAspect >= frameAspect
                            ? c.Target.Width
                            : static_cast<int>(c.Target.Height * c.ShownAspect);
  const int wantHeight = c.ShownAspect >= frameAspect
                             ? static_cast<int>(c.Target.Width / c.ShownAspect)
                             : c.Target.Height;
  EXPECT_NEAR(area.Width, wantWidth, 4) << "picture " << area.Width << "x" << area.Height;
  EXPECT_NEAR(area.Height, wantHeight, 4) << "picture " << area.Width << "x" << area.Height;
  EXPECT_LE(std::abs(2 * area.Left + area.Width - c.Target.Width), 2) << "left bar " << area.Left;
  EXPECT_LE(std::abs(2 * area.Top + area.Height - c.Target.Height), 2) << "top bar " << area.Top;
  // The marker sits in the stored bottom-right corner; each clockwise quarter turn moves it on
  // by one corner.
  EXPECT_EQ(FindCornerMarker(video->FirstPicture, video->Width, video->Height, area),
            (2 + c.Rotation / 90) % 4);
}

std::string ShapeName(const ::testing::TestParamInfo<TShapeCase>& info) { return info.param.Name; }

INSTANTIATE_TEST_SUITE_P(
    Sources, PictureShape,
    ::testing::Values(TShapeCase{"wide_mp4_3gp", "mp4", {64, 45}, 0, k3gpH263, 16.0 / 9},
                      TShapeCase{"wide_mp4_mpeg4", "mp4", {64, 45}, 0, kMp4Mpeg4, 16.0 / 9},
                      TShapeCase{"wide_mp4_h264", "mp4", {64, 45}, 0, kMp4H264, 16.0 / 9},
                      TShapeCase{"wide_mkv_mpeg4", "matroska", {64, 45}, 0, kMp4Mpeg4, 16.0 / 9},
                      TShapeCase{"wide_mkv_h264", "matroska", {64, 45}, 0, kMp4H264, 16.0 / 9},
                      TShapeCase{"narrow_mp4_mpeg4", "mp4", {16, 15}, 0, kMp4Mpeg4, 4.0 / 3},
                      TShapeCase{"narrow_mkv_3gp", "matroska", {16, 15}, 0, k3gpH263, 4.0 / 3},
                      TShapeCase{"turn90_3gp", "mp4", {1, 1}, 90, k3gpH263, 9.0 / 16},
                      TShapeCase{"turn90_mpeg4", "mp4", {1, 1}, 90, kMp4Mpeg4, 9.0 / 16},
                      TShapeCase{"turn90_h264", "mp4", {1, 1}, 90, kMp4H264, 9.0 / 16},
                      TShapeCase{"turn180_mpeg4", "mp4", {1, 1}, 180, kMp4Mpeg4, 16.0 / 9},
                      TShapeCase{"turn270_h264", "mp4", {1, 1}, 270, kMp4H264, 9.0 / 16}),
    ShapeName);

}  // namespace
}  // namespace qarvo
