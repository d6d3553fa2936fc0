// The turn a stream's pictures need to be seen upright, from its display matrix (or, in files
// of older muxers, its "rotate" tag).
#pragma once

extern "C" {
struct AVStream;
}

namespace qarvo {

// Clockwise degrees, one of 0, 90, 180, 270; 0 for a matrix that is no quarter turn.
int DisplayRotation(const AVStream& stream);

}  // namespace qarvo
