// The readable multi-line description of an opened container.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/LibraryApi.h"

namespace qarvo {

// Lines joined with "\n": file, format, size, duration, start, bit rate, time stamp, the
// container's metadata, each program with its streams, then the remaining streams.
std::string FileInfoText(const AVFormatContext& container, const std::string& fileName,
                         int64_t fileSize);

// "Metadata:" and one "key: value" line per entry but "language", each line led by `indent`;
// nothing when there is no other entry.
std::vector<std::string> MetadataLines(const AVDictionary* metadata, const std::string& indent);

// "Stream #i[0xid](lang), tb: <codec description>" with aspect ratios, rates, start and duration.
std::string StreamLine(const AVFormatContext& container, int index);

}  // namespace qarvo
