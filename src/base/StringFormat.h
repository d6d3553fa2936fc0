// printf-style formatting into std::string, for the system's message templates.
#pragma once

#include <cstdarg>
#include <string>

namespace qarvo {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

}  // namespace qarvo
