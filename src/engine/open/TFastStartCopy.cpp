#include "engine/open/TFastStartCopy.h"

#include <unistd.h>

#include <array>
#include <cstring>
#include <string_view>

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "media/ErrorText.h"
#include "media/OpenInputContainer.h"

namespace qarvo {
namespace {

constexpr std::string_view kFamily[] = {"mov", "mp4", "3gp", "3g2", "ipod", "psp", "f4v"};

uint32_t BigEndian32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

uint64_t BigEndian64(const unsigned char* p) {
  return (uint64_t{BigEndian32(p)} << 32) | BigEndian32(p + 4);
}

// Every option of the first muxer's own settings, as it was given them.
void CopyMuxerOptions(const AVFormatContext& from, AVFormatContext& to) {
  if (!from.priv_data || !to.priv_data) return;
  const AVOption* option = nullptr;
  while ((option = api().av_opt_next(from.priv_data, option))) {
    if (option->type == AV_OPT_TYPE_CONST || !(option->flags & AV_OPT_FLAG_ENCODING_PARAM))
      continue;
    uint8_t* value = nullptr;
    if (api().av_opt_get(from.priv_data, option->name, 0, &value) < 0 || !value) continue;
    const int set =
        api().av_opt_set(to.priv_data, option->name, reinterpret_cast<const char*>(value), 0);
    api().av_free(value);
    CheckCall(set, Format("av_opt_set(%s)", option->name).c_str());
  }
}

void CopyStreamSideData(const AVStream& from, AVStream& to) {
  for (int i = 0; i < from.nb_side_data; ++i) {
    const AVPacketSideData& data = from.side_data[i];
    uint8_t* copy = api().av_stream_new_side_data(&to, data.type, data.size);
    if (!copy) throw std::bad_alloc();
    std::memcpy(copy, data.data, data.size);
  }
}

void CopyExtradata(const AVCodecParameters& from, AVCodecParameters& to) {
  if (from.extradata_size <= 0) return;
  api().av_freep(&to.extradata);
  to.extradata_size = 0;
  to.extradata = static_cast<uint8_t*>(
      api().av_mallocz(static_cast<size_t>(from.extradata_size) + AV_INPUT_BUFFER_PADDING_SIZE));
  if (!to.extradata) throw std::bad_alloc();
  std::memcpy(to.extradata, from.extradata, static_cast<size_t>(from.extradata_size));
  to.extradata_size = from.extradata_size;
}

}  // namespace

bool TFastStartCopy::Wanted(const TOpenedOutput& output) {
  if (!output.Part || !output.Context) return false;
  const std::string_view name = output.Context->oformat->name;
  for (std::string_view member : kFamily)
    if (name == member) return IndexAfterData(output.Part->Descriptor());
  return false;
}

bool TFastStartCopy::IndexAfterData(int fd) {
  int64_t position = 0;
  bool dataSeen = false;
  for (;;) {
    std::array<unsigned char, 16> header{};
    if (::pread(fd, header.data(), header.size(), position) < 8) return false;
    uint64_t size = BigEndian32(header.data());
    const std::string_view type(reinterpret_cast<const char*>(header.data() + 4), 4);
    if (size == 1) size = BigEndian64(header.data() + 8);
    if (type == "moov") return dataSeen;
    if (type == "mdat") dataSeen = true;
    if (size < 8) return false;  // to the end of the file, or damaged
    position += static_cast<int64_t>(size);
  }
}

std::unique_ptr<TPartFile> TFastStartCopy::Make() {
  const AVFormatContext& first = *output_.Context;
  TInputOpenRequest request;
  request.FileName = output_.Part->Path();
  request.AnalyseStreams = false;
  TInputContainer input = OpenInputContainer(request);
  if (!input.Error.empty()) throw EEngineError(input.Error);
  AVFormatContext& in = *input.Context;
  if (in.nb_streams < first.nb_streams)
    throw EEngineError(output_.FileName + ": the written file lacks streams");

  auto part = std::make_unique<TPartFile>(output_.FileName);
  // Declared before the container, which writes through it until it is freed.
  auto file = TUnicodeFile::ForDescriptor(part->Path(), part->Descriptor());
  AVFormatContext* raw = nullptr;
  CheckCall(api().avformat_alloc_output_context2(&raw, first.oformat, nullptr, nullptr),
            "avformat_alloc_output_context2");
  TOutputFormatContextPtr out(raw);
  // The rewrite opens the file again by this name to move the data.
  out->url = api().av_strdup(FileLibraryName(part->Path()).c_str());
  if (!out->url) throw std::bad_alloc();
  CheckCall(api().av_opt_set(out.get(), "protocol_whitelist", "file", 0),
            "av_opt_set(protocol_whitelist)");
  out->pb = file->Context();
  out->flags |= AVFMT_FLAG_CUSTOM_IO | (first.flags & AVFMT_FLAG_BITEXACT);
  CopyMuxerOptions(first, *out);
  CheckCall(api().av_opt_set(out->priv_data, "movflags", "+faststart", 0), "av_opt_set(movflags)");
  CheckCall(api().av_dict_copy(&out->metadata, first.metadata, 0), "av_dict_copy");

  for (unsigned i = 0; i < first.nb_streams; ++i) {
    const AVStream& was = *first.streams[i];
    const AVStream& read = *in.streams[i];
    if (read.codecpar->codec_type != was.codecpar->codec_type ||
        read.codecpar->codec_id != was.codecpar->codec_id)
      throw EEngineError(output_.FileName + ": the written file's streams differ");
    AVStream* st = api().avformat_new_stream(out.get(), nullptr);
    if (!st) throw std::bad_alloc();
    CheckCall(api().avcodec_parameters_copy(st->codecpar, was.codecpar), "avcodec_parameters_copy");
    // The codec header as the file stores it: the first muxer may have converted the
    // encoder's (an H.264 header from its start-code form into its boxed one).
    CopyExtradata(*read.codecpar, *st->codecpar);
    st->time_base = was.time_base;
    st->avg_frame_rate = was.avg_frame_rate;
    st->r_frame_rate = was.r_frame_rate;
    st->sample_aspect_ratio = was.sample_aspect_ratio;
    st->disposition = was.disposition;
    CheckCall(api().av_dict_copy(&st->metadata, was.metadata, 0), "av_dict_copy");
    CopyStreamSideData(was, *st);
  }
  CheckCall(api().avformat_write_header(out.get(), nullptr), "avformat_write_header");

  TPacketPtr packet(api().av_packet_alloc());
  if (!packet) throw std::bad_alloc();
  for (;;) {
    const int result = api().av_read_frame(&in, packet.get());
    if (result == AVERROR_EOF) break;
    if (result < 0) throw EEngineError(FileErrorText(output_.FileName, result));
    const unsigned index = static_cast<unsigned>(packet->stream_index);
    if (index >= first.nb_streams) {
      // A track the muxer adds by itself (chapters, time codes) comes again with the copy.
      api().av_packet_unref(packet.get());
      continue;
    }
    api().av_packet_rescale_ts(packet.get(), in.streams[index]->time_base,
                               out->streams[index]->time_base);
    packet->pos = -1;
    const int written = api().av_interleaved_write_frame(out.get(), packet.get());
    if (written < 0) throw EEngineError(FileErrorText(output_.FileName, written));
  }
  const int trailer = api().av_write_trailer(out.get());
  if (trailer < 0) throw EEngineError(FileErrorText(output_.FileName, trailer));
  api().avio_flush(out->pb);
  if (out->pb->error < 0) throw EEngineError(FileErrorText(output_.FileName, out->pb->error));
  if (IndexAfterData(part->Descriptor()))
    throw EEngineError(output_.FileName + ": the index is still after the media data");
  return part;
}

}  // namespace qarvo
