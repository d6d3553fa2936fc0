// The settings file against hostile paths and heavy use: devices, pipes and runaway files in
// its place, a huge section, two programs writing at once, and writers killed half-way.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include "core/IniFile.h"
#include "core/SettingsError.h"

#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

using test::ReadText;
using test::TScratchFolder;
using test::WriteText;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;  // their shadow memory does not fit an address-space limit
#else
constexpr bool kSanitized = false;
#endif

// Runs `body` in a child process with bounded memory and processor time; the alarm only
// turns a hang into a failure. The child's exit status is the result: 0 passed.
std::string InChild(const std::function<int()>& body, rlim_t cpuSeconds = 30) {
  const pid_t child = ::fork();
  if (child < 0) return "fork failed";
  if (child == 0) {
    if (!kSanitized) {
      const rlimit memory{rlim_t(1) << 30, rlim_t(1) << 30};
      ::setrlimit(RLIMIT_AS, &memory);
    }
    const rlimit cpu{cpuSeconds, cpuSeconds};
    ::setrlimit(RLIMIT_CPU, &cpu);
    ::alarm(120);
    int status = 99;
    try {
      status = body();
    } catch (...) {
      status = 98;
    }
    ::_exit(status);
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return "wait failed";
  if (WIFSIGNALED(status)) return "the child died of signal " + std::to_string(WTERMSIG(status));
  if (WEXITSTATUS(status) != 0)
    return "the child failed at step " + std::to_string(WEXITSTATUS(status));
  return {};
}

// Reading gives the defaults, the problem is named, and a write is refused with the spec's
// message; numbers say which step failed.
int RefusedEverywhere(const std::string& name, const std::string& problem) {
  TIniFile ini(name);
  if (ini.ReadInteger("settings", "volume", 7) != 7) return 1;
  if (ini.ReadSections().size() != 0) return 2;
  if (ini.Problem().find(problem) == std::string::npos) return 3;
  try {
    ini.WriteInteger("settings", "volume", 1);
    return 4;
  } catch (const ESettingsError& error) {
    if (std::string(error.what()) != "Unable to write to " + name) return 5;
  }
  return 0;
}

TEST(IniFileLimits, ADeviceOrAPipeInPlaceOfTheFileIsRefusedWithAMessage) {
  // Read to its end, /dev/zero never ends.
  EXPECT_EQ(InChild([] { return RefusedEverywhere("/dev/zero", "is not a regular file"); }), "");
  EXPECT_FALSE(std::filesystem::exists("/dev/.zero.lock"));

  // Opened for reading, a named pipe waits for a writer that never comes.
  TScratchFolder folder;
  const std::string pipe = folder.File("s.ini");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(InChild([&] { return RefusedEverywhere(pipe, "is not a regular file"); }), "");
  EXPECT_TRUE(std::filesystem::is_fifo(pipe));
  EXPECT_THAT(folder.Entries(), UnorderedElementsAre("s.ini"));

  // A folder is no file either; a missing file is no problem.
  std::filesystem::create_directory(folder.File("dir.ini"));
  EXPECT_EQ(RefusedEverywhere(folder.File("dir.ini"), "is not a regular file"), 0);
  EXPECT_EQ(TIniFile(folder.File("none.ini")).Problem(), "");
}

TEST(IniFileLimits, AFilePastTheSizeLimitIsNeitherReadNorReplaced) {
  TScratchFolder folder;
  const std::string name = folder.File("s.ini");
  std::string text = "[settings]\nvolume=3\n;";
  text.resize(4 * 1024 * 1024 + 1, 'x');
  WriteText(name, text);
  EXPECT_EQ(RefusedEverywhere(name, "is larger than 4 MB"), 0);
  EXPECT_EQ(std::filesystem::file_size(name), text.size());
  // At the limit it is a settings file like any other.
  text.resize(4 * 1024 * 1024);
  WriteText(name, text);
  TIniFile ini(name);
  EXPECT_EQ(ini.ReadInteger("settings", "volume", 7), 3);
  EXPECT_EQ(ini.Problem(), "");
}

TEST(IniFileLimits, ASectionOf100000KeysListsInLinearTime) {
  TScratchFolder folder;
  const std::string name = folder.File("s.ini");
  constexpr int kKeys = 100000;
  std::string text = "[Big]\n";
  for (int i = 0; i < kKeys; ++i)
    text += "key" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  text += "KEY5=again\n[other]\nkey5=other\n";
  WriteText(name, text);
  // Compared key with key, listing took over a minute of processor time (ten times that
  // with the sanitizers).
  EXPECT_EQ(InChild(
                [&] {
                  TIniFile ini(name);
                  const std::vector<std::string> keys = ini.ReadSectionKeys("big");
                  if (keys.size() != kKeys) return 1;
                  if (keys.front() != "key0" || keys.back() != "key99999") return 2;
                  const TIniValues values = ini.ReadSection("BIG");
                  if (values[5] != std::pair<std::string, std::string>("key5", "5")) return 3;
                  const TIniSnapshot snapshot = ini.Snapshot();
                  for (int i = 0; i < kKeys; ++i)
                    if (!snapshot.ValueExists("big", "KEY" + std::to_string(i))) return 4;
                  ini.WriteString("big", "key99999", "last");
                  if (ini.ReadString("big", "key99999", "") != "last") return 5;
                  if (ini.ReadString("other", "key5", "") != "other") return 6;
                  return 0;
                },
                kSanitized ? 120 : 10),
            "");
}

// Each child waits for the word, then writes its keys one write at a time.
pid_t StartWriter(const std::string& name, const std::string& prefix, int keys, int go) {
  const pid_t child = ::fork();
  if (child != 0) return child;
  char byte = 0;
  if (::read(go, &byte, 1) != 1) ::_exit(3);
  try {
    TIniFile ini(name);
    for (int i = 0; i < keys; ++i) ini.WriteInteger("settings", prefix + std::to_string(i), i);
  } catch (...) {
    ::_exit(2);
  }
  ::_exit(0);
}

TEST(IniFileLocking, TwoProgramsWritingAtOnceKeepEachOthersKeys) {
  TScratchFolder folder;
  const std::string name = folder.File("s.ini");
  WriteText(name, "; by hand\n[settings]\nvolume=5\n");
  constexpr int kKeys = 300;
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  const pid_t first = StartWriter(name, "a", kKeys, go[0]);
  const pid_t second = StartWriter(name, "b", kKeys, go[0]);
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  ASSERT_EQ(::write(go[1], "gg", 2), 2);
  for (const pid_t child : {first, second}) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  ::close(go[0]);
  ::close(go[1]);
  const TIniSnapshot file(name);
  int kept = 0;
  for (int i = 0; i < kKeys; ++i)
    for (const char* prefix : {"a", "b"})
      kept += file.ReadInteger("settings", prefix + std::to_string(i), -1) == i;
  EXPECT_EQ(kept, 2 * kKeys);
  EXPECT_EQ(file.ReadInteger("settings", "volume", 0), 5);
  EXPECT_EQ(ReadText(name).rfind("; by hand\n[settings]\nvolume=5\n", 0), 0u);
  EXPECT_THAT(folder.Entries(), UnorderedElementsAre("s.ini", ".s.ini.lock"));
}

std::vector<std::string> TempFiles(const TScratchFolder& folder) {
  std::vector<std::string> temps;
  for (const std::string& entry : folder.Entries())
    if (entry.size() > 4 && entry.compare(entry.size() - 4, 4, ".tmp") == 0) temps.push_back(entry);
  return temps;
}

TEST(IniFileLocking, TemporaryFilesOfKilledWritersGoAtTheNextWrite) {
  TScratchFolder folder;
  const std::string name = folder.File("s.ini");
  WriteText(name, "[settings]\nvolume=0\n");
  const unsigned seed = std::random_device()();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> writesStarted(1, 2);
  std::uniform_int_distribution<int> delayUs(0, 8000);
  size_t mostLeft = 0;
  for (int round = 0; round < 200; ++round) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(ready[0]);
      TIniFile ini(name);
      for (int n = 0;; ++n) {
        if (::write(ready[1], "w", 1) != 1) ::_exit(3);  // a write is starting
        try {
          ini.WriteInteger("settings", "volume", n);
        } catch (...) {
          ::_exit(2);
        }
      }
    }
    ::close(ready[1]);
    for (int started = writesStarted(random); started > 0; --started) {
      char byte = 0;
      ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    }
    // Only to spread the kills over the write; nothing waits on it.
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(ready[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed with " << WEXITSTATUS(status);
    // Each writer cleared what the one before it left.
    mostLeft = std::max(mostLeft, TempFiles(folder).size());
  }
  EXPECT_LE(mostLeft, 1u);

  // Left by a writer that is gone; by a running program, fresh and old; and files that
  // only look alike.
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  const std::string ofGone = ".s.ini." + std::to_string(gone) + ".3.tmp";
  const std::string fresh = ".s.ini.1.4.tmp";
  const std::string old = ".s.ini.1.5.tmp";
  for (const std::string& file :
       {ofGone, fresh, old, std::string(".s.ini.notes.tmp"), std::string("other.ini.1.6.tmp")})
    WriteText(folder.File(file), "half");
  const auto hourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
  std::filesystem::last_write_time(folder.File(old), hourAgo);
  TIniFile(name).WriteInteger("settings", "volume", 42);
  EXPECT_THAT(TempFiles(folder),
              UnorderedElementsAre(fresh, ".s.ini.notes.tmp", "other.ini.1.6.tmp"));
  EXPECT_EQ(TIniFile(name).ReadInteger("settings", "volume", 0), 42);
}

TEST(IniFileWrite, AFailureHandlerTakesARefusedWriteInsteadOfAnError) {
  TScratchFolder folder;
  const std::string name = folder.File("s.ini");
  const std::string original = "[settings]\nOutPutDir=/old\n";
  WriteText(name, original);
  std::filesystem::permissions(name, std::filesystem::perms(0444));
  TIniFile ini(name);
  std::vector<std::string> failures;
  ini.SetWriteFailureHandler([&](const std::string& message) { failures.push_back(message); });
  EXPECT_NO_THROW(ini.WriteString("settings", "OutPutDir", "/new"));
  EXPECT_NO_THROW(ini.WriteValues("settings", {{"volume", "1"}}));
  EXPECT_EQ(failures, std::vector<std::string>(2, "Unable to write to " + name));
  EXPECT_EQ(ReadText(name), original);
  EXPECT_THAT(folder.Entries(), UnorderedElementsAre("s.ini"));
}

}  // namespace
}  // namespace qarvo
