#include "support/UnusualSources.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>

#include "media/LibraryObjects.h"

#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

std::string MediaFile(const std::string& name) {
  return (fs::path(MakeTestMediaDir()) / name).string();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes through a temporary name, so a killed run leaves no half file under `path`.
void WriteAll(const std::string& path, const std::string& bytes) {
  const std::string partial = path + ".part-" + std::to_string(::getpid());
  std::ofstream(partial, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  fs::rename(partial, path);
}

// Whether `path` is newer than the clip it was made from (made again otherwise).
bool UpToDate(const std::string& path, const std::string& from) {
  std::error_code error;
  return fs::exists(path, error) &&
         fs::last_write_time(path, error) >= fs::last_write_time(from, error);
}

// Copies the packets of `source` that `keep` accepts into a file of `container`.
void Remux(const std::string& source, const std::string& target, const char* container,
           const std::function<bool(const AVStream&, const AVPacket&)>& keep) {
  AVFormatContext* raw = nullptr;
  CheckAv(api().avformat_open_input(&raw, source.c_str(), nullptr, nullptr), "avformat_open_input");
  TInputFormatContextPtr in(raw);
  CheckAv(api().avformat_find_stream_info(in.get(), nullptr), "avformat_find_stream_info");
  AVFormatContext* rawOut = nullptr;
  CheckAv(api().avformat_alloc_output_context2(&rawOut, nullptr, container, target.c_str()),
          "avformat_alloc_output_context2");
  TOutputFormatContextPtr out(rawOut);
  out->flags |= AVFMT_FLAG_BITEXACT;
  out->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;  // vorbis in MP4
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
    const AVStream& from = *in->streams[packet->stream_index];
    if (keep(from, *packet)) {
      api().av_packet_rescale_ts(packet.get(), from.time_base,
                                 out->streams[packet->stream_index]->time_base);
      packet->pos = -1;
      CheckAv(api().av_interleaved_write_frame(out.get(), packet.get()),
              "av_interleaved_write_frame");
    }
    api().av_packet_unref(packet.get());
  }
  CheckAv(api().av_write_trailer(out.get()), "av_write_trailer");
  CheckAv(api().avio_closep(&out->pb), "avio_closep");
}

}  // namespace

std::string EnsureTextNamedAsVideo() {
  const std::string path = MediaFile("notes-named-as-video.avi");
  std::string text;
  for (int line = 1; line <= 40; ++line)
    text +=
        "Line " + std::to_string(line) + " of a shopping list, not a video: bread, milk, tea.\n";
  if (ReadAll(path) != text) WriteAll(path, text);
  return path;
}

std::string EnsureThreeSecondMatroska() {
  TClipSpec spec = StandardClip("mkv_mpeg4_vorbis");
  spec.Duration = 3.0;
  return EnsureClipFile(spec, "mkv_mpeg4_vorbis_3s.mkv");
}

std::string EnsureTruncatedMatroska() {
  const std::string whole = EnsureThreeSecondMatroska();
  const std::string path = MediaFile("mkv_mpeg4_vorbis_3s-truncated.mkv");
  if (!UpToDate(path, whole)) {
    const std::string bytes = ReadAll(whole);
    WriteAll(path, bytes.substr(0, static_cast<size_t>(bytes.size() * kTruncatedFraction)));
  }
  return path;
}

std::string EnsureVariableRateClip() {
  const std::string source = EnsureClip("mkv_mpeg4_vorbis");
  const std::string path = MediaFile("mkv_mpeg4_vorbis-variable-rate.mp4");
  if (UpToDate(path, source)) return path;
  int pictures = 0;
  const std::string partial = path + ".part-" + std::to_string(::getpid());
  Remux(source, partial, "mp4", [&](const AVStream& stream, const AVPacket& packet) {
    if (stream.codecpar->codec_type != AVMEDIA_TYPE_VIDEO) return true;
    return ++pictures % 3 != 0 || (packet.flags & AV_PKT_FLAG_KEY);
  });
  fs::rename(partial, path);
  return path;
}

}  // namespace qarvo
