// Cost of the custom frame hook: the same conversion through the engine component without a
// hook, with a handler that changes nothing (every picture to a bitmap and back) and with one
// that declines the update (to a bitmap only), plus the per-picture conversion times.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "media/LibraryObjects.h"
#include "media/TRGBPicture.h"

#include "EngineConvert.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"
#include "support/TestPicture.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr double kSeconds = 20.0;

std::string Clip() {
  qarvo::TClipSpec spec;  // avi, mpeg4 + mp3
  spec.Width = 640;
  spec.Height = 480;
  spec.VideoBitRate = 1500000;
  spec.Duration = kSeconds;
  return qarvo::EnsureClipFile(spec, "bench-hook-640x480.avi");
}

enum class THookKind { None, Unchanged, NoUpdate };

double Convert(const std::string& input, const std::string& output, THookKind kind) {
  qarvo::TOutputOptions options;
  options.VideoCodec = "mpeg4";
  options.AudioCodec = "aac";
  options.VideoBitrate = 1500000;
  std::optional<bool> hookUpdate;
  if (kind != THookKind::None) hookUpdate = kind == THookKind::Unchanged;
  return qarvo::bench::EngineConvert(input, output, options, hookUpdate);
}

// Microseconds per picture for the two directions at the clip's size.
void PictureCosts() {
  using namespace qarvo;
  TFramePtr frame = MakeFrame();
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = 640;
  frame->height = 480;
  CheckAv(api().av_frame_get_buffer(frame.get(), 32), "av_frame_get_buffer");
  DrawTestPicture(*frame, 1, 25.0);
  TRGBPicture rgb;
  constexpr int kRounds = 300;
  double to = 0;
  double from = 0;
  for (int i = 0; i < kRounds; ++i) {
    const auto a = Clock::now();
    rgb.ToBitmap(*frame);
    const auto b = Clock::now();
    rgb.FromBitmap(*frame);
    const auto c = Clock::now();
    to += std::chrono::duration<double, std::micro>(b - a).count();
    from += std::chrono::duration<double, std::micro>(c - b).count();
  }
  std::printf("640x480 yuv420p -> bitmap: %.0f us/picture, bitmap -> picture: %.0f us/picture\n",
              to / kRounds, from / kRounds);
}

}  // namespace

int main() {
  qarvo::LoadMediaLibraries();
  const std::string input = Clip();
  const fs::path out = fs::temp_directory_path() / "qarvo-hook-bench";
  fs::create_directories(out);
  const std::string output = (out / "hook.mp4").string();
  const double frames = kSeconds * 25;

  Convert(input, output, THookKind::None);  // warm-up: caches and lazily loaded encoders
  const double plain = Convert(input, output, THookKind::None);
  const double unchanged = Convert(input, output, THookKind::Unchanged);
  const double noUpdate = Convert(input, output, THookKind::NoUpdate);
  std::printf("%-34s %10s %10s %10s\n", "640x480 mpeg4+aac mp4, 20 s", "seconds", "fps", "ratio");
  std::printf("%-34s %10.2f %10.1f %10.3f\n", "no hook", plain, frames / plain, 1.0);
  std::printf("%-34s %10.2f %10.1f %10.3f\n", "hook, picture unchanged (Update)", unchanged,
              frames / unchanged, unchanged / plain);
  std::printf("%-34s %10.2f %10.1f %10.3f\n", "hook, Update false", noUpdate, frames / noUpdate,
              noUpdate / plain);
  PictureCosts();
  fs::remove_all(out);
  return 0;
}
