#include <gtest/gtest.h>

#include <cstdlib>

#include "core/OutputNaming.h"

#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

using test::TScratchFolder;
using test::WriteText;

TEST(OutputNaming, SkipsNamesOnDiskAndNamesHandedOutEarlier) {
  TScratchFolder folder;
  TIniFile settings(folder.File("s.ini"));
  const std::string out = folder.File("out");
  settings.WriteString("settings", "OutPutDir", out);
  TOutputNamer namer(settings);
  EXPECT_EQ(namer.MakeOutputFileName("/clips/holiday.part1.avi", ".mp4"),
            out + "/holiday.part1_(new).mp4");  // the folder was created
  WriteText(out + "/holiday.part1_(new).mp4", "x");
  WriteText(out + "/holiday.part1_(new_1).mp4", "x");
  TOutputNamer fresh(settings);
  EXPECT_EQ(fresh.MakeOutputFileName("/clips/holiday.part1.avi", ".mp4"),
            out + "/holiday.part1_(new_2).mp4");
  // Same file name from another folder in the same batch.
  EXPECT_EQ(fresh.MakeOutputFileName("/other/holiday.part1.mkv", ".mp4"),
            out + "/holiday.part1_(new_3).mp4");
  EXPECT_EQ(fresh.MakeOutputFileName("/clips/noext", "_ipod.mp4"), out + "/noext_(new)_ipod.mp4");
}

TEST(OutputNaming, AFolderThatCannotBeMadeFallsBackAndIsStored) {
  TScratchFolder folder;
  TIniFile settings(folder.File("s.ini"));
  WriteText(folder.File("file"), "x");
  const std::string bad = folder.File("file") + "/sub";
  settings.WriteString("settings", "OutPutDir", bad);
  const std::string home = folder.File("home");
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";
  setenv("HOME", home.c_str(), 1);
  std::string warning;
  TOutputNamer namer(settings, [&](const std::string& m) { warning = m; });
  const std::string name = namer.MakeOutputFileName("/a/b.avi", ".mp4");
  // The reason follows the folder, after a blank.
  EXPECT_EQ(warning.rfind("Cannot create output directory: " + bad +
                              " (Not a directory). It will create default directory ",
                          0),
            0u)
      << warning;
  EXPECT_EQ(settings.ReadString("settings", "OutPutDir", ""), home + "/videoconverter");
  setenv("HOME", savedHome.c_str(), 1);
  EXPECT_EQ(name, home + "/videoconverter/b_(new).mp4");
}

}  // namespace
}  // namespace qarvo
