// The packet loop of a run: chooses the input to read, corrects timestamps, decodes (or
// passes packets through for stream copy), feeds the output paths, reports progress, and at
// the end drains decoders and encoders and writes the trailers.
#pragma once

#include <cstdint>
#include <vector>

#include "media/LibraryObjects.h"
#include "engine/run/TProgressReport.h"

namespace qarvo {

struct TRunState;
struct TInputStreamState;
struct TOutputStreamState;

class TTranscodeLoop {
 public:
  explicit TTranscodeLoop(TRunState& run);
  // Runs until the inputs are exhausted, a limit is reached or a stop is requested; the end
  // steps (draining, trailers, last report) follow in every case.
  void Run();

 private:
  int ChooseFile(bool& anyWaiting);
  bool ReadAndProcess(int fileIndex);
  void NoteReached(int fileIndex, const AVPacket& packet);
  void EndOfInput(int fileIndex, int result);
  void CorrectTimestamps(int fileIndex, TInputStreamState& ist, AVPacket& packet);
  // Negative on a decoding error; without a packet the stream's decoder is drained.
  int ProcessPacket(int index, AVPacket* packet);
  int Decode(int index, AVPacket* packet);
  // Positive when a subtitle came out.
  int DecodeSubtitle(int index, AVPacket* packet);
  int DrainSubtitles(int index);
  void HandleFrame(int index, AVFrame& frame);
  void CopyPacket(int index, const AVPacket& packet);
  void ApplyVolume(AVFrame& frame) const;
  int64_t WithoutLead(TInputStreamState& ist, int64_t pts) const;
  void Pace(const TInputStreamState& ist) const;
  void Finish();
  void ExpectSomethingWritten() const;

  TRunState& run_;
  TProgressReport report_;
  std::vector<bool> noPacket_;
  int noPacketCount_ = 0;
  int64_t lastReport_ = 0;
  TPacketPtr packet_;
  TFramePtr frame_;
};

}  // namespace qarvo
