// Part files: an output under a hidden name of its own until it is complete, moved to its
// final name without replacing anything, and the leftovers of a killed program removed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>

#include "base/EngineError.h"
#include "media/TPartFile.h"

#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

using Clock = std::chrono::system_clock;

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(int fd, const std::string& text) {
  ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

TEST(PartFile, IsHiddenBesideItsFinalNameAndGoesUnlessCommitted) {
  const test::TScratchFolder folder("part");
  std::string path;
  {
    TPartFile part(folder.File("clip_(new).mp4"));
    path = part.Path();
    EXPECT_EQ(path.rfind(folder.Folder() + "/.clip_(new).mp4.qarvo-part-", 0), 0u) << path;
    EXPECT_TRUE(TPartFile::IsPartName(path.substr(path.rfind('/') + 1)));
    // Locked while it lives: nobody else may take it for a leftover.
    const int other = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
    ::close(other);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(folder.Entries().empty());
  EXPECT_FALSE(TPartFile::IsPartName("clip_(new).mp4"));
  EXPECT_FALSE(TPartFile::IsPartName(".clip.qarvo-part-"));
}

TEST(PartFile, ANameTakenMeanwhileIsKeptAndTheNextNumberTaken) {
  const test::TScratchFolder folder("part");
  const std::string final = folder.File("clip_(new).mp4");
  const TNameIfTaken numbered = [&](int n) {
    return folder.File("clip_(new_" + std::to_string(n) + ").mp4");
  };
  TPartFile first(final);
  TPartFile second(final);
  EXPECT_NE(first.Path(), second.Path());
  Write(first.Descriptor(), "first");
  Write(second.Descriptor(), "second");
  std::ofstream(final) << "someone else's";
  std::ofstream(numbered(1)) << "another";
  EXPECT_EQ(first.Commit(final, numbered), numbered(2));
  EXPECT_EQ(second.Commit(final, numbered), numbered(3));
  EXPECT_EQ(Read(final), "someone else's");
  EXPECT_EQ(Read(numbered(1)), "another");
  EXPECT_EQ(Read(numbered(2)), "first");
  EXPECT_EQ(Read(numbered(3)), "second");
  EXPECT_EQ(folder.Entries().size(), 4u);
}

TEST(PartFile, WithoutANumberingRuleTheOutputReplacesItsName) {
  const test::TScratchFolder folder("part");
  const std::string final = folder.File("out.avi");
  std::ofstream(final) << "old";
  TPartFile part(final);
  Write(part.Descriptor(), "new");
  EXPECT_EQ(part.Commit(final, nullptr), final);
  EXPECT_EQ(Read(final), "new");
  EXPECT_EQ(folder.Entries().size(), 1u);
}

TEST(PartFile, OnlyLeftoversNobodyHoldsFromBeforeTheRunAreRemoved) {
  const test::TScratchFolder folder("part");
  const std::string left = folder.File(".a.mp4.qarvo-part-AbC123");
  const std::string other = folder.File(".notes.txt");
  std::ofstream(left) << "killed half-way";
  std::ofstream(other) << "not ours";
  const TPartFile held(folder.File("b.mp4"));
  const Clock::time_point runStart = Clock::now() + std::chrono::seconds(1);

  // A file written since the run began may be a writer that has not locked it yet.
  EXPECT_EQ(TPartFile::RemoveLeftovers(folder.Folder(), Clock::now() - std::chrono::hours(1)), 0);
  EXPECT_TRUE(std::filesystem::exists(left));

  EXPECT_EQ(TPartFile::RemoveLeftovers(folder.Folder(), runStart), 1);
  EXPECT_FALSE(std::filesystem::exists(left));
  EXPECT_TRUE(std::filesystem::exists(other));
  EXPECT_TRUE(std::filesystem::exists(held.Path()));
}

TEST(PartFile, AFolderThatCannotTakeItSaysWhichOutputFailed) {
  const test::TScratchFolder folder("part");
  try {
    TPartFile part(folder.File("missing/out.mp4"));
    FAIL() << "made " << part.Path();
  } catch (const EEngineError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(folder.File("missing/out.mp4") + ": ", 0), 0u)
        << e.what();
  }
}

}  // namespace
}  // namespace qarvo
