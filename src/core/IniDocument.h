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
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qarvo {

class TIniDocument {
 public:
  struct TEntry {
    std::string Key;    // as first spelled
    std::string Value;  // of the first occurrence
  };

  TIniDocument() = default;
  explicit TIniDocument(std::string text);

  // Reads the whole file; returns 0 or the errno of the failure (the document is then empty).
  int Load(const std::string& fileName);

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
  };

  void Index();
  int SectionIndex(std::string_view name) const;
  const TLine* FirstEntry(int section, std::string_view key) const;
  void InsertAfter(size_t lineIndex, const std::string& newLines);

  std::string text_;
  std::vector<TLine> lines_;
  std::vector<TSection> sections_;  // sections_[0] holds entries before any section line
};

}  // namespace qarvo
