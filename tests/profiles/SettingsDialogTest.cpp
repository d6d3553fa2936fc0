#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include "core/GlobalObject.h"
#include "core/IniFile.h"
#include "profiles/IUserPrompts.h"
#include "profiles/TFormatSelector.h"
#include "profiles/TParameterPanel.h"
#include "profiles/TfrmSettings.h"

#include "support/QtApplication.h"
#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

constexpr const char* kDefinitions =
    "[formatInfo1]\nVideoSize=320x240,640x480\nVideoBitRate=384,768\nFrameRate=15,25\n"
    "VideoEncoder=MPEG-4,H264\nAudioBitRate=64,128\nSampleRate=22050,44100\nAudioEncoder=AAC\n"
    "Channel=stereo 2 channels,mono 1 channel\nVolume=50%,100%\n"
    "[formatInfo706]\nVideoSize=null\nVideoEncoder=\nAudioBitRate=192,384\nSampleRate=48000\n"
    "AudioEncoder=AC3\nChannel=stereo 2 channels\nVolume=100%\n";

struct TRecordedPrompts : IUserPrompts {
  void ShowMessage(const TParamMessage& message) override { Messages.push_back(message); }
  void Beep() override {}
  std::vector<TParamMessage> Messages;
};

class SettingsDialogTest : public ::testing::Test {
 protected:
  SettingsDialogTest() {
    test::QtApplication();
    test::WriteText(folder_.File("formats.ini"), kDefinitions);
    global_.SetSettingsFile(folder_.File("settings.ini"));
    global_.SetFormatFile(folder_.File("formats.ini"));
    test::WriteText(global_.SettingsFile(),
                    "[settings]\nFormatCode=1\nFormatName=Apple iPod Video MPEG-4 Movie (*.mp4)\n"
                    "[formatInfo1]\nparaAudioBitRate=128\n");
  }
  template <typename T>
  T* In(QWidget& parent, const char* name) {
    return parent.findChild<T*>(QString::fromLatin1(name));
  }
  // In the dialog: the audio category expanded, AC-3 chosen, its second bit rate picked.
  void ChooseAc3(TfrmSettings& dialog) {
    dialog.Selector().ShowList();
    auto* list = In<QListView>(dialog, "lst1");
    const auto rowOf = [&](const QString& text, int from) {
      for (int row = from; row < list->model()->rowCount(); ++row)
        if (list->model()->index(row, 0).data().toString() == text) return row;
      return -1;
    };
    const auto press = [&](int row, int x) {
      const QRect rect = list->visualRect(list->model()->index(row, 0));
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                        QPoint(rect.left() + x, rect.center().y()));
    };
    const int audio = rowOf("General Audio formates", 28);
    ASSERT_GE(audio, 0);
    press(audio, 5);
    press(rowOf("AC-3 Audio Codec (*.ac3)", audio), 100);
    ASSERT_EQ(dialog.Selector().CurrentCode(), 706);
    auto* bitRate = In<QComboBox>(dialog, "cmbAudioBitRate");
    ASSERT_EQ(bitRate->count(), 2);
    bitRate->setCurrentIndex(1);
    emit bitRate->activated(1);
  }

  test::TScratchFolder folder_;
  TGlobalObject global_;
};

TEST_F(SettingsDialogTest, AppliesOnOkOnlyAndTheMainListTakesItsState) {
  // The main window's own selector and panel over the real file.
  TFormatSelector mainSelector(global_);
  TParameterPanel mainPanel(global_);
  QObject::connect(&mainSelector, &TFormatSelector::FormatChanged, &mainPanel,
                   &TParameterPanel::LoadFormat);
  mainSelector.Build();
  const int mainRows = mainSelector.findChild<QListView*>("lst1")->model()->rowCount();

  mainSelector.SaveCollapseState();
  const std::string before = test::ReadText(global_.SettingsFile());
  TfrmSettings dialog(global_);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), "Settings");
  // The starting size, widened where the two option groups need more room.
  EXPECT_EQ(
      dialog.size(),
      QSize(TfrmSettings::kWidth, TfrmSettings::kHeight).expandedTo(dialog.minimumSizeHint()));
  {
    // With fonts 125 % larger the dialog grows alike, and the longest channel name stays whole.
    TfrmSettings larger(global_);
    QFont font = larger.font();
    font.setPointSizeF(font.pointSizeF() * 1.25);
    larger.setFont(font);
    larger.show();
    EXPECT_GT(larger.width(), dialog.width() * 6 / 5);
    auto* channel = In<QComboBox>(larger, "cmbChannel");
    EXPECT_GE(channel->width() - 30,
              channel->fontMetrics().horizontalAdvance(channel->currentText()))
        << channel->currentText().toStdString();
  }
  EXPECT_EQ(In<QLineEdit>(dialog, "edt1")->text(), "Apple iPod Video MPEG-4 Movie (*.mp4)");
  EXPECT_EQ(In<QComboBox>(dialog, "cmbAudioBitRate")->currentText(), "128");
  ChooseAc3(dialog);
  // Its list opened downwards, right below the field.
  dialog.Selector().ShowList();
  auto* field = In<QLineEdit>(dialog, "edt1");
  const QRect list = In<QWidget>(dialog, "lst1Popup")->frameGeometry();
  EXPECT_EQ(list.top(), field->mapToGlobal(QPoint(0, field->height() - 1)).y());
  EXPECT_LE(list.height(), 247);
  dialog.Selector().HideList();
  QTest::mouseClick(In<QPushButton>(dialog, "btnCancel"), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(test::ReadText(global_.SettingsFile()), before);

  // Opened again: the real file's format, not the cancelled one.
  dialog.show();
  EXPECT_EQ(dialog.Selector().CurrentCode(), 1);
  EXPECT_EQ(In<QLineEdit>(dialog, "edt1")->text(), "Apple iPod Video MPEG-4 Movie (*.mp4)");
  ChooseAc3(dialog);
  QTest::mouseClick(In<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  const TIniFile settings(global_.SettingsFile());
  EXPECT_EQ(settings.ReadInteger("settings", "FormatCode", 0), 706);
  EXPECT_EQ(settings.ReadString("settings", "FormatName", ""), "AC-3 Audio Codec (*.ac3)");
  EXPECT_EQ(settings.ReadString("formatInfo706", "Description", ""), "AC-3 Audio Codec (*.ac3)");
  EXPECT_EQ(settings.ReadString("formatInfo706", "paraAudioBitRate", ""), "384");
  EXPECT_EQ(settings.ReadString("formatInfo1", "paraAudioBitRate", ""), "128");  // untouched

  // The main list rebuilt: the new format, its parameters, the dialog's expanded category.
  mainSelector.Build();
  EXPECT_EQ(mainSelector.CurrentCode(), 706);
  EXPECT_EQ(mainSelector.FormatName(), "AC-3 Audio Codec (*.ac3)");
  EXPECT_EQ(mainSelector.findChild<QListView*>("lst1")->model()->rowCount(), mainRows + 7);
  EXPECT_EQ(mainPanel.findChild<QComboBox*>("cmbAudioBitRate")->currentText(), "384");
}

TEST_F(SettingsDialogTest, ATypedFrameSizeIsCorrectedAndWrittenOnlyOnOk) {
  TfrmSettings dialog(global_);
  TRecordedPrompts prompts;
  dialog.SetPrompts(&prompts);
  dialog.show();
  const std::string before = test::ReadText(global_.SettingsFile());
  auto* size = In<QComboBox>(dialog, "cmbVideoSize");
  ASSERT_TRUE(size->isEditable());
  size->setFocus();
  size->lineEdit()->selectAll();
  QTest::keyClicks(size->lineEdit(), "321x241");
  QTest::mouseClick(In<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
  // The correction shows; the dialog stays and the real file is as it was.
  ASSERT_FALSE(prompts.Messages.empty());
  EXPECT_EQ(size->currentText(), "320x240");
  EXPECT_EQ(test::ReadText(global_.SettingsFile()), before);
  EXPECT_TRUE(dialog.isVisible());
  QTest::mouseClick(In<QPushButton>(dialog, "btnOk"), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(TIniFile(global_.SettingsFile()).ReadString("formatInfo1", "paraVideoSize", ""),
            "320x240");
}

// A number is judged when its box is left, so it can be cleared and typed anew; a refused
// one gives the box the focus again.
TEST_F(SettingsDialogTest, TypedNumbersAreCheckedOnLeavingTheirBoxWhichThenKeepsTheFocus) {
  TfrmSettings dialog(global_);
  TRecordedPrompts prompts;
  dialog.SetPrompts(&prompts);
  dialog.show();
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  auto* rate = In<QComboBox>(dialog, "cmbVideoBitRate");
  auto* frameRate = In<QComboBox>(dialog, "cmbFrameRate");
  QLineEdit* edit = rate->lineEdit();
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_TRUE(prompts.Messages.empty());  // cleared to be typed anew
  QTest::keyClicks(edit, "1500");
  frameRate->setFocus();
  EXPECT_TRUE(prompts.Messages.empty());
  EXPECT_EQ(rate->currentText(), "1500");

  // Cleared and left: the message, the second item, and the focus back in the box.
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  frameRate->setFocus();
  ASSERT_EQ(prompts.Messages.size(), 1u);
  EXPECT_EQ(prompts.Messages[0].Text, "Video BitRate is not a valid value!");
  EXPECT_EQ(rate->currentIndex(), 1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }));

  // A 0 still in the box when Ok is pressed: refused, the dialog stays.
  edit->selectAll();
  QTest::keyClicks(edit, "0");
  EXPECT_EQ(prompts.Messages.size(), 1u);
  dialog.btnOkClick();
  ASSERT_EQ(prompts.Messages.size(), 2u);
  EXPECT_EQ(prompts.Messages[1].Text, "Video BitRate is not a valid value!");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(TIniFile(global_.SettingsFile()).ReadString("formatInfo1", "paraVideoBitRate", ""), "");

  // A frame size that had to be corrected keeps the focus too.
  auto* size = In<QComboBox>(dialog, "cmbVideoSize");
  size->lineEdit()->setFocus();
  size->lineEdit()->selectAll();
  QTest::keyClicks(size->lineEdit(), "321x241");
  frameRate->setFocus();
  EXPECT_EQ(size->currentText(), "320x240");
  EXPECT_TRUE(QTest::qWaitFor([&] { return size->lineEdit()->hasFocus(); }));
  dialog.reject();
}

}  // namespace
}  // namespace qarvo
