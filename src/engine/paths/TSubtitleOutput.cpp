#include "engine/paths/TSubtitleOutput.h"

#include "base/EngineError.h"
#include "media/EngineLogger.h"
#include "media/Timestamps.h"
#include "engine/paths/TPacketWriter.h"
#include "engine/paths/TRunState.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {

void TSubtitleOutput::Process(TRunState& run, TOutputStreamState& ost, const TInputStreamState& ist,
                              AVSubtitle& subtitle, int64_t pts) {
  if (pts == AV_NOPTS_VALUE) {
    if (run.Options.ExitOnError) throw EEngineError("Subtitle packets must have a pts");
    TEngineLogger::GetLogger().Log(&run.Task, TLogLevel::llError,
                                   "Subtitle packets must have a pts");
    return;
  }
  if (buffer_.empty()) buffer_.resize(1 << 20);
  AVCodecContext* enc = ost.Encoder;
  const bool dvb = enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE;
  const int count = dvb ? 2 : 1;
  const int64_t startUs = ToMicroseconds(pts, ist.Stream->time_base) - run.Options.StartTime;
  for (int i = 0; i < count; ++i) {
    subtitle.pts = startUs + static_cast<int64_t>(subtitle.start_display_time) * 1000;
    subtitle.end_display_time -= subtitle.start_display_time;
    subtitle.start_display_time = 0;
    // The second DVB packet clears the picture.
    const unsigned rects = subtitle.num_rects;
    if (dvb && i == 1) subtitle.num_rects = 0;
    const int size = api().avcodec_encode_subtitle(enc, buffer_.data(),
                                                   static_cast<int>(buffer_.size()), &subtitle);
    subtitle.num_rects = rects;
    if (size < 0) throw EEngineError("Subtitle encoding failed");
    TPacketPtr packet = MakePacket();
    if (api().av_new_packet(packet.get(), size) < 0) throw std::bad_alloc();
    std::copy(buffer_.data(), buffer_.data() + size, packet->data);
    packet->pts = FromMicroseconds(subtitle.pts, ost.Stream->time_base);
    if (dvb) {
      const AVRational ninety{1, 90000};
      const int64_t extra =
          90LL * (i == 0 ? subtitle.start_display_time : subtitle.end_display_time);
      packet->pts += api().av_rescale_q(extra, ninety, ost.Stream->time_base);
    }
    packet->dts = packet->pts;
    packet->duration =
        api().av_rescale_q(subtitle.end_display_time, {1, 1000}, ost.Stream->time_base);
    packet->stream_index = ost.Stream->index;
    if (dvb && i == 1) {
      // Held back: a page shown before this clear time replaces the picture by itself.
      pendingClear_ = std::move(packet);
      continue;
    }
    if (pendingClear_) {
      if (pendingClear_->pts <= packet->pts) ost.Writer->Write(*pendingClear_);
      pendingClear_.reset();
    }
    ost.Writer->Write(*packet);
    ost.WroteFrame = true;
    ++ost.FrameNumber;
  }
}

void TSubtitleOutput::Flush(TOutputStreamState& ost) {
  if (!pendingClear_) return;
  ost.Writer->Write(*pendingClear_);
  pendingClear_.reset();
}

}  // namespace qarvo
