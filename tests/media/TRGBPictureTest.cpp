// Pictures to bitmaps and back: the copy path, the scaler path with odd sizes, and the buffer
// and contexts kept between pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "media/LibraryObjects.h"
#include "media/TRGBPicture.h"

#include "support/TestMediaError.h"
#include "support/TestPicture.h"

namespace qarvo {
namespace {

class TRGBPictureTest : public testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }

  static TFramePtr Picture(AVPixelFormat format, int width, int height, int align) {
    TFramePtr frame = MakeFrame();
    frame->format = format;
    frame->width = width;
    frame->height = height;
    CheckAv(api().av_frame_get_buffer(frame.get(), align), "av_frame_get_buffer");
    return frame;
  }

  static TFramePtr TestPicture(int width, int height) {
    TFramePtr frame = Picture(AV_PIX_FMT_YUV420P, width, height, 32);
    DrawTestPicture(*frame, 7, 25.0);
    return frame;
  }

  static void FillBitmapRect(TBitmap& bitmap, int x0, int y0, int x1, int y1, uint8_t value) {
    for (int y = y0; y < y1; ++y) std::memset(bitmap.ScanLine(y) + x0 * 3, value, (x1 - x0) * 3);
  }
};

TEST_F(TRGBPictureTest, OddSizedPictureGoesThroughTheScalerAndChangesComeBack) {
  TFramePtr frame = TestPicture(175, 97);
  TFramePtr original(api().av_frame_clone(frame.get()));
  ASSERT_EQ(api().av_frame_make_writable(original.get()), 0);

  TRGBPicture rgb;
  ASSERT_TRUE(rgb.ToBitmap(*frame));
  EXPECT_TRUE(rgb.Converted());
  ASSERT_NE(rgb.Bitmap(), nullptr);
  EXPECT_EQ(rgb.Bitmap()->Width(), 175);
  EXPECT_EQ(rgb.Bitmap()->Height(), 97);
  // The frame number survives the trip to BGR: the bitmap shows the same picture.
  FillBitmapRect(*rgb.Bitmap(), 150, 70, 174, 96, 255);
  ASSERT_TRUE(rgb.FromBitmap(*frame));

  for (int y = 72; y < 94; ++y)
    for (int x = 152; x < 172; ++x) ASSERT_NEAR(frame->data[0][y * frame->linesize[0] + x], 235, 3);
  // Away from the painted block the round trip keeps the picture (clipped saturated colours
  // at sharp edges move a few pixels further).
  long total = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 140; ++x)
      total += std::abs(frame->data[0][y * frame->linesize[0] + x] -
                        original->data[0][y * original->linesize[0] + x]);
  EXPECT_LE(total / (60.0 * 140.0), 1.5);
  EXPECT_EQ(ReadFrameNumber(frame->data[0], frame->linesize[0], 175, 97), 7);
}

// Video-range white and BT.601 red in the picture's own range show as white and pure red in
// the bitmap, and pure red painted into the bitmap comes back as it: a swapped byte order, matrix
// or range would land far off.
TEST_F(TRGBPictureTest, WhiteAndRedCrossInThePicturesRange) {
  struct TCase {
    AVPixelFormat Format;
    int Y, U, V;
    int Level235;  // what luma 235 without colour shows as
  };
  for (const TCase& c : {TCase{AV_PIX_FMT_YUV420P, 81, 90, 240, 255},
                         TCase{AV_PIX_FMT_YUVJ420P, 76, 85, 255, 235}}) {
    SCOPED_TRACE(c.Format);
    TFramePtr frame = Picture(c.Format, 64, 48, 32);
    std::memset(frame->data[0], 235, static_cast<size_t>(frame->linesize[0]) * 48);
    for (int plane = 1; plane < 3; ++plane)
      std::memset(frame->data[plane], 128, static_cast<size_t>(frame->linesize[plane]) * 24);
    TRGBPicture rgb;
    ASSERT_TRUE(rgb.ToBitmap(*frame));
    for (int channel = 0; channel < 3; ++channel)
      EXPECT_NEAR(rgb.Bitmap()->ScanLine(5)[9 + channel], c.Level235, 2);
    const int values[3] = {c.Y, c.U, c.V};
    for (int plane = 0; plane < 3; ++plane)
      std::memset(frame->data[plane], values[plane],
                  static_cast<size_t>(frame->linesize[plane]) * (plane ? 24 : 48));
    ASSERT_TRUE(rgb.ToBitmap(*frame));
    const uint8_t* shown = rgb.Bitmap()->ScanLine(20) + 30 * 3;
    EXPECT_NEAR(shown[0], 0, 3);
    EXPECT_NEAR(shown[1], 0, 3);
    EXPECT_NEAR(shown[2], 255, 3);
    for (int plane = 0; plane < 3; ++plane)
      std::memset(frame->data[plane], 128,
                  static_cast<size_t>(frame->linesize[plane]) * (plane ? 24 : 48));
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) {
        uint8_t* pixel = rgb.Bitmap()->ScanLine(y) + x * 3;
        pixel[0] = pixel[1] = 0;
        pixel[2] = 255;
      }
    ASSERT_TRUE(rgb.FromBitmap(*frame));
    EXPECT_NEAR(frame->data[0][20 * frame->linesize[0] + 30], c.Y, 1);
    EXPECT_NEAR(frame->data[1][10 * frame->linesize[1] + 15], c.U, 1);
    EXPECT_NEAR(frame->data[2][10 * frame->linesize[2] + 15], c.V, 1);
  }
}

TEST_F(TRGBPictureTest, PictureInTheBitmapLayoutIsCopiedUnconverted) {
  // 64 pixels of 3 bytes fill whole 32-bit words: the bitmap's line size.
  TFramePtr frame = Picture(AV_PIX_FMT_BGR24, 64, 32, 4);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64 * 3; ++x)
      frame->data[0][y * frame->linesize[0] + x] = (x + y * 5) & 0xff;

  TRGBPicture rgb;
  ASSERT_TRUE(rgb.ToBitmap(*frame));
  EXPECT_FALSE(rgb.Converted());
  EXPECT_EQ(rgb.BufferSize(), 0u);
  for (int y = 0; y < 32; ++y)
    ASSERT_EQ(std::memcmp(rgb.Bitmap()->ScanLine(y), frame->data[0] + y * frame->linesize[0], 192),
              0);
  FillBitmapRect(*rgb.Bitmap(), 0, 0, 64, 1, 9);
  ASSERT_TRUE(rgb.FromBitmap(*frame));
  EXPECT_EQ(frame->data[0][0], 9);
  EXPECT_EQ(frame->data[0][191], 9);
  EXPECT_EQ(frame->data[0][frame->linesize[0]], 5);
}

TEST_F(TRGBPictureTest, BgrPictureWithOtherLineSizeIsConvertedExactly) {
  TFramePtr frame = Picture(AV_PIX_FMT_BGR24, 66, 20, 32);
  ASSERT_NE(frame->linesize[0], 200);  // the bitmap's line size for 66 pixels
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 66 * 3; ++x)
      frame->data[0][y * frame->linesize[0] + x] = (x * 3 + y) & 0xff;

  TRGBPicture rgb;
  ASSERT_TRUE(rgb.ToBitmap(*frame));
  EXPECT_TRUE(rgb.Converted());
  for (int y = 0; y < 20; ++y)
    ASSERT_EQ(std::memcmp(rgb.Bitmap()->ScanLine(y), frame->data[0] + y * frame->linesize[0], 198),
              0)
        << "line " << y;
}

TEST_F(TRGBPictureTest, BufferGrowsOnlyAndBitmapFollowsThePicture) {
  TRGBPicture rgb;
  // 174 pixels make 524-byte lines, which the scaler cannot write directly.
  ASSERT_TRUE(rgb.ToBitmap(*TestPicture(174, 100)));
  const size_t first = rgb.BufferSize();
  EXPECT_GT(first, 0u);
  ASSERT_TRUE(rgb.ToBitmap(*TestPicture(86, 60)));
  EXPECT_EQ(rgb.BufferSize(), first);
  EXPECT_EQ(rgb.Bitmap()->Width(), 86);
  EXPECT_EQ(rgb.Bitmap()->Height(), 60);
  ASSERT_TRUE(rgb.ToBitmap(*TestPicture(302, 200)));
  EXPECT_GT(rgb.BufferSize(), first);

  rgb.Reset();
  EXPECT_EQ(rgb.Bitmap(), nullptr);
  EXPECT_EQ(rgb.BufferSize(), 0u);
  EXPECT_EQ(rgb.RGBPixFmt(), AV_PIX_FMT_BGR24);
}

TEST_F(TRGBPictureTest, PictureTheScalerCannotReadFails) {
  uint8_t dummy[64] = {};
  TPictureView view;
  view.Data[0] = dummy;
  view.LineSize[0] = 64;
  view.Format = AV_PIX_FMT_VAAPI;  // a hardware surface, not memory the scaler can read
  view.Width = 16;
  view.Height = 2;
  TRGBPicture rgb;
  EXPECT_FALSE(rgb.ToBitmap(view));
  // Writing back without a converted picture does nothing.
  EXPECT_FALSE(rgb.FromBitmap(*TestPicture(100, 60)));
}

}  // namespace
}  // namespace qarvo
