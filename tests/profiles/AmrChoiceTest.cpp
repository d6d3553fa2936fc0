// Narrow-band AMR in the settings dialog: where the libraries cannot encode it the choice is
// shown as unavailable with its reason, and choosing it moves the sample rate, bit rate and
// channels to what the codec takes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>

#include "core/GlobalObject.h"
#include "core/IniFile.h"
#include "profiles/IUserPrompts.h"
#include "profiles/TParameterPanel.h"
#include "profiles/TfrmSettings.h"

#include "support/QtApplication.h"
#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

// The lists of the catalogue's 3GP formats, as the definition file gives them.
constexpr const char* kDefinitions =
    "[formatInfo200]\nFormat=3gp\nFileExt=3gp\nVideoSize=128x96,176x144,352x288\niVideoSize=1\n"
    "VideoBitRate=64,96,128,192,256,384,512\niVideoBitRate=3\n"
    "FrameRate=10,12,15,20,25,29.97\niFrameRate=2\nVideoEncoder=H263,MPEG-4\niVideoEncoder=0\n"
    "AudioBitRate=12.2,24,32,48,64,96\niAudioBitRate=2\nSampleRate=8000,16000,22050,44100\n"
    "iSampleRate=2\nAudioEncoder=AAC,AMR_NB\niAudioEncoder=0\n"
    "Channel=mono 1 channel,stereo 2 channels,as source\niChannel=0\n"
    "Volume=25%,50%,75%,100%,125%\niVolume=3\n"
    "[formatInfo201]\nFormat=3gp\nFileExt=3gp\nVideoSize=176x144\nVideoEncoder=MPEG-4\n"
    "AudioBitRate=24,32\nSampleRate=16000,22050\nAudioEncoder=AAC,AMR_NB\n"
    "Channel=stereo 2 channels,mono 1 channel\nVolume=100%\n";

struct TRecordedPrompts : IUserPrompts {
  void ShowMessage(const TParamMessage& message) override { Messages.push_back(message); }
  void Beep() override {}
  std::vector<TParamMessage> Messages;
};

class AmrChoiceTest : public ::testing::Test {
 protected:
  AmrChoiceTest() {
    test::QtApplication();
    test::WriteText(folder_.File("formats.ini"), kDefinitions);
    global_.SetSettingsFile(folder_.File("settings.ini"));
    global_.SetFormatFile(folder_.File("formats.ini"));
  }
  void StartWith(int code) {
    test::WriteText(global_.SettingsFile(),
                    "[settings]\nFormatCode=" + std::to_string(code) +
                        "\nFormatName=Mobile Phone 3GP h263 Video(*.3gp)\n");
  }
  QComboBox* Box(QWidget& parent, const char* name) {
    return parent.findChild<QComboBox*>(QString::fromLatin1(name));
  }
  // Picks an item as the user does: the box focused, the arrow key pressed.
  void PickNext(QComboBox* box) {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
  }
  std::string Written(int code, const char* key) const {
    return TIniFile(global_.SettingsFile())
        .ReadString("formatInfo" + std::to_string(code), key, "<none>");
  }

  test::TScratchFolder folder_;
  TGlobalObject global_;
};

TEST_F(AmrChoiceTest, AnEncoderTheLibrariesLackIsShownUnavailableWithItsReason) {
  StartWith(200);
  TfrmSettings dialog(global_);
  TRecordedPrompts prompts;
  dialog.SetPrompts(&prompts);
  dialog.SetEncoderAvailability(
      [](const std::string& name) { return name != "libopencore_amrnb"; });
  dialog.show();
  QComboBox* audio = Box(dialog, "cmbAudioEncoder");
  ASSERT_EQ(audio->count(), 2);
  ASSERT_EQ(audio->itemText(1), "AMR_NB");
  const QString reason = audio->itemData(1, Qt::ToolTipRole).toString();
  EXPECT_TRUE(reason.startsWith("\"AMR_NB\" cannot be used here")) << reason.toStdString();
  EXPECT_TRUE(reason.contains("Choose another encoder")) << reason.toStdString();
  EXPECT_TRUE(audio->itemData(1, Qt::ForegroundRole).isValid());
  EXPECT_FALSE(audio->itemData(0, Qt::ToolTipRole).isValid());
  EXPECT_TRUE(audio->toolTip().isEmpty());

  PickNext(audio);
  EXPECT_EQ(audio->currentText(), "AMR_NB");
  EXPECT_EQ(audio->toolTip(), reason);
  EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(AmrChoiceTest, ChoosingItMovesRateBitRateAndChannelsToTheCodecsLimits) {
  StartWith(200);
  TfrmSettings dialog(global_);
  dialog.show();
  QComboBox* rate = Box(dialog, "cmbSamplerate");
  QComboBox* bits = Box(dialog, "cmbAudioBitRate");
  QComboBox* channel = Box(dialog, "cmbChannel");
  // Stereo 44.1 kHz at 64 kbit/s with AAC first.
  PickNext(rate);
  PickNext(bits);
  PickNext(bits);
  PickNext(channel);
  ASSERT_EQ(rate->currentText(), "44100");
  ASSERT_EQ(bits->currentText(), "64");
  ASSERT_EQ(channel->currentText(), "stereo 2 channels");

  PickNext(Box(dialog, "cmbAudioEncoder"));
  EXPECT_EQ(rate->currentText(), "8000");
  EXPECT_EQ(rate->currentIndex(), 0);
  EXPECT_EQ(bits->currentText(), "12.2");
  EXPECT_EQ(bits->currentIndex(), 0);
  EXPECT_EQ(channel->currentText(), "mono 1 channel");
}

TEST_F(AmrChoiceTest, ValuesTheBoxesDoNotOfferAreTypedAndAllowedOnesStay) {
  StartWith(201);
  {
    TfrmSettings dialog(global_);
    dialog.show();
    ASSERT_EQ(Box(dialog, "cmbSamplerate")->currentText(), "16000");
    PickNext(Box(dialog, "cmbAudioEncoder"));
    // No 8000 and no bit rate up to 12.2 in this format's lists: the limits are typed.
    EXPECT_EQ(Box(dialog, "cmbSamplerate")->currentIndex(), -1);
    EXPECT_EQ(Box(dialog, "cmbSamplerate")->currentText(), "8000");
    EXPECT_EQ(Box(dialog, "cmbAudioBitRate")->currentText(), "12.2");
    EXPECT_EQ(Box(dialog, "cmbChannel")->currentText(), "mono 1 channel");
    QTest::mouseClick(dialog.findChild<QWidget*>("btnOk"), Qt::LeftButton);
  }
  EXPECT_EQ(Written(201, "paraAudioEncoder"), "libopencore_amrnb");
  EXPECT_EQ(Written(201, "paraSampleRate"), "8000");
  EXPECT_EQ(Written(201, "paraAudioBitRate"), "12.2");
  EXPECT_EQ(Written(201, "paraChannel"), "1");

  // Back to AAC, which takes 8 kHz too, and to AMR again: the values stay.
  TfrmSettings dialog(global_);
  dialog.show();
  QComboBox* audio = Box(dialog, "cmbAudioEncoder");
  audio->setFocus();
  QTest::keyClick(audio, Qt::Key_Up);
  ASSERT_EQ(audio->currentText(), "AAC");
  EXPECT_EQ(Box(dialog, "cmbSamplerate")->currentText(), "8000");
  PickNext(audio);
  EXPECT_EQ(Box(dialog, "cmbSamplerate")->currentText(), "8000");
  EXPECT_EQ(Box(dialog, "cmbAudioBitRate")->currentText(), "12.2");
}

}  // namespace
}  // namespace qarvo
