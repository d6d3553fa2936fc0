#include <gtest/gtest.h>

#include "core/FormatList.h"
#include "core/IniFile.h"

#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

using test::TScratchFolder;
using test::WriteText;

int RowOf(const TFormatList& list, const std::string& text, int from = 0) {
  for (int i = from; i < static_cast<int>(list.Rows().size()); ++i)
    if (list.Rows()[i].Text == text) return i;
  return -1;
}

TEST(FormatList, FirstStartShowsEveryCategoryCollapsed) {
  TScratchFolder folder;
  TIniFile settings(folder.File("s.ini"));
  TFormatList list;
  EXPECT_EQ(list.BuildFormatList(settings), "Apple iPod Video MPEG-4 Movie (*.mp4)");
  ASSERT_EQ(list.Rows().size(), 42u);
  for (const auto& row : list.Rows()) {
    EXPECT_EQ(row.Info.IsCategory, 1);
    EXPECT_TRUE(row.Info.Collapsed);
  }
  EXPECT_FALSE(list.SelectedRow());
  EXPECT_EQ(list.Rows()[0].Info.Code, 100);  // general "Apple iPod"
  EXPECT_EQ(list.Rows()[8].Info.Code, 8);    // "Archos"
  EXPECT_EQ(list.Rows()[28].Text, "Apple iPhone");
  EXPECT_EQ(list.Rows()[28].Info.Code, 0);
  // The current formats' categories come last.
  EXPECT_EQ(list.Rows()[36].Info.Code, 28);
  EXPECT_EQ(list.Rows()[41].Text, "Sound only");
}

TEST(FormatList, ACurrentFormatIsChosenUnderItsOwnCode) {
  TScratchFolder folder;
  TIniFile settings(folder.File("s.ini"));
  TFormatList list;
  list.BuildFormatList(settings);
  const int devices = RowOf(list, "Phones, tablets, TVs and consoles");
  list.ToggleCategory(devices);
  EXPECT_EQ(list.Rows().size(), 52u);
  const auto choice = list.PressRow(RowOf(list, "iPhone & iPad (H.264, MP4)"), 40, settings);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->Code, 3002);
  TFormatList rebuilt;
  settings.WriteString("lstformat", "30", "0");
  rebuilt.BuildFormatList(settings);
  ASSERT_TRUE(rebuilt.SelectedRow());
  EXPECT_EQ(rebuilt.Rows()[*rebuilt.SelectedRow()].Text, "iPhone & iPad (H.264, MP4)");
}

TEST(FormatList, ExpandInsertsFormatsBelowAndCollapseRemovesExactlyThem) {
  TScratchFolder folder;
  TIniFile settings(folder.File("s.ini"));
  TFormatList list;
  list.BuildFormatList(settings);
  const int walkman = RowOf(list, "Sony Walkman");
  list.ToggleCategory(walkman);
  ASSERT_EQ(list.Rows().size(), 45u);
  EXPECT_EQ(list.Rows()[walkman + 1].Text, "Sony Walkman MPEG-4 Video (*.mp4)");
  EXPECT_EQ(list.Rows()[walkman + 3].Info.Code, 10702);
  EXPECT_EQ(list.Rows()[walkman + 4].Text, "Archos");
  list.ToggleCategory(walkman + 4);  // Archos below it
  EXPECT_EQ(list.Rows().size(), 52u);
  list.ToggleCategory(walkman);
  EXPECT_EQ(list.Rows().size(), 49u);
  EXPECT_EQ(list.Rows()[walkman + 1].Text, "Archos");
  EXPECT_FALSE(list.Rows()[walkman + 1].Info.Collapsed);
  EXPECT_EQ(list.Rows()[walkman + 2].Info.Code, 800);
  // A format row and a row outside the list change nothing.
  list.ToggleCategory(walkman + 2);
  list.ToggleCategory(500);
  EXPECT_EQ(list.Rows().size(), 49u);
}

TEST(FormatList, SelectingTheSameNameInEitherTableStoresThatTablesCode) {
  TScratchFolder folder;
  TIniFile settings(folder.File("s.ini"));
  TFormatList list;
  list.BuildFormatList(settings);
  const int generalAudio = RowOf(list, "General Audio formates");
  list.ToggleCategory(generalAudio);
  const int generalAc3 = RowOf(list, "AC-3 Audio Codec (*.ac3)");
  auto choice = list.PressRow(generalAc3, 100, settings);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->Code, 2706);
  EXPECT_EQ(settings.ReadString("settings", "FormatCode", ""), "2706");
  EXPECT_EQ(settings.ReadString("settings", "FormatName", ""), "AC-3 Audio Codec (*.ac3)");

  const int threeGpAudio = RowOf(list, "General Audio formates", generalAudio + 1);
  EXPECT_FALSE(list.PressRow(threeGpAudio, 30, settings));  // right of the glyph: nothing
  EXPECT_EQ(list.Rows()[threeGpAudio].Info.Collapsed, true);
  EXPECT_FALSE(list.PressRow(threeGpAudio, 5, settings));  // on the glyph: expands
  choice = list.PressRow(RowOf(list, "AC-3 Audio Codec (*.ac3)", threeGpAudio), 0, settings);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->Code, 706);
  EXPECT_EQ(settings.ReadInteger("settings", "FormatCode", 1), 706);
}

TEST(FormatList, CollapseStateSurvivesARebuildAndTheSelectionFollowsTheName) {
  TScratchFolder folder;
  TIniFile settings(folder.File("s.ini"));
  WriteText(settings.FileName(), "[settings]\nFormatName=  mp3 mpeg layer-3 audio (*.mp3) \n");
  TFormatList list;
  list.BuildFormatList(settings);
  list.ToggleCategory(RowOf(list, "General Audio formates"));
  list.SaveFormatListState(settings);
  EXPECT_EQ(settings.ReadString("lstformat", "27", ""), "0");
  EXPECT_EQ(settings.ReadString("lstformat", "107", ""), "1");
  EXPECT_EQ(settings.ReadString("lstformat", "7", ""), "1");

  TFormatList rebuilt;
  rebuilt.BuildFormatList(settings);
  EXPECT_EQ(rebuilt.Rows().size(), 49u);
  ASSERT_TRUE(rebuilt.SelectedRow());
  EXPECT_EQ(rebuilt.Rows()[*rebuilt.SelectedRow()].Info.Code, 2700);
}

TEST(FormatList, TheCurrentFormatIsSelectedByItsCodeInItsOwnTable) {
  TScratchFolder folder;
  TIniFile settings(folder.File("s.ini"));
  // Both "General Audio formates" expanded: the general one (27) comes first in the list.
  WriteText(settings.FileName(),
            "[settings]\nFormatName=MP3 MPEG Layer-3 Audio (*.mp3)\nFormatCode=700\n"
            "[lstformat]\n27=0\n7=0\n");
  TFormatList list;
  list.BuildFormatList(settings);
  ASSERT_NE(RowOf(list, "MP3 MPEG Layer-3 Audio (*.mp3)"), -1);
  ASSERT_TRUE(list.SelectedRow());
  EXPECT_EQ(list.Rows()[*list.SelectedRow()].Info.Code, 700);
  EXPECT_GT(*list.SelectedRow(), RowOf(list, "MP3 MPEG Layer-3 Audio (*.mp3)"));
  // Its row not shown: nothing is selected, not the same name in the other table.
  settings.WriteString("lstformat", "7", "1");
  list.BuildFormatList(settings);
  EXPECT_FALSE(list.SelectedRow());
  // Selecting stores the code that the next build selects by.
  const std::string audio = "General Audio formates";
  list.ToggleCategory(RowOf(list, audio, RowOf(list, audio) + 1));
  const std::string ac3 = "AC-3 Audio Codec (*.ac3)";
  list.SelectFormat(RowOf(list, ac3, RowOf(list, ac3) + 1), settings);
  list.SaveFormatListState(settings);
  list.BuildFormatList(settings);
  ASSERT_TRUE(list.SelectedRow());
  EXPECT_EQ(list.Rows()[*list.SelectedRow()].Info.Code, 706);
}

}  // namespace
}  // namespace qarvo
