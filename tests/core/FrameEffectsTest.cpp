#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "core/FrameEffects.h"
#include "core/LevelPasses.h"

namespace qarvo {
namespace {

using TPixel = std::array<int, 3>;  // B, G, R

constexpr uint8_t kPadding = 0xAB;

// 85 pixels make 255 bytes a row, so every row has one padding byte, which must survive.
void FillNoise(TBitmap& bitmap, uint32_t seed) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* row = bitmap.ScanLine(y);
    for (int i = 0; i < bitmap.Stride(); ++i) {
      seed = seed * 1664525u + 1013904223u;
      row[i] = i < bitmap.Width() * 3 ? static_cast<uint8_t>(seed >> 24) : kPadding;
    }
  }
}

void Fill(TBitmap& bitmap, TPixel pixel) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* row = bitmap.ScanLine(y);
    std::memset(row, kPadding, bitmap.Stride());
    for (int x = 0; x < bitmap.Width(); ++x)
      for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<uint8_t>(pixel[c]);
  }
}

TPixel PixelAt(const TBitmap& bitmap, int x, int y) {
  const uint8_t* p = bitmap.ScanLine(y) + 3 * x;
  return {p[0], p[1], p[2]};
}

std::vector<uint8_t> Bytes(const TBitmap& bitmap) {
  return {bitmap.Bits(), bitmap.Bits() + bitmap.SizeInBytes()};
}

void CopyInto(const TBitmap& from, TBitmap& to) {
  to.SetSize(from.Width(), from.Height());
  std::memcpy(to.Bits(), from.Bits(), from.SizeInBytes());
}

TlvFilesRecord Effects(int brightness, int contrast, int saturation, int exposure) {
  TlvFilesRecord record;
  record.Brightness = brightness;
  record.Contrast = contrast;
  record.Saturation = saturation;
  record.Exposure = exposure;
  return record;
}

TEST(FrameEffectsTest, ColourEffectsAndExposureKeepTheirEdgeCasesAndGoldenValues) {
  TBitmap noise(85, 40);
  FillNoise(noise, 7);
  const std::vector<uint8_t> original = Bytes(noise);
  TBitmap picture;

  // Neutral values, and the exact identity of ×1 brightness and saturation.
  CopyInto(noise, picture);
  ProcessFrame(picture, Effects(255, 0, 255, 0), nullptr, nullptr);
  EXPECT_EQ(Bytes(picture), original);
  ApplyColourEffects(picture, 256, 0, 256);
  EXPECT_EQ(Bytes(picture), original);

  // Brightness 0 maps every level to 1 before the contrast table: C[1] for each contrast.
  for (const auto& [contrast, c1] : std::vector<std::pair<int, int>>{{0, 1}, {-50, 50}, {50, 0}}) {
    CopyInto(noise, picture);
    ApplyColourEffects(picture, 0, contrast, 255);
    for (int y = 0; y < picture.Height(); ++y)
      for (int x = 0; x < picture.Width(); ++x)
        ASSERT_EQ(PixelAt(picture, x, y), (TPixel{c1, c1, c1})) << "contrast " << contrast;
  }

  // Contrast 100 is 99 (a vertical slope otherwise); 98 already differs.
  TBitmap at99;
  CopyInto(noise, picture);
  CopyInto(noise, at99);
  ApplyColourEffects(picture, 300, 100, 300);
  ApplyColourEffects(at99, 300, 99, 300);
  EXPECT_EQ(Bytes(picture), Bytes(at99));
  CopyInto(noise, picture);
  ApplyColourEffects(picture, 300, 98, 300);
  EXPECT_NE(Bytes(picture), Bytes(at99));

  // Single pixels worked out from the tables by hand.
  struct TColourCase {
    TPixel In;
    int Brightness, Contrast, Saturation;
    TPixel Out;
  };
  for (const TColourCase& c :
       std::vector<TColourCase>{{{10, 100, 200}, 300, 20, 200, {27, 114, 211}},
                                {{0, 128, 255}, 128, 0, 255, {0, 64, 128}},
                                {{50, 60, 70}, 255, -40, 512, {64, 80, 96}},
                                {{200, 30, 90}, 256, 0, 0, {106, 106, 106}},
                                {{120, 120, 120}, 400, 60, 256, {197, 197, 197}}}) {
    TBitmap one(3, 2);
    Fill(one, c.In);
    ApplyColourEffects(one, c.Brightness, c.Contrast, c.Saturation);
    EXPECT_EQ(PixelAt(one, 2, 1), c.Out)
        << c.Brightness << " " << c.Contrast << " " << c.Saturation;
    EXPECT_EQ(one.ScanLine(0)[9], kPadding);
  }
  struct TExposureCase {
    float Exposure;
    int In, Out;
  };
  for (const TExposureCase& c : std::vector<TExposureCase>{{100, 0, 0},
                                                           {100, 30, 67},
                                                           {100, 64, 125},
                                                           {100, 128, 196},
                                                           {100, 200, 238},
                                                           {100, 255, 255},
                                                           {-20, 64, 49},
                                                           {-20, 128, 107},
                                                           {-20, 200, 185}}) {
    TBitmap one(1, 1);
    Fill(one, {c.In, c.In, c.In});
    ApplyExposure(one, c.Exposure);
    EXPECT_EQ(PixelAt(one, 0, 0), (TPixel{c.Out, c.Out, c.Out})) << c.Exposure << " at " << c.In;
  }

  // The frame's effects step gives the bytes of the two steps one after the other.
  for (const TlvFilesRecord& record : {Effects(300, 20, 200, 100), Effects(255, 0, 255, -20),
                                       Effects(40, -70, 512, 512), Effects(512, 100, 0, -255)}) {
    TBitmap twoSteps;
    CopyInto(noise, picture);
    CopyInto(noise, twoSteps);
    ProcessFrame(picture, record, nullptr, nullptr);
    if (record.Brightness != 255)  // the one case here without colour effects has 255, 0, 255
      ApplyColourEffects(twoSteps, record.Brightness, record.Contrast, record.Saturation);
    ApplyExposure(twoSteps, static_cast<float>(record.Exposure));
    EXPECT_EQ(Bytes(picture), Bytes(twoSteps)) << record.Brightness << " " << record.Exposure;
  }
}

// The vector passes work on 64-byte and 96-byte stretches with a masked rest: widths around
// those sizes, rows with padding, and every kind of saturation step must give the portable bytes.
TEST(FrameEffectsTest, VectorPassesGiveThePortableBytes) {
  if (!HasVectorLevels()) GTEST_SKIP() << "this processor has no vector level passes";
  TLevelTable scrambled{};
  uint32_t seed = 99;
  for (uint8_t& level : scrambled)
    level = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
  for (const int width : {1, 21, 22, 32, 33, 85, 213}) {
    TBitmap noise(width, 3);
    FillNoise(noise, static_cast<uint32_t>(width));
    TBitmap vector, portable;
    CopyInto(noise, vector);
    CopyInto(noise, portable);
    ApplyLevelsVector(vector, scrambled);
    ApplyLevelsPortable(portable, scrambled);
    ASSERT_EQ(Bytes(vector), Bytes(portable)) << "levels, width " << width;
    for (const int saturation : {-5, 0, 1, 100, 254, 257, 300, 511, 512, 700, 1023, 1024, 5000}) {
      CopyInto(noise, vector);
      CopyInto(noise, portable);
      ApplySaturatedLevelsVector(vector, saturation, scrambled);
      ApplySaturatedLevelsPortable(portable, saturation, scrambled);
      ASSERT_EQ(Bytes(vector), Bytes(portable))
          << "saturation " << saturation << ", width " << width;
    }
  }
}

TEST(FrameEffectsTest, BlendingCutsAtTheEdgesAndFollowsItsStyle) {
  const TPixel frameColour{100, 150, 200};
  TBitmap watermark(8, 6);
  Fill(watermark, {0, 255, 50});
  struct TCase {
    const char* What;
    int X, Y, Style, Alpha;
    int Left, Top, Right, Bottom;  // the frame pixels that change
    TPixel Out;
  };
  const std::vector<TCase> cases{
      {"cut at the right and bottom", 16, 7, 1, 168, 16, 7, 21, 10, {34, 218, 101}},
      {"cut at the left and top", -5, -4, 1, 168, 0, 0, 3, 2, {34, 218, 101}},
      {"inside", 2, 1, 1, 255, 2, 1, 10, 7, {0, 254, 50}},
      {"right of the frame", 21, 0, 1, 168, 0, 0, 0, 0, {}},
      {"below the frame", 0, 10, 2, 168, 0, 0, 0, 0, {}},
      {"transparent", 2, 1, 1, 0, 0, 0, 0, 0, {}},
      {"multiplied", 2, 1, 2, 0, 2, 1, 10, 7, {0, 150, 39}},
      {"multiplied, whatever the opacity", 2, 1, 2, 255, 2, 1, 10, 7, {0, 150, 39}},
  };
  for (const TCase& c : cases) {
    TBitmap frame(21, 10);
    Fill(frame, frameColour);
    BlendPicture(frame, watermark, c.X, c.Style, c.Alpha, c.Y);
    for (int y = 0; y < frame.Height(); ++y) {
      for (int x = 0; x < frame.Width(); ++x) {
        const bool inside = x >= c.Left && x < c.Right && y >= c.Top && y < c.Bottom;
        ASSERT_EQ(PixelAt(frame, x, y), inside ? c.Out : frameColour)
            << c.What << " at " << x << "," << y;
      }
      ASSERT_EQ(frame.ScanLine(y)[63], kPadding) << c.What;
    }
  }

  // A picture's own opacity weighs the blend's: clear pixels keep the frame, opaque ones
  // blend at ImageAlpha, half-clear ones at about half of it.
  std::vector<uint8_t> pixelAlpha(8 * 6, 255);
  pixelAlpha[0] = 0;
  pixelAlpha[1] = 128;
  TBitmap frame(21, 10);
  Fill(frame, frameColour);
  BlendPicture(frame, watermark, 0, 1, 168, 0, pixelAlpha.data());
  EXPECT_EQ(PixelAt(frame, 0, 0), frameColour);
  EXPECT_EQ(PixelAt(frame, 1, 0), (TPixel{67, 184, 150}));  // weight (168 × 128 + 127) / 255 = 84
  EXPECT_EQ(PixelAt(frame, 2, 0), (TPixel{34, 218, 101}));
}

}  // namespace
}  // namespace qarvo
