// INI round trip through the file writer. Input: a section name line, a key line, a value
// line, then the file's text. The file is written with that key set and read again: the key
// reads back as written, every other key of the file reads as before.
#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/IniFile.h"
#include "core/IniSnapshot.h"

namespace {

using namespace qarvo;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (::tolower(static_cast<unsigned char>(a[i])) != ::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// A name a caller can write and read back: one line, no blanks at its ends, nothing the
// reader takes for a section line, a comment or the separator.
bool Writable(const std::string& name, bool section) {
  if (name.find_first_of(section ? "\r\n]" : "\r\n=") != std::string::npos) return false;
  if (Trimmed(name) != name) return false;
  // A byte-order mark opening the file is no part of its first line.
  if (name.compare(0, 3, "\xEF\xBB\xBF") == 0) return false;
  if (section) return true;
  return !name.empty() && name[0] != '[' && name[0] != ';' && name[0] != '#';
}

std::string NextLine(std::string_view& text) {
  const size_t newline = text.find('\n');
  const std::string line(text.substr(0, newline));
  text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
  return line;
}

[[noreturn]] void Fault(const char* what, const std::string& section, const std::string& key,
                        const std::string& expected, const std::string& found) {
  std::fprintf(stderr, "%s: [%s] %s: expected \"%s\", found \"%s\"\n", what, section.c_str(),
               key.c_str(), expected.c_str(), found.c_str());
  std::abort();
}

// A folder of its own in memory where there is one: every input is a write with fsync.
class TScratch {
 public:
  TScratch() {
    const char* shm = "/dev/shm";
    path_ =
        std::string(std::filesystem::is_directory(shm) ? shm : "/tmp") + "/qarvo-fuzz-ini-XXXXXX";
    if (!::mkdtemp(path_.data())) std::abort();
  }
  ~TScratch() { std::filesystem::remove_all(path_); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

const std::string& Folder() {
  static const TScratch folder;
  return folder.Path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string section = NextLine(input);
  const std::string key = NextLine(input);
  std::string value = NextLine(input);
  if (!Writable(section, true) || !Writable(key, false)) return -1;

  const std::string file = Folder() + "/settings.ini";
  std::ofstream(file, std::ios::binary | std::ios::trunc) << input;
  const TIniSnapshot before = TIniSnapshot::FromText(input);
  TIniFile(file).WriteString(section, key, value);
  const TIniSnapshot after(file);

  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  const std::string missing = "\x01missing";
  const std::string written = after.ReadString(section, key, missing);
  if (written != Trimmed(value)) Fault("written key", section, key, Trimmed(value), written);
  for (const std::string& name : before.ReadSections()) {
    for (const auto& [k, v] : before.ReadSection(name)) {
      if (SameName(name, section) && SameName(k, key)) continue;
      const std::string now = after.ReadString(name, k, missing);
      if (now != v) Fault("other key", name, k, v, now);
    }
  }
  return 0;
}
