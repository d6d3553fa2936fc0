// Bad sources and outputs through the engine component: each is refused or fails with a
// message that says why, nothing is left behind, and the other tasks of the run go on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "ConvertEngineSupport.h"
#include "support/DecodedClip.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"
#include "support/UnusualSources.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class ConvertEngineBadInputTest : public testing::Test {
 protected:
  void SetUp() override {
    LoadMediaLibraries();
    recorder_.Attach(engine_);
    clip_ = EnsureClip("short3s");
  }

  // A task of the good clip into an AVI file of the folder.
  int AddGoodTask(const std::string& name) {
    const int index = engine_.AddTask(clip_);
    EXPECT_GE(index, 0) << engine_.LastErrMsg();
    EXPECT_TRUE(engine_.SetOutputFile(index, folder_.File(name))) << engine_.LastErrMsg();
    return index;
  }
  const TTerminateInfo& Ended(int task) {
    for (const auto& t : recorder_.Terminations)
      if (t.Info.TaskIndex == task) return t.Info;
    throw std::runtime_error("task " + std::to_string(task) + " never ended");
  }
  void ExpectFailed(int task, const std::string& reasonPart) {
    const TTerminateInfo& info = Ended(task);
    EXPECT_FALSE(info.Finished) << task;
    EXPECT_TRUE(info.Exception) << task;
    EXPECT_NE(info.ExceptionMsg.find(reasonPart), std::string::npos)
        << task << ": " << info.ExceptionMsg;
  }

  TScratchFolder folder_;
  TEventRecorder recorder_;
  TConvertEngine engine_;
  std::string clip_;
};

TEST_F(ConvertEngineBadInputTest, UnreadableSourcesAreRefusedWithTheReason) {
  const std::string bytes = ReadBytes(clip_);
  const std::string empty = folder_.File("empty.avi");
  const std::string header = folder_.File("header-only.avi");
  const std::string noise = folder_.File("noise.avi");
  WriteBytes(empty, "");
  WriteBytes(header, bytes.substr(0, 100));
  std::string random(64 * 1024, '\0');
  for (size_t i = 0; i < random.size(); ++i) random[i] = static_cast<char>((i * 2654435761u) >> 13);
  WriteBytes(noise, random);
  for (const std::string& source : {folder_.File("missing.avi"), empty, header, noise}) {
    EXPECT_LT(engine_.AddTask(source), 0) << source;
    EXPECT_NE(engine_.LastErrMsg().find(source), std::string::npos) << engine_.LastErrMsg();
  }
  EXPECT_EQ(engine_.TasksCount(), 0);
  AddGoodTask("good.avi");
  engine_.StartTask(0);
  ASSERT_EQ(recorder_.Terminations.size(), 2u);
  EXPECT_TRUE(Ended(0).Finished) << Ended(0).ExceptionMsg;
}

TEST_F(ConvertEngineBadInputTest, FailingTasksEndWithTheirReasonAndTheRunGoesOn) {
  // A full device: the writer's failure ends the task and the device is not removed.
  const int full = engine_.AddTask(clip_);
  TOutputOptions avi;
  avi.FileFormat = "avi";
  ASSERT_TRUE(engine_.SetOutputFile(full, "/dev/full", &avi)) << engine_.LastErrMsg();
  // A folder nobody can create: a path below a regular file.
  const int unwritable = engine_.AddTask(clip_);
  WriteBytes(folder_.File("plain"), "a file, not a folder");
  EXPECT_FALSE(engine_.SetOutputFile(unwritable, folder_.File("plain/out.mp4")));
  EXPECT_NE(engine_.LastErrMsg().find("plain/out.mp4: Error number -20 occurred (Not a directory)"),
            std::string::npos)
      << engine_.LastErrMsg();
  // An encoder that refuses the picture size.
  const int refused = engine_.AddTask(clip_);
  TOutputOptions h263;
  h263.VideoCodec = "h263";
  h263.FrameSize = "160x120";
  ASSERT_TRUE(engine_.SetOutputFile(refused, folder_.File("refused.3gp"), &h263))
      << engine_.LastErrMsg();
  // A source whose header reads but whose data is all damaged yields nothing.
  std::string bytes = ReadBytes(clip_);
  for (size_t i = 4000; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
  WriteBytes(folder_.File("damaged.avi"), bytes);
  const int damaged = engine_.AddTask(folder_.File("damaged.avi"));
  ASSERT_GE(damaged, 0) << engine_.LastErrMsg();
  ASSERT_TRUE(engine_.SetOutputFile(damaged, folder_.File("from-damaged.mp4")))
      << engine_.LastErrMsg();
  const int good = AddGoodTask("good.avi");

  engine_.StartTask(2);
  ASSERT_TRUE(recorder_.WaitRunEnded(std::chrono::seconds(60)));
  ExpectFailed(full, "No space left on device");
  ExpectFailed(unwritable, "At least one output file must be specified");
  ExpectFailed(refused, "Error while opening encoder for output stream #0.0");
  ExpectFailed(damaged, "damaged.avi: nothing could be converted");
  EXPECT_FALSE(fs::exists(folder_.File("from-damaged.mp4")));
  EXPECT_TRUE(Ended(good).Finished) << Ended(good).ExceptionMsg;
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
  EXPECT_FALSE(fs::exists(folder_.File("refused.3gp")));
  EXPECT_GT(DecodeClip(folder_.File("good.avi")).Streams.size(), 0u);
}

// A text file is not media; a source cut off part way converts as far as it goes and says so;
// a name that reads like a protocol address (the libraries' "pipe:N" reads descriptor N) is a
// file name like any other, and no such file exists.
TEST_F(ConvertEngineBadInputTest, CutOffSourcesWarnAndProtocolNamesAreNoFiles) {
  const std::string notes = EnsureTextNamedAsVideo();
  EXPECT_LT(engine_.AddTask(notes), 0);
  EXPECT_EQ(engine_.LastErrMsg(), notes + ": not a media file");
  const std::string whole = EnsureThreeSecondMatroska();
  const std::string cut = EnsureTruncatedMatroska();
  EXPECT_LT(engine_.AddTask("pipe:0"), 0);
  EXPECT_EQ(engine_.LastErrMsg(), "pipe:0: No such file or directory");
  const std::string sources[] = {whole, cut};
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(engine_.AddTask(sources[i]), i) << engine_.LastErrMsg();
    ASSERT_TRUE(engine_.SetOutputFile(i, folder_.File(std::to_string(i) + ".avi")))
        << engine_.LastErrMsg();
  }
  engine_.StartTask(0);
  ASSERT_EQ(recorder_.Terminations.size(), 3u);
  EXPECT_TRUE(Ended(0).Finished) << Ended(0).ExceptionMsg;
  EXPECT_EQ(Ended(0).Warning, "");
  EXPECT_TRUE(Ended(1).Finished) << Ended(1).ExceptionMsg;
  EXPECT_TRUE(std::regex_match(
      Ended(1).Warning, std::regex("source ended early at 00:00:01\\.[0-9]{2} of 00:00:03\\.00")))
      << Ended(1).Warning;
  const double reached =
      std::stod(Ended(1).Warning.substr(std::string("source ended early at 00:00:").size()));
  const TDecodedClip converted = DecodeClip(folder_.File("1.avi"));
  ASSERT_FALSE(converted.Streams.empty());
  for (const TDecodedStream& stream : converted.Streams) {
    if (stream.Type == AVMEDIA_TYPE_VIDEO) {
      EXPECT_NEAR(stream.FrameTimes.size() / 25.0, reached, 0.2);
    }
  }
}

}  // namespace
}  // namespace qarvo
