// Option text: name=value lines as stored in profiles and records ("<CRLF>" joins lines in
// one-line storage).
#pragma once

#include <string>
#include <vector>

namespace qarvo {

struct TOptionLine {
  std::string Name;   // lower-cased
  std::string Value;  // as written (not trimmed)
};

// Blanks and control characters at both ends removed.
std::string TrimOption(const std::string& text);
// Every CR LF and lone CR (and, with `marker`, every "<CRLF>") becomes a single line feed.
std::string NormaliseLineBreaks(const std::string& text, bool marker = true);
std::string LowerCase(std::string text);

// The whole text trimmed and normalised, then cut into lines; a line without "=" has an
// empty value, an empty line inside the text gives an empty name.
std::vector<TOptionLine> SplitOptionText(const std::string& text);

// Which record pass an option text is applied in.
enum class TRecordPass { Input, Output };

// Whether a line of a record's option text is dispatched in the record pass: stream-group
// lines never are (they are applied with the streams), codec names and frame size only for
// inputs.
bool DispatchedInRecordPass(const std::string& name, TRecordPass use);

}  // namespace qarvo
