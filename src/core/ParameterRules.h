// Rules for values typed into the parameter boxes: key filters, number tests, the frame-size
// check, the encoder names a run must find in the loaded libraries, and the messages.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qarvo {

namespace parameter_messages {
inline constexpr const char* kInputErrorCaption = "Input Error!";
inline constexpr const char* kWarningCaption = "Warning";
inline constexpr const char* kNumerical = "Please enter numerical.";
inline constexpr const char* kFrameSizeInvalid = "Frame Size is not a valid value!";
inline constexpr const char* kVideoBitRateInvalid = "Video BitRate is not a valid value!";
inline constexpr const char* kSampleRateInvalid = "Audio SampleRate is not a valid value!";
inline constexpr const char* kAudioBitRateInvalid = "Audio BitRate is not a valid value!";
}  // namespace parameter_messages

// The whole text is a signed decimal integer that fits an int.
bool IsIntegerText(std::string_view text);
// The whole text is a floating-point number (digits, sign, point, exponent; no "inf"/"nan").
bool IsDecimalText(std::string_view text);
// A rate a run can use: an integer (or, with `decimal`, a decimal number) above 0.
bool IsPositiveNumberText(std::string_view text, bool decimal);

enum class TKeyRule {
  Numeric,    // bit rates and sample rate: digits only
  FrameSize,  // digits and one "x"
  Decimal,    // sizes in MB: digits and one "."
};

struct TKeyVerdict {
  bool Accept = true;
  bool Beep = false;
  bool NumericMessage = false;  // "Please enter numerical."
};

inline constexpr char32_t kBackspace = 8;

// Judges one typed character against the box's text before it. Only printable characters
// and backspace are judged: Enter, Tab and the clipboard shortcuts keep working, and pasted
// text meets the value check instead.
TKeyVerdict FilterKey(TKeyRule rule, std::string_view currentText, char32_t key);

struct TFrameSizeCheck {
  enum class TResult { AsSource, Invalid, Accepted, Corrected };
  TResult Result = TResult::Invalid;
  std::string Size;  // Accepted: the text; Corrected: the corrected "WxH"
};

// Leaving the frame-size box: "as source" passes untouched; width and height must be
// integers; odd or zero sides are rounded down to even, 0 becoming 2.
TFrameSizeCheck CheckFrameSize(const std::string& text);
// Text of the "Input Error!" box that announces a corrected frame size.
std::string FrameSizeCorrectionText(const std::string& correctedSize);

// The engine encoder a run opens for a video encoder choice: only the names option
// composition hands to the engine as the video codec; the others ("3GP", "MOV", ...) leave
// the codec to the container and need no lookup.
std::optional<std::string> VideoEncoderToFind(const std::string& displayName);
// The same for an audio encoder choice (every mapped name is handed over).
std::optional<std::string> AudioEncoderToFind(const std::string& displayName);
// Tooltip of an encoder choice the loaded libraries lack, and the warning at Start.
std::string MissingEncoderText(const std::string& displayName, const std::string& engineName);

// What an audio encoder takes where it takes less than a format's boxes offer.
struct TAudioEncoderLimits {
  std::vector<int> SampleRates;  // Hz, the first one preferred
  double LeastKbps = 0.0;
  double MostKbps = 0.0;
  std::string MostKbpsText;  // as the bit-rate box shows it
  int MostChannels = 0;      // 0: any
};
// The limits of an engine encoder (as AudioEncoderToFind names it), if it has any.
std::optional<TAudioEncoderLimits> AudioEncoderLimits(const std::string& engineName);

}  // namespace qarvo
