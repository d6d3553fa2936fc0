#include "media/DisplayRotation.h"

#include <cmath>
#include <cstdlib>

#include "media/LibraryApi.h"

namespace qarvo {

namespace {

int QuarterTurn(double clockwise) {
  const long turn = std::lround(clockwise);
  const int normal = static_cast<int>(((turn % 360) + 360) % 360);
  return normal % 90 == 0 ? normal : 0;
}

}  // namespace

int DisplayRotation(const AVStream& stream) {
  size_t size = 0;
  const uint8_t* matrix = api().av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
  if (matrix && size >= 9 * sizeof(int32_t)) {
    // The matrix angle is counter-clockwise; a NaN comes from a degenerate matrix.
    const double angle = api().av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    return std::isnan(angle) ? 0 : QuarterTurn(-angle);
  }
  const AVDictionaryEntry* tag = api().av_dict_get(stream.metadata, "rotate", nullptr, 0);
  return tag ? QuarterTurn(std::strtod(tag->value, nullptr)) : 0;
}

}  // namespace qarvo
