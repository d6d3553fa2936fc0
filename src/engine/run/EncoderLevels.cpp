#include "engine/run/EncoderLevels.h"

#include <algorithm>

#include "media/LibraryApi.h"

namespace qarvo {

namespace {

struct TLevelLimit {
  int Level;
  int64_t MacroblockRate;  // per second
  int64_t FrameMacroblocks;
  int64_t DecodedMacroblocks;  // H.264 picture buffer; 0 where the profile has none
  int64_t KiloBits;            // per second
};

// H.264 (Baseline and Main bit rates); level 1b is left out, 1.1 holds the same.
constexpr TLevelLimit kH264[] = {{10, 1485, 99, 396, 64},
                                 {11, 3000, 396, 900, 192},
                                 {12, 6000, 396, 2376, 384},
                                 {13, 11880, 396, 2376, 768},
                                 {20, 11880, 396, 2376, 2000},
                                 {21, 19800, 792, 4752, 4000},
                                 {22, 20250, 1620, 8100, 4000},
                                 {30, 40500, 1620, 8100, 10000},
                                 {31, 108000, 3600, 18000, 14000},
                                 {32, 216000, 5120, 20480, 20000},
                                 {40, 245760, 8192, 32768, 20000},
                                 {41, 245760, 8192, 32768, 50000},
                                 {42, 522240, 8704, 34816, 50000},
                                 {50, 589824, 22080, 110400, 135000},
                                 {51, 983040, 36864, 184320, 240000},
                                 {52, 2073600, 36864, 184320, 240000}};

constexpr TLevelLimit kMpeg4Simple[] = {{1, 1485, 99, 0, 64},      {2, 5940, 396, 0, 128},
                                        {3, 11880, 396, 0, 384},   {4, 36000, 1200, 0, 4000},
                                        {5, 40500, 1620, 0, 8000}, {6, 108000, 3600, 0, 12000}};

constexpr TLevelLimit kMpeg4AdvancedSimple[] = {
    {1, 2970, 99, 0, 128},    {2, 5940, 396, 0, 384},   {3, 11880, 396, 0, 768},
    {7, 11880, 396, 0, 1500}, {4, 23760, 792, 0, 3000}, {5, 48600, 1620, 0, 8000}};

int64_t Macroblocks(int pixels) { return (pixels + 15) / 16; }

template <size_t N>
int Lowest(const TLevelLimit (&table)[N], int width, int height, double frameRate, int refs,
           int64_t bitRate, bool squareBound) {
  const int64_t columns = Macroblocks(width), rows = Macroblocks(height);
  const int64_t frame = columns * rows;
  const double rate = frameRate > 0 ? frameRate : 25.0;
  for (const TLevelLimit& l : table) {
    // H.264 also bounds each side, to the square root of eight frames' worth of macroblocks.
    const bool sides = !squareBound || (columns * columns <= 8 * l.FrameMacroblocks &&
                                        rows * rows <= 8 * l.FrameMacroblocks);
    if (frame <= l.FrameMacroblocks && sides && frame * rate <= l.MacroblockRate * 1.0001 &&
        (l.DecodedMacroblocks == 0 || frame * std::max(refs, 1) <= l.DecodedMacroblocks) &&
        bitRate <= l.KiloBits * 1000)
      return l.Level;
  }
  return table[N - 1].Level;
}

double FrameRate(const AVCodecContext& c) {
  if (c.framerate.num > 0 && c.framerate.den > 0) return av_q2d(c.framerate);
  if (c.time_base.num > 0 && c.time_base.den > 0) return 1.0 / av_q2d(c.time_base);
  return 0.0;
}

}  // namespace

int LowestH264Level(int width, int height, double frameRate, int refs, int64_t bitRate) {
  return Lowest(kH264, width, height, frameRate, refs, bitRate, true);
}

int LowestMpeg4Level(bool advanced, int width, int height, double frameRate, int64_t bitRate) {
  return advanced ? Lowest(kMpeg4AdvancedSimple, width, height, frameRate, 0, bitRate, false)
                  : Lowest(kMpeg4Simple, width, height, frameRate, 0, bitRate, false);
}

void FitCodecLevel(AVCodecContext& c) {
  const int64_t bitRate = std::max<int64_t>(c.bit_rate, c.rc_max_rate);
  if (c.codec_id == AV_CODEC_ID_H264 && c.level > 0) {
    // The level is raised only: a preset's level states what its device takes, and the
    // stream is written to that level where the picture allows it.
    const int needed = LowestH264Level(c.width, c.height, FrameRate(c), c.refs, bitRate);
    if (needed > c.level) c.level = needed;
  } else if (c.codec_id == AV_CODEC_ID_MPEG4 && c.level == FF_LEVEL_UNKNOWN) {
    // The encoder's own choice of profile: Advanced Simple for B-frames or quarter pixels.
    const bool advanced = c.profile == FF_PROFILE_UNKNOWN
                              ? c.max_b_frames > 0 || (c.flags & AV_CODEC_FLAG_QPEL)
                              : c.profile == FF_PROFILE_MPEG4_ADVANCED_SIMPLE;
    if (c.profile != FF_PROFILE_UNKNOWN && c.profile != FF_PROFILE_MPEG4_SIMPLE && !advanced)
      return;
    c.level = LowestMpeg4Level(advanced, c.width, c.height, FrameRate(c), bitRate);
  }
}

}  // namespace qarvo
