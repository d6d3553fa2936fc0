// Player figures: time from Open to the first picture on the surface for an SD clip, and the
// processor time SD playback takes, as a share of one core over about ten seconds.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "base/MainThread.h"
#include "media/LibraryLoader.h"
#include "player/TMediaPlayer.h"

#include "support/TestMedia.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr double kPlaySeconds = 10.0;

std::string Clip() {
  qarvo::TClipSpec spec;  // avi, mpeg4 + mp3
  spec.Width = 720;
  spec.Height = 576;
  spec.VideoBitRate = 2500000;
  spec.SampleRate = 48000;
  spec.Duration = kPlaySeconds + 3.0;
  return qarvo::EnsureClipFile(spec, "bench-player-720x576.avi");
}

// Counts what the player shows; converts nothing, so the figures are the player's own.
class TCountingSurface : public qarvo::TVideoSurface {
 public:
  void ClientSize(int& width, int& height) const override {
    width = 720;
    height = 576;
  }
  bool SetMode(int, int) override { return true; }
  void Show(const qarvo::TYuvPicture&, const qarvo::TDisplayRect&) override {
    if (shown_++ == 0) first_ = Clock::now();
  }
  void Redraw() override {}
  void SetListener(qarvo::TVideoSurfaceListener*) override {}

  int Shown() const { return shown_; }
  Clock::time_point First() const { return first_; }

 private:
  std::atomic<int> shown_{0};
  Clock::time_point first_{};
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void Pump(Clock::duration span) {
  const auto end = Clock::now() + span;
  while (Clock::now() < end) {
    qarvo::TMainThread::ProcessPendingCalls();
    std::this_thread::sleep_for(2ms);
  }
}

}  // namespace

int main() {
  // Sound is played by the disk driver in real time (its default pacing), pictures are
  // counted; nothing is drawn.
  setenv("SDL_AUDIODRIVER", "disk", 0);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 0);
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  qarvo::TMainThread::SetMainThread();
  if (!qarvo::TLibraryLoader::Instance().Load(qarvo::kPlayerLibraries)) {
    std::fprintf(stderr, "cannot load the libraries: %s\n",
                 qarvo::TLibraryLoader::Instance().LastError().c_str());
    return 1;
  }
  const std::string clip = Clip();
  qarvo::TMediaPlayer player;
  TCountingSurface surface;
  const auto opening = Clock::now();
  if (!player.Open(clip, &surface, false)) {
    std::fprintf(stderr, "Open failed: %s\n", player.LastErrMsg().c_str());
    return 1;
  }
  while (surface.Shown() == 0 && Clock::now() - opening < 5s) Pump(1ms);
  if (surface.Shown() == 0) {
    std::fprintf(stderr, "no picture within 5 s\n");
    return 1;
  }
  const double firstMs =
      std::chrono::duration<double, std::milli>(surface.First() - opening).count();

  const double cpuStart = CpuSeconds();
  const int shownStart = surface.Shown();
  const auto wallStart = Clock::now();
  Pump(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kPlaySeconds)));
  const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
  const double cpu = CpuSeconds() - cpuStart;
  const int shown = surface.Shown() - shownStart;
  player.Stop(true);

  std::printf("clip: 720x576 mpeg4 25 fps + mp3 48 kHz stereo (avi)\n");
  std::printf("open to first picture: %.1f ms (target < 300 ms)\n", firstMs);
  std::printf("playback: %.1f s wall, %.2f s processor = %.1f %% of one core (target < 25 %%)\n",
              wall, cpu, 100.0 * cpu / wall);
  std::printf("pictures shown: %d (%.1f per second)\n", shown, shown / wall);
  return 0;
}
