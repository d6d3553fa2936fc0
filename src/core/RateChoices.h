// The rate control choices of the current formats: rate mode, quality, encoder speed and
// target size, as the definition lists them and the settings file stores them.
//
// The parameter boxes show the definition's items; a choice is stored as its value: the
// rate mode as its text, the quality as the encoder's number ("high (20)" -> "20"), the speed
// as the encoder's preset ("medium (8)" -> "8", "slow" -> "slow"), the target size in MB.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qarvo {

enum class TRateMode { ConstantQuality, AverageBitRate, TwoPassAverageBitRate, TargetSize };

// "constant quality", "average bit rate", "two-pass average bit rate", "target size".
const char* RateModeChoice(TRateMode mode);
// The mode a choice text names (ignoring case and surrounding blanks); none for other texts.
std::optional<TRateMode> RateModeFromChoice(const std::string& choice);

// The encoder's value an entry carries: the number in its closing brackets ("high (20)" ->
// 20), or the entry itself when it is a whole number; none otherwise.
std::optional<int> ChoiceNumber(const std::string& choice);
// The speed value an entry stores: its number in brackets, else the entry's text trimmed.
std::string SpeedValue(const std::string& choice);

// Largest size a user may type, in MB.
inline constexpr int kMostTargetMegabytes = 100000;
// A target size in MB (a whole or decimal number, 1 MB = 1,000,000 bytes) as bytes; none
// when the text is no size from 0.1 MB to kMostTargetMegabytes.
std::optional<int64_t> TargetSizeBytes(const std::string& megabytes);

// Per-run choices that replace the stored ones (the headless converter's options).
struct TRateOverrides {
  std::optional<int> Quality;      // constant quality on the format's scale
  std::optional<int> BitRateKbps;  // average bit rate, kbit/s
  std::optional<std::string> Speed;
  bool TwoPass = false;                    // two-pass average bit rate
  std::optional<int64_t> TargetSizeBytes;  // the whole output's size
  bool Any() const { return Quality || BitRateKbps || Speed || TwoPass || TargetSizeBytes; }
};

}  // namespace qarvo
