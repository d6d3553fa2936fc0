#include <gtest/gtest.h>

#include <set>

#include "core/FormatCatalogue.h"

namespace qarvo {
namespace {

TEST(FormatCatalogue, TablesHoldEveryFormatUnderADistinctCode) {
  EXPECT_EQ(GeneralCatalogue().Categories.size(), 28u);
  EXPECT_EQ(ThreeGpCatalogue().Categories.size(), 8u);
  EXPECT_EQ(CurrentCatalogue().Categories.size(), 6u);
  const auto formats = AllCatalogueFormats();
  ASSERT_EQ(formats.size(), 121u + 39u + 40u);
  std::set<int> codes;
  for (const auto& f : formats) EXPECT_TRUE(codes.insert(f.Code).second) << f.Code;
  for (const TCatalogueTable* table : CatalogueTables())
    for (const auto& category : table->Categories) EXPECT_LE(category.Formats.size(), 10u);
}

TEST(FormatCatalogue, ThreeGpKeepsItsCodesAndTheGeneralTableMovesOnlyCollidingOnes) {
  EXPECT_EQ(CatalogueFormatName(706), "AC-3 Audio Codec (*.ac3)");
  EXPECT_EQ(CatalogueFormatName(2706), "AC-3 Audio Codec (*.ac3)");
  EXPECT_EQ(CatalogueFormatName(0), "iPhone MPEG-4 Extra Video (*.mp4)");
  EXPECT_EQ(CatalogueFormatName(1), "iPhone MPEG-4 Wide Screen (*.mp4)");
  EXPECT_EQ(CatalogueFormatName(205), "Nokia N Series MPEG-4 Video(*.mp4)");
  EXPECT_EQ(CatalogueFormatName(507), "General Pocket PC Video (*.wmv)");
  EXPECT_EQ(CatalogueFormatName(10000), "iPod Video MPEG-4 (*.mp4)");
  EXPECT_EQ(CatalogueFormatName(10702), "Sony Walkman WMV Video (*.wmv)");
  EXPECT_EQ(CatalogueFormatName(800), "Archos H.264 Video (*.mp4)");
  EXPECT_EQ(CatalogueFormatName(1006), "iRiver B20/X20/Clix 2/E100/Lplayer Video (*.avi)");
  EXPECT_EQ(CatalogueFormatName(2200), "DVD - NTSC MPEG-2 Moive (*.mpg)");
  EXPECT_FALSE(CatalogueFormatName(708));
  EXPECT_FALSE(CatalogueFormatName(-1));
  EXPECT_FALSE(CatalogueFormatName(10800));
}

TEST(FormatCatalogue, CurrentFormatsFollowTheOldOnesUnderCodesOfTheirOwn) {
  const auto formats = AllCatalogueFormats();
  // The 160 older formats keep their places at the head of the list.
  EXPECT_EQ(formats[159].Code, 706);
  EXPECT_EQ(formats[160].Code, 2800);
  EXPECT_EQ(CatalogueFormatName(2800), "H.264 MP4, same size as the source");
  EXPECT_EQ(CatalogueFormatName(3002), "iPhone & iPad (H.264, MP4)");
  EXPECT_EQ(CatalogueFormatName(3203), "Fit into 25 MB (MP4)");
  EXPECT_EQ(CatalogueFormatName(3306), "Keep the sound as it is (*.mka)");
  EXPECT_FALSE(CatalogueFormatName(3307));
  int previous = 27;
  for (const auto& category : CurrentCatalogue().Categories) {
    EXPECT_EQ(category.Number, previous + 1) << category.Name;
    previous = category.Number;
  }
}

TEST(FormatCatalogue, ThreeGpCategoriesRepeatTheGeneralOnesOfTheSameName) {
  for (const auto& category : ThreeGpCatalogue().Categories) {
    bool found = false;
    for (const auto& general : GeneralCatalogue().Categories)
      if (general.Name == category.Name) {
        EXPECT_EQ(general.Formats, category.Formats) << category.Name;
        found = true;
      }
    EXPECT_TRUE(found) << category.Name;
  }
}

}  // namespace
}  // namespace qarvo
