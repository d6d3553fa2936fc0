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
// Side of the corner marker as a share of the picture's smaller side.
constexpr int kMarkerShare = 6;
// Mean luma below which a row or column counts as part of a black bar.
constexpr int kBarLuma = 30;

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
      FillRect(frame.data[0], frame.linesize[0], CellLeft(c, w), CellTop(r, h), CellLeft(c + 1, w),
               CellTop(r + 1, h), CellIsWhite(number, column, row) ? kWhite : kBlack);
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

void AddSensorGrain(AVFrame& frame, int64_t index) {
  uint32_t state = static_cast<uint32_t>(index) * 2654435761u + 1u;
  const auto noise = [&state](int amplitude) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    // Two uniform draws give the bell-shaped spread a sensor has.
    const int a = static_cast<int>(state & 0xFF), b = static_cast<int>((state >> 8) & 0xFF);
    return (a + b - 255) * amplitude / 255;
  };
  for (int plane = 0; plane < 3; ++plane) {
    const int w = plane == 0 ? frame.width : (frame.width + 1) / 2;
    const int h = plane == 0 ? frame.height : (frame.height + 1) / 2;
    const int amplitude = plane == 0 ? 8 : 4;
    for (int y = 0; y < h; ++y) {
      uint8_t* line = frame.data[plane] + y * frame.linesize[plane];
      for (int x = 0; x < w; ++x)
        line[x] = static_cast<uint8_t>(std::clamp(line[x] + noise(amplitude), 0, 255));
    }
  }
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

void DrawCornerMarker(AVFrame& frame) {
  const int cw = (frame.width + 1) / 2, ch = (frame.height + 1) / 2;
  const int side = std::max(1, std::min(cw, ch) / kMarkerShare);
  for (int plane = 1; plane <= 2; ++plane)
    for (int y = ch - side; y < ch; ++y)
      std::memset(frame.data[plane] + y * frame.linesize[plane] + cw - side, 16, side);
}

namespace {
// The pattern's chroma runs over [kPatternLow, kPatternLow + kPatternSpan].
constexpr int kPatternLow = 72;
constexpr int kPatternSpan = 112;
}  // namespace

void DrawPositionPattern(AVFrame& frame) {
  FillRect(frame.data[0], frame.linesize[0], 0, 0, frame.width, frame.height, kGrey);
  const int cw = (frame.width + 1) / 2, ch = (frame.height + 1) / 2;
  for (int y = 0; y < ch; ++y) {
    uint8_t* u = frame.data[1] + y * frame.linesize[1];
    uint8_t* v = frame.data[2] + y * frame.linesize[2];
    // Each chroma sample stands for the middle of its two by two pixels.
    const int red = kPatternLow + static_cast<int>((2 * y + 1) * kPatternSpan / (2 * ch));
    for (int x = 0; x < cw; ++x) {
      u[x] = static_cast<uint8_t>(kPatternLow + (2 * x + 1) * kPatternSpan / (2 * cw));
      v[x] = static_cast<uint8_t>(red);
    }
  }
}

TPatternPoint PatternPoint(int u, int v, int width, int height) {
  return {static_cast<double>(u - kPatternLow) * width / kPatternSpan,
          static_cast<double>(v - kPatternLow) * height / kPatternSpan};
}

TPictureArea FindPictureArea(const std::vector<uint8_t>& yuv, int width, int height) {
  TPictureArea area;
  if (width <= 0 || height <= 0 || yuv.size() < static_cast<size_t>(width) * height) return area;
  // Bars are black; every row and column of the scene averages far above it.
  auto rowDark = [&](int y) {
    long sum = 0;
    for (int x = 0; x < width; ++x) sum += yuv[static_cast<size_t>(y) * width + x];
    return sum < static_cast<long>(kBarLuma) * width;
  };
  auto columnDark = [&](int x) {
    long sum = 0;
    for (int y = 0; y < height; ++y) sum += yuv[static_cast<size_t>(y) * width + x];
    return sum < static_cast<long>(kBarLuma) * height;
  };
  int top = 0, bottom = height, left = 0, right = width;
  while (top < bottom && rowDark(top)) ++top;
  while (bottom > top && rowDark(bottom - 1)) --bottom;
  while (left < right && columnDark(left)) ++left;
  while (right > left && columnDark(right - 1)) --right;
  return {left, top, right - left, bottom - top};
}

int FindCornerMarker(const std::vector<uint8_t>& yuv, int width, int height,
                     const TPictureArea& area) {
  const int cw = (width + 1) / 2, ch = (height + 1) / 2;
  if (area.Width < 2 || area.Height < 2 ||
      yuv.size() < static_cast<size_t>(width) * height + 2u * cw * ch)
    return -1;
  const uint8_t* u = yuv.data() + static_cast<size_t>(width) * height;
  const uint8_t* v = u + static_cast<size_t>(cw) * ch;
  const int left = area.Left / 2, top = area.Top / 2;
  const int right = (area.Left + area.Width) / 2, bottom = (area.Top + area.Height) / 2;
  // Half the marker's side, measured inward from each corner of the picture.
  const int side = std::max(1, std::min(right - left, bottom - top) / kMarkerShare / 2);
  int found = -1;
  for (int corner = 0; corner < 4; ++corner) {
    const int x0 = (corner == 1 || corner == 2) ? right - side : left;
    const int y0 = corner >= 2 ? bottom - side : top;
    long sum = 0;
    for (int y = y0; y < y0 + side; ++y)
      for (int x = x0; x < x0 + side; ++x) sum += u[y * cw + x] + v[y * cw + x];
    // The scene keeps both planes between 64 and 192.
    if (sum < 2L * 40 * side * side) {
      if (found >= 0) return -1;
      found = corner;
    }
  }
  return found;
}

}  // namespace qarvo
