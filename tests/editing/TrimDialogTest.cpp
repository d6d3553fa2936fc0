// The trim dialog on a real clip played by the real player.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "player/TMediaPlayer.h"
#include "core/PreviewText.h"
#include "editing/TfrmTrim.h"
#include "jobs/TVideoSurfaceWidget.h"

#include "DialogTestSupport.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

using test::Find;

QString Time(int64_t t) { return QString::fromStdString(PreviewPositionText(t)); }

TEST(TrimDialogTest, StartAndEndFromThePlayingPreviewOkStoresCancelDoesNot) {
  test::TQtHandOver handOver;
  // Pictures only: the disk sound driver would run the clock as fast as it can write.
  TClipSpec spec = StandardClip("short3s");
  spec.AudioCodec.clear();
  spec.Duration = 5.0;
  const std::string clip = EnsureClipFile(spec, "trim-5s.avi");
  TlvFilesRecord record = NewJobRecord(clip, "", 5000000, "lbox");
  // The preview shows the job's effects and crop frame: a black picture, a green frame.
  record.Brightness = 0;
  record.CropLeft = 40;
  record.CropTop = 40;
  record.CropRight = 40;
  record.CropBottom = 40;

  TfrmTrim dialog(test::LibraryFolder());
  EXPECT_EQ(dialog.windowTitle(), "Trim");
  EXPECT_EQ(Find<QPushButton>(dialog, "btnOk1")->text(), "&Ok");
  EXPECT_EQ(Find<QPushButton>(dialog, "btnOk2")->text(), "&Ok");
  EXPECT_EQ(Find<QPushButton>(dialog, "btnReset")->text(), "&Reset");
  EXPECT_EQ(Find<QPushButton>(dialog, "btnOk")->text(), "Ok");
  EXPECT_EQ(Find<QPushButton>(dialog, "btnCancel")->text(), "Cancel");
  EXPECT_EQ(Find<QPushButton>(dialog, "btnDefault")->text(), "&Default");
  EXPECT_EQ(Find<QToolButton>(dialog, "imgbtnPlay")->toolTip(), "play");
  EXPECT_EQ(Find<QToolButton>(dialog, "imgbtnpause")->toolTip(), "pause");
  EXPECT_EQ(Find<QTabWidget>(dialog, "pgcTrim")->tabText(0), "Trim");
  auto* edtStart = Find<QLineEdit>(dialog, "edtStart");
  auto* edtEnd = Find<QLineEdit>(dialog, "edtEnd");
  auto* edtTrimLength = Find<QLineEdit>(dialog, "edtTrimLength");
  auto* lblPTS = Find<QLabel>(dialog, "lblPTS");
  auto* imgPreview = Find<TVideoSurfaceWidget>(dialog, "imgPreview");
  auto* trcPreview = Find<QSlider>(dialog, "trcPreview");

  dialog.show();
  dialog.Prepare(&record);
  TMediaPlayer& player = dialog.Player();
  const int64_t full = dialog.Range().FullLength();
  ASSERT_GT(full, 4900000);
  EXPECT_EQ(Find<QLabel>(dialog, "lblSourceName")->text().toStdString(),
            clip.size() <= 50 ? clip : clip.substr(0, 44) + "...avi  ");
  EXPECT_EQ(Find<QLabel>(dialog, "lblLength")->text(), "Duration:    " + Time(full));
  EXPECT_EQ(edtStart->text(), "00:00:00.000");
  EXPECT_EQ(edtEnd->text(), Time(full));
  EXPECT_EQ(edtTrimLength->text(), Time(full));
  EXPECT_FALSE(Find<QToolButton>(dialog, "imgbtnPlay")->isEnabled());
  EXPECT_TRUE(Find<QToolButton>(dialog, "imgbtnpause")->isEnabled());

  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return player.LastPosition() > 700000 && imgPreview->HasPicture(); }, 20000));
  QTest::mouseClick(Find<QPushButton>(dialog, "btnOk1"), Qt::LeftButton);
  const int64_t start = dialog.Range().RangeStart();
  EXPECT_GT(start, 700000);
  EXPECT_EQ(edtStart->text(), Time(start));
  EXPECT_EQ(edtTrimLength->text(), Time(full));  // taking the start leaves the length
  EXPECT_TRUE(lblPTS->text().startsWith("Time:    00:00:0")) << lblPTS->text().toStdString();

  ASSERT_TRUE(QTest::qWaitFor([&] { return player.LastPosition() > start + 600000; }, 20000));
  QTest::mouseClick(Find<QPushButton>(dialog, "btnOk2"), Qt::LeftButton);
  const int64_t end = dialog.Range().RangeEnd();
  EXPECT_GT(end, start + 600000);
  EXPECT_EQ(edtEnd->text(), Time(end));
  EXPECT_EQ(edtTrimLength->text(), Time(end - start));

  // The shown picture went through the job's processing: dark inside, the green frame at the
  // crop margins (40 of 320 source pixels from the left).
  const QImage shot = imgPreview->grab().toImage();
  const QRect area = imgPreview->PictureRect();
  ASSERT_FALSE(area.isEmpty());
  const QRgb middle = shot.pixel(area.center());
  EXPECT_LT(qGray(middle), 24) << std::hex << middle;
  const int frameX = area.left() + 40 * area.width() / 320;
  EXPECT_TRUE(test::GreenBetween(shot, frameX - 3, frameX + 4, area.center().y()));
  EXPECT_FALSE(test::GreenBetween(shot, area.left(), frameX - 4, area.center().y()));

  QTest::mouseClick(Find<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(record.TrimStart, start);
  EXPECT_EQ(record.TrimLength, end - start);

  // Reopened (the dialog is kept): the stored range. Default then Cancel changes nothing.
  dialog.show();
  dialog.Prepare(&record);
  EXPECT_EQ(edtStart->text(), Time(start));
  EXPECT_EQ(edtEnd->text(), Time(end));
  EXPECT_EQ(edtTrimLength->text(), Time(end - start));
  QTest::mouseClick(Find<QPushButton>(dialog, "btnDefault"), Qt::LeftButton);
  EXPECT_EQ(edtStart->text(), "00:00:00");
  EXPECT_EQ(edtEnd->text(), Time(full));
  // The end of playback: paused at the start, Play offered, the bar off, no processing.
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.PreviewEnded(); }, 30000));
  EXPECT_TRUE(Find<QToolButton>(dialog, "imgbtnPlay")->isEnabled());
  EXPECT_FALSE(Find<QToolButton>(dialog, "imgbtnpause")->isEnabled());
  EXPECT_FALSE(trcPreview->isEnabled());
  EXPECT_EQ(lblPTS->text(), "00:00:00");
  ASSERT_TRUE(QTest::qWaitFor([&] { return player.Paused(); }, 20000));
  // Play shows the job's effects again.
  QTest::mouseClick(Find<QToolButton>(dialog, "imgbtnPlay"), Qt::LeftButton);
  EXPECT_FALSE(dialog.PreviewEnded());
  EXPECT_TRUE(trcPreview->isEnabled());
  QTest::mouseClick(Find<QPushButton>(dialog, "btnCancel"), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(record.TrimStart, start);
  EXPECT_EQ(record.TrimLength, end - start);

  // No job: nothing opens, Ok leaves everything alone.
  dialog.show();
  dialog.Prepare(nullptr);
  EXPECT_TRUE(edtStart->text().isEmpty());
  QTest::mouseClick(Find<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace qarvo
