// The vector forms of the level passes: 64-byte registers and byte permutes, which look up a
// 256-entry table in four instructions and split a row of BGR pixels into its channels.
#include "core/LevelPasses.h"

#if defined(__x86_64__) && defined(__GNUC__)
// GCC 12's intrinsics start registers from a self-initialised "undefined" value, which its
// own uninitialised-use warning then reports inside the headers (clang has no such warning).
#ifndef __clang__
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include <algorithm>

#define QARVO_VECTOR __attribute__((target("avx512f,avx512bw,avx512vbmi")))

namespace qarvo {
namespace {

struct TTable {
  __m512i Part[4];
};

QARVO_VECTOR TTable LoadTable(const TLevelTable& levels) {
  TTable table;
  for (int i = 0; i < 4; ++i) table.Part[i] = _mm512_loadu_si512(levels.data() + 64 * i);
  return table;
}

// Index bits 0..6 pick within each half of the table, bit 7 picks the half.
QARVO_VECTOR inline __m512i LookUp(const TTable& table, __m512i index) {
  const __m512i low = _mm512_permutex2var_epi8(table.Part[0], index, table.Part[1]);
  const __m512i high = _mm512_permutex2var_epi8(table.Part[2], index, table.Part[3]);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high);
}

QARVO_VECTOR inline __mmask64 FirstBytes(int count) {
  return count >= 64 ? ~__mmask64{0} : (__mmask64{1} << count) - 1;
}

// S(x) = ⌊saturation · (x + 1) / 256⌋ on 16-bit lanes, with saturation = 256·q + r: q·(x + 1)
// is whole, so S = q·(x + 1) + ⌊r·(x + 1) / 256⌋, the last one high half of a 16-bit product.
struct TSaturationStep {
  __m512i Whole, Part;  // q and r·256 in every lane
};

QARVO_VECTOR inline __m512i Step(const TSaturationStep& step, __m512i x) {
  const __m512i next = _mm512_add_epi16(x, _mm512_set1_epi16(1));
  return _mm512_add_epi16(_mm512_mullo_epi16(next, step.Whole),
                          _mm512_mulhi_epu16(next, step.Part));
}

// levels[clamp(d + S(v))] index for one channel's 32 values.
QARVO_VECTOR inline __m256i ChannelIndex(const TSaturationStep& step, __m512i d, __m512i v) {
  const __m512i k = _mm512_add_epi16(d, Step(step, v));
  return _mm512_cvtusepi16_epi8(_mm512_max_epi16(k, _mm512_setzero_si512()));
}

// Byte positions of a 32-pixel (96-byte) stretch split into channels and joined back, for
// two-register byte permutes (bit 6 of an index picks the second register).
struct TPixelOrder {
  __m512i BlueGreen, Red;  // from the stretch: blue of pixels 0..31, then green; red
  __m512i First, Last;     // from (blue | green, red): output bytes 0..63 and 64..95
};

QARVO_VECTOR TPixelOrder PixelOrder() {
  alignas(64) uint8_t order[4][64] = {};
  for (int j = 0; j < 32; ++j) {
    order[0][j] = static_cast<uint8_t>(3 * j);
    order[0][32 + j] = static_cast<uint8_t>(3 * j + 1);
    order[1][j] = static_cast<uint8_t>(3 * j + 2);
  }
  // Channel c of pixel j sits at 32·c + j in (blue | green) and at 64 + j for red.
  for (int out = 0; out < 96; ++out) {
    const int j = out / 3, c = out % 3;
    order[2 + out / 64][out % 64] = static_cast<uint8_t>(c == 2 ? 64 + j : 32 * c + j);
  }
  return {_mm512_load_si512(order[0]), _mm512_load_si512(order[1]), _mm512_load_si512(order[2]),
          _mm512_load_si512(order[3])};
}

// One stretch of `bytes` (a multiple of 3, at most 96) in place. Masked loads and stores cost
// several times plain ones, so only a row's last stretch uses them.
QARVO_VECTOR inline void SaturateStretch(uint8_t* p, int bytes, const TPixelOrder& order,
                                         const TSaturationStep& step, const TTable& table) {
  const bool whole = bytes == 96;
  const __mmask64 firstMask = FirstBytes(bytes);
  const __mmask64 lastMask = FirstBytes(std::max(bytes - 64, 0));
  const __m512i first = whole ? _mm512_loadu_si512(p) : _mm512_maskz_loadu_epi8(firstMask, p);
  const __m512i last =
      whole ? _mm512_castsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 64)))
            : _mm512_maskz_loadu_epi8(lastMask, p + 64);
  const __m512i blueGreen = _mm512_permutex2var_epi8(first, order.BlueGreen, last);
  const __m512i red = _mm512_permutex2var_epi8(first, order.Red, last);
  const __m512i b = _mm512_cvtepu8_epi16(_mm512_castsi512_si256(blueGreen));
  const __m512i g = _mm512_cvtepu8_epi16(_mm512_extracti64x4_epi64(blueGreen, 1));
  const __m512i r = _mm512_cvtepu8_epi16(_mm512_castsi512_si256(red));
  // ⌊(b + g + r) / 3⌋ for every sum up to 765.
  const __m512i grey =
      _mm512_mulhi_epu16(_mm512_add_epi16(_mm512_add_epi16(b, g), r), _mm512_set1_epi16(21846));
  const __m512i d = _mm512_sub_epi16(grey, Step(step, grey));
  const __m512i bg = _mm512_inserti64x4(_mm512_castsi256_si512(ChannelIndex(step, d, b)),
                                        ChannelIndex(step, d, g), 1);
  const __m512i outBlueGreen = LookUp(table, bg);
  const __m512i outRed = LookUp(table, _mm512_castsi256_si512(ChannelIndex(step, d, r)));
  const __m512i outFirst = _mm512_permutex2var_epi8(outBlueGreen, order.First, outRed);
  const __m512i outLast = _mm512_permutex2var_epi8(outBlueGreen, order.Last, outRed);
  if (whole) {
    _mm512_storeu_si512(p, outFirst);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 64), _mm512_castsi512_si256(outLast));
  } else {
    _mm512_mask_storeu_epi8(p, firstMask, outFirst);
    _mm512_mask_storeu_epi8(p + 64, lastMask, outLast);
  }
}

}  // namespace

bool HasVectorLevels() {
  static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512vbmi");
  return has;
}

QARVO_VECTOR void ApplyLevelsVector(TBitmap& picture, const TLevelTable& levels) {
  const TTable table = LoadTable(levels);
  const int bytes = picture.Width() * 3;
  for (int row = 0; row < picture.Height(); ++row) {
    uint8_t* p = picture.ScanLine(row);
    int i = 0;
    for (; i + 64 <= bytes; i += 64)
      _mm512_storeu_si512(p + i, LookUp(table, _mm512_loadu_si512(p + i)));
    if (i < bytes) {
      const __mmask64 mask = FirstBytes(bytes - i);
      _mm512_mask_storeu_epi8(p + i, mask, LookUp(table, _mm512_maskz_loadu_epi8(mask, p + i)));
    }
  }
}

// 32 pixels at a time: byte permutes split them into channels, 16-bit arithmetic finds each
// level's index, one table look-up per 64 bytes, and byte permutes join them back.
QARVO_VECTOR void ApplySaturatedLevelsVector(TBitmap& picture, int saturation,
                                             const TLevelTable& levels) {
  saturation = std::clamp(saturation, 0, 1024);
  const TTable table = LoadTable(levels);
  const TPixelOrder order = PixelOrder();
  const TSaturationStep step{_mm512_set1_epi16(static_cast<int16_t>(saturation >> 8)),
                             _mm512_set1_epi16(static_cast<int16_t>((saturation & 255) << 8))};
  const int bytes = picture.Width() * 3;
  for (int row = 0; row < picture.Height(); ++row) {
    uint8_t* p = picture.ScanLine(row);
    for (int i = 0; i < bytes; i += 96)
      SaturateStretch(p + i, std::min(bytes - i, 96), order, step, table);
  }
}

}  // namespace qarvo

#else

namespace qarvo {

bool HasVectorLevels() { return false; }
void ApplyLevelsVector(TBitmap& picture, const TLevelTable& levels) {
  ApplyLevelsPortable(picture, levels);
}
void ApplySaturatedLevelsVector(TBitmap& picture, int saturation, const TLevelTable& levels) {
  ApplySaturatedLevelsPortable(picture, saturation, levels);
}

}  // namespace qarvo

#endif
