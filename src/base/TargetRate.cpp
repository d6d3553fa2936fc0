#include "base/TargetRate.h"

#include <algorithm>
#include <cmath>

#include "base/StringFormat.h"

namespace qarvo {

namespace {

// What a container adds: a fixed part (headers, track tables), a part per packet (sample
// tables, block or chunk headers, index entries), a part per second (packet tables repeated
// in a stream, cue points) and a share of the payload (transport packet headers).
struct TOverheadModel {
  double Fixed;
  double PerPacket;
  double PerSecond;
  double PayloadShare;
};

TOverheadModel ModelOf(TContainerKind kind) {
  switch (kind) {
    case TContainerKind::IsoMedia:  // ftyp, moov; 8-16 bytes of sample tables per sample
      return {3000, 12, 0, 0};
    case TContainerKind::Matroska:  // EBML head, tracks, cues; block headers, clusters
      return {4000, 13, 30, 0};
    case TContainerKind::Avi:  // headers padded for the index; chunk header and idx1 entry
      return {12000, 26, 0, 0};
    case TContainerKind::MpegTs:  // PES header and half a stuffed packet; 4 bytes per 184;
      return {2000, 110, 3760, 4.0 / 184.0};  // tables ten times a second
    case TContainerKind::MpegPs:              // pack and PES headers of 2048-byte packs
      return {2048, 20, 0, 0.015};
    case TContainerKind::Flv:  // tag header and previous-tag size, codec header
      return {1000, 16, 0, 0};
    case TContainerKind::Other:
      break;
  }
  return {4000, 16, 0, 0.01};
}

double Seconds(int64_t us) { return static_cast<double>(us) / 1000000.0; }

}  // namespace

TContainerKind ContainerKindOf(const std::string& muxerName) {
  static const struct {
    const char* Name;
    TContainerKind Kind;
  } kMuxers[] = {{"mp4", TContainerKind::IsoMedia},      {"mov", TContainerKind::IsoMedia},
                 {"3gp", TContainerKind::IsoMedia},      {"3g2", TContainerKind::IsoMedia},
                 {"ipod", TContainerKind::IsoMedia},     {"psp", TContainerKind::IsoMedia},
                 {"ismv", TContainerKind::IsoMedia},     {"f4v", TContainerKind::IsoMedia},
                 {"matroska", TContainerKind::Matroska}, {"webm", TContainerKind::Matroska},
                 {"avi", TContainerKind::Avi},           {"mpegts", TContainerKind::MpegTs},
                 {"mpeg", TContainerKind::MpegPs},       {"vob", TContainerKind::MpegPs},
                 {"dvd", TContainerKind::MpegPs},        {"svcd", TContainerKind::MpegPs},
                 {"vcd", TContainerKind::MpegPs},        {"flv", TContainerKind::Flv}};
  for (const auto& muxer : kMuxers)
    if (muxerName == muxer.Name) return muxer.Kind;
  return TContainerKind::Other;
}

int64_t ContainerOverhead(TContainerKind kind, double packets, int64_t payloadBytes,
                          int64_t durationUs) {
  const TOverheadModel model = ModelOf(kind);
  return std::llround(model.Fixed + model.PerPacket * packets +
                      model.PerSecond * Seconds(durationUs) +
                      model.PayloadShare * static_cast<double>(payloadBytes));
}

TTargetRate VideoRateForTarget(const TTargetBudget& budget) {
  TTargetRate result;
  const double seconds = Seconds(budget.DurationUs);
  if (seconds <= 0 || budget.TargetBytes <= 0) return result;
  const TOverheadModel model = ModelOf(budget.Container);
  const double packets = (budget.VideoFrameRate + budget.AudioPacketRate) * seconds;
  const double audio = static_cast<double>(budget.AudioBitRate) * seconds / 8.0;
  const double fixed = model.Fixed + model.PerPacket * packets + model.PerSecond * seconds;
  // aim = payload + fixed + share * payload, the payload being the sound and the video.
  const double aim = static_cast<double>(budget.TargetBytes) * kTargetAim;
  const double payload = (aim - fixed) / (1.0 + model.PayloadShare);
  const double video = payload - audio;
  result.AudioBytes = std::llround(audio);
  result.OverheadBytes = std::llround(fixed + model.PayloadShare * std::max(payload, 0.0));
  const double least = audio + kMinVideoBitRate * seconds / 8.0;
  result.SmallestBytes =
      static_cast<int64_t>(std::ceil((least * (1.0 + model.PayloadShare) + fixed) / kTargetAim));
  double rate = video * 8.0 / seconds;
  if (budget.VideoMaxRate > 0) rate = std::min(rate, static_cast<double>(budget.VideoMaxRate));
  result.Fits = rate >= kMinVideoBitRate;
  result.VideoBitRate = result.Fits ? static_cast<int64_t>(rate) : 0;
  return result;
}

bool HitsTarget(int64_t targetBytes, int64_t resultBytes) {
  return resultBytes <= targetBytes &&
         static_cast<double>(resultBytes) >=
             static_cast<double>(targetBytes) * (1.0 - kTargetTolerance);
}

int64_t CorrectedVideoRate(int64_t rate, int64_t targetBytes, int64_t resultBytes,
                           int64_t videoBytes) {
  const double others = static_cast<double>(resultBytes - videoBytes);
  const double wanted = static_cast<double>(targetBytes) * kTargetAim - others;
  if (videoBytes <= 0 || wanted <= 0) return kMinVideoBitRate;
  const double scaled = static_cast<double>(rate) * wanted / static_cast<double>(videoBytes);
  return std::max<int64_t>(kMinVideoBitRate, static_cast<int64_t>(scaled));
}

std::string MegabyteText(int64_t bytes) {
  return Format("%.*f MB", bytes < 10000000 ? 2 : 1, static_cast<double>(bytes) / 1e6);
}

}  // namespace qarvo
