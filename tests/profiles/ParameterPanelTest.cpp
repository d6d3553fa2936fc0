#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "core/GlobalObject.h"
#include "core/IniFile.h"
#include "profiles/IUserPrompts.h"
#include "profiles/TParameterPanel.h"

#include "support/QtApplication.h"
#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

using test::TScratchFolder;

constexpr const char* kDefinitions =
    "[formatInfo3]\n"
    "VideoSize=320x240,640x480\n"
    "VideoBitRate=384,768\n"
    "iVideoBitRate=1\n"
    "FrameRate=15,25\n"
    "VideoEncoder=MPEG-4,H264\n"
    "AudioBitRate=64,128\n"
    "SampleRate=22050,44100\n"
    "iSampleRate=1\n"
    "AudioEncoder=AAC,AMR_NB\n"
    "Channel=stereo 2 channels,mono 1 channel\n"
    "Volume=50%,100%\n"
    "iVolume=1\n"
    "[formatInfo4]\n"
    "VideoSize=null\n"
    "VideoEncoder=\n"
    "AudioBitRate=128\n"
    "SampleRate=44100\n"
    "AudioEncoder=MP3\n";

struct TRecordedPrompts : IUserPrompts {
  void ShowMessage(const TParamMessage& message) override { Messages.push_back(message); }
  void Beep() override { ++Beeps; }
  std::vector<TParamMessage> Messages;
  int Beeps = 0;
};

class ParameterPanelTest : public ::testing::Test {
 protected:
  ParameterPanelTest() {
    test::QtApplication();
    test::WriteText(folder_.File("formats.ini"), kDefinitions);
    global_.SetSettingsFile(folder_.File("settings.ini"));
    global_.SetFormatFile(folder_.File("formats.ini"));
    panel_ = std::make_unique<TParameterPanel>(global_);
    panel_->SetPrompts(&prompts_);
    panel_->show();
  }
  QComboBox* Box(const char* name) const { return panel_->findChild<QComboBox*>(name); }
  std::string Profile(const std::string& key) const {
    return TIniFile(global_.SettingsFile()).ReadString("formatInfo3", key, "<none>");
  }

  TScratchFolder folder_;
  TGlobalObject global_;
  TRecordedPrompts prompts_;
  std::unique_ptr<TParameterPanel> panel_;
};

TEST_F(ParameterPanelTest, BoxesAreNamedLabelledAndFollowTheFormat) {
  panel_->LoadFormat(3);
  const std::pair<const char*, const char*> boxes[] = {{"cmbVideoSize", "Frame Size:"},
                                                       {"cmbVideoEncoder", "Encoder:"},
                                                       {"cmbVideoBitRate", "BitRate (Kbps):"},
                                                       {"cmbFrameRate", "FrameRate (Fps):"},
                                                       {"cmbZoom", "Zoom:"},
                                                       {"cmbSamplerate", "SampleRate (Hz):"},
                                                       {"cmbAudioEncoder", "Encoder:"},
                                                       {"cmbChannel", "Channel:"},
                                                       {"cmbVolume", "Volume:"},
                                                       {"cmbAudioBitRate", "BitRate (Kbps):"}};
  for (const auto& [name, caption] : boxes) {
    QComboBox* box = Box(name);
    ASSERT_NE(box, nullptr) << name;
    const auto* label =
        qobject_cast<QLabel*>(panel_->findChild<QLabel*>(QString("lbl") + (name + 3)));
    ASSERT_NE(label, nullptr) << name;
    EXPECT_EQ(label->text(), caption);
    EXPECT_EQ(label->buddy(), box);
    EXPECT_TRUE(box->isEnabled()) << name;
  }
  EXPECT_EQ(panel_->findChild<QGroupBox*>("grpVideoOptions")->title(), "Video Options");
  EXPECT_EQ(panel_->findChild<QGroupBox*>("grpAudioOptions")->title(), "Audio Options");
  EXPECT_EQ(panel_->findChild<QPushButton*>("btnDefault")->text(), "Default");
  EXPECT_EQ(Box("cmbVideoBitRate")->currentText(), "768");
  EXPECT_EQ(Box("cmbZoom")->count(), 3);

  // An audio-only format greys the video group, labels included.
  panel_->LoadFormat(4);
  EXPECT_FALSE(Box("cmbVideoSize")->isEnabled());
  EXPECT_FALSE(Box("cmbZoom")->isEnabled());
  EXPECT_FALSE(panel_->findChild<QLabel*>("lblVideoSize")->isEnabled());
  EXPECT_TRUE(Box("cmbAudioEncoder")->isEnabled());
  EXPECT_FALSE(Box("cmbChannel")->isEnabled());  // "null"
  EXPECT_TRUE(prompts_.Messages.empty());
}

TEST_F(ParameterPanelTest, TypedValuesAreFilteredCheckedAndWrittenAtOnce) {
  panel_->LoadFormat(3);
  QSignalSpy changed(panel_.get(), &TParameterPanel::ProfileChanged);
  QLineEdit* size = Box("cmbVideoSize")->lineEdit();
  size->setFocus();
  size->selectAll();
  QTest::keyClicks(size, "321x2x41");  // the second "x" is refused with a beep
  EXPECT_EQ(size->text(), "321x241");
  EXPECT_EQ(prompts_.Beeps, 1);
  EXPECT_TRUE(prompts_.Messages.empty());
  EXPECT_EQ(changed.count(), 0);
  QTest::keyClick(size, Qt::Key_Return);
  ASSERT_EQ(prompts_.Messages.size(), 1u);
  EXPECT_EQ(prompts_.Messages[0].Kind, TParamMessage::TKind::InputError);
  EXPECT_EQ(size->text(), "320x240");
  EXPECT_EQ(Profile("paraVideoSize"), "320x240");
  EXPECT_GE(changed.count(), 1);

  QLineEdit* rate = Box("cmbVideoBitRate")->lineEdit();
  rate->setFocus();
  rate->selectAll();
  QTest::keyClicks(rate, "9.5");
  EXPECT_EQ(rate->text(), "95");
  EXPECT_EQ(prompts_.Beeps, 2);
  ASSERT_EQ(prompts_.Messages.size(), 2u);
  EXPECT_EQ(prompts_.Messages[1].Text, "Please enter numerical.");
  EXPECT_EQ(Profile("paraVideoBitRate"), "95");
  EXPECT_EQ(Profile("iVideoBitRate"), "-1");
  // No run can use a bit rate of 0: refused like any other invalid value.
  rate->selectAll();
  QTest::keyClicks(rate, "0");
  EXPECT_EQ(prompts_.Messages.back().Text, "Video BitRate is not a valid value!");
  EXPECT_EQ(Profile("paraVideoBitRate"), "95");
  QLineEdit* sound = Box("cmbAudioBitRate")->lineEdit();
  sound->setFocus();
  sound->selectAll();
  QTest::keyClicks(sound, "0");
  EXPECT_EQ(prompts_.Messages.back().Text, "Audio BitRate is not a valid value!");
  EXPECT_NE(Profile("paraAudioBitRate"), "0");

  // A typed size still in the box is committed by the check before a run.
  size->setFocus();
  size->selectAll();
  QTest::keyClicks(size, "640");
  EXPECT_FALSE(panel_->CommitFrameSize());
  EXPECT_EQ(prompts_.Messages.back().Text, "Frame Size is not a valid value!");
  EXPECT_EQ(Box("cmbVideoSize")->currentIndex(), 1);
  EXPECT_EQ(Profile("paraVideoSize"), "320x240");
}

TEST_F(ParameterPanelTest, MissingEncodersLookUnavailableAndStopTheRunWhileDefaultResets) {
  panel_->SetEncoderAvailability(
      [](const std::string& name) { return name != "libopencore_amrnb"; });
  panel_->LoadFormat(3);
  QComboBox* audio = Box("cmbAudioEncoder");
  EXPECT_TRUE(audio->itemData(1, Qt::ToolTipRole).toString().contains("LibAV"));
  EXPECT_TRUE(audio->itemData(1, Qt::ForegroundRole).isValid());
  EXPECT_FALSE(audio->itemData(0, Qt::ToolTipRole).isValid());
  EXPECT_TRUE(panel_->CommitFrameSize());

  audio->setFocus();
  QTest::keyClick(audio, Qt::Key_Down);  // chosen anyway
  EXPECT_EQ(Profile("paraAudioEncoder"), "libopencore_amrnb");
  EXPECT_TRUE(audio->toolTip().contains("libopencore_amrnb"));
  EXPECT_FALSE(panel_->CommitFrameSize());
  ASSERT_EQ(prompts_.Messages.size(), 1u);
  EXPECT_EQ(prompts_.Messages[0].Kind, TParamMessage::TKind::Warning);

  QSignalSpy changed(panel_.get(), &TParameterPanel::ProfileChanged);
  QTest::mouseClick(panel_->DefaultButton(), Qt::LeftButton);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(audio->currentIndex(), 0);
  EXPECT_EQ(Profile("paraAudioEncoder"), "libfaac");
  EXPECT_EQ(Profile("paraVideoBitRate"), "768");
  EXPECT_EQ(Profile("paraSampleRate"), "44100");
  EXPECT_EQ(Profile("paraVolume"), "256");
  EXPECT_EQ(Profile("paraZoom"), "full");
  EXPECT_TRUE(panel_->CommitFrameSize());
}

TEST_F(ParameterPanelTest, NothingIsClippedAtOneHundredTwentyFivePercentFontSize) {
  const QFont normal = QApplication::font();
  QFont large = normal;
  large.setPointSizeF(normal.pointSizeF() * 1.25);
  QApplication::setFont(large);
  TParameterPanel panel(global_);
  panel.LoadFormat(3);
  panel.show();
  panel.resize(panel.minimumSizeHint());
  QApplication::sendPostedEvents();
  for (QLabel* label : panel.findChildren<QLabel*>())
    EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
  for (QComboBox* box : panel.findChildren<QComboBox*>())
    EXPECT_GE(box->width(), box->minimumSizeHint().width()) << box->objectName().toStdString();
  QApplication::setFont(normal);
}

}  // namespace
}  // namespace qarvo
