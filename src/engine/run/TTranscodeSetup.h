// Turns the opened inputs and created outputs into a working pipeline: stream mapping,
// copy or encode configuration, encoder and decoder opening, clocks, metadata, chapters and
// the output headers.
#pragma once

namespace qarvo {

struct TRunState;
struct TOutputStreamState;

class TTranscodeSetup {
 public:
  explicit TTranscodeSetup(TRunState& run) : run_(run) {}
  // Raises EEngineError with the set-up messages.
  void Run();

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
