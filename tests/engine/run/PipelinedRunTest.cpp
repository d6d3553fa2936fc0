// A task whose decoding runs on a thread of its own: the same bytes as the one-thread loop
// for the same settings, the hook and the events as before, pause and stop acting on both
// threads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "engine/ConvertEngineSupport.h"

#include "support/DecodedClip.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct TRunResult {
  std::string Bytes;
  std::vector<int> HookFrames;
  std::set<std::thread::id> HookThreads;
  int Progress = 0;
  TTerminateInfo Terminated;
};

class PipelinedRunTest : public testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }

  // One conversion of a clip in a fresh engine; the hook, when asked for, blackens the top
  // rows of every second picture.
  TRunResult Convert(const std::string& clip, TOutputOptions options, bool pipelined,
                     const std::string& name) {
    TEventRecorder recorder;  // outlives the engine, whose stop may still deliver to it
    TConvertEngine engine;
    recorder.Attach(engine);
    TRunResult result;
    std::mutex mutex;
    engine.SetOnCustomHook([&](TConvertEngine&, PHookInfo info) {
      std::lock_guard lock(mutex);
      result.HookFrames.push_back(info->FrameNumber);
      result.HookThreads.insert(std::this_thread::get_id());
      info->Update = info->FrameNumber % 2 == 0;
      for (int y = 0; y < info->Bitmap->Height() / 4; ++y)
        std::fill_n(info->Bitmap->ScanLine(y), info->Bitmap->Width() * 3, uint8_t{0});
    });
    engine.SetProgressInterval(100);
    EXPECT_EQ(engine.AddTask(EnsureClip(clip)), 0) << engine.LastErrMsg();
    if (pipelined)
      options.ExtOptions += (options.ExtOptions.empty() ? "" : "\n") + std::string("pipeline=1");
    const std::string out = folder_.File(name);
    EXPECT_TRUE(engine.SetOutputFile(0, out, &options)) << engine.LastErrMsg();
    engine.StartTask(1);
    EXPECT_TRUE(recorder.WaitRunEnded(std::chrono::seconds(120)));
    {
      std::lock_guard lock(recorder.Mutex);
      if (!recorder.Terminations.empty()) result.Terminated = recorder.Terminations.front().Info;
      result.Progress = static_cast<int>(recorder.Progress.size());
      for (const TProgressInfo& p : recorder.Progress) EXPECT_EQ(p.TaskIndex, 0);
    }
    result.Bytes = FileBytes(out);
    return result;
  }

  test::TScratchFolder folder_;
};

// Encoders, frame-rate change, containers, sound resampled and scaled in volume, a copied
// stream, a recording time that cuts the sound, and the hook writing back every second picture.
TEST_F(PipelinedRunTest, OutputIsByteIdenticalToTheOneThreadLoop) {
  struct TCase {
    const char* Clip;
    const char* Extension;
    TOutputOptions Options;
  };
  std::vector<TCase> cases;
  TOutputOptions mp4;
  mp4.VideoCodec = "mpeg4";
  mp4.FrameSize = "320x240";
  mp4.FrameRate = "15";
  mp4.AudioCodec = "aac";
  mp4.CustomHook = true;
  cases.push_back({"avi_mpeg4_mp3", "mp4", mp4});
  TOutputOptions h263;
  h263.FileFormat = "3gp";
  h263.VideoCodec = "h263";
  h263.FrameSize = "176x144";
  h263.AudioCodec = "aac";
  h263.AudioSampleRate = 22050;
  h263.AudioChannels = 1;
  h263.AudioVolume = 128;
  h263.RecordingTime = 2000000;
  h263.VideoFilters = "hflip";
  cases.push_back({"mp4_h264_aac", "3gp", h263});
  TOutputOptions copy;
  copy.ExtOptions = "vcodec=copy";
  copy.AudioCodec = "libmp3lame";
  cases.push_back({"mp4_h264_aac", "mp4", copy});  // (a Matroska file differs run to run)
  // The two sides hand the muxer their packets in batches: containers that interleave by
  // their own rules must still come out the same.
  TOutputOptions vcd;
  vcd.FileFormat = "vcd";
  vcd.VideoCodec = "mpeg1video";
  vcd.FrameSize = "352x288";
  vcd.AudioCodec = "mp2";
  cases.push_back({"avi_mpeg4_mp3", "mpg", vcd});
  TOutputOptions avi;
  avi.VideoCodec = "mpeg4";
  avi.AudioCodec = "libmp3lame";
  cases.push_back({"mkv_mpeg4_vorbis", "avi", avi});

  int n = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Clip + std::string(" -> ") + c.Extension);
    const std::string suffix = std::to_string(n++) + "." + c.Extension;
    const TRunResult sequential = Convert(c.Clip, c.Options, false, "sequential" + suffix);
    const TRunResult pipelined = Convert(c.Clip, c.Options, true, "pipelined" + suffix);
    ASSERT_TRUE(sequential.Terminated.Finished) << sequential.Terminated.ExceptionMsg;
    ASSERT_TRUE(pipelined.Terminated.Finished) << pipelined.Terminated.ExceptionMsg;
    ASSERT_GT(sequential.Bytes.size(), 1000u);
    EXPECT_TRUE(sequential.Bytes == pipelined.Bytes)
        << sequential.Bytes.size() << " vs " << pipelined.Bytes.size();
    EXPECT_EQ(sequential.HookFrames, pipelined.HookFrames);
    if (c.Options.CustomHook) {
      ASSERT_FALSE(pipelined.HookFrames.empty());
      // One worker thread, never the main thread.
      EXPECT_EQ(pipelined.HookThreads.size(), 1u);
      EXPECT_EQ(pipelined.HookThreads.count(std::this_thread::get_id()), 0u);
    }
    EXPECT_GT(pipelined.Progress, 0);
  }
}

// Pausing holds both threads (nothing written, no report); stopping ends a pipelined task
// with an output that is closed properly, also while it was paused.
// Closing the program while a run is paused: every thread of the task is stopped and joined
// and the output closed.
TEST_F(PipelinedRunTest, AnEngineDestroyedWhilePausedEndsItsTaskCleanly) {
  const std::string out = folder_.File("destroyed.mp4");
  {
    TEventRecorder recorder;  // outlives the engine, whose stop may still deliver to it
    TConvertEngine engine;
    recorder.Attach(engine);
    engine.SetProgressInterval(100);
    ASSERT_EQ(engine.AddTask(EnsureClip("long10min")), 0) << engine.LastErrMsg();
    TOutputOptions options;
    options.VideoCodec = "mpeg4";
    options.AudioCodec = "aac";
    options.ExtOptions = "threads=auto\npipeline=1";
    ASSERT_TRUE(engine.SetOutputFile(0, out, &options)) << engine.LastErrMsg();
    engine.StartTask(1);
    ASSERT_TRUE(TMainThread::WaitPumping([&] { return recorder.ProgressCount() >= 1; },
                                         std::chrono::seconds(30)));
    engine.Pause();
    ASSERT_TRUE(
        TMainThread::WaitPumping([&] { return engine.PauseHeld(); }, std::chrono::seconds(30)));
  }
  EXPECT_TRUE(fs::exists(out));
}

TEST_F(PipelinedRunTest, PauseHoldsBothThreadsAndStopClosesTheOutput) {
  TEventRecorder recorder;
  TConvertEngine engine;
  recorder.Attach(engine);
  engine.SetProgressInterval(100);
  ASSERT_EQ(engine.AddTask(EnsureClip("long10min")), 0) << engine.LastErrMsg();
  TOutputOptions options;
  options.VideoCodec = "mpeg4";
  options.AudioCodec = "aac";
  options.ExtOptions = "threads=auto\npipeline=1";
  const std::string out = folder_.File("stopped.mp4");
  ASSERT_TRUE(engine.SetOutputFile(0, out, &options)) << engine.LastErrMsg();
  engine.StartTask(1);
  ASSERT_TRUE(TMainThread::WaitPumping([&] { return recorder.ProgressCount() >= 2; },
                                       std::chrono::seconds(30)));
  engine.Pause();
  ASSERT_TRUE(
      TMainThread::WaitPumping([&] { return engine.PauseHeld(); }, std::chrono::seconds(30)));
  // Written under a name of its own until complete: the folder's one file.
  const auto written = [&] {
    const auto entries = folder_.Entries();
    return entries.size() == 1 ? fs::file_size(folder_.File(entries[0])) : 0;
  };
  const auto held = written();
  const int progress = recorder.ProgressCount();
  // Held means nothing written for a while: the time the pause holds is what is tested.
  TMainThread::WaitPumping([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_GT(held, 0u);
  EXPECT_EQ(written(), held);
  EXPECT_EQ(recorder.ProgressCount(), progress);

  engine.Resume();
  ASSERT_TRUE(TMainThread::WaitPumping([&] { return recorder.ProgressCount() > progress; },
                                       std::chrono::seconds(30)));
  engine.Pause();
  engine.Stop(true);
  ASSERT_TRUE(recorder.WaitRunEnded());
  {
    std::lock_guard lock(recorder.Mutex);
    ASSERT_EQ(recorder.Terminations.size(), 2u);
    EXPECT_FALSE(recorder.Terminations[0].Info.Finished);
    EXPECT_FALSE(recorder.Terminations[0].Info.Exception)
        << recorder.Terminations[0].Info.ExceptionMsg;
  }
  const TDecodedClip decoded = DecodeClip(out);
  size_t pictures = 0;
  for (const TDecodedStream& s : decoded.Streams)
    if (s.Type == AVMEDIA_TYPE_VIDEO) pictures = s.FrameNumbers.size();
  EXPECT_GT(pictures, 0u);
  EXPECT_LT(pictures, 6000u);
}

// Three pipelined, threaded tasks, two at once; the middle one fails while writing. Every
// hook call, preview and report carries the index of the task whose pictures it holds (the
// tasks' sizes tell them apart), the failure stops no other task, and the end of the run
// comes once, after the last.
TEST_F(PipelinedRunTest, TasksAtOnceDeliverTheirOwnEventsAndAFailingOneStopsNoOther) {
  TConvertEngine engine;
  TEventRecorder recorder;
  recorder.Attach(engine);
  engine.SetProgressInterval(100);
  engine.SetPreviewBitmap(true);
  std::mutex mutex;
  std::vector<std::pair<int, int>> hooks, previews;  // task index, picture width
  engine.SetOnCustomHook([&](TConvertEngine&, PHookInfo info) {
    std::lock_guard lock(mutex);
    hooks.push_back({info->TaskIndex, info->Bitmap->Width()});
  });
  engine.SetOnPreviewBitmap([&](TConvertEngine&, const TPreviewInfo& info) {
    std::lock_guard lock(mutex);
    previews.push_back({info.TaskIndex, info.Bitmap->Width()});
  });
  const char* const clips[] = {"3gp_h263_aac", "avi_mpeg4_mp3", "mpg_mpeg2_mp2"};
  const int sourceWidths[] = {176, 320, 352};
  const int widths[] = {128, 160, 240};
  for (int task = 0; task < 3; ++task) {
    ASSERT_EQ(engine.AddTask(EnsureClip(clips[task])), task) << engine.LastErrMsg();
    TOutputOptions options;
    options.VideoCodec = "mpeg4";
    options.FrameSize = std::to_string(widths[task]) + "x96";
    options.AudioCodec = "aac";
    options.CustomHook = true;
    options.ExtOptions = "threads=auto\npipeline=1";
    std::string out = folder_.File("at-once" + std::to_string(task) + ".mp4");
    if (task == 1) {
      options.FileFormat = "avi";
      out = "/dev/full";  // every write fails
    }
    ASSERT_TRUE(engine.SetOutputFile(task, out, &options)) << engine.LastErrMsg();
  }
  engine.StartTask(2);
  ASSERT_TRUE(recorder.WaitRunEnded(std::chrono::seconds(120)));
  std::lock_guard lock(recorder.Mutex);
  ASSERT_EQ(recorder.Terminations.size(), 4u);
  EXPECT_EQ(recorder.Terminations.back().Info.TaskIndex, -1);
  std::map<int, TTerminateInfo> ended;
  for (const auto& t : recorder.Terminations) ended[t.Info.TaskIndex] = t.Info;
  EXPECT_TRUE(ended[0].Finished) << ended[0].ExceptionMsg;
  EXPECT_TRUE(ended[2].Finished) << ended[2].ExceptionMsg;
  EXPECT_TRUE(ended[1].Exception);
  EXPECT_FALSE(ended[1].ExceptionMsg.empty());
  // Hooks run on the task's decoded picture (its source's size); previews at each task's
  // own encoder size.
  std::lock_guard events(mutex);
  std::set<int> hookTasks, previewTasks;
  for (const auto& [task, width] : hooks) {
    hookTasks.insert(task);
    ASSERT_GE(task, 0);
    ASSERT_LT(task, 3);
    EXPECT_EQ(width, sourceWidths[task]) << task;
  }
  for (const auto& [task, width] : previews) {
    previewTasks.insert(task);
    ASSERT_GE(task, 0);
    ASSERT_LT(task, 3);
    EXPECT_EQ(width, widths[task]) << task;
  }
  EXPECT_TRUE(hookTasks.count(0) && hookTasks.count(2));
  EXPECT_TRUE(previewTasks.count(0) && previewTasks.count(2));
  for (const TProgressInfo& p : recorder.Progress) {
    EXPECT_TRUE(p.TaskIndex >= 0 && p.TaskIndex < 3) << p.TaskIndex;
  }
  for (int task : {0, 2}) {
    const TDecodedClip decoded =
        DecodeClip(folder_.File("at-once" + std::to_string(task) + ".mp4"));
    for (const TDecodedStream& s : decoded.Streams)
      if (s.Type == AVMEDIA_TYPE_VIDEO) {
        EXPECT_GT(s.FrameNumbers.size(), 20u) << task;
      }
  }
}

}  // namespace
}  // namespace qarvo
