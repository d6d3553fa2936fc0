// The pipelined run of TTranscodeLoop: the decoding thread, the frame queue's two ends, and
// the sound lane with its ordered writes.
#include <chrono>
#include <exception>
#include <thread>

#include "base/EngineError.h"
#include "engine/paths/TPacketWriter.h"
#include "engine/paths/TRunState.h"
#include "engine/run/TFrameQueue.h"
#include "engine/run/TTranscodeLoop.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {

namespace {

// How far the decoding thread may run ahead: enough to ride out an expensive picture on
// either side, few enough that memory stays flat.
constexpr int kQueuedItems = 64;
constexpr int kQueuedPictures = 6;

// The decoding thread leaves through this when the output side gave up.
struct TPipelineAborted {};

// Items the output side and the sound lane may each take on before they meet to write what
// they hold (also through a stretch with no picture, such as the sound outlasting them), so
// the held packets stay few; reports bring a meeting sooner.
constexpr int kMostSoundAhead = 200;

}  // namespace

void TTranscodeLoop::RunPipelined() {
  pipelined_ = true;
  decoding_ = run_.InputStreams;
  queue_ = std::make_unique<TFrameQueue>(kQueuedItems, kQueuedPictures);
  std::exception_ptr decodeError;
  std::thread decoder([this, &decodeError] {
    try {
      ReadLoop();
      DrainDecoders();
      queue_->Push(TPipelineItem{});
    } catch (const TPipelineAborted&) {
    } catch (...) {
      decodeError = std::current_exception();
      queue_->Abort();
    }
  });
  try {
    if (SplitSound()) StartSoundLane();
    OutputItems();
    StopSoundLane();
  } catch (...) {
    queue_->Abort();
    if (soundQueue_) soundQueue_->Abort();
    if (soundThread_.joinable()) soundThread_.join();
    HoldPackets(false);
    decoder.join();
    throw;
  }
  decoder.join();
  if (decodeError) std::rethrow_exception(decodeError);
  FinishOutputs();
}

std::vector<bool> TTranscodeLoop::SoundLaneStreams(const TRunState& run) {
  std::vector<bool> lane(run.InputStreams.size(), false), other(run.InputStreams.size(), false);
  bool sound = false, rest = false;
  for (const TOutputStreamState& ost : run.OutputStreams) {
    const bool own = ost.Audio && ost.EncodingNeeded && ost.SyncSource == ost.SourceIndex;
    const bool audio = ost.Stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
    // Sound copied or synchronised to another stream would share counters and clocks.
    if (audio && !own) return {};
    (own ? lane : other)[ost.SourceIndex] = true;
    (own ? sound : rest) = true;
  }
  for (size_t i = 0; i < other.size(); ++i)
    if (lane[i] && other[i]) return {};
  if (!sound || !rest) return {};
  return lane;
}

int TTranscodeLoop::PipelineLanes(const TRunState& run) {
  if (!run.Options.Pipelined || !CanPipeline(run)) return 0;
  return SoundLaneStreams(run).empty() ? 2 : 3;
}

bool TTranscodeLoop::SplitSound() {
  soundStreams_ = SoundLaneStreams(run_);
  return !soundStreams_.empty();
}

bool TTranscodeLoop::SoundItem(const TPipelineItem& item) const {
  if (!soundLane_ || item.Index < 0 || !soundStreams_[item.Index]) return false;
  return (item.Kind == TPipelineItem::TKind::Frame && !item.Picture) ||
         item.Kind == TPipelineItem::TKind::Clock;
}

void TTranscodeLoop::HoldPackets(bool hold) {
  for (TOutputStreamState& ost : run_.OutputStreams) {
    const bool lane =
        ost.SourceIndex < static_cast<int>(soundStreams_.size()) && soundStreams_[ost.SourceIndex];
    ost.Writer->HoldIn(hold ? (lane ? &soundHeld_ : &outputHeld_) : nullptr);
  }
}

void TTranscodeLoop::StartSoundLane() {
  soundLane_ = true;
  HoldPackets(true);
  soundQueue_ = std::make_unique<TFrameQueue>(kMostSoundAhead, kMostSoundAhead);
  soundThread_ = std::thread([this] { SoundLane(); });
}

void TTranscodeLoop::SoundLane() {
  TTaskContext& task = run_.Task;
  TPipelineItem item;
  while (soundQueue_->Pop(item)) {
    if (item.Kind == TPipelineItem::TKind::End) return;
    // No gate here: the output side may wait for this lane, so the lane always drains what
    // it was given; a pause holds the output side, and with it whatever feeds the lane.
    try {
      if (!task.StopRequested) OutputItem(item);
    } catch (...) {
      {
        std::lock_guard lock(soundMutex_);
        soundError_ = std::current_exception();
      }
      soundDone_.notify_all();
      soundQueue_->Abort();  // the worker may wait to give it more
      return;
    }
    item = TPipelineItem{};
    bool idle;
    {
      std::lock_guard lock(soundMutex_);
      idle = --soundPending_ == 0;
    }
    if (idle) soundDone_.notify_all();
  }
}

void TTranscodeLoop::Dispatch(TPipelineItem item) {
  {
    std::lock_guard lock(soundMutex_);
    ++soundPending_;
  }
  if (!soundQueue_->Push(std::move(item))) {
    std::lock_guard lock(soundMutex_);
    if (soundError_) std::rethrow_exception(soundError_);
    throw EEngineError("the sound encoding ended early");
  }
  if (++sinceSync_ >= kMostSoundAhead) SyncSound();
}

void TTranscodeLoop::SyncSound() {
  if (!soundLane_) return;
  {
    std::unique_lock lock(soundMutex_);
    while (soundPending_ > 0 && !soundError_)
      soundDone_.wait_for(lock, std::chrono::milliseconds(100));
    if (soundError_) std::rethrow_exception(soundError_);
  }
  sinceSync_ = 0;
  TPacketWriter::WriteHeld(soundHeld_);
  TPacketWriter::WriteHeld(outputHeld_);
}

void TTranscodeLoop::StopSoundLane() {
  if (!soundLane_) return;
  SyncSound();
  soundQueue_->Push(TPipelineItem{});
  soundThread_.join();
  HoldPackets(false);
  soundLane_ = false;
}

void TTranscodeLoop::OutputItems() {
  TTaskContext& task = run_.Task;
  TPipelineItem item;
  for (;;) {
    task.PauseGate.Wait();
    // A pause that finds the queue empty (the decoding side is held) must reach the gate too.
    const auto popped = queue_->Pop(item, [&] { return task.PauseGate.IsClosed(); });
    if (popped == TFrameQueue::TPopped::Interrupted) continue;
    if (popped == TFrameQueue::TPopped::Aborted) return;  // the decoding side failed
    if (item.Kind == TPipelineItem::TKind::End) return;
    // What a stop leaves in the queue is not worth waiting for.
    if (!task.StopRequested) {
      if (SoundItem(item)) {
        Dispatch(std::move(item));
        item = TPipelineItem{};
        continue;
      }
      OutputItem(item);
      // Packets reach the muxer in decoding-time order whatever the batch, so the two
      // sides meet only now and then; a report reads the lane's streams, so it waits too.
      if (++sinceSync_ >= kMostSoundAhead || ReportDue()) {
        SyncSound();
        ReportIfDue(0);
      }
    }
    item = TPipelineItem{};
  }
}

void TTranscodeLoop::OutputItem(TPipelineItem& item) {
  TInputStreamState& ist = run_.InputStreams[item.Index];
  ist.Pts = item.Pts;
  ist.NextPts = item.NextPts;
  ist.Quality = item.Quality;
  ist.DecodedFrames = item.DecodedFrames;
  if (item.Kind == TPipelineItem::TKind::Frame) OutputFrame(item.Index, *item.Frame, item.Picture);
  if (item.Kind == TPipelineItem::TKind::Packet) OutputPacket(item.Index, *item.Packet);
}

void TTranscodeLoop::Push(TPipelineItem item, int index) {
  const TInputStreamState& ist = decoding_[index];
  item.Index = index;
  item.Pts = ist.Pts;
  item.NextPts = ist.NextPts;
  item.Quality = ist.Quality;
  item.DecodedFrames = ist.DecodedFrames;
  if (!queue_->Push(std::move(item))) throw TPipelineAborted{};
}

void TTranscodeLoop::EmitFrame(int index, AVFrame& frame, bool picture) {
  if (!pipelined_) {
    OutputFrame(index, frame, picture);
    return;
  }
  TPipelineItem item;
  item.Kind = TPipelineItem::TKind::Frame;
  item.Picture = picture;
  item.Frame = MakeFrame();
  api().av_frame_move_ref(item.Frame.get(), &frame);
  Push(std::move(item), index);
}

void TTranscodeLoop::EmitPacket(int index, const AVPacket& packet) {
  if (!pipelined_) {
    OutputPacket(index, packet);
    return;
  }
  TPipelineItem item;
  item.Kind = TPipelineItem::TKind::Packet;
  item.Packet.reset(api().av_packet_clone(&packet));
  if (!item.Packet) throw std::bad_alloc();
  Push(std::move(item), index);
}

// A clock that moved without output still reaches the output side (another stream may
// synchronise to it).
void TTranscodeLoop::EmitClock(int index) {
  if (!pipelined_) return;
  TPipelineItem item;
  item.Kind = TPipelineItem::TKind::Clock;
  Push(std::move(item), index);
}

}  // namespace qarvo
