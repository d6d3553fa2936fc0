// The fixed catalogue of output formats: two tables of categories, each holding up to ten
// formats, every format named by a display name and a numeric code.
//
// Codes. A format's code is category number x 100 + slot; it names the "formatInfo" section
// of the format in the definition file and in the settings file, and the category number is
// the "lstformat" key of the category's collapse flag. Both tables number their categories
// from 0, so the 3GP table (the configuration in force) and the general table's first eight
// categories would share the numbers 0..7 and the codes 0..706. The 3GP table keeps its
// numbers: stored "FormatCode" values and existing definition sections refer to them. The
// general table's categories 0..7 are numbered 100..107 instead (codes 10000 + the given
// code, keys "100".."107"), its categories 8..27 keep theirs (codes 800..2706). With that,
// code / 100 is always the category number and code % 100 the slot, in both tables.
//
// The third table holds the formats for today's players, phones, the web and chat apps: its
// categories are numbered on from the general table's last one (28, 29, ...), so its codes
// (2800 on) meet no other table's. It comes last in the list.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qarvo {

struct TCatalogueCategory {
  int Number;  // category number: row code and "lstformat" key
  std::string Name;
  std::vector<std::string> Formats;  // display names by slot
};

struct TCatalogueTable {
  std::string Name;  // "general", "3gp" or "current"
  std::vector<TCatalogueCategory> Categories;
};

struct TCatalogueFormat {
  int Code;
  std::string Name;
};

// Offset of the general table's category numbers that would collide with the 3GP table.
inline constexpr int kGeneralCollisionCategoryOffset = 100;
inline constexpr int kCategoryCodeFactor = 100;

const TCatalogueTable& GeneralCatalogue();
const TCatalogueTable& ThreeGpCatalogue();
const TCatalogueTable& CurrentCatalogue();
// Every table in build order: general, 3GP, then the current formats.
const std::vector<const TCatalogueTable*>& CatalogueTables();

int FormatCode(int categoryNumber, int slot);
// Every format of every table, in list order.
std::vector<TCatalogueFormat> AllCatalogueFormats();
// Display name of a code, if the code names a format.
std::optional<std::string> CatalogueFormatName(int code);
// The formats whose names hold `part` (ignoring case and surrounding blanks): a whole name
// names its formats alone; otherwise a part naming exactly one current format picks that
// one ("iphone"), else every format holding it is a candidate, in list order.
std::vector<TCatalogueFormat> FormatsNamedBy(const std::string& part);

}  // namespace qarvo
