// One encoded stream of a generated clip: encoder, output stream and the packets in between.
#pragma once

#include <functional>
#include <string>

#include "media/LibraryObjects.h"

namespace qarvo {

class TClipEncoder {
 public:
  // Finds encoder `codecName` and makes its context; the caller fills the context in before
  // Open().
  TClipEncoder(AVFormatContext& output, const std::string& codecName);
  TClipEncoder(const TClipEncoder&) = delete;
  TClipEncoder& operator=(const TClipEncoder&) = delete;

  const AVCodec& Codec() const { return *codec_; }
  AVCodecContext& Context() { return *context_; }

  // Opens the encoder with deterministic settings and adds its stream to the output. Every
  // option must be taken by the encoder.
  void Open(TDictionary options);

  // Where the next frame comes from; nullptr from it ends the stream.
  void SetSource(std::function<const AVFrame*()> source) { source_ = std::move(source); }

  // Moves the stream's packets so that the first starts at 0 rather than at a negative
  // time (an encoder's priming).
  void SetStartAtZero(bool on) { startAtZero_ = on; }
  // Moves every packet by `seconds` (a stream that starts late, or far off).
  void SetTimeOffset(double seconds) { shift_ = seconds; }
  // Leaves every packet without a duration, as writers that time pictures only by their
  // start do.
  void SetWithoutDurations(bool on) { withoutDurations_ = on; }
  // Stamps the first packet at or after `at` seconds `by` seconds late: its presentation time,
  // and its decoding time too when `decodingTime`.
  void SetStray(double at, double by, bool decodingTime) {
    strayAt_ = at;
    strayBy_ = by;
    strayDecoding_ = decodingTime;
  }
  // The output stream, once Open() added it.
  AVStream& Stream() { return *stream_; }

  // Encodes the next frame of the source (draining the encoder at its end) and writes every
  // packet that comes out.
  void Step();
  bool Finished() const { return finished_; }
  // Seconds of media sent to the encoder so far.
  double Position() const { return position_; }

 private:
  void Encode(const AVFrame* frame);
  // Encoder clock units one picture lasts.
  int64_t PictureTicks() const;
  void WritePacket();
  std::string Call(const char* name) const;

  AVFormatContext& output_;
  std::string name_;
  const AVCodec* codec_ = nullptr;
  TCodecContextPtr context_;
  TPacketPtr packet_;
  AVStream* stream_ = nullptr;  // owned by output_
  std::function<const AVFrame*()> source_;
  double position_ = 0.0;
  bool startAtZero_ = false;
  bool offsetKnown_ = false;
  int64_t offset_ = 0;  // added to every timestamp, in the encoder's time base
  double shift_ = 0.0;  // seconds
  double strayAt_ = 0.0, strayBy_ = 0.0;
  bool strayDecoding_ = false;
  bool strayDone_ = false;
  bool withoutDurations_ = false;
  bool finished_ = false;
};

}  // namespace qarvo
