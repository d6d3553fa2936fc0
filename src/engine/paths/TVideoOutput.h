// The video output path of one encoded stream: keeps the output frame rate by dropping or
// duplicating pictures, crops and scales (directly or through the stream's filter graph),
// encodes, and writes the statistics lines.
#pragma once

#include <cstdint>
#include <memory>

#include "media/LibraryObjects.h"

namespace qarvo {

struct TRunState;
struct TOutputStreamState;
struct TInputStreamState;
class TVideoFilterGraph;

class TVideoOutput {
 public:
  // Encoding configuration of the stream; raises the set-up messages.
  TVideoOutput(TRunState& run, TOutputStreamState& ost, const TInputStreamState& ist);
  ~TVideoOutput();

  // A decoded (and pre-processed) picture of the source at `pts` µs.
  void Process(TRunState& run, TOutputStreamState& ost, TInputStreamState& ist, AVFrame& picture);
  // End of the source: pictures still inside the filter graph.
  void Flush(TRunState& run, TOutputStreamState& ost, TInputStreamState& ist);
  bool UsesFilterGraph() const { return graph_ != nullptr; }

 private:
  void BuildGraph(TRunState& run, const AVFrame* picture);
  void Emit(TRunState& run, TOutputStreamState& ost, TInputStreamState& ist, AVFrame& picture,
            int64_t timeUs);
  // Copies of a picture shown from `timeUs` until `endUs` (no-timestamp when unknown).
  int FrameCount(TRunState& run, TOutputStreamState& ost, int64_t timeUs, int64_t endUs);
  AVFrame* Scale(TRunState& run, TOutputStreamState& ost, const TInputStreamState& ist,
                 AVFrame& picture);
  void Rebuild(TRunState& run, const AVFrame& picture);
  void SendPicture(TRunState& run, TOutputStreamState& ost, const TInputStreamState& ist,
                   const AVFrame& scaled, const AVFrame& picture);
  void HoldLastPicture(TRunState& run, TOutputStreamState& ost, const TInputStreamState& ist);
  // Sends `copies` of a picture and keeps it as the last one.
  void Send(TRunState& run, TOutputStreamState& ost, const TInputStreamState& ist, AVFrame& scaled,
            const AVFrame& picture, int copies);
  // Settles the picture held back at a jump of the clock, once the next picture's time
  // (`nextUs`) or the end of the pictures (no-timestamp) tells whether the jump was real.
  void SettleJump(TRunState& run, TOutputStreamState& ost, const TInputStreamState& ist,
                  int64_t nextUs);
  void WriteStatistics(TRunState& run, TOutputStreamState& ost, int64_t frameBytes);

  AVCodecContext* encoder_;
  std::unique_ptr<TVideoFilterGraph> graph_;
  TSwsContextPtr scaler_;
  TFramePtr temp_;           // scaled picture, encoder size and format
  TFramePtr filtered_;       // picture taken from the graph
  TFramePtr encoded_;        // cropped view of a picture
  TFramePtr sending_;        // reference handed to the encoder
  TFramePtr last_;           // the last picture encoded, held for the end of the stream
  bool lastIsTemp_ = false;  // the last picture encoded is the one in temp_
  // A picture whose time jumped ahead of the output's next slot, held back until the next
  // picture confirms the jump (its copies fill the gap) or shows a stray timestamp (sent once).
  TFramePtr jumped_;
  int jumpedCopies_ = 0;
  int64_t jumpedUs_ = 0;
  bool strayEnd_ = false;  // the last picture's time was stray: it is not held to it
  bool resample_ = false;
  bool crop_ = false;
  int top_ = 0, bottom_ = 0, left_ = 0, right_ = 0;
  int baseTop_ = 0, baseBottom_ = 0, baseLeft_ = 0, baseRight_ = 0;
  int baseWidth_ = 0, baseHeight_ = 0;
  int resampleWidth_ = 0, resampleHeight_ = 0;
  int resamplePixFmt_ = AV_PIX_FMT_NONE;
  int decodedWidth_ = 0, decodedHeight_ = 0, decodedPixFmt_ = AV_PIX_FMT_NONE;
};

}  // namespace qarvo
