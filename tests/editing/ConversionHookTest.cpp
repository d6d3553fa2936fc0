// The conversion hook of jobs running side by side: each job's pictures go through the hook
// while the other's do, nothing held across a picture's processing.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>

#include "engine/TConvertEngine.h"
#include "editing/TConversionFrameHook.h"
#include "jobs/IRunMessages.h"
#include "jobs/TConversionRun.h"
#include "jobs/TfrmProgress.h"

#include "support/QtApplication.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

using test::TScratchFolder;
using test::WriteText;

class TNoActions : public IAfterRunActions {
 public:
  void OpenFolder(const std::string&) override {}
  void PowerOff() override {}
};

class TRecordedMessages : public IRunMessages {
 public:
  bool UseDefaultSize() override { return true; }
  void ShowWarning(const std::string& text) override { warnings.push_back(text); }
  std::vector<std::string> warnings;
};

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
  WriteText(folder.File("s.ini"),
            "[settings]\nOutPutDir=" + folder.File("out") + "\nFormatCode=3\nsimultaneousJobs=2\n");
  WriteText(folder.File("d.ini"),
            "[formatInfo3]\nFormat=avi\nFileExt=avi\nVideoSize=160x120\nVideoBitRate=256\n"
            "FrameRate=as source\nVideoEncoder=MPEG-4\nAudioBitRate=64\nSampleRate=22050\n"
            "AudioEncoder=MP3\nChannel=mono 1 channel\nVolume=100%\n");
  TGlobalObject global;
  global.SetSettingsFile(folder.File("s.ini"));
  global.SetFormatFile(folder.File("d.ini"));
  const std::string clip = EnsureClip("short3s");
  std::vector<TJobRow> rows{{clip, true, NewJobRecord(clip, "", 0, "lbox"), {}, {}},
                            {clip, true, NewJobRecord(clip, "", 0, "lbox"), {}, {}}};
  rows[0].Record.Brightness = 128;
  rows[1].Record.WaterText = "MMM";

  TConvertEngine engine;
  TConversionRun run(engine, global, nullptr);
  TMeetingHook hook;
  TNoActions actions;
  TRecordedMessages messages;
  run.SetConversionHook(&hook);
  run.SetAfterRunActions(&actions);
  run.SetMessages(&messages);
  QTimer guard;  // a safety net only: a hanging run fails the test
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&] {
    ADD_FAILURE() << "the run did not end";
    if (run.ProgressWindow()) run.ProgressWindow()->findChild<QPushButton*>("btnCancel")->click();
  });
  guard.start(240000);
  ASSERT_TRUE(run.Start(rows, {}));
  guard.stop();
  EXPECT_EQ(hook.Met(), 2);
  EXPECT_EQ(rows[0].Progress, "100%") << rows[0].ProgressTip;
  EXPECT_EQ(rows[1].Progress, "100%") << rows[1].ProgressTip;
  EXPECT_TRUE(messages.warnings.empty());
}

}  // namespace
}  // namespace qarvo
