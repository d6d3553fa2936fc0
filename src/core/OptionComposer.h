// Turns one job into engine options: the format's definition, the user's profile, the
// job's own edits and the source's facts give the input and output records of a task.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/ComposedOptions.h"
#include "core/FormatProfile.h"
#include "core/TSourceFacts.h"
#include "core/TlvFilesRecord.h"

namespace qarvo {

// Asked when a frame size cannot be read: "Error output Video Size.Use the default size
// 320x240?". True (Yes) takes 320x240, false keeps the source's size.
class ISizeQuestion {
 public:
  virtual ~ISizeQuestion() = default;
  virtual bool UseDefaultSize() = 0;
};

inline constexpr const char* kSizeQuestionText =
    "Error output Video Size.Use the default size 320x240?";

// Raised for a profile value that cannot be used (a volume that is not a number).
class ECompositionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TBorders {
  int Top = 0, Bottom = 0, Left = 0, Right = 0;
};

// Black borders that keep the source's shape inside a tw x th frame.
TBorders LetterBoxBorders(int sw, int sh, int tw, int th);

// The frame size an H.263 encoder takes for a requested one.
std::string ForceH263Size(int tw, int th);

// Fills `output` (whose FileName is set) and may add to `input`. A current format fitted to
// its device's limits says what it changed, and why, in `adjustments` (one sentence each).
void ComposeOutputOptions(const TFormatProfile& profile, const TlvFilesRecord& job,
                          const TSourceFacts& source, ISizeQuestion& sizeQuestion,
                          TComposedOutput& output, TComposedInput& input,
                          std::vector<std::string>* adjustments = nullptr);

// How a job uses the processor cores: one thread; a pipelined task (decoding, sound and
// pictures each on a thread of its own), as for jobs running side by side, which fill the
// cores between them; or that and the codecs' automatic thread counts, as for a job that has
// the cores to itself.
enum class TThreadUse { One, Pipelined, All };

// Appended to the records' option text; a thread count the text names already is kept.
void ComposeThreads(TThreadUse use, TComposedOutput& output, TComposedInput& input);

// Text tests: an integer converts completely to a decimal integer; a number to an integer
// or a decimal number with a point.
bool IsIntegerText(const std::string& text);
bool IsNumberText(const std::string& text);

}  // namespace qarvo
