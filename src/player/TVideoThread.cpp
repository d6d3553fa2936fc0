#include "player/TVideoThread.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "base/EngineError.h"
#include "media/DisplayRotation.h"
#include "media/EngineLogger.h"
#include "media/TVideoFilterGraph.h"
#include "media/Timestamps.h"
#include "player/TPlayEventQueue.h"
#include "player/TPlayerHost.h"
#include "player/TPlayerState.h"

namespace qarvo {

namespace {
constexpr auto kPausePoll = std::chrono::milliseconds(10);
// Scaler flags of the graph: bicubic.
constexpr int kBicubic = 4;
}  // namespace

TVideoThread::TVideoThread(TPlayerState& state)
    : state_(state), decoded_(MakeFrame()), filtered_(MakeFrame()), packet_(MakePacket()) {}

TVideoThread::~TVideoThread() = default;

void TVideoThread::Run(const std::shared_ptr<TPlayerState>& state) {
  try {
    TVideoThread thread(*state);
    thread.Loop();
  } catch (const std::exception& e) {
    TEngineLogger::GetLogger().Log(state->Host, TLogLevel::llError, e.what());
  }
}

void TVideoThread::Loop() {
  for (;;) {
    while (state_.Paused && !state_.VideoQueue.Aborted() && !state_.PausedAtSeek &&
           state_.StepCount == 0)
      std::this_thread::sleep_for(kPausePoll);
    const int got = GetVideoFrame();
    if (got < 0) break;
    if (got == 0) continue;
    if (!FilterAndOutput()) break;
  }
}

int TVideoThread::GetVideoFrame() {
  AVCodecContext* codec = state_.VideoCodec.get();
  for (;;) {
    const int received = api().avcodec_receive_frame(codec, decoded_.get());
    if (received >= 0) {
      decoded_->pts = decoded_->best_effort_timestamp;
      // While playback is behind, only every SkipFrames-th picture goes on.
      state_.SkipFramesIndex += 1;
      const double skip = state_.SkipFrames;
      if (state_.SkipFramesIndex < skip) {
        api().av_frame_unref(decoded_.get());
        continue;
      }
      state_.SkipFramesIndex -= std::max(skip, 1.0);
      return 1;
    }
    if (received == AVERROR_EOF && draining_) {
      draining_ = false;
      drained_ = true;
    }
    TQueuedPacket next;
    if (state_.VideoQueue.Get(next, true) < 0) return -1;
    switch (next.Kind) {
      case TQueuedKind::Flush:
        FlushAfterSeek();
        return 0;
      case TQueuedKind::End:
        EndOfStream();
        continue;
      case TQueuedKind::Data:
        break;
    }
    if (drained_) {
      api().avcodec_flush_buffers(codec);
      drained_ = false;
    }
    // A packet the decoder refuses is skipped, as a damaged one would be.
    api().avcodec_send_packet(codec, next.Packet.get());
  }
}

void TVideoThread::FlushAfterSeek() {
  api().avcodec_flush_buffers(state_.VideoCodec.get());
  draining_ = drained_ = false;
  {
    std::unique_lock<std::mutex> lock(state_.Pictures.Mutex);
    for (TVideoPicture& picture : state_.Pictures.Pictures) picture.TargetClock = 0;
    // The play thread drops the stale pictures (SkipQueued); wait for it.
    state_.Pictures.Changed.wait(
        lock, [this] { return state_.Pictures.Size == 0 || state_.VideoQueue.Aborted(); });
    state_.Pictures.ShowFirst = true;
  }
  state_.VideoCurrentPos = -1;
  state_.Clock.Restart(PlayerNow());
  state_.SkipFrames = 1.0;
  state_.SkipFramesIndex = 0;
  state_.FirstAfterSeek = true;
}

void TVideoThread::EndOfStream() {
  if (!draining_ && !drained_) {
    api().avcodec_send_packet(state_.VideoCodec.get(), nullptr);
    draining_ = true;
    return;
  }
  if (!drained_ || state_.EndReported) return;
  // The end is reported once the last pictures have been shown.
  bool shown;
  {
    std::lock_guard<std::mutex> lock(state_.Pictures.Mutex);
    shown = state_.Pictures.Size == 0;
  }
  if (shown) state_.Host->PositionUpdate();
}

bool TVideoThread::EnsureGraph(const AVFrame& frame) {
  if (graph_ && frame.width == graphWidth_ && frame.height == graphHeight_ &&
      frame.format == graphFormat_)
    return true;
  graph_.reset();
  TGraphSpec spec;
  spec.Width = frame.width;
  spec.Height = frame.height;
  spec.PixFmt = static_cast<AVPixelFormat>(frame.format);
  spec.SampleAspect = frame.sample_aspect_ratio;
  // Shown upright, as the conversion turns it: what the hook draws and the editing dialogs
  // measure is then the picture the output has.
  spec.Rotation = DisplayRotation(*state_.VideoSt);
  spec.OutPixFmt = AV_PIX_FMT_YUV420P;
  spec.SwsFlags = kBicubic;
  try {
    graph_ = std::make_unique<TVideoFilterGraph>(spec);
  } catch (const EEngineError& e) {
    TEngineLogger::GetLogger().Log(state_.Host, TLogLevel::llError, e.what());
    return false;
  }
  graphWidth_ = frame.width;
  graphHeight_ = frame.height;
  graphFormat_ = frame.format;
  state_.DecodedWidth = graph_->OutWidth();
  state_.DecodedHeight = graph_->OutHeight();
  return true;
}

bool TVideoThread::FilterAndOutput() {
  if (!EnsureGraph(*decoded_)) return false;
  const AVRational timeBase = state_.VideoSt->time_base;
  const int64_t pos = decoded_->pkt_pos;
  decoded_->pts = ToMicroseconds(decoded_->pts, timeBase);
  try {
    graph_->Push(decoded_.get());
  } catch (const EEngineError& e) {
    TEngineLogger::GetLogger().Log(state_.Host, TLogLevel::llError, e.what());
    return false;
  }
  api().av_frame_unref(decoded_.get());
  while (graph_->Pull(*filtered_)) {
    if (state_.SkipQueued && state_.FirstAfterSeek) {
      state_.SkipQueued = false;
      state_.PausedAtSeek = false;
    }
    const double pts = filtered_->pts == AV_NOPTS_VALUE ? -1.0 : filtered_->pts / 1e6;
    TFramePtr picture = MakeFrame();
    api().av_frame_move_ref(picture.get(), filtered_.get());
    if (!OutputPicture(std::move(picture), pts, pos)) return false;
    TPlayerControls& controls = state_.Host->Controls();
    controls.PictureDecoded.Set();
    state_.EndReported = false;
    if (!state_.SeekRequest) controls.Seeking = false;
    if (state_.StepCount > 0) {
      if (state_.StepCount > 1) {
        state_.StepCount = 0;
        state_.Host->ReportState(TPlayState::psPause);
      } else {
        state_.StepCount = state_.StepCount + 1;
      }
    }
  }
  return true;
}

double TVideoThread::FrameDuration(const AVFrame& picture) const {
  AVRational rate = state_.VideoSt->avg_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) rate = state_.VideoSt->r_frame_rate;
  double duration = rate.num > 0 && rate.den > 0 ? av_q2d(av_inv_q(rate)) : 0.04;
  return duration + picture.repeat_pict * duration * 0.5;
}

bool TVideoThread::OutputPicture(TFramePtr picture, double pts, int64_t pos) {
  pts = state_.Clock.Advance(pts, FrameDuration(*picture));

  TPictureQueue& queue = state_.Pictures;
  {
    std::unique_lock<std::mutex> lock(queue.Mutex);
    if (queue.Size > 1 && !state_.RefreshPending)
      state_.SkipFrames = std::max(0.95, state_.SkipFrames * 0.95);
    queue.Changed.wait(
        lock, [&] { return queue.Size < TPictureQueue::kSize || state_.VideoQueue.Aborted(); });
    if (state_.VideoQueue.Aborted()) return false;
  }
  // The hook and subtitle blending write into the picture: it must be ours alone.
  if (api().av_frame_make_writable(picture.get()) < 0) return false;
  TVideoPicture& entry = queue.Write();
  const bool resized =
      !entry.Allocated || entry.Width != picture->width || entry.Height != picture->height;
  if (state_.Host->Controls().Hook) {
    uint8_t* const planes[3] = {picture->data[0], picture->data[1], picture->data[2]};
    const int pitches[3] = {picture->linesize[0], picture->linesize[1], picture->linesize[2]};
    state_.Host->HookPicture(*picture, planes, pitches, pts);
  }
  entry.Width = picture->width;
  entry.Height = picture->height;
  entry.Frame = std::move(picture);
  entry.Allocated = true;
  entry.Pts = pts;
  entry.Pos = pos;
  entry.SubtitlesBlended = false;
  // A new size needs the play thread to fit its surface to it.
  if (resized) state_.Events->Post(TPlayEventKind::Allocate);
  std::lock_guard<std::mutex> lock(queue.Mutex);
  queue.WriteIndex = (queue.WriteIndex + 1) % TPictureQueue::kSize;
  entry.TargetClock = state_.ComputeTargetClock(pts);
  ++queue.Size;
  queue.Changed.notify_all();
  return true;
}

}  // namespace qarvo
