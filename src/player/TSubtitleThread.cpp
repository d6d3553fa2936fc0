#include "player/TSubtitleThread.h"

#include <chrono>
#include <thread>
#include <utility>

#include "media/EngineLogger.h"
#include "player/TPlayerState.h"

namespace qarvo {

void TSubtitleThread::Run(const std::shared_ptr<TPlayerState>& state) {
  try {
    Loop(*state);
  } catch (const std::exception& e) {
    TEngineLogger::GetLogger().Log(state->Host, TLogLevel::llError, e.what());
  }
}

void TSubtitleThread::Loop(TPlayerState& state) {
  TSubpictureQueue& queue = state.Subpictures;
  for (;;) {
    while (state.Paused && !state.SubtitleQueue.Aborted())
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    TQueuedPacket next;
    if (state.SubtitleQueue.Get(next, true) < 0) return;
    if (next.Kind == TQueuedKind::Flush) {
      api().avcodec_flush_buffers(state.SubtitleCodec.get());
      continue;
    }
    if (next.Kind != TQueuedKind::Data) continue;
    {
      std::unique_lock<std::mutex> lock(queue.Mutex);
      queue.Changed.wait(lock, [&] {
        return queue.Size < TSubpictureQueue::kSize || state.SubtitleQueue.Aborted();
      });
      if (state.SubtitleQueue.Aborted()) return;
    }
    TSubPicture& entry = queue.Pictures[queue.WriteIndex];
    int got = 0;
    TSubtitle sub;
    const int result =
        api().avcodec_decode_subtitle2(state.SubtitleCodec.get(), &sub, &got, next.Packet.get());
    // Only bitmap subtitles are drawn.
    if (result < 0 || !got || sub.format != 0) continue;
    double pts = 0;
    if (sub.pts != AV_NOPTS_VALUE)
      pts = sub.pts / static_cast<double>(AV_TIME_BASE);
    else if (next.Packet->pts != AV_NOPTS_VALUE)
      pts = next.Packet->pts * av_q2d(state.SubtitleSt->time_base);
    std::lock_guard<std::mutex> lock(queue.Mutex);
    entry.Sub = std::move(sub);
    entry.Pts = pts;
    entry.Valid = true;
    queue.WriteIndex = (queue.WriteIndex + 1) % TSubpictureQueue::kSize;
    ++queue.Size;
  }
}

}  // namespace qarvo
