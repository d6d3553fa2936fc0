// The arithmetic of an output that must fit a size: the video bit rate a target leaves once
// the sound and the container's own bytes are paid for, the rule a result must meet, and the
// rate that corrects a missed attempt. Plain numbers: the engine measures, this decides.
#pragma once

#include <cstdint>
#include <string>

namespace qarvo {

// Containers by how their own bytes grow with the packets they carry.
enum class TContainerKind { IsoMedia, Matroska, Avi, MpegTs, MpegPs, Flv, Other };

// The kind of a muxer by its name ("mp4", "matroska", "mpegts"...).
TContainerKind ContainerKindOf(const std::string& muxerName);

struct TTargetBudget {
  int64_t TargetBytes = 0;
  int64_t DurationUs = 0;        // the job's length after trimming
  int64_t AudioBitRate = 0;      // bits/s of all sound streams; 0 without sound
  double AudioPacketRate = 0.0;  // sound packets per second
  double VideoFrameRate = 25.0;  // pictures per second
  int64_t VideoMaxRate = 0;      // bits/s the format allows at most; 0 no limit
  TContainerKind Container = TContainerKind::Other;
};

struct TTargetRate {
  bool Fits = false;          // false: the target cannot hold the sound, overhead and
                              // the smallest usable video
  int64_t VideoBitRate = 0;   // bits/s to ask of the video encoder
  int64_t AudioBytes = 0;     // the sound's share
  int64_t OverheadBytes = 0;  // the container's share
  int64_t SmallestBytes = 0;  // the least target this job fits into
};

// The share of the target an encode aims at: the encoders' rate control lands within a few
// per cent, so aiming at the middle of the accepted window leaves room both ways.
inline constexpr double kTargetAim = 0.975;
// The least video rate worth making, bits/s.
inline constexpr int64_t kMinVideoBitRate = 32000;
// A result may fall this far short of its target and still count as a hit.
inline constexpr double kTargetTolerance = 0.05;

TTargetRate VideoRateForTarget(const TTargetBudget& budget);

// The container's bytes for a stream of this many packets and this much payload.
int64_t ContainerOverhead(TContainerKind kind, double packets, int64_t payloadBytes,
                          int64_t durationUs);

// At most the target and no more than the tolerance under it.
bool HitsTarget(int64_t targetBytes, int64_t resultBytes);

// The video rate for the next attempt: the rate scaled by how far the video's bytes must move
// for the whole file to land on the aim; never below the least video rate.
int64_t CorrectedVideoRate(int64_t rate, int64_t targetBytes, int64_t resultBytes,
                           int64_t videoBytes);

// "12.5 MB" with 1 MB = 1,000,000 bytes, as sizes are shown to users.
std::string MegabyteText(int64_t bytes);

}  // namespace qarvo
