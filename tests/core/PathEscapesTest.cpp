// Names as bytes through UTF-16 text: every byte string comes back as it was, valid UTF-8 reads
// as its characters, and only the escapes of other bytes are shown as U+FFFD.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/PathEscapes.h"

namespace qarvo {
namespace {

TEST(PathEscapes, EveryByteStringSurvivesTheRoundTrip) {
  std::vector<std::string> names = {
      "",
      "plain.avi",
      "clip-\xe9t\xe9.avi",            // Latin-1
      "\xff\xfe\x80\xc0\xc1\xf5\xf8",  // bytes that never start UTF-8
      "\xc3",                          // a sequence cut at the end
      "\xe2\x82.avi",                  // cut before the next byte
      "\xc0\xaf\xe0\x80\xaf",          // overlong forms of '/'
      "\xed\xa0\x80\xed\xb2\x80",      // encoded surrogates (one of them an escape's value)
      "\xf4\x90\x80\x80",              // past U+10FFFF
      "\xf0\x9f\x8e\xac\xed\xb3\xbf",  // a character past U+FFFF, then an encoded escape
      std::string("nul\0inside", 10),
  };
  std::string everyByte;
  for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b);
  names.push_back(everyByte);
  for (const std::string& name : names) EXPECT_EQ(UnescapePathBytes(EscapePathBytes(name)), name);
}

TEST(PathEscapes, ValidTextReadsAsItsCharactersAndOtherBytesAsEscapes) {
  EXPECT_EQ(EscapePathBytes("vid\xc3\xa9o \xf0\x9f\x8e\xac"), u"vid\u00e9o \U0001F3AC");
  EXPECT_EQ(EscapePathBytes("a\xe9z"), u"a\xdce9z");
  // The overlong '/' stays two escapes, never a separator.
  EXPECT_EQ(EscapePathBytes("\xc0\xaf"), u"\xdcc0\xdcaf");
  EXPECT_EQ(UnescapePathBytes(u"vid\u00e9o"), "vid\xc3\xa9o");
}

TEST(PathEscapes, OnlyTheEscapesAreShownAsReplacementCharacters) {
  const std::u16string text = EscapePathBytes("clip-\xe9t\xe9 \xf0\x9f\x8e\xac.avi");
  EXPECT_EQ(ShownPathText(text), u"clip-\ufffdt\ufffd \U0001F3AC.avi");
  // A lone surrogate that is no escape has no bytes of its own: it is written as U+FFFD.
  EXPECT_EQ(UnescapePathBytes(std::u16string(1, u'\xd800')), "\xef\xbf\xbd");
}

}  // namespace
}  // namespace qarvo
