#include <gtest/gtest.h>

#include <string>

#include "base/StringFormat.h"

namespace qarvo {
namespace {

TEST(StringFormat, FillsTheTemplate) {
  EXPECT_EQ(Format("%dx%d, %s", 176, 144, "h263"), "176x144, h263");
  EXPECT_EQ(Format("%.2f%%", 12.345), "12.35%");
  EXPECT_EQ(Format("plain"), "plain");
}

TEST(StringFormat, EmptyAndLongResults) {
  EXPECT_EQ(Format("%s", ""), "");
  const std::string path(5000, 'a');
  const std::string text = Format("Cannot open \"%s\"", path.c_str());
  EXPECT_EQ(text.size(), path.size() + 14);
  EXPECT_EQ(text.back(), '"');
  EXPECT_EQ(text.find('\0'), std::string::npos);
}

}  // namespace
}  // namespace qarvo
