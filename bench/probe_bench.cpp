// Media probe: time to load and describe each standard clip, and memory over many loads.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "probe/TMediaProbe.h"

#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace {

using Clock = std::chrono::steady_clock;

// Resident set size in KiB, from /proc.
long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace qarvo;
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  LoadMediaLibraries();
  std::printf("%-18s %12s %12s %10s\n", "clip", "load ms", "text ms", "size KiB");
  for (const TNamedClip& clip : StandardClips()) {
    const std::string path = EnsureClip(clip.Name);
    TMediaProbe probe;
    double loadMs = 0, textMs = 0;
    for (int i = 0; i < rounds; ++i) {
      Clock::time_point start = Clock::now();
      if (!probe.LoadFile(path)) {
        std::printf("%s: %s\n", clip.Name.c_str(), probe.LastErrMsg().c_str());
        return 1;
      }
      loadMs += MillisecondsSince(start);
      start = Clock::now();
      const std::string text = probe.FileInfoText();
      textMs += MillisecondsSince(start);
    }
    std::printf("%-18s %12.3f %12.3f %10lld\n", clip.Name.c_str(), loadMs / rounds, textMs / rounds,
                static_cast<long long>(probe.FileSize() / 1024));
  }
  // Memory: repeated loads must not accumulate anything.
  TMediaProbe probe;
  const std::string path = EnsureClip("mp4_h264_aac");
  for (int i = 0; i < 50; ++i) probe.LoadFile(path);
  const long before = ResidentKiB();
  const int loads = rounds * 50;
  for (int i = 0; i < loads; ++i) {
    probe.LoadFile(path);
    probe.FileInfoText();
  }
  std::printf("RSS after 50 loads: %ld KiB, after %d more: %ld KiB (growth %ld KiB)\n", before,
              loads, ResidentKiB(), ResidentKiB() - before);
  return 0;
}
