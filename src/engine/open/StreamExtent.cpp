#include "engine/open/StreamExtent.h"

#include <algorithm>

#include "media/LibraryObjects.h"
#include "media/StreamKind.h"
#include "media/Timestamps.h"

namespace qarvo {

namespace {

// Enough of a file's end to hold the last packets of every stream.
constexpr int64_t kTailBytes = 1 << 20;
constexpr int kMostPackets = 500000;

bool Timed(const AVStream& stream) {
  const AVMediaType type = PlayedType(stream);
  return (type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_VIDEO) &&
         stream.start_time != AV_NOPTS_VALUE;
}

int64_t StartOf(const AVStream& stream) {
  return ToMicroseconds(stream.start_time, stream.time_base);
}

TInputFormatContextPtr OpenReader(const std::string& name, const AVInputFormat* format) {
  int result = 0;
  return OpenSecondReader(name, format, result);
}

// False when no packet came.
bool ReadEnds(AVFormatContext& reader, std::vector<int64_t>& ends) {
  TPacketPtr packet = MakePacket();
  bool any = false;
  for (int n = 0; n < kMostPackets && api().av_read_frame(&reader, packet.get()) >= 0; ++n) {
    const unsigned index = static_cast<unsigned>(packet->stream_index);
    const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (index < ends.size() && ts != AV_NOPTS_VALUE) {
      const int64_t end = ToMicroseconds(ts + std::max<int64_t>(packet->duration, 0),
                                         reader.streams[index]->time_base);
      ends[index] = ends[index] == AV_NOPTS_VALUE ? end : std::max(ends[index], end);
      any = true;
    }
    api().av_packet_unref(packet.get());
  }
  return any;
}

}  // namespace

bool TStreamExtent::Moved() const {
  return std::any_of(Shift.begin(), Shift.end(), [](int64_t s) { return s != 0; });
}

TInputFormatContextPtr OpenSecondReader(const std::string& libraryName, const AVInputFormat* format,
                                        int& result) {
  TDictionary options;
  options.Set("protocol_whitelist", "file");
  AVFormatContext* raw = nullptr;
  result = api().avformat_open_input(&raw, libraryName.c_str(), format, options.Address());
  return result < 0 ? nullptr : TInputFormatContextPtr(raw);
}

std::vector<int64_t> ReadStreamEnds(const std::string& libraryName, const AVInputFormat* format) {
  TInputFormatContextPtr reader = OpenReader(libraryName, format);
  if (!reader) return {};
  std::vector<int64_t> ends(reader->nb_streams, AV_NOPTS_VALUE);
  const int64_t size = reader->pb ? api().avio_size(reader->pb) : -1;
  if (size > kTailBytes &&
      api().avformat_seek_file(reader.get(), -1, INT64_MIN, size - kTailBytes, INT64_MAX,
                               AVSEEK_FLAG_BYTE) >= 0 &&
      ReadEnds(*reader, ends))
    return ends;
  // A tail of index tables only: the whole file, from a fresh reader.
  reader = OpenReader(libraryName, format);
  if (reader) ReadEnds(*reader, ends);
  return ends;
}

TStreamExtent MeasureStreamExtent(const AVFormatContext& container,
                                  const std::function<std::vector<int64_t>()>& streamEnds) {
  TStreamExtent extent;
  extent.Shift.assign(container.nb_streams, 0);
  extent.Duration = container.duration;
  int64_t first = INT64_MAX;
  for (unsigned i = 0; i < container.nb_streams; ++i)
    if (Timed(*container.streams[i])) first = std::min(first, StartOf(*container.streams[i]));
  if (first == INT64_MAX) return extent;
  int64_t nearestFar = INT64_MAX;
  for (unsigned i = 0; i < container.nb_streams; ++i) {
    const AVStream& stream = *container.streams[i];
    if (!Timed(stream)) continue;
    const int64_t gap = StartOf(stream) - first;
    if (gap > kFarStreamStart &&
        (container.duration == AV_NOPTS_VALUE || 4 * gap > container.duration)) {
      extent.Shift[i] = gap;
      nearestFar = std::min(nearestFar, gap);
    }
  }
  if (!extent.Moved()) return extent;
  // The container's duration spans the gap; the streams' own ends say what the content spans.
  const std::vector<int64_t> ends = streamEnds ? streamEnds() : std::vector<int64_t>();
  int64_t last = AV_NOPTS_VALUE;
  for (unsigned i = 0; i < container.nb_streams && i < ends.size(); ++i)
    if (Timed(*container.streams[i]) && ends[i] != AV_NOPTS_VALUE)
      last = std::max(last == AV_NOPTS_VALUE ? INT64_MIN : last, ends[i] - extent.Shift[i] - first);
  if (last != AV_NOPTS_VALUE)
    extent.Duration = last;
  else if (container.duration != AV_NOPTS_VALUE)
    extent.Duration = container.duration - nearestFar;
  return extent;
}

}  // namespace qarvo
