// The rules of the editing dialogs, without widgets.
#include <gtest/gtest.h>

#include "core/CropFrame.h"
#include "core/ShortenedPath.h"
#include "core/TTrimRange.h"

namespace qarvo {
namespace {

constexpr int64_t kSecond = 1000000;

TEST(TrimRange, TakenPositionsConfirmationAndTheReopenedRange) {
  TlvFilesRecord record;
  TTrimRange range;
  range.FileOpened(10 * kSecond);
  range.Restore(record);  // untrimmed: the whole file
  EXPECT_EQ(range.RangeStart(), 0);
  EXPECT_EQ(range.RangeEnd(), 10 * kSecond);
  // A position at 0 (or none reported yet) is no start and no end.
  EXPECT_FALSE(range.TakeStart(0));
  EXPECT_FALSE(range.TakeEnd(-1));
  EXPECT_EQ(range.RangeEnd(), 10 * kSecond);

  ASSERT_TRUE(range.TakeStart(2 * kSecond));
  ASSERT_TRUE(range.TakeEnd(5 * kSecond));
  EXPECT_TRUE(range.LengthShown());
  range.Confirm(record);
  EXPECT_EQ(record.TrimStart, 2 * kSecond);
  EXPECT_EQ(record.TrimLength, 3 * kSecond);
  // Reopened: the stored start, end and their difference.
  TTrimRange reopened;
  reopened.FileOpened(10 * kSecond);
  reopened.Restore(record);
  EXPECT_EQ(reopened.RangeStart(), 2 * kSecond);
  EXPECT_EQ(reopened.RangeEnd(), 5 * kSecond);

  // An end before the start: the length field stays, Ok keeps the start and runs to the end.
  ASSERT_TRUE(reopened.TakeEnd(1 * kSecond));
  EXPECT_FALSE(reopened.LengthShown());
  EXPECT_EQ(reopened.ConfirmedLength(), 10 * kSecond);
  reopened.Confirm(record);
  EXPECT_EQ(record.TrimStart, 2 * kSecond);
  EXPECT_EQ(record.TrimLength, 0);

  // An end within a millisecond of the file's end is "to the end"; one just outside is not.
  TTrimRange nearEnd;
  nearEnd.FileOpened(10 * kSecond);
  nearEnd.Restore(TlvFilesRecord{});
  nearEnd.TakeEnd(10 * kSecond - 999);
  nearEnd.Confirm(record);
  EXPECT_EQ(record.TrimStart, 0);
  EXPECT_EQ(record.TrimLength, 0);
  nearEnd.TakeEnd(10 * kSecond - 1000);
  nearEnd.Confirm(record);
  EXPECT_EQ(record.TrimLength, 10 * kSecond - 1000);
  // An end past the file's length is not a sound range either.
  nearEnd.TakeEnd(11 * kSecond);
  EXPECT_EQ(nearEnd.ConfirmedLength(), 10 * kSecond);

  // Reset covers the file; a file of no length stores no range at all.
  nearEnd.Reset();
  EXPECT_EQ(nearEnd.RangeStart(), 0);
  EXPECT_EQ(nearEnd.RangeEnd(), 10 * kSecond);
  TTrimRange empty;
  empty.FileOpened(0);
  record.TrimStart = 7;
  record.TrimLength = 9;
  empty.Confirm(record);
  EXPECT_EQ(record.TrimStart, 0);
  EXPECT_EQ(record.TrimLength, 0);
}

TEST(EditingText, ShortenedPathCountsCharactersAndKeepsTheExtension) {
  const std::string fifty(50, 'a');
  EXPECT_EQ(ShortenedPath(fifty, 50, 44), fifty);
  EXPECT_EQ(ShortenedPath(fifty + ".avi", 50, 44), std::string(44, 'a') + "...avi  ");
  // Multi-byte characters count once and are never split.
  std::string wide;
  for (int i = 0; i < 50; ++i) wide += "\xC3\xA9";  // é
  EXPECT_EQ(ShortenedPath(wide, 50, 44), wide);
  EXPECT_EQ(ShortenedPath(wide + ".mkv", 50, 44), wide.substr(0, 88) + "...mkv  ");
}

TEST(CropFrame, TwoGreenPixelsInsideTheFrameCutAtThePicture) {
  TBitmap picture(12, 10);
  DrawCropFrame(picture, 1, 1, 11, 9);
  const auto green = [&](int x, int y) {
    const uint8_t* p = picture.ScanLine(y) + 3 * x;
    return p[0] == 0 && p[1] == 128 && p[2] == 0;
  };
  for (auto [x, y] : {std::pair{1, 1}, {2, 2}, {10, 8}, {5, 7}, {9, 5}, {1, 8}})
    EXPECT_TRUE(green(x, y)) << x << "," << y;
  for (auto [x, y] : {std::pair{0, 0}, {3, 3}, {11, 9}, {8, 6}, {11, 1}, {1, 9}})
    EXPECT_FALSE(green(x, y)) << x << "," << y;
  // A frame reaching past the picture draws only what lies inside (no write beyond it).
  TBitmap small(4, 4);
  DrawCropFrame(small, -1, -1, 10, 10);
  EXPECT_EQ(small.ScanLine(0)[1], 128);
  EXPECT_EQ(small.ScanLine(2)[3 * 2 + 1], 0);
  DrawCropFrame(small, 2, 2, 1, 1);  // empty: nothing
}

}  // namespace
}  // namespace qarvo
