// The format selector's list without its drawing: category and format rows, the
// format-name store used for expanding, the collapse state in "lstformat", selection.
//
// The GUI's list widget mirrors Rows(); every change is made here first.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/IniFile.h"
#include "core/TItemInfo.h"

namespace qarvo {

struct TFormatRow {
  std::string Text;
  TItemInfo Info;
};

class TFormatList {
 public:
  // Fills the list from both catalogue tables with the collapse state of `settings` and
  // selects the current format's row: by "FormatCode", since the two tables share display
  // names; only without a stored code by "FormatName". Returns the field text ("FormatName").
  std::string BuildFormatList(const TIniFile& settings);
  // Writes every category row's Collapsed flag to "lstformat".
  void SaveFormatListState(TIniFile& settings) const;

  const std::vector<TFormatRow>& Rows() const { return rows_; }
  std::optional<int> SelectedRow() const { return selected_; }
  void SetSelectedRow(std::optional<int> row);
  // Selects the row whose text equals the trimmed text, ignoring case; none when no match.
  void SelectByText(const std::string& text);
  // Selects the format row of `code`; none when that format's row is not shown.
  void SelectByCode(int code);

  // Expands a collapsed category row or collapses an expanded one; other rows: nothing.
  void ToggleCategory(int row);
  // A press on a row at x (pixels from the row's left edge): left of 20 on a category
  // toggles it; anywhere on a format row selects the format, writing "FormatName" and
  // "FormatCode". Returns the chosen format when one was selected.
  struct TChoice {
    int Code;
    std::string Name;
  };
  std::optional<TChoice> PressRow(int row, int x, TIniFile& settings);
  // Writes the format of a format row as the current format.
  std::optional<TChoice> SelectFormat(int row, TIniFile& settings);

  // Display names of the formats of category `number` by slot (the store used for expanding).
  const std::vector<std::string>& FormatNames(int number) const;

 private:
  void AppendFormats(int number);

  std::vector<TFormatRow> rows_;
  std::optional<int> selected_;
  // One store per table: general and 3GP names never share an entry.
  std::map<int, std::vector<std::string>> generalNames_;
  std::map<int, std::vector<std::string>> threeGpNames_;
};

// Width of the glyph area of a category row: a press left of it toggles the category.
inline constexpr int kCategoryGlyphWidth = 20;

}  // namespace qarvo
