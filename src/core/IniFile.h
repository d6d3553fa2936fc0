// INI file accessed by name: every read and every write opens and closes the file.
//
// Nothing is cached between operations, so the last write wins and every read sees it.
// A write re-reads the file, changes its keys and replaces the file atomically (temporary
// file in the same folder, flushed to disk, renamed over), so a failed write leaves the
// previous file as it was. Only the written keys' lines change; every other byte of the
// file stays as it was. A file without write permission is not replaced.
//
// Programs writing at the same time keep each other's keys: the read-change-replace holds
// an advisory lock on the companion file ".<name>.lock" beside the file. A write also
// removes temporary files ".<name>.<pid>.<n>.tmp" that a killed writer left behind.
#pragma once

#include <functional>
#include <string>

#include "core/IniSnapshot.h"

namespace qarvo {

class TIniFile {
 public:
  explicit TIniFile(std::string fileName);

  const std::string& FileName() const { return fileName_; }

  // Why the file is not read, in plain words: it is not a regular file (a device, a pipe, a
  // folder) or too large, which reads as an empty file and refuses writes. Empty when the
  // file is fine or missing.
  std::string Problem() const;

  // Loads the file once for many reads.
  TIniSnapshot Snapshot() const;

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
  bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;
  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  std::vector<std::string> ReadSections() const;
  std::vector<std::string> ReadSectionKeys(const std::string& section) const;
  TIniValues ReadSection(const std::string& section) const;

  // Each write creates the file and the section as needed and throws ESettingsError
  // "Unable to write to <file>" when the file system refuses it. Line breaks inside a
  // value become blanks: the file holds one key per line.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  // Several keys of one section in one replacement of the file.
  void WriteValues(const std::string& section, const TIniValues& values);

  // With a handler a refused write does not throw: the handler gets the message and the
  // caller goes on without the value kept (a conversion must not stop for a setting).
  using TWriteFailure = std::function<void(const std::string& message)>;
  void SetWriteFailureHandler(TWriteFailure handler) { writeFailure_ = std::move(handler); }

 private:
  void Write(const std::string& section, const TIniValues& values);

  std::string fileName_;
  TWriteFailure writeFailure_;
};

}  // namespace qarvo
