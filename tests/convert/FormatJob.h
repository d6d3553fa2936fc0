// Converting one source with one catalogue format through the headless batch, as a user of
// the converter does, for the tests that check what comes out.
#pragma once

#include <cstdint>
#include <string>

#include "probe/TMediaProbe.h"
#include "core/BatchRun.h"
#include "core/IniFile.h"
#include "core/OptionComposer.h"

namespace qarvo::test {

// The format definition file of the source tree.
std::string DefinitionFile();

// Fails the test when a factory default asks the size question.
class TNoQuestion : public ISizeQuestion {
 public:
  bool UseDefaultSize() override;
};

// Converts `source` with format `code` to its end (the job fitted by letter box); the report
// holds the output path. Fatal failures when the run does not finish. With `mostTotal`, the
// largest progress total reported (µs).
void ConvertOneJob(TIniFile& settings, TIniFile& definitions, int code, const std::string& source,
                   TJobReport& report, int64_t* mostTotal = nullptr);

// ConvertOneJob into `folder`, with the settings file kept there (output into the folder
// itself) and the source tree's format definitions.
void ConvertIntoFolder(const std::string& folder, int code, const std::string& source,
                       TJobReport& report, int64_t* mostTotal = nullptr);

// The first video stream of the file `probe` holds, or null.
const AVStream* FirstVideoStream(const TMediaProbe& probe);

}  // namespace qarvo::test
