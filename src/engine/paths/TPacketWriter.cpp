#include "engine/paths/TPacketWriter.h"

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "media/EngineLogger.h"
#include "media/ErrorText.h"

namespace qarvo {

TPacketWriter::TPacketWriter(AVFormatContext& muxer, AVStream& stream, const std::string& codecName,
                             const std::vector<std::string>& filters, bool exitOnError,
                             const void* logSender)
    : muxer_(muxer),
      stream_(stream),
      codecName_(codecName),
      exitOnError_(exitOnError),
      logSender_(logSender),
      filtered_(MakePacket()) {
  const AVCodecParameters* input = stream.codecpar;
  AVRational timeBase = stream.time_base;
  for (const std::string& text : filters) {
    const size_t eq = text.find('=');
    const std::string name = eq != std::string::npos && eq >= 1 ? text.substr(0, eq) : text;
    const std::string args = eq != std::string::npos && eq >= 1 ? text.substr(eq + 1) : "";
    const AVBitStreamFilter* filter = api().av_bsf_get_by_name(name.c_str());
    if (!filter) throw EEngineError(Format("Unknown bitstream filter %s", name.c_str()));
    AVBSFContext* raw = nullptr;
    if (api().av_bsf_alloc(filter, &raw) < 0) throw std::bad_alloc();
    TBSFContextPtr context(raw);
    CheckCall(api().avcodec_parameters_copy(context->par_in, input), "avcodec_parameters_copy()");
    context->time_base_in = timeBase;
    if (!args.empty() && filter->priv_class) SetFilterOptions(*context, name, args);
    const int result = api().av_bsf_init(context.get());
    if (result < 0) throw EEngineError(FilterFailure(name) + ErrorText(result));
    input = context->par_out;
    timeBase = context->time_base_out;
    filters_.push_back({name, std::move(context)});
  }
  // The filters may change the codec parameters the container will describe.
  if (!filters_.empty())
    CheckCall(api().avcodec_parameters_copy(stream.codecpar, input), "avcodec_parameters_copy()");
}

std::string TPacketWriter::FilterFailure(const std::string& name) const {
  return Format("%s failed for stream %d, codec %s: ", name.c_str(), stream_.index,
                codecName_.c_str());
}

void TPacketWriter::SetFilterOptions(AVBSFContext& context, const std::string& name,
                                     const std::string& args) const {
  TDictionary options;
  int result = api().av_dict_parse_string(options.Address(), args.c_str(), "=", ":", 0);
  if (result >= 0) result = api().av_opt_set_dict2(context.priv_data, options.Address(), 0);
  if (result < 0) throw EEngineError(FilterFailure(name) + ErrorText(result));
  // The library leaves the names the filter does not know in the dictionary.
  const AVDictionaryEntry* unknown = nullptr;
  while ((unknown = api().av_dict_get(options.Raw(), "", unknown, AV_DICT_IGNORE_SUFFIX)))
    TEngineLogger::GetLogger().LogF(logSender_, TLogLevel::llWarning,
                                    "%s: option '%s' not found, ignored", name.c_str(),
                                    unknown->key);
}

void TPacketWriter::Write(AVPacket& packet) { Pass(0, &packet); }

void TPacketWriter::Flush() {
  if (!filters_.empty()) Pass(0, nullptr);
}

void TPacketWriter::Pass(size_t index, AVPacket* packet) {
  if (index == filters_.size()) {
    if (packet) Mux(*packet);
    return;
  }
  TFilter& filter = filters_[index];
  int result = api().av_bsf_send_packet(filter.Context.get(), packet);
  if (result < 0) {
    Report(filter, result);
    Pass(index + 1, packet);  // the packet goes on unchanged
    return;
  }
  TPacketPtr out = MakePacket();
  while ((result = api().av_bsf_receive_packet(filter.Context.get(), out.get())) >= 0) {
    Pass(index + 1, out.get());
    api().av_packet_unref(out.get());
  }
  // Most filters do their work here; the packet they failed on is lost.
  if (result != AVERROR(EAGAIN) && result != AVERROR_EOF) Report(filter, result);
  if (!packet && index + 1 < filters_.size()) Pass(index + 1, nullptr);
}

void TPacketWriter::Report(const TFilter& filter, int result) const {
  const std::string text = FilterFailure(filter.Name) + ErrorText(result);
  if (exitOnError_) throw EEngineError(text);
  TEngineLogger::GetLogger().Log(logSender_, TLogLevel::llError, text);
}

void TPacketWriter::Mux(AVPacket& packet) {
  packet.stream_index = stream_.index;
  const int64_t ts = packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts;
  if (ts != AV_NOPTS_VALUE) {
    const double seconds = ts * av_q2d(stream_.time_base);
    if (seconds > outputTime_) outputTime_ = seconds;
  }
  if (held_) {
    THeldPacket kept{this, MakePacket()};
    api().av_packet_move_ref(kept.Packet.get(), &packet);
    held_->push_back(std::move(kept));
    return;
  }
  Interleave(packet);
}

void TPacketWriter::Interleave(AVPacket& packet) {
  const int result = api().av_interleaved_write_frame(&muxer_, &packet);
  if (result < 0) throw EEngineError("av_interleaved_write_frame(): " + ErrorText(result));
}

void TPacketWriter::WriteHeld(std::vector<THeldPacket>& held) {
  // Whatever happens, nothing is written twice.
  std::vector<THeldPacket> writing;
  writing.swap(held);
  for (THeldPacket& kept : writing) kept.Writer->Interleave(*kept.Packet);
}

}  // namespace qarvo
