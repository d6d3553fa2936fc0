#include "support/PlayerClips.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "media/LibraryObjects.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {

namespace {

namespace fs = std::filesystem;

std::string Partial(const std::string& path) {
  return path + ".partial" + std::to_string(::getpid());
}

void Remux(const std::string& source, const std::string& target, double at, double jump) {
  AVFormatContext* raw = nullptr;
  CheckAv(api().avformat_open_input(&raw, source.c_str(), nullptr, nullptr), "avformat_open_input");
  TInputFormatContextPtr in(raw);
  CheckAv(api().avformat_find_stream_info(in.get(), nullptr), "avformat_find_stream_info");
  AVFormatContext* rawOut = nullptr;
  CheckAv(api().avformat_alloc_output_context2(&rawOut, nullptr, "matroska", target.c_str()),
          "avformat_alloc_output_context2");
  TOutputFormatContextPtr out(rawOut);
  for (unsigned i = 0; i < in->nb_streams; ++i) {
    AVStream* stream = api().avformat_new_stream(out.get(), nullptr);
    if (!stream) throw std::runtime_error("avformat_new_stream failed");
    CheckAv(api().avcodec_parameters_copy(stream->codecpar, in->streams[i]->codecpar),
            "avcodec_parameters_copy");
    stream->codecpar->codec_tag = 0;
    stream->time_base = in->streams[i]->time_base;
  }
  CheckAv(api().avio_open(&out->pb, target.c_str(), AVIO_FLAG_WRITE), "avio_open");
  CheckAv(api().avformat_write_header(out.get(), nullptr), "avformat_write_header");
  TPacketPtr packet = MakePacket();
  while (api().av_read_frame(in.get(), packet.get()) >= 0) {
    const AVStream* from = in->streams[packet->stream_index];
    if (from->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && packet->pts != AV_NOPTS_VALUE &&
        packet->pts * av_q2d(from->time_base) >= at) {
      const int64_t shift = static_cast<int64_t>(jump / av_q2d(from->time_base));
      packet->pts += shift;
      if (packet->dts != AV_NOPTS_VALUE) packet->dts += shift;
    }
    api().av_packet_rescale_ts(packet.get(), from->time_base,
                               out->streams[packet->stream_index]->time_base);
    packet->pos = -1;
    CheckAv(api().av_interleaved_write_frame(out.get(), packet.get()), "av_interleaved_write_frame");
  }
  CheckAv(api().av_write_trailer(out.get()), "av_write_trailer");
}

}  // namespace

std::string EnsureAudioJumpClip(double atSeconds, double jumpSeconds) {
  LoadMediaLibraries();
  std::ostringstream name;
  name << MakeTestMediaDir() << "/audio-jump-" << atSeconds << "-" << jumpSeconds << ".mkv";
  const std::string path = name.str();
  if (fs::exists(path)) return path;
  const std::string partial = Partial(path);
  Remux(EnsureClip("short3s"), partial, atSeconds, jumpSeconds);
  fs::rename(partial, path);
  return path;
}

std::string EnsureSizeChangeClip() {
  LoadMediaLibraries();
  const std::string path = MakeTestMediaDir() + "/size-change.ts";
  if (fs::exists(path)) return path;
  std::ofstream joined(Partial(path), std::ios::binary);
  for (const auto& [width, height] : {std::pair{320, 240}, std::pair{176, 144}}) {
    TClipSpec spec;
    spec.Container = "mpegts";
    spec.Extension = "ts";
    spec.VideoCodec = "mpeg2video";
    spec.Width = width;
    spec.Height = height;
    spec.AudioCodec.clear();
    spec.Duration = 1.0;
    const std::string part = TestMediaDir() + "/size-part-" + std::to_string(width) + "-" +
                             std::to_string(::getpid()) + ".ts";
    GenerateClip(spec, part);
    std::ifstream in(part, std::ios::binary);
    joined << in.rdbuf();
    in.close();
    fs::remove(part);
  }
  joined.close();
  fs::rename(Partial(path), path);
  return path;
}

}  // namespace qarvo
