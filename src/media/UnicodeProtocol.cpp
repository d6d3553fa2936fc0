#include "media/UnicodeProtocol.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "media/ErrorText.h"
#include "media/InterruptCheck.h"

namespace qarvo {

namespace {

constexpr char kFilePrefix[] = "file:";
constexpr char kProtocolList[] = ":unicode:stream:gopher:http:pipe:rtp:tcp:udp:";
constexpr int kIOBufferSize = 64 * 1024;
// The library's "size" seek request.
constexpr int kSeekSize = 0x10000;

std::atomic<bool> g_registered{false};

bool HasKnownProtocolPrefix(const std::string& name) {
  const size_t colon = name.find(':');
  if (colon == std::string::npos) return false;
  const std::string probe = ":" + name.substr(0, colon) + ":";
  return std::strstr(kProtocolList, probe.c_str()) != nullptr;
}

// Locale text of a wide name, or false when some character has no locale encoding.
bool WideToLocale(const std::wstring& name, std::string& out) {
  std::mbstate_t state{};
  const wchar_t* src = name.c_str();
  // NOLINTNEXTLINE(concurrency-mt-unsafe): own conversion state, which makes it thread-safe
  const size_t size = std::wcsrtombs(nullptr, &src, 0, &state);
  if (size == static_cast<size_t>(-1)) return false;
  out.assign(size, '\0');
  src = name.c_str();
  state = std::mbstate_t{};
  std::wcsrtombs(out.data(), &src, size, &state);  // NOLINT(concurrency-mt-unsafe): as above
  return true;
}

bool LocaleToWide(const std::string& text, std::wstring& out) {
  std::mbstate_t state{};
  const char* src = text.c_str();
  // NOLINTNEXTLINE(concurrency-mt-unsafe): own conversion state, which makes it thread-safe
  const size_t size = std::mbsrtowcs(nullptr, &src, 0, &state);
  if (size == static_cast<size_t>(-1)) return false;
  out.assign(size, L'\0');
  src = text.c_str();
  state = std::mbstate_t{};
  std::mbsrtowcs(out.data(), &src, size, &state);  // NOLINT(concurrency-mt-unsafe): as above
  return true;
}

const char* SpecialFileKind(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  return "a special file";
}

// Sources may be regular files or a block device the user named; outputs regular files or a
// character device such as /dev/null. Pipes, sockets and folders are never opened.
void RefuseSpecialFile(const std::string& path, const struct stat& st,
                       TUnicodeFile::TAccess access) {
  const bool writing = access == TUnicodeFile::kWrite || access == TUnicodeFile::kReadWrite;
  if (S_ISREG(st.st_mode) || (writing ? S_ISCHR(st.st_mode) : S_ISBLK(st.st_mode))) return;
  if (access == TUnicodeFile::kReadPipe && S_ISFIFO(st.st_mode)) return;
  throw EEngineError(
      Format("%s: %s, not a regular file", path.c_str(), SpecialFileKind(st.st_mode)));
}

void CheckLength(const std::string& name) {
  if (name.size() > kMaxLibraryNameBytes)
    throw EEngineError(Format("File name too long (%zu bytes, at most %zu): %.64s...", name.size(),
                              kMaxLibraryNameBytes, name.c_str()));
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string WideToUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    const auto code = static_cast<char32_t>(c);
    AppendUtf8(out, code <= 0x10FFFF ? code : U'\uFFFD');
  }
  return out;
}

// Invalid sequences become U+FFFD so a damaged name still shows in a message.
std::wstring Utf8ToWide(const std::string& text) {
  std::wstring out;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    char32_t c = *p++;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (c >= 0x80 && extra == 0) {
      out += L'\uFFFD';
      continue;
    }
    c &= extra == 3 ? 0x07 : extra == 2 ? 0x0F : extra == 1 ? 0x1F : 0x7F;
    bool valid = true;
    for (; extra > 0; --extra) {
      if (p >= end || (*p & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      c = (c << 6) | (*p++ & 0x3F);
    }
    out += valid ? static_cast<wchar_t>(c) : L'\uFFFD';
  }
  return out;
}

std::string WideToLibraryName(const std::wstring& name) {
  std::string converted;
  std::wstring back;
  if (WideToLocale(name, converted) && LocaleToWide(converted, back) && back == name) {
    CheckLength(converted);
    return converted;
  }
  if (HasKnownProtocolPrefix(WideToUtf8(name))) {
    // A protocol address is handed over as it stands; the locale cannot change its bytes.
    converted = WideToUtf8(name);
  } else {
    converted = kUnicodePrefix + WideToUtf8(name);
  }
  CheckLength(converted);
  return converted;
}

std::string FileLibraryName(const std::string& path) {
  std::string name = kFilePrefix + path;
  CheckLength(name);
  return name;
}

bool IsUnicodeLibraryName(const std::string& name) {
  return name.size() >= 14 && name.compare(0, std::strlen(kUnicodePrefix), kUnicodePrefix) == 0;
}

std::wstring LibraryNameToWide(const std::string& name) {
  if (IsUnicodeLibraryName(name)) return Utf8ToWide(name.substr(std::strlen(kUnicodePrefix)));
  std::wstring wide;
  if (LocaleToWide(name, wide)) return wide;
  return Utf8ToWide(name);
}

std::string LibraryNameToUtf8(const std::string& name) {
  if (name.compare(0, std::strlen(kFilePrefix), kFilePrefix) == 0)
    return name.substr(std::strlen(kFilePrefix));
  return WideToUtf8(LibraryNameToWide(name));
}

bool RegisterUnicodeProtocol() {
  bool expected = false;
  return g_registered.compare_exchange_strong(expected, true);
}

bool UnicodeProtocolRegistered() { return g_registered.load(); }

TUnicodeFile::TUnicodeFile(const std::string& libraryName, TAccess access)
    : path_(LibraryNameToUtf8(libraryName)) {
  Open(access);
}

TUnicodeFile::TUnicodeFile(std::string path, TAccess access, TPathTag) : path_(std::move(path)) {
  Open(access);
}

TUnicodeFile::TUnicodeFile(std::string path, TAccess access, TPathTag, int borrowedFd)
    : path_(std::move(path)), fd_(borrowedFd), borrowed_(true) {
  MakeContext(access == kWrite || access == kReadWrite);
}

std::unique_ptr<TUnicodeFile> TUnicodeFile::ForPath(const std::string& path, TAccess access) {
  return std::unique_ptr<TUnicodeFile>(new TUnicodeFile(path, access, TPathTag{}));
}

void TUnicodeFile::Open(TAccess access) {
  struct stat st {};
  // Checked before opening too: opening a named pipe waits for its other end.
  const bool known = ::stat(path_.c_str(), &st) == 0;
  if (known) RefuseSpecialFile(path_, st, access);
  // A pipe the caller takes is opened as pipes are, waiting for its writer: opened without
  // waiting, a read before the writer came would see the end at once.
  const int wait = known && S_ISFIFO(st.st_mode) ? 0 : O_NONBLOCK;
  const int flags = access == kWrite       ? (O_WRONLY | O_CREAT | O_TRUNC)
                    : access == kReadWrite ? (O_RDWR | O_CREAT | O_TRUNC)
                                           : O_RDONLY;
  fd_.Reset(::open(path_.c_str(), flags | O_CLOEXEC | wait, 0644));
  if (!fd_.IsOpen()) throw EEngineError(FileErrorText(path_, AVERROR(errno)));
  // What was opened is what counts: the name may have changed hands since the check.
  if (::fstat(fd_.Get(), &st) != 0) throw EEngineError(FileErrorText(path_, AVERROR(errno)));
  RefuseSpecialFile(path_, st, access);
  const int status = ::fcntl(fd_.Get(), F_GETFL);
  if (status < 0 || ::fcntl(fd_.Get(), F_SETFL, status & ~O_NONBLOCK) < 0)
    throw EEngineError(FileErrorText(path_, AVERROR(errno)));
  MakeContext(access == kWrite || access == kReadWrite);
}

std::unique_ptr<TUnicodeFile> TUnicodeFile::ForDescriptor(const std::string& path, int fd) {
  return std::unique_ptr<TUnicodeFile>(new TUnicodeFile(path, kWrite, TPathTag{}, fd));
}

void TUnicodeFile::MakeContext(bool write) {
  TAvMemoryPtr<unsigned char> buffer(static_cast<unsigned char*>(api().av_malloc(kIOBufferSize)));
  if (!buffer) throw std::bad_alloc();
  AVIOContext* io =
      api().avio_alloc_context(buffer.get(), kIOBufferSize, write ? 1 : 0, this,
                               &TUnicodeFile::Read, &TUnicodeFile::Write, &TUnicodeFile::Seek);
  if (!io) throw std::bad_alloc();
  static_cast<void>(buffer.release());  // the context owns it now
  // Muxers mark a flush point after every packet; without a minimum each mark is a write of
  // one packet, a system call per picture.
  io->min_packet_size = kIOBufferSize;
  io_.reset(io);
}

TUnicodeFile::~TUnicodeFile() {
  if (io_ && io_->write_flag) api().avio_flush(io_.get());
  if (borrowed_) static_cast<void>(fd_.Release());
}

int TUnicodeFile::Read(void* opaque, uint8_t* buffer, int size) {
  const auto* file = static_cast<TUnicodeFile*>(opaque);
  if (Interrupted(file->interrupt_)) return AVERROR_EXIT;
  const ssize_t n = ::read(file->fd_.Get(), buffer, size);
  if (n < 0) return AVERROR(errno);
  return n == 0 ? AVERROR_EOF : static_cast<int>(n);
}

int TUnicodeFile::Write(void* opaque, uint8_t* buffer, int size) {
  const int fd = static_cast<TUnicodeFile*>(opaque)->fd_.Get();
  int written = 0;
  while (written < size) {
    const ssize_t n = ::write(fd, buffer + written, size - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return AVERROR(errno);
    }
    written += static_cast<int>(n);
  }
  return written;
}

int64_t TUnicodeFile::Seek(void* opaque, int64_t offset, int whence) {
  const int fd = static_cast<TUnicodeFile*>(opaque)->fd_.Get();
  if (whence & kSeekSize) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return -1;
    if (S_ISREG(st.st_mode)) return static_cast<int64_t>(st.st_size);
    // A block device tells its size only by seeking to its end.
    const off_t here = ::lseek(fd, 0, SEEK_CUR);
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (here < 0 || end < 0 || ::lseek(fd, here, SEEK_SET) < 0) return -1;
    return static_cast<int64_t>(end);
  }
  const off_t position = ::lseek(fd, offset, whence & ~AVSEEK_FORCE);
  return position < 0 ? -1 : static_cast<int64_t>(position);
}

}  // namespace qarvo
