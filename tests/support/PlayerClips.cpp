#include "support/PlayerClips.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

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
    CheckAv(api().av_interleaved_write_frame(out.get(), packet.get()),
            "av_interleaved_write_frame");
  }
  CheckAv(api().av_write_trailer(out.get()), "av_write_trailer");
}

// One bitmap subtitle page at `seconds`: the whole picture in opaque white, or an empty page
// that clears it.
TPacketPtr SubtitlePage(AVCodecContext& encoder, double seconds, bool empty, AVRational timeBase) {
  std::vector<uint8_t> pixels(320 * 240, 1);
  const uint32_t palette[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
  AVSubtitleRect rect{};
  rect.type = SUBTITLE_BITMAP;
  rect.w = 320;
  rect.h = 240;
  rect.nb_colors = 4;
  rect.data[0] = pixels.data();
  rect.linesize[0] = 320;
  rect.data[1] = const_cast<uint8_t*>(reinterpret_cast<const uint8_t*>(palette));
  AVSubtitleRect* rects[1] = {&rect};
  // Built on the stack: the encoder only reads it, so nothing here is the library's to free.
  AVSubtitle page{};
  page.end_display_time = 30000;
  page.pts = static_cast<int64_t>(seconds * AV_TIME_BASE);
  page.num_rects = empty ? 0 : 1;
  page.rects = rects;
  std::vector<uint8_t> buffer(1 << 20);
  const int size = CheckAv(api().avcodec_encode_subtitle(&encoder, buffer.data(),
                                                         static_cast<int>(buffer.size()), &page),
                           "avcodec_encode_subtitle");
  TPacketPtr packet = MakePacket();
  CheckAv(api().av_new_packet(packet.get(), size), "av_new_packet");
  std::copy(buffer.data(), buffer.data() + size, packet->data);
  packet->pts = packet->dts = api().av_rescale_q(page.pts, AV_TIME_BASE_Q, timeBase);
  return packet;
}

// Copies the picture clip and adds the subtitle stream, its pages written in time order
// among the pictures.
void AddSubtitles(const std::string& source, const std::string& target) {
  AVFormatContext* raw = nullptr;
  CheckAv(api().avformat_open_input(&raw, source.c_str(), nullptr, nullptr), "avformat_open_input");
  TInputFormatContextPtr in(raw);
  CheckAv(api().avformat_find_stream_info(in.get(), nullptr), "avformat_find_stream_info");
  AVFormatContext* rawOut = nullptr;
  CheckAv(api().avformat_alloc_output_context2(&rawOut, nullptr, "matroska", target.c_str()),
          "avformat_alloc_output_context2");
  TOutputFormatContextPtr out(rawOut);
  AVStream* video = api().avformat_new_stream(out.get(), nullptr);
  if (!video) throw std::runtime_error("avformat_new_stream failed");
  CheckAv(api().avcodec_parameters_copy(video->codecpar, in->streams[0]->codecpar),
          "avcodec_parameters_copy");
  video->codecpar->codec_tag = 0;
  const AVCodec* codec = api().avcodec_find_encoder(AV_CODEC_ID_DVB_SUBTITLE);
  if (!codec) throw std::runtime_error("no DVB subtitle encoder");
  TCodecContextPtr encoder(api().avcodec_alloc_context3(codec));
  if (!encoder) throw std::bad_alloc();
  encoder->time_base = {1, 1000};
  encoder->width = 320;
  encoder->height = 240;
  CheckAv(api().avcodec_open2(encoder.get(), codec, nullptr), "avcodec_open2(dvbsub)");
  AVStream* subtitles = api().avformat_new_stream(out.get(), nullptr);
  if (!subtitles) throw std::runtime_error("avformat_new_stream failed");
  CheckAv(api().avcodec_parameters_from_context(subtitles->codecpar, encoder.get()),
          "avcodec_parameters_from_context");
  subtitles->time_base = {1, 1000};
  CheckAv(api().avio_open(&out->pb, target.c_str(), AVIO_FLAG_WRITE), "avio_open");
  CheckAv(api().avformat_write_header(out.get(), nullptr), "avformat_write_header");
  std::vector<std::pair<double, bool>> pages = {{kSubtitleShown, false}, {kSubtitleCleared, true}};
  TPacketPtr packet = MakePacket();
  while (api().av_read_frame(in.get(), packet.get()) >= 0) {
    if (packet->stream_index != 0) {
      api().av_packet_unref(packet.get());
      continue;
    }
    const AVRational from = in->streams[0]->time_base;
    const double seconds = packet->pts == AV_NOPTS_VALUE ? 0.0 : packet->pts * av_q2d(from);
    while (!pages.empty() && pages.front().first <= seconds) {
      TPacketPtr page =
          SubtitlePage(*encoder, pages.front().first, pages.front().second, subtitles->time_base);
      page->stream_index = subtitles->index;
      CheckAv(api().av_interleaved_write_frame(out.get(), page.get()),
              "av_interleaved_write_frame");
      pages.erase(pages.begin());
    }
    api().av_packet_rescale_ts(packet.get(), from, video->time_base);
    packet->pos = -1;
    CheckAv(api().av_interleaved_write_frame(out.get(), packet.get()),
            "av_interleaved_write_frame");
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

std::string EnsureSubtitledClip() {
  LoadMediaLibraries();
  const std::string path = MakeTestMediaDir() + "/subtitled.mkv";
  if (fs::exists(path)) return path;
  const std::string partial = Partial(path);
  AddSubtitles(EnsureClip("video_only"), partial);
  fs::rename(partial, path);
  return path;
}

}  // namespace qarvo
