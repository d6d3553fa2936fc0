// Texts of the file information dialog, from the probe's figures.
#pragma once

#include <cstdint>
#include <string>

namespace qarvo {

// The source path whole below 46 characters; otherwise its first 40 characters, "..", its
// extension with the point and two blanks. Counted in characters, not bytes.
std::string FileInfoShortName(const std::string& path);

// "83.456 Second": whole seconds and milliseconds (cut) of a duration in microseconds.
std::string FileInfoDurationText(int64_t duration);

// The audio codec named in a probe description: what follows the first "Audio:" and one
// blank, up to the next "," (or a bracketed codec tag); empty without "Audio:".
std::string FileInfoAudioFormat(const std::string& description);

// Frames per second from the stream's rate ("25", "29.97"); empty when unknown.
std::string FileInfoFrameRate(int numerator, int denominator);
// The number of pictures the length holds at that rate; empty when either is unknown.
std::string FileInfoFrameCount(int numerator, int denominator, int64_t duration);

// A probe figure in decimal; empty for the probe's "unknown" (negative).
std::string FileInfoNumber(int64_t value);

// A bit rate in bits per second as "179 kb/s" (rounded, at least 1); empty when the probe
// does not know it (0 or negative).
std::string FileInfoBitRate(int64_t bitsPerSecond);

// The codec's short name from the probe's codec name ("h264(H.264 / AVC)" gives "h264").
std::string FileInfoCodec(const std::string& codecName);

}  // namespace qarvo
