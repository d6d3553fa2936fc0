// Option handling: cost of a task's option state, an option text, a preset and a target, and
// memory over many tasks (must not grow).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "engine/TCustomTranscoder.h"

#include "support/TestMediaError.h"

namespace {

using Clock = std::chrono::steady_clock;

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

template <typename F>
double MicrosecondsPerRound(int rounds, F&& step) {
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < rounds; ++i) step();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / rounds;
}

const char* kText =
    "b=800000<CRLF>g=250<CRLF>bf=2<CRLF>qmin=3<CRLF>qmax=31<CRLF>maxrate=1500000<CRLF>"
    "bufsize=2000000<CRLF>ab=128000<CRLF>ar=44100<CRLF>ac=2<CRLF>metadata=title=Bench<CRLF>"
    "threads=0";

}  // namespace

int main(int argc, char** argv) {
  using namespace qarvo;
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  LoadMediaLibraries();
  std::printf("%-34s %10s\n", "step", "us/round");
  std::printf("%-34s %10.1f\n", "task option state",
              MicrosecondsPerRound(rounds, [] { TCustomTranscoder task; }));
  std::printf("%-34s %10.1f\n", "task + option text (12 lines)", MicrosecondsPerRound(rounds, [] {
                TCustomTranscoder task;
                task.ApplyOptionText(kText, TCustomTranscoder::TOptionTextUse::Output);
              }));
  std::printf("%-34s %10.1f\n", "task + vcodec + preset libx264-psp",
              MicrosecondsPerRound(rounds, [] {
                TCustomTranscoder task;
                task.DispatchOption("vcodec", "libx264");
                task.DispatchOption("vpre", "psp");
              }));
  std::printf("%-34s %10.1f\n", "task + target pal-dvd", MicrosecondsPerRound(rounds, [] {
                TCustomTranscoder task;
                task.DispatchOption("target", "pal-dvd");
              }));
  const long before = ResidentKiB();
  MicrosecondsPerRound(rounds * 5, [] {
    TCustomTranscoder task;
    task.DispatchOption("vcodec", "libx264");
    task.DispatchOption("vpre", "slow");
    task.DispatchOption("target", "pal-dvd");
  });
  std::printf("RSS before %ld KiB, after %d more tasks %ld KiB\n", before, rounds * 5,
              ResidentKiB());
  return 0;
}
