// The text of an INI file as lines, read and edited in place.
//
// Reading: section and key names compare without regard to letter case; a section that
// appears more than once reads as one; of keys that appear more than once the first wins.
// A line "[name]" opens a section, "key=value" is an entry (both trimmed of surrounding
// blanks), lines starting with ";" or "#" are comments, anything else is ignored. A UTF-8
// byte-order mark at the start is not part of the first line.
//
// Editing changes only the line of the entry that reads, or adds one line (and a section
// line when the section is new); every other byte stays as it was.
//
// Only a regular file of at most kMaxFileSize bytes is read: a settings path naming a
// device, a pipe or a runaway file must neither hang the program nor fill its memory.
// Looking up a section or a key takes constant time, so a section of 100,000 keys lists
// in linear time.
#pragma once

#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qarvo {

class TIniDocument {
 public:
  struct TEntry {
    std::string Key;    // as first spelled
    std::string Value;  // of the first occurrence
  };

  static constexpr size_t kMaxFileSize = 4 * 1024 * 1024;
  // Load's errors for a file that is there but refused.
  static constexpr int kNotRegularFile = EINVAL;
  static constexpr int kTooLarge = EFBIG;

  TIniDocument() = default;
  explicit TIniDocument(std::string text);

  // Reads the whole file; returns 0 or the errno of the failure (the document is then empty):
  // ENOENT for a missing file, kNotRegularFile or kTooLarge for one that is refused.
  int Load(const std::string& fileName);
  // Why Load refused the file, in plain words ("" for success and for a missing file).
  static std::string LoadErrorText(const std::string& fileName, int error);

  const std::string& Text() const { return text_; }

  // nullptr when the section or key is missing.
  const std::string* Find(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  // Names as first spelled, in order of first appearance.
  std::vector<std::string> Sections() const;
  // Entries of all occurrences of the section, in file order, one per key.
  std::vector<TEntry> Entries(std::string_view section) const;

  void SetValue(const std::string& section, const std::string& key, const std::string& value);

 private:
  struct TLine {
    size_t Begin = 0, End = 0;  // the line's bytes in text_, terminator included
    size_t ValueBegin = 0;      // entries: where the value's text starts
    int Section = -1;           // index into sections_; -1 before the first section line
    bool Header = false;
    std::string Key;  // entries only
    std::string Value;
  };
  struct TSection {
    std::string Name;
    std::vector<size_t> Lines;  // header and entry lines, in file order
    // Key folded to lower case -> index into lines_ of its first entry.
    std::unordered_map<std::string, size_t> FirstEntries;
  };

  void Index();
  int SectionIndex(std::string_view name) const;
  const TLine* FirstEntry(int section, std::string_view key) const;
  void InsertAfter(size_t lineIndex, const std::string& newLines);

  std::string text_;
  std::vector<TLine> lines_;
  std::vector<TSection> sections_;  // sections_[0] holds entries before any section line
  std::unordered_map<std::string, int> sectionIndex_;  // name folded to lower case -> index
};

}  // namespace qarvo
