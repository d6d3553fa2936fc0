#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>

#include "media/LibraryObjects.h"
#include "probe/FileInfoText.h"
#include "probe/ProbeText.h"

#include "support/TestMediaError.h"

namespace qarvo {
namespace {

TEST(ProbeText, FileSizeSwitchesUnitAboveEachPowerOf1024) {
  EXPECT_EQ(FileSizeText(0), "0 Byte");
  EXPECT_EQ(FileSizeText(1024), "1024 Byte");
  EXPECT_EQ(FileSizeText(1025), "1.00 KiB");
  EXPECT_EQ(FileSizeText(1048576), "1024.00 KiB");
  EXPECT_EQ(FileSizeText(1048577), "1.00 MiB");
  EXPECT_EQ(FileSizeText(1073741824), "1024.00 MiB");
  EXPECT_EQ(FileSizeText(1073741825), "1.00 GiB");
  EXPECT_EQ(FileSizeText(5LL << 40), "5120.00 GiB");
}

TEST(ProbeText, TimesTruncateToMillisecondsAndKeepTheirSign) {
  EXPECT_EQ(TimeText(0), "00:00:00.000");
  EXPECT_EQ(TimeText(2037999), "00:00:02.037");
  EXPECT_EQ(TimeText(((25LL * 60 + 7) * 60 + 9) * 1000000 + 5000), "25:07:09.005");
  EXPECT_EQ(SecondsText(529978), "0.529978");
  EXPECT_EQ(SecondsText(12000001), "12.000001");
  EXPECT_EQ(SecondsText(-21333), "-0.021333");
}

TEST(ProbeText, RatesShowDecimalsOnlyWhenFractionalAndThousandsAsK) {
  EXPECT_EQ(RateText(25.0, "fps"), ", 25 fps");
  EXPECT_EQ(RateText(30000.0 / 1001, "fps"), ", 29.97 fps");
  EXPECT_EQ(RateText(90000.0, "tbn"), ", 90k tbn");
  EXPECT_EQ(RateText(1000.0, "tbn"), ", 1k tbn");
  EXPECT_EQ(RateText(12800.0, "tbn"), ", 12800 tbn");
  EXPECT_EQ(RateText(0.5, "fps"), ", 0.50 fps");
}

// Runs with the TZ variable set and restores the previous zone afterwards.
class ZoneScope {
 public:
  explicit ZoneScope(const char* zone) {
    if (const char* old = std::getenv("TZ")) previous_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ZoneScope() {
    if (previous_)
      setenv("TZ", previous_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> previous_;
};

TEST(ProbeText, TimeStampUsesStandardTimeAllYear) {
  ZoneScope zone("CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_EQ(LocalTimeStampText(1246449600), "2009-07-01 13:00:00") << "summer, no daylight hour";
  EXPECT_EQ(LocalTimeStampText(1230768000), "2009-01-01 01:00:00");
}

TEST(ProbeText, Id3FrameKeysShowUnderGenericNames) {
  EXPECT_EQ(MetadataKeyName("TIT2"), "title");
  EXPECT_EQ(MetadataKeyName("TT2"), "title");
  EXPECT_EQ(MetadataKeyName("TSOP"), "authorsort");
  EXPECT_EQ(MetadataKeyName("TYER"), "year");
  EXPECT_EQ(MetadataKeyName("encoder"), "encoder");
  EXPECT_EQ(MetadataKeyName("TXXX"), "TXXX");
}

TEST(ProbeText, MetadataBlockSkipsLanguageAndIsEmptyWithoutOtherEntries) {
  LoadMediaLibraries();
  TDictionary metadata;
  EXPECT_TRUE(MetadataLines(metadata.Raw(), "").empty());
  metadata.Set("language", "eng");
  EXPECT_TRUE(MetadataLines(metadata.Raw(), "  ").empty());
  metadata.Set("TALB", "Best of");
  metadata.Set("comment", "x");
  const std::vector<std::string> expected{"  Metadata:", "    album           : Best of",
                                          "    comment         : x"};
  EXPECT_EQ(MetadataLines(metadata.Raw(), "  "), expected);
}

}  // namespace
}  // namespace qarvo
