#include "ProbeFiles.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <vector>

#include "media/LibraryObjects.h"

#include "support/TestMediaError.h"

namespace qarvo::test {

namespace {

void SetAll(AVDictionary** dictionary, const TMetadata& entries) {
  for (const auto& [key, value] : entries)
    CheckAv(api().av_dict_set(dictionary, key.c_str(), value.c_str(), 0), "av_dict_set");
}

TInputFormatContextPtr OpenSource(const std::string& source) {
  AVFormatContext* raw = nullptr;
  CheckAv(api().avformat_open_input(&raw, source.c_str(), nullptr, nullptr), "avformat_open_input");
  TInputFormatContextPtr input(raw);
  CheckAv(api().avformat_find_stream_info(input.get(), nullptr), "avformat_find_stream_info");
  return input;
}

}  // namespace

void RemuxClip(const std::string& source, const std::string& target, const TRemuxSpec& spec) {
  LoadMediaLibraries();
  TInputFormatContextPtr input = OpenSource(source);
  AVFormatContext* raw = nullptr;
  CheckAv(api().avformat_alloc_output_context2(&raw, nullptr, spec.Muxer.c_str(), target.c_str()),
          "avformat_alloc_output_context2");
  TOutputFormatContextPtr output(raw);
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    AVStream* stream = api().avformat_new_stream(output.get(), nullptr);
    if (!stream) throw std::runtime_error("avformat_new_stream failed");
    CheckAv(api().avcodec_parameters_copy(stream->codecpar, input->streams[i]->codecpar),
            "avcodec_parameters_copy");
    stream->codecpar->codec_tag = 0;
    stream->time_base = input->streams[i]->time_base;
    SetAll(&stream->metadata, spec.StreamMetadata);
  }
  SetAll(&output->metadata, spec.ContainerMetadata);
  CheckAv(api().avio_open(&output->pb, target.c_str(), AVIO_FLAG_WRITE), "avio_open");
  CheckAv(api().avformat_write_header(output.get(), nullptr), "avformat_write_header");
  TPacketPtr packet = MakePacket();
  while (api().av_read_frame(input.get(), packet.get()) >= 0) {
    const int index = packet->stream_index;
    api().av_packet_rescale_ts(packet.get(), input->streams[index]->time_base,
                               output->streams[index]->time_base);
    CheckAv(api().av_interleaved_write_frame(output.get(), packet.get()),
            "av_interleaved_write_frame");
  }
  CheckAv(api().av_write_trailer(output.get()), "av_write_trailer");
}

void WritePrefix(const std::string& source, const std::string& target, int64_t size) {
  std::ifstream in(source, std::ios::binary);
  std::vector<char> bytes(static_cast<size_t>(size));
  if (!in.read(bytes.data(), size)) throw std::runtime_error("cannot read " + source);
  std::ofstream(target, std::ios::binary).write(bytes.data(), size);
}

void WriteRandomBytes(const std::string& target, int64_t size) {
  std::mt19937 generator(20091209);
  std::ofstream out(target, std::ios::binary);
  for (int64_t i = 0; i < size; ++i) out.put(static_cast<char>(generator() & 0xFF));
}

}  // namespace qarvo::test
