// The main window's preview of an SD clip (720 x 576, 25 fps, with sound): the time from Play
// to the first picture reaching pan1, and the processor time the whole program takes while
// the clip plays (decoding, sound, conversion into the panel and painting).
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "player/TMediaPlayer.h"
#include "core/IniFile.h"
#include "app/TApplication.h"
#include "app/TfrmMain.h"
#include "jobs/TPreviewPanel.h"
#include "jobs/TVideoSurfaceWidget.h"

#include "support/TestMedia.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double ProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop until `done` (looked at every 2 ms) or `limitMs`; false on the limit.
// The loop sleeps in between, so the figures are the preview's, not the waiting's.
template <typename F>
bool RunUntil(F done, int limitMs) {
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (done()) loop.quit();
  });
  poll.start(2);
  bool timedOut = false;
  QTimer::singleShot(limitMs, &loop, [&] {
    timedOut = true;
    loop.quit();
  });
  if (!done()) loop.exec();
  return !timedOut || done();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace qarvo;
  const fs::path scratch =
      fs::temp_directory_path() / ("qarvo-preview-bench-" + std::to_string(::getpid()));
  fs::create_directories(scratch);
  const std::string settingsFile = (scratch / "settings.ini").string();
  setenv("QARVO_SETTINGS_FILE", settingsFile.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  TIniFile(settingsFile).WriteString("settings", "volume", "100");
  TClipSpec spec = StandardClip("avi_mpeg4_mp3");
  spec.Width = 720;
  spec.Height = 576;
  spec.VideoBitRate = 2500000;
  spec.Duration = 12.0;
  const std::string clip = EnsureClipFile(spec, "preview_bench_sd.avi");

  TApplication application(argc, argv);
  TfrmMain frmMain;
  frmMain.show();
  frmMain.AddFiles({QString::fromStdString(clip)});
  frmMain.WaitForAdd();
  TPreviewPanel& preview = frmMain.Preview();
  TVideoSurfaceWidget& pan1 = preview.Surface();
  uint64_t arrived = 0;
  QObject::connect(&pan1, &TVideoSurfaceWidget::PictureArrived, [&] { ++arrived; });

  std::vector<double> starts;
  for (int run = 0; run < 5; ++run) {
    const uint64_t before = arrived;
    const Clock::time_point play = Clock::now();
    preview.Play();
    if (!RunUntil([&] { return arrived > before; }, 10000)) {
      std::fprintf(stderr, "no picture reached pan1\n");
      return 1;
    }
    starts.push_back(MillisecondsSince(play));
    preview.Stop();
  }
  std::sort(starts.begin(), starts.end());

  preview.Play();
  RunUntil([&] { return frmMain.MediaPlayer().LastPosition() > 1000000; }, 10000);
  const uint64_t shownBefore = pan1.PicturesShown();
  const double cpuBefore = ProcessorSeconds();
  const Clock::time_point playing = Clock::now();
  RunUntil([] { return false; }, 8000);
  const double wallSeconds = MillisecondsSince(playing) / 1000;
  const double cpu = ProcessorSeconds() - cpuBefore;
  const uint64_t shown = pan1.PicturesShown() - shownBefore;
  preview.Stop();

  std::printf("%-52s %10s\n", "figure", "value");
  std::printf("%-52s %10.1f\n", "Play to first picture in pan1, best of 5 (ms)", starts.front());
  std::printf("%-52s %10.1f\n", "Play to first picture in pan1, median of 5 (ms)", starts[2]);
  std::printf("%-52s %10.1f\n", "processor use while playing 720x576 (% of one core)",
              100 * cpu / wallSeconds);
  std::printf("%-52s %10.1f\n", "pictures shown per second", shown / wallSeconds);
  frmMain.CloseWithoutQuestion();
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
  return 0;
}
