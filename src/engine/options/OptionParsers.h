// Parsers of the option values with a syntax of their own (no library calls).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/task/TTaskOptions.h"

namespace qarvo {

// Boolean options: false only for exactly "0".
inline bool OptionFlag(const std::string& value) { return value != "0"; }
// Decimal 32-bit integer; a malformed or too large number raises the number error.
int32_t ParseInt32(const std::string& option, const std::string& value);

// "a:b" or a decimal number; 0 when malformed (the caller rejects 0).
double ParseAspect(const std::string& value);
// input file, stream[, sync file, sync stream], integers in C notation, one separator each.
TStreamMap ParseStreamMap(const std::string& option, const std::string& value);
TMetaDataMap ParseMetaDataMap(const std::string& option, const std::string& value);
// 64 comma-separated coefficients.
TQuantMatrix ParseMatrix(const std::string& value);
// Four characters, first in the lowest byte; `kind` is "video", "audio" or "subtitle".
uint32_t ParseTag(const std::string& kind, const std::string& value);

}  // namespace qarvo
