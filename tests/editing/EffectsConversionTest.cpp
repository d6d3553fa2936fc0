// A job with effects and both watermarks converted through the run and its hook, and the
// pictures that come out.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <algorithm>
#include <filesystem>

#include "base/MainThread.h"
#include "editing/TConversionFrameHook.h"

#include "HookedRun.h"
#include "support/DecodedClip.h"
#include "support/QtApplication.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

using test::RunThroughHook;
using test::TRecordedMessages;
using test::TScratchFolder;
using test::WriteRunFiles;

struct TRect {
  int Left, Top, Right, Bottom;
};

// Mean of a plane over a rectangle given in luma pixels (chroma planes at half size).
double Mean(const std::vector<uint8_t>& yuv, int width, int height, int plane, TRect r) {
  const int shift = plane == 0 ? 0 : 1;
  const int w = width >> shift;
  const size_t luma = static_cast<size_t>(width) * height;
  const size_t offset =
      plane == 0 ? 0 : luma + (plane - 1) * static_cast<size_t>(w) * (height >> 1);
  double sum = 0;
  int count = 0;
  for (int y = r.Top >> shift; y < r.Bottom >> shift; ++y)
    for (int x = r.Left >> shift; x < r.Right >> shift; ++x, ++count)
      sum += yuv[offset + y * w + x];
  return sum / count;
}

int BrightLuma(const std::vector<uint8_t>& yuv, int width, TRect r) {
  int count = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) count += yuv[y * width + x] > 200;
  return count;
}

TEST(EffectsConversionTest, BrightnessTextAndPictureReachTheConvertedPictures) {
  test::TQtHandOver handOver;
  LoadMediaLibraries();
  TScratchFolder folder("effects-run");
  TGlobalObject global;
  WriteRunFiles(global, folder, 3,
                "Format=avi\nFileExt=avi\nVideoSize=320x240\nVideoBitRate=4000\n"
                "FrameRate=as source\nVideoEncoder=MPEG-4\nAudioBitRate=64\nSampleRate=22050\n"
                "AudioEncoder=MP3\nChannel=mono 1 channel\nVolume=100%\n");
  TClipSpec spec = StandardClip("short3s");  // 320x240
  spec.Duration = 1.0;
  const std::string clip = EnsureClipFile(spec, "effects-1s.avi");
  const std::string blue = folder.File("blue.png");
  QImage picture(64, 48, QImage::Format_RGB32);
  picture.fill(QColor(0, 0, 255));
  ASSERT_TRUE(picture.save(QString::fromStdString(blue)));

  // The same clip twice: with halved brightness, white text and an opaque blue picture, and
  // untouched as the reference.
  std::vector<TJobRow> rows{{clip, true, NewJobRecord(clip, "", 0, "lbox"), {}, {}},
                            {clip, true, NewJobRecord(clip, "", 0, "lbox"), {}, {}}};
  TlvFilesRecord& record = rows[0].Record;
  record.Brightness = 128;
  record.WaterText = "MMM";
  record.WaterFont.Size = 28;
  record.WaterFont.Bold = true;
  record.WaterFont.Color = 0xFFFFFF;
  record.TextX = 20;
  record.TextY = 170;
  record.WaterImage = blue;
  record.ImageX = 224;
  record.ImageY = 160;
  record.ImageAlpha = 255;

  TConversionFrameHook hook;
  TRecordedMessages messages;
  ASSERT_TRUE(RunThroughHook(global, hook, rows, messages));
  ASSERT_EQ(rows[0].Progress, "100%") << rows[0].ProgressTip;
  ASSERT_EQ(rows[1].Progress, "100%") << rows[1].ProgressTip;
  EXPECT_TRUE(messages.warnings.empty());

  const TDecodedClip effects = DecodeClip(folder.File("out/effects-1s_(new).avi"));
  const TDecodedClip plain = DecodeClip(folder.File("out/effects-1s_(new_1).avi"));
  ASSERT_FALSE(effects.Streams.empty());
  ASSERT_FALSE(plain.Streams.empty());
  const TDecodedStream& fx = effects.Streams[0];
  const TDecodedStream& ref = plain.Streams[0];
  ASSERT_EQ(fx.Width, 320);
  ASSERT_EQ(fx.Height, 240);
  ASSERT_EQ(ref.FirstPicture.size(), fx.FirstPicture.size());
  const auto mean = [](const TDecodedStream& s, int plane, TRect r) {
    return Mean(s.FirstPicture, s.Width, s.Height, plane, r);
  };

  // Outside both watermarks every level is halved: luma above black halves.
  for (const TRect r : {TRect{0, 0, 320, 160}, TRect{160, 160, 216, 240}}) {
    const double expected = 16 + (mean(ref, 0, r) - 16) / 2;
    EXPECT_NEAR(mean(fx, 0, r), expected, 4) << r.Left << "," << r.Top;
  }
  // Inside the picture, inset from its edges: full blue (luma 41, blue-difference 240).
  const TRect inside{228, 164, 284, 204};
  EXPECT_NEAR(mean(fx, 0, inside), 41, 6);
  EXPECT_GT(mean(fx, 1, inside), 225);
  EXPECT_LT(mean(ref, 1, inside), 200);
  // The white text in its own colour over the darkened frame; nothing that bright beside it.
  EXPECT_GT(BrightLuma(fx.FirstPicture, fx.Width, {20, 170, 120, 215}), 150);
  EXPECT_EQ(BrightLuma(fx.FirstPicture, fx.Width, {130, 170, 216, 240}), 0);
}

}  // namespace
}  // namespace qarvo
