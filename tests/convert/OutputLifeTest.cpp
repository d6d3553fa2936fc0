// An output's life as qarvo-convert lives it: nothing under the final name until the file is
// complete, even when the program is killed; what a killed run left is removed by the next
// one; two runs writing a same-named source into one folder both keep their files; and every
// MP4-family output starts with its index. Also the AMR sound of the 3GP formats.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/LibraryApi.h"
#include "probe/TMediaProbe.h"

#include "FormatJob.h"
#include "support/MediaBoxes.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

extern char** environ;

namespace qarvo {
namespace {

namespace fs = std::filesystem;

// One qarvo-convert process with its output streams on pipes.
class TConvertChild {
 public:
  TConvertChild(const std::vector<std::string>& arguments, const std::string& settingsFile) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
      throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<std::string> words{std::string(QARVO_BINARY_DIR) + "/qarvo-convert"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<std::string> variables{"QARVO_SETTINGS_FILE=" + settingsFile};
    for (char** e = environ; *e; ++e)
      if (std::strncmp(*e, "QARVO_SETTINGS_FILE=", 20) != 0) variables.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    const int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
    if (spawned != 0) throw std::runtime_error("posix_spawn: " + std::string(strerror(spawned)));
  }
  ~TConvertChild() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
    ::close(out_);
    ::close(err_);
  }
  TConvertChild(const TConvertChild&) = delete;
  TConvertChild& operator=(const TConvertChild&) = delete;

  // Reads the error stream until a progress line of the job has been written; false at its end.
  bool WaitForProgress() {
    char buffer[4096];
    for (;;) {
      if (errors_.find('%') != std::string::npos) return true;
      const ssize_t n = ::read(err_, buffer, sizeof buffer);
      if (n <= 0) return false;
      errors_.append(buffer, static_cast<size_t>(n));
    }
  }
  void Kill() { ::kill(pid_, SIGKILL); }
  // Waits for the end, collecting both streams; the exit status, or -1 when killed.
  int Wait() {
    std::vector<pollfd> fds{{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    char buffer[4096];
    for (int open = 2; open > 0;) {
      if (::poll(fds.data(), fds.size(), -1) < 0) break;
      for (size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].fd < 0 || !fds[i].revents) continue;
        const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
        if (n <= 0) {
          fds[i].fd = -1;
          --open;
          continue;
        }
        (i == 0 ? output_ : errors_).append(buffer, static_cast<size_t>(n));
      }
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const std::string& Output() const { return output_; }
  const std::string& Errors() const { return errors_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string output_;
  std::string errors_;
};

std::vector<std::string> HiddenEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name[0] == '.') names.push_back(name);
  }
  return names;
}

class OutputLifeTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Out());
    std::ofstream(Settings()) << "[settings]\nFormatCode=1400\n";
  }
  std::string Out() const { return scratch_.File("out"); }
  std::string Settings() const { return scratch_.File("settings.ini"); }

  const test::TScratchFolder scratch_{"life"};
};

TEST_F(OutputLifeTest, AKilledRunLeavesNothingUnderTheNameAndTheNextRunClearsItsDebris) {
  const std::string source = EnsureClip("clicks60");
  const std::string final = Out() + "/clicks60_(new).3gp";
  {
    TConvertChild child({"--output", Out(), source}, Settings());
    ASSERT_TRUE(child.WaitForProgress()) << child.Errors();
    child.Kill();
    EXPECT_EQ(child.Wait(), -1);
  }
  EXPECT_FALSE(fs::exists(final));
  const std::vector<std::string> debris = HiddenEntries(Out());
  ASSERT_EQ(debris.size(), 1u);
  EXPECT_EQ(debris[0].rfind(".clicks60_(new).3gp.qarvo-part-", 0), 0u) << debris[0];

  TConvertChild next({"--output", Out(), EnsureClip("short3s")}, Settings());
  ASSERT_EQ(next.Wait(), 0) << next.Errors();
  EXPECT_EQ(next.Output(), Out() + "/short3s_(new).3gp\n");
  EXPECT_TRUE(HiddenEntries(Out()).empty());
  EXPECT_FALSE(fs::exists(final));
}

TEST_F(OutputLifeTest, TwoRunsWithOneSourceNameIntoOneFolderKeepBothFiles) {
  const std::string clip = EnsureClip("short3s");
  for (const char* folder : {"a", "b"}) {
    fs::create_directories(scratch_.File(folder));
    fs::copy_file(clip, scratch_.File(folder) + "/clip.avi");
  }
  TConvertChild first({"--output", Out(), scratch_.File("a/clip.avi")}, Settings());
  TConvertChild second({"--output", Out(), scratch_.File("b/clip.avi")}, Settings());
  ASSERT_EQ(first.Wait(), 0) << first.Errors();
  ASSERT_EQ(second.Wait(), 0) << second.Errors();
  std::vector<std::string> printed{first.Output(), second.Output()};
  std::sort(printed.begin(), printed.end());
  EXPECT_EQ(printed,
            (std::vector<std::string>{Out() + "/clip_(new).3gp\n", Out() + "/clip_(new_1).3gp\n"}));
  EXPECT_GT(fs::file_size(Out() + "/clip_(new).3gp"), 10000u);
  EXPECT_GT(fs::file_size(Out() + "/clip_(new_1).3gp"), 10000u);
  EXPECT_TRUE(HiddenEntries(Out()).empty());
}

TEST_F(OutputLifeTest, AFileMadeUnderTheNameDuringTheRunIsKeptAndTheOutputNumbered) {
  TConvertChild child({"--output", Out(), EnsureClip("clicks60")}, Settings());
  ASSERT_TRUE(child.WaitForProgress()) << child.Errors();
  std::ofstream(Out() + "/clicks60_(new).3gp") << "written by another program";
  ASSERT_EQ(child.Wait(), 0) << child.Errors();
  EXPECT_EQ(child.Output(), Out() + "/clicks60_(new_1).3gp\n");
  std::ifstream kept(Out() + "/clicks60_(new).3gp");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "written by another program");
  EXPECT_GT(fs::file_size(Out() + "/clicks60_(new_1).3gp"), 100000u);
}

// MP4, MOV, M4A, 3GP and 3G2 formats of the catalogue.
TEST(OutputFastStartFormats, EveryIsoMediaOutputHasItsIndexFirst) {
  LoadMediaLibraries();
  for (const int code : {10200, 1301, 702, 1400, 1402}) {
    SCOPED_TRACE(code);
    const test::TScratchFolder folder("faststart");
    TJobReport report;
    test::ConvertIntoFolder(folder.Folder(), code, EnsureClip("short3s"), report);
    ASSERT_EQ(report.Outcome, TJobOutcome::Finished) << report.Message;
    EXPECT_TRUE(test::IndexBeforeData(report.Output)) << report.Output;
    const auto boxes = test::TopLevelBoxTypes(report.Output);
    EXPECT_EQ(boxes.front(), "ftyp") << report.Output;
    TMediaProbe probe;
    ASSERT_TRUE(probe.LoadFile(report.Output)) << probe.LastErrMsg();
    EXPECT_NEAR(static_cast<double>(probe.Container()->duration) / AV_TIME_BASE, 3.0, 0.15);
  }
}

TEST(OutputAmr, A3gpFormatWritesNarrowBandAmrSoundAt8kHzMono) {
  LoadMediaLibraries();
  if (!api().avcodec_find_encoder_by_name("libopencore_amrnb"))
    GTEST_SKIP() << "the codec library loaded here has no AMR-NB encoder";
  const test::TScratchFolder folder("amr");
  std::ofstream(folder.File("settings.ini"))
      << "[formatInfo1400]\nparaAudioEncoder=libopencore_amrnb\nparaSampleRate=8000\n"
         "paraAudioBitRate=12.2\nparaChannel=1\n";
  TJobReport report;
  test::ConvertIntoFolder(folder.Folder(), 1400, EnsureClip("short3s"), report);
  ASSERT_EQ(report.Outcome, TJobOutcome::Finished) << report.Message;
  TMediaProbe probe;
  ASSERT_TRUE(probe.LoadFile(report.Output)) << probe.LastErrMsg();
  const AVFormatContext* container = probe.Container();
  const AVCodecParameters* sound = nullptr;
  for (unsigned i = 0; i < container->nb_streams; ++i)
    if (container->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
      sound = container->streams[i]->codecpar;
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(sound->codec_id, AV_CODEC_ID_AMR_NB);
  EXPECT_EQ(sound->sample_rate, 8000);
  EXPECT_EQ(sound->ch_layout.nb_channels, 1);
  EXPECT_TRUE(test::IndexBeforeData(report.Output));
}

}  // namespace
}  // namespace qarvo
