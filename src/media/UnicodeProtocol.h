// File names handed to the container library, and the "unicode" I/O layer for names that the
// locale's character set cannot carry.
//
// A name that survives a round trip through the locale's charset (or that starts with a known
// protocol prefix) is passed as locale text; any other becomes "unicode:utf8:" + its UTF-8
// text and is opened by this layer through a custom I/O context.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "media/LibraryObjects.h"
#include "media/TFileDescriptor.h"

namespace qarvo {

constexpr size_t kMaxLibraryNameBytes = 2047;
inline constexpr char kUnicodePrefix[] = "unicode:utf8:";

// Throws EEngineError when the converted name exceeds kMaxLibraryNameBytes.
std::string WideToLibraryName(const std::wstring& name);
// The reverse, for messages and deleting files; a file-protocol name gives its path's bytes.
std::wstring LibraryNameToWide(const std::string& name);
std::string LibraryNameToUtf8(const std::string& name);
bool IsUnicodeLibraryName(const std::string& name);
// The name of a local file for the library's own file protocol, whatever the name's bytes
// (none of them chooses a protocol). Throws EEngineError when it exceeds kMaxLibraryNameBytes.
std::string FileLibraryName(const std::string& path);

std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);

// Registers the protocol once per process; true when this call registered it.
bool RegisterUnicodeProtocol();
bool UnicodeProtocolRegistered();

// An open file with the custom I/O context on it. Read access opens an existing file; write or
// read-write access creates it, replacing an existing one.
class TUnicodeFile {
 public:
  // kReadPipe reads like kRead and also takes a named pipe.
  enum TAccess { kRead = 0, kWrite = 1, kReadWrite = 2, kReadPipe = 3 };
  // Throws EEngineError with the system's reason when the file cannot be opened.
  TUnicodeFile(const std::string& libraryName, TAccess access);
  // Opens the file system's own name, whatever its bytes, with no protocol in between. Only a
  // regular file is opened, or for reading a block device, for writing a character device
  // (/dev/null): a pipe, socket or folder is refused before anything could block on it. Throws
  // EEngineError naming the file, in the library's words for the system's reasons.
  static std::unique_ptr<TUnicodeFile> ForPath(const std::string& path, TAccess access);
  // Writes through a descriptor the caller holds open (a part file's) for longer than this
  // file, and closes; `path` names it in messages.
  static std::unique_ptr<TUnicodeFile> ForDescriptor(const std::string& path, int fd);
  ~TUnicodeFile();
  TUnicodeFile(const TUnicodeFile&) = delete;
  TUnicodeFile& operator=(const TUnicodeFile&) = delete;

  AVIOContext* Context() const { return io_.get(); }
  const std::string& Path() const { return path_; }
  // Checked before every read: a set interrupt ends the read with AVERROR_EXIT instead of
  // going to a slow medium again. The callback's data must outlive the file.
  void SetInterrupt(const AVIOInterruptCB& interrupt) { interrupt_ = interrupt; }

 private:
  struct TPathTag {};
  TUnicodeFile(std::string path, TAccess access, TPathTag);
  TUnicodeFile(std::string path, TAccess access, TPathTag, int borrowedFd);
  void Open(TAccess access);
  void MakeContext(bool write);

  static int Read(void* opaque, uint8_t* buffer, int size);
  static int Write(void* opaque, uint8_t* buffer, int size);
  static int64_t Seek(void* opaque, int64_t offset, int whence);

  std::string path_;
  AVIOInterruptCB interrupt_{};
  TFileDescriptor fd_;     // declared before io_: the I/O context is flushed and freed first
  bool borrowed_ = false;  // fd_ is the caller's: given back, not closed
  TIOContextPtr io_;
};

}  // namespace qarvo
