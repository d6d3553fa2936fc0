// Turns the application's input and output records into option calls on a task, in the
// order the component defines: option text first and record fields after it (so the fields
// win), codec and preset defaults for the first streams, and the stream groups that follow
// newaudio, newvideo and newsubtitle lines.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/EngineRecords.h"
#include "engine/TCustomTranscoder.h"
#include "engine/task/OptionText.h"

namespace qarvo {

// Microseconds as the seconds text the duration options read ("-1.500000").
std::string DurationText(int64_t us);
// A date of the record (days since 30 December 1899, local standard time) as seconds since
// 1 January 1970 UTC.
int64_t RecordDateToUnixSeconds(double value);

class TTaskRecords {
 public:
  explicit TTaskRecords(TCustomTranscoder& task) : task_(task) {}

  // Input record: option text, then format, start time and program.
  void ApplyInput(const TInputOptions& options);

  // Output record before the output is opened (defaults list, target, codecs and presets,
  // option text, fields, frame size and filters).
  void ApplyOutputBeforeOpen(const TOutputOptions& options);
  // Output record after the output was opened: the extra stream groups.
  void ApplyStreamGroups(const TOutputOptions& options);

 private:
  void Dispatch(const std::string& name, const std::string& value);
  void DispatchIfSet(const std::string& name, const std::string& value);
  void ApplyOutputFields(const TOutputOptions& o);
  // Constant quality and speed on the chosen encoder's own options.
  void ApplyRateControl(const TOutputOptions& o);
  void ApplyInfo(const TStreamInfo& info);
  // Dispatches the first pending line of that name, or the default when none is left.
  void Take(const std::string& name);
  std::string& Default(const std::string& name);

  TCustomTranscoder& task_;
  std::vector<TOptionLine> defaults_;  // def_<name> values by name
  std::vector<TOptionLine> pending_;   // pending stream options in text order
};

}  // namespace qarvo
