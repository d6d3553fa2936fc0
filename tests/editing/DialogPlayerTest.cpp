// What the three editing dialogs share through their dialog player, on a real clip played by
// the real player: the preview stops for good when a dialog closes, and a picture sought
// while paused goes through the dialog's processing like any other.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "base/EngineRecords.h"
#include "player/TMediaPlayer.h"
#include "core/PreviewText.h"
#include "editing/TfrmCrop.h"
#include "editing/TfrmTrim.h"
#include "editing/TfrmWaterMark.h"

#include "DialogTestSupport.h"
#include "support/TestMedia.h"
#include "support/TestPicture.h"

namespace qarvo {
namespace {

using test::Find;

std::string SilentClip() {
  // Pictures only: the disk sound driver would run the clock as fast as it can write.
  TClipSpec spec = StandardClip("short3s");  // 320 x 240, 25 pictures a second
  spec.AudioCodec.clear();
  spec.Duration = 5.0;
  return EnsureClipFile(spec, "dialog-player-5s.avi");
}

// The frame number burnt into a picture; -1 when it cannot be read.
int FrameNumber(const QImage& picture) {
  if (picture.isNull()) return -1;
  std::vector<uint8_t> luma;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      luma.push_back(static_cast<uint8_t>(qGray(picture.pixel(x, y))));
  return ReadFrameNumber(luma.data(), picture.width(), picture.width(), picture.height());
}

// Each dialog, closed while its source plays, has stopped the player when the closing
// returns: no picture of the job is processed afterwards.
TEST(DialogPlayerTest, EveryDialogHasStoppedItsPreviewWhenItHasClosed) {
  test::TQtHandOver handOver;
  TlvFilesRecord record = NewJobRecord(SilentClip(), "", 5000000, "lbox");
  {
    TfrmTrim trim(test::LibraryFolder());
    trim.show();
    trim.Prepare(&record);
    ASSERT_TRUE(QTest::qWaitFor([&] { return trim.Player().LastPosition() > 200000; }, 20000));
    QTest::mouseClick(Find<QPushButton>(trim, "btnCancel"), Qt::LeftButton);
    EXPECT_FALSE(trim.Player().Opened());
    EXPECT_FALSE(Find<QToolButton>(trim, "imgbtnPlay")->isEnabled());
    EXPECT_FALSE(Find<QToolButton>(trim, "imgbtnpause")->isEnabled());
  }
  {
    TfrmWaterMark effects(test::LibraryFolder());
    effects.show();
    effects.Prepare(&record);
    ASSERT_TRUE(QTest::qWaitFor([&] { return effects.PicturesProcessed() >= 3; }, 20000));
    QTest::mouseClick(Find<QPushButton>(effects, "btnOk"), Qt::LeftButton);
    EXPECT_FALSE(effects.Player().Opened());
  }
  {
    TfrmCrop crop(test::LibraryFolder());
    crop.show();
    crop.Prepare(&record);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !crop.FrameCopy().isNull(); }, 20000));
    crop.reject();
    EXPECT_FALSE(crop.Player().Opened());
    EXPECT_TRUE(crop.FrameCopy().isNull());
  }
}

// The crop area shows only what the hook copied: a picture sought while paused must reach it.
TEST(DialogPlayerTest, APictureSoughtWhilePausedIsProcessedAndShown) {
  test::TQtHandOver handOver;
  TlvFilesRecord record = NewJobRecord(SilentClip(), "", 5000000, "lbox");
  TfrmCrop crop(test::LibraryFolder());
  crop.show();
  crop.Prepare(&record);
  ASSERT_TRUE(QTest::qWaitFor([&] { return FrameNumber(crop.FrameCopy()) >= 5; }, 20000));
  QTest::mouseClick(Find<QToolButton>(crop, "imgbtnpause"), Qt::LeftButton);
  EXPECT_TRUE(Find<QToolButton>(crop, "imgbtnPlay")->isEnabled());
  EXPECT_FALSE(Find<QToolButton>(crop, "imgbtnpause")->isEnabled());
  ASSERT_TRUE(QTest::qWaitFor([&] { return crop.Player().Paused(); }, 20000));
  const int before = FrameNumber(crop.FrameCopy());
  ASSERT_LT(before, 60);

  // A key on the bar: the second half of the clip, whose key pictures come every second.
  auto* bar = Find<QSlider>(crop, "trcPreview");
  ASSERT_TRUE(bar->isEnabled());
  bar->setSliderPosition(bar->maximum() * 3 / 4);
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_TRUE(QTest::qWaitFor([&] { return FrameNumber(crop.FrameCopy()) >= 70; }, 20000))
      << FrameNumber(crop.FrameCopy());
  EXPECT_TRUE(crop.Player().Paused());
  crop.reject();
}

// A click on the position bar puts the handle under the click and seeks there, wherever the
// handle stood (the style would step a page towards the click).
TEST(DialogPlayerTest, AClickOnThePositionBarSeeksToTheClickedPlace) {
  test::TQtHandOver handOver;
  TlvFilesRecord record = NewJobRecord(SilentClip(), "", 5000000, "lbox");
  TfrmTrim trim(test::LibraryFolder());
  trim.show();
  trim.Prepare(&record);
  ASSERT_TRUE(QTest::qWaitFor([&] { return trim.Player().LastPosition() > 200000; }, 20000));
  QTest::mouseClick(Find<QToolButton>(trim, "imgbtnpause"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return trim.Player().Paused(); }, 20000));
  auto* bar = Find<QSlider>(trim, "trcPreview");
  const int64_t full = trim.Range().FullLength();
  const auto clickAt = [&](double share) {
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                      QPoint(static_cast<int>(bar->width() * share), bar->height() / 2));
    // The handle stands at the click.
    // The handle's centre under the click: the ends of the groove are half a handle in.
    EXPECT_NEAR(bar->value(), bar->maximum() * share, bar->maximum() / 8.0);
    return PreviewBarTarget(bar->value(), bar->maximum(), full);
  };
  const auto landsNear = [&](int64_t target) {
    // On the key picture at or before the target (one at least every second).
    return QTest::qWaitFor(
        [&] {
          const int64_t at = trim.Player().LastPosition();
          return at != kNoTimestamp && at > target - 1100000 && at <= target + 100000;
        },
        20000);
  };
  const int64_t late = clickAt(0.8);
  EXPECT_TRUE(landsNear(late)) << trim.Player().LastPosition() << " for " << late;
  const int64_t early = clickAt(0.3);  // backwards, left of the handle
  EXPECT_TRUE(landsNear(early)) << trim.Player().LastPosition() << " for " << early;
  EXPECT_TRUE(trim.Player().Paused());
  trim.reject();
}

// After the end the player waits paused at the start: the crop area shows the start's
// processed picture, and Play plays on from there without opening the source again.
TEST(DialogPlayerTest, AfterTheEndTheStartIsShownAndPlayPlaysOnFromThere) {
  test::TQtHandOver handOver;
  TClipSpec spec = StandardClip("short3s");
  spec.AudioCodec.clear();
  spec.Duration = 1.5;
  const std::string clip = EnsureClipFile(spec, "dialog-player-1.5s.avi");
  TlvFilesRecord record = NewJobRecord(clip, "", 1500000, "lbox");
  TfrmCrop crop(test::LibraryFolder());
  crop.show();
  crop.Prepare(&record);
  auto* play = Find<QToolButton>(crop, "imgbtnPlay");
  auto* pause = Find<QToolButton>(crop, "imgbtnpause");
  auto* bar = Find<QSlider>(crop, "trcPreview");
  const QString length = Find<QLabel>(crop, "lblLength")->text();
  EXPECT_TRUE(length.endsWith(" Second")) << length.toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return play->isEnabled(); }, 30000));
  EXPECT_FALSE(pause->isEnabled());
  EXPECT_FALSE(bar->isEnabled());
  EXPECT_TRUE(QTest::qWaitFor([&] { return FrameNumber(crop.FrameCopy()) == 0; }, 20000))
      << FrameNumber(crop.FrameCopy());

  QTest::mouseClick(play, Qt::LeftButton);
  EXPECT_FALSE(play->isEnabled());
  EXPECT_TRUE(pause->isEnabled());
  EXPECT_TRUE(bar->isEnabled());
  EXPECT_EQ(Find<QLabel>(crop, "lblLength")->text(), length);
  EXPECT_TRUE(QTest::qWaitFor([&] { return FrameNumber(crop.FrameCopy()) >= 5; }, 20000));
  crop.reject();
}

}  // namespace
}  // namespace qarvo
