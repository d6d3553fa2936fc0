// Read-only view of an INI file loaded once.
//
// Readers that need many keys of one file (a format section has some thirty) load a
// snapshot instead of reopening the file per key. The reading rules are those of
// TIniDocument: names compare without regard to letter case, the first of duplicate keys
// wins. Values are the text after the first "=", trimmed of surrounding blanks; inner text
// (blanks, quotes, ";") is kept as written.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qarvo {

using TIniValues = std::vector<std::pair<std::string, std::string>>;

// Integer value of an INI text: optional blanks, an optional sign and decimal digits, then
// optional blanks, nothing else. "12abc", "", "0x10" and values outside int are not numbers.
std::optional<int> ParseIniInteger(std::string_view text);

class TIniSnapshot {
 public:
  TIniSnapshot();
  // A missing or unreadable file gives an empty snapshot, so every read gives its default.
  explicit TIniSnapshot(const std::string& fileName);
  static TIniSnapshot FromText(std::string_view text);
  ~TIniSnapshot();
  TIniSnapshot(TIniSnapshot&&) noexcept;
  TIniSnapshot& operator=(TIniSnapshot&&) noexcept;
  TIniSnapshot(const TIniSnapshot&) = delete;
  TIniSnapshot& operator=(const TIniSnapshot&) = delete;

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  // A value that is not a number gives the default.
  int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
  // Any number other than 0 is true; a value that is not a number gives the default.
  bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  // Names and pairs in file order.
  std::vector<std::string> ReadSections() const;
  std::vector<std::string> ReadSectionKeys(const std::string& section) const;
  TIniValues ReadSection(const std::string& section) const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

}  // namespace qarvo
