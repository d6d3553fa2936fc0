// Conversion speed and memory. A generated 640x480 25 fps 60 s clip (mpeg4 + mp3 in AVI) is
// converted into three outputs through the engine component, through the engine with a hook
// handler that changes nothing, and through a plain library loop with the same settings; per
// output it prints frames per second, real-time factor, peak resident memory and the time
// ratios against the plain loop. Then the peak memory of converting the 3-second and the
// 10-minute standard clips. Every conversion runs in a process of its own so that its peak
// resident memory is its own. Besides the wall time, the processor time of the conversion is
// measured: on a machine shared with other work the wall time follows the load, while the
// processor time, and the ratios taken from it, stay put.
//
//   convert_bench [--rounds N]   (the fastest of N rounds is reported; default 2)
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "BareConvert.h"
#include "EngineConvert.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr double kClipSeconds = 60.0;
constexpr double kClipRate = 25.0;

struct TProfile {
  const char* Name;
  const char* Extension;
  qarvo::bare::TSettings Settings;
};

const TProfile kProfiles[] = {
    {"3gp h263 176x144 + aac", "3gp", {"h263", 176, 144, "aac", 44100}},
    {"mp4 mpeg4 320x240 + aac", "mp4", {"mpeg4", 320, 240, "aac", 0}},
    {"mp4 libx264 640x480 + aac", "mp4", {"libx264", 640, 480, "aac", 0}},
};

enum class TMode { Engine, Hook, Bare };
const char* const kModeNames[] = {"engine", "hook", "bare"};

std::string BenchClip() {
  qarvo::TClipSpec spec;  // avi, mpeg4 + mp3 44.1 kHz stereo, 25 fps
  spec.Width = 640;
  spec.Height = 480;
  spec.VideoBitRate = 1500000;
  spec.Duration = kClipSeconds;
  std::printf("preparing the clip ...\n");  // generating it takes a while on first use
  std::fflush(stdout);
  return qarvo::EnsureClipFile(spec, "bench-640x480-60s.avi");
}

// One conversion through the engine component, with or without a hook that changes nothing.
void EngineConvert(const std::string& input, const std::string& output,
                   const qarvo::bare::TSettings& s, bool hook) {
  qarvo::TOutputOptions options;
  options.VideoCodec = s.VideoCodec;
  options.FrameSize = std::to_string(s.Width) + "x" + std::to_string(s.Height);
  options.AudioCodec = s.AudioCodec;
  if (s.SampleRate) options.AudioSampleRate = s.SampleRate;
  qarvo::bench::EngineConvert(input, output, options,
                              hook ? std::optional<bool>(true) : std::nullopt);
}

double ProcessorSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// Child side: converts once and prints the wall and processor seconds the conversion took.
int RunOne(TMode mode, const TProfile& profile, const std::string& input,
           const std::string& output) {
  qarvo::LoadMediaLibraries();
  const auto start = Clock::now();
  const double cpuStart = ProcessorSeconds();
  if (mode == TMode::Bare)
    qarvo::bare::Convert(input, output, profile.Settings);
  else
    EngineConvert(input, output, profile.Settings, mode == TMode::Hook);
  std::printf("%.6f %.6f\n", std::chrono::duration<double>(Clock::now() - start).count(),
              ProcessorSeconds() - cpuStart);
  return 0;
}

struct TMeasure {
  double Seconds = 0;    // wall
  double Processor = 0;  // all threads of the process
  long PeakKiB = 0;
};

// Parent side: runs one conversion in a child process and collects its time and peak memory.
TMeasure Spawn(TMode mode, int profile, const std::string& input, const std::string& output) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  const std::string profileText = std::to_string(profile);
  std::vector<std::string> args = {self,        "--one", kModeNames[static_cast<int>(mode)],
                                   profileText, input,   output};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (spawned != 0) {
    ::close(pipeFds[0]);
    throw std::runtime_error("posix_spawn failed");
  }
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<size_t>(n));
  ::close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error(std::string(kModeNames[static_cast<int>(mode)]) +
                             " conversion failed");
  TMeasure measure;
  measure.PeakKiB = usage.ru_maxrss;
  if (std::sscanf(text.c_str(), "%lf %lf", &measure.Seconds, &measure.Processor) != 2)
    throw std::runtime_error("no figures from the conversion");
  return measure;
}

int Rounds(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--rounds") == 0) return std::max(1, std::atoi(argv[i + 1]));
  return 2;
}

void Outputs(const std::string& input, const fs::path& out, int rounds) {
  std::printf("clip: %s (640x480, 25 fps, %.0f s, mpeg4 + mp3 in AVI), fastest of %d rounds\n\n",
              input.c_str(), kClipSeconds, rounds);
  std::printf("%-27s %-7s %8s %8s %8s %8s %10s %13s %9s %9s\n", "output", "path", "wall s", "cpu s",
              "fps", "cpu fps", "x realtime", "peak RSS KiB", "wall/bare", "cpu/bare");
  const double frames = kClipSeconds * kClipRate;
  for (int p = 0; p < static_cast<int>(std::size(kProfiles)); ++p) {
    const std::string output = (out / (std::string("out.") + kProfiles[p].Extension)).string();
    TMeasure best[3];
    for (int round = 0; round < rounds; ++round)
      for (TMode mode : {TMode::Bare, TMode::Engine, TMode::Hook}) {  // interleaved: load drifts
        const TMeasure m = Spawn(mode, p, input, output);
        TMeasure& b = best[static_cast<int>(mode)];
        if (round == 0 || m.Seconds < b.Seconds) b.Seconds = m.Seconds;
        if (round == 0 || m.Processor < b.Processor) b.Processor = m.Processor;
        b.PeakKiB = std::max(b.PeakKiB, m.PeakKiB);
      }
    const TMeasure& bare = best[static_cast<int>(TMode::Bare)];
    for (TMode mode : {TMode::Engine, TMode::Hook, TMode::Bare}) {
      const TMeasure& m = best[static_cast<int>(mode)];
      std::printf("%-27s %-7s %8.2f %8.2f %8.1f %8.1f %10.2f %13ld %9.3f %9.3f\n",
                  kProfiles[p].Name, kModeNames[static_cast<int>(mode)], m.Seconds, m.Processor,
                  frames / m.Seconds, frames / m.Processor, kClipSeconds / m.Seconds, m.PeakKiB,
                  m.Seconds / bare.Seconds, m.Processor / bare.Processor);
    }
    std::fflush(stdout);
  }
}

void Memory(const fs::path& out) {
  std::printf("\n%-27s %9s %9s %13s\n", "engine, 3gp output, clip", "length", "cpu fps",
              "peak RSS KiB");
  long peaks[2] = {};
  int i = 0;
  for (const char* name : {"short3s", "long10min"}) {
    const qarvo::TClipSpec& spec = qarvo::StandardClip(name);
    const TMeasure m =
        Spawn(TMode::Engine, 0, qarvo::EnsureClip(name), (out / "memory.3gp").string());
    std::printf("%-27s %8.0fs %9.1f %13ld\n", name, spec.Duration,
                spec.Duration * av_q2d(spec.FrameRate) / m.Processor, m.PeakKiB);
    peaks[i++] = m.PeakKiB;
  }
  std::printf("peak RSS growth from 3 s to 10 min: %ld KiB (limit 20480)\n", peaks[1] - peaks[0]);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 6 && std::strcmp(argv[1], "--one") == 0) {
      const auto* mode = std::find_if(std::begin(kModeNames), std::end(kModeNames),
                                      [&](const char* n) { return std::strcmp(n, argv[2]) == 0; });
      const int profile = std::atoi(argv[3]);
      if (mode == std::end(kModeNames) || profile < 0 ||
          profile >= static_cast<int>(std::size(kProfiles)))
        throw std::runtime_error("bad --one arguments");
      return RunOne(static_cast<TMode>(mode - std::begin(kModeNames)), kProfiles[profile], argv[4],
                    argv[5]);
    }
    qarvo::LoadMediaLibraries();
    const std::string input = BenchClip();
    const fs::path out =
        fs::temp_directory_path() / ("qarvo-convert-bench-" + std::to_string(::getpid()));
    fs::create_directories(out);
    double load[3] = {};
    if (getloadavg(load, 3) > 0) std::printf("load average at start: %.2f\n", load[0]);
    Outputs(input, out, Rounds(argc, argv));
    Memory(out);
    fs::remove_all(out);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "convert_bench: %s\n", e.what());
    return 1;
  }
}
