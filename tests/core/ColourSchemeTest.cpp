#include <gtest/gtest.h>

#include <vector>

#include "core/ColourScheme.h"

namespace qarvo {
namespace {

TEST(ColourScheme, SevenSchemesWithTheJobListRowColours) {
  const std::vector<std::pair<std::string, std::string>> expected{
      {"Default", "#E2E6F6"}, {"Gray", "#ECECEC"},  {"Orange", "#F8F2E0"},    {"Purple", "#F6E6F1"},
      {"Red", "#F7E1E1"},     {"Green", "#E2F7E1"}, {"Light blue", "#E1F0F7"}};
  for (int i = 0; i < kColourSchemeCount; ++i) {
    EXPECT_EQ(ColourScheme(i).Caption, expected[i].first);
    EXPECT_EQ(HexText(OddRowColour(i)), expected[i].second);
    EXPECT_EQ(ColourScheme(i).OddRow, OddRowColour(i));
  }
  // Outside the table: the default scheme on screen, the neutral odd-row colour in the list.
  for (int outside : {-1, 7, 9}) {
    EXPECT_STREQ(ColourScheme(outside).Caption, "Default");
    EXPECT_EQ(HexText(OddRowColour(outside)), "#EBEBEB");
  }
  EXPECT_EQ(HexText(FocusRowColours(true).Fill), "#B9CCEC");
  EXPECT_EQ(HexText(FocusRowColours(true).Frame), "#7AA0DA");
  EXPECT_EQ(HexText(FocusRowColours(false).Fill), "#E5ECF8");
  EXPECT_EQ(HexText(FocusRowColours(false).Frame), "#98B5E2");
}

TEST(ColourScheme, ContrastRatioFollowsTheLuminanceFormula) {
  EXPECT_NEAR(ContrastRatio({0, 0, 0}, {255, 255, 255}), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio({255, 255, 255}, {0, 0, 0}), 21.0, 1e-9);  // order does not matter
  EXPECT_NEAR(ContrastRatio({90, 90, 90}, {90, 90, 90}), 1.0, 1e-9);
  // The usual boundary cases: #767676 just passes on white, #777777 just fails.
  EXPECT_GE(ContrastRatio({0x76, 0x76, 0x76}, {255, 255, 255}), kMinimumTextContrast);
  EXPECT_LT(ContrastRatio({0x77, 0x77, 0x77}, {255, 255, 255}), kMinimumTextContrast);
  EXPECT_NEAR(RelativeLuminance({255, 0, 0}), 0.2126, 1e-9);
}

// Every caption a scheme draws, on every surface it is drawn on.
TEST(ColourScheme, EveryTextAndBackgroundPairIsReadable) {
  for (int i = 0; i < kColourSchemeCount; ++i) {
    const TColourScheme& s = ColourScheme(i);
    const struct {
      const char* What;
      TRgb Text, Background;
    } pairs[] = {
        {"text on window", s.Text, s.Window},
        {"text on odd row", s.Text, s.OddRow},
        {"text on even row", s.Text, s.Base},
        {"text on button", s.Text, s.Button},
        {"text on focused row", s.Text, FocusRowColours(true).Fill},
        {"text on focused row, list without focus", s.Text, FocusRowColours(false).Fill},
        {"selection", s.TextOnAccent, s.Accent},
        {"text on progress bar", s.Text, SoftAccent(s)},
        {"group title", s.Accent, s.Window},
        {"accent on list", s.Accent, s.Base},
        {"secondary caption", s.Muted, s.Window},
        {"news row", s.Link, s.Window},
        {"news row on list", s.Link, s.Base},
    };
    for (const auto& pair : pairs)
      EXPECT_GE(ContrastRatio(pair.Text, pair.Background), kMinimumTextContrast)
          << s.Caption << ": " << pair.What << " " << HexText(pair.Text) << " on "
          << HexText(pair.Background);
  }
}

}  // namespace
}  // namespace qarvo
