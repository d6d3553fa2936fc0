// What the processor cores buy. The three conversions of convert_bench (the 640x480 25 fps
// 60 s clip into 3GP H.263 176x144 + AAC, MP4 MPEG-4 320x240 + AAC and MP4 H.264 640x480 +
// AAC) run through the engine component one-threaded and sequential, with the codecs' own
// threads, and with those threads and the pipelined task; then a batch of four different
// 30-second clips goes through qarvo-convert (the batch run the application uses) one job
// after another with one thread each, and with every core and Automatic simultaneous jobs.
// Each conversion runs in a process of its own so that its peak resident memory is its own.
// Per case: wall and processor seconds (fastest and slowest of the rounds), cores used
// (processor / wall time), peak RSS, and the wall time against the sequential case.
//
// On a machine shared with other work the wall time follows the load. So the parent also
// samples the processor time of every thread of the child (/proc/PID/task) and prints the
// busiest thread's: the wall time an otherwise idle two-core machine would need is at least
// the larger of that and half the processor time ("idle 2-core" column, and its ratio).
//
//   speed_bench [--rounds N] [--no-batch | --batch-only]   (default 3 rounds)
#include <fcntl.h>
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
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/TConvertEngine.h"

#include "support/TestMedia.h"
#include "support/TestMediaError.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

struct TProfile {
  const char* Name;
  const char* Extension;
  const char* VideoCodec;
  int Width, Height;
  int SampleRate;
};

const TProfile kProfiles[] = {
    {"3gp h263 176x144 + aac", "3gp", "h263", 176, 144, 44100},
    {"mp4 mpeg4 320x240 + aac", "mp4", "mpeg4", 320, 240, 0},
    {"mp4 libx264 640x480 + aac", "mp4", "libx264", 640, 480, 0},
};

struct TMode {
  const char* Name;
  const char* InputText;
  const char* OutputText;
};

const TMode kModes[] = {
    {"sequential", "", ""},
    {"threaded", "threads=auto", "threads=auto"},
    {"pipelined", "threads=auto", "threads=auto\npipeline=1"},
};

std::string BenchClip() {
  qarvo::TClipSpec spec;  // avi, mpeg4 + mp3 44.1 kHz stereo, 25 fps
  spec.Width = 640;
  spec.Height = 480;
  spec.VideoBitRate = 1500000;
  spec.Duration = 60.0;
  return qarvo::EnsureClipFile(spec, "bench-640x480-60s.avi");
}

// Four different 30-second clips: containers, codecs and sizes as users bring them.
std::vector<std::string> BatchClips() {
  std::vector<std::string> clips;
  qarvo::TClipSpec avi;
  avi.Width = 640;
  avi.Height = 480;
  avi.VideoBitRate = 1500000;
  avi.Duration = 30.0;
  clips.push_back(qarvo::EnsureClipFile(avi, "bench-batch-640x480.avi"));
  qarvo::TClipSpec mp4 = avi;
  mp4.Container = "mp4";
  mp4.Extension = "mp4";
  mp4.VideoCodec = "libx264";
  mp4.Width = 480;
  mp4.Height = 360;
  mp4.AudioCodec = "aac";
  clips.push_back(qarvo::EnsureClipFile(mp4, "bench-batch-480x360.mp4"));
  qarvo::TClipSpec mpg = avi;
  mpg.Container = "mpeg";
  mpg.Extension = "mpg";
  mpg.VideoCodec = "mpeg2video";
  mpg.Width = 720;
  mpg.Height = 576;
  mpg.VideoBitRate = 4000000;
  mpg.AudioCodec = "mp2";
  mpg.SampleRate = 48000;
  mpg.AudioBitRate = 192000;
  clips.push_back(qarvo::EnsureClipFile(mpg, "bench-batch-720x576.mpg"));
  qarvo::TClipSpec mkv = avi;
  mkv.Container = "matroska";
  mkv.Extension = "mkv";
  mkv.Width = 320;
  mkv.Height = 240;
  mkv.VideoBitRate = 800000;
  mkv.AudioCodec = "libvorbis";
  clips.push_back(qarvo::EnsureClipFile(mkv, "bench-batch-320x240.mkv"));
  return clips;
}

double ProcessorSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// Child side: one conversion through the engine component; prints wall and processor seconds.
int RunOne(const TMode& mode, const TProfile& profile, const std::string& input,
           const std::string& output) {
  qarvo::LoadMediaLibraries();
  const auto start = Clock::now();
  const double cpuStart = ProcessorSeconds();
  qarvo::TConvertEngine engine;
  bool finished = false;
  std::string error;
  engine.SetOnTerminate([&](qarvo::TConvertEngine&, const qarvo::TTerminateInfo& info) {
    if (info.TaskIndex < 0) return;
    finished = info.Finished;
    error = info.ExceptionMsg;
  });
  qarvo::TInputOptions in;
  in.ExtOptions = mode.InputText;
  if (engine.AddTask(input, &in) < 0) throw std::runtime_error(engine.LastErrMsg());
  qarvo::TOutputOptions out;
  out.VideoCodec = profile.VideoCodec;
  out.FrameSize = std::to_string(profile.Width) + "x" + std::to_string(profile.Height);
  out.AudioCodec = "aac";
  if (profile.SampleRate) out.AudioSampleRate = profile.SampleRate;
  out.ExtOptions = mode.OutputText;
  if (!engine.SetOutputFile(0, output, &out)) throw std::runtime_error(engine.LastErrMsg());
  engine.StartTask(0);
  if (!finished) throw std::runtime_error("conversion failed: " + error);
  std::printf("%.6f %.6f\n", std::chrono::duration<double>(Clock::now() - start).count(),
              ProcessorSeconds() - cpuStart);
  return 0;
}

struct TMeasure {
  double Seconds = 0;
  double Processor = 0;
  long PeakKiB = 0;
  double BusiestThread = 0;  // processor seconds of the child's busiest thread
  double IdleTwoCores() const { return std::max(BusiestThread, Processor / 2); }
};

// Processor seconds of each live thread of a process, by thread id.
void SampleThreads(pid_t pid, std::map<long, double>& seconds) {
  static const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
  std::error_code error;
  for (const auto& entry :
       fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    std::ifstream stat(entry.path() / "stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const auto paren = text.rfind(')');
    if (paren == std::string::npos) continue;
    // After the command: state (3rd field) ... utime (14th), stime (15th).
    std::istringstream fields(text.substr(paren + 2));
    std::string field;
    double utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
      if (i == 14) utime = std::atof(field.c_str());
      if (i == 15) stime = std::atof(field.c_str());
    }
    double& s = seconds[std::atol(entry.path().filename().c_str())];
    s = std::max(s, (utime + stime) / tick);
  }
}

struct TRange {
  double WallMin = 1e300, WallMax = 0, CpuMin = 1e300, CpuMax = 0, IdleMin = 1e300,
         BusiestMin = 1e300;
  long PeakKiB = 0;
  void Add(const TMeasure& m) {
    IdleMin = std::min(IdleMin, m.IdleTwoCores());
    BusiestMin = std::min(BusiestMin, m.BusiestThread);
    WallMin = std::min(WallMin, m.Seconds);
    WallMax = std::max(WallMax, m.Seconds);
    CpuMin = std::min(CpuMin, m.Processor);
    CpuMax = std::max(CpuMax, m.Processor);
    PeakKiB = std::max(PeakKiB, m.PeakKiB);
  }
};

// Runs a program, returns its figures: the ones it prints (wall, processor seconds) or, when
// it prints none, the parent's measure of its wall time and of its processor time.
TMeasure Spawn(std::vector<std::string> args, const std::vector<std::string>& extraEnvironment,
               bool printsFigures) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  if (!printsFigures)
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment(extraEnvironment);
  for (char** e = environ; *e; ++e) environment.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = 0;
  const int spawned =
      posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (spawned != 0) {
    ::close(pipeFds[0]);
    throw std::runtime_error("posix_spawn failed: " + args[0]);
  }
  // The figures come at the child's end: sample its threads until then.
  std::map<long, double> threads;
  bool sampling = true;
  std::thread sampler([&] {
    while (__atomic_load_n(&sampling, __ATOMIC_ACQUIRE)) {
      SampleThreads(pid, threads);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<size_t>(n));
  ::close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  siginfo_t info{};
  ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);  // exited, not yet reaped
  __atomic_store_n(&sampling, false, __ATOMIC_RELEASE);
  sampler.join();
  SampleThreads(pid, threads);
  if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error(args[0] + " " + (args.size() > 2 ? args[2] : std::string()) +
                             " failed");
  TMeasure measure;
  measure.PeakKiB = usage.ru_maxrss;
  for (const auto& [tid, seconds] : threads)
    measure.BusiestThread = std::max(measure.BusiestThread, seconds);
  if (printsFigures) {
    if (std::sscanf(text.c_str(), "%lf %lf", &measure.Seconds, &measure.Processor) != 2)
      throw std::runtime_error("no figures from the conversion");
  } else {
    measure.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
    measure.Processor = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 +
                        usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
  }
  return measure;
}

void PrintHeader(const char* first) {
  std::printf("%-26s %-10s %15s %15s %5s %12s %10s %7s %8s %8s\n", first, "mode", "wall s", "cpu s",
              "cores", "peak RSS KiB", "wall/seq", "busiest", "idle 2c", "idle/seq");
}

void PrintRow(const char* name, const char* mode, const TRange& r, const TRange& sequential) {
  std::printf(
      "%-26s %-10s %6.2f .. %6.2f %6.2f .. %6.2f %5.2f %12ld %4.2f..%4.2f %7.2f %8.2f %8.2f\n",
      name, mode, r.WallMin, r.WallMax, r.CpuMin, r.CpuMax, r.CpuMin / r.WallMin, r.PeakKiB,
      r.WallMin / sequential.WallMin, r.WallMax / sequential.WallMin, r.BusiestMin, r.IdleMin,
      r.IdleMin / sequential.IdleMin);
}

void Conversions(const std::string& self, const std::string& input, const fs::path& out,
                 int rounds) {
  std::printf("clip: %s (640x480, 25 fps, 60 s, mpeg4 + mp3 in AVI), %d rounds\n", input.c_str(),
              rounds);
  PrintHeader("output");
  for (int p = 0; p < static_cast<int>(std::size(kProfiles)); ++p) {
    const std::string output = (out / (std::string("out.") + kProfiles[p].Extension)).string();
    TRange ranges[std::size(kModes)];
    for (int round = 0; round < rounds; ++round)
      for (int m = 0; m < static_cast<int>(std::size(kModes)); ++m)  // interleaved: the load drifts
        ranges[m].Add(
            Spawn({self, "--one", kModes[m].Name, std::to_string(p), input, output}, {}, true));
    for (int m = 0; m < static_cast<int>(std::size(kModes)); ++m)
      PrintRow(kProfiles[p].Name, kModes[m].Name, ranges[m], ranges[0]);
    std::fflush(stdout);
  }
}

void Batch(const std::string& self, const fs::path& out, int rounds) {
  const std::vector<std::string> clips = BatchClips();
  const fs::path converter = fs::path(self).parent_path() / "qarvo-convert";
  struct TBatchMode {
    const char* Name;
    bool AllCores;
    const char* Jobs;
  };
  const TBatchMode modes[] = {{"one by one", false, "1"}, {"automatic", true, "0"}};
  std::printf(
      "\nbatch: 4 clips of 30 s (640x480 mpeg4 avi, 480x360 h264 mp4, 720x576 mpeg2 mpg, 320x240 "
      "mpeg4 mkv)\n"
      "through qarvo-convert, format 10003 (MP4 MPEG-4 320x240 + AAC), %d rounds\n",
      rounds);
  PrintHeader("batch");
  TRange ranges[2];
  for (int round = 0; round < rounds; ++round)
    for (int m = 0; m < 2; ++m) {
      const fs::path folder = out / ("batch" + std::to_string(m));
      fs::remove_all(folder);
      fs::create_directories(folder);
      const std::string settings = (out / ("batch" + std::to_string(m) + ".ini")).string();
      std::ofstream(settings) << "[settings]\nOutPutDir=" << folder.string()
                              << "\nuseAllCores=" << (modes[m].AllCores ? 1 : 0) << "\n";
      std::vector<std::string> args = {converter.string(), "--format", "10003", "--jobs",
                                       modes[m].Jobs};
      args.insert(args.end(), clips.begin(), clips.end());
      ranges[m].Add(Spawn(args, {"QARVO_SETTINGS_FILE=" + settings}, false));
    }
  // One by one is serial by construction: on idle cores it needs its processor time.
  ranges[0].IdleMin = ranges[0].CpuMin;
  for (int m = 0; m < 2; ++m) PrintRow("4 x 30 s", modes[m].Name, ranges[m], ranges[0]);
}

int Rounds(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--rounds") == 0) return std::max(1, std::atoi(argv[i + 1]));
  return 3;
}

bool Flag(int argc, char** argv, const char* name) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], name) == 0) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 6 && std::strcmp(argv[1], "--one") == 0) {
      const auto* mode = std::find_if(std::begin(kModes), std::end(kModes), [&](const TMode& m) {
        return std::strcmp(m.Name, argv[2]) == 0;
      });
      const int profile = std::atoi(argv[3]);
      if (mode == std::end(kModes) || profile < 0 ||
          profile >= static_cast<int>(std::size(kProfiles)))
        throw std::runtime_error("bad --one arguments");
      return RunOne(*mode, kProfiles[profile], argv[4], argv[5]);
    }
    qarvo::LoadMediaLibraries();
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::printf("preparing the clips ...\n");  // generated on first use
    std::fflush(stdout);
    const std::string input = BenchClip();
    const fs::path out =
        fs::temp_directory_path() / ("qarvo-speed-bench-" + std::to_string(::getpid()));
    fs::create_directories(out);
    double load[3] = {};
    if (getloadavg(load, 3) > 0)
      std::printf("load average at start: %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    const int rounds = Rounds(argc, argv);
    if (!Flag(argc, argv, "--batch-only")) Conversions(self, input, out, rounds);
    if (!Flag(argc, argv, "--no-batch")) Batch(self, out, rounds);
    if (getloadavg(load, 3) > 0)
      std::printf("load average at the end: %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    fs::remove_all(out);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "speed_bench: %s\n", e.what());
    return 1;
  }
}
