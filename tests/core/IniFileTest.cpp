#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "core/IniFile.h"
#include "core/SettingsError.h"

#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

using test::ReadText;
using test::TScratchFolder;
using test::WriteText;
using ::testing::ElementsAre;
using ::testing::Pair;
using ::testing::UnorderedElementsAre;

TEST(IniFileRead, NamesMatchWithoutRegardToCase) {
  TScratchFolder folder;
  WriteText(folder.File("s.ini"), "[Settings]\nPRIORITY=2\n");
  TIniFile ini(folder.File("s.ini"));
  EXPECT_EQ(ini.ReadInteger("settings", "priority", 1), 2);
  EXPECT_EQ(ini.ReadString("SETTINGS", "Priority", ""), "2");
  EXPECT_TRUE(ini.ValueExists("sEtTiNgS", "pRiOrItY"));
}

TEST(IniFileRead, MissingFileSectionOrKeyGivesTheDefault) {
  TScratchFolder folder;
  TIniFile missing(folder.File("none.ini"));
  EXPECT_EQ(missing.ReadString("settings", "OutPutDir", "dflt"), "dflt");
  EXPECT_EQ(missing.ReadInteger("settings", "jpgCmp", 30), 30);
  EXPECT_TRUE(missing.ReadBool("settings", "snapBmp", true));
  EXPECT_FALSE(missing.SectionExists("settings"));

  WriteText(folder.File("s.ini"), "[other]\njpgCmp=5\n[settings]\nmute=1\n");
  TIniFile ini(folder.File("s.ini"));
  EXPECT_EQ(ini.ReadInteger("settings", "jpgCmp", 30), 30);  // key in another section
  EXPECT_EQ(ini.ReadInteger("absent", "mute", 7), 7);
}

TEST(IniFileRead, AFolderInPlaceOfTheFileGivesDefaults) {
  TScratchFolder folder;
  std::filesystem::create_directory(folder.File("dir.ini"));
  EXPECT_EQ(TIniFile(folder.File("dir.ini")).ReadInteger("a", "b", 4), 4);
}

TEST(IniFileRead, ValueThatIsNotANumberGivesTheIntegerDefault) {
  const auto snapshot = TIniSnapshot::FromText(
      "[s]\nletters=abc\nmixed=12abc\nempty=\nhex=0x10\nbig=99999999999\n"
      "blanks=  42  \nnegative=-7\nplus=+8\nsignOnly=-\ndoubleSign=+-3\ninner=1 2\n");
  EXPECT_EQ(snapshot.ReadInteger("s", "letters", -1), -1);
  EXPECT_EQ(snapshot.ReadInteger("s", "mixed", -1), -1);
  EXPECT_EQ(snapshot.ReadInteger("s", "empty", -1), -1);
  EXPECT_EQ(snapshot.ReadInteger("s", "hex", -1), -1);
  EXPECT_EQ(snapshot.ReadInteger("s", "big", -1), -1);
  EXPECT_EQ(snapshot.ReadInteger("s", "blanks", -1), 42);
  EXPECT_EQ(snapshot.ReadInteger("s", "negative", -1), -7);
  EXPECT_EQ(snapshot.ReadInteger("s", "plus", -1), 8);
  EXPECT_EQ(snapshot.ReadInteger("s", "signOnly", -1), -1);
  EXPECT_EQ(snapshot.ReadInteger("s", "doubleSign", -1), -1);
  EXPECT_EQ(snapshot.ReadInteger("s", "inner", -1), -1);
}

TEST(IniFileRead, BooleanIsAnyNonZeroNumberAndDefaultsOnText) {
  const auto snapshot = TIniSnapshot::FromText("[s]\none=1\nzero=0\ntwo=2\nword=yes\n");
  EXPECT_TRUE(snapshot.ReadBool("s", "one", false));
  EXPECT_FALSE(snapshot.ReadBool("s", "zero", true));
  EXPECT_TRUE(snapshot.ReadBool("s", "two", false));
  EXPECT_FALSE(snapshot.ReadBool("s", "word", false));
  EXPECT_TRUE(snapshot.ReadBool("s", "word", true));
}

TEST(IniFileRead, ValuesKeepTheirInnerText) {
  const auto snapshot = TIniSnapshot::FromText(
      "[s]\npath = /home/u/My Videos/out dir \nquoted=\"a b\"\nsemi=x;y # z\neq=a=b\n"
      "; a comment line\n");
  EXPECT_EQ(snapshot.ReadString("s", "path", ""), "/home/u/My Videos/out dir");
  EXPECT_EQ(snapshot.ReadString("s", "quoted", ""), "\"a b\"");
  EXPECT_EQ(snapshot.ReadString("s", "semi", ""), "x;y # z");
  EXPECT_EQ(snapshot.ReadString("s", "eq", ""), "a=b");
}

TEST(IniFileRead, SectionsAndKeysComeInFileOrder) {
  const auto snapshot =
      TIniSnapshot::FromText("[formatInfo5]\nz=1\na=2\nm=3\n[formatInfo1]\nk=v\n[lstformat]\n");
  EXPECT_THAT(snapshot.ReadSections(), ElementsAre("formatInfo5", "formatInfo1", "lstformat"));
  EXPECT_THAT(snapshot.ReadSectionKeys("FORMATINFO5"), ElementsAre("z", "a", "m"));
  EXPECT_THAT(snapshot.ReadSection("formatinfo5"),
              ElementsAre(Pair("z", "1"), Pair("a", "2"), Pair("m", "3")));
  EXPECT_TRUE(snapshot.ReadSection("missing").empty());
  EXPECT_TRUE(snapshot.SectionExists("LstFormat"));
}

TEST(IniFileRead, SnapshotDoesNotSeeLaterWritesButTheFileDoes) {
  TScratchFolder folder;
  TIniFile ini(folder.File("s.ini"));
  ini.WriteInteger("settings", "volume", 10);
  const TIniSnapshot before = ini.Snapshot();
  ini.WriteInteger("settings", "volume", 20);
  EXPECT_EQ(before.ReadInteger("settings", "volume", 0), 10);
  EXPECT_EQ(ini.ReadInteger("settings", "volume", 0), 20);
  EXPECT_EQ(TIniFile(folder.File("s.ini")).ReadInteger("settings", "volume", 0), 20);
}

TEST(IniFileWrite, CreatesFileAndRoundTripsEveryType) {
  TScratchFolder folder;
  TIniFile ini(folder.File("s.ini"));
  ini.WriteString("settings", "OutPutDir", "/tmp/a b");
  ini.WriteInteger("settings", "jpgCmp", -15);
  ini.WriteBool("settings", "snapJpg", false);
  ini.WriteBool("settings", "snapBmp", true);
  EXPECT_EQ(ReadText(folder.File("s.ini")),
            "[settings]\nOutPutDir=/tmp/a b\njpgCmp=-15\nsnapJpg=0\nsnapBmp=1\n");
  EXPECT_EQ(ini.ReadString("settings", "OutPutDir", ""), "/tmp/a b");
  EXPECT_EQ(ini.ReadInteger("settings", "jpgCmp", 0), -15);
  EXPECT_FALSE(ini.ReadBool("settings", "snapJpg", true));
}

TEST(IniFileWrite, KeepsOtherSectionsKeysAndComments) {
  TScratchFolder folder;
  WriteText(folder.File("s.ini"),
            "; settings of the converter\n[settings]\n; folder comment\nOutPutDir=/x\n"
            "priority=2\n\n[lstformat]\n1=0\n2=1\n; closing remark\n");
  TIniFile ini(folder.File("s.ini"));
  ini.WriteString("settings", "OutPutDir", "/y");
  ini.WriteString("settings", "OutPutDir", "/y");  // a second rewrite must not duplicate
  const std::string text = ReadText(folder.File("s.ini"));
  EXPECT_EQ(text.find("; closing remark"), text.rfind("; closing remark"));
  EXPECT_NE(text.find("2=1\n; closing remark\n"), std::string::npos);
  EXPECT_NE(text.find("; settings of the converter"), std::string::npos);
  EXPECT_NE(text.find("; folder comment\nOutPutDir=/y"), std::string::npos);
  EXPECT_EQ(ini.ReadInteger("settings", "priority", 0), 2);
  EXPECT_THAT(ini.ReadSection("lstformat"), ElementsAre(Pair("1", "0"), Pair("2", "1")));
}

TEST(IniFileWrite, WritingUnderAnotherSpellingReplacesTheKey) {
  TScratchFolder folder;
  TIniFile ini(folder.File("s.ini"));
  ini.WriteString("settings", "snapOutPutDir", "/first");
  ini.WriteString("Settings", "SnapOutPutDir", "/second");
  EXPECT_EQ(ini.ReadString("settings", "SnapOutPutDir", ""), "/second");
  EXPECT_THAT(ini.ReadSections(), ElementsAre("settings"));
  EXPECT_EQ(ini.ReadSectionKeys("settings").size(), 1u);
}

TEST(IniFileWrite, LineBreaksInAValueCannotInjectKeys) {
  TScratchFolder folder;
  TIniFile ini(folder.File("s.ini"));
  ini.WriteString("settings", "OutPutDir", "/a\n[evil]\nmute=1");
  EXPECT_FALSE(ini.SectionExists("evil"));
  EXPECT_EQ(ini.ReadString("settings", "OutPutDir", ""), "/a [evil] mute=1");
}

TEST(IniFileWrite, KeysOutsideSectionsAndNamesWithZeroBytesReadBackWhereWritten) {
  TScratchFolder folder;
  WriteText(folder.File("s.ini"), "[a]\r\nz=1");
  TIniFile ini(folder.File("s.ini"));
  ini.WriteString("", "top", "2");
  EXPECT_EQ(ini.ReadString("", "top", ""), "2");
  EXPECT_FALSE(ini.ValueExists("a", "top"));
  EXPECT_EQ(ReadText(folder.File("s.ini")), "top=2\r\n[a]\r\nz=1");

  // Names differing only after a zero byte are different names.
  const std::string first("k\0a", 3), second("k\0b", 3);
  ini.WriteString("a", first, "3");
  ini.WriteString("a", second, "4");
  EXPECT_EQ(ini.ReadString("a", first, ""), "3");
  EXPECT_EQ(ini.ReadString("a", second, ""), "4");
}

TEST(IniFileWrite, KeepsTheFileModeAndLeavesNoTemporaryFiles) {
  TScratchFolder folder;
  const std::string name = folder.File("s.ini");
  WriteText(name, "[settings]\n");
  std::filesystem::permissions(name, std::filesystem::perms(0640));
  TIniFile ini(name);
  for (int i = 0; i < 20; ++i) {
    ini.WriteInteger("settings", "volume", i);
  }
  // The lock file of the writers stays; no temporary file does.
  EXPECT_THAT(folder.Entries(), UnorderedElementsAre("s.ini", ".s.ini.lock"));
  EXPECT_EQ(std::filesystem::status(name).permissions(), std::filesystem::perms(0640));
}

TEST(IniFileWrite, WritesThroughASymbolicLinkToItsTarget) {
  TScratchFolder folder;
  WriteText(folder.File("real.ini"), "[a]\nb=1\n");
  std::filesystem::create_symlink(folder.File("real.ini"), folder.File("link.ini"));
  TIniFile(folder.File("link.ini")).WriteInteger("a", "c", 2);
  EXPECT_TRUE(std::filesystem::is_symlink(folder.File("link.ini")));
  EXPECT_EQ(ReadText(folder.File("real.ini")), "[a]\nb=1\nc=2\n");
}

TEST(IniFileWrite, DeletedFileIsCreatedAgainWithTheOneKey) {
  TScratchFolder folder;
  const std::string name = folder.File("s.ini");
  TIniFile ini(name);
  ini.WriteString("settings", "OutPutDir", "/x");
  ini.WriteInteger("settings", "skinIndex", 3);
  std::filesystem::remove(name);
  ini.WriteInteger("settings", "volume", 99);
  EXPECT_EQ(ReadText(name), "[settings]\nvolume=99\n");
}

TEST(IniFileWrite, RefusedWriteThrowsWithTheFileName) {
  TScratchFolder folder;
  const std::string missingFolder = folder.File("no/such/folder/s.ini");
  WriteText(folder.File("plain"), "x");
  const std::string underAFile = folder.File("plain/s.ini");
  for (const std::string& name : {missingFolder, underAFile}) {
    TIniFile ini(name);
    try {
      ini.WriteInteger("settings", "volume", 1);
      ADD_FAILURE() << "no error for " << name;
    } catch (const ESettingsError& error) {
      EXPECT_STREQ(error.what(), ("Unable to write to " + name).c_str());
    }
  }
  EXPECT_THAT(folder.Entries(), ElementsAre("plain"));
  EXPECT_EQ(ReadText(folder.File("plain")), "x");
}

TEST(IniFileWrite, ChangesOnlyTheLinesItWrites) {
  TScratchFolder folder;
  const std::string name = folder.File("s.ini");
  WriteText(name,
            "\xEF\xBB\xBF; made by hand\r\n[Settings]\r\nOutPutDir = /videos \r\nnot a key line\r\n"
            "priority=2\r\npriority=3\r\n\r\n[lstformat]\n1=0\n# keep\n[settings]\nvolume=5\n"
            "PRIORITY=9\n; tail");
  TIniFile ini(name);
  EXPECT_EQ(ini.ReadInteger("settings", "priority", 0), 2);  // the first of duplicates wins
  EXPECT_EQ(ini.ReadInteger("settings", "volume", 0), 5);    // the section read as one
  EXPECT_EQ(ini.ReadString("settings", "outputdir", ""), "/videos");
  EXPECT_THAT(ini.ReadSections(), ElementsAre("Settings", "lstformat"));

  ini.WriteString("settings", "outputdir", "/new");
  ini.WriteInteger("SETTINGS", "skinIndex", 4);
  ini.WriteInteger("settings", "volume", 6);
  ini.WriteBool("formatInfo7", "mute", true);
  EXPECT_EQ(ReadText(name),
            "\xEF\xBB\xBF; made by hand\r\n[Settings]\r\nOutPutDir = /new\r\nnot a key line\r\n"
            "priority=2\r\npriority=3\r\nskinIndex=4\r\n\r\n[lstformat]\n1=0\n# keep\n[settings]\n"
            "volume=6\nPRIORITY=9\n; tail\n[formatInfo7]\nmute=1\n");
  EXPECT_EQ(ini.ReadInteger("settings", "priority", 0), 2);
  EXPECT_EQ(ini.ReadInteger("settings", "skinIndex", 0), 4);
  EXPECT_TRUE(ini.ReadBool("formatinfo7", "MUTE", false));
}

TEST(IniFileWrite, ReadOnlyFileIsNotReplaced) {
  TScratchFolder folder;
  const std::string name = folder.File("s.ini");
  const std::string original = "[settings]\nvolume=12\n";
  WriteText(name, original);
  std::filesystem::permissions(name, std::filesystem::perms(0444));
  try {
    TIniFile(name).WriteInteger("settings", "volume", 1);
    ADD_FAILURE() << "a read-only file was replaced";
  } catch (const ESettingsError& error) {
    EXPECT_STREQ(error.what(), ("Unable to write to " + name).c_str());
  }
  EXPECT_EQ(ReadText(name), original);
  EXPECT_EQ(std::filesystem::status(name).permissions(), std::filesystem::perms(0444));
  EXPECT_THAT(folder.Entries(), ElementsAre("s.ini"));
}

// A writer killed at any moment leaves the previous file or the new one, never a mixture:
// a child process writes in a loop and is killed at random moments.
TEST(IniFileWrite, SurvivesTheWriterBeingKilled) {
  TScratchFolder folder;
  const std::string name = folder.File("s.ini");
  const std::vector<std::string> keys{"OutPutDir", "priority", "volume", "skinIndex", "jpgCmp"};
  std::string text = "; kept\n[settings]\n";
  for (const std::string& key : keys) text += key + "=0\n";
  WriteText(name, text + "[other]\nkeep=me\n");
  std::map<std::string, long> seen;
  int changes = 0;
  for (const std::string& key : keys) seen[key] = 0;
  const unsigned seed = std::random_device()();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  // Kills land anywhere in the first or the second write (one write takes some milliseconds
  // with its flushes), so both the old and the new values are seen.
  std::uniform_int_distribution<int> writesStarted(1, 2);
  std::uniform_int_distribution<int> delayUs(0, 8000);
  constexpr long kRound = 1000000;  // child i writes i * kRound + n
  for (int round = 1; round <= 200; ++round) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(ready[0]);
      TIniFile ini(name);
      for (long n = 1; n < kRound; ++n) {
        for (const std::string& key : keys) {
          if (::write(ready[1], "w", 1) != 1) ::_exit(3);  // a write is starting
          try {
            ini.WriteString("settings", key, std::to_string(round * kRound + n));
          } catch (...) {
            ::_exit(2);
          }
        }
      }
      ::_exit(0);
    }
    ::close(ready[1]);
    bool signalled = true;
    for (int started = writesStarted(random); signalled && started > 0; --started) {
      char byte = 0;
      signalled = ::read(ready[0], &byte, 1) == 1;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(ready[0]);
    ASSERT_TRUE(signalled);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed with " << WEXITSTATUS(status);

    const TIniSnapshot file(name);
    ASSERT_EQ(file.ReadString("other", "keep", ""), "me") << "round " << round;
    for (const std::string& key : keys) {
      const std::string value = file.ReadString("settings", key, "missing");
      const long number = std::strtol(value.c_str(), nullptr, 10);
      ASSERT_EQ(value, std::to_string(number)) << key << " in round " << round;
      ASSERT_TRUE(number == seen[key] || number / kRound == round)
          << key << "=" << value << " after " << seen[key] << " in round " << round;
      changes += number != seen[key];
      seen[key] = number;
    }
    ASSERT_EQ(ReadText(name).rfind("; kept\n[settings]\n", 0), 0u);
  }
  EXPECT_GT(changes, 0) << "no write completed before a kill";
}

// Files past RLIMIT_FSIZE fail with EFBIG: a deterministic full disk for this process.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    previousSignal_ = ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limited = previous_;
    limited.rlim_cur = bytes;
    active_ = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
  }
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    ::signal(SIGXFSZ, previousSignal_);
  }
  bool Active() const { return active_; }

 private:
  rlimit previous_{};
  sighandler_t previousSignal_ = SIG_DFL;
  bool active_ = false;
};

TEST(IniFileWrite, FullDiskKeepsTheOldFileIntact) {
  TScratchFolder folder;
  const std::string name = folder.File("s.ini");
  const std::string original = "; keep me\n[settings]\nOutPutDir=/old\nvolume=12\n";
  WriteText(name, original);
  TIniFile ini(name);
  {
    TFileSizeLimit limit(original.size() + 8);
    ASSERT_TRUE(limit.Active());
    EXPECT_THROW(ini.WriteString("settings", "OutPutDir", std::string(200, 'x')), ESettingsError);
  }
  EXPECT_EQ(ReadText(name), original);
  EXPECT_THAT(folder.Entries(), UnorderedElementsAre("s.ini", ".s.ini.lock"));
  ini.WriteString("settings", "OutPutDir", "/new");  // the limit gone, writing works again
  EXPECT_EQ(ini.ReadString("settings", "OutPutDir", ""), "/new");
}

TEST(IniFileWrite, SeveralValuesGoInOneReplacement) {
  TScratchFolder folder;
  TIniFile ini(folder.File("s.ini"));
  ini.WriteValues("lstformat", {{"1", "1"}, {"2", "0"}, {"1", "0"}});
  EXPECT_EQ(ReadText(folder.File("s.ini")), "[lstformat]\n1=0\n2=0\n");
}

}  // namespace
}  // namespace qarvo
