#include "support/TestTone.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace qarvo {
namespace {

constexpr double kToneAmplitude = 8000.0;    // about -12 dB: never mistaken for a click
constexpr double kClickAmplitude = 32000.0;  // close to full scale
constexpr double kClickFrequency = 1000.0;   // kept by every codec at every sample rate
// A sample louder than this belongs to a click.
constexpr int kClickThreshold = 16000;
// Loud samples closer than this belong to the same click.
constexpr double kClickGapSeconds = 0.05;

}  // namespace

void RenderTone(const TToneSpec& spec, int64_t first, int frames, int16_t* out) {
  const int64_t clickLength = std::llround(kClickSeconds * spec.SampleRate);
  for (int i = 0; i < frames; ++i) {
    const int64_t n = first + i;
    const double t = static_cast<double>(n) / spec.SampleRate;
    double value;
    if (spec.Clicks && n % spec.SampleRate < clickLength)
      value = kClickAmplitude * std::sin(2.0 * std::numbers::pi * kClickFrequency * t);
    else
      value = kToneAmplitude * std::sin(2.0 * std::numbers::pi * spec.Frequency * t);
    const auto sample = static_cast<int16_t>(std::lround(value));
    std::fill_n(out + static_cast<size_t>(i) * spec.Channels, spec.Channels, sample);
  }
}

std::vector<double> FindClicks(const int16_t* samples, size_t count, int rate, int channels) {
  std::vector<double> clicks;
  if (!samples || rate <= 0 || channels <= 0) return clicks;
  const size_t frames = count / channels;
  const auto gap = static_cast<size_t>(kClickGapSeconds * rate);
  bool open = false;
  size_t firstLoud = 0;
  size_t lastLoud = 0;
  auto closeClick = [&] {
    // Coding smears a burst about evenly both ways, so its middle is the steady mark.
    const double middle = (static_cast<double>(firstLoud) + static_cast<double>(lastLoud)) / 2.0;
    clicks.push_back(std::max(0.0, middle / rate - kClickSeconds / 2.0));
  };
  for (size_t f = 0; f < frames; ++f) {
    int peak = 0;
    for (int c = 0; c < channels; ++c)
      peak = std::max(peak, std::abs(static_cast<int>(samples[f * channels + c])));
    if (peak < kClickThreshold) continue;
    if (open && f - lastLoud > gap) closeClick();
    if (!open || f - lastLoud > gap) firstLoud = f;
    open = true;
    lastLoud = f;
  }
  if (open) closeClick();
  return clicks;
}

std::vector<double> ClickTimes(double duration) {
  std::vector<double> times;
  for (int second = 0; second + kClickSeconds <= duration + 1e-9; ++second) times.push_back(second);
  return times;
}

}  // namespace qarvo
