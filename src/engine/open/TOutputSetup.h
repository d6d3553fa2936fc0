// Opens one output file of a task: container format, the streams the format and the inputs
// call for, metadata, and the file itself (an existing file is replaced).
#pragma once

#include <string>

#include "media/LibraryApi.h"

namespace qarvo {

class TTaskContext;
struct TOpenedOutput;

class TOutputSetup {
 public:
  explicit TOutputSetup(TTaskContext& task) : task_(task) {}

  // Number of outputs after adding, or -1 with the task's error text set. Nothing is left
  // registered after a failure.
  int Open(const std::string& fileName);

 private:
  int Fail(const std::string& message);
  const AVOutputFormat* ChooseFormat(const std::string& fileName);
  bool InputsHave(AVMediaType type) const;
  bool CreateStreams(TOpenedOutput& output);
  void ApplyMetadata(AVFormatContext& oc);
  bool OpenFile(TOpenedOutput& output, const std::string& libraryName);
  void ApplyMuxerSettings(AVFormatContext& oc);
  // Sets a private option of the muxers that have it; raises EEngineError when one refuses it.
  static void SetMuxerOption(AVFormatContext& oc, const char* name, int64_t value);

  TTaskContext& task_;
};

}  // namespace qarvo
