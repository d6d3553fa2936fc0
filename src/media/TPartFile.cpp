#include "media/TPartFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

#include "base/EngineError.h"
#include "media/ErrorText.h"
#include "media/LibraryApi.h"

namespace qarvo {
namespace {

constexpr char kMarker[] = ".qarvo-part-";
constexpr size_t kMarkerLength = sizeof kMarker - 1;
constexpr size_t kTagLength = 6;
constexpr int kMostTries = 100;
constexpr int kMostNumbers = 100000;

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RandomTag() {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
  std::string tag;
  for (size_t i = 0; i < kTagLength; ++i) tag += kLetters[pick(generator)];
  return tag;
}

// ".<final name>" + marker + tag, the final name shortened (whole UTF-8 characters) so that
// the part file's name fits the folder's limit.
std::string PartName(const std::string& folder, const std::string& finalName) {
  const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
  const size_t most = limit > 0 ? static_cast<size_t>(limit) : 255;
  const size_t fixed = 1 + kMarkerLength + kTagLength;
  size_t keep = std::min(finalName.size(), most > fixed ? most - fixed : 0);
  while (keep > 0 && keep < finalName.size() &&
         (static_cast<unsigned char>(finalName[keep]) & 0xC0) == 0x80)
    --keep;
  return "." + finalName.substr(0, keep) + kMarker + RandomTag();
}

enum class TMove { Done, Taken };

// Moves `from` to `to` unless something has that name. Where the file system cannot rename
// without replacing, a hard link does the same; only where it has neither is the check made
// apart from the move.
TMove MoveWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return TMove::Done;
  if (errno == EEXIST) return TMove::Taken;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
    throw EEngineError(FileErrorText(to, AVERROR(errno)));
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return TMove::Done;
  }
  if (errno == EEXIST) return TMove::Taken;
  if (errno != EPERM && errno != ENOTSUP) throw EEngineError(FileErrorText(to, AVERROR(errno)));
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) return TMove::Taken;
  if (::rename(from.c_str(), to.c_str()) != 0)
    throw EEngineError(FileErrorText(to, AVERROR(errno)));
  return TMove::Done;
}

}  // namespace

TPartFile::TPartFile(const std::string& finalPath) {
  std::string folder = FolderOf(finalPath);
  // Kept whole: the working folder may change while the file is written.
  if (finalPath.empty() || finalPath[0] != '/') {
    const std::unique_ptr<char, decltype(&std::free)> here(::getcwd(nullptr, 0), &std::free);
    if (!here) throw EEngineError(FileErrorText(finalPath, AVERROR(errno)));
    folder = std::string(here.get()) + "/" + folder;
  }
  for (int attempt = 0; attempt < kMostTries; ++attempt) {
    const std::string path = folder + PartName(folder, NameOf(finalPath));
    // The exclusive creation is the reservation: no other writer can have this file.
    fd_.Reset(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!fd_.IsOpen() && errno == EEXIST) continue;
    if (!fd_.IsOpen()) throw EEngineError(FileErrorText(finalPath, AVERROR(errno)));
    path_ = path;
    // Held while the file lives: a run starting meanwhile leaves it alone.
    if (::flock(fd_.Get(), LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::unlink(path_.c_str());
      throw EEngineError(FileErrorText(finalPath, AVERROR(error)));
    }
    return;
  }
  throw EEngineError(FileErrorText(finalPath, AVERROR(EEXIST)));
}

TPartFile::~TPartFile() {
  if (!committed_ && !path_.empty()) ::unlink(path_.c_str());
}

std::string TPartFile::Commit(const std::string& finalPath, const TNameIfTaken& nameIfTaken) {
  if (committed_) return path_;
  // The data reaches the disk before the name does: after a power cut the final name holds the
  // whole file or nothing. File systems without the call (EINVAL) keep no cache to write.
  if (fd_.IsOpen() && ::fdatasync(fd_.Get()) != 0 && errno != EINVAL)
    throw EEngineError(FileErrorText(path_, AVERROR(errno)));
  if (!nameIfTaken) {
    if (::rename(path_.c_str(), finalPath.c_str()) != 0)
      throw EEngineError(FileErrorText(finalPath, AVERROR(errno)));
    committed_ = true;
    return path_ = finalPath;
  }
  std::string name = finalPath;
  for (int n = 1; n <= kMostNumbers; ++n) {
    if (MoveWithoutReplacing(path_, name) == TMove::Done) {
      committed_ = true;
      return path_ = name;
    }
    name = nameIfTaken(n);
  }
  throw EEngineError(FileErrorText(finalPath, AVERROR(EEXIST)));
}

bool TPartFile::IsPartName(const std::string& fileName) {
  if (fileName.size() < 1 + kMarkerLength + kTagLength || fileName[0] != '.') return false;
  return fileName.compare(fileName.size() - kTagLength - kMarkerLength, kMarkerLength, kMarker) ==
         0;
}

int TPartFile::RemoveLeftovers(const std::string& folder,
                               std::chrono::system_clock::time_point before) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return 0;
  int removed = 0;
  const int dirFd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!IsPartName(name)) continue;
    TFileDescriptor fd(
        ::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.IsOpen() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    // Written since the run began: a writer that has not taken its lock yet.
    const auto written = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(st.st_mtim.tv_sec) +
            std::chrono::nanoseconds(st.st_mtim.tv_nsec)));
    if (written >= before) continue;
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) continue;
    struct stat named {};
    if (::fstatat(dirFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        named.st_ino == st.st_ino && named.st_dev == st.st_dev &&
        ::unlinkat(dirFd, name.c_str(), 0) == 0)
      ++removed;
  }
  ::closedir(dir);
  return removed;
}

}  // namespace qarvo
