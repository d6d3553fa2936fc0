#include "base/NumberParse.h"

#include <charconv>

#include "base/EngineError.h"
#include "base/StringFormat.h"

namespace qarvo {

namespace {

[[noreturn]] void Malformed(const std::string& option, const std::string& value) {
  throw EEngineError(
      Format("Invalid number \"%s\" for option \"%s\"", value.c_str(), option.c_str()));
}

// Parses with the C locale's rules whatever the process locale is (the GUI toolkit switches
// to the user's locale, whose decimal comma would otherwise change what "1.5" means).
template <typename T>
T ParseNumber(const std::string& option, const std::string& value) {
  const char* first = value.data();
  const char* last = first + value.size();
  while (first < last && (*first == ' ' || *first == '\t')) ++first;
  while (last > first && (last[-1] == ' ' || last[-1] == '\t')) --last;
  if (first < last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
  T number{};
  const auto [end, error] = std::from_chars(first, last, number);
  if (first == last || error != std::errc() || end != last) Malformed(option, value);
  return number;
}

}  // namespace

int64_t ParseInteger(const std::string& option, const std::string& value) {
  return ParseNumber<int64_t>(option, value);
}

double ParseDouble(const std::string& option, const std::string& value) {
  return ParseNumber<double>(option, value);
}

}  // namespace qarvo
