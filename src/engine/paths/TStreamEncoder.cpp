#include "engine/paths/TStreamEncoder.h"

#include <algorithm>

#include "base/EngineError.h"
#include "engine/paths/TPacketWriter.h"
#include "engine/paths/TRunState.h"

namespace qarvo {

void TStreamEncoder::WriteStats(TOutputStreamState& ost) {
  if (!ost.PassLogFile || !ost.Encoder->stats_out) return;
  if (std::fputs(ost.Encoder->stats_out, ost.PassLogFile.get()) < 0)
    throw EEngineError("Cannot write the pass-1 statistics");
  ost.StatsWritten = true;
}

int64_t TStreamEncoder::Encode(TRunState& run, TOutputStreamState& ost, const AVFrame* frame) {
  AVCodecContext* enc = ost.Encoder;
  const bool video = enc->codec_type == AVMEDIA_TYPE_VIDEO;
  const char* failure = video ? "Video encoding failed" : "Audio encoding failed";
  int result = api().avcodec_send_frame(enc, frame);
  if (result < 0 && result != AVERROR_EOF) throw EEngineError(failure);
  int64_t bytes = 0;
  if (!ost.Packet) ost.Packet = MakePacket();
  AVPacket* packet = ost.Packet.get();
  while ((result = api().avcodec_receive_packet(enc, packet)) >= 0) {
    bytes += packet->size;
    if (video) {
      size_t size = 0;
      const uint8_t* stats =
          api().av_packet_get_side_data(packet, AV_PKT_DATA_QUALITY_STATS, &size);
      // Quality, picture type and, with the PSNR flag, the squared error of each plane.
      if (stats && size >= 4)
        ost.LastQuality =
            stats[0] | stats[1] << 8 | stats[2] << 16 | static_cast<int64_t>(stats[3]) << 24;
      if (stats && size >= 6) {
        ost.LastPictType = stats[4];
        const int errors = std::min<int>(stats[5], 3);
        for (int i = 0; i < errors && size >= 8 + 8 * (static_cast<size_t>(i) + 1); ++i) {
          uint64_t value = 0;
          for (int b = 7; b >= 0; --b) value = value << 8 | stats[8 + 8 * i + b];
          ost.LastError[i] = value;
          ost.ErrorSum[i] += value;
        }
      }
    }
    WriteStats(ost);
    packet->stream_index = ost.Stream->index;
    api().av_packet_rescale_ts(packet, enc->time_base, ost.Stream->time_base);
    ost.Writer->Write(*packet);
    api().av_packet_unref(packet);
    ost.WroteFrame = true;
  }
  if (result != AVERROR(EAGAIN) && result != AVERROR_EOF) throw EEngineError(failure);
  // Encoders that gather a whole pass's statistics hand them over once, when drained.
  if (!frame && !ost.StatsWritten) WriteStats(ost);
  (video ? run.VideoBytes : run.AudioBytes) += bytes;
  return bytes;
}

bool TStreamEncoder::CountsAsWritten(const TOutputStreamState& ost) {
  return ost.WroteFrame ||
         (ost.EncodingNeeded && (ost.Encoder->flags & AV_CODEC_FLAG_PASS1) && ost.FrameNumber > 0);
}

}  // namespace qarvo
