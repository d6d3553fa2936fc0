// The packet loop of a run: chooses the input to read, corrects timestamps, decodes (or
// passes packets through for stream copy), feeds the output paths, reports progress, and at
// the end drains decoders and encoders and writes the trailers.
//
// Pipelined (option pipeline, one input file and no limit that needs the output's state to
// choose what to read): a thread of the loop's own reads and decodes, while the worker thread
// runs the hook, the output paths, the muxers and the reports; the frame queue joins them.
// The decoding side keeps its own copy of the input streams' clocks and hands each item the
// values the output side would have seen, so both ways write the same bytes. When the sound's
// output paths stand apart from the rest, a third thread encodes the sound while the worker
// does the pictures; their packets are held and written by the worker in the one-thread order.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "media/LibraryObjects.h"
#include "engine/paths/TPacketWriter.h"
#include "engine/run/TProgressReport.h"

namespace qarvo {

struct TRunState;
struct TInputStreamState;
struct TOutputStreamState;
struct TPipelineItem;
class TFrameQueue;
class TUprightTurn;

class TTranscodeLoop {
 public:
  explicit TTranscodeLoop(TRunState& run);
  ~TTranscodeLoop();
  // Runs until the inputs are exhausted, a limit is reached or a stop is requested; the end
  // steps (draining, trailers, last report) follow in every case.
  void Run();
  // Whether a run can be split into a decoding and an output thread.
  static bool CanPipeline(const TRunState& run);
  // The threads a run keeps busy besides its codecs' own: 0 when it does not pipeline.
  static int PipelineLanes(const TRunState& run);

 private:
  // ---- Decoding side (the worker, or the decoding thread when pipelined) ----
  void ReadLoop();
  void DrainDecoders();
  TInputStreamState& In(int index);
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
  // A decoded picture turned upright, then through the task's hook.
  void PreparePicture(int index, AVFrame& frame, const TInputStreamState& ist);
  // Hand-over to the output side: direct, or through the queue when pipelined.
  void EmitFrame(int index, AVFrame& frame, bool picture);
  void EmitPacket(int index, const AVPacket& packet);
  void EmitClock(int index);
  void Push(TPipelineItem item, int index);
  // ---- Output side (the worker) ----
  void RunPipelined();
  void OutputItems();
  void OutputItem(TPipelineItem& item);
  void OutputFrame(int index, AVFrame& frame, bool picture);
  void OutputPacket(int index, const AVPacket& packet);
  bool ReportDue() const;
  void ReportIfDue(int fileIndex);
  // ---- Sound lane (pipelined) ----
  // The input streams whose sound a lane of its own can encode; empty when none can.
  static std::vector<bool> SoundLaneStreams(const TRunState& run);
  // Marks the input streams whose items the lane takes; false when it cannot take any.
  bool SplitSound();
  bool SoundItem(const TPipelineItem& item) const;
  void StartSoundLane();
  void SoundLane();
  void Dispatch(TPipelineItem item);
  // Waits until the lane has done everything it was given, then writes what it holds and
  // what this thread holds, in that order (the order of the items).
  void SyncSound();
  void StopSoundLane();
  void HoldPackets(bool hold);
  void CopyPacket(int index, const AVPacket& packet);
  void ApplyVolume(AVFrame& frame) const;
  int64_t WithoutLead(TInputStreamState& ist, int64_t pts) const;
  void Pace(const TInputStreamState& ist) const;
  void FinishOutputs();
  void ExpectSomethingWritten() const;

  TRunState& run_;
  TProgressReport report_;
  std::vector<bool> noPacket_;
  int noPacketCount_ = 0;
  int64_t lastReport_ = 0;
  TPacketPtr packet_;
  TFramePtr frame_;
  bool pipelined_ = false;
  std::vector<TInputStreamState> decoding_;  // the decoding thread's streams when pipelined
  std::unique_ptr<TFrameQueue> queue_;
  // Per input stream; used by the thread that preprocesses the pictures.
  std::vector<std::unique_ptr<TUprightTurn>> turns_;

  bool soundLane_ = false;
  std::vector<bool> soundStreams_;  // input streams the lane takes
  std::unique_ptr<TFrameQueue> soundQueue_;
  std::thread soundThread_;
  std::vector<THeldPacket> soundHeld_;   // the lane's packets; read by the worker when it is idle
  std::vector<THeldPacket> outputHeld_;  // the worker's own
  int sinceSync_ = 0;                    // items given to the lane since the last write
  std::mutex soundMutex_;                // guards soundPending_, soundError_
  std::condition_variable soundDone_;
  int soundPending_ = 0;
  std::exception_ptr soundError_;
};

}  // namespace qarvo
