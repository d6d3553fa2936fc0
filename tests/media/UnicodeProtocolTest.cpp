#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/EngineError.h"
#include "media/LibraryLoader.h"
#include "media/UnicodeProtocol.h"

#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

// Runs the body under the given LC_CTYPE and restores the previous one.
class LocaleScope {
 public:
  explicit LocaleScope(const char* name) : previous_(std::setlocale(LC_CTYPE, nullptr)) {
    ok_ = std::setlocale(LC_CTYPE, name) != nullptr;
  }
  ~LocaleScope() { std::setlocale(LC_CTYPE, previous_.c_str()); }
  bool Ok() const { return ok_; }

 private:
  std::string previous_;
  bool ok_ = false;
};

TEST(UnicodeNames, LatinAndProtocolNamesPassUnchangedOthersGoThroughTheLayer) {
  LocaleScope c("C");
  EXPECT_EQ(WideToLibraryName(L"/tmp/clip one.avi"), "/tmp/clip one.avi");
  // A protocol address keeps its text (its bytes become UTF-8, without the layer's prefix).
  EXPECT_EQ(WideToLibraryName(L"http://host/\u00e9t\u00e9.mp4"),
            WideToUtf8(L"http://host/\u00e9t\u00e9.mp4"));
  const std::string cyrillic = WideToLibraryName(L"/tmp/\u0432\u0438\u0434\u0435\u043e.avi");
  EXPECT_EQ(cyrillic,
            std::string(kUnicodePrefix) + WideToUtf8(L"/tmp/\u0432\u0438\u0434\u0435\u043e.avi"));
  EXPECT_TRUE(IsUnicodeLibraryName(cyrillic));
  EXPECT_EQ(LibraryNameToWide(cyrillic), L"/tmp/\u0432\u0438\u0434\u0435\u043e.avi");
  EXPECT_EQ(LibraryNameToWide("/tmp/plain.avi"), L"/tmp/plain.avi");
  // "ftp" is not in the prefix list, so a non-ASCII ftp name goes through the layer.
  EXPECT_TRUE(IsUnicodeLibraryName(WideToLibraryName(L"ftp://h/\u00e9")));
}

TEST(UnicodeNames, UnderAUtf8LocaleEveryNameRoundTrips) {
  LocaleScope utf8("C.UTF-8");
  if (!utf8.Ok()) GTEST_SKIP() << "no C.UTF-8 locale";
  const std::wstring name = L"/tmp/\u0432\u0438\u0434\u0435\u043e \u6f22\u5b57.avi";
  EXPECT_EQ(WideToLibraryName(name), WideToUtf8(name));
}

TEST(UnicodeNames, OverlongNamesAreRejected) {
  LocaleScope c("C");
  EXPECT_NO_THROW(WideToLibraryName(std::wstring(kMaxLibraryNameBytes, L'a')));
  EXPECT_THROW(WideToLibraryName(std::wstring(kMaxLibraryNameBytes + 1, L'a')), EEngineError);
  // The prefix counts: 2034 non-locale bytes plus 13 prefix bytes is the limit.
  const std::wstring twoByte(1017, L'\u00e9');  // 2034 UTF-8 bytes
  EXPECT_NO_THROW(WideToLibraryName(twoByte));
  EXPECT_THROW(WideToLibraryName(twoByte + L"a"), EEngineError);
}

TEST(UnicodeNames, Utf8DecodingSurvivesDamagedText) {
  EXPECT_EQ(Utf8ToWide("a\xff"
                       "b"),
            L"a\uFFFDb");
  EXPECT_EQ(Utf8ToWide("\xe2\x82"), L"\uFFFD");
  EXPECT_EQ(Utf8ToWide(WideToUtf8(L"\U0001F600x")), L"\U0001F600x");
}

TEST(UnicodeProtocol, RegistersOnlyOnce) {
  ASSERT_TRUE(TLibraryLoader::Instance().Load(kEngineLibraries));
  EXPECT_TRUE(UnicodeProtocolRegistered());
  EXPECT_FALSE(RegisterUnicodeProtocol());
}

TEST(UnicodeProtocol, WritesReadsSeeksAndReplacesFiles) {
  ASSERT_TRUE(TLibraryLoader::Instance().Load(kEngineLibraries));
  LocaleScope c("C");
  const std::wstring wide = L"/tmp/qarvo-\u0444\u0430\u0439\u043b.bin";
  const std::string name = WideToLibraryName(wide);
  const std::string path = WideToUtf8(wide);
  std::ofstream(path) << "old content that is longer";
  {
    TUnicodeFile file(name, TUnicodeFile::kWrite);
    api().avio_write(file.Context(), reinterpret_cast<const unsigned char*>("hello"), 5);
  }
  EXPECT_EQ(std::filesystem::file_size(path), 5u);
  {
    TUnicodeFile file(name, TUnicodeFile::kRead);
    EXPECT_EQ(api().avio_size(file.Context()), 5);
    EXPECT_EQ(api().avio_seek(file.Context(), 1, SEEK_SET), 1);
    unsigned char buffer[8] = {};
    EXPECT_EQ(api().avio_read(file.Context(), buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "ello");
  }
  std::remove(path.c_str());
  try {
    TUnicodeFile missing(name, TUnicodeFile::kRead);
    ADD_FAILURE() << "opened a missing file";
  } catch (const EEngineError& e) {
    EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
  }
}

// Opening a named pipe waits for its other end, and reading one waits for data: a file the
// user named must never get that far.
TEST(FilePaths, OnlyRegularFilesAreOpenedAndNeverBlockOnSpecialOnes) {
  ASSERT_TRUE(TLibraryLoader::Instance().Load(kEngineLibraries));
  test::TScratchFolder folder("paths");
  const std::string fifo = folder.File("x.avi");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto refusal = [](const std::string& path, TUnicodeFile::TAccess access) {
    try {
      TUnicodeFile::ForPath(path, access);
    } catch (const EEngineError& e) {
      return std::string(e.what());
    }
    return std::string("opened");
  };
  EXPECT_EQ(refusal(fifo, TUnicodeFile::kRead), fifo + ": a named pipe, not a regular file");
  EXPECT_EQ(refusal(fifo, TUnicodeFile::kWrite), fifo + ": a named pipe, not a regular file");
  EXPECT_EQ(refusal(folder.Folder(), TUnicodeFile::kRead),
            folder.Folder() + ": a folder, not a regular file");
  EXPECT_EQ(refusal("/dev/zero", TUnicodeFile::kRead),
            "/dev/zero: a character device, not a regular file");
  EXPECT_EQ(refusal("/dev/null", TUnicodeFile::kWrite), "opened");
  EXPECT_EQ(refusal(folder.File("missing.avi"), TUnicodeFile::kRead),
            folder.File("missing.avi") + ": No such file or directory");
}

// Linux names are bytes: one that is no UTF-8 and one that looks like a protocol address are
// both plain files, written and read back under exactly those bytes.
TEST(FilePaths, NamesKeepTheirBytesAndChooseNoProtocol) {
  ASSERT_TRUE(TLibraryLoader::Instance().Load(kEngineLibraries));
  test::TScratchFolder folder("paths");
  for (const std::string name : {"clip-\xff\xfe\x80.bin", "pipe:x.bin", "http:a.bin"}) {
    const std::string path = folder.File(name);
    {
      auto file = TUnicodeFile::ForPath(path, TUnicodeFile::kWrite);
      api().avio_write(file->Context(), reinterpret_cast<const unsigned char*>("bytes"), 5);
    }
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0) << name;
    EXPECT_EQ(st.st_size, 5) << name;
    auto file = TUnicodeFile::ForPath(path, TUnicodeFile::kRead);
    EXPECT_EQ(api().avio_size(file->Context()), 5) << name;
  }
  EXPECT_EQ(LibraryNameToUtf8(FileLibraryName("/a/\xff.avi")), "/a/\xff.avi");
  EXPECT_EQ(FileLibraryName("pipe:x.avi"), "file:pipe:x.avi");
}

}  // namespace
}  // namespace qarvo
