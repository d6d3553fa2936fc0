#include <gtest/gtest.h>

#include "core/AppPaths.h"
#include "core/Preferences.h"
#include "core/ReleaseNumber.h"

#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

TEST(Preferences, ReadingMendsBothOffPairsAndOutOfRangeValues) {
  test::TScratchFolder folder("prefs");
  const std::string name = folder.File("settings.ini");
  // A fresh file: every box of the Part's defaults, the extra controls' own defaults.
  TPreferences fresh = ReadPreferences(TIniFile(name));
  EXPECT_EQ(fresh.SnapFolder, DefaultOutputFolder());
  EXPECT_TRUE(fresh.FullSize && fresh.SmallSize && fresh.Bmp && fresh.Jpg);
  EXPECT_EQ(fresh.JpgQuality, 30);
  EXPECT_EQ(fresh.Priority, 1);
  EXPECT_FALSE(fresh.KeepEverySnapshot);
  EXPECT_TRUE(fresh.UseAllCores);
  EXPECT_EQ(fresh.SimultaneousJobs, 0);

  // Hand-edited: both sizes and both formats off, values out of range, other spellings.
  test::WriteText(name,
                  "[Settings]\nSNAPOUTPUTDIR=/snaps\nsnapFullSize=0\nsnapSmallSize=0\nsnapBmp=0\n"
                  "snapJpg=0\njpgCmp=150\nPriority=7\nsimultaneousJobs=9\nuseAllCores=0\n");
  const TPreferences edited = ReadPreferences(TIniFile(name));
  EXPECT_EQ(edited.SnapFolder, "/snaps");
  EXPECT_TRUE(edited.FullSize);  // one of each pair stays checked
  EXPECT_FALSE(edited.SmallSize);
  EXPECT_TRUE(edited.Bmp);
  EXPECT_FALSE(edited.Jpg);
  EXPECT_EQ(edited.JpgQuality, 100);
  EXPECT_EQ(edited.Priority, 1);
  EXPECT_EQ(edited.SimultaneousJobs, 0);
  EXPECT_FALSE(edited.UseAllCores);
}

TEST(Preferences, StoringWritesEveryKeyUnderTheNamesTheReadersUse) {
  test::TScratchFolder folder("prefs");
  TIniFile settings(folder.File("settings.ini"));
  settings.WriteString("settings", "SnapOutPutDir", "/old");
  settings.WriteInteger("settings", "jpgCmp", 45);
  TPreferences values = DefaultPreferences();
  values.SnapFolder.clear();
  values.JpgQuality = 150;  // never stored
  values.SimultaneousJobs = 3;
  StorePreferences(settings, values);
  // The folder key is rewritten in place (one key whatever the spelling), the empty box
  // stores the default folder.
  EXPECT_EQ(settings.ReadString("settings", "SnapOutPutDir", ""), DefaultOutputFolder());
  EXPECT_EQ(settings.ReadSectionKeys("settings").size(), 10u);
  EXPECT_EQ(settings.ReadInteger("settings", "jpgCmp", 0), 45);
  EXPECT_EQ(settings.ReadString("settings", "snapJpg", ""), "0");
  EXPECT_EQ(settings.ReadString("settings", "snapSmallSize", ""), "0");
  EXPECT_EQ(settings.ReadString("settings", "useAllCores", ""), "1");
  EXPECT_EQ(settings.ReadInteger("settings", "simultaneousJobs", 0), 3);
  values.JpgQuality = 20;
  StorePreferences(settings, values);
  // What Ok stored is what the dialog shows next time.
  TPreferences shown = values;
  shown.SnapFolder = DefaultOutputFolder();
  EXPECT_EQ(ReadPreferences(settings), shown);
}

TEST(Preferences, PairRuleAndQualityFollowing) {
  // Unchecking the only checked box of a pair leaves it checked; every other click counts.
  EXPECT_TRUE(PairRuleState(false, false));
  EXPECT_FALSE(PairRuleState(false, true));
  EXPECT_TRUE(PairRuleState(true, false));
  EXPECT_TRUE(PairRuleState(true, true));
  EXPECT_EQ(FollowedQuality(1), 1);
  EXPECT_EQ(FollowedQuality(100), 100);
  EXPECT_FALSE(FollowedQuality(0));
  EXPECT_FALSE(FollowedQuality(150));
}

TEST(ReleaseNumber, NewerOnlyForAReadableHigherNumber) {
  const char* program = " 3.300 ";
  EXPECT_TRUE(IsNewerRelease(program, "3.4"));
  EXPECT_TRUE(IsNewerRelease(program, "3.301"));
  EXPECT_TRUE(IsNewerRelease(program, "10"));
  for (const char* notNewer : {"3.3", "3.300", "3.25", "2.99", "", "error", "3.4a", "3,4", "-4",
                               "1e9", "3.4.1", ".", "inf", "nan"})
    EXPECT_FALSE(IsNewerRelease(program, notNewer)) << notNewer;
  EXPECT_FALSE(IsNewerRelease("", "3.4"));
  EXPECT_EQ(ParseReleaseNumber(" 3.25\n"), 3.25);
}

}  // namespace
}  // namespace qarvo
