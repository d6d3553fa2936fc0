// Levels bound what a player's decoder must handle; a stream that states a level its picture
// size, picture rate or bit rate exceeds is refused by the devices the formats are named for.
#pragma once

#include <cstdint>

extern "C" {
struct AVCodecContext;
}

namespace qarvo {

// Lowest H.264 level (level_idc, e.g. 31) that holds the picture size, the macroblock rate,
// `refs` reference pictures and the bit rate (bit/s); 52 when none does.
int LowestH264Level(int width, int height, double frameRate, int refs, int64_t bitRate);

// Lowest MPEG-4 Visual level of the Simple (or, with `advanced`, the Advanced Simple)
// profile that holds the picture size, rate and bit rate, as written in the stream's
// profile_and_level_indication (Advanced Simple 3b is 7); the profile's top level when none does.
int LowestMpeg4Level(bool advanced, int width, int height, double frameRate, int64_t bitRate);

// Before an encoder opens: an H.264 level below what the stream needs is raised to the
// lowest that fits; an MPEG-4 Visual stream without a level gets the lowest that fits
// (the encoder would otherwise state level 1 whatever the picture).
void FitCodecLevel(AVCodecContext& encoder);

}  // namespace qarvo
