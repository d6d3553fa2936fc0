#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "core/FormatDefinition.h"
#include "core/FormatProfile.h"
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

using test::TScratchFolder;

constexpr const char* kDefinitions =
    "[formatInfo3]\n"
    "VideoSize=320x240,640x480\nVideoBitRate=384,768\nFrameRate=15,25\n"
    "VideoEncoder=MPEG-4,H264\nAudioBitRate=64,128\nSampleRate=22050,44100\nAudioEncoder=AAC\n"
    "Channel=stereo 2 channels,mono 1 channel\nVolume=50%,100%\n"
    "[formatInfo2800]\n"
    "Encoding=current\nVideoSize=as source\nVideoBitRate=1000,4000\niVideoBitRate=1\n"
    "FrameRate=as source,30\nVideoEncoder=H.264\nAudioBitRate=128,160\nSampleRate=44100,48000\n"
    "AudioEncoder=AAC\nChannel=stereo 2 channels\nVolume=100%\n"
    "RateMode=constant quality,average bit rate,two-pass average bit rate,target size\n"
    "iRateMode=0\n"
    "Quality=best (18),high (20),good (23)\niQuality=2\n"
    "Speed=veryfast,medium,slow\niSpeed=1\n"
    "TargetSize=8,25,100\niTargetSize=1\n"
    "[formatInfo3103]\n"
    "Encoding=current\nVideoSize=480x480\nVideoBitRate=null\nFrameRate=15\nVideoEncoder=WebP\n"
    "Quality=high (80),good (70)\niQuality=1\n";

struct TRecordedPrompts : IUserPrompts {
  void ShowMessage(const TParamMessage& message) override { Messages.push_back(message.Text); }
  void Beep() override { ++Beeps; }
  std::vector<std::string> Messages;
  int Beeps = 0;
};

class RateBoxesTest : public ::testing::Test {
 protected:
  RateBoxesTest() {
    test::QtApplication();
    test::WriteText(folder_.File("formats.ini"), kDefinitions);
    global_.SetSettingsFile(folder_.File("settings.ini"));
    global_.SetFormatFile(folder_.File("formats.ini"));
  }
  std::unique_ptr<TParameterPanel> MakePanel() {
    auto panel = std::make_unique<TParameterPanel>(global_);
    panel->SetPrompts(&prompts_);
    panel->show();
    return panel;
  }
  template <typename T = QComboBox>
  static T* In(QWidget& parent, const char* name) {
    return parent.findChild<T*>(QString::fromLatin1(name));
  }
  static void Pick(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
    emit box->activated(index);
  }
  std::string Stored(const std::string& key, int code = 2800) const {
    return TIniFile(global_.SettingsFile()).ReadString(FormatSection(code), key, "<none>");
  }
  // What a run reads from the profile: `read` applied to format 2800's profile.
  template <typename TRead>
  auto Run(TRead read) const {
    const TIniSnapshot settings = TIniFile(global_.SettingsFile()).Snapshot();
    return read(
        TFormatProfile(settings, ReadFormatDefinition(TIniFile(global_.FormatFile()), 2800), 2800));
  }
  std::optional<int64_t> RunTarget() const {
    return Run([](const TFormatProfile& profile) { return profile.TargetSizeBytes(); });
  }

  TScratchFolder folder_;
  TGlobalObject global_;
  TRecordedPrompts prompts_;
};

TEST_F(RateBoxesTest, OnlyTheCurrentFormatsShowTheRateBoxesWhichGateTheBitRate) {
  auto panel = MakePanel();
  auto* group = In<QGroupBox>(*panel, "grpRateOptions");
  ASSERT_NE(group, nullptr);
  auto* bitRate = In(*panel, "cmbVideoBitRate");

  panel->LoadFormat(3);
  EXPECT_FALSE(group->isVisible());
  EXPECT_TRUE(bitRate->isEnabled());

  panel->LoadFormat(2800);
  ASSERT_TRUE(group->isVisible());
  const std::pair<const char*, const char*> boxes[] = {{"cmbRateMode", "Rate Mode:"},
                                                       {"cmbQuality", "Quality:"},
                                                       {"cmbTargetSize", "Size (MB):"},
                                                       {"cmbSpeed", "Speed:"}};
  for (const auto& [name, caption] : boxes) {
    ASSERT_NE(In(*panel, name), nullptr) << name;
    auto* label = In<QLabel>(*panel, (std::string("lbl") + (name + 3)).c_str());
    ASSERT_NE(label, nullptr) << name;
    EXPECT_EQ(label->text().toStdString(), caption);
    EXPECT_TRUE(In(*panel, name)->isVisible()) << name;
  }
  // Nothing written yet: the definition's defaults, as a run would use them.
  EXPECT_EQ(In(*panel, "cmbRateMode")->currentText(), "constant quality");
  EXPECT_EQ(In(*panel, "cmbQuality")->currentText(), "good (23)");
  EXPECT_EQ(In(*panel, "cmbSpeed")->currentText(), "medium");
  EXPECT_EQ(In(*panel, "cmbTargetSize")->currentText(), "25");
  EXPECT_EQ(Stored("paraRateMode"), "<none>");
  EXPECT_TRUE(In(*panel, "cmbQuality")->isEnabled());
  EXPECT_FALSE(In(*panel, "cmbTargetSize")->isEnabled());
  EXPECT_FALSE(bitRate->isEnabled());
  EXPECT_TRUE(In(*panel, "cmbSpeed")->isEnabled());

  QSignalSpy changed(panel.get(), &TParameterPanel::ProfileChanged);
  Pick(In(*panel, "cmbRateMode"), "two-pass average bit rate");
  EXPECT_EQ(changed.count(), 1);
  EXPECT_TRUE(bitRate->isEnabled());
  EXPECT_FALSE(In(*panel, "cmbQuality")->isEnabled());
  EXPECT_FALSE(In(*panel, "cmbTargetSize")->isEnabled());
  EXPECT_EQ(Run([](const TFormatProfile& p) { return p.RateMode(); }),
            TRateMode::TwoPassAverageBitRate);

  Pick(In(*panel, "cmbRateMode"), "target size");
  EXPECT_FALSE(bitRate->isEnabled());
  EXPECT_TRUE(In(*panel, "cmbTargetSize")->isEnabled());
  Pick(In(*panel, "cmbTargetSize"), "100");
  Pick(In(*panel, "cmbRateMode"), "constant quality");
  Pick(In(*panel, "cmbQuality"), "high (20)");
  Pick(In(*panel, "cmbSpeed"), "slow");
  // Stored as values the run reads, and shown again after a reload.
  EXPECT_EQ(Stored("paraQuality"), "20");
  EXPECT_EQ(Stored("paraSpeed"), "slow");
  EXPECT_EQ(Stored("paraTargetSize"), "100");
  EXPECT_EQ(Run([](const TFormatProfile& p) { return p.Quality(); }), 20);
  EXPECT_EQ(RunTarget(), 100'000'000);
  panel->LoadFormat(3);
  panel->LoadFormat(2800);
  EXPECT_EQ(In(*panel, "cmbQuality")->currentText(), "high (20)");
  EXPECT_EQ(In(*panel, "cmbSpeed")->currentText(), "slow");
  EXPECT_EQ(In(*panel, "cmbTargetSize")->currentText(), "100");

  // Default brings back the definition's choices, written.
  panel->DefaultButton()->click();
  EXPECT_EQ(In(*panel, "cmbQuality")->currentText(), "good (23)");
  EXPECT_EQ(Stored("paraQuality"), "23");
  EXPECT_EQ(Stored("paraSpeed"), "medium");
  EXPECT_EQ(Stored("paraRateMode"), "constant quality");
  EXPECT_TRUE(prompts_.Messages.empty());
}

TEST_F(RateBoxesTest, AFormatShowsOnlyTheBoxesItsDefinitionLists) {
  auto panel = MakePanel();
  panel->LoadFormat(3103);
  EXPECT_TRUE(In<QGroupBox>(*panel, "grpRateOptions")->isVisible());
  EXPECT_TRUE(In(*panel, "cmbQuality")->isVisible());
  // Without a rate mode the quality always counts.
  EXPECT_TRUE(In(*panel, "cmbQuality")->isEnabled());
  EXPECT_EQ(In(*panel, "cmbQuality")->currentText(), "good (70)");
  for (const char* name : {"cmbRateMode", "cmbTargetSize", "cmbSpeed", "lblRateMode"})
    EXPECT_FALSE(panel->findChild<QWidget*>(name)->isVisible()) << name;
}

TEST_F(RateBoxesTest, ATypedSizeIsFilteredCheckedOnLeavingAndKept) {
  auto panel = MakePanel();
  panel->LoadFormat(2800);
  Pick(In(*panel, "cmbRateMode"), "target size");
  auto* size = In(*panel, "cmbTargetSize");
  QLineEdit* edit = size->lineEdit();
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, "12.5.x");  // the second point and the letter are refused
  EXPECT_EQ(edit->text(), "12.5");
  EXPECT_EQ(prompts_.Beeps, 2);
  ASSERT_EQ(prompts_.Messages.size(), 2u);
  EXPECT_EQ(prompts_.Messages[0], "Please enter numerical.");
  prompts_.Messages.clear();
  emit edit->editingFinished();
  EXPECT_TRUE(prompts_.Messages.empty());
  EXPECT_EQ(Stored("paraTargetSize"), "12.5");
  EXPECT_EQ(RunTarget(), 12'500'000);
  panel->LoadFormat(2800);
  EXPECT_EQ(size->currentText(), "12.5");

  // A size below 0.1 MB: the message, and the box shows the kept size again.
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, "0.05");
  emit edit->editingFinished();
  ASSERT_EQ(prompts_.Messages.size(), 1u);
  EXPECT_EQ(prompts_.Messages[0], "Target Size is not a valid value!");
  EXPECT_EQ(size->currentText(), "12.5");
  EXPECT_EQ(Stored("paraTargetSize"), "12.5");

  // Typed and not left when a run starts: checked then.
  edit->selectAll();
  QTest::keyClicks(edit, "25.");
  EXPECT_TRUE(panel->CommitFrameSize());
  EXPECT_EQ(Stored("paraTargetSize"), "25");  // the list's "25"
  EXPECT_EQ(Stored("iTargetSize"), "1");
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_FALSE(panel->CommitFrameSize());
  EXPECT_EQ(prompts_.Messages.size(), 2u);
}

TEST_F(RateBoxesTest, TheSettingsDialogKeepsRateChoicesUntilOk) {
  test::WriteText(global_.SettingsFile(), "[settings]\nFormatCode=2800\n");
  const auto open = [&](TfrmSettings& dialog) {
    dialog.SetPrompts(&prompts_);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    ASSERT_EQ(dialog.Selector().CurrentCode(), 2800);
  };
  {
    TfrmSettings dialog(global_);
    open(dialog);
    Pick(In(dialog, "cmbSpeed"), "veryfast");
    dialog.reject();
  }
  EXPECT_EQ(Stored("paraSpeed"), "<none>");
  {
    TfrmSettings dialog(global_);
    open(dialog);
    Pick(In(dialog, "cmbRateMode"), "target size");
    auto* size = In(dialog, "cmbTargetSize");
    QLineEdit* edit = size->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "0");
    // Refused on Ok: the message, the dialog stays and the box takes the focus again.
    dialog.btnOkClick();
    ASSERT_EQ(prompts_.Messages.size(), 1u);
    EXPECT_EQ(prompts_.Messages[0], "Target Size is not a valid value!");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }));
    edit->selectAll();
    QTest::keyClicks(edit, "9.5");
    dialog.btnOkClick();
    EXPECT_FALSE(dialog.isVisible());
  }
  EXPECT_EQ(Stored("paraRateMode"), "target size");
  EXPECT_EQ(Stored("paraTargetSize"), "9.5");
  EXPECT_EQ(RunTarget(), 9'500'000);
}

}  // namespace
}  // namespace qarvo
