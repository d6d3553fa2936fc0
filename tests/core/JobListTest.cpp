#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "core/JobList.h"

#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

using test::TScratchFolder;
using test::WriteText;

// Answers for the files it knows; refuses every other one, as the engine would.
class TFakeProber : public IJobProber {
 public:
  bool LoadLibraries() override { return loads; }
  std::optional<int64_t> ProbeDuration(const std::string& fileName, std::string& error) override {
    probed.push_back(fileName);
    const auto found = durations.find(fileName);
    if (found == durations.end()) {
      error = "Invalid data found when processing input";
      return std::nullopt;
    }
    return found->second;
  }
  void ClearTasks() override { ++clears; }

  bool loads = true;
  std::map<std::string, int64_t> durations;
  std::vector<std::string> probed;
  int clears = 0;
};

class JobListTest : public ::testing::Test {
 protected:
  JobListTest() : settings(folder.File("s.ini")), definitions(folder.File("d.ini")) {
    WriteText(settings.FileName(), "[settings]\nOutPutDir=" + folder.File("out") +
                                       "\nFormatCode=3\n[formatInfo3]\nparaZoom=full\n"
                                       "paraVideoBitRate=512\n");
    WriteText(definitions.FileName(),
              "[formatInfo3]\nFormat=avi\nFileExt=avi\nVideoBitRate=256,512\n"
              "AudioBitRate=96,128\niAudioBitRate=1\n"
              "[formatInfo4]\nFormat=mp3\nFileExt=mp3\nVideoBitRate=null\nAudioBitRate=\n");
  }
  std::string Source(const std::string& name, int64_t durationUs) {
    const std::string path = folder.File(name);
    WriteText(path, "x");
    prober.durations[path] = durationUs;
    return path;
  }
  // A list of rows a, b, c (60 s each) with the given checks.
  void ThreeRows(bool a, bool b, bool c) {
    list.Add({Source("a.avi", 60000000), Source("b.avi", 60000000), Source("c.avi", 60000000)},
             prober, settings, definitions);
    list.SetChecked(0, a);
    list.SetChecked(1, b);
    list.SetChecked(2, c);
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> names;
    for (const TJobRow& row : list.Rows())
      names.push_back(std::filesystem::path(row.Caption).filename());
    return names;
  }

  TScratchFolder folder{"joblist"};
  TIniFile settings, definitions;
  TFakeProber prober;
  TJobList list;
};

// Folders are skipped; a file listed already, a subtitle file and a file the engine refuses
// are each named once, with the reason in plain words (the engine's text names the file
// itself: it is not repeated).
TEST_F(JobListTest, AddSkipsFoldersAndReportsEveryRefusedFileWithItsReason) {
  const std::string a = Source("a.avi", 59900000);
  const std::string sub = folder.File("sub");
  std::filesystem::create_directory(sub);
  const std::string bad = folder.File("bad.avi");
  const std::string b = Source("b.mp4", -1);
  const std::string subtitles = Source("b.SRT", 1000000);

  prober.loads = false;
  TAddResult result = list.Add({a}, prober, settings, definitions);
  EXPECT_FALSE(result.LibrariesLoaded);
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(prober.clears, 0);

  prober.loads = true;
  result = list.Add({a, sub, a, bad, subtitles, b}, prober, settings, definitions);
  EXPECT_EQ(result.Added, 2);
  // Neither the folder nor the subtitle file reaches the engine.
  EXPECT_EQ(prober.probed, (std::vector<std::string>{a, bad, b}));
  ASSERT_EQ(result.Refused.size(), 3u);
  EXPECT_EQ(result.Refused[1].FileName, bad);
  EXPECT_EQ(RefusedFilesMessage(result.Refused),
            "These files could not be added:\n" + a + ": already in the list\n" + bad +
                ": the file is damaged or not a media file\n" + subtitles +
                ": a subtitle file, not a video or audio file");
  EXPECT_EQ(prober.clears, 2);  // before and after: the engine only probed

  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Cell(0, kColSource), a);
  EXPECT_EQ(list.Cell(0, kColLength), "59");
  EXPECT_EQ(list.Cell(0, kColTrimmed), "59");
  // The name the run will write, not a "_ipod" one.
  EXPECT_EQ(list.Cell(0, kColDestination), "a_(new).avi");
  EXPECT_EQ(list.Cell(1, kColDestination), "b_(new).avi");
  EXPECT_EQ(list.Cell(1, kColLength), "0");
  EXPECT_EQ(list.Cell(0, kColProgress), "");
  EXPECT_TRUE(list.Rows()[0].Checked);
  EXPECT_EQ(list.Rows()[0].Record.SourceFile, a);
  EXPECT_EQ(list.Rows()[0].Record.Zoom, "full");
  EXPECT_EQ(list.Rows()[0].Record.Brightness, 255);
  EXPECT_EQ(list.Selected(), 0);

  // The same file in a second Add: still one row, with the case of the name compared exactly.
  list.Select(1);
  result = list.Add({a}, prober, settings, definitions);
  EXPECT_EQ(result.Added, 0);
  EXPECT_EQ(RefusedFilesMessage(result.Refused),
            "This file could not be added:\n" + a + ": already in the list");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Selected(), 1);
  const std::string upper = Source("A.avi", 1000000);
  list.Add({upper}, prober, settings, definitions);
  EXPECT_EQ(list.Count(), 3);

  // A long list of refusals names the first ones and counts the rest.
  std::vector<TRefusedFile> many(kRefusedLinesShown + 5, TRefusedFile{"/x.avi", "why"});
  const std::string text = RefusedFilesMessage(many);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), kRefusedLinesShown + 1);
  EXPECT_NE(text.find("\u2026 and 5 more."), std::string::npos);
}

TEST_F(JobListTest, RemoveSelectsTheRowThatTookItsPlaceOrTheNewLastOne) {
  ThreeRows(true, true, true);
  ASSERT_TRUE(list.Remove());  // the first row is selected after Add
  EXPECT_EQ(Captions(), (std::vector<std::string>{"b.avi", "c.avi"}));
  list.Clear(prober);
  ThreeRows(true, true, true);

  list.Select(1);
  ASSERT_TRUE(list.Remove());
  EXPECT_EQ(Captions(), (std::vector<std::string>{"a.avi", "c.avi"}));
  EXPECT_EQ(list.Selected(), 1);
  ASSERT_TRUE(list.Remove());
  EXPECT_EQ(list.Selected(), 0);
  ASSERT_TRUE(list.Remove());
  EXPECT_EQ(list.Selected(), -1);
  EXPECT_FALSE(list.Remove());

  ThreeRows(true, true, true);
  list.Select(-1);
  EXPECT_FALSE(list.Remove());
  EXPECT_FALSE(list.RowCommandsEnabled());
  EXPECT_EQ(list.Count(), 3);
  const int clears = prober.clears;
  EXPECT_TRUE(list.Clear(prober));
  EXPECT_EQ(prober.clears, clears + 1);
  EXPECT_FALSE(list.Clear(prober));
  EXPECT_EQ(prober.clears, clears + 1);
}

TEST_F(JobListTest, CheckCommandsWorkOnAllRowsOrTheFocusedOne) {
  ThreeRows(false, true, false);
  list.ReverseCheck();
  EXPECT_TRUE(list.Rows()[0].Checked);
  EXPECT_FALSE(list.Rows()[1].Checked);
  EXPECT_TRUE(list.Rows()[2].Checked);

  list.Select(2);
  EXPECT_TRUE(list.RowCommandsEnabled());
  EXPECT_TRUE(list.CheckSelected(false));
  EXPECT_FALSE(list.Rows()[2].Checked);
  EXPECT_TRUE(list.ToggleSelected());
  EXPECT_TRUE(list.Rows()[2].Checked);
  list.CheckAll(false);
  for (const TJobRow& row : list.Rows()) EXPECT_FALSE(row.Checked);
  list.CheckAll(true);
  for (const TJobRow& row : list.Rows()) EXPECT_TRUE(row.Checked);
  list.Select(-1);
  EXPECT_FALSE(list.CheckSelected(false));
  EXPECT_TRUE(list.Rows()[2].Checked);
}

TEST_F(JobListTest, DestinationNamesAreTheOnesTheRunHandsOut) {
  std::filesystem::create_directories(folder.File("out"));
  WriteText(folder.File("out/a_(new).avi"), "taken");
  std::filesystem::create_directories(folder.File("x"));
  const std::string first = folder.File("x/b.avi");
  WriteText(first, "x");
  prober.durations[first] = 1000000;
  const std::string a = Source("a.avi", 1000000);
  const std::string second = Source("b.mkv", 1000000);
  list.Add({first, a, second}, prober, settings, definitions);
  EXPECT_EQ(list.Cell(0, kColDestination), "b_(new).avi");
  EXPECT_EQ(list.Cell(1, kColDestination), "a_(new_1).avi");
  EXPECT_EQ(list.Cell(2, kColDestination), "b_(new_1).avi");
  EXPECT_EQ(list.ToolTip(1, kColDestination), folder.File("out/a_(new_1).avi"));

  // An unchecked job does not take a name from a checked one.
  list.SetChecked(0, false);
  list.RefreshDestinations(settings, definitions);
  EXPECT_EQ(list.Cell(2, kColDestination), "b_(new).avi");
  EXPECT_EQ(list.Cell(0, kColDestination), "b_(new_1).avi");

  // A new format changes every extension.
  settings.WriteInteger("settings", "FormatCode", 4);
  list.RefreshDestinations(settings, definitions);
  EXPECT_EQ(list.Cell(1, kColDestination), "a_(new).mp3");
}

TEST_F(JobListTest, EstimatedSizeCountsCheckedJobsKeptLengthsOnlyForFixedBitRates) {
  list.Add({Source("a.avi", 60000000), Source("b.avi", 30000000)}, prober, settings, definitions);
  list.SetChecked(1, false);
  // (512 + 128) kbit/s for 60 s.
  EXPECT_EQ(list.EstimatedOutputBytes(settings, definitions), 4800000);
  EXPECT_EQ(ApproximateSizeText(4800000), "\u2248 4.8 MB");
  EXPECT_EQ(ApproximateSizeText(24300000), "\u2248 24 MB");
  list.Rows()[0].Record.TrimStart = 20000000;
  EXPECT_EQ(list.Cell(0, kColTrimmed), "40");
  list.Rows()[0].Record.TrimLength = 10000000;
  EXPECT_EQ(list.Cell(0, kColTrimmed), "10");
  EXPECT_EQ(list.EstimatedOutputBytes(settings, definitions), 800000);

  // A bit rate that follows the source has no fixed size.
  settings.WriteString("formatInfo3", "paraVideoBitRate", "as source");
  EXPECT_FALSE(list.EstimatedOutputBytes(settings, definitions));
  // Neither list: nothing to estimate.
  settings.WriteInteger("settings", "FormatCode", 4);
  EXPECT_FALSE(list.EstimatedOutputBytes(settings, definitions));
}

TEST_F(JobListTest, OutcomesOfUnfinishedJobsShowTheirTextWithTheReasonAsTooltip) {
  list.Add({Source("a.avi", 1000000), Source("b.avi", 1000000), Source("c.avi", 1000000)}, prober,
           settings, definitions);
  ShowJobOutcomes(list.Rows(), {{0, "a", "", TJobOutcome::Finished, ""},
                                {1, "b", "", TJobOutcome::Failed, "Unknown encoder 'x'"},
                                {2, "c", "", TJobOutcome::Stopped, ""},
                                {7, "gone", "", TJobOutcome::Failed, "ignored"}});
  EXPECT_EQ(list.Cell(0, kColProgress), "100%");
  EXPECT_EQ(list.Cell(1, kColProgress), "Failed");
  EXPECT_EQ(list.ToolTip(1, kColProgress), "Unknown encoder 'x'");
  EXPECT_EQ(list.Cell(2, kColProgress), "Stopped");
  EXPECT_EQ(list.ToolTip(0, kColSource), list.Rows()[0].Caption);
}

TEST(JobListLook, ColumnsRowColoursFiltersAndMediaNames) {
  const std::vector<std::pair<std::string, int>> columns{{"Source", 140},
                                                         {"Length", 65},
                                                         {"Trimmed Length", 90},
                                                         {"Destination File", 120},
                                                         {"Progress", 60}};
  for (size_t i = 0; i < columns.size(); ++i) {
    EXPECT_EQ(kJobColumns[i].Caption, columns[i].first);
    EXPECT_EQ(kJobColumns[i].Width, columns[i].second);
  }
  const uint32_t odd[] = {0xE2E6F6, 0xECECEC, 0xF8F2E0, 0xF6E6F1, 0xF7E1E1, 0xE2F7E1, 0xE1F0F7};
  for (int scheme = 0; scheme < 7; ++scheme) {
    EXPECT_EQ(JobRowBackground(0, scheme), 0xFFFFFFu);
    EXPECT_EQ(JobRowBackground(4, scheme), 0xFFFFFFu);
    EXPECT_EQ(JobRowBackground(3, scheme), odd[scheme]) << scheme;
  }
  EXPECT_EQ(JobRowBackground(1, 7), 0xEBEBEBu);
  EXPECT_EQ(JobRowBackground(1, -1), 0xEBEBEBu);
  EXPECT_EQ(JobFocusColours(true).Fill, 0xB9CCECu);
  EXPECT_EQ(JobFocusColours(true).Frame, 0x7AA0DAu);
  EXPECT_EQ(JobFocusColours(false).Fill, 0xE5ECF8u);
  EXPECT_EQ(JobFocusColours(false).Frame, 0x98B5E2u);

  const auto& filters = OpenDialogFilters();
  ASSERT_EQ(filters.size(), 36u);
  EXPECT_STREQ(filters[0].Description, "All Supported Video Formats");
  EXPECT_STREQ(filters[20].Description, "Maceomeida Flash files (*.swf)");
  EXPECT_STREQ(filters[35].Patterns, "*.*");
  EXPECT_TRUE(IsMediaFileName("/v/clip.MKV"));
  EXPECT_TRUE(IsMediaFileName("/v/song.flac"));
  EXPECT_FALSE(IsMediaFileName("/v/notes.txt"));
  EXPECT_FALSE(IsMediaFileName("/v/mp4"));
}

TEST(JobListDrop, FoldersGiveTheirMediaFilesSortedWithoutHiddenOnes) {
  TScratchFolder folder("drop");
  namespace fs = std::filesystem;
  for (const char* sub : {"clips/sub", "clips/.cache", "clips/.git/x"})
    fs::create_directories(folder.File(sub));
  for (const char* file : {"clips/b.mp4", "clips/a.AVI", "clips/notes.txt", "clips/.c.mp4",
                           "clips/sub/d.mkv", "clips/.cache/e.mp4", "clips/.git/x/f.mp4", "z.txt"})
    WriteText(folder.File(file), "x");
  const auto found = ExpandDroppedPaths({folder.File("z.txt"), folder.File("clips")});
  EXPECT_EQ(found,
            (std::vector<std::string>{folder.File("z.txt"), folder.File("clips/a.AVI"),
                                      folder.File("clips/b.mp4"), folder.File("clips/sub/d.mkv")}));
}

}  // namespace
}  // namespace qarvo
