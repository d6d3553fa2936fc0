#include "probe/FileInfoText.h"

#include <cstdio>
#include <numeric>

#include "base/StringFormat.h"
#include "media/DisplayRotation.h"
#include "media/LibraryObjects.h"
#include "media/StreamKind.h"
#include "probe/ProbeText.h"
#include "probe/StreamInfo.h"

namespace qarvo {

namespace {

constexpr AVRational kMicroseconds{1, 1000000};
constexpr int kCodecDescriptionSize = 256;
constexpr int kAspectLimit = 1024 * 1024;

void Append(std::vector<std::string>& lines, const std::vector<std::string>& more) {
  lines.insert(lines.end(), more.begin(), more.end());
}

std::string DurationText(int64_t microseconds) {
  if (microseconds == AV_NOPTS_VALUE || microseconds < 0) return "N/A";
  return TimeText(microseconds);
}

// The libraries' one-line description, made from a throw-away context of the parameters.
std::string CodecDescription(const AVCodecParameters& parameters) {
  TCodecContextPtr context(api().avcodec_alloc_context3(nullptr));
  if (!context) throw std::bad_alloc();
  if (api().avcodec_parameters_to_context(context.get(), &parameters) < 0) return "unknown";
  char text[kCodecDescriptionSize] = {};
  api().avcodec_string(text, sizeof text, context.get(), 0);
  return text;
}

std::string AspectText(const AVStream& stream) {
  const AVRational par = stream.sample_aspect_ratio;
  const AVCodecParameters& codec = *stream.codecpar;
  if (par.num == 0 || av_cmp_q(par, codec.sample_aspect_ratio) == 0) return {};
  AVRational dar{};
  api().av_reduce(&dar.num, &dar.den, static_cast<int64_t>(codec.width) * par.num,
                  static_cast<int64_t>(codec.height) * par.den, kAspectLimit);
  return Format(", PAR %d:%d DAR %d:%d", par.num, par.den, dar.num, dar.den);
}

void AppendRate(std::string& line, AVRational rate, const char* unit) {
  if (rate.num != 0 && rate.den != 0) line += RateText(av_q2d(rate), unit);
}

std::string RatesText(const AVStream& stream) {
  std::string text;
  AppendRate(text, stream.avg_frame_rate, "fps");
  AppendRate(text, stream.r_frame_rate, "tbr");
  AppendRate(text, av_inv_q(stream.time_base), "tbn");
  AppendRate(text, av_inv_q(api().av_stream_get_codec_timebase(&stream)), "tbc");
  if (HasVariableFrameRate(stream)) text += ", variable frame rate";
  return text;
}

std::string TimesText(const AVFormatContext& container, const AVStream& stream) {
  const AVRational timeBase = UsableTimeBase(stream.time_base);
  std::string text;
  if (stream.start_time != AV_NOPTS_VALUE)
    text += ", StartTime: " +
            SecondsText(api().av_rescale_q(stream.start_time, timeBase, kMicroseconds));
  const int64_t own = StreamDuration(container, stream);
  const int64_t duration =
      own == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : api().av_rescale_q(own, timeBase, kMicroseconds);
  return text + ", Duration: " + DurationText(duration);
}

std::vector<std::string> StreamLines(const AVFormatContext& container, int index) {
  std::vector<std::string> lines{StreamLine(container, index)};
  Append(lines, MetadataLines(container.streams[index]->metadata, "  "));
  return lines;
}

// Current demuxers name a program's provider and name "service_provider" and "service_name".
const char* ProgramValue(const AVProgram& program, const char* key, const char* currentKey) {
  const char* value = MetadataValue(program.metadata, key);
  return value ? value : MetadataValue(program.metadata, currentKey);
}

std::string ProgramHeader(const AVProgram& program) {
  const char* provider = ProgramValue(program, "provider_name", "service_provider");
  const char* name = ProgramValue(program, "name", "service_name");
  return Format("Program %d %s@%s", program.id, provider ? provider : "N/A", name ? name : "N/A");
}

std::vector<std::string> HeaderLines(const AVFormatContext& container, const std::string& fileName,
                                     int64_t fileSize) {
  const AVInputFormat* format = container.iformat;
  std::vector<std::string> lines{
      "File Name: " + fileName,
      std::string("Format Name: ") + (format && format->name ? format->name : ""),
      std::string("Format Long Name: ") + (format && format->long_name ? format->long_name : ""),
      "File Size: " + FileSizeText(fileSize), "Duration: " + DurationText(container.duration)};
  if (container.start_time != AV_NOPTS_VALUE && container.start_time >= 0)
    lines.push_back("StartTime: " + SecondsText(container.start_time));
  lines.push_back(
      container.bit_rate < 1
          ? std::string("Bit Rate: N/A")
          : Format("Bit Rate: %lld kb/s", static_cast<long long>(container.bit_rate / 1000)));
  const int64_t timestamp = ContainerTimestamp(container);
  if (timestamp > 0) lines.push_back("Time Stamp: " + LocalTimeStampText(timestamp));
  return lines;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += '\n';
    text += lines[i];
  }
  return text;
}

}  // namespace

std::vector<std::string> MetadataLines(const AVDictionary* metadata, const std::string& indent) {
  std::vector<std::string> lines;
  const AVDictionaryEntry* entry = nullptr;
  while (metadata && (entry = api().av_dict_get(metadata, "", entry, AV_DICT_IGNORE_SUFFIX))) {
    if (std::string(entry->key) == "language") continue;
    lines.push_back(
        Format("%s  %-16s: %s", indent.c_str(), MetadataKeyName(entry->key).c_str(), entry->value));
  }
  if (!lines.empty()) lines.insert(lines.begin(), indent + "Metadata:");
  return lines;
}

std::string StreamLine(const AVFormatContext& container, int index) {
  const AVStream& stream = *container.streams[index];
  std::string line = Format("Stream #%d", index);
  if (container.iformat && (container.iformat->flags & AVFMT_SHOW_IDS))
    line += Format("[0x%x]", stream.id);
  if (const char* language = MetadataValue(stream.metadata, "language"))
    line += Format("(%s)", language);
  AVRational timeBase = stream.time_base;
  const int64_t divisor =
      std::gcd(static_cast<int64_t>(timeBase.num), static_cast<int64_t>(timeBase.den));
  if (divisor > 1)
    timeBase = {static_cast<int>(timeBase.num / divisor), static_cast<int>(timeBase.den / divisor)};
  line += Format(", %d/%d: ", timeBase.num, timeBase.den);
  line += CodecDescription(*stream.codecpar);
  line += AspectText(stream);
  if (IsAttachedPicture(stream)) return line + ", attached picture (cover art)";
  if (stream.codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
    line += RatesText(stream);
    if (const int rotation = DisplayRotation(stream))
      line += Format(", display rotation %d degrees", rotation);
  }
  return line + TimesText(container, stream);
}

std::string FileInfoText(const AVFormatContext& container, const std::string& fileName,
                         int64_t fileSize) {
  std::vector<std::string> lines = HeaderLines(container, fileName, fileSize);
  Append(lines, MetadataLines(container.metadata, ""));
  std::vector<bool> shown(container.nb_streams, false);
  for (unsigned p = 0; p < container.nb_programs; ++p) {
    const AVProgram& program = *container.programs[p];
    lines.push_back(ProgramHeader(program));
    Append(lines, MetadataLines(program.metadata, "  "));
    for (unsigned s = 0; s < program.nb_stream_indexes; ++s) {
      const unsigned index = program.stream_index[s];
      if (index >= container.nb_streams) continue;
      Append(lines, StreamLines(container, static_cast<int>(index)));
      shown[index] = true;
    }
  }
  for (unsigned i = 0; i < container.nb_streams; ++i)
    if (!shown[i]) Append(lines, StreamLines(container, static_cast<int>(i)));
  return Join(lines);
}

}  // namespace qarvo
