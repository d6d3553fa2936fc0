#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

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

// A source name near the file system's limit still gets an output: its base is shortened,
// never the "_(new)" part or the extension, and never inside a UTF-8 character.
TEST(OutputNaming, LongSourceNamesAreShortenedToFitTheFileSystem) {
  TScratchFolder folder;
  TIniFile settings(folder.File("s.ini"));
  const std::string out = folder.File("out");
  settings.WriteString("settings", "OutPutDir", out);
  TOutputNamer namer(settings);
  const std::string longBase(250, 'a');
  const std::string first = namer.MakeOutputFileName("/clips/" + longBase + ".avi", ".mp4");
  const std::string expected = out + "/" + std::string(255 - 10, 'a') + "_(new).mp4";
  EXPECT_EQ(first, expected);
  WriteText(first, "x");  // the system takes the name
  const std::string second = namer.MakeOutputFileName("/clips/" + longBase + ".avi", ".mp4");
  EXPECT_EQ(second, out + "/" + std::string(255 - 12, 'a') + "_(new_1).mp4");
  WriteText(second, "x");
  // Two-byte characters: the cut falls between them.
  std::string wide;
  for (int i = 0; i < 125; ++i) wide += "\u00e9";
  const std::string name = namer.MakeOutputFileName("/clips/x" + wide + ".avi", ".mp4");
  const std::string file = name.substr(out.size() + 1);
  EXPECT_LE(file.size(), 255u);
  EXPECT_EQ(file.substr(file.size() - 10), "_(new).mp4");
  EXPECT_EQ((file.size() - 10 - 1) % 2, 0u) << file;  // "x" and whole characters
  WriteText(name, "x");
}

class TScopedHome {
 public:
  explicit TScopedHome(const std::string& home) {
    const char* old = std::getenv("HOME");
    saved_ = old ? old : "";
    setenv("HOME", home.c_str(), 1);
  }
  ~TScopedHome() { setenv("HOME", saved_.c_str(), 1); }

 private:
  std::string saved_;
};

TEST(OutputNaming, AFolderThatCannotBeMadeFallsBackWithTheWarningAndIsStoredByTheRunOnly) {
  TScratchFolder folder;
  TIniFile settings(folder.File("s.ini"));
  WriteText(folder.File("file"), "x");
  const std::string bad = folder.File("file") + "/sub";
  settings.WriteString("settings", "OutPutDir", bad);
  const std::string home = folder.File("home");
  const TScopedHome scopedHome(home);
  const std::string fallback = home + "/videoconverter";

  // Names shown before a run: where the run would write, nothing made, stored or said.
  int previewWarnings = 0;
  TOutputNamer preview(
      settings, [&](const std::string&) { ++previewWarnings; }, TOutputNamer::TMode::Preview);
  EXPECT_EQ(preview.MakeOutputFileName("/a/b.avi", ".mp4"), fallback + "/b_(new).mp4");
  EXPECT_EQ(previewWarnings, 0);
  EXPECT_EQ(settings.ReadString("settings", "OutPutDir", ""), bad);
  EXPECT_FALSE(std::filesystem::exists(fallback));

  // The run says so once, before its first name, then stores and makes the default folder.
  std::vector<std::string> warnings;
  TOutputNamer namer(settings, [&](const std::string& m) { warnings.push_back(m); });
  EXPECT_EQ(namer.MakeOutputFileName("/a/b.avi", ".mp4"), fallback + "/b_(new).mp4");
  EXPECT_EQ(namer.MakeOutputFileName("/a/c.avi", ".mp4"), fallback + "/c_(new).mp4");
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], "Cannot create output directory:" + bad +
                             ".It will create default directory " + fallback + "!");
  EXPECT_EQ(settings.ReadString("settings", "OutPutDir", ""), fallback);
  EXPECT_TRUE(std::filesystem::is_directory(fallback));
}

TEST(OutputNaming, APreviewOfAMissingFolderThatCanBeMadeNamesThereWithoutMakingIt) {
  TScratchFolder folder;
  TIniFile settings(folder.File("s.ini"));
  const std::string out = folder.File("later/out");
  settings.WriteString("settings", "OutPutDir", out);
  TOutputNamer preview(settings, {}, TOutputNamer::TMode::Preview);
  EXPECT_EQ(preview.MakeOutputFileName("/a/b.avi", ".mp4"), out + "/b_(new).mp4");
  EXPECT_FALSE(std::filesystem::exists(folder.File("later")));
  EXPECT_TRUE(FolderCouldBeMade(out));
  EXPECT_TRUE(FolderCouldBeMade(folder.Folder()));
  WriteText(folder.File("file"), "x");
  EXPECT_FALSE(FolderCouldBeMade(folder.File("file")));
  EXPECT_FALSE(FolderCouldBeMade(folder.File("file/sub/deeper")));
  EXPECT_FALSE(FolderCouldBeMade(""));
}

}  // namespace
}  // namespace qarvo
