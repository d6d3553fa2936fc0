// The settings file under heavy use: listing a section of 100,000 keys, and two programs
// writing 300 keys each at once (how many of the 600 are kept, and how long it takes).
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/IniFile.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void ListHugeSection(const fs::path& folder) {
  const std::string name = (folder / "huge.ini").string();
  {
    std::ofstream out(name);
    out << "[big]\n";
    for (int i = 0; i < 100000; ++i) out << "key" << i << "=" << i << "\n";
  }
  const Clock::time_point start = Clock::now();
  const size_t keys = qarvo::TIniFile(name).ReadSectionKeys("big").size();
  std::printf("list a section of %zu keys: %.1f ms\n", keys, MillisecondsSince(start));
}

void TwoWriters(const fs::path& folder) {
  const std::string name = (folder / "shared.ini").string();
  const Clock::time_point start = Clock::now();
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    if (children[c] == 0) {
      qarvo::TIniFile ini(name);
      for (int i = 0; i < 300; ++i)
        ini.WriteInteger("settings", std::string(1, char('a' + c)) + std::to_string(i), i);
      ::_exit(0);
    }
  }
  for (const pid_t child : children) ::waitpid(child, nullptr, 0);
  const double ms = MillisecondsSince(start);
  const size_t kept = qarvo::TIniFile(name).ReadSectionKeys("settings").size();
  std::printf("two programs writing 300 keys each: %zu of 600 kept, %.0f ms\n", kept, ms);
}

}  // namespace

int main() {
  const fs::path folder =
      fs::temp_directory_path() / ("qarvo-settings-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  ListHugeSection(folder);
  TwoWriters(folder);
  fs::remove_all(folder);
  return 0;
}
