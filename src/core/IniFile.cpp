#include "core/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "core/IniDocument.h"
#include "core/SettingsError.h"

namespace qarvo {

namespace {

// Writes are read-modify-write; two threads of this process must not interleave them.
std::mutex writeLock;
std::atomic<unsigned> tempCounter{0};

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

// Opens a new file beside the target; the name starts with "." so it stays out of sight.
int CreateTempFile(const std::string& target, std::string& tempName) {
  const auto slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempName = folder + "." + base + "." + std::to_string(::getpid()) + "." +
               std::to_string(tempCounter++) + ".tmp";
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
bool FileRefusesWriting(const std::string& target) {
  struct stat info {};
  if (::stat(target.c_str(), &info) != 0) {
    return false;  // a missing file is created
  }
  return (info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0;
}

void Update(const std::string& fileName, const std::string& section, const TIniValues& values) {
  const std::lock_guard lock(writeLock);
  const std::string target = WriteTarget(fileName);
  if (FileRefusesWriting(target)) {
    ThrowUnableToWrite(fileName);
  }
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

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  Update(fileName_, section, {{key, value}});
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteValues(const std::string& section, const TIniValues& values) {
  Update(fileName_, section, values);
}

}  // namespace qarvo
