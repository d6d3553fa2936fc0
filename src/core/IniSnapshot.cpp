#include "core/IniSnapshot.h"

#include <charconv>

#include "core/SimpleIniAdapter.h"

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
  ini_detail::TSimpleIni Ini;
};

TIniSnapshot::TIniSnapshot() : impl_(std::make_unique<TImpl>()) {
  ini_detail::ParseText(impl_->Ini, {});
}

TIniSnapshot::TIniSnapshot(const std::string& fileName) : impl_(std::make_unique<TImpl>()) {
  std::string text;
  if (ini_detail::ReadFileText(fileName, text) != 0) {
    text.clear();
  }
  ini_detail::ParseText(impl_->Ini, text);
}

TIniSnapshot TIniSnapshot::FromText(std::string_view text) {
  TIniSnapshot snapshot;
  ini_detail::ParseText(snapshot.impl_->Ini, text);
  return snapshot;
}

TIniSnapshot::~TIniSnapshot() = default;
TIniSnapshot::TIniSnapshot(TIniSnapshot&&) noexcept = default;
TIniSnapshot& TIniSnapshot::operator=(TIniSnapshot&&) noexcept = default;

std::string TIniSnapshot::ReadString(const std::string& section, const std::string& key,
                                     const std::string& defaultValue) const {
  const char* value = impl_->Ini.GetValue(section.c_str(), key.c_str(), nullptr);
  return value ? std::string(value) : defaultValue;
}

int TIniSnapshot::ReadInteger(const std::string& section, const std::string& key,
                              int defaultValue) const {
  const char* value = impl_->Ini.GetValue(section.c_str(), key.c_str(), nullptr);
  if (!value) {
    return defaultValue;
  }
  return ParseIniInteger(value).value_or(defaultValue);
}

bool TIniSnapshot::ReadBool(const std::string& section, const std::string& key,
                            bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TIniSnapshot::SectionExists(const std::string& section) const {
  return impl_->Ini.GetSection(section.c_str()) != nullptr;
}

bool TIniSnapshot::ValueExists(const std::string& section, const std::string& key) const {
  return impl_->Ini.GetValue(section.c_str(), key.c_str(), nullptr) != nullptr;
}

std::vector<std::string> TIniSnapshot::ReadSections() const {
  ini_detail::TSimpleIni::TNamesDepend names;
  impl_->Ini.GetAllSections(names);
  names.sort(ini_detail::TSimpleIni::Entry::LoadOrder());
  std::vector<std::string> result;
  for (const auto& name : names) {
    result.emplace_back(name.pItem);
  }
  return result;
}

std::vector<std::string> TIniSnapshot::ReadSectionKeys(const std::string& section) const {
  std::vector<std::string> result;
  for (const auto& [key, value] : ReadSection(section)) {
    result.push_back(key);
  }
  return result;
}

TIniValues TIniSnapshot::ReadSection(const std::string& section) const {
  TIniValues result;
  const auto* entries = impl_->Ini.GetSection(section.c_str());
  if (!entries) {
    return result;
  }
  ini_detail::TSimpleIni::TNamesDepend keys;
  for (const auto& [key, value] : *entries) {
    keys.push_back(key);
  }
  keys.sort(ini_detail::TSimpleIni::Entry::LoadOrder());
  for (const auto& key : keys) {
    result.emplace_back(key.pItem, entries->find(key)->second);
  }
  return result;
}

}  // namespace qarvo
