// The crop dialog's frame through the job's record and a conversion run as the application
// starts it, to the converted pictures: the output shows the region of the upright source the
// frame showed, and the job's watermarks stand upright where they were put.
#include <gtest/gtest.h>

#include <QImage>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <cmath>
#include <filesystem>

#include "editing/TConversionFrameHook.h"
#include "editing/TRectTracker.h"
#include "editing/TfrmCrop.h"

#include "DialogTestSupport.h"
#include "HookedRun.h"
#include "support/DecodedClip.h"
#include "support/TestMedia.h"
#include "support/TestPicture.h"

namespace qarvo {
namespace {

using test::Find;
using test::RunThroughHook;
using test::TRecordedMessages;
using test::TScratchFolder;
using test::WriteRunFiles;

struct TCropCase {
  const char* Name;
  const char* Container;  // "mov", "mp4" or "avi"
  int Width, Height;      // stored
  AVRational SampleAspect;
  int Rotation;          // clockwise display turn
  TCropMargins Entered;  // typed into the dialog's boxes
};

// A rectangle in pixels of some picture, as fractions.
struct TArea {
  double Left, Top, Width, Height;
  bool Contains(double x, double y, double margin) const {
    return x >= Left - margin && x < Left + Width + margin && y >= Top - margin &&
           y < Top + Height + margin;
  }
};

TClipSpec PatternClip(const TCropCase& c) {
  TClipSpec spec;
  spec.Container = c.Container;
  spec.Extension = c.Container;
  spec.AudioCodec.clear();
  spec.Duration = 0.6;
  spec.Width = c.Width;
  spec.Height = c.Height;
  spec.SampleAspect = c.SampleAspect;
  spec.Rotation = c.Rotation;
  spec.PositionPattern = true;
  return spec;
}

// The point of the upright source shown by a stored pixel position (continuous coordinates).
TPatternPoint Upright(TPatternPoint s, const TCropCase& c) {
  switch (c.Rotation) {
    case 90:
      return {c.Height - s.Y, s.X};
    case 180:
      return {c.Width - s.X, c.Height - s.Y};
    case 270:
      return {s.Y, c.Width - s.X};
    default:
      return s;
  }
}

// The frame's margins typed into the boxes, then Ok: what the application's Edit > Crop does.
void CropInDialog(TlvFilesRecord& record, const TCropCase& c, TTrackRect& picture) {
  TfrmCrop dialog(test::LibraryFolder());
  dialog.show();
  dialog.Prepare(&record);
  picture = dialog.Picture();
  Find<QSpinBox>(dialog, "spedUp")->setValue(c.Entered.Up);
  Find<QSpinBox>(dialog, "spedDown")->setValue(c.Entered.Down);
  Find<QSpinBox>(dialog, "spedLeft")->setValue(c.Entered.Left);
  Find<QSpinBox>(dialog, "spedRight")->setValue(c.Entered.Right);
  // The frame over the picture is what the user crops to.
  const QRect frame = dialog.Tracker().geometry();
  EXPECT_EQ(frame.x(), picture.Left + c.Entered.Left);
  EXPECT_EQ(frame.y(), picture.Top + c.Entered.Up);
  QTest::mouseClick(Find<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

std::string ConvertJob(const TlvFilesRecord& record, const TScratchFolder& folder) {
  TGlobalObject global;
  WriteRunFiles(global, folder, 200,
                "Format=3gp\nFileExt=3gp\nVideoSize=352x288\nVideoBitRate=1024\n"
                "FrameRate=15\nVideoEncoder=H263\nAudioBitRate=32\nSampleRate=22050\n"
                "AudioEncoder=AAC\nChannel=mono 1 channel\nVolume=100%\n");
  std::vector<TJobRow> rows{{record.SourceFile, true, record, {}, {}}};
  TConversionFrameHook hook;
  TRecordedMessages messages;
  EXPECT_TRUE(RunThroughHook(global, hook, rows, messages));
  EXPECT_EQ(rows[0].Progress, "100%") << rows[0].ProgressTip;
  EXPECT_TRUE(messages.warnings.empty());
  for (const auto& entry : std::filesystem::directory_iterator(folder.File("out")))
    return entry.path().string();
  return {};
}

// Means of the three planes over a square of chroma samples around a picture pixel.
struct TColour {
  double Y, U, V;
};
TColour ColourAt(const TDecodedStream& s, int x, int y, int radius) {
  const std::vector<uint8_t>& p = s.FirstPicture;
  const int cw = s.Width / 2, ch = s.Height / 2;
  const size_t luma = static_cast<size_t>(s.Width) * s.Height;
  TColour sum{0, 0, 0};
  int n = 0;
  for (int cy = y / 2 - radius; cy <= y / 2 + radius; ++cy)
    for (int cx = x / 2 - radius; cx <= x / 2 + radius; ++cx) {
      if (cx < 0 || cy < 0 || cx >= cw || cy >= ch) continue;
      sum.Y += p[static_cast<size_t>(2 * cy) * s.Width + 2 * cx];
      sum.U += p[luma + static_cast<size_t>(cy) * cw + cx];
      sum.V += p[luma + luma / 4 + static_cast<size_t>(cy) * cw + cx];
      ++n;
    }
  return {sum.Y / n, sum.U / n, sum.V / n};
}

int BrightPixels(const TDecodedStream& s, const TArea& a) {
  int count = 0;
  for (int y = std::max(0, static_cast<int>(a.Top)); y < std::min<int>(s.Height, a.Top + a.Height);
       ++y)
    for (int x = std::max(0, static_cast<int>(a.Left));
         x < std::min<int>(s.Width, a.Left + a.Width); ++x)
      count += s.FirstPicture[static_cast<size_t>(y) * s.Width + x] > 200;
  return count;
}

class CropConversion : public ::testing::TestWithParam<TCropCase> {};

TEST_P(CropConversion, OutputShowsTheFramedRegionUprightWithItsWatermarks) {
  const TCropCase& c = GetParam();
  test::TQtHandOver handOver;
  const bool sideways = c.Rotation == 90 || c.Rotation == 270;
  const int uprightWidth = sideways ? c.Height : c.Width;
  const int uprightHeight = sideways ? c.Width : c.Height;
  const std::string clip =
      EnsureClipFile(PatternClip(c), std::string("crop_") + c.Name + "." + c.Container);
  TScratchFolder folder(std::string("crop-run-") + c.Name);
  const std::string mark = folder.File("mark.png");
  // Red on the left, blue on the right: a turned picture would show it.
  QImage halves(48, 24, QImage::Format_RGB32);
  halves.fill(QColor(255, 0, 0));
  for (int y = 0; y < 24; ++y)
    for (int x = 24; x < 48; ++x) halves.setPixel(x, y, qRgb(0, 0, 255));
  ASSERT_TRUE(halves.save(QString::fromStdString(mark)));

  TlvFilesRecord record = NewJobRecord(clip, "", 600000, "lbox");
  TTrackRect picture;
  CropInDialog(record, c, picture);
  // The dialog shows the source upright, at its own shape.
  ASSERT_GT(picture.Width, 0);
  EXPECT_EQ(picture.Width > picture.Height, uprightWidth > uprightHeight);

  // The region the frame showed, in upright source pixels.
  const double sx = static_cast<double>(uprightWidth) / picture.Width;
  const double sy = static_cast<double>(uprightHeight) / picture.Height;
  const TArea region{c.Entered.Left * sx, c.Entered.Up * sy,
                     uprightWidth - (c.Entered.Left + c.Entered.Right) * sx,
                     uprightHeight - (c.Entered.Up + c.Entered.Down) * sy};
  // A text and a picture inside it, where the effects dialog would have put them.
  record.WaterText = "MMM";
  record.WaterFont.Size = 14;
  record.WaterFont.Bold = true;
  record.WaterFont.Color = 0xFFFFFF;
  record.TextX = static_cast<int>(region.Left + region.Width * 0.08);
  record.TextY = static_cast<int>(region.Top + region.Height * 0.08);
  record.WaterImage = mark;
  record.ImageAlpha = 255;
  record.ImageX = static_cast<int>(region.Left + region.Width * 0.55);
  record.ImageY = static_cast<int>(region.Top + region.Height * 0.6);

  const std::string output = ConvertJob(record, folder);
  ASSERT_FALSE(output.empty());
  const TDecodedClip out = DecodeClip(output);
  ASSERT_FALSE(out.Streams.empty());
  const TDecodedStream& video = out.Streams[0];
  ASSERT_EQ(video.Width, 352);
  ASSERT_EQ(video.Height, 288);
  const TPictureArea shown = FindPictureArea(video.FirstPicture, video.Width, video.Height);
  ASSERT_GT(shown.Width, 100);
  ASSERT_GT(shown.Height, 50);
  // Upright source pixels to output pixels.
  const double kx = shown.Width / region.Width, ky = shown.Height / region.Height;
  const auto toOutput = [&](double x, double y, double w, double h) {
    return TArea{shown.Left + (x - region.Left) * kx, shown.Top + (y - region.Top) * ky, w * kx,
                 h * ky};
  };
  const TArea text = toOutput(record.TextX, record.TextY, 60, 24);
  const TArea image = toOutput(record.ImageX, record.ImageY, 48, 24);

  // Every output pixel shows the source point it stands for.
  int checked = 0;
  for (double fy : {0.04, 0.3, 0.5, 0.75, 0.96})
    for (double fx : {0.04, 0.3, 0.5, 0.75, 0.96}) {
      const double ox = shown.Left + fx * shown.Width, oy = shown.Top + fy * shown.Height;
      if (text.Contains(ox, oy, 24) || image.Contains(ox, oy, 8)) continue;
      const TColour colour = ColourAt(video, static_cast<int>(ox), static_cast<int>(oy), 1);
      const TPatternPoint seen =
          Upright(PatternPoint(static_cast<int>(std::lround(colour.U)),
                               static_cast<int>(std::lround(colour.V)), c.Width, c.Height),
                  c);
      const double wantX = region.Left + (ox + 0.5 - shown.Left) / kx;
      const double wantY = region.Top + (oy + 0.5 - shown.Top) / ky;
      EXPECT_NEAR(seen.X, wantX, 0.035 * uprightWidth + 2) << "output " << ox << "," << oy;
      EXPECT_NEAR(seen.Y, wantY, 0.035 * uprightHeight + 2) << "output " << ox << "," << oy;
      ++checked;
    }
  EXPECT_GT(checked, 15);

  // The white text where it was put, and nothing that bright elsewhere.
  EXPECT_GT(BrightPixels(video, {text.Left - 2, text.Top - 2, text.Width + 8, text.Height + 8}),
            15);
  EXPECT_EQ(BrightPixels(video, {0, text.Top + text.Height + 12, 352, 288}), 0);
  // The picture upright: red on its left, blue on its right.
  const TColour left = ColourAt(video, static_cast<int>(image.Left + image.Width * 0.25),
                                static_cast<int>(image.Top + image.Height / 2), 0);
  const TColour right = ColourAt(video, static_cast<int>(image.Left + image.Width * 0.75),
                                 static_cast<int>(image.Top + image.Height / 2), 0);
  EXPECT_GT(left.V, 200) << "red half " << left.U << "," << left.V;
  EXPECT_LT(left.U, 128) << "red half " << left.U << "," << left.V;
  EXPECT_GT(right.U, 200) << "blue half " << right.U << "," << right.V;
  EXPECT_LT(right.V, 150) << "blue half " << right.U << "," << right.V;
}

std::string CaseName(const ::testing::TestParamInfo<TCropCase>& info) { return info.param.Name; }

INSTANTIATE_TEST_SUITE_P(
    Sources, CropConversion,
    ::testing::Values(TCropCase{"mov_560x320", "mov", 560, 320, {1, 1}, 0, {20, 20, 40, 40}},
                      TCropCase{"avi_320x240", "avi", 320, 240, {1, 1}, 0, {30, 10, 60, 20}},
                      TCropCase{"wide_pal_mp4", "mp4", 720, 576, {64, 45}, 0, {40, 20, 16, 70}},
                      TCropCase{"turned90_top", "mp4", 320, 180, {1, 1}, 90, {60, 0, 0, 0}},
                      TCropCase{"turned270_mp4", "mp4", 320, 180, {1, 1}, 270, {12, 30, 20, 4}}),
    CaseName);

}  // namespace
}  // namespace qarvo
