#include "core/IniFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string_view>
#include <thread>

#include "core/IniDocument.h"
#include "core/SettingsError.h"

namespace qarvo {

namespace {

// Writes are read-modify-write; two threads of this process must not interleave them, and
// the file lock below keeps other processes out.
std::mutex writeLock;
std::atomic<unsigned> tempCounter{0};

// A temporary file this old belongs to no running write, whoever made it.
constexpr auto kStaleTempAge = std::chrono::minutes(10);
// Another writer holds the lock for milliseconds; one that keeps it this long is stuck.
constexpr auto kLockPatience = std::chrono::seconds(10);

[[noreturn]] void ThrowUnableToWrite(const std::string& fileName) {
  throw ESettingsError("Unable to write to " + fileName);
}

std::string OneLine(std::string value) {
  for (char& c : value) {
    if (c == '\r' || c == '\n') {
      c = ' ';
    }
  }
  return value;
}

// Writing through a symbolic link replaces the link's target, not the link.
std::string WriteTarget(const std::string& fileName) {
  struct stat info {};
  if (::lstat(fileName.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(fileName.c_str(), resolved)) {
      return resolved;
    }
  }
  return fileName;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "<folder>/.<name>" + suffix: the companion files start with "." so they stay out of sight.
std::string CompanionName(const std::string& target, const std::string& suffix) {
  const auto slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  return folder + "." + BaseName(target) + suffix;
}

// An advisory lock on a companion file held for one read-change-replace, so that writers in
// other processes cannot lose each other's keys. The target itself cannot carry the lock:
// every write replaces it by a new file. Without a lock file (a folder that refuses it) the
// write goes on and meets the folder's refusal itself.
class TWriteLock {
 public:
  explicit TWriteLock(const std::string& target) {
    const std::string name = CompanionName(target, ".lock");
    fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd_ < 0) fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd_ < 0) return;
    // Polled rather than blocking, so a writer that hangs holding it cannot hang this one.
    const auto giveUp = std::chrono::steady_clock::now() + kLockPatience;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > giveUp) {
        stuck_ = errno == EWOULDBLOCK;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  ~TWriteLock() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
  }
  TWriteLock(const TWriteLock&) = delete;
  TWriteLock& operator=(const TWriteLock&) = delete;
  // Another writer kept the lock past all patience.
  bool Stuck() const { return stuck_; }

 private:
  int fd_ = -1;
  bool stuck_ = false;
};

// "<pid>.<counter>" of a temporary file's name; 0 when the middle part is not that.
pid_t WriterOfTemp(std::string_view middle) {
  const auto point = middle.find('.');
  if (point == 0 || point == std::string_view::npos || point + 1 == middle.size()) return 0;
  const std::string_view pid = middle.substr(0, point);
  const std::string_view counter = middle.substr(point + 1);
  const auto digits = [](std::string_view text) {
    return text.find_first_not_of("0123456789") == std::string_view::npos && text.size() < 10;
  };
  return digits(pid) && digits(counter) ? static_cast<pid_t>(std::stol(std::string(pid))) : 0;
}

// Temporary files of writers that were killed between creating them and the rename. Called
// under the write lock, when no writer of this program is half-way: a file is stale when the
// process named in it is gone, or when it is old (its writer may be in another namespace,
// or an older program without the lock).
void RemoveStaleTemps(const std::string& target) {
  const std::string folder = FolderOf(target);
  const std::string prefix = "." + BaseName(target) + ".";
  const std::string suffix = ".tmp";
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  const auto now = std::chrono::system_clock::now();
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.size() <= prefix.size() + suffix.size() || name.substr(0, prefix.size()) != prefix ||
        name.substr(name.size() - suffix.size()) != suffix)
      continue;
    const pid_t writer =
        WriterOfTemp(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()));
    struct stat info {};
    if (writer <= 0 || ::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode))
      continue;
    const bool writerGone = ::kill(writer, 0) != 0 && errno == ESRCH;
    const bool old = now - std::chrono::system_clock::from_time_t(info.st_mtime) > kStaleTempAge;
    if (writerGone || old) ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

// Opens a new file beside the target.
int CreateTempFile(const std::string& target, std::string& tempName) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempName = CompanionName(
        target, "." + std::to_string(::getpid()) + "." + std::to_string(tempCounter++) + ".tmp");
    const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) {
      return fd;
    }
  }
  return -1;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t count = ::write(fd, text.data() + done, text.size() - done);
    if (count < 0 && errno == EINTR) {
      continue;
    }
    if (count <= 0) {
      return false;
    }
    done += static_cast<size_t>(count);
  }
  return true;
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);  // best effort: the rename itself has already succeeded
    ::close(fd);
  }
}

// Returns false and leaves the target untouched when any step fails.
bool ReplaceFile(const std::string& target, const std::string& text) {
  std::string tempName;
  const int fd = CreateTempFile(target, tempName);
  if (fd < 0) {
    return false;
  }
  struct stat old {};
  bool ok = true;
  if (::stat(target.c_str(), &old) == 0) {
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  }
  ok = ok && WriteAll(fd, text) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(tempName.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(tempName.c_str());
    return false;
  }
  SyncFolder(FolderOf(target));
  return true;
}

// The user's own protection of the file counts, even for a user the system would let
// write anyway (a rename over a read-only file succeeds wherever the folder is writable).
// A device or a pipe in the file's place is never replaced.
bool FileRefusesWriting(const std::string& target) {
  struct stat info {};
  if (::stat(target.c_str(), &info) != 0) {
    return false;  // a missing file is created
  }
  return !S_ISREG(info.st_mode) || (info.st_mode & 0222) == 0 ||
         ::access(target.c_str(), W_OK) != 0;
}

void Update(const std::string& fileName, const std::string& section, const TIniValues& values) {
  const std::lock_guard lock(writeLock);
  const std::string target = WriteTarget(fileName);
  if (FileRefusesWriting(target)) {
    ThrowUnableToWrite(fileName);
  }
  const TWriteLock fileLock(target);
  if (fileLock.Stuck()) {
    ThrowUnableToWrite(fileName);
  }
  RemoveStaleTemps(target);
  TIniDocument document;
  const int readError = document.Load(target);
  if (readError != 0 && readError != ENOENT) {
    // Rewriting a file we could not read would throw its contents away.
    ThrowUnableToWrite(fileName);
  }
  for (const auto& [key, value] : values) {
    document.SetValue(section, key, OneLine(value));
  }
  if (!ReplaceFile(target, document.Text())) {
    ThrowUnableToWrite(fileName);
  }
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

TIniSnapshot TIniFile::Snapshot() const { return TIniSnapshot(fileName_); }

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
  return Snapshot().ReadString(section, key, defaultValue);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key,
                          int defaultValue) const {
  return Snapshot().ReadInteger(section, key, defaultValue);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key,
                        bool defaultValue) const {
  return Snapshot().ReadBool(section, key, defaultValue);
}

bool TIniFile::SectionExists(const std::string& section) const {
  return Snapshot().SectionExists(section);
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
  return Snapshot().ValueExists(section, key);
}

std::vector<std::string> TIniFile::ReadSections() const { return Snapshot().ReadSections(); }

std::vector<std::string> TIniFile::ReadSectionKeys(const std::string& section) const {
  return Snapshot().ReadSectionKeys(section);
}

TIniValues TIniFile::ReadSection(const std::string& section) const {
  return Snapshot().ReadSection(section);
}

std::string TIniFile::Problem() const {
  TIniDocument document;
  return TIniDocument::LoadErrorText(fileName_, document.Load(fileName_));
}

void TIniFile::Write(const std::string& section, const TIniValues& values) {
  try {
    Update(fileName_, section, values);
  } catch (const ESettingsError& error) {
    if (!writeFailure_) throw;
    writeFailure_(error.what());
  }
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  Write(section, {{key, value}});
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteValues(const std::string& section, const TIniValues& values) {
  Write(section, values);
}

}  // namespace qarvo
