// A long batch of tiny jobs through qarvo-convert under a limit of 64 open files: the peak
// memory and the time for 100, 1,000 and 3,000 jobs. Jobs open their files only when they start,
// so the peak should hardly grow with the number of queued jobs.
//
//   build/batch_bench [JOBS...]   (default: 100 1000 3000)
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/TestMediaError.h"
#include "support/TinyClipCopies.h"

namespace fs = std::filesystem;
using namespace qarvo;

namespace {

struct TFigures {
  long PeakKiB = 0;
  double Seconds = 0;
  int Status = -1;
};

// Runs qarvo-convert with a limit of 64 open files; its peak resident size and wall time.
TFigures RunBatch(const std::vector<std::string>& files, const std::string& settings,
                  const std::string& output) {
  const fs::path self = fs::read_symlink("/proc/self/exe");
  std::vector<std::string> args{(self.parent_path() / "qarvo-convert").string(), "--format", "1",
                                "--output", output};
  args.insert(args.end(), files.begin(), files.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment{"QARVO_SETTINGS_FILE=" + settings};
  for (char** e = environ; *e; ++e) environment.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  // The child inherits the lowered limit; the bench's own is restored after the spawn.
  rlimit saved{};
  ::getrlimit(RLIMIT_NOFILE, &saved);
  rlimit lowered = saved;
  lowered.rlim_cur = 64;
  ::setrlimit(RLIMIT_NOFILE, &lowered);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned =
      posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), envp.data());
  ::setrlimit(RLIMIT_NOFILE, &saved);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + args[0]);
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  TFigures figures;
  figures.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  figures.PeakKiB = usage.ru_maxrss;
  figures.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    LoadMediaLibraries();
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
    if (counts.empty()) counts = {100, 1000, 3000};
    const fs::path work =
        fs::temp_directory_path() / ("qarvo-batch-bench-" + std::to_string(getpid()));
    std::printf("jobs   peak RSS   per job   wall      status (limit: 64 open files)\n");
    long firstPeak = -1;
    int firstCount = 0;
    for (int count : counts) {
      fs::remove_all(work);
      const std::vector<std::string> files = MakeTinyClipCopies((work / "in").string(), count);
      const std::string settings = (work / "settings.ini").string();
      std::ofstream(settings) << "[formatInfo1]\nparaVideoSize=as source\n";
      const TFigures f = RunBatch(files, settings, (work / "out").string());
      const long made = static_cast<long>(
          std::distance(fs::directory_iterator(work / "out"), fs::directory_iterator()));
      std::string growth = "-";
      if (firstPeak >= 0 && count != firstCount) {
        char text[32];
        std::snprintf(text, sizeof text, "%+.1f KiB",
                      static_cast<double>(f.PeakKiB - firstPeak) / (count - firstCount));
        growth = text;
      }
      std::printf("%5d  %6.1f MiB  %-9s %6.1f s  %d (%ld of %d written)\n", count,
                  f.PeakKiB / 1024.0, growth.c_str(), f.Seconds, f.Status, made, count);
      if (firstPeak < 0) {
        firstPeak = f.PeakKiB;
        firstCount = count;
      }
    }
    fs::remove_all(work);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "batch_bench: %s\n", e.what());
    return 1;
  }
}
