#include "support/TestPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace qarvo {
namespace {

constexpr int kGridColumns = 20;
constexpr int kGridRows = 15;
// Code cells: columns 1..8, rows 1..4, inside a grey quiet zone of columns 0..9, rows 0..5.
constexpr int kCodeColumn = 1;
constexpr int kCodeRow = 1;
constexpr int kBitsPerRow = 8;
constexpr int kZoneColumns = kBitsPerRow + 2;
constexpr int kZoneRows = 6;
constexpr uint8_t kBlack = 16;
constexpr uint8_t kWhite = 235;
constexpr uint8_t kGrey = 128;
// Least brightness difference between a bit block and its complement that still reads.
constexpr int kMinContrast = 64;
// Smallest picture whose cells are at least four pixels.
constexpr int kMinWidth = 4 * kGridColumns;
constexpr int kMinHeight = 4 * kGridRows;

int CellLeft(int column, int width) { return column * width / kGridColumns; }
int CellTop(int row, int height) { return row * height / kGridRows; }

// Bit of `number` shown by the code cell at (column, row) of the code block: rows 0 and 1
// carry the high and low byte, rows 2 and 3 their complements.
bool CellIsWhite(int number, int column, int row) {
  const int bit = 15 - (row % 2) * kBitsPerRow - column;
  const bool set = (number >> bit) & 1;
  return row < 2 ? set : !set;
}

void FillRect(uint8_t* plane, int linesize, int x0, int y0, int x1, int y1, uint8_t value) {
  for (int y = y0; y < y1; ++y) std::memset(plane + y * linesize + x0, value, x1 - x0);
}

void DrawLuma(AVFrame& frame, int64_t index, double frameRate) {
  const int w = frame.width;
  const int h = frame.height;
  // A sawtooth gradient sliding left and a bright bar sweeping right, each crossing the
  // picture in two seconds, give the encoders real motion to code.
  const double seconds = static_cast<double>(index) / frameRate;
  const int shift = static_cast<int>(std::fmod(seconds * w / 2.0, w));
  std::vector<uint8_t> row(w);
  for (int x = 0; x < w; ++x) row[x] = static_cast<uint8_t>(40 + ((x + shift) % w) * 150 / w);
  const int barWidth = std::max(2, w / 10);
  const int barLeft = shift % w;
  for (int y = 0; y < h; ++y) {
    uint8_t* line = frame.data[0] + y * frame.linesize[0];
    std::memcpy(line, row.data(), w);
    std::memset(line + barLeft, 230, std::min(barWidth, w - barLeft));
  }
  // A dark band moving down shows vertical motion.
  const int bandHeight = std::max(2, h / 12);
  const int bandTop = static_cast<int>(std::fmod(seconds * h / 2.0, h));
  FillRect(frame.data[0], frame.linesize[0], 0, bandTop, w, std::min(h, bandTop + bandHeight), 24);
}

void DrawChroma(AVFrame& frame) {
  const int cw = (frame.width + 1) / 2;
  const int ch = (frame.height + 1) / 2;
  std::vector<uint8_t> row(cw);
  for (int x = 0; x < cw; ++x) row[x] = static_cast<uint8_t>(64 + x * 128 / cw);
  for (int y = 0; y < ch; ++y) {
    std::memset(frame.data[1] + y * frame.linesize[1], 64 + y * 128 / ch, cw);
    std::memcpy(frame.data[2] + y * frame.linesize[2], row.data(), cw);
  }
}

void DrawCode(AVFrame& frame, int number) {
  const int w = frame.width;
  const int h = frame.height;
  const int zoneRight = CellLeft(kZoneColumns, w);
  const int zoneBottom = CellTop(kZoneRows, h);
  FillRect(frame.data[0], frame.linesize[0], 0, 0, zoneRight, zoneBottom, kGrey);
  FillRect(frame.data[1], frame.linesize[1], 0, 0, (zoneRight + 1) / 2, (zoneBottom + 1) / 2, 128);
  FillRect(frame.data[2], frame.linesize[2], 0, 0, (zoneRight + 1) / 2, (zoneBottom + 1) / 2, 128);
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < kBitsPerRow; ++column) {
      const int c = kCodeColumn + column;
      const int r = kCodeRow + row;
      FillRect(frame.data[0], frame.linesize[0], CellLeft(c, w), CellTop(r, h),
               CellLeft(c + 1, w), CellTop(r + 1, h),
               CellIsWhite(number, column, row) ? kWhite : kBlack);
    }
  }
}

// Mean brightness of the middle half of a code cell, away from edges that coding blurs.
int CellMean(const uint8_t* luma, int linesize, int width, int height, int column, int row) {
  const int x0 = CellLeft(column, width);
  const int x1 = CellLeft(column + 1, width);
  const int y0 = CellTop(row, height);
  const int y1 = CellTop(row + 1, height);
  const int left = x0 + (x1 - x0) / 4;
  const int right = x1 - (x1 - x0) / 4;
  const int top = y0 + (y1 - y0) / 4;
  const int bottom = y1 - (y1 - y0) / 4;
  int sum = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) sum += luma[y * linesize + x];
  return sum / ((right - left) * (bottom - top));
}

}  // namespace

void DrawTestPicture(AVFrame& frame, int64_t index, double frameRate) {
  if (frame.format != AV_PIX_FMT_YUV420P || frame.width < kMinWidth || frame.height < kMinHeight)
    throw std::runtime_error("test pictures need a yuv420p frame of at least 80x60");
  DrawLuma(frame, index, frameRate);
  DrawChroma(frame);
  DrawCode(frame, static_cast<int>(index & 0xFFFF));
}

int ReadFrameNumber(const uint8_t* luma, int linesize, int width, int height) {
  if (!luma || width < kMinWidth || height < kMinHeight) return -1;
  int number = 0;
  for (int half = 0; half < 2; ++half) {
    for (int column = 0; column < kBitsPerRow; ++column) {
      const int c = kCodeColumn + column;
      const int bit = CellMean(luma, linesize, width, height, c, kCodeRow + half);
      const int complement = CellMean(luma, linesize, width, height, c, kCodeRow + half + 2);
      if (std::abs(bit - complement) < kMinContrast) return -1;
      number = number * 2 + (bit > complement ? 1 : 0);
    }
  }
  return number;
}

}  // namespace qarvo
