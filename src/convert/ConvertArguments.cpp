#include "convert/ConvertArguments.h"

#include <regex>

#include "core/FormatCatalogue.h"
#include "core/OptionComposer.h"

namespace qarvo {

const char* const kConvertUsage =
    "usage: qarvo-convert [--format CODE] [--output DIR] [--jobs N] [--two-pass]\n"
    "                     [--target-size MB] [--null] FILE...\n"
    "       qarvo-convert --list-formats\n"
    "       qarvo-convert --info FILE\n"
    "       qarvo-convert --help\n"
    "\n"
    "Converts each FILE with the current output format and its parameters, exactly as the\n"
    "application's Start does, one job per file, and prints each output path on a line of\n"
    "its own; in a path, a backslash is written \"\\\\\" and a line end, tab or other control\n"
    "character as \"\\n\", \"\\t\" or \"\\xHH\".\n"
    "\n"
    "  --format CODE    use the format CODE (see --list-formats) for this run only\n"
    "  --output DIR     write into DIR for this run only (created when missing)\n"
    "  --jobs N         convert up to N files at once (1 to 8; 0 = automatic, from the\n"
    "                   processor cores); the default is the \"simultaneousJobs\" setting\n"
    "  --two-pass       encode the video twice at the format's average bit rate: a first\n"
    "                   pass that only measures, then the real one\n"
    "  --target-size MB make each output fit into MB megabytes (1 MB = 1,000,000 bytes;\n"
    "                   decimals such as 7.5 are taken): the video rate is worked out from\n"
    "                   the length and the sound, and encoded in two passes\n"
    "  --null           end each output path with a NUL byte instead, and write it as it is\n"
    "  --list-formats   print every format: its code, a tab, its name\n"
    "  --info FILE      print what the media probe reports about FILE\n"
    "  --help           print this text\n"
    "\n"
    "Settings are read from the settings file (QARVO_SETTINGS_FILE names another one) and\n"
    "never changed by these options; \"useAllCores=0\" there converts each file with one\n"
    "thread. Exit status: 0 when every job finished, 1 when a job\n"
    "failed or a file could not be read, 2 for bad arguments. Ctrl+C stops the run.\n";

namespace {

bool TakeValue(const std::vector<std::string>& arguments, size_t& i, const std::string& name,
               std::string& value, TConvertArguments& result) {
  const std::string& argument = arguments[i];
  if (argument.rfind(name + "=", 0) == 0) {
    value = argument.substr(name.size() + 1);
  } else if (i + 1 < arguments.size()) {
    value = arguments[++i];
  } else {
    result.Error = name + " needs a value";
    return false;
  }
  if (value.empty()) result.Error = name + " needs a value";
  return !value.empty();
}

// "25", "7.5" or ".5" megabytes as bytes; none for anything else.
std::optional<int64_t> MegabytesText(const std::string& text) {
  static const std::regex kDecimal("([0-9]{1,7})(\\.[0-9]{0,6})?|\\.[0-9]{1,6}");
  if (!std::regex_match(text, kDecimal)) return std::nullopt;
  const size_t dot = text.find('.');
  const std::string whole = text.substr(0, dot);
  std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);
  fraction.resize(6, '0');
  const int64_t bytes = (whole.empty() ? 0 : std::stoll(whole)) * 1000000 + std::stoll(fraction);
  if (bytes <= 0) return std::nullopt;
  return bytes;
}

void SetMode(TConvertArguments& result, TConvertMode mode) {
  if (result.Mode != TConvertMode::Convert && result.Mode != mode)
    result.Error = "--list-formats, --info and --help cannot be combined";
  result.Mode = mode;
}

}  // namespace

TConvertArguments ParseConvertArguments(const std::vector<std::string>& arguments) {
  TConvertArguments result;
  bool optionsEnded = false;
  for (size_t i = 0; i < arguments.size() && result.Error.empty(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
      result.Files.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--help" || argument == "-h") {
      SetMode(result, TConvertMode::Help);
    } else if (argument == "--null" || argument == "-0") {
      result.NulSeparated = true;
    } else if (argument == "--list-formats") {
      SetMode(result, TConvertMode::ListFormats);
    } else if (argument == "--info") {
      SetMode(result, TConvertMode::Info);
    } else if (argument.rfind("--format", 0) == 0) {
      std::string value;
      if (!TakeValue(arguments, i, "--format", value, result)) break;
      if (!IsIntegerText(value) || !CatalogueFormatName(std::stoi(value))) {
        result.Error = "unknown format code \"" + value + "\" (see --list-formats)";
        break;
      }
      result.FormatCode = std::stoi(value);
    } else if (argument.rfind("--jobs", 0) == 0) {
      std::string value;
      if (!TakeValue(arguments, i, "--jobs", value, result)) break;
      if (!IsIntegerText(value) || std::stoi(value) < 0 || std::stoi(value) > 8) {
        result.Error = "--jobs takes 0 (automatic) to 8, not \"" + value + "\"";
        break;
      }
      result.Jobs = std::stoi(value);
    } else if (argument == "--two-pass") {
      result.TwoPass = true;
    } else if (argument.rfind("--target-size", 0) == 0) {
      std::string value;
      if (!TakeValue(arguments, i, "--target-size", value, result)) break;
      result.TargetSizeBytes = MegabytesText(value);
      if (!result.TargetSizeBytes) {
        result.Error =
            "--target-size takes a size in MB above 0, such as 25 or 7.5, not \"" + value + "\"";
        break;
      }
    } else if (argument.rfind("--output", 0) == 0) {
      if (!TakeValue(arguments, i, "--output", result.OutputFolder, result)) break;
    } else {
      result.Error = "unknown option \"" + argument + "\"";
    }
  }
  if (!result.Error.empty()) return result;
  if (result.Mode == TConvertMode::Info && result.Files.size() != 1)
    result.Error = "--info takes exactly one file";
  else if (result.Mode == TConvertMode::Convert && result.Files.empty())
    result.Error = "no file to convert";
  else if (result.Mode == TConvertMode::ListFormats && !result.Files.empty())
    result.Error = "--list-formats takes no file";
  return result;
}

}  // namespace qarvo
