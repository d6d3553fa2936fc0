// The video thread: decodes the video queue's packets, converts every picture to planar
// YUV 4:2:0 through a filter graph and queues it, timed, for the play thread.
#pragma once

#include <memory>

#include "media/LibraryObjects.h"

namespace qarvo {

struct TPlayerState;
class TVideoFilterGraph;

class TVideoThread {
 public:
  static void Run(const std::shared_ptr<TPlayerState>& state);

  ~TVideoThread();
  TVideoThread(const TVideoThread&) = delete;
  TVideoThread& operator=(const TVideoThread&) = delete;

 private:
  explicit TVideoThread(TPlayerState& state);
  void Loop();
  // 1 with a decoded picture to show, 0 with none yet, -1 when the queue was aborted.
  int GetVideoFrame();
  void FlushAfterSeek();
  void EndOfStream();
  bool FilterAndOutput();
  bool EnsureGraph(const AVFrame& frame);
  // Queues the picture for display; false when the queue was aborted.
  bool OutputPicture(TFramePtr picture, double pts, int64_t pos);
  double FrameDuration(const AVFrame& picture) const;

  TPlayerState& state_;
  TFramePtr decoded_;
  TFramePtr filtered_;
  TPacketPtr packet_;
  std::unique_ptr<TVideoFilterGraph> graph_;
  int graphWidth_ = 0;
  int graphHeight_ = 0;
  int graphFormat_ = AV_PIX_FMT_NONE;
  bool draining_ = false;  // the end marker was sent to the decoder
  bool drained_ = false;   // the decoder gave everything it had
};

}  // namespace qarvo
