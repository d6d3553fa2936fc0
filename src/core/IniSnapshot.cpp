#include "core/IniSnapshot.h"

#include <charconv>

#include "core/IniDocument.h"

namespace qarvo {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

std::optional<int> ParseIniInteger(std::string_view text) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);  // from_chars takes "-" but not "+"
    if (!text.empty() && text.front() == '-') {
      return std::nullopt;
    }
  }
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [last, error] = std::from_chars(text.data(), end, value, 10);
  if (text.empty() || error != std::errc() || last != end) {
    return std::nullopt;
  }
  return value;
}

struct TIniSnapshot::TImpl {
  TIniDocument Document;
};

TIniSnapshot::TIniSnapshot() : impl_(std::make_unique<TImpl>()) {}

TIniSnapshot::TIniSnapshot(const std::string& fileName) : impl_(std::make_unique<TImpl>()) {
  impl_->Document.Load(fileName);
}

TIniSnapshot TIniSnapshot::FromText(std::string_view text) {
  TIniSnapshot snapshot;
  snapshot.impl_->Document = TIniDocument(std::string(text));
  return snapshot;
}

TIniSnapshot::~TIniSnapshot() = default;
TIniSnapshot::TIniSnapshot(TIniSnapshot&&) noexcept = default;
TIniSnapshot& TIniSnapshot::operator=(TIniSnapshot&&) noexcept = default;

std::string TIniSnapshot::ReadString(const std::string& section, const std::string& key,
                                     const std::string& defaultValue) const {
  const std::string* value = impl_->Document.Find(section, key);
  return value ? *value : defaultValue;
}

int TIniSnapshot::ReadInteger(const std::string& section, const std::string& key,
                              int defaultValue) const {
  const std::string* value = impl_->Document.Find(section, key);
  if (!value) {
    return defaultValue;
  }
  return ParseIniInteger(*value).value_or(defaultValue);
}

bool TIniSnapshot::ReadBool(const std::string& section, const std::string& key,
                            bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TIniSnapshot::SectionExists(const std::string& section) const {
  return impl_->Document.HasSection(section);
}

bool TIniSnapshot::ValueExists(const std::string& section, const std::string& key) const {
  return impl_->Document.Find(section, key) != nullptr;
}

std::vector<std::string> TIniSnapshot::ReadSections() const { return impl_->Document.Sections(); }

std::vector<std::string> TIniSnapshot::ReadSectionKeys(const std::string& section) const {
  std::vector<std::string> result;
  for (const auto& [key, value] : ReadSection(section)) {
    result.push_back(key);
  }
  return result;
}

TIniValues TIniSnapshot::ReadSection(const std::string& section) const {
  TIniValues result;
  for (auto& entry : impl_->Document.Entries(section)) {
    result.emplace_back(std::move(entry.Key), std::move(entry.Value));
  }
  return result;
}

}  // namespace qarvo
