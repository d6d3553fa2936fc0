// What a stream is for, beyond its media type.
#pragma once

#include "media/LibraryApi.h"

namespace qarvo {

// A picture that belongs to the file's tags (cover art), carried as a one-packet video stream.
inline bool IsAttachedPicture(const AVStream& stream) {
  return (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
}

// The media type a stream plays as: attached pictures are not a timeline of pictures.
inline AVMediaType PlayedType(const AVStream& stream) {
  if (stream.codecpar->codec_type == AVMEDIA_TYPE_VIDEO && IsAttachedPicture(stream))
    return AVMEDIA_TYPE_ATTACHMENT;
  return stream.codecpar->codec_type;
}

}  // namespace qarvo
