// Creates the streams of an output file from the task's option state: encoder choice (by
// name or guessed from the container), frame rate, size, pixel and sample formats, quality
// settings, languages; or the settings of a stream-copy stream.
#pragma once

#include <string>

#include "media/LibraryApi.h"

namespace qarvo {

class TTaskContext;
struct TOpenedOutput;
struct TCreatedOutputStream;

class TStreamFactory {
 public:
  TStreamFactory(TTaskContext& task, TOpenedOutput& output) : task_(task), output_(output) {}

  // Each raises EEngineError ("Could not alloc stream", the codec lookup text,
  // "error parsing rc_override") and then leaves the output without the new stream.
  void NewVideoStream();
  void NewAudioStream();
  void NewSubtitleStream();

 private:
  // The encoder named by `name`, or the container's choice for the kind when `name` is empty.
  const AVCodec* ChooseEncoder(const std::string& name, AVMediaType type);
  TCreatedOutputStream CreateStream(const AVCodec* codec, AVMediaType type, int kindIndex,
                                    uint32_t tag);
  AVStream* AddToContainer(TCreatedOutputStream& created);
  void ConfigureVideoEncoder(AVCodecContext& enc, const AVCodec& codec);
  void ConfigureAudioEncoder(AVCodecContext& enc, const AVCodec& codec);
  AVRational SampleAspectRatio() const;
  void SetLanguage(AVStream& st, std::string& language);

  TTaskContext& task_;
  TOpenedOutput& output_;
};

// "start,end,q/start,end,q..." onto the encoder; raises "error parsing rc_override".
void ParseRcOverride(const std::string& text, AVCodecContext& enc);

}  // namespace qarvo
