#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "core/OutputNaming.h"
#include "convert/ConvertRunner.h"
#include "convert/ProgressLine.h"

#include "support/FakeBatchEngine.h"
#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

TEST(ConvertArguments, ModesOptionsAndErrors) {
  auto a = ParseConvertArguments({"--format", "706", "--output=/tmp/o", "a.avi", "b.avi"});
  EXPECT_TRUE(a.Error.empty());
  EXPECT_EQ(a.FormatCode, 706);
  EXPECT_EQ(a.OutputFolder, "/tmp/o");
  EXPECT_EQ(a.Files, (std::vector<std::string>{"a.avi", "b.avi"}));
  EXPECT_EQ(ParseConvertArguments({"--list-formats"}).Mode, TConvertMode::ListFormats);
  EXPECT_EQ(ParseConvertArguments({"--info", "x"}).Mode, TConvertMode::Info);
  EXPECT_EQ(ParseConvertArguments({"--", "--odd-name"}).Files.front(), "--odd-name");
  EXPECT_EQ(ParseConvertArguments({"--jobs", "3", "a"}).Jobs, 3);
  EXPECT_EQ(ParseConvertArguments({"--jobs=0", "a"}).Jobs, 0);
  EXPECT_TRUE(ParseConvertArguments({"--null", "a"}).NulSeparated);
  EXPECT_FALSE(ParseConvertArguments({"a"}).NulSeparated);
  EXPECT_FALSE(ParseConvertArguments({"a"}).Jobs);
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{},
                                             {"--format", "708", "a"},
                                             {"--format"},
                                             {"--bogus", "a"},
                                             {"--info"},
                                             {"--info", "a", "b"},
                                             {"--list-formats", "a"},
                                             {"--format", "x1", "a"},
                                             {"--help", "--info", "a"},
                                             {"--jobs", "9", "a"},
                                             {"--jobs", "-1", "a"},
                                             {"--jobs", "two", "a"},
                                             {"--target-size", "0", "a"},
                                             {"--target-size", "-5", "a"},
                                             {"--target-size", "1,5", "a"},
                                             {"--target-size", "25MB", "a"},
                                             {"--target-size", "1.2.3", "a"},
                                             {"--target-size", "."},
                                             {"--target-size"}})
    EXPECT_FALSE(ParseConvertArguments(bad).Error.empty()) << (bad.empty() ? "" : bad[0]);
}

TEST(ConvertArguments, TwoPassAndTargetSizeInDecimalMegabytes) {
  EXPECT_TRUE(ParseConvertArguments({"--two-pass", "a"}).TwoPass);
  EXPECT_FALSE(ParseConvertArguments({"a"}).TwoPass);
  EXPECT_FALSE(ParseConvertArguments({"a"}).TargetSizeBytes);
  const std::pair<const char*, int64_t> sizes[] = {
      {"25", 25000000}, {"7.5", 7500000}, {".5", 500000}, {"8.", 8000000}, {"0.000001", 1}};
  for (const auto& [text, bytes] : sizes)
    EXPECT_EQ(ParseConvertArguments({"--target-size", text, "a"}).TargetSizeBytes, bytes) << text;
  EXPECT_EQ(ParseConvertArguments({"--target-size=16", "a"}).TargetSizeBytes, 16000000);
  EXPECT_EQ(ParseConvertArguments({"--target-size", "abc", "a"}).Error,
            "--target-size takes a size in MB above 0, such as 25 or 7.5, not \"abc\"");
  EXPECT_NE(std::string(kConvertUsage).find("--target-size MB"), std::string::npos);
  EXPECT_NE(std::string(kConvertUsage).find("--two-pass"), std::string::npos);
}

TEST(ProgressLine, ShowsPercentTimesSizeSpeedAndTimeLeft) {
  EXPECT_EQ(FormatTime(3723456000), "01:02:03.456");
  EXPECT_EQ(FormatTime(-5), "00:00:00.000");
  EXPECT_EQ(ProgressLine(2, 3, 1500000, 3000000, 123456, 1000000),
            "[2/3] 50%  00:00:01.500 / 00:00:03.000  123 kB  1.5x  left 00:00:01.000");
  EXPECT_EQ(ProgressLine(1, 1, 1500000, -1, 0, 0), "[1/1]  00:00:01.500  0 kB");
  // No speed from a short interval; never a time past the length.
  EXPECT_EQ(ProgressLine(1, 1, 1500000, 3000000, 0, 999999),
            "[1/1] 50%  00:00:01.500 / 00:00:03.000  0 kB");
  EXPECT_EQ(ProgressLine(1, 1, 3600000, 3000000, 0, 0),
            "[1/1] 100%  00:00:03.000 / 00:00:03.000  0 kB");
}

// Finishes every started task in turn, failing sources whose name says so.
class TScriptedEngine : public test::TFakeBatchEngine<IHeadlessEngine> {
 public:
  TScriptedEngine() {
    Facts.Width = 320;
    Facts.Height = 240;
  }
  void StartTask(int threads) override {
    TFakeBatchEngine::StartTask(threads);
    next = 0;
  }
  bool SetOutputFile(int task, const TComposedOutput& output, std::string& error) override {
    Outputs.push_back(output);
    return TFakeBatchEngine::SetOutputFile(task, output, error);
  }
  void Pump(int) override {
    if (next < 0) return;
    if (Stopped || next >= TasksCount()) {
      if (Stopped && next < TasksCount()) OnTerminate({next, false, false, {}});
      next = -1;
      OnTerminate({-1, true, false, {}});
      return;
    }
    OnProgress({next, 1500000, 3000000, 1000});
    if (Tasks[next].first.FileName.find("fails") != std::string::npos)
      OnTerminate({next, false, true, "Unknown encoder 'libfoo'"});
    else
      OnTerminate({next, true, false, {}});
    ++next;
  }

  int next = -1;
  std::vector<TComposedOutput> Outputs;  // every output record given
};

class ConvertRunnerTest : public ::testing::Test {
 protected:
  ConvertRunnerTest() {
    std::ofstream(folder + "/s.ini") << "[settings]\nFormatCode=706\n";
    std::ofstream(folder + "/d.ini")
        << "[formatInfo706]\nFileExt=ac3\nVideoEncoder=\nAudioEncoder=AC-3\n"
        << "[formatInfo2200]\nFileExt=mpg\n";
  }
  int Run(const std::vector<std::string>& arguments) {
    TConvertRunner runner(engine, {folder + "/s.ini", folder + "/d.ini"}, out, err, false);
    return runner.Run(ParseConvertArguments(arguments));
  }
  test::TScratchFolder scratch{"convert"};
  const std::string folder = scratch.Folder();
  TScriptedEngine engine;
  std::ostringstream out, err;
};

TEST_F(ConvertRunnerTest, PrintsOutputsAndSucceedsWhenEveryJobFinishes) {
  EXPECT_EQ(Run({"--output", folder + "/out", "/clips/a.avi", "/clips/b.avi"}), 0);
  // Standard output carries the made files only, so scripts can use it.
  EXPECT_EQ(out.str(), folder + "/out/a_(new).ac3\n" + folder + "/out/b_(new).ac3\n");
  EXPECT_NE(err.str().find("[1/2] 50%"), std::string::npos);
  EXPECT_NE(err.str().find("[2/2] 100%"), std::string::npos);
  EXPECT_EQ(err.str().find("qarvo-convert:"), std::string::npos);
  EXPECT_EQ(engine.Tasks[0].second.AudioCodec, "ac3");
  // --jobs is the run's number of jobs at once.
  EXPECT_EQ(Run({"--jobs", "3", "--output", folder + "/out", "/clips/a.avi"}), 0);
  EXPECT_EQ(engine.StartedWith, 3);
  EXPECT_EQ(engine.Outputs.back().VideoPasses, 1);
  EXPECT_EQ(engine.Outputs.back().TargetSizeBytes, -1);
  // The rate choices reach the engine's record.
  EXPECT_EQ(Run({"--two-pass", "--target-size", "2.5", "--output", folder + "/out", "/c/a.avi"}),
            0);
  EXPECT_EQ(engine.Outputs.back().VideoPasses, 2);
  EXPECT_EQ(engine.Outputs.back().TargetSizeBytes, 2500000);
}

// A name may hold any byte but NUL: a line end in it must not make two paths of one.
TEST_F(ConvertRunnerTest, OutputPathsStayOnePerLineWhateverTheirBytes) {
  EXPECT_EQ(Run({"--output", folder + "/out", "/clips/two\nlines.avi", "/clips/back\\tab\t.avi",
                 "/clips/caf\xc3\xa9\x01.avi"}),
            0);
  EXPECT_EQ(out.str(), folder + "/out/two\\nlines_(new).ac3\n" + folder +
                           "/out/back\\\\tab\\t_(new).ac3\n" + folder +
                           "/out/caf\xc3\xa9\\x01_(new).ac3\n");
  out.str("");
  EXPECT_EQ(Run({"--null", "--output", folder + "/out2", "/clips/two\nlines.avi", "/clips/b.avi"}),
            0);
  EXPECT_EQ(out.str(), folder + "/out2/two\nlines_(new).ac3" + std::string(1, '\0') + folder +
                           "/out2/b_(new).ac3" + std::string(1, '\0'));
}

TEST_F(ConvertRunnerTest, NamesEveryFailureAndFailsTheRun) {
  EXPECT_EQ(Run({"--format", "2200", "--output", folder + "/out", "/c/ok.avi", "/c/fails.avi",
                 "/c/unreadable.avi"}),
            1);
  EXPECT_NE(out.str().find(folder + "/out/ok_(new).mpg"), std::string::npos);
  EXPECT_NE(err.str().find("/c/fails.avi: failed: Unknown encoder 'libfoo'"), std::string::npos);
  EXPECT_NE(
      err.str().find("/c/unreadable.avi: not converted: the file is damaged or not a media file\n"),
      std::string::npos)
      << err.str();
  // --format changed no setting.
  std::ifstream settings(folder + "/s.ini");
  std::stringstream text;
  text << settings.rdbuf();
  EXPECT_EQ(text.str(), "[settings]\nFormatCode=706\n");
}

TEST_F(ConvertRunnerTest, AStopRequestEndsTheRunAsStopped) {
  TConvertRunner::StopRequested() = true;
  const int status = Run({"--output", folder + "/out", "/c/a.avi", "/c/b.avi"});
  TConvertRunner::StopRequested() = false;
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(engine.Stopped);
  EXPECT_NE(err.str().find("stopped"), std::string::npos);
}

// Plays a fixed list of engine events, one per Pump.
class TReplayEngine : public test::TFakeBatchEngine<IHeadlessEngine> {
 public:
  void Pump(int) override {
    if (step < steps.size()) steps[step++]();
  }
  std::vector<std::function<void()>> steps;
  size_t step = 0;
};

// Not on a terminal: the first report of every job is a line, the time never passes the
// length, no speed from the first instants, nothing after "stopping", a job that never began
// is "not started", and a finished job's warning is printed once, with its file.
TEST_F(ConvertRunnerTest, ProgressLinesStartAtOnceStayInTheLengthAndEndWithTheStop) {
  TReplayEngine replay;
  replay.steps = {
      [&] {
        replay.OnProgress({0, 150000, 3000000, 1000});
      },
      [&] {
        replay.OnProgress({0, 3600000, 3000000, 5000});
      },
      [&] {
        replay.OnTerminate(
            {0, true, false, {}, "source ended early at 00:00:01.32 of 00:00:03.00"});
      },
      [&] {
        replay.OnProgress({1, 100000, 3000000, 10});
        TConvertRunner::StopRequested() = true;
      },
      [&] {
        replay.OnProgress({1, 2000000, 3000000, 10});
        replay.OnTerminate({1, false, false, {}});
        replay.OnTerminate({2, false, false, {}, {}, false});
        replay.OnTerminate({-1, true, false, {}});
      },
  };
  TConvertRunner runner(replay, {folder + "/s.ini", folder + "/d.ini"}, out, err, false);
  const int status = runner.Run(
      ParseConvertArguments({"--output", folder + "/out", "/c/a.avi", "/c/b.avi", "/c/c.avi"}));
  TConvertRunner::StopRequested() = false;
  EXPECT_EQ(status, 1);
  EXPECT_EQ(out.str(), folder + "/out/a_(new).ac3\n");
  const std::string text = err.str();
  EXPECT_EQ(text.rfind("[1/3] 5%  00:00:00.150 / 00:00:03.000  1 kB\n", 0), 0u) << text;
  EXPECT_NE(text.find("[1/3] 100%  00:00:03.000 / 00:00:03.000"), std::string::npos) << text;
  EXPECT_EQ(text.find("00:00:03.600"), std::string::npos) << text;
  EXPECT_NE(text.find("[2/3] 3%"), std::string::npos) << text;
  const size_t stopping = text.find("qarvo-convert: stopping\n");
  ASSERT_NE(stopping, std::string::npos) << text;
  EXPECT_EQ(text.find('[', stopping), std::string::npos) << text;
  EXPECT_EQ(text.find("x  left"), std::string::npos) << text;
  EXPECT_NE(
      text.find(
          "qarvo-convert: /c/a.avi: finished with a warning: source ended early at 00:00:01.32 of "
          "00:00:03.00\n"),
      std::string::npos)
      << text;
  EXPECT_NE(text.find("qarvo-convert: /c/b.avi: stopped\n"), std::string::npos) << text;
  EXPECT_NE(text.find("qarvo-convert: /c/c.avi: not started\n"), std::string::npos) << text;
}

// HOME names another folder while it lives: the fallback output folder is made under it.
class THome {
 public:
  explicit THome(const std::string& home) {
    if (const char* old = ::getenv("HOME")) old_ = old;
    ::setenv("HOME", home.c_str(), 1);
  }
  ~THome() { ::setenv("HOME", old_.c_str(), 1); }

 private:
  std::string old_;
};

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The configured output folder cannot be made and the fallback cannot be stored: the run
// goes on into the fallback folder, with its one warning and a note of the unkept setting.
TEST_F(ConvertRunnerTest, AReadOnlySettingsFileDoesNotStopARunThatFallsBack) {
  std::ofstream(folder + "/plain") << "x";
  const std::string settings = "[settings]\nFormatCode=706\nOutPutDir=" + folder + "/plain/out\n";
  std::ofstream(folder + "/s.ini") << settings;
  std::filesystem::permissions(folder + "/s.ini", std::filesystem::perms(0444));
  const THome home(folder + "/home");
  EXPECT_EQ(Run({"/clips/a.avi"}), 0) << err.str();
  EXPECT_EQ(out.str(), folder + "/home/videoconverter/a_(new).ac3\n");
  EXPECT_EQ(Count(err.str(), OutputFolderFallbackWarning(folder + "/plain/out",
                                                         folder + "/home/videoconverter")),
            1u)
      << err.str();
  EXPECT_NE(err.str().find("qarvo-convert: Unable to write to " + folder + "/s.ini\n"),
            std::string::npos)
      << err.str();
  std::ifstream file(folder + "/s.ini");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), settings);
}

// A named pipe in the settings file's place: no hang, the run goes on with the defaults.
TEST_F(ConvertRunnerTest, APipeForTheSettingsFileIsNamedAndTheRunGoesOn) {
  std::filesystem::remove(folder + "/s.ini");
  ASSERT_EQ(::mkfifo((folder + "/s.ini").c_str(), 0600), 0);
  EXPECT_EQ(Run({"--format", "706", "--output", folder + "/out", "/clips/a.avi"}), 0) << err.str();
  EXPECT_EQ(out.str(), folder + "/out/a_(new).ac3\n");
  EXPECT_NE(err.str().find("qarvo-convert: the settings are not read: " + folder +
                           "/s.ini is not a regular file\n"),
            std::string::npos)
      << err.str();
}

}  // namespace
}  // namespace qarvo
