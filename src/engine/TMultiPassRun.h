// A task whose first output asks for two passes or a target size. The first pass encodes the
// pictures only, into no file, leaving the encoder's statistics in a folder of the job's own;
// the second pass is the real conversion reading them. A target size first works out the video
// rate (and refuses a target that cannot hold the job before anything is encoded), then checks
// the result and encodes once more with a corrected rate when it missed.
//
// Runs on the task's thread inside TTranscoder::Execute; stops and pauses reach every pass
// through the task. The private folder goes with the run, whatever ends it.
#pragma once

#include <cstdint>
#include <string>

#include "base/EngineRecords.h"

namespace qarvo {

class TTranscoder;

class TMultiPassRun {
 public:
  explicit TMultiPassRun(TTranscoder& task);
  ~TMultiPassRun();
  TMultiPassRun(const TMultiPassRun&) = delete;
  TMultiPassRun& operator=(const TMultiPassRun&) = delete;

  // Raises EEngineError with the failure's message.
  void Run();

 private:
  struct TSpan {
    double Start;
    double End;
  };
  // The video rate the target leaves; raises when the target cannot hold the job.
  int64_t PlanTarget();
  // Opens the files for a pass (1, 2, or 0 for a single pass) and runs it. False when the
  // encoder has no two-pass mode (pass 1 then does nothing).
  bool RunPass(int pass, int64_t videoRate, TSpan span);
  // Brings a finished second pass within the target by further attempts; an output the
  // encoder cannot make larger stays under it.
  void MeetTarget(int64_t videoRate);
  int64_t OutputBytes() const;
  bool Stopped() const;
  void Log(const std::string& text) const;

  TTranscoder& task_;
  TOutputOptions record_;  // the first output's record as the front end gave it
  std::string folder_;     // private folder of the statistics files
  bool sized_ = false;
  int writingPass_ = 2;  // 0 when the encoder has no two-pass mode
};

}  // namespace qarvo
