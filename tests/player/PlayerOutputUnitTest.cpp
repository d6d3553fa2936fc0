// The output arithmetic on its own: the aspect-ratio rule, subtitle blending and the
// waveform's starting point.
#include <gtest/gtest.h>

#include <cmath>

#include "media/LibraryLoader.h"
#include "player/TSubtitleBlender.h"
#include "player/TVideoRefresh.h"
#include "player/TWaveformDisplay.h"

namespace qarvo {
namespace {

class PlayerOutputUnitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TLibraryLoader& loader = TLibraryLoader::Instance();
    ASSERT_TRUE(loader.Load(kPlayerLibraries)) << loader.LastError();
  }

  static TFramePtr Grey(int width, int height, uint8_t luma) {
    TFramePtr frame = MakeFrame();
    frame->width = width;
    frame->height = height;
    frame->format = AV_PIX_FMT_YUV420P;
    EXPECT_EQ(api().av_frame_get_buffer(frame.get(), 0), 0);
    for (int y = 0; y < height; ++y)
      std::fill_n(frame->data[0] + y * frame->linesize[0], width, luma);
    for (int p = 1; p < 3; ++p)
      for (int y = 0; y < height / 2; ++y)
        std::fill_n(frame->data[p] + y * frame->linesize[p], width / 2, 128);
    return frame;
  }
};

TEST_F(PlayerOutputUnitTest, FitRectLetterBoxesPillarBoxesAndCentres) {
  struct {
    int w, h;
    double aspect;
    TDisplayRect expected;
  } cases[] = {
      {640, 480, 4.0 / 3, {0, 0, 640, 480}},
      {400, 400, 4.0 / 3, {0, 50, 400, 300}},   // wider than the surface: full width
      {640, 360, 4.0 / 3, {80, 0, 480, 360}},   // narrower: full height
      {321, 241, 16.0 / 9, {0, 30, 321, 180}},  // odd surface: even picture, centred
      {100, 100, 0.0, {0, 0, 100, 100}},        // unusable aspect taken as square
  };
  for (const auto& c : cases) {
    const TDisplayRect r = TVideoRefresh::FitRect(c.w, c.h, c.aspect);
    EXPECT_EQ(r.Left, c.expected.Left) << c.w << "x" << c.h;
    EXPECT_EQ(r.Top, c.expected.Top) << c.w << "x" << c.h;
    EXPECT_EQ(r.Width & ~1, c.expected.Width & ~1) << c.w << "x" << c.h;
    EXPECT_EQ(r.Height, c.expected.Height) << c.w << "x" << c.h;
  }
}

TEST_F(PlayerOutputUnitTest, StudioRangeColoursOfThePalette) {
  const TYuvaColour white = TSubtitleBlender::FromArgb(0xFFFFFFFF);
  EXPECT_EQ(white.Y, 235);
  EXPECT_EQ(white.U, 128);
  EXPECT_EQ(white.V, 128);
  EXPECT_EQ(white.A, 255);
  const TYuvaColour black = TSubtitleBlender::FromArgb(0x80000000);
  EXPECT_EQ(black.Y, 16);
  EXPECT_EQ(black.A, 128);
  const TYuvaColour red = TSubtitleBlender::FromArgb(0xFFFF0000);
  EXPECT_EQ(red.Y, 82);
  EXPECT_EQ(red.V, 240);
  EXPECT_EQ(red.U, 90);
}

TEST_F(PlayerOutputUnitTest, BlendsBitmapByAlphaWithChromaAtHalfResolution) {
  TFramePtr picture = Grey(16, 16, 100);
  // A 3x2 rectangle at (5, 4): opaque red on the left column, half-transparent white elsewhere.
  uint8_t indices[6] = {1, 2, 2, 1, 2, 2};
  uint32_t palette[3] = {0x00000000, 0xFFFF0000, 0x80FFFFFF};
  AVSubtitleRect rect{};
  rect.x = 5;
  rect.y = 4;
  rect.w = 3;
  rect.h = 2;
  rect.nb_colors = 3;
  rect.type = SUBTITLE_BITMAP;
  rect.data[0] = indices;
  rect.linesize[0] = 3;
  rect.data[1] = reinterpret_cast<uint8_t*>(palette);
  TSubtitleBlender::BlendRect(*picture, rect);

  auto luma = [&](int x, int y) { return picture->data[0][y * picture->linesize[0] + x]; };
  EXPECT_EQ(luma(5, 4), 82);                                   // opaque: the colour itself
  EXPECT_EQ(luma(6, 4), (100 * 127 + 235 * 128 + 127) / 255);  // half way to white
  EXPECT_EQ(luma(4, 4), 100);                                  // outside: untouched
  EXPECT_EQ(luma(5, 6), 100);
  // Chroma pixel (2, 2) covers luma (4..5, 4..5): two red pixels of four, alpha 255 each.
  const uint8_t v = picture->data[2][2 * picture->linesize[2] + 2];
  EXPECT_EQ(v, (128 * (255 - 127) + 240 * 127 + 127) / 255);
  // Chroma pixel (4, 2) lies outside the rectangle.
  EXPECT_EQ(picture->data[1][2 * picture->linesize[1] + 4], 128);
}

TEST_F(PlayerOutputUnitTest, BlendingClipsRectanglesReachingOutOfThePicture) {
  TFramePtr picture = Grey(8, 8, 50);
  std::vector<uint8_t> indices(20 * 20, 1);
  uint32_t palette[2] = {0, 0xFFFFFFFF};
  AVSubtitleRect rect{};
  rect.x = -6;
  rect.y = 4;
  rect.w = 20;
  rect.h = 20;
  rect.nb_colors = 2;
  rect.type = SUBTITLE_BITMAP;
  rect.data[0] = indices.data();
  rect.linesize[0] = 20;
  rect.data[1] = reinterpret_cast<uint8_t*>(palette);
  TSubtitleBlender::BlendRect(*picture, rect);
  EXPECT_EQ(picture->data[0][7 * picture->linesize[0] + 7], 235);
  EXPECT_EQ(picture->data[0][3 * picture->linesize[0] + 7], 50);
}

TEST_F(PlayerOutputUnitTest, WaveformStartsAtASteepZeroCrossing) {
  // A falling crossing between frames 104 and 105 is steeper than the rising one at 54.
  std::vector<int16_t> samples(400 * 2, 0);
  for (int i = 0; i < 400; ++i) {
    const double phase = 2 * M_PI * (i - 55) / 100.0;
    const int value = static_cast<int>(8000 * std::sin(phase) * (i < 100 ? 0.2 : 1.0));
    samples[2 * i] = samples[2 * i + 1] = static_cast<int16_t>(value);
  }
  const int start = TWaveformDisplay::AlignedStart(samples, 2, 300);
  // Samples 4 and 5 frames later straddle zero going down, steepest at full amplitude.
  EXPECT_TRUE(samples[2 * (start + 4)] > 0 && samples[2 * (start + 5)] <= 0) << start;
  EXPECT_GE(start, 100);

  TWaveformDisplay display;
  const AVFrame* picture = display.Render(samples, 2, 64, 40);
  ASSERT_NE(picture, nullptr);
  // The white separator between the two channel bands.
  for (int x = 0; x < 64; ++x) EXPECT_EQ(picture->data[0][20 * picture->linesize[0] + x], 235);
  EXPECT_EQ(display.Render(samples, 2, 1, 1), nullptr);
}

}  // namespace
}  // namespace qarvo
