// The audio output path of one encoded stream: resampling, channel and sample-format
// conversion (swresample), drift handling against the input clock (drop, silence, stretch),
// and cutting the samples into the encoder's frames through a FIFO.
#pragma once

#include <cstdint>

#include "media/LibraryObjects.h"

namespace qarvo {

struct TRunState;
struct TOutputStreamState;
struct TInputStreamState;

class TAudioOutput {
 public:
  TAudioOutput(TRunState& run, TOutputStreamState& ost, const TInputStreamState& ist);
  ~TAudioOutput();

  // One decoded chunk of the source, at the source's Pts.
  void Process(TRunState& run, TOutputStreamState& ost, TInputStreamState& ist,
               const AVFrame& chunk);
  // End of the source: the resampler's tail and the FIFO's last partial frame.
  void Flush(TRunState& run, TOutputStreamState& ost);

 private:
  void EnsureConverter(TRunState& run, const TOutputStreamState& ost, const AVFrame& chunk);
  int Synchronise(TRunState& run, TOutputStreamState& ost, TInputStreamState& ist,
                  const AVFrame& chunk);
  void Convert(const AVFrame& chunk, int skip);
  void AddSilence(int samples);
  void EncodeFrames(TRunState& run, TOutputStreamState& ost, bool last);
  void CutTailToPictures(const TOutputStreamState& ost);
  void SendFrame(TRunState& run, TOutputStreamState& ost, int samples, int padTo);

  AVCodecContext* encoder_;
  bool exitOnError_;
  const void* logSender_;
  TSwrContextPtr resampler_;
  bool forceResample_ = false;  // async above 1: stretching needs the resampler
  int inRate_ = 0;
  int inFormat_ = -1;
  AVChannelLayout inLayout_{};
  TAudioFifoPtr fifo_;
  TFramePtr converted_;  // resampler output buffer, grown when too small
  TFramePtr frame_;      // frame handed to the encoder
  int frameSize_ = 0;    // samples per encoder frame; 0 for any size
  // Pictures of the same output, whose end the sound's tail is cut to; null without them.
  const TOutputStreamState* pictures_ = nullptr;
  int reserve_ = 0;        // samples kept back from the encoder until the end is known
  bool jumpSeen_ = false;  // the last chunk's clock was ahead of the sound by a jump
};

}  // namespace qarvo
