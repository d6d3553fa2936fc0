// Start-up rules: version text, error message text and the ranged settings readers.
#include <gtest/gtest.h>

#include "core/ErrorMessage.h"
#include "core/IniSnapshot.h"
#include "core/SettingsReaders.h"
#include "core/VersionText.h"

namespace qarvo {
namespace {

TEST(VersionText, MinorReleaseAndBuildAreWrittenTogether) {
  EXPECT_EQ(BuildVersionText(3, 3, 0, 0), " 3.300 ");
  EXPECT_EQ(BuildVersionText(10, 0, 12, 1), " 10.0121 ");
  EXPECT_EQ(BuildVersionText(1, 2, 3, 4), " 1.234 ");
  EXPECT_EQ(BuildVersionText(), " 3.300 ");  // the project version compiled in
}

TEST(ErrorMessageText, PointOnlyAfterCharactersSortingAfterThePoint) {
  EXPECT_EQ(ErrorMessageText(""), "");
  EXPECT_EQ(ErrorMessageText("Disk full!"), "Disk full!");
  EXPECT_EQ(ErrorMessageText("Unable to write to /x/s.ini"), "Unable to write to /x/s.ini.");
  EXPECT_EQ(ErrorMessageText("Done."), "Done.");
  EXPECT_EQ(ErrorMessageText("code 7"), "code 7.");
  EXPECT_EQ(ErrorMessageText("(see log)"), "(see log)");
  EXPECT_EQ(ErrorMessageText("really?"), "really?.");          // '?' sorts after '.'
  EXPECT_EQ(ErrorMessageText("caf\xC3\xA9"), "caf\xC3\xA9.");  // non-ASCII letter
}

TIniSnapshot Settings(const std::string& body) {
  return TIniSnapshot::FromText("[settings]\n" + body);
}

TEST(SettingsReaders, SkinIndexOutsideTheSchemesIsTheDefault) {
  EXPECT_EQ(ReadSkinIndex(Settings("skinIndex=9\n")), 0);
  EXPECT_EQ(ReadSkinIndex(Settings("skinIndex=-1\n")), 0);
  EXPECT_EQ(ReadSkinIndex(Settings("skinIndex=red\n")), 0);
  EXPECT_EQ(ReadSkinIndex(Settings("")), 0);
  EXPECT_EQ(ReadSkinIndex(Settings("SKININDEX=6\n")), 6);
}

TEST(SettingsReaders, StartupVolumeMissingIsSilentOutOfRangeIsHalf) {
  EXPECT_EQ(ReadStartupVolume(Settings("")), 0);
  EXPECT_EQ(ReadStartupVolume(Settings("volume=200\n")), 64);
  EXPECT_EQ(ReadStartupVolume(Settings("volume=-1\n")), 64);
  EXPECT_EQ(ReadStartupVolume(Settings("volume=128\n")), 128);
}

TEST(SettingsReaders, MuteOnlyForOne) {
  EXPECT_TRUE(ReadStartupMute(Settings("mute=1\n")));
  EXPECT_FALSE(ReadStartupMute(Settings("mute=2\n")));
  EXPECT_FALSE(ReadStartupMute(Settings("")));
}

TEST(SettingsReaders, PriorityCaseInsensitiveAndRanged) {
  EXPECT_EQ(ReadPriority(TIniSnapshot::FromText("[Settings]\nPRIORITY=2\n")), 2);
  EXPECT_EQ(ReadPriority(Settings("")), 1);
  EXPECT_EQ(ReadPriority(Settings("priority=7\n")), std::nullopt);
}

}  // namespace
}  // namespace qarvo
