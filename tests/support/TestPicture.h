// Pictures of the generated clips: a moving scene with the frame number burnt in as blocks.
//
// The number is 16 bits in two rows of eight blocks, with two more rows holding the
// complements, so each bit is read by comparing two blocks and a damaged or foreign picture
// reads as unknown rather than as a wrong number. The blocks sit on a grid proportional to
// the picture (20 columns by 15 rows), so the number survives uniform scaling as well as
// lossy coding down to 128x96.
#pragma once

#include <cstdint>
#include <vector>

extern "C" {
struct AVFrame;
}

namespace qarvo {

// Draws picture `index` of a clip running at `frameRate` into a writable yuv420p frame.
// Frame numbers wrap at 65536.
void DrawTestPicture(AVFrame& frame, int64_t index, double frameRate);

// Frame number burnt into a decoded luma plane; -1 when the blocks cannot be read.
int ReadFrameNumber(const uint8_t* luma, int linesize, int width, int height);

// Noise of a camera sensor over a writable yuv420p picture, different for every `index`: luma
// within ±8 and chroma within ±4, too little to change the frame number's reading.
void AddSensorGrain(AVFrame& frame, int64_t index);

// A square of a colour the scene never has (both chroma planes at their floor), a sixth of the
// smaller side, in the bottom-right corner of a writable yuv420p picture.
void DrawCornerMarker(AVFrame& frame);

// A still picture that tells where each of its pixels lies: grey luma, the blue-difference
// rising from the left edge to the right one and the red-difference from the top edge to the
// bottom one, both within what survives a trip through 8-bit RGB.
void DrawPositionPattern(AVFrame& frame);
// The point of a width x height pattern picture whose colour is (u, v), in its pixels
// (fractions, 0 to width and 0 to height).
struct TPatternPoint {
  double X = 0, Y = 0;
};
TPatternPoint PatternPoint(int u, int v, int width, int height);

// The part of a decoded picture that is not black bars, in luma pixels.
struct TPictureArea {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};
// `yuv420p` holds unpadded planes of a width x height picture.
TPictureArea FindPictureArea(const std::vector<uint8_t>& yuv420p, int width, int height);
// Corner of `area` that holds the marker: 0 top-left, 1 top-right, 2 bottom-right,
// 3 bottom-left; -1 when none or more than one does.
int FindCornerMarker(const std::vector<uint8_t>& yuv420p, int width, int height,
                     const TPictureArea& area);

}  // namespace qarvo
