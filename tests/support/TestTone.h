// Sound of the generated clips: a steady sine tone, optionally with a short loud burst (a
// "click") starting at every whole second, which a reader finds again after lossy coding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qarvo {

// Length of one click in seconds.
constexpr double kClickSeconds = 0.005;

struct TToneSpec {
  int SampleRate = 44100;
  int Channels = 2;
  double Frequency = 440.0;
  bool Clicks = false;
};

// Renders `frames` interleaved signed 16-bit sample frames starting at sample frame `first`;
// every channel carries the same signal.
void RenderTone(const TToneSpec& spec, int64_t first, int frames, int16_t* out);

// Start times in seconds of the clicks in `count` interleaved samples (count counts single
// values, as a vector's size does), measured from the first sample.
std::vector<double> FindClicks(const int16_t* samples, size_t count, int rate, int channels);

// Start times of the clicks a clip of `duration` seconds carries: every whole second whose
// click fits in the clip.
std::vector<double> ClickTimes(double duration);

}  // namespace qarvo
