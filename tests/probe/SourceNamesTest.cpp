// Sources are files, named by bytes: no name reads another resource, and no special file can
// stall the probe.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "media/LibraryLoader.h"
#include "probe/TMediaProbe.h"

#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

// Runs in `folder` so that a relative name reaches the library as the user typed it.
class WorkingFolder {
 public:
  explicit WorkingFolder(const std::string& folder) : previous_(fs::current_path()) {
    fs::current_path(folder);
  }
  ~WorkingFolder() { fs::current_path(previous_); }

 private:
  fs::path previous_;
};

TEST(SourceNames, NamesLikeProtocolAddressesAndNonUtf8NamesAreTheFilesTheyName) {
  LoadMediaLibraries();
  test::TScratchFolder folder("names");
  const std::string clip = EnsureClip("short3s");
  WorkingFolder here(folder.Folder());
  for (const std::string name : {"pipe:x.avi", "concat:x.avi", "file:x.avi", "clip-\xff\xfe.avi"}) {
    fs::copy_file(clip, folder.File(name));
    TMediaProbe probe;
    ASSERT_TRUE(probe.LoadFile(name)) << name << ": " << probe.LastErrMsg();
    EXPECT_EQ(probe.FileName(), name);
    EXPECT_NEAR(probe.FileStreamInfo().Duration / 1e6, 3.0, 0.06) << name;
  }
  TMediaProbe probe;
  EXPECT_FALSE(probe.LoadFile("http:nothing.avi"));
  EXPECT_EQ(probe.LastErrMsg(), "http:nothing.avi: No such file or directory");
}

TEST(SourceNames, SpecialFilesAreRefusedWithoutWaitingOnThem) {
  LoadMediaLibraries();
  test::TScratchFolder folder("names");
  const std::string fifo = folder.File("waiting.avi");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  TMediaProbe probe;
  EXPECT_FALSE(probe.LoadFile(fifo));
  EXPECT_EQ(probe.LastErrMsg(), fifo + ": a named pipe, not a regular file");
  // A silent writer keeps the pipe open: a read would wait for ever.
  const int writer = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  EXPECT_FALSE(probe.LoadFile(fifo));
  ::close(writer);
  EXPECT_FALSE(probe.LoadFile(folder.Folder()));
  EXPECT_EQ(probe.LastErrMsg(), folder.Folder() + ": a folder, not a regular file");
}

}  // namespace
}  // namespace qarvo
