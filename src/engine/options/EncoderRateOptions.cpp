#include "engine/options/EncoderRateOptions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "media/LibraryApi.h"
#include "media/LibraryLoader.h"

namespace qarvo {
namespace {

bool IsNumber(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](unsigned char c) { return std::isdigit(c) || c == '-'; });
}

// SVT-AV1 presets run 0..13, libaom's cpu-used 0..8, both slowest first.
std::string AomSpeed(const std::string& speed) {
  if (!IsNumber(speed)) return speed;
  const int preset = std::clamp(std::atoi(speed.c_str()), 0, 13);
  return std::to_string(static_cast<int>(std::lround(preset * 8.0 / 13.0)));
}

}  // namespace

TEncoderOptions EncoderRateOptions(const std::string& encoder, int quality,
                                   const std::string& speed) {
  TEncoderOptions options;
  const std::string q = std::to_string(quality);
  const auto add = [&](const char* name, const std::string& value) {
    options.emplace_back(name, value);
  };
  if (encoder == "libx264" || encoder == "libx265") {
    if (quality >= 0) add("crf", q);
    if (!speed.empty()) add("preset", speed);
    if (encoder == "libx265") add("x265-params", "log-level=error");
  } else if (encoder == "libsvtav1") {
    if (quality >= 0) {
      add("crf", q);
      add("vb", "0");
    }
    if (!speed.empty()) add("preset", speed);
  } else if (encoder == "libaom-av1") {
    if (quality >= 0) {
      add("crf", q);
      add("vb", "0");
    }
    if (!speed.empty()) add("cpu-used", AomSpeed(speed));
    add("row-mt", "1");
  } else if (encoder == "libvpx-vp9") {
    if (quality >= 0) {
      add("crf", q);
      add("vb", "0");
    }
    if (!speed.empty()) add("cpu-used", speed);
    add("row-mt", "1");
  } else if (encoder == "libwebp_anim" || encoder == "libwebp") {
    if (quality >= 0) add("quality", q);
  }
  return options;
}

std::string AvailableVideoEncoder(const std::string& encoder) {
  if (encoder != "libsvtav1" || !TLibraryLoader::Instance().IsLoaded(liAVCodec)) return encoder;
  if (api().avcodec_find_encoder_by_name("libsvtav1")) return encoder;
  return api().avcodec_find_encoder_by_name("libaom-av1") ? "libaom-av1" : encoder;
}

}  // namespace qarvo
