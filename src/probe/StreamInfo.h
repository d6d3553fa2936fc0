// Reads the probe's records out of an opened container.
#pragma once

#include <cstdint>

#include "media/LibraryApi.h"
#include "probe/ProbeRecords.h"

namespace qarvo {

// The entry's value, or nullptr when the dictionary lacks the key.
const char* MetadataValue(const AVDictionary* metadata, const char* key);

// A time base that can be divided by: a zero denominator becomes the numerator, or 1.
AVRational UsableTimeBase(AVRational timeBase);

// True when the analysis found what a decoder needs: a picture size, a sample rate and
// channel count, or at least a codec for other kinds.
bool HasCodecParameters(const AVCodecParameters& codec);

// Creation time of the container in seconds since 1970; 0 when it does not say.
int64_t ContainerTimestamp(const AVFormatContext& container);

// The stream's duration in its own time base: its header's, else its "DURATION" tag (where
// Matroska keeps it), else the container's from the stream's start; AV_NOPTS_VALUE when none
// is known.
int64_t StreamDuration(const AVFormatContext& container, const AVStream& stream);

// True when the stream's average frame rate is more than 1 % off its real (base) rate: the
// pictures do not come at one fixed rate.
bool HasVariableFrameRate(const AVStream& stream);

TFileStreamInfo ReadFileStreamInfo(const AVFormatContext& container);
TAudioStreamInfo ReadAudioStreamInfo(const AVFormatContext& container, const AVStream& stream);
TVideoStreamInfo ReadVideoStreamInfo(const AVFormatContext& container, const AVStream& stream);

}  // namespace qarvo
