// The main thread during a conversion run in the window application: a 5 ms heartbeat timer
// on the main thread records every gap, while TConversionRun converts three generated clips
// (640x480, 25 fps, 10 s, mpeg4 + mp3 in AVI) with the progress window shown; a second run is
// cancelled during its second job. Prints the longest gap (the longest time the windows could
// not repaint) over Start, the run and the end of the run, and over the Cancel.
//
//   gui_run_bench   (offscreen unless QT_QPA_PLATFORM names another platform)
#include <sys/syscall.h>
#include <unistd.h>

#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/TConvertEngine.h"
#include "core/GlobalObject.h"
#include "app/TApplication.h"
#include "jobs/IRunMessages.h"
#include "jobs/TConversionRun.h"
#include "jobs/TfrmProgress.h"

#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

class TQuietActions : public qarvo::IAfterRunActions {
 public:
  void OpenFolder(const std::string&) override {}
  void PowerOff() override {}
};

class TPrintedMessages : public qarvo::IRunMessages {
 public:
  bool UseDefaultSize() override { return true; }
  void ShowWarning(const std::string& text) override {
    std::fprintf(stderr, "warning: %s\n", text.c_str());
  }
};

// Nanoseconds the calling thread has run and has waited for a processor.
struct TSchedule {
  double RunMs = 0;
  double WaitMs = 0;
};
TSchedule ThreadSchedule() {
  TSchedule schedule;
  if (std::FILE* file = std::fopen("/proc/thread-self/schedstat", "r")) {
    unsigned long long run = 0, wait = 0;
    if (std::fscanf(file, "%llu %llu", &run, &wait) == 2) schedule = {run / 1e6, wait / 1e6};
    std::fclose(file);
  }
  return schedule;
}

// Where the main thread is while it stalls: a watchdog thread reads the main thread's current
// system call and (as root) its kernel stack whenever the heartbeat is more than 20 ms late,
// so a blocked stall shows whether it waited on a lock, a file or the disk.
class TStallSampler {
 public:
  TStallSampler() : mainThread_(static_cast<pid_t>(::syscall(SYS_gettid))) {
    Beat();
    watchdog_ = std::thread([this] { Watch(); });
  }
  ~TStallSampler() {
    stop_ = true;
    watchdog_.join();
  }
  void Beat() { lastBeatNs_ = NowNs(); }
  // The samples taken between two instants (seconds on the steady clock), most frequent first.
  std::string Between(Clock::time_point from, Clock::time_point to) {
    std::map<std::string, int> counts;
    {
      std::lock_guard lock(mutex_);
      for (const auto& [at, text] : samples_)
        if (at >= from && at <= to) ++counts[text];
    }
    std::vector<std::pair<int, std::string>> sorted;
    for (const auto& [text, count] : counts) sorted.emplace_back(count, text);
    std::sort(sorted.rbegin(), sorted.rend());
    std::string out;
    for (const auto& [count, text] : sorted)
      out += "    " + std::to_string(count) + " x " + text + "\n";
    return out.empty() ? "    (no sample)\n" : out;
  }

 private:
  static int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
  }
  std::string Read(const char* what) const {
    std::ifstream file("/proc/self/task/" + std::to_string(mainThread_) + "/" + what);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return text;
  }
  std::string Sample() const {
    std::istringstream syscallText(Read("syscall"));
    std::string number;
    syscallText >> number;
    std::string text = "syscall " + number + ":";
    std::istringstream stack(Read("stack"));
    std::string line;
    for (int frames = 0; frames < 6 && std::getline(stack, line); ++frames) {
      const auto space = line.find(' ');
      text += " " + (space == std::string::npos ? line : line.substr(space + 1));
    }
    return text;
  }
  void Watch() {
    while (!stop_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      if (NowNs() - lastBeatNs_ < 20'000'000) continue;
      std::string sample = Sample();
      std::lock_guard lock(mutex_);
      samples_.emplace_back(Clock::now(), std::move(sample));
    }
  }
  const pid_t mainThread_;
  std::atomic<int64_t> lastBeatNs_{0};
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::pair<Clock::time_point, std::string>> samples_;
  std::thread watchdog_;
};

// Gaps between ticks of a fast timer: whatever keeps the event loop from running shows up. A
// gap is split into the time the main thread ran, the time it waited for a processor (other
// work on the machine) and the rest (it was blocked).
class THeartbeat {
 public:
  struct TGap {
    double Ms = 0, AtS = 0, RunMs = 0, WaitMs = 0;
    double Own() const { return Ms - WaitMs; }  // what a machine to itself would still see
  };

  explicit THeartbeat(TStallSampler& sampler) : sampler_(sampler) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Beat(); });
  }
  void Begin() {
    gaps_.clear();
    beats_ = 0;
    begun_ = last_ = Clock::now();
    schedule_ = ThreadSchedule();
    timer_.start();
  }
  // Call on the main thread; also counts the time since the last beat.
  void End() {
    Beat();
    timer_.stop();
  }
  int Beats() const { return beats_; }
  const TGap& Longest() const {
    return Max([](const TGap& g) { return g.Ms; });
  }
  const TGap& LongestOwn() const {
    return Max([](const TGap& g) { return g.Own(); });
  }
  // What the watchdog saw during a gap.
  std::string Where(const TGap& gap) {
    const auto from = begun_ + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(gap.AtS));
    return sampler_.Between(from, from + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double, std::milli>(gap.Ms)));
  }
  std::string Describe(const TGap& gap) const {
    char text[160];
    std::snprintf(
        text, sizeof text,
        "%.1f ms at %.2f s (%.1f ms of its own: ran %.1f ms; waited %.1f ms for a processor)",
        gap.Ms, gap.AtS, gap.Own(), gap.RunMs, gap.WaitMs);
    return text;
  }

 private:
  template <class F>
  const TGap& Max(F key) const {
    static const TGap none;
    if (gaps_.empty()) return none;
    return *std::max_element(gaps_.begin(), gaps_.end(),
                             [&](const TGap& a, const TGap& b) { return key(a) < key(b); });
  }
  void Beat() {
    const auto now = Clock::now();
    const TSchedule schedule = ThreadSchedule();
    gaps_.push_back({std::chrono::duration<double, std::milli>(now - last_).count(),
                     std::chrono::duration<double>(last_ - begun_).count(),
                     schedule.RunMs - schedule_.RunMs, schedule.WaitMs - schedule_.WaitMs});
    last_ = now;
    schedule_ = schedule;
    sampler_.Beat();
    ++beats_;
  }
  TStallSampler& sampler_;
  QTimer timer_;
  Clock::time_point begun_, last_;
  TSchedule schedule_;
  std::vector<TGap> gaps_;
  int beats_ = 0;
};

std::string BenchClip() {
  qarvo::TClipSpec spec;
  spec.Width = 640;
  spec.Height = 480;
  spec.VideoBitRate = 1500000;
  spec.Duration = 10.0;
  return qarvo::EnsureClipFile(spec, "bench-640x480-10s.avi");
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw std::runtime_error("cannot write " + path.string());
  std::fputs(text.c_str(), file);
  std::fclose(file);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const fs::path folder =
      fs::temp_directory_path() / ("qarvo-gui-run-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder / "out");
  WriteFile(folder / "s.ini",
            "[settings]\nOutPutDir=" + (folder / "out").string() + "\nFormatCode=3\n");
  WriteFile(folder / "d.ini",
            "[formatInfo3]\nFormat=mp4\nFileExt=mp4\nVideoSize=320x240\nVideoBitRate=768\n"
            "FrameRate=as source\nVideoEncoder=MPEG-4\nAudioBitRate=128\nSampleRate=44100\n"
            "AudioEncoder=AAC\nChannel=stereo 2 channels\nVolume=100%\n");
  setenv("QARVO_SETTINGS_FILE", (folder / "s.ini").c_str(), 1);

  qarvo::TApplication application(argc, argv);
  qarvo::LoadMediaLibraries();
  std::printf("preparing the clip ...\n");
  std::fflush(stdout);
  const std::string clip = BenchClip();

  qarvo::TGlobalObject global;
  global.SetSettingsFile((folder / "s.ini").string());
  global.SetFormatFile((folder / "d.ini").string());
  global.SetAppTitle("Qarvo 3GP Video Converter");
  QWidget mainWindow;
  mainWindow.resize(786, 522);
  mainWindow.show();
  qarvo::TConvertEngine engine;
  qarvo::TConversionRun run(engine, global, &mainWindow);
  TQuietActions actions;
  TPrintedMessages messages;
  run.SetAfterRunActions(&actions);
  run.SetMessages(&messages);

  const auto rowsOf = [&](int count) {
    std::vector<qarvo::TJobRow> rows;
    for (int i = 0; i < count; ++i)
      rows.push_back({clip, true, qarvo::NewJobRecord(clip, "", 10000000, "lbox"), {}, {}});
    return rows;
  };
  TStallSampler sampler;
  THeartbeat heartbeat(sampler);

  auto rows = rowsOf(3);
  heartbeat.Begin();
  const auto start = Clock::now();
  run.Start(rows, [](int) {});
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  heartbeat.End();
  const int runBeats = heartbeat.Beats();
  const std::string runLongest = heartbeat.Describe(heartbeat.Longest());
  const std::string runOwn = heartbeat.Describe(heartbeat.LongestOwn());
  const std::string runWhere = heartbeat.Where(heartbeat.LongestOwn());
  for (const auto& row : rows)
    if (row.Progress != "100%")
      std::fprintf(stderr, "a job ended with \"%s\"\n", row.Progress.c_str());

  // Cancel during the second job: only the Cancel itself is timed.
  std::string cancelLongest;
  double cancelMs = 0;
  QObject::connect(
      &run, &qarvo::TConversionRun::TaskProgressed, &run,
      [&](int task) {
        static bool done = false;
        if (done || task != 1) return;
        done = true;
        heartbeat.Begin();
        const auto at = Clock::now();
        run.ProgressWindow()->findChild<QPushButton*>("btnCancel")->click();
        cancelMs = std::chrono::duration<double, std::milli>(Clock::now() - at).count();
        heartbeat.End();
        cancelLongest = heartbeat.Describe(heartbeat.LongestOwn());
      },
      Qt::QueuedConnection);
  auto cancelled = rowsOf(3);
  run.Start(cancelled, [](int) {});

  std::printf("run of 3 jobs (640x480 10 s each into mp4 320x240): %.1f s, %d heartbeats\n",
              seconds, runBeats);
  std::printf("longest main-thread stall during Start, the run and its end: %s\n",
              runLongest.c_str());
  std::printf("longest stall of its own (less the wait for a processor; target < 50 ms): %s\n",
              runOwn.c_str());
  std::printf("  where the main thread was (system call: kernel stack):\n%s", runWhere.c_str());
  std::printf("Cancel during the second job took %.1f ms; longest stall of its own meanwhile: %s\n",
              cancelMs, cancelLongest.c_str());
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return 0;
}
