#include "convert/ConvertRunner.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{}, {"--format", "708", "a"}, {"--format"}, {"--bogus", "a"},
                                             {"--info"}, {"--info", "a", "b"}, {"--list-formats", "a"},
                                             {"--format", "x1", "a"}, {"--help", "--info", "a"}})
    EXPECT_FALSE(ParseConvertArguments(bad).Error.empty()) << (bad.empty() ? "" : bad[0]);
}

TEST(ProgressLine, ShowsPercentTimesSizeSpeedAndTimeLeft) {
  EXPECT_EQ(FormatTime(3723456000), "01:02:03.456");
  EXPECT_EQ(FormatTime(-5), "00:00:00.000");
  EXPECT_EQ(ProgressLine(2, 3, 1500000, 3000000, 123456, 750000),
            "[2/3] 50%  00:00:01.500 / 00:00:03.000  123 kb  2.0x  left 00:00:00.750");
  EXPECT_EQ(ProgressLine(1, 1, 1500000, -1, 0, 0), "[1/1]  00:00:01.500  0 kb");
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
};

class ConvertRunnerTest : public ::testing::Test {
 protected:
  ConvertRunnerTest() {
    std::ofstream(folder + "/s.ini") << "[settings]\nFormatCode=706\n";
    std::ofstream(folder + "/d.ini") << "[formatInfo706]\nFileExt=ac3\nVideoEncoder=\nAudioEncoder=AC-3\n"
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
}

TEST_F(ConvertRunnerTest, NamesEveryFailureAndFailsTheRun) {
  EXPECT_EQ(Run({"--format", "2200", "--output", folder + "/out", "/c/ok.avi", "/c/fails.avi",
                 "/c/unreadable.avi"}),
            1);
  EXPECT_NE(out.str().find(folder + "/out/ok_(new).mpg"), std::string::npos);
  EXPECT_NE(err.str().find("/c/fails.avi: failed: Unknown encoder 'libfoo'"), std::string::npos);
  EXPECT_NE(err.str().find("/c/unreadable.avi: not converted: Invalid data found"), std::string::npos);
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

}  // namespace
}  // namespace qarvo
