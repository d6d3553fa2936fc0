#include "engine/paths/TAudioOutput.h"

#include <algorithm>
#include <cmath>

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "media/EngineLogger.h"
#include "media/ErrorText.h"
#include "engine/paths/TRunState.h"
#include "engine/paths/TStreamEncoder.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {

namespace {

// Largest chunk handed to an encoder that takes any frame size.
constexpr int kVariableFrameSamples = 4096;

}  // namespace

TAudioOutput::TAudioOutput(TRunState& run, TOutputStreamState& ost, const TInputStreamState&)
    : encoder_(ost.Encoder),
      exitOnError_(run.Options.ExitOnError),
      logSender_(&run.Task),
      converted_(MakeFrame()),
      frame_(MakeFrame()) {
  forceResample_ = run.Options.AudioSyncMethod > 1;
}

TAudioOutput::~TAudioOutput() { api().av_channel_layout_uninit(&inLayout_); }

void TAudioOutput::EnsureConverter(TRunState& run, const TOutputStreamState& ost,
                                   const AVFrame& chunk) {
  if (!fifo_) {
    // The encoder's frame size is known once it is open.
    const bool variable = (encoder_->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) ||
                          encoder_->frame_size <= 1;
    frameSize_ = variable ? 0 : encoder_->frame_size;
    fifo_.reset(api().av_audio_fifo_alloc(encoder_->sample_fmt, encoder_->ch_layout.nb_channels,
                                          std::max(frameSize_, 1024)));
    if (!fifo_) throw EEngineError("av_fifo_alloc fail");
    for (const TOutputStreamState& other : run.OutputStreams)
      if (other.Video && other.Muxer == ost.Muxer && !pictures_) pictures_ = &other;
    // A codec's padding after the last picture is at most a few frames.
    if (pictures_) reserve_ = encoder_->sample_rate / 4;
  }
  const bool same = chunk.sample_rate == inRate_ && chunk.format == inFormat_ &&
                    api().av_channel_layout_compare(&chunk.ch_layout, &inLayout_) == 0;
  if (same && (resampler_ || inRate_)) return;
  inRate_ = chunk.sample_rate;
  inFormat_ = chunk.format;
  api().av_channel_layout_uninit(&inLayout_);
  CheckCall(api().av_channel_layout_copy(&inLayout_, &chunk.ch_layout), "av_channel_layout_copy()");
  const bool needed = forceResample_ || chunk.sample_rate != encoder_->sample_rate ||
                      chunk.format != encoder_->sample_fmt ||
                      api().av_channel_layout_compare(&chunk.ch_layout, &encoder_->ch_layout) != 0;
  resampler_.reset();
  if (!needed) return;
  SwrContext* raw = nullptr;
  int result = api().swr_alloc_set_opts2(
      &raw, &encoder_->ch_layout, encoder_->sample_fmt, encoder_->sample_rate, &inLayout_,
      static_cast<AVSampleFormat>(chunk.format), chunk.sample_rate, 0, nullptr);
  resampler_.reset(raw);
  if (result >= 0) {
    CheckCall(api().av_opt_set_int(raw, "filter_size", 16, 0), "av_opt_set_int(filter_size)");
    CheckCall(api().av_opt_set_int(raw, "phase_shift", 10, 0), "av_opt_set_int(phase_shift)");
    CheckCall(api().av_opt_set_double(raw, "cutoff", 0.8, 0), "av_opt_set_double(cutoff)");
    result = api().swr_init(raw);
  }
  if (result < 0)
    throw EEngineError(Format("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                              chunk.ch_layout.nb_channels, chunk.sample_rate,
                              encoder_->ch_layout.nb_channels, encoder_->sample_rate));
  (void)run;
}

// Returns the number of leading input samples to drop (the whole chunk or more: nothing left).
int TAudioOutput::Synchronise(TRunState& run, TOutputStreamState& ost, TInputStreamState& ist,
                              const AVFrame& chunk) {
  const TTaskOptions& o = run.Options;
  TEngineLogger& log = TEngineLogger::GetLogger();
  const TInputStreamState& sync = run.InputStreams[ost.SyncSource];
  const double syncTime = (sync.Pts - o.StartTime) / 1000000.0;
  const int encRate = encoder_->sample_rate;
  const int64_t buffered = api().av_audio_fifo_size(fifo_.get()) +
                           (resampler_ ? api().swr_get_delay(resampler_.get(), encRate) : 0);
  if (o.AudioSyncMethod == 0) {
    // The sound goes on from the samples already written. The source's clock places its
    // start and moves it on over a gap, but a jump ahead beyond the drift threshold is taken
    // only when the next chunk stamped by the source shows it too: a single stray timestamp
    // would otherwise push all the sound after it later (frames cannot go back), and the
    // output would claim that much more sound than it holds. A chunk without a timestamp of
    // its own (a decoder's last) only continues the clock of the one before.
    const int64_t clock = std::llrint(syncTime * encRate) - buffered;
    const bool sent = ost.LastFramePts != AV_NOPTS_VALUE;
    if (sent && chunk.best_effort_timestamp == AV_NOPTS_VALUE) return 0;
    const bool jump = sent && static_cast<double>(clock - ost.SyncOpts) >
                                  static_cast<double>(o.AudioDriftThreshold) * encRate;
    const bool confirmed = jump && jumpSeen_;
    jumpSeen_ = jump;
    if (!jump || confirmed) ost.SyncOpts = clock;
    if (ost.SyncOpts < 0 && !sent) {
      // Samples before the output's start (after a seek) are cut, not written before zero.
      const int drop = static_cast<int>(std::min<int64_t>(
          chunk.nb_samples, (-ost.SyncOpts * chunk.sample_rate + encRate - 1) / encRate));
      ost.SyncOpts = 0;
      return drop;
    }
    return 0;
  }
  const double delta = syncTime * encRate - ost.SyncOpts - buffered;
  if (std::fabs(delta) <= 50) return 0;
  const double idelta = delta * chunk.sample_rate / encRate;
  if (ist.IsStart || std::fabs(delta) > o.AudioDriftThreshold * encRate) {
    ist.IsStart = false;
    if (idelta < 0) {
      if (o.Verbose > 2)
        log.LogF(&run.Task, TLogLevel::llVerbose, "discarding %d audio samples",
                 static_cast<int>(-delta));
      return static_cast<int>(std::min<double>(-idelta, chunk.nb_samples));
    }
    if (o.Verbose > 2)
      log.LogF(&run.Task, TLogLevel::llVerbose, "adding %d audio samples of silence",
               static_cast<int>(delta));
    const int64_t room = run.FillLimit(AVRational{1, encRate}) - ost.SyncOpts - buffered;
    AddSilence(static_cast<int>(
        std::clamp<double>(delta, 0, static_cast<double>(std::max<int64_t>(room, 0)))));
    return 0;
  }
  if (o.AudioSyncMethod > 1 && resampler_) {
    const int comp = std::clamp(static_cast<int>(delta), -o.AudioSyncMethod, o.AudioSyncMethod);
    if (o.Verbose > 2)
      log.LogF(&run.Task, TLogLevel::llVerbose,
               "compensating audio timestamp drift:%f compensation:%d in:%d", delta, comp, encRate);
    api().swr_set_compensation(resampler_.get(), comp, encRate);
  }
  return 0;
}

void TAudioOutput::AddSilence(int samples) {
  if (samples <= 0) return;
  TFramePtr silence = MakeFrame();
  silence->format = encoder_->sample_fmt;
  silence->nb_samples = samples;
  CheckCall(api().av_channel_layout_copy(&silence->ch_layout, &encoder_->ch_layout),
            "av_channel_layout_copy()");
  if (api().av_frame_get_buffer(silence.get(), 0) < 0)
    throw EEngineError("Out of memory in do_audio_out");
  api().av_samples_set_silence(silence->extended_data, 0, samples, encoder_->ch_layout.nb_channels,
                               encoder_->sample_fmt);
  if (api().av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(silence->extended_data),
                                samples) < samples)
    throw EEngineError("av_fifo_realloc2() failed");
}

void TAudioOutput::Convert(const AVFrame& chunk, int skip) {
  const int samples = chunk.nb_samples - skip;
  if (samples <= 0) return;
  const AVSampleFormat format = static_cast<AVSampleFormat>(chunk.format);
  const int bytes = api().av_get_bytes_per_sample(format);
  const int channels = chunk.ch_layout.nb_channels;
  const bool planar = api().av_sample_fmt_is_planar(format);
  const uint8_t* input[AV_NUM_DATA_POINTERS] = {};
  const int planes = planar ? channels : 1;
  if (planes > AV_NUM_DATA_POINTERS && !resampler_)
    throw EEngineError("Buffer sizes too large in do_audio_out");
  std::vector<const uint8_t*> many;
  const uint8_t** in = input;
  if (planes > AV_NUM_DATA_POINTERS) {
    many.resize(planes);
    in = many.data();
  }
  for (int p = 0; p < planes; ++p)
    in[p] = chunk.extended_data[p] + static_cast<size_t>(skip) * bytes * (planar ? 1 : channels);
  if (!resampler_) {
    if (api().av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(const_cast<uint8_t**>(in)),
                                  samples) < samples)
      throw EEngineError("av_fifo_realloc2() failed");
    return;
  }
  const int capacity = api().swr_get_out_samples(resampler_.get(), samples);
  if (capacity > converted_->nb_samples) {
    api().av_frame_unref(converted_.get());
    converted_->format = encoder_->sample_fmt;
    converted_->nb_samples = capacity + 256;
    CheckCall(api().av_channel_layout_copy(&converted_->ch_layout, &encoder_->ch_layout),
              "av_channel_layout_copy()");
    if (api().av_frame_get_buffer(converted_.get(), 0) < 0)
      throw EEngineError("Out of memory in do_audio_out");
  }
  const int made = api().swr_convert(resampler_.get(), converted_->extended_data,
                                     converted_->nb_samples, in, samples);
  if (made < 0) {
    // The chunk is lost, not the conversion, unless errors must end it.
    const std::string text = "av_audio_convert() failed: " + ErrorText(made);
    if (exitOnError_) throw EEngineError(text);
    TEngineLogger::GetLogger().Log(logSender_, TLogLevel::llError, text);
    return;
  }
  if (made > 0 &&
      api().av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted_->extended_data),
                                made) < made)
    throw EEngineError("av_fifo_realloc2() failed");
}

void TAudioOutput::Process(TRunState& run, TOutputStreamState& ost, TInputStreamState& ist,
                           const AVFrame& chunk) {
  EnsureConverter(run, ost, chunk);
  const int skip = Synchronise(run, ost, ist, chunk);
  if (skip >= chunk.nb_samples) return;
  Convert(chunk, skip);
  EncodeFrames(run, ost, false);
}

void TAudioOutput::SendFrame(TRunState& run, TOutputStreamState& ost, int samples, int padTo) {
  const int size = std::max(samples, padTo);
  // The encoder may still hold the last frame: reuse the buffer only when it is free.
  if (frame_->buf[0] && frame_->nb_samples == size) {
    if (api().av_frame_make_writable(frame_.get()) < 0)
      throw EEngineError("Out of memory in do_audio_out");
  } else {
    api().av_frame_unref(frame_.get());
    frame_->format = encoder_->sample_fmt;
    frame_->nb_samples = size;
    frame_->sample_rate = encoder_->sample_rate;
    CheckCall(api().av_channel_layout_copy(&frame_->ch_layout, &encoder_->ch_layout),
              "av_channel_layout_copy()");
    if (api().av_frame_get_buffer(frame_.get(), 0) < 0)
      throw EEngineError("Out of memory in do_audio_out");
  }
  const int read =
      CheckCall(api().av_audio_fifo_read(fifo_.get(),
                                         reinterpret_cast<void**>(frame_->extended_data), samples),
                "av_audio_fifo_read()");
  if (read < samples)
    throw EEngineError(Format("av_audio_fifo_read(): %d of %d samples read", read, samples));
  if (padTo > samples)
    api().av_samples_set_silence(frame_->extended_data, samples, padTo - samples,
                                 encoder_->ch_layout.nb_channels, encoder_->sample_fmt);
  // Frames go to the encoder at strictly increasing times, whatever the source did.
  if (ost.LastFramePts != AV_NOPTS_VALUE && ost.SyncOpts <= ost.LastFramePts)
    ost.SyncOpts = ost.LastFramePts + 1;
  frame_->pts = ost.SyncOpts;
  TStreamEncoder::Encode(run, ost, frame_.get());
  ost.LastFramePts = ost.SyncOpts + frame_->nb_samples - 1;
  ost.SyncOpts += frame_->nb_samples;
  ++ost.FrameNumber;
}

void TAudioOutput::EncodeFrames(TRunState& run, TOutputStreamState& ost, bool last) {
  const int reserve = last ? 0 : reserve_;
  if (frameSize_ > 0) {
    while (api().av_audio_fifo_size(fifo_.get()) - reserve >= frameSize_)
      SendFrame(run, ost, frameSize_, 0);
    const int rest = api().av_audio_fifo_size(fifo_.get());
    if (last && rest > 0) {
      const bool small = encoder_->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
      SendFrame(run, ost, rest, small ? 0 : frameSize_);
    }
    return;
  }
  int rest;
  while ((rest = api().av_audio_fifo_size(fifo_.get()) - reserve) > 0 &&
         (last || rest >= kVariableFrameSamples))
    SendFrame(run, ost, std::min(rest, kVariableFrameSamples), 0);
}

void TAudioOutput::Flush(TRunState& run, TOutputStreamState& ost) {
  if (!fifo_) return;
  if (resampler_) {
    // The resampler's tail.
    const int capacity = std::max(api().swr_get_out_samples(resampler_.get(), 0), 0) + 256;
    if (capacity > converted_->nb_samples) {
      api().av_frame_unref(converted_.get());
      converted_->format = encoder_->sample_fmt;
      converted_->nb_samples = capacity;
      CheckCall(api().av_channel_layout_copy(&converted_->ch_layout, &encoder_->ch_layout),
                "av_channel_layout_copy()");
      if (api().av_frame_get_buffer(converted_.get(), 0) < 0)
        throw EEngineError("Out of memory in do_audio_out");
    }
    const int made = api().swr_convert(resampler_.get(), converted_->extended_data,
                                       converted_->nb_samples, nullptr, 0);
    if (made > 0 &&
        api().av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted_->extended_data),
                                  made) < made)
      throw EEngineError("av_fifo_realloc2() failed");
  }
  CutTailToPictures(ost);
  EncodeFrames(run, ost, true);
}

// Sound held back past the last picture's end is the codecs' padding (or a muxer's tail) and
// is dropped; sound that outlasts the pictures by more was encoded already and stays.
void TAudioOutput::CutTailToPictures(const TOutputStreamState& ost) {
  if (!pictures_ || !pictures_->WroteFrame) return;
  const double end = pictures_->SyncOpts * av_q2d(pictures_->Encoder->time_base);
  const int64_t keep = std::llrint(end * encoder_->sample_rate) - ost.SyncOpts;
  const int held = api().av_audio_fifo_size(fifo_.get());
  if (keep >= 0 && keep < held)
    api().av_audio_fifo_drain(fifo_.get(), held - static_cast<int>(keep));
}

}  // namespace qarvo
