#include <gtest/gtest.h>

#include <string>

#include "base/EngineError.h"
#include "base/NumberParse.h"

namespace qarvo {
namespace {

TEST(NumberParse, IntegersWithBlanksAndSign) {
  EXPECT_EQ(ParseInteger("b", "42"), 42);
  EXPECT_EQ(ParseInteger("b", " \t42\t "), 42);
  EXPECT_EQ(ParseInteger("b", "+7"), 7);
  EXPECT_EQ(ParseInteger("b", "-7"), -7);
  EXPECT_EQ(ParseInteger("b", "9223372036854775807"), INT64_MAX);
}

TEST(NumberParse, MalformedIntegersAreRefused) {
  for (const char* text : {"", " ", "+", "-", "+-5", "++5", "4 2", "42x", "1.5", "0x10",
                           "9223372036854775808", "1e3"}) {
    EXPECT_THROW(ParseInteger("b", text), EEngineError) << '"' << text << '"';
  }
}

TEST(NumberParse, ErrorNamesTheOptionAndTheValue) {
  try {
    ParseInteger("threads", "many");
    FAIL() << "no error";
  } catch (const EEngineError& e) {
    EXPECT_STREQ(e.what(), "Invalid number \"many\" for option \"threads\"");
  }
}

TEST(NumberParse, DoublesInEveryNotation) {
  EXPECT_DOUBLE_EQ(ParseDouble("r", "29.97"), 29.97);
  EXPECT_DOUBLE_EQ(ParseDouble("r", " +1.5 "), 1.5);
  EXPECT_DOUBLE_EQ(ParseDouble("r", "-.5"), -0.5);
  EXPECT_DOUBLE_EQ(ParseDouble("r", "1e3"), 1000.0);
  EXPECT_DOUBLE_EQ(ParseDouble("r", "25"), 25.0);
  for (const char* text : {"", "1,5", "1.5.2", "1.5fps", ". ", "+-1"}) {
    EXPECT_THROW(ParseDouble("r", text), EEngineError) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace qarvo
