#include "player/TPlayerAudio.h"

#include <algorithm>
#include <cstring>

#include "media/EngineLogger.h"
#include "media/ErrorText.h"
#include "player/TPlayerControls.h"
#include "player/TPlayerHost.h"
#include "player/TPlayerState.h"

namespace qarvo {

namespace {
TEngineLogger& Log() { return TEngineLogger::GetLogger(); }
}  // namespace

TPlayerAudio::TPlayerAudio(TPlayerState& state)
    : state_(state),
      buffer_(kBufferBytes),
      frame_(MakeFrame()),
      packet_(MakePacket()),
      ring_(kRingSamples, 0) {}

TPlayerAudio::~TPlayerAudio() {
  Close();
  api().av_channel_layout_uninit(&converterLayout_);
}

bool TPlayerAudio::Open(int sampleRate, int streamChannels) {
  channels_ = streamChannels == 1 || streamChannels == 2 ? streamChannels : 2;
  rate_ = sampleRate > 0 ? sampleRate : 44100;
  auto subsystem = std::make_unique<TSdlSubsystem>(SDL_INIT_AUDIO);
  if (!subsystem->Started()) {
    Log().Log(state_.Host, TLogLevel::llError,
              std::string("SDL_OpenAudio() failed: ") + api().SDL_GetError());
    return false;
  }
  SDL_AudioSpec wanted{};
  wanted.freq = rate_;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = static_cast<Uint8>(channels_);
  wanted.silence = 0;
  wanted.samples = kDeviceSamples;
  wanted.callback = &TPlayerAudio::Callback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  // No changes allowed: SDL converts to the device's own format, so the callback always
  // writes exactly what was asked for.
  if (!device_.Open(wanted, obtained)) {
    Log().Log(state_.Host, TLogLevel::llError,
              std::string("SDL_OpenAudio() failed: ") + api().SDL_GetError());
    return false;
  }
  subsystem_ = std::move(subsystem);
  deviceBufferSize_ = static_cast<int>(obtained.size);
  return true;
}

void TPlayerAudio::Start() {
  if (device_) api().SDL_PauseAudioDevice(device_.Id(), 0);
}

void TPlayerAudio::Close() {
  device_.Close();  // waits for a running callback
  subsystem_.reset();
  converter_.reset();
}

void TPlayerAudio::Callback(void* opaque, uint8_t* stream, int len) {
  static_cast<TPlayerAudio*>(opaque)->Fill(stream, len);
}

void TPlayerAudio::Fill(uint8_t* stream, int len) {
  const TPlayerControls& controls = state_.Host->Controls();
  while (len > 0) {
    if (bufferIndex_ >= bufferSize_) {
      const int size = DecodeChunk();
      if (size < 0) {
        std::fill_n(buffer_.begin(), kSilenceBytes, 0);
        bufferSize_ = kSilenceBytes;
        bufferSilent_ = true;
      } else {
        bufferSize_ = size;
        bufferSilent_ = false;
        if (state_.ShowMode == 1) FeedRing(buffer_.data(), size);
      }
      bufferIndex_ = 0;
    }
    const int n = std::min(bufferSize_ - bufferIndex_, len);
    const int volume = std::clamp(controls.AudioVolume.load(), 0, SDL_MIX_MAXVOLUME);
    if (controls.Mute || volume == 0) {
      std::memset(stream, 0, n);
    } else if (volume == SDL_MIX_MAXVOLUME) {
      std::memcpy(stream, buffer_.data() + bufferIndex_, n);
    } else {
      std::memset(stream, 0, n);
      api().SDL_MixAudioFormat(stream, buffer_.data() + bufferIndex_, AUDIO_S16SYS,
                               static_cast<Uint32>(n), volume);
    }
    stream += n;
    len -= n;
    bufferIndex_ += n;
  }
  const int unheard = bufferSilent_ ? 0 : bufferSize_ - bufferIndex_;
  unheardBufferBytes_ = unheard;
  clockAtCallback_ = audioClock_ - unheard / BytesPerSecond();
  callbackTime_ = PlayerNow();
  clockValid_ = true;
}

double TPlayerAudio::Clock() const {
  const double atCallback = clockAtCallback_;
  if (!clockValid_) return atCallback;
  // The device buffer written at the last callback is heard over its own duration.
  const double bufferSeconds = deviceBufferSize_ / BytesPerSecond();
  const double unheard = std::max(0.0, bufferSeconds - (PlayerNow() - callbackTime_));
  return atCallback - unheard;
}

int TPlayerAudio::DecodeChunk() {
  AVCodecContext* codec = state_.AudioCodec.get();
  if (!codec) return -1;
  for (;;) {
    if (state_.Paused || state_.AbortRequest) return -1;
    if (packetPending_) {
      const int sent = api().avcodec_send_packet(codec, packet_.get());
      if (sent != AVERROR(EAGAIN)) {
        if (sent < 0) Log().Log(state_.Host, TLogLevel::llInfo, "avcodec_decode_audio2() failed");
        api().av_packet_unref(packet_.get());
        packetPending_ = false;
      }
    }
    const int received = api().avcodec_receive_frame(codec, frame_.get());
    if (received >= 0) {
      if (frame_->pts != AV_NOPTS_VALUE)
        audioClock_ = frame_->pts * av_q2d(state_.AudioSt->time_base);
      const int bytes = Convert(*frame_);
      api().av_frame_unref(frame_.get());
      if (bytes <= 0) continue;
      audioClock_ += bytes / BytesPerSecond();
      return bytes;
    }
    if (received != AVERROR(EAGAIN) && received != AVERROR_EOF)
      Log().Log(state_.Host, TLogLevel::llInfo, "avcodec_decode_audio2() failed");
    if (packetPending_) continue;
    TQueuedPacket next;
    if (state_.AudioQueue.Get(next, false) <= 0) return -1;
    if (next.Kind == TQueuedKind::Flush) {
      api().avcodec_flush_buffers(codec);
      bufferSize_ = bufferIndex_ = 0;
      continue;
    }
    if (next.Kind != TQueuedKind::Data || !next.Packet) continue;
    if (next.Packet->pts != AV_NOPTS_VALUE)
      audioClock_ = next.Packet->pts * av_q2d(state_.AudioSt->time_base);
    api().av_packet_move_ref(packet_.get(), next.Packet.get());
    packetPending_ = true;
  }
}

bool TPlayerAudio::PrepareConverter(const AVFrame& frame) {
  AVChannelLayout in{};
  if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame.ch_layout.nb_channels <= 0) {
    api().av_channel_layout_default(&in, std::max(1, frame.ch_layout.nb_channels));
  } else if (const int copied = api().av_channel_layout_copy(&in, &frame.ch_layout); copied < 0) {
    Log().Log(state_.Host, TLogLevel::llError, CallErrorText("av_channel_layout_copy()", copied));
    return false;
  }
  const auto format = static_cast<AVSampleFormat>(frame.format);
  if (converter_ && format == converterFormat_ && frame.sample_rate == converterRate_ &&
      api().av_channel_layout_compare(&in, &converterLayout_) == 0) {
    api().av_channel_layout_uninit(&in);
    return true;
  }
  converter_.reset();
  api().av_channel_layout_uninit(&converterLayout_);
  converterLayout_ = in;
  converterFormat_ = format;
  converterRate_ = frame.sample_rate;
  AVChannelLayout out{};
  api().av_channel_layout_default(&out, channels_);
  SwrContext* raw = nullptr;
  int result = api().swr_alloc_set_opts2(&raw, &out, AV_SAMPLE_FMT_S16, rate_, &converterLayout_,
                                         format, frame.sample_rate, 0, nullptr);
  api().av_channel_layout_uninit(&out);
  TSwrContextPtr converter(raw);
  if (result >= 0) result = api().swr_init(converter.get());
  if (result < 0) {
    const char* name = api().av_get_sample_fmt_name(format);
    Log().LogF(state_.Host, TLogLevel::llError,
               "Cannot convert %s sample format to %s sample format", name ? name : "unknown",
               api().av_get_sample_fmt_name(AV_SAMPLE_FMT_S16));
    converterFormat_ = AV_SAMPLE_FMT_NONE;
    return false;
  }
  converter_ = std::move(converter);
  return true;
}

int TPlayerAudio::Convert(const AVFrame& frame) {
  if (frame.nb_samples <= 0 || !PrepareConverter(frame)) return -1;
  uint8_t* out[1] = {buffer_.data()};
  const int capacity = kBufferBytes / (2 * channels_);
  const int samples =
      api().swr_convert(converter_.get(), out, capacity,
                        const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
  if (samples < 0) {
    Log().Log(state_.Host, TLogLevel::llError, "av_audio_convert() failed");
    return -1;
  }
  return samples * 2 * channels_;
}

void TPlayerAudio::FeedRing(const uint8_t* data, int bytes) {
  const auto* samples = reinterpret_cast<const int16_t*>(data);
  const int count = bytes / 2;
  std::lock_guard<std::mutex> lock(ringMutex_);
  for (int i = 0; i < count; ++i) {
    ring_[ringIndex_] = samples[i];
    ringIndex_ = (ringIndex_ + 1) % kRingSamples;
  }
}

std::vector<int16_t> TPlayerAudio::RecentSamples(int frames) const {
  const double bufferSeconds = deviceBufferSize_ / BytesPerSecond();
  const double elapsed = PlayerNow() - callbackTime_;
  const int unheardDevice =
      static_cast<int>(std::max(0.0, bufferSeconds - elapsed) * rate_) * channels_;
  const int unheard = unheardBufferBytes_ / 2 + unheardDevice;
  const int wanted = std::min(frames * channels_, kRingSamples - unheard - channels_);
  std::vector<int16_t> out(std::max(0, wanted));
  std::lock_guard<std::mutex> lock(ringMutex_);
  int start = ringIndex_ - unheard - wanted;
  start -= start % channels_;  // whole sample frames
  start = ((start % kRingSamples) + kRingSamples) % kRingSamples;
  for (size_t i = 0; i < out.size(); ++i) out[i] = ring_[(start + i) % kRingSamples];
  return out;
}

}  // namespace qarvo
