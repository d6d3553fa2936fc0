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
// the engine's reason, and no task is left behind either way.
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
  EXPECT_FALSE(result.Refused[0].Reason.empty());
  EXPECT_EQ(engine.TasksCount(), 0);
  ASSERT_EQ(model.rowCount(), 1);
  EXPECT_EQ(model.data(model.index(0, kColLength), Qt::DisplayRole).toString(), "3");
  EXPECT_EQ(model.data(model.index(0, kColDestination), Qt::DisplayRole).toString(),
            "short3s_(new).mp4");
}

}  // namespace
}  // namespace qarvo
