#include <gtest/gtest.h>

#include "engine/task/OptionText.h"

namespace qarvo {
namespace {

using Lines = std::vector<std::pair<std::string, std::string>>;

Lines Split(const std::string& text) {
  Lines lines;
  for (const auto& line : SplitOptionText(text)) lines.emplace_back(line.Name, line.Value);
  return lines;
}

TEST(OptionText, TrimsTheWholeTextAndSplitsAtEveryKindOfBreak) {
  EXPECT_EQ(Split("  \tvcodec=mpeg4<CRLF>b=800000 "),
            (Lines{{"vcodec", "mpeg4"}, {"b", "800000"}}));
  EXPECT_EQ(Split("a=1\r\nb=2\rc=3\nd=4"), (Lines{{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}}));
  EXPECT_TRUE(Split(" \r\n\t ").empty());
  // The marker is replaced after trimming, so a lone marker is one empty line.
  EXPECT_EQ(Split("<CRLF>"), (Lines{{"", ""}, {"", ""}}));
}

TEST(OptionText, NamesAreLowerCasedValuesKeptAsWritten) {
  EXPECT_EQ(Split("VCODEC=MPEG4"), (Lines{{"vcodec", "MPEG4"}}));
  EXPECT_EQ(Split("metadata=title=My Film"), (Lines{{"metadata", "title=My Film"}}));
  EXPECT_EQ(Split("title= Two Words \nan"), (Lines{{"title", " Two Words "}, {"an", ""}}));
}

TEST(OptionText, EmptyLinesInsideGiveEmptyNames) {
  EXPECT_EQ(Split("a=1\n\nb=2"), (Lines{{"a", "1"}, {"", ""}, {"b", "2"}}));
  EXPECT_EQ(Split("a=1<CRLF><CRLF>b=2"), (Lines{{"a", "1"}, {"", ""}, {"b", "2"}}));
  EXPECT_EQ(Split("=5"), (Lines{{"", "5"}}));
}

TEST(OptionText, RecordPassSkipsStreamGroupLinesAndOutputCodecNames) {
  for (const char* name :
       {"newvideo", "newaudio", "newsubtitle", "apre", "vpre", "spre", "vfilters", "vf"}) {
    EXPECT_FALSE(DispatchedInRecordPass(name, TRecordPass::Input)) << name;
    EXPECT_FALSE(DispatchedInRecordPass(name, TRecordPass::Output)) << name;
  }
  for (const char* name : {"acodec", "vcodec", "scodec", "s"}) {
    EXPECT_TRUE(DispatchedInRecordPass(name, TRecordPass::Input)) << name;
    EXPECT_FALSE(DispatchedInRecordPass(name, TRecordPass::Output)) << name;
  }
  EXPECT_TRUE(DispatchedInRecordPass("b", TRecordPass::Output));
  EXPECT_TRUE(DispatchedInRecordPass("", TRecordPass::Output));
  EXPECT_TRUE(DispatchedInRecordPass("fpre", TRecordPass::Output));
}

}  // namespace
}  // namespace qarvo
