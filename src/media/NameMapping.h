// Names the libraries no longer have.
//
// Profiles, preset texts and settings keep the option and encoder names of the older library
// generation; this one table translates them at the boundary to the present libraries:
//
// Encoders (TranslateEncoderName), used when the name is missing from the loaded libraries
// (or, for "vorbis", while the built-in encoder is experimental):
//   libfaac -> aac, libflac -> flac, vorbis -> libvorbis, libamr_nb -> libopencore_amrnb
//
// Options (TranslateLegacyOption):
//   flags2 x264 flags, each becomes a libx264 private option (+ sets, - clears):
//     bpyramid -> b-pyramid (normal / none), wpred -> weightb, mixed_refs -> mixed-refs,
//     dct8x8 -> 8x8dct, fastpskip -> fast-pskip, mbtree -> mbtree, aud -> aud, psy -> psy,
//     ssim -> ssim, intra_refresh -> intra-refresh; other flags2 flags stay flags2
//   flags moved to private options of the MPEG-family encoders:
//     scan_offset -> scan_offset, alt -> alternate_scan, umv -> umv, aiv -> aiv,
//     obmc -> obmc, slice -> structured_slices, naq / mv0 / cbp / qprd -> mpv_flags
//     naq / mv0 / cbp_rd / qp_rd; other flags (loop, gray, ...) stay flags
//   partitions=+parti4x4+partp8x8...  -> libx264 partitions=i4x4,p8x8,... ("none" when empty)
//   directpred=N -> direct-pred=N (libx264)
//   cqp=N -> qp=N (libx264)
//
// Names that moved unchanged into encoder or muxer private options need no entry: the
// generic setter accepts private options of the chosen encoder and output format, or of those
// guessed from the output file name (coder, me_method, wpredp, sc_threshold, b_strategy of
// libx264; muxrate of the MPEG muxers).
// Still common today and left alone: cmp=+chroma, flags=+loop / -loop, level, bt, packetsize.
//
// Filter texts (TranslateLegacyFilters): the crop filter took its unnamed values as
// x:y:width:height (a width or height of 0 meaning the rest of the picture); today's takes
// width:height:x:y. "crop=64:32:432:256" becomes "crop=x=64:y=32:w=432:h=256".
// The target's muxpreload is the MPEG muxers' private "preload" (set by output opening).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qarvo {

struct TOptionSetting {
  std::string Name;
  std::string Value;
  bool operator==(const TOptionSetting&) const = default;
};

// The present option settings for a legacy name=value, or nothing when the pair is not
// legacy (it is then set as it is). Names are compared exactly (options are lower-case).
std::optional<std::vector<TOptionSetting>> TranslateLegacyOption(const std::string& name,
                                                                 const std::string& value);

// A filter text with every crop written by unnamed values in the older order given by name;
// every other filter, and a crop already written by name, stays as it is.
std::string TranslateLegacyFilters(const std::string& text);

// The encoder name to look up in the loaded libraries for a stored encoder name.
std::string TranslateEncoderName(const std::string& name);

// The table without the library check: the present name for a legacy encoder name, or empty.
std::string ReplacementEncoderName(const std::string& name);

}  // namespace qarvo
