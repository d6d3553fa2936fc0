#include <gtest/gtest.h>

#include <QImage>
#include <array>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "core/FrameEffects.h"
#include "editing/TConversionFrameHook.h"
#include "editing/TFrameProcessor.h"
#include "editing/TPainterTextDrawer.h"
#include "editing/TWatermarkPictureLoader.h"

#include "support/QtApplication.h"
#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

using test::TScratchFolder;
using TPixel = std::array<int, 3>;  // B, G, R

void Fill(TBitmap& bitmap, TPixel pixel) {
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      for (int c = 0; c < 3; ++c) bitmap.ScanLine(y)[3 * x + c] = static_cast<uint8_t>(pixel[c]);
}

TPixel PixelAt(const TBitmap& bitmap, int x, int y) {
  const uint8_t* p = bitmap.ScanLine(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

// How many pixels of the rectangle have exactly this colour.
int Count(const TBitmap& bitmap, int left, int top, int right, int bottom, TPixel pixel) {
  int count = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) count += PixelAt(bitmap, x, y) == pixel;
  return count;
}

std::vector<uint8_t> Bytes(const TBitmap& bitmap) {
  return {bitmap.Bits(), bitmap.Bits() + bitmap.SizeInBytes()};
}

QImage Solid(int width, int height, QColor colour, QImage::Format format = QImage::Format_RGB32) {
  QImage image(width, height, format);
  image.fill(colour);
  return image;
}

void Save(const QImage& image, const std::string& path) {
  ASSERT_TRUE(image.save(QString::fromStdString(path))) << path;
}

// Moves a file's modification time on, as a later save would.
void Touch(const std::string& path) {
  std::filesystem::last_write_time(
      path, std::filesystem::last_write_time(path) + std::chrono::seconds(2));
}

TEST(FrameProcessingTest, TheTwoFlagsDecideWhetherTheEffectsChangeTextAndPicture) {
  test::QtApplication();
  TScratchFolder folder("effects");
  const std::string green = folder.File("green.png");
  Save(Solid(40, 30, QColor(0, 255, 0)), green);

  TlvFilesRecord record;
  record.Brightness = 128;  // with saturation 255: grey 128 -> 64, 255 -> 128, 254 -> 127
  record.WaterText = "MMMM";
  record.WaterFont.Size = 28;
  record.WaterFont.Bold = true;
  record.WaterFont.Color = 0xFF0000;
  record.TextX = 4;
  record.TextY = 4;
  record.WaterImage = green;
  record.ImageX = 110;
  record.ImageY = 80;
  record.ImageAlpha = 255;
  const TPixel red{0, 0, 255}, darkRed{0, 0, 128};
  struct TCase {
    bool ProcessText, ProcessImage;
    TPixel Picture;
  };
  // Green blended at 255 over the frame: 254 (over 64 or 128 alike), darkened afterwards to 127.
  for (const TCase& c : std::vector<TCase>{{false, false, {0, 254, 0}},
                                           {true, false, {0, 254, 0}},
                                           {false, true, {0, 127, 0}},
                                           {true, true, {0, 127, 0}}}) {
    record.ProcessText = c.ProcessText;
    record.ProcessImage = c.ProcessImage;
    TBitmap frame(160, 120);
    Fill(frame, {128, 128, 128});
    TFrameProcessor processor;
    std::string error;
    ASSERT_TRUE(processor.Process(frame, record, error)) << error;
    const auto flags = ::testing::Message()
                       << "ProcessText " << c.ProcessText << ", ProcessImage " << c.ProcessImage;
    // The text: in its own colour only when the effects came first.
    EXPECT_GT(Count(frame, 0, 0, 160, 70, c.ProcessText ? darkRed : red), 50) << flags;
    EXPECT_EQ(Count(frame, 0, 0, 160, 70, c.ProcessText ? red : darkRed), 0) << flags;
    // The picture, cut at the frame's corner, and the frame around both.
    EXPECT_EQ(Count(frame, 110, 80, 150, 110, c.Picture), 40 * 30) << flags;
    EXPECT_EQ(Count(frame, 0, 70, 110, 120, {64, 64, 64}), 110 * 50) << flags;
    EXPECT_EQ(Count(frame, 150, 70, 160, 120, {64, 64, 64}), 10 * 50) << flags;
  }

  // Neither text nor picture nor effects: nothing drawn at all.
  TlvFilesRecord nothing;
  nothing.ProcessText = nothing.ProcessImage = true;
  TBitmap frame(160, 120);
  Fill(frame, {10, 200, 30});
  const std::vector<uint8_t> before = Bytes(frame);
  TFrameProcessor processor;
  std::string error;
  ASSERT_TRUE(processor.Process(frame, nothing, error));
  EXPECT_EQ(Bytes(frame), before);
}

// The drawer keeps a run's laid-out text and its image of the bitmap between pictures: a new
// text, font or bitmap must draw exactly what a fresh drawer draws, decorations included.
TEST(FrameProcessingTest, TextDrawerKeepsNothingStaleBetweenPictures) {
  test::QtApplication();
  TWaterFont plain;
  plain.Size = 20;
  plain.Color = 0xFFFFFF;
  TWaterFont larger = plain;
  larger.Size = 28;
  TWaterFont underlined = larger;
  underlined.Underline = true;
  TWaterFont decorated = underlined;
  decorated.StrikeOut = true;
  const auto draw = [](TPainterTextDrawer& drawer, TBitmap& frame, const std::string& text,
                       const TWaterFont& font) {
    Fill(frame, {0, 0, 0});
    drawer.DrawText(frame, text, font, 5, 5);
    return Bytes(frame);
  };
  TPainterTextDrawer kept;
  TBitmap frame(200, 60), other(200, 60);
  draw(kept, frame, "Wide", plain);
  struct TStep {
    std::string Text;
    TWaterFont Font;
    TBitmap* Frame;
  };
  for (const TStep& step : {TStep{"iiii", plain, &frame}, TStep{"iiii", larger, &frame},
                            TStep{"iiii", underlined, &frame}, TStep{"iiii", decorated, &frame},
                            TStep{"iiii", decorated, &other}}) {
    TPainterTextDrawer fresh;
    TBitmap expected(200, 60);
    EXPECT_EQ(draw(kept, *step.Frame, step.Text, step.Font),
              draw(fresh, expected, step.Text, step.Font))
        << step.Font.Size << (step.Font.Underline ? " underlined" : "")
        << (step.Font.StrikeOut ? " struck out" : "")
        << (step.Frame == &other ? " on another bitmap" : "");
  }
  // The underline and the strike-out line run under the gaps between the letters too.
  TPainterTextDrawer fresh;
  Fill(frame, {0, 0, 0});
  fresh.DrawText(frame, "i i", plain, 5, 5);
  const int plainPixels = 200 * 60 - Count(frame, 0, 0, 200, 60, {0, 0, 0});
  Fill(frame, {0, 0, 0});
  fresh.DrawText(frame, "i i", decorated, 5, 5);
  const int decoratedPixels = 200 * 60 - Count(frame, 0, 0, 200, 60, {0, 0, 0});
  EXPECT_GT(decoratedPixels, plainPixels + 20);
}

TEST(FrameProcessingTest, WatermarkPicturesOfEachFormatAreReadOnceAndFailOncePerTask) {
  test::QtApplication();
  TScratchFolder folder("watermarks");
  const QColor orange(255, 128, 0);  // B, G, R = 0, 128, 255
  // Left half clear, right half opaque.
  QImage halfClear = Solid(10, 4, orange, QImage::Format_ARGB32);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) halfClear.setPixelColor(x, y, QColor(255, 128, 0, 0));
  Save(halfClear, folder.File("half.png"));
  for (const char* name : {"w.bmp", "w.png", "w.jpg"})
    Save(Solid(10, 4, orange), folder.File(name));

  TWatermarkPictureLoader loader;
  std::string error;
  for (const char* name : {"w.bmp", "w.png", "w.jpg"}) {
    const TWatermarkPicture* picture = loader.Picture(folder.File(name), error);
    ASSERT_NE(picture, nullptr) << name << ": " << error;
    EXPECT_EQ(picture->Picture.Width(), 10);
    EXPECT_EQ(picture->Picture.Height(), 4);
    EXPECT_TRUE(picture->Alpha.empty()) << name;
    const TPixel pixel = PixelAt(picture->Picture, 7, 2);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(pixel[c], (TPixel{0, 128, 255})[c], 6) << name;
  }

  // A picture's own transparency: clear pixels keep the frame in both styles.
  const TWatermarkPicture* half = loader.Picture(folder.File("half.png"), error);
  ASSERT_NE(half, nullptr) << error;
  for (int style : {1, 2}) {
    TBitmap frame(10, 4);
    Fill(frame, {200, 100, 50});
    BlendPicture(frame, *half, 0, style, 200, 0);
    EXPECT_EQ(PixelAt(frame, 2, 1), (TPixel{200, 100, 50})) << style;
    EXPECT_EQ(PixelAt(frame, 7, 1), (style == 1 ? TPixel{43, 121, 210} : TPixel{0, 50, 50}))
        << style;
  }

  // Read once; read again only after the file changed.
  const std::string path = folder.File("w.png");
  const TWatermarkPicture* first = loader.Picture(path, error);
  EXPECT_EQ(loader.Picture(path, error), first);
  Save(Solid(6, 2, orange), path);
  Touch(path);
  const TWatermarkPicture* changed = loader.Picture(path, error);
  ASSERT_NE(changed, nullptr);
  EXPECT_EQ(changed->Picture.Width(), 6);

  // What cannot be read fails with its path; the frame stays as it was.
  const std::string broken = folder.File("broken.png");
  test::WriteText(broken, "not a picture");
  for (const std::string& bad : {broken, folder.File("missing.png"), folder.Folder()}) {
    error.clear();
    EXPECT_EQ(loader.Picture(bad, error), nullptr) << bad;
    EXPECT_NE(error.find(bad), std::string::npos) << error;
  }

  // The conversion's hook reports an unreadable picture once per task, then leaves the
  // frames unchanged quietly; a new run reports again.
  TConversionFrameHook hook;
  TlvFilesRecord record;
  record.Brightness = 300;
  record.WaterImage = broken;
  TBitmap frame(16, 8);
  Fill(frame, {1, 2, 3});
  const std::vector<uint8_t> before = Bytes(frame);
  const auto outcome = [&](int task) {
    try {
      return hook.ProcessPicture(task, frame, record) ? "processed" : "unchanged";
    } catch (const std::runtime_error& e) {
      return std::string(e.what()).find(broken) != std::string::npos ? "reported" : "bad message";
    }
  };
  hook.RunStarting();
  EXPECT_STREQ(outcome(0), "reported");
  EXPECT_STREQ(outcome(0), "unchanged");
  EXPECT_STREQ(outcome(1), "reported");
  EXPECT_STREQ(outcome(0), "unchanged");
  EXPECT_EQ(Bytes(frame), before);
  hook.RunStarting();
  EXPECT_STREQ(outcome(0), "reported");
  // Once the file is a picture again the frames are processed.
  Save(Solid(4, 4, orange), broken);
  Touch(broken);
  EXPECT_STREQ(outcome(0), "processed");
  EXPECT_NE(Bytes(frame), before);
}

}  // namespace
}  // namespace qarvo
