// The last step of every output stream: the stream's chain of bitstream filters, then the
// interleaved write into its container.
#pragma once

#include <string>
#include <vector>

#include "media/LibraryObjects.h"

namespace qarvo {

class TPacketWriter;

// A finished packet kept back for its container, with the writer it came from.
struct THeldPacket {
  TPacketWriter* Writer = nullptr;
  TPacketPtr Packet;
};

class TPacketWriter {
 public:
  // `filters` are the option texts ("name" or "name=args"); built on the stream's final
  // codec parameters, so call it after the encoder opened (or the copy was configured).
  TPacketWriter(AVFormatContext& muxer, AVStream& stream, const std::string& codecName,
                const std::vector<std::string>& filters, bool exitOnError, const void* logSender);

  // Takes the packet's payload (the packet is left empty). stream_index and timestamps (in
  // the stream's time base) must be set. Raises EEngineError on a write failure.
  void Write(AVPacket& packet);
  // Pushes out what the filters still hold (end of stream).
  void Flush();
  // Highest decoding time written, seconds.
  double OutputTime() const { return outputTime_; }
  // While `held` is set the finished packets are appended to it instead of written, so two
  // threads can encode and one writes everything in the one-thread order (WriteHeld).
  void HoldIn(std::vector<THeldPacket>* held) { held_ = held; }
  // Writes and empties `held`, in its order.
  static void WriteHeld(std::vector<THeldPacket>& held);

 private:
  struct TFilter {
    std::string Name;
    TBSFContextPtr Context;
  };
  // "<filter> failed for stream <n>, codec <name>: ", the start of every filter message.
  std::string FilterFailure(const std::string& name) const;
  void SetFilterOptions(AVBSFContext& context, const std::string& name,
                        const std::string& args) const;
  void Pass(size_t index, AVPacket* packet);
  // A filter error: raised with xerror, else logged.
  void Report(const TFilter& filter, int result) const;
  void Mux(AVPacket& packet);
  void Interleave(AVPacket& packet);

  AVFormatContext& muxer_;
  AVStream& stream_;
  std::string codecName_;
  bool exitOnError_;
  const void* logSender_;
  std::vector<TFilter> filters_;
  TPacketPtr filtered_;
  double outputTime_ = 0.0;
  std::vector<THeldPacket>* held_ = nullptr;
};

}  // namespace qarvo
