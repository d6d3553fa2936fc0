#include "engine/options/OptionParsers.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

#include "base/EngineError.h"
#include "base/NumberParse.h"
#include "base/StringFormat.h"

namespace qarvo {

namespace {

[[noreturn]] void Malformed(const std::string& option, const std::string& value) {
  // The number parser's wording, so every malformed number reads the same.
  throw EEngineError(
      Format("Invalid number \"%s\" for option \"%s\"", value.c_str(), option.c_str()));
}

// One integer in C notation ("0x" hexadecimal, leading "0" octal) at `p`; moves `p` past it.
int ReadCInteger(const std::string& option, const std::string& value, const char*& p) {
  char* end = nullptr;
  errno = 0;
  const long number = std::strtol(p, &end, 0);
  if (end == p || errno == ERANGE || number < std::numeric_limits<int>::min() ||
      number > std::numeric_limits<int>::max())
    Malformed(option, value);
  p = end;
  return static_cast<int>(number);
}

// Integer prefix of a decimal text ("12abc" -> 12), 0 when there is none.
long LeadingInteger(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

}  // namespace

int32_t ParseInt32(const std::string& option, const std::string& value) {
  const int64_t number = ParseInteger(option, value);
  if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max())
    Malformed(option, value);
  return static_cast<int32_t>(number);
}

double ParseAspect(const std::string& value) {
  const size_t colon = value.find(':');
  if (colon == std::string::npos) {
    char* end = nullptr;
    const double ratio = std::strtod(value.c_str(), &end);
    return end == value.c_str() ? 0.0 : ratio;
  }
  const long x = LeadingInteger(value.substr(0, colon));
  const long y = LeadingInteger(value.substr(colon + 1));
  return y > 0 ? static_cast<double>(x) / static_cast<double>(y) : 0.0;
}

TStreamMap ParseStreamMap(const std::string& option, const std::string& value) {
  TStreamMap map;
  const char* p = value.c_str();
  map.File = ReadCInteger(option, value, p);
  if (*p) ++p;
  map.Stream = ReadCInteger(option, value, p);
  if (*p) {
    ++p;
    map.SyncFile = ReadCInteger(option, value, p);
    if (*p) ++p;
    map.SyncStream = ReadCInteger(option, value, p);
  } else {
    map.SyncFile = map.File;
    map.SyncStream = map.Stream;
  }
  return map;
}

TMetaDataMap ParseMetaDataMap(const std::string& option, const std::string& value) {
  TMetaDataMap map;
  const char* p = value.c_str();
  map.OutFile = ReadCInteger(option, value, p);
  if (*p) ++p;
  map.InFile = ReadCInteger(option, value, p);
  return map;
}

TQuantMatrix ParseMatrix(const std::string& value) {
  TQuantMatrix matrix{};
  const char* p = value.c_str();
  for (int i = 0; i < 64; ++i) {
    matrix[i] = static_cast<uint16_t>(std::strtol(p, const_cast<char**>(&p), 10));
    if (i == 63) break;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p != ',')
      throw EEngineError(Format("Syntax error in matrix \"%s\" at coeff %d", value.c_str(), i));
    ++p;
  }
  return matrix;
}

uint32_t ParseTag(const std::string& kind, const std::string& value) {
  if (value.size() != 4)
    throw EEngineError(kind + " tag parameter must be 4 chars (value \"" + value + "\")");
  return static_cast<uint8_t>(value[0]) | static_cast<uint8_t>(value[1]) << 8 |
         static_cast<uint8_t>(value[2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(value[3])) << 24;
}

}  // namespace qarvo
