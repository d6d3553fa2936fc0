// The task's named library options: every option name the dispatcher does not handle itself
// is set here on option contexts that hold library defaults, remembered, and later copied
// onto each real decoder, encoder, container and scaler context the task creates.
//
// Today's encoders and muxers keep many options as private options. A name that is no
// common option but a private option of the encoder chosen for a media kind (vcodec, acodec,
// scodec) or of the chosen output format (f) is validated on a scratch object of that encoder
// or muxer and remembered with its owner; EncoderOptions / MuxerOptions hand those back as a
// dictionary for avcodec_open2 / avformat_write_header. A name no option context knows and no
// chosen encoder or format owns yet is kept with its value: the encoder or muxer guessed later
// from the output file name takes it when it has a private option of that name.
#pragma once

#include <string>
#include <vector>

#include "media/LibraryObjects.h"

namespace qarvo {

// What the private options may reach when a name is set: the encoders chosen so far and the
// pending output format (empty names when none).
struct TPrivateTargets {
  std::string VideoEncoder;
  std::string AudioEncoder;
  std::string SubtitleEncoder;
  std::string OutputFormat;
};

class TGenericOptions {
 public:
  // Option contexts with the library defaults (only when the libraries are loaded).
  TGenericOptions();
  ~TGenericOptions();
  TGenericOptions(const TGenericOptions&) = delete;
  TGenericOptions& operator=(const TGenericOptions&) = delete;

  bool Created() const { return created_; }
  // A task that opens its files only when it starts holds no option contexts while it waits:
  // Release frees them with nothing set yet; Create makes them (again) when they are missing.
  void Release();
  void Create();
  // Frees the contexts and forgets what was set: a task that has ended needs neither.
  void Clear();

  // The generic setter: true when a library option took the value. A rejected value logs
  // "Invalid value" at error level; an unknown name gives false silently. Legacy names are
  // translated first (NameMapping).
  bool Set(const std::string& name, const std::string& value, const TPrivateTargets& targets);

  // Copies the remembered options onto a real codec, container or scaler context: each name
  // set on the matching option context (the codec context's media kind picks the codec
  // option context) whose option there carries all of `flags` is set again, in order, with
  // the value given (so "+flag" values add to the real context's own defaults), e.g.
  // AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM. Values the real context rejects
  // are logged. Call before opening the context. An encoder context allocated for its codec
  // and an output context with its muxer also get the private options remembered for that
  // encoder (matched by name) or muxer, set on their private data.
  void ApplyTo(void* obj, int flags) const;
  // The same private options as name/value pairs, for callers that pass them to the open
  // call instead (avcodec_open2 / avformat_write_header) and log what is left unused.
  TDictionary EncoderOptions(const AVCodec* codec) const;
  TDictionary MuxerOptions(const AVOutputFormat* format) const;

  // The remembered names in order (a name given twice is listed twice).
  const std::vector<std::string>& Names() const { return names_; }
  // Option contexts: 0 video, 1 audio, 2 data, 3 subtitle, 4 attachment.
  AVCodecContext* CodecContext(AVMediaType kind) const;
  AVFormatContext* FormatContext() const { return format_.get(); }
  SwsContext* ScalerContext() const { return scaler_.get(); }
  // Integer value of a common option in an option context (0 when absent).
  int64_t CodecInt(AVMediaType kind, const char* name) const;

 private:
  enum TSource { sVideo, sAudio, sData, sSubtitle, sAttachment, sFormat, sScaler, kSources };
  struct TSetName {
    std::string Name;
    std::string Value;
    unsigned Sources = 0;  // bit per TSource that took the value under this name
  };
  struct TPrivateOwner {
    bool Muxer = false;
    std::string Name;        // encoder or muxer name
    TCodecContextPtr Codec;  // scratch encoder context holding the private values
    TOutputFormatContextPtr Format;
  };
  struct TPrivateName {
    size_t Owner;
    std::string Name;
  };
  struct TUnclaimedName {
    std::string Name;
    std::string Value;
  };

  bool SetOne(const std::string& name, const std::string& value, const TPrivateTargets& targets);
  // Returns 1 set, 0 not found, -1 rejected.
  int SetCommon(const std::string& name, const std::string& value, unsigned& sources);
  int SetPrivate(const std::string& name, const std::string& value, const TPrivateTargets& targets);
  TPrivateOwner* Owner(bool muxer, const std::string& name);
  void* Source(int source) const;
  void UpdateDebugLevel() const;
  // The private options remembered for the encoder or muxer of a real context, set on its
  // private data.
  void ApplyPrivate(void* obj, int source, int flags) const;
  // The unclaimed names that a private option of `privateClass` takes, into `options`.
  void AddUnclaimed(const AVClass* const* privateClass, TDictionary& options) const;

  bool created_ = false;
  TCodecContextPtr codecs_[5];
  TOutputFormatContextPtr format_;
  TSwsContextPtr scaler_;
  std::vector<std::string> names_;
  std::vector<TSetName> setNames_;
  std::vector<TPrivateOwner> owners_;
  std::vector<TPrivateName> privateNames_;
  std::vector<TUnclaimedName> unclaimed_;
};

}  // namespace qarvo
