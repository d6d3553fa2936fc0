// One owner type per library object. Nothing outside this file calls a free routine.
#pragma once

#include <memory>
#include <new>
#include <string>

#include "base/EngineError.h"
#include "media/ErrorText.h"
#include "media/LibraryApi.h"

namespace qarvo {

struct TFrameDeleter {
  void operator()(AVFrame* p) const { api().av_frame_free(&p); }
};
struct TPacketDeleter {
  void operator()(AVPacket* p) const { api().av_packet_free(&p); }
};
struct TCodecContextDeleter {
  void operator()(AVCodecContext* p) const { api().avcodec_free_context(&p); }
};
struct TCodecParametersDeleter {
  void operator()(AVCodecParameters* p) const { api().avcodec_parameters_free(&p); }
};
// An input context is closed (which also frees it); an output one closes its file first.
struct TInputFormatContextDeleter {
  void operator()(AVFormatContext* p) const { api().avformat_close_input(&p); }
};
struct TOutputFormatContextDeleter {
  void operator()(AVFormatContext* p) const {
    if (p->pb && !(p->oformat->flags & AVFMT_NOFILE) && !(p->flags & AVFMT_FLAG_CUSTOM_IO))
      api().avio_closep(&p->pb);
    api().avformat_free_context(p);
  }
};
struct TIOContextDeleter {
  void operator()(AVIOContext* p) const {
    api().av_freep(&p->buffer);
    api().avio_context_free(&p);
  }
};
struct TSwsContextDeleter {
  void operator()(SwsContext* p) const { api().sws_freeContext(p); }
};
struct TSwrContextDeleter {
  void operator()(SwrContext* p) const { api().swr_free(&p); }
};
struct TFilterGraphDeleter {
  void operator()(AVFilterGraph* p) const { api().avfilter_graph_free(&p); }
};
struct TFilterInOutDeleter {
  void operator()(AVFilterInOut* p) const { api().avfilter_inout_free(&p); }
};
struct TBSFContextDeleter {
  void operator()(AVBSFContext* p) const { api().av_bsf_free(&p); }
};
struct TAudioFifoDeleter {
  void operator()(AVAudioFifo* p) const { api().av_audio_fifo_free(p); }
};
struct TBufferPoolDeleter {
  void operator()(AVBufferPool* p) const { api().av_buffer_pool_uninit(&p); }
};
struct TAvMemoryDeleter {
  void operator()(void* p) const { api().av_free(p); }
};

using TFramePtr = std::unique_ptr<AVFrame, TFrameDeleter>;
using TPacketPtr = std::unique_ptr<AVPacket, TPacketDeleter>;
using TCodecContextPtr = std::unique_ptr<AVCodecContext, TCodecContextDeleter>;
using TCodecParametersPtr = std::unique_ptr<AVCodecParameters, TCodecParametersDeleter>;
using TInputFormatContextPtr = std::unique_ptr<AVFormatContext, TInputFormatContextDeleter>;
using TOutputFormatContextPtr = std::unique_ptr<AVFormatContext, TOutputFormatContextDeleter>;
using TIOContextPtr = std::unique_ptr<AVIOContext, TIOContextDeleter>;
using TSwsContextPtr = std::unique_ptr<SwsContext, TSwsContextDeleter>;
using TSwrContextPtr = std::unique_ptr<SwrContext, TSwrContextDeleter>;
using TFilterGraphPtr = std::unique_ptr<AVFilterGraph, TFilterGraphDeleter>;
using TFilterInOutPtr = std::unique_ptr<AVFilterInOut, TFilterInOutDeleter>;
using TBSFContextPtr = std::unique_ptr<AVBSFContext, TBSFContextDeleter>;
using TAudioFifoPtr = std::unique_ptr<AVAudioFifo, TAudioFifoDeleter>;
using TBufferPoolPtr = std::unique_ptr<AVBufferPool, TBufferPoolDeleter>;
template <typename T>
using TAvMemoryPtr = std::unique_ptr<T, TAvMemoryDeleter>;

// Owns an AVDictionary; Get() hands out the address the library calls want.
class TDictionary {
 public:
  TDictionary() = default;
  TDictionary(const TDictionary& other) { CopyFrom(other); }
  TDictionary& operator=(const TDictionary& other) {
    if (this != &other) {
      Clear();
      CopyFrom(other);
    }
    return *this;
  }
  TDictionary(TDictionary&& other) noexcept : dict_(other.dict_) { other.dict_ = nullptr; }
  TDictionary& operator=(TDictionary&& other) noexcept {
    if (this != &other) {
      Clear();
      dict_ = other.dict_;
      other.dict_ = nullptr;
    }
    return *this;
  }
  ~TDictionary() { Clear(); }

  void Clear() {
    if (dict_) api().av_dict_free(&dict_);
  }
  // Raises EEngineError naming the key when the library cannot store the entry.
  void Set(const char* key, const char* value, int flags = 0) {
    const int result = api().av_dict_set(&dict_, key, value, flags);
    if (result < 0)
      throw EEngineError(CallErrorText(std::string("av_dict_set(") + key + ")", result));
  }
  const char* Find(const char* key, int flags = 0) const {
    const AVDictionaryEntry* e = dict_ ? api().av_dict_get(dict_, key, nullptr, flags) : nullptr;
    return e ? e->value : nullptr;
  }
  int Count() const { return dict_ ? api().av_dict_count(dict_) : 0; }
  AVDictionary* Raw() const { return dict_; }
  AVDictionary** Address() { return &dict_; }

 private:
  void CopyFrom(const TDictionary& other) {
    if (other.dict_) CheckCall(api().av_dict_copy(&dict_, other.dict_, 0), "av_dict_copy()");
  }

  AVDictionary* dict_ = nullptr;
};

// Owns what a decoder put into a subtitle. It is the library's struct itself, so a decoder
// writes into it and readers see its fields; moving hands the rectangles over, and a value
// that holds none never calls into the library.
class TSubtitle : public AVSubtitle {
 public:
  TSubtitle() : AVSubtitle{} {}
  TSubtitle(TSubtitle&& other) noexcept : AVSubtitle(other) { other.Forget(); }
  TSubtitle& operator=(TSubtitle&& other) noexcept {
    if (this != &other) {
      Reset();
      static_cast<AVSubtitle&>(*this) = other;
      other.Forget();
    }
    return *this;
  }
  TSubtitle(const TSubtitle&) = delete;
  TSubtitle& operator=(const TSubtitle&) = delete;
  ~TSubtitle() { Reset(); }

  void Reset() {
    if (rects) api().avsubtitle_free(this);
    Forget();
  }

 private:
  void Forget() { static_cast<AVSubtitle&>(*this) = AVSubtitle{}; }
};

// Allocation failures of these small objects are out-of-memory conditions, not media errors.
inline TFramePtr MakeFrame() {
  TFramePtr frame(api().av_frame_alloc());
  if (!frame) throw std::bad_alloc();
  return frame;
}
inline TPacketPtr MakePacket() {
  TPacketPtr packet(api().av_packet_alloc());
  if (!packet) throw std::bad_alloc();
  return packet;
}

}  // namespace qarvo
