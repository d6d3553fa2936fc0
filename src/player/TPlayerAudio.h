// Sound output of the player: the SDL audio device, the decode in its callback, conversion to
// signed 16-bit, volume and mute, the audio clock and the sample ring the waveform shows.
//
// Thread use: Open/Start/Close on the opening or closing thread; the callback on SDL's audio
// thread; Clock and RecentSamples from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "media/LibraryObjects.h"
#include "media/SdlObjects.h"

namespace qarvo {

struct TPlayerState;

class TPlayerAudio {
 public:
  static constexpr int kBufferBytes = 288000;
  static constexpr int kDeviceSamples = 1024;
  static constexpr int kSilenceBytes = 1024;
  static constexpr int kRingSamples = 131072;

  explicit TPlayerAudio(TPlayerState& state);
  ~TPlayerAudio();
  TPlayerAudio(const TPlayerAudio&) = delete;
  TPlayerAudio& operator=(const TPlayerAudio&) = delete;

  // Opens the sound device for the stream (rate, 1 or 2 channels, else 2). False when there
  // is none; the failure is logged.
  bool Open(int sampleRate, int streamChannels);
  void Start();
  // Stops the callback and closes the device; safe to call twice.
  void Close();

  int Channels() const { return channels_; }
  int SampleRate() const { return rate_; }
  // Seconds: pts of the sample being heard now.
  double Clock() const;
  // The newest `frames` sample frames not yet heard, interleaved; fewer at the very start.
  std::vector<int16_t> RecentSamples(int frames) const;

  // The callback's work on a device buffer; public for tests that drive it without a device.
  void Fill(uint8_t* stream, int len);

 private:
  static void Callback(void* opaque, uint8_t* stream, int len);
  // Decodes the next chunk into the buffer; its size in bytes, or -1 when there is none now.
  int DecodeChunk();
  // Converts a decoded frame into the buffer; its size in bytes, or -1 when it is dropped.
  int Convert(const AVFrame& frame);
  bool PrepareConverter(const AVFrame& frame);
  void FeedRing(const uint8_t* data, int bytes);
  double BytesPerSecond() const { return 2.0 * channels_ * rate_; }

  TPlayerState& state_;
  // The device is declared after the subsystem it runs on, so it goes first.
  std::unique_ptr<TSdlSubsystem> subsystem_;
  TSdlAudioDevice device_;
  int channels_ = 2;
  int rate_ = 44100;
  int deviceBufferSize_ = 0;

  // Callback thread only.
  std::vector<uint8_t> buffer_;
  int bufferSize_ = 0;
  int bufferIndex_ = 0;
  bool bufferSilent_ = false;
  TFramePtr frame_;
  TPacketPtr packet_;
  bool packetPending_ = false;
  TSwrContextPtr converter_;
  AVSampleFormat converterFormat_ = AV_SAMPLE_FMT_NONE;
  int converterRate_ = 0;
  AVChannelLayout converterLayout_{};
  double audioClock_ = 0.0;  // pts at the end of the buffer

  // Shared with the clock readers.
  std::atomic<double> clockAtCallback_{0.0};  // pts of the end of the last device buffer
  std::atomic<double> callbackTime_{0.0};
  std::atomic<bool> clockValid_{false};

  mutable std::mutex ringMutex_;  // guards ring_ and ringIndex_
  std::vector<int16_t> ring_;
  int ringIndex_ = 0;
  std::atomic<int> unheardBufferBytes_{0};
};

}  // namespace qarvo
