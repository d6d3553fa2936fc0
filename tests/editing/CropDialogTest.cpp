// The crop dialog on a real clip played by the real player: the tracker and the margin boxes.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include "player/TMediaPlayer.h"
#include "core/CropRules.h"
#include "editing/TRectTracker.h"
#include "editing/TfrmCrop.h"

#include "DialogTestSupport.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

using test::Find;

std::string SilentClip() {
  // Pictures only: the disk sound driver would run the clock as fast as it can write.
  TClipSpec spec = StandardClip("short3s");  // 320 x 240
  spec.AudioCodec.clear();
  spec.Duration = 5.0;
  return EnsureClipFile(spec, "crop-5s.avi");
}

TCropMargins Boxes(QWidget& dialog) {
  return {Find<QSpinBox>(dialog, "spedUp")->value(), Find<QSpinBox>(dialog, "spedDown")->value(),
          Find<QSpinBox>(dialog, "spedLeft")->value(),
          Find<QSpinBox>(dialog, "spedRight")->value()};
}

TTrackRect Bounds(const QWidget& tracker) {
  const QRect r = tracker.geometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

// A drag on the tracker from one point of its own to another by (dx, dy), in steps.
void Drag(QWidget& tracker, QPoint from, int dx, int dy) {
  QTest::mousePress(&tracker, Qt::LeftButton, {}, from);
  // The tracker moves under the mouse: each step is given in its coordinates of that moment.
  const QPoint parentFrom = tracker.mapToParent(from);
  for (int step = 1; step <= 4; ++step) {
    const QPoint target = parentFrom + QPoint(dx * step / 4, dy * step / 4);
    QTest::mouseMove(&tracker, tracker.mapFromParent(target));
  }
  QTest::mouseRelease(&tracker, Qt::LeftButton, {},
                      tracker.mapFromParent(parentFrom + QPoint(dx, dy)));
}

TEST(CropDialogTest, TrackerDragsAndMarginBoxesAgreeAndOnlyOkStoresSourceMargins) {
  test::TQtHandOver handOver;
  const std::string clip = SilentClip();
  TlvFilesRecord record = NewJobRecord(clip, "", 5000000, "pan");
  record.CropTopEntered = 10;
  record.CropBottomEntered = 20;
  record.CropLeftEntered = 11;
  record.CropRightEntered = 30;
  record.CropLeft = 40;  // the stored margins draw the preview's crop frame

  auto dialog = std::make_unique<TfrmCrop>(test::LibraryFolder());
  EXPECT_EQ(dialog->windowTitle(), "Crop");
  EXPECT_EQ(Find<QGroupBox>(*dialog, "grpCropSize")->title(), "Crop Size");
  for (const char* name : {"btnReset", "btnDefault", "btnOk", "btnCancel"})
    Find<QPushButton>(*dialog, name);
  EXPECT_EQ(Find<QToolButton>(*dialog, "imgbtnPlay")->toolTip(), "play");
  EXPECT_EQ(Find<QToolButton>(*dialog, "imgbtnpause")->toolTip(), "pause");
  dialog->show();
  dialog->Prepare(&record);
  // 320 x 240 fitted into 354 x 290, inset by 1.
  const TTrackRect picture = dialog->Picture();
  ASSERT_EQ(picture, (TTrackRect{1, 13, 352, 264}));
  TRectTracker& tracker = dialog->Tracker();
  EXPECT_TRUE(tracker.isVisible());
  // Opened from the entered margins.
  EXPECT_EQ(Boxes(*dialog), (TCropMargins{10, 20, 11, 30}));
  EXPECT_EQ(Bounds(tracker), TrackerForMargins(picture, {10, 20, 11, 30}));
  EXPECT_EQ(Find<QLabel>(*dialog, "lblLength")->text().right(7), " Second");

  // The right edge's handle dragged 24 pixels inwards: the right box follows.
  const int middle = tracker.height() / 2 - 3 + tracker.height() % 2 + 2;
  Drag(tracker, QPoint(tracker.width() - 2, middle), -24, 0);
  EXPECT_EQ(Boxes(*dialog), (TCropMargins{10, 20, 11, 54}));
  // The left edge dragged past the picture's left: back to its margin.
  Drag(tracker, QPoint(2, middle), -60, 0);
  EXPECT_EQ(Boxes(*dialog).Left, 11);
  EXPECT_EQ(tracker.x(), picture.Left + 11);
  // The whole frame moved down by 15: top and bottom margins change, the size stays.
  const TCropMargins before = Boxes(*dialog);
  ASSERT_EQ(before.Down, 20);
  Drag(tracker, QPoint(tracker.width() / 2, tracker.height() / 2), 0, 15);
  EXPECT_EQ(Boxes(*dialog).Up, before.Up + 15);
  EXPECT_EQ(Boxes(*dialog).Down, before.Down - 15);
  EXPECT_EQ(Bounds(tracker), TrackerForMargins(picture, Boxes(*dialog)));
  // Pushed on past the bottom: back at its place at the press, reaching the bottom edge.
  Drag(tracker, QPoint(tracker.width() / 2, tracker.height() / 2), 0, 30);
  EXPECT_EQ(Boxes(*dialog).Up, before.Up + 15);
  EXPECT_EQ(Boxes(*dialog).Down, 0);
  EXPECT_EQ(Bounds(tracker), TrackerForMargins(picture, Boxes(*dialog)));

  // Typed margins move the tracker; a negative one is 0.
  Find<QSpinBox>(*dialog, "spedLeft")->setValue(30);
  Find<QSpinBox>(*dialog, "spedUp")->setValue(-5);
  EXPECT_EQ(Find<QSpinBox>(*dialog, "spedUp")->value(), 0);
  EXPECT_EQ(Bounds(tracker), TrackerForMargins(picture, Boxes(*dialog)));
  const TCropMargins entered = Boxes(*dialog);

  // The preview shows the job's stored crop frame in the copied picture.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return dialog->Player().LastPosition() > 300000 && !dialog->FrameCopy().isNull(); },
      20000));
  const QImage frame = dialog->FrameCopy();
  ASSERT_EQ(frame.size(), QSize(320, 240));
  EXPECT_EQ(frame.pixel(40, 120), qRgb(0, 128, 0));
  EXPECT_NE(frame.pixel(38, 120), qRgb(0, 128, 0));

  // Cancel keeps the record as it was.
  QTest::mouseClick(Find<QPushButton>(*dialog, "btnCancel"), Qt::LeftButton);
  EXPECT_EQ(record.CropLeftEntered, 11);
  EXPECT_EQ(record.CropRightEntered, 30);
  EXPECT_EQ(record.CropLeft, 40);
  EXPECT_EQ(record.Zoom, "pan");

  // A new dialog, the same changes typed, Ok: entered and source margins, even, and the zoom.
  dialog = std::make_unique<TfrmCrop>(test::LibraryFolder());
  dialog->show();
  dialog->Prepare(&record);
  Find<QSpinBox>(*dialog, "spedUp")->setValue(entered.Up);
  Find<QSpinBox>(*dialog, "spedDown")->setValue(entered.Down);
  Find<QSpinBox>(*dialog, "spedLeft")->setValue(entered.Left);
  Find<QSpinBox>(*dialog, "spedRight")->setValue(entered.Right);
  QTest::mouseClick(Find<QPushButton>(*dialog, "btnOk"), Qt::LeftButton);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(record.CropTopEntered, entered.Up);
  EXPECT_EQ(record.CropBottomEntered, entered.Down);
  EXPECT_EQ(record.CropLeftEntered, 30);
  EXPECT_EQ(record.CropRightEntered, entered.Right);
  EXPECT_EQ(record.CropLeft, SourceMargin(30, 320, 352));
  EXPECT_EQ(record.CropLeft, 26);  // 27.27 -> 27 -> 26
  EXPECT_EQ(record.CropRight, SourceMargin(entered.Right, 320, 352));
  EXPECT_EQ(record.CropBottom, SourceMargin(entered.Down, 240, 264));
  for (int margin : {record.CropTop, record.CropBottom, record.CropLeft, record.CropRight})
    EXPECT_EQ(margin % 2, 0);
  EXPECT_EQ(record.Zoom, "full");

  // Reopened: the frame from the entered margins; Reset covers the picture.
  dialog = std::make_unique<TfrmCrop>(test::LibraryFolder());
  dialog->show();
  dialog->Prepare(&record);
  EXPECT_EQ(Boxes(*dialog), entered);
  EXPECT_EQ(Bounds(dialog->Tracker()), TrackerForMargins(picture, entered));
  QTest::mouseClick(Find<QPushButton>(*dialog, "btnReset"), Qt::LeftButton);
  EXPECT_EQ(Boxes(*dialog), TCropMargins{});
  EXPECT_EQ(Bounds(dialog->Tracker()), picture);
  dialog->reject();
}

}  // namespace
}  // namespace qarvo
