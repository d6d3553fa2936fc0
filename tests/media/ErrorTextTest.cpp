#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "media/ErrorText.h"

extern "C" {
#include <libavutil/error.h>
}

namespace qarvo {
namespace {

TEST(ErrorText, CurrentLibraryCodesMapByMeaning) {
  const std::pair<int, const char*> cases[] = {
      {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg"},
      {AVERROR_PROTOCOL_NOT_FOUND, "Unsupported network protocol"},
      {AVERROR_DEMUXER_NOT_FOUND, "Unknown format"},
      {AVERROR_MUXER_NOT_FOUND, "Unknown format"},
      {AVERROR(EDOM), "Number syntax expected in filename"},
      {AVERROR_EOF, "End of file"},
      {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
      {AVERROR(EINVAL), "Invalid data found when processing input"},
      {AVERROR(ENOMEM), "Not enough memory"},
      {AVERROR(EIO), "I/O error"},
      {AVERROR(ENOENT), "No such file or directory"},
      {AVERROR_OPTION_NOT_FOUND, "Option not found"},
  };
  for (const auto& [code, text] : cases) EXPECT_EQ(ErrorText(code), text) << code;
}

TEST(ErrorText, OtherCodesAndOldNumbersGiveTheNumber) {
  EXPECT_EQ(ErrorText(AVERROR(EACCES)), "Error number -13 occurred (Permission denied)");
  EXPECT_EQ(ErrorText(AVERROR(ENOSPC)), "Error number -28 occurred (No space left on device)");
  // The old end-of-file number is a broken pipe today, not an end of file.
  EXPECT_EQ(ErrorText(-32), "Error number -32 occurred (Broken pipe)");
  EXPECT_EQ(ErrorText(AVERROR_BUG), "Error number " + std::to_string(AVERROR_BUG) + " occurred");
  EXPECT_EQ(ErrorText(0), "Error number 0 occurred");
  EXPECT_EQ(FileErrorText("/tmp/a b.avi", AVERROR(ENOENT)),
            "/tmp/a b.avi: No such file or directory");
}

}  // namespace
}  // namespace qarvo
