// Command line of qarvo-convert.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qarvo {

enum class TConvertMode { Convert, ListFormats, Info, Help };

struct TConvertArguments {
  TConvertMode Mode = TConvertMode::Convert;
  std::optional<int> FormatCode;           // --format: this run only
  std::optional<int> Jobs;                 // --jobs: files at once, 0 = automatic
  std::string OutputFolder;                // --output: this run only
  bool NulSeparated = false;               // --null: output paths end with NUL, as they are
  bool TwoPass = false;                    // --two-pass
  std::optional<int64_t> TargetSizeBytes;  // --target-size, given in MB of 1,000,000 bytes
  std::vector<std::string> Files;
  std::string Error;  // set when the arguments are unusable
};

TConvertArguments ParseConvertArguments(const std::vector<std::string>& arguments);

extern const char* const kConvertUsage;

}  // namespace qarvo
