// Opens a task's input file: container, forced decoders, program choice, stream analysis,
// seek, one decoder context per stream, and the settings the next outputs inherit from it.
#pragma once

#include <string>

#include "media/LibraryApi.h"
#include "media/LibraryObjects.h"

namespace qarvo {

class TTaskContext;
struct TOpenedInput;

class TInputSetup {
 public:
  explicit TInputSetup(TTaskContext& task) : task_(task) {}

  // False with the task's error text set for file-level failures; raises EEngineError for an
  // unknown forced format and an invalid stream kind. A failed input is never registered.
  bool Open(const std::string& fileName);

 private:
  bool Fail(const std::string& message);
  void PrepareContext(AVFormatContext& context);
  bool SelectProgram(TOpenedInput& input);
  void SeekToStart(TOpenedInput& input, int64_t& seekPosition);
  void SetUpStreams(TOpenedInput& input);
  void SetUpVideo(TOpenedInput& input, int index);
  void SetUpAudio(TOpenedInput& input, int index);
  // The demuxer that loops the input when loop_input asks for it and no format is named.
  static const AVInputFormat* LoopingFormat(const std::string& fileName);
  void ReportLoopRefused(const TOpenedInput& input, const TDictionary& unused) const;
  // Packets of each stream in the span stream analysis reads, for inputs whose container
  // declares no frame counts for streams that compete for the same kind.
  void CountAnalysedFrames(TOpenedInput& input, const std::string& libraryName,
                           const AVInputFormat* format) const;

  TTaskContext& task_;
  const AVCodec* forced_[3] = {};  // video, audio, subtitle decoders named by options
};

}  // namespace qarvo
