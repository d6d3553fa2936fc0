// The effects and watermark dialog on a real clip played by the real player.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFontComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "player/TMediaPlayer.h"
#include "editing/TfrmWaterMark.h"
#include "jobs/TVideoSurfaceWidget.h"

#include "DialogTestSupport.h"
#include "support/ScratchFolder.h"
#include "support/TestMedia.h"

namespace qarvo {
namespace {

using test::Find;

struct TRange {
  const char* Bar;
  int Minimum, Maximum;
};

TEST(WaterMarkDialogTest, OpensFromTheRecordPreviewsLiveAndOnlyOkStoresTheValues) {
  test::TQtHandOver handOver;
  test::TScratchFolder folder("watermark-dialog");
  TClipSpec spec = StandardClip("short3s");  // 320 x 240
  spec.AudioCodec.clear();                   // the disk sound driver would race the clock
  spec.Duration = 6.0;
  const std::string clip = EnsureClipFile(spec, "watermark-6s.avi");
  const std::string picture = folder.File("mark.png");
  QImage mark(16, 16, QImage::Format_RGB32);
  mark.fill(Qt::yellow);
  ASSERT_TRUE(mark.save(QString::fromStdString(picture)));

  TlvFilesRecord record = NewJobRecord(clip, "", 6000000, "lbox");
  record.Brightness = 300;
  record.Contrast = 10;
  record.Saturation = 200;
  record.Exposure = 5;
  record.ProcessText = true;
  record.WaterText = "Hi";
  record.WaterFont.Name = "DejaVu Sans";
  record.WaterFont.Size = 12;
  record.WaterFont.Bold = true;
  record.WaterFont.Color = 0xFF0000;
  record.TextHorizPos = 50;
  record.TextVertPos = 25;
  record.WaterImage = picture;
  record.ImageHorizPos = 10;
  record.ImageVertPos = -3;  // shows 0
  record.ImageAlpha = 200;
  record.TransparentStyle = 7;  // anything but 1 is style 2
  const TlvFilesRecord stored = record;

  auto dialog = std::make_unique<TfrmWaterMark>(test::LibraryFolder());
  EXPECT_EQ(dialog->size(), QSize(786, 605));
  auto* tabs = Find<QTabWidget>(*dialog, "pgcEffects");
  EXPECT_EQ(tabs->tabText(0), "Effect");
  EXPECT_EQ(tabs->tabText(1), "Add Text");
  EXPECT_EQ(tabs->tabText(2), "Add Image");
  for (const TRange& range : {TRange{"trcBrightness", 0, 512},
                              {"trcContrast", -100, 100},
                              {"trcSaturation", 0, 512},
                              {"trcExposure", -255, 512},
                              {"trcAutoadjust", 0, 10},
                              {"trcTextHoriz", 0, 100},
                              {"trcTextVert", 0, 100},
                              {"trcTextTran", 0, 10},
                              {"trcImageHoriz", 0, 100},
                              {"trcImageVert", 0, 100},
                              {"trcImageAlpha", 0, 255}}) {
    auto* bar = Find<QSlider>(*dialog, range.Bar);
    EXPECT_EQ(bar->minimum(), range.Minimum) << range.Bar;
    EXPECT_EQ(bar->maximum(), range.Maximum) << range.Bar;
  }
  EXPECT_EQ(Find<QCheckBox>(*dialog, "chkProcessText")->text(), "Process  Added Text");
  EXPECT_EQ(Find<QCheckBox>(*dialog, "chkProcessImage")->text(), "Process  Added Image");
  EXPECT_EQ(Find<QPushButton>(*dialog, "btnBrows")->text(), "&Brows");
  EXPECT_EQ(Find<QPushButton>(*dialog, "btnOk")->text(), "&Ok");
  EXPECT_EQ(Find<QPushButton>(*dialog, "btnCancel")->text(), "&Cancel");
  EXPECT_EQ(Find<QGroupBox>(*dialog, "grpSourcePreview")->title(), "Source Preview");
  EXPECT_EQ(Find<QGroupBox>(*dialog, "grpOutputPreview")->title(), "Output Preview");
  for (const char* name : {"rbAudioAdjust", "rbStyle1", "rbStyle2"})
    Find<QRadioButton>(*dialog, name);
  for (const char* name : {"btnReset", "btnClearText", "btnClearImage"})
    Find<QPushButton>(*dialog, name);
  Find<QFontComboBox>(*dialog, "suiFontCmb");

  dialog->show();
  dialog->Prepare(&record);
  EXPECT_EQ(dialog->windowTitle().toStdString(),
            "Water Mark  " + (clip.size() < 56 ? clip : clip.substr(0, 50) + "...avi  "));
  auto* sizes = Find<QComboBox>(*dialog, "suiFontSizeCmb");
  EXPECT_EQ(sizes->count(), 64);
  EXPECT_EQ(sizes->currentText(), "12");
  EXPECT_EQ(Find<QComboBox>(*dialog, "suiColorBoxcmb")->currentText(), "Red");
  EXPECT_TRUE(Find<QCheckBox>(*dialog, "chkBold")->isChecked());
  EXPECT_EQ(Find<QLineEdit>(*dialog, "edtFont")->text(), "Hi");
  EXPECT_EQ(Find<QSpinBox>(*dialog, "spedtBrightness")->value(), 300);
  EXPECT_EQ(Find<QSpinBox>(*dialog, "spedtExposure")->value(), 5);
  EXPECT_EQ(Find<QSlider>(*dialog, "trcImageVert")->value(), 0);
  EXPECT_EQ(Find<QSlider>(*dialog, "trcImageAlpha")->value(), 200);
  EXPECT_EQ(Find<QLabel>(*dialog, "lblImageAlpha")->text(), "200");
  EXPECT_TRUE(Find<QRadioButton>(*dialog, "rbStyle2")->isChecked());
  EXPECT_TRUE(Find<QSlider>(*dialog, "trcTextHoriz")->isEnabled());
  EXPECT_TRUE(Find<QSlider>(*dialog, "trcImageAlpha")->isEnabled());
  EXPECT_TRUE(Find<QLabel>(*dialog, "lblLength")->text().startsWith("Duration:    00:00:0"));

  // Positions measured on the previewed pictures: 50 % and 25 % of 320 x 240, 10 % and 0 %.
  ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->PicturesProcessed() >= 3; }, 20000));
  TWatermarkPositions last = dialog->LastPositions();
  EXPECT_EQ(last.TextX, 160);
  EXPECT_EQ(last.TextY, 60);
  EXPECT_EQ(last.ImageX, 32);
  EXPECT_EQ(last.ImageY, 0);
  // Changed, then cancelled: the record stays.
  Find<QSpinBox>(*dialog, "spedtBrightness")->setValue(0);
  QTest::mouseClick(Find<QPushButton>(*dialog, "btnCancel"), Qt::LeftButton);
  EXPECT_EQ(record.Brightness, 300);
  EXPECT_EQ(record.TransparentStyle, 7);
  EXPECT_EQ(record.TextX, 0);

  // A new dialog: brightness 0 through its number box darkens the live picture; a moved bar
  // is measured on the next picture; the bars stored nowhere change nothing.
  dialog = std::make_unique<TfrmWaterMark>(test::LibraryFolder());
  dialog->show();
  dialog->Prepare(&record);
  Find<QSpinBox>(*dialog, "spedtBrightness")->setValue(0);
  EXPECT_EQ(Find<QSlider>(*dialog, "trcBrightness")->value(), 0);
  Find<QSlider>(*dialog, "trcTextVert")->setValue(50);
  Find<QSlider>(*dialog, "trcAutoadjust")->setValue(7);
  Find<QSlider>(*dialog, "trcTextTran")->setValue(9);
  Find<QRadioButton>(*dialog, "rbAudioAdjust")->setChecked(true);
  auto* imgPreview = Find<TVideoSurfaceWidget>(*dialog, "imgPreview");
  const auto dark = [&] {
    const QRect area = imgPreview->PictureRect();
    return !area.isEmpty() &&
           qGray(imgPreview->grab().toImage().pixel(area.center() + QPoint(0, area.height() / 4))) <
               24;
  };
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return dialog->LastPositions().TextY == 120 && dark(); }, 20000));
  QTest::mouseClick(Find<QPushButton>(*dialog, "btnOk"), Qt::LeftButton);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(record.Brightness, 0);
  EXPECT_EQ(record.Contrast, 10);
  EXPECT_EQ(record.Saturation, 200);
  EXPECT_EQ(record.Exposure, 5);
  EXPECT_TRUE(record.ProcessText);
  EXPECT_FALSE(record.ProcessImage);
  EXPECT_EQ(record.WaterText, "Hi");
  EXPECT_EQ(record.WaterFont.Size, 12);
  EXPECT_TRUE(record.WaterFont.Bold);
  EXPECT_EQ(record.WaterFont.Color, 0xFF0000u);
  EXPECT_EQ(record.TextX, 160);
  EXPECT_EQ(record.TextY, 120);
  EXPECT_EQ(record.TextHorizPos, 50);
  EXPECT_EQ(record.TextVertPos, 50);
  EXPECT_EQ(record.ImageX, 32);
  EXPECT_EQ(record.ImageY, 0);
  EXPECT_EQ(record.ImageVertPos, 0);
  EXPECT_EQ(record.WaterImage, stored.WaterImage);
  EXPECT_EQ(record.ImageAlpha, 200);
  EXPECT_EQ(record.TransparentStyle, 2);

  // Clearing: the picture's transparency goes to 125, empty boxes turn their bars off, Reset
  // gives the neutral effects; all of it stored on Ok. A chosen file fills the image box.
  dialog = std::make_unique<TfrmWaterMark>(test::LibraryFolder());
  dialog->SetFileChooser([&](QWidget*) { return QString::fromStdString(picture); });
  dialog->show();
  dialog->Prepare(&record);
  QTest::mouseClick(Find<QPushButton>(*dialog, "btnClearImage"), Qt::LeftButton);
  EXPECT_TRUE(Find<QLineEdit>(*dialog, "edtAddImage")->text().isEmpty());
  EXPECT_EQ(Find<QSlider>(*dialog, "trcImageAlpha")->value(), 125);
  EXPECT_FALSE(Find<QSlider>(*dialog, "trcImageHoriz")->isEnabled());
  QTest::mouseClick(Find<QPushButton>(*dialog, "btnBrows"), Qt::LeftButton);
  EXPECT_EQ(Find<QLineEdit>(*dialog, "edtAddImage")->text().toStdString(), picture);
  EXPECT_TRUE(Find<QSlider>(*dialog, "trcImageHoriz")->isEnabled());
  QTest::mouseClick(Find<QPushButton>(*dialog, "btnClearImage"), Qt::LeftButton);
  QTest::mouseClick(Find<QPushButton>(*dialog, "btnClearText"), Qt::LeftButton);
  EXPECT_FALSE(Find<QSlider>(*dialog, "trcTextHoriz")->isEnabled());
  EXPECT_EQ(Find<QSlider>(*dialog, "trcTextVert")->value(), 0);
  QTest::mouseClick(Find<QPushButton>(*dialog, "btnReset"), Qt::LeftButton);
  EXPECT_EQ(Find<QSpinBox>(*dialog, "spedtBrightness")->text(), "255");
  EXPECT_EQ(Find<QSpinBox>(*dialog, "spedtContrast")->text(), "0");
  EXPECT_EQ(Find<QSpinBox>(*dialog, "spedtSaturation")->text(), "255");
  EXPECT_EQ(Find<QSpinBox>(*dialog, "spedtExposure")->text(), "0");
  EXPECT_FALSE(Find<QCheckBox>(*dialog, "chkProcessText")->isChecked());
  QTest::mouseClick(Find<QPushButton>(*dialog, "btnOk"), Qt::LeftButton);
  EXPECT_TRUE(record.WaterText.empty());
  EXPECT_TRUE(record.WaterImage.empty());
  EXPECT_EQ(record.ImageAlpha, 125);
  EXPECT_EQ(record.Brightness, 255);
  EXPECT_EQ(record.Saturation, 255);
  EXPECT_FALSE(record.ProcessText);
  EXPECT_FALSE(record.NeedsHook());

  // A source the player cannot open: no picture is previewed, and Ok keeps the positions.
  TlvFilesRecord unplayable = NewJobRecord(folder.File("missing.avi"), "", 0, "lbox");
  unplayable.WaterText = "Hi";
  unplayable.TextX = 40;
  unplayable.TextY = 30;
  unplayable.TextHorizPos = 12;
  unplayable.ImageX = 8;
  dialog = std::make_unique<TfrmWaterMark>(test::LibraryFolder());
  dialog->show();
  dialog->Prepare(&unplayable);
  EXPECT_FALSE(Find<QToolButton>(*dialog, "imgbtnPlay")->isEnabled());
  EXPECT_FALSE(Find<QToolButton>(*dialog, "imgbtnpause")->isEnabled());
  QTest::mouseClick(Find<QPushButton>(*dialog, "btnOk"), Qt::LeftButton);
  EXPECT_EQ(unplayable.TextX, 40);
  EXPECT_EQ(unplayable.TextY, 30);
  EXPECT_EQ(unplayable.TextHorizPos, 12);
  EXPECT_EQ(unplayable.ImageX, 8);
}

}  // namespace
}  // namespace qarvo
