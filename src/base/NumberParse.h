// Strict number parsing for option values: a malformed number is an engine error that names
// the option and the value.
#pragma once

#include <cstdint>
#include <string>

namespace qarvo {

// Decimal integer (leading/trailing blanks allowed, nothing else).
int64_t ParseInteger(const std::string& option, const std::string& value);
// Decimal floating-point number.
double ParseDouble(const std::string& option, const std::string& value);

}  // namespace qarvo
