#include "core/FormatList.h"

#include <algorithm>
#include <cctype>

#include "core/FormatCatalogue.h"
#include "core/SettingsKeys.h"

namespace qarvo {
namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

TFormatRow FormatRow(const std::string& name, int code) {
  return {name, TItemInfo{1, 0, false, code}};
}

}  // namespace

std::string TFormatList::BuildFormatList(const TIniFile& settings) {
  const TIniSnapshot snapshot = settings.Snapshot();
  generalNames_.clear();
  threeGpNames_.clear();
  rows_.clear();
  selected_.reset();
  for (const TCatalogueTable* table : CatalogueTables()) {
    auto& store = table == &ThreeGpCatalogue() ? threeGpNames_ : generalNames_;
    for (const TCatalogueCategory& category : table->Categories) {
      const bool collapsed =
          snapshot.ReadBool(settings::kCatalogueSection, std::to_string(category.Number),
                            settings::kCategoryCollapsedDefault);
      rows_.push_back({category.Name, TItemInfo{0, 1, collapsed, category.Number}});
      store[category.Number] = category.Formats;
      if (!collapsed) AppendFormats(category.Number);
    }
  }
  std::string field = snapshot.ReadString(settings::kSection, settings::kFormatName,
                                          settings::kFormatNameCatalogueDefault);
  const auto code =
      snapshot.ValueExists(settings::kSection, settings::kFormatCode)
          ? ParseIniInteger(snapshot.ReadString(settings::kSection, settings::kFormatCode, ""))
          : std::nullopt;
  if (code) {
    SelectByCode(*code);
  } else {
    SelectByText(field);
  }
  return field;
}

void TFormatList::AppendFormats(int number) {
  const auto& names = FormatNames(number);
  for (size_t slot = 0; slot < names.size(); ++slot)
    if (!names[slot].empty())
      rows_.push_back(FormatRow(names[slot], FormatCode(number, static_cast<int>(slot))));
}

const std::vector<std::string>& TFormatList::FormatNames(int number) const {
  static const std::vector<std::string> none;
  // 3GP numbers are 0..7, the general table's 8..27 and 100..107, the current table's from 28
  // on (kept with the general ones): one store answers.
  for (const auto* store : {&threeGpNames_, &generalNames_}) {
    const auto found = store->find(number);
    if (found != store->end()) return found->second;
  }
  return none;
}

void TFormatList::SaveFormatListState(TIniFile& settings) const {
  TIniValues values;
  for (const TFormatRow& row : rows_)
    if (row.Info.IsCategory)
      values.emplace_back(std::to_string(row.Info.Code), row.Info.Collapsed ? "1" : "0");
  if (!values.empty()) settings.WriteValues(settings::kCatalogueSection, values);
}

void TFormatList::SetSelectedRow(std::optional<int> row) {
  if (row && (*row < 0 || *row >= static_cast<int>(rows_.size()))) row.reset();
  selected_ = row;
}

void TFormatList::SelectByText(const std::string& text) {
  selected_.reset();
  const std::string wanted = Trimmed(text);
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (SameTextIgnoringCase(rows_[i].Text, wanted)) {
      selected_ = static_cast<int>(i);
      return;
    }
  }
}

void TFormatList::SelectByCode(int code) {
  selected_.reset();
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].Info.IsFormat && rows_[i].Info.Code == code) {
      selected_ = static_cast<int>(i);
      return;
    }
  }
}

void TFormatList::ToggleCategory(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size()) || !rows_[row].Info.IsCategory) return;
  TItemInfo& info = rows_[row].Info;
  const auto& names = FormatNames(info.Code);
  const int number = info.Code;
  if (info.Collapsed) {
    std::vector<TFormatRow> inserted;
    for (size_t slot = 0; slot < names.size(); ++slot)
      if (!names[slot].empty())
        inserted.push_back(FormatRow(names[slot], FormatCode(number, static_cast<int>(slot))));
    rows_[row].Info.Collapsed = false;
    rows_.insert(rows_.begin() + row + 1, inserted.begin(), inserted.end());
    if (selected_ && *selected_ > row) *selected_ += static_cast<int>(inserted.size());
  } else {
    auto first = rows_.begin() + row + 1;
    auto last =
        std::find_if(first, rows_.end(), [](const TFormatRow& r) { return !r.Info.IsFormat; });
    const int removed = static_cast<int>(last - first);
    rows_.erase(first, last);
    rows_[row].Info.Collapsed = true;
    if (selected_ && *selected_ > row) {
      if (*selected_ <= row + removed)
        selected_.reset();
      else
        *selected_ -= removed;
    }
  }
}

std::optional<TFormatList::TChoice> TFormatList::PressRow(int row, int x, TIniFile& settings) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return std::nullopt;
  if (rows_[row].Info.IsCategory) {
    if (x < kCategoryGlyphWidth) ToggleCategory(row);
    return std::nullopt;
  }
  return SelectFormat(row, settings);
}

std::optional<TFormatList::TChoice> TFormatList::SelectFormat(int row, TIniFile& settings) {
  if (row < 0 || row >= static_cast<int>(rows_.size()) || !rows_[row].Info.IsFormat)
    return std::nullopt;
  const TChoice choice{rows_[row].Info.Code, rows_[row].Text};
  settings.WriteValues(settings::kSection, {{settings::kFormatName, choice.Name},
                                            {settings::kFormatCode, std::to_string(choice.Code)}});
  selected_ = row;
  return choice;
}

}  // namespace qarvo
