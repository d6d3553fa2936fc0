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

TFileStreamInfo ReadFileStreamInfo(const AVFormatContext& container);
TAudioStreamInfo ReadAudioStreamInfo(const AVStream& stream);
TVideoStreamInfo ReadVideoStreamInfo(const AVStream& stream);

}  // namespace qarvo
