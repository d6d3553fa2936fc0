#include <gtest/gtest.h>

#include "engine/TConvertEngine.h"
#include "core/AppPaths.h"
#include "jobs/TEngineJobProber.h"
#include "jobs/TJobListModel.h"

#include "support/QtApplication.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

// The engine decides at Add: a clip gets its length, a file it cannot open is refused with
// its reason in plain words (the path once, by the message), a file with neither picture nor
// sound (subtitles) is refused too, and no task is left behind either way.
TEST(TEngineJobProber, AddListsClipsAndNamesWhatTheEngineRefused) {
  test::QtApplication();
  test::TScratchFolder folder("prober");
  const std::string clip = EnsureClip("short3s");
  const std::string bad = folder.File("bad.avi");
  test::WriteText(bad, "not a video at all");
  TIniFile settings(folder.File("s.ini"));
  settings.WriteString("settings", "OutPutDir", folder.File("out"));
  const TIniFile definitions(folder.File("none.ini"));

  TConvertEngine engine;
  TEngineJobProber prober(engine, ExecutableFolder() + "LibAV");
  TJobListModel model;
  const TAddResult result = model.Add({QString::fromStdString(bad), QString::fromStdString(clip)},
                                      prober, settings, definitions);
  ASSERT_TRUE(result.LibrariesLoaded);
  EXPECT_EQ(result.Added, 1);
  ASSERT_EQ(result.Refused.size(), 1u);
  EXPECT_EQ(result.Refused[0].FileName, bad);
  EXPECT_EQ(result.Refused[0].Reason, "not a media file");
  EXPECT_EQ(engine.TasksCount(), 0);

  // The engine opens subtitles, but they have nothing to convert.
  const std::string subtitles = folder.File("lines.srt");
  test::WriteText(subtitles,
                  "1\n00:00:01,000 --> 00:00:02,500\nHello\n\n2\n"
                  "00:00:03,000 --> 00:00:04,000\nWorld\n");
  std::string reason;
  EXPECT_FALSE(prober.ProbeDuration(subtitles, reason));
  EXPECT_EQ(reason, "the source has no audio or video stream");
  ASSERT_EQ(model.rowCount(), 1);
  EXPECT_EQ(model.data(model.index(0, kColLength), Qt::DisplayRole).toString(), "3");
  EXPECT_EQ(model.data(model.index(0, kColDestination), Qt::DisplayRole).toString(),
            "short3s_(new).mp4");
}

}  // namespace
}  // namespace qarvo
