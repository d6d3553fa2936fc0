// The conversion hook of jobs running side by side: each job's pictures go through the hook
// while the other's do, nothing held across a picture's processing.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>

#include "editing/TConversionFrameHook.h"

#include "HookedRun.h"
#include "support/QtApplication.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

using test::RunThroughHook;
using test::TRecordedMessages;
using test::TScratchFolder;
using test::WriteRunFiles;

// Each task's first picture waits inside the hook until the other task's first picture is
// inside it too.
class TMeetingHook : public TConversionFrameHook {
 public:
  int Met() {
    std::lock_guard lock(mutex_);
    return met_;
  }

 protected:
  bool ProcessTaskPicture(TFrameProcessor& processor, TBitmap& picture,
                          const TlvFilesRecord& record, std::string& error) override {
    {
      std::unique_lock lock(mutex_);
      if (arrived_.insert(&processor).second) {
        changed_.notify_all();
        // A bound only so that a hook that cannot meet fails the test instead of hanging it.
        if (changed_.wait_for(lock, std::chrono::seconds(30), [&] { return arrived_.size() >= 2; }))
          ++met_;
      }
    }
    return TConversionFrameHook::ProcessTaskPicture(processor, picture, record, error);
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::set<const TFrameProcessor*> arrived_;
  int met_ = 0;
};

TEST(ConversionHookTest, JobsSideBySideProcessTheirPicturesAtTheSameTime) {
  test::TQtHandOver handOver;
  LoadMediaLibraries();
  TScratchFolder folder("hook-together");
  TGlobalObject global;
  WriteRunFiles(global, folder, 3,
                "Format=avi\nFileExt=avi\nVideoSize=160x120\nVideoBitRate=256\n"
                "FrameRate=as source\nVideoEncoder=MPEG-4\nAudioBitRate=64\nSampleRate=22050\n"
                "AudioEncoder=MP3\nChannel=mono 1 channel\nVolume=100%\n",
                "simultaneousJobs=2\n");
  const std::string clip = EnsureClip("short3s");
  std::vector<TJobRow> rows{{clip, true, NewJobRecord(clip, "", 0, "lbox"), {}, {}},
                            {clip, true, NewJobRecord(clip, "", 0, "lbox"), {}, {}}};
  rows[0].Record.Brightness = 128;
  rows[1].Record.WaterText = "MMM";

  TMeetingHook hook;
  TRecordedMessages messages;
  ASSERT_TRUE(RunThroughHook(global, hook, rows, messages));
  EXPECT_EQ(hook.Met(), 2);
  EXPECT_EQ(rows[0].Progress, "100%") << rows[0].ProgressTip;
  EXPECT_EQ(rows[1].Progress, "100%") << rows[1].ProgressTip;
  EXPECT_TRUE(messages.warnings.empty());
}

}  // namespace
}  // namespace qarvo
