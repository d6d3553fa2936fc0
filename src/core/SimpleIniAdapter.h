// Private to the INI classes: the parser type and whole-file reading.
#pragma once

// Plain byte strings; the wide-character converters are not wanted.
#define SI_NO_CONVERSION
// The Debian header keeps the template bodies behind this switch; instantiate them here
// rather than link the packaged library (and its ICU dependency).
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <string>
#include <string_view>

namespace qarvo::ini_detail {

// Case-insensitive section and key names, one value per key.
using TSimpleIni = CSimpleIniA;

// Reads the whole file; returns 0 or the errno of the failure.
int ReadFileText(const std::string& fileName, std::string& text);

// Parses INI text into a fresh parser set up the way every reader and writer expects.
void ParseText(TSimpleIni& ini, std::string_view text);

}  // namespace qarvo::ini_detail
