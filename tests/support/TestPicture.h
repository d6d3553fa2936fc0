// Pictures of the generated clips: a moving scene with the frame number burnt in as blocks.
//
// The number is 16 bits in two rows of eight blocks, with two more rows holding the
// complements, so each bit is read by comparing two blocks and a damaged or foreign picture
// reads as unknown rather than as a wrong number. The blocks sit on a grid proportional to
// the picture (20 columns by 15 rows), so the number survives uniform scaling as well as
// lossy coding down to 128x96.
#pragma once

#include <cstdint>

extern "C" {
struct AVFrame;
}

namespace qarvo {

// Draws picture `index` of a clip running at `frameRate` into a writable yuv420p frame.
// Frame numbers wrap at 65536.
void DrawTestPicture(AVFrame& frame, int64_t index, double frameRate);

// Frame number burnt into a decoded luma plane; -1 when the blocks cannot be read.
int ReadFrameNumber(const uint8_t* luma, int linesize, int width, int height);

}  // namespace qarvo
