// The small value formats of the probe's description text.
#pragma once

#include <cstdint>
#include <string>

namespace qarvo {

// "%d Byte" up to 1024, then "%.2f KiB", "%.2f MiB" and "%.2f GiB" (powers of 1024).
std::string FileSizeText(int64_t bytes);
// "hh:mm:ss.mmm" of a microsecond count (milliseconds truncated).
std::string TimeText(int64_t microseconds);
// "<seconds>.<microseconds, six digits>", with the sign in front of a negative time.
std::string SecondsText(int64_t microseconds);
// ", <value> <unit>": two decimals for a fractional rate, a whole number otherwise, and
// thousands with a "k" for multiples of 1000 (", 29.97 fps", ", 25 tbr", ", 90k tbn").
std::string RateText(double value, const char* unit);
// Seconds since 1970 as local standard time (no daylight saving), "yyyy-mm-dd hh:nn:ss".
std::string LocalTimeStampText(int64_t seconds);
// The generic name of an ID3v2 frame key ("TIT2" -> "title"); any other key unchanged.
std::string MetadataKeyName(const std::string& key);

}  // namespace qarvo
