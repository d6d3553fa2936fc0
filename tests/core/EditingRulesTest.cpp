// The rules of the editing dialogs, without widgets.
#include <gtest/gtest.h>

#include "core/CropFrame.h"
#include "core/CropRules.h"
#include "core/EffectRules.h"
#include "core/ShortenedPath.h"
#include "core/TTrimRange.h"
#include "core/TrackerRules.h"

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

TEST(CropRules, SourceMarginsAreScaledRoundedHalfToEvenAndMadeEven) {
  // A 352-pixel-wide preview of a 704-pixel-wide source.
  TlvFilesRecord record;
  record.Zoom = "pan";
  ConfirmCrop(record, {.Up = 3, .Down = 0, .Left = 11, .Right = 0}, 704, 576, {1, 13, 352, 288});
  EXPECT_EQ(record.CropLeftEntered, 11);
  EXPECT_EQ(record.CropLeft, 22);
  EXPECT_EQ(record.CropTopEntered, 3);
  EXPECT_EQ(record.CropTop, 6);
  EXPECT_EQ(record.Zoom, "full");
  record.Zoom = "lbox";
  ConfirmCrop(record, {}, 704, 576, {1, 13, 352, 288});
  EXPECT_EQ(record.Zoom, "lbox");
  EXPECT_EQ(SourceMargin(11, 1, 2), 6);  // 5.5
  EXPECT_EQ(SourceMargin(9, 1, 2), 4);   // 4.5
  EXPECT_EQ(SourceMargin(3, 1, 1), 2);
  EXPECT_EQ(SourceMargin(5, 320, 0), 0);  // no preview: nothing to scale by
}

TEST(CropRules, DraggedTrackerSnapsBackOverThePictureAndTheBoxesAgree) {
  const TTrackRect picture{1, 13, 352, 264};
  const TCropMargins entered{.Up = 10, .Down = 20, .Left = 30, .Right = 40};
  const TTrackRect tracker = TrackerForMargins(picture, entered);
  EXPECT_EQ(tracker, (TTrackRect{31, 23, 282, 234}));
  EXPECT_EQ(MarginsOfTracker(picture, tracker), entered);
  // The left edge dragged past the picture's left: back to the left margin.
  TTrackRect t = SnapTracker({-5, 23, 318, 234}, picture, 30, 31, 23);
  EXPECT_EQ(t.Left, 31);
  // The top edge past the top stops at the top.
  t = SnapTracker({31, 5, 282, 252}, picture, 30, 31, 23);
  EXPECT_EQ(t.Top, 13);
  EXPECT_EQ(MarginsOfTracker(picture, t).Up, 0);
  // The whole frame pushed past the right and bottom: its place at the press, stretched to
  // the picture's right and bottom edges.
  t = SnapTracker({100, 60, 282, 234}, picture, 30, 31, 23);
  EXPECT_EQ(t, (TTrackRect{31, 23, 322, 254}));
  EXPECT_EQ(MarginsOfTracker(picture, t),
            (TCropMargins{.Up = 10, .Down = 0, .Left = 30, .Right = 0}));
  // Negative margins of a frame outside the picture count as 0.
  EXPECT_EQ(MarginsOfTracker(picture, {0, 0, 400, 400}), TCropMargins{});
}

TEST(CropRules, MarginBoxesStopAtTheSmallestFrameAndNeverGoNegative) {
  const TTrackRect picture{1, 13, 352, 264};
  TCropMargins remembered{.Up = 100, .Down = 154, .Left = 0, .Right = 0};
  TTrackRect tracker = TrackerForMargins(picture, remembered);
  ASSERT_EQ(tracker.Height, 10);
  int press = 0;
  // Stepping the top box up while the frame is 10 pixels high has no effect.
  TMarginChange change =
      ChangeMargin(picture, tracker, TMarginBox::Up, 101,
                   {.Up = 101, .Down = 154, .Left = 0, .Right = 0}, remembered, press);
  EXPECT_FALSE(change.Accepted);
  EXPECT_EQ(change.Value, 100);
  EXPECT_EQ(remembered.Up, 100);
  // Down again is taken: the frame grows.
  change = ChangeMargin(picture, tracker, TMarginBox::Up, 99, {.Up = 99, .Down = 154}, remembered,
                        press);
  ASSERT_TRUE(change.Accepted);
  EXPECT_EQ(change.Tracker, (TTrackRect{1, 112, 352, 11}));
  EXPECT_EQ(press, 112);
  EXPECT_EQ(remembered.Up, 99);
  // A negative value is 0; a typed value past the picture keeps the smallest frame.
  change = ChangeMargin(picture, change.Tracker, TMarginBox::Left, -4,
                        {.Up = 99, .Down = 154, .Left = -4}, remembered, press);
  EXPECT_EQ(change.Value, 0);
  EXPECT_EQ(change.Tracker.Left, 1);
  change = ChangeMargin(picture, change.Tracker, TMarginBox::Right, 5000,
                        {.Up = 99, .Down = 154, .Left = 20, .Right = 5000}, remembered, press);
  EXPECT_EQ(change.Value, 352 - 20 - kTrackerMinimum);
  EXPECT_EQ(change.Tracker.Width, kTrackerMinimum);
  EXPECT_EQ(remembered.Right, 322);
}

TEST(TrackerRules, HandlesAndDragStepsFollowTheMouse) {
  EXPECT_EQ(MiddleHandle(65), 30);
  EXPECT_EQ(MiddleHandle(64), 29);
  EXPECT_EQ(HitTest(65, 65, 1, 1), TTrackZone::TopLeft);
  EXPECT_EQ(HitTest(65, 65, 63, 63), TTrackZone::BottomRight);
  EXPECT_EQ(HitTest(65, 65, 1, 62), TTrackZone::BottomLeft);
  EXPECT_EQ(HitTest(65, 65, 62, 1), TTrackZone::TopRight);
  EXPECT_EQ(HitTest(65, 65, 2, 32), TTrackZone::Left);
  EXPECT_EQ(HitTest(65, 65, 62, 32), TTrackZone::Right);
  EXPECT_EQ(HitTest(65, 65, 32, 2), TTrackZone::Top);
  EXPECT_EQ(HitTest(65, 65, 32, 63), TTrackZone::Bottom);
  EXPECT_EQ(HitTest(65, 65, 20, 20), TTrackZone::Move);
  EXPECT_EQ(HitTest(65, 65, 1, 20), TTrackZone::None);
  int x = 60, y = 30;
  // The right side grows towards the mouse and the last point follows it.
  TTrackRect r = DragStep(TTrackZone::Right, {10, 10, 65, 65}, -20, 0, x, y);
  EXPECT_EQ(r, (TTrackRect{10, 10, 45, 65}));
  EXPECT_EQ(x, 40);
  // The left side at the smallest width does not move inwards, but moves outwards.
  x = 2;
  r = DragStep(TTrackZone::Left, {10, 10, 10, 65}, 5, 0, x, y);
  EXPECT_EQ(r, (TTrackRect{10, 10, 10, 65}));
  r = DragStep(TTrackZone::Left, {10, 10, 12, 65}, 5, 0, x, y);  // stops at the smallest
  EXPECT_EQ(r, (TTrackRect{12, 10, 10, 65}));
  r = DragStep(TTrackZone::Left, {10, 10, 10, 65}, -5, 0, x, y);
  EXPECT_EQ(r, (TTrackRect{5, 10, 15, 65}));
  EXPECT_EQ(x, 2);
  r = DragStep(TTrackZone::Move, {10, 10, 65, 65}, 7, -3, x, y);
  EXPECT_EQ(r, (TTrackRect{17, 7, 65, 65}));
  r = DragStep(TTrackZone::BottomRight, {10, 10, 65, 65}, -100, -100, x, y);
  EXPECT_EQ(r, (TTrackRect{10, 10, kTrackerMinimum, kTrackerMinimum}));
}

TEST(EffectRules, PositionsAreTruncatedAndANegativePositionIsStoredAsZero) {
  EXPECT_EQ(PositionPixel(321, 33), 105);  // 105.93
  EXPECT_EQ(PositionPixel(240, 100), 240);
  TEffectValues values;
  values.TextHorizPos = 33;
  values.TextVertPos = 10;
  values.ImageHorizPos = 70;
  values.ImageVertPos = 40;
  TlvFilesRecord record;
  ConfirmEffects(record, values, {.TextX = -4, .TextY = 24, .ImageX = 224, .ImageY = -1});
  EXPECT_EQ(record.TextX, 0);
  EXPECT_EQ(record.TextHorizPos, 0);
  EXPECT_EQ(record.TextY, 24);
  EXPECT_EQ(record.TextVertPos, 10);
  EXPECT_EQ(record.ImageX, 224);
  EXPECT_EQ(record.ImageHorizPos, 70);
  EXPECT_EQ(record.ImageY, 0);
  EXPECT_EQ(record.ImageVertPos, 0);
  // The preview's record keeps the job's crop frame.
  TlvFilesRecord job;
  job.CropLeft = 12;
  values.Brightness = 100;
  const TlvFilesRecord preview = PreviewRecord(job, values, PositionsFor(values, 320, 240));
  EXPECT_EQ(preview.CropLeft, 12);
  EXPECT_EQ(preview.Brightness, 100);
  EXPECT_EQ(preview.ImageX, 224);
  EXPECT_EQ(preview.TextX, 105);
  EXPECT_EQ(WaterMarkCaption(std::string(55, 'b')), "Water Mark  " + std::string(55, 'b'));
  EXPECT_EQ(WaterMarkCaption(std::string(52, 'b') + ".mp4"),
            "Water Mark  " + std::string(50, 'b') + "...mp4  ");
}

}  // namespace
}  // namespace qarvo
