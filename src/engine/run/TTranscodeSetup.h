// Turns the opened inputs and created outputs into a working pipeline: stream mapping,
// copy or encode configuration, encoder and decoder opening, clocks, metadata, chapters and
// the output headers.
#pragma once

#include "media/LibraryApi.h"

namespace qarvo {

struct TRunState;
struct TOutputStreamState;

class TTranscodeSetup {
 public:
  explicit TTranscodeSetup(TRunState& run) : run_(run) {}
  // Raises EEngineError with the set-up messages.
  void Run();
  // Whether an encoder keeps its automatic threads in a pipelined run: those that thread by
  // frames, rows or tiles gain from every core whatever else runs.
  static bool KeepsAutomaticThreads(AVCodecID codec);

 private:
  void Configure(TOutputStreamState& ost, int number);
  void ConfigureCopy(TOutputStreamState& ost);
  void ConfigureEncoding(TOutputStreamState& ost);
  void SetUpPasses(TOutputStreamState& ost, int number);
  void FitAutomaticThreads();
  void OpenEncoders();
  void OpenDecoders();
  void StartClocks();
  void CopyFileMetadata();
  void CopyChapters();
  void WriteHeaders();
  [[noreturn]] void FailAfterMapping(const char* message);

  TRunState& run_;
};

}  // namespace qarvo
