#include <gtest/gtest.h>

#include "core/IniFile.h"
#include "core/ParameterEditor.h"
#include "core/ParameterRules.h"

#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

using test::TScratchFolder;
using test::WriteText;
using TKind = TParamMessage::TKind;

constexpr const char* kDefinitions =
    "[formatInfo5]\n"
    "VideoSize=320x240,640x480,as source\n"
    "iVideoSize=1\n"
    "VideoBitRate=384,768\n"
    "iVideoBitRate=1\n"
    "FrameRate=as source,15,25\n"
    "iFrameRate=2\n"
    "VideoEncoder=MPEG-4,H264\n"
    "AudioBitRate=64,96.5,128\n"
    "iAudioBitRate=2\n"
    "SampleRate=as source,22050,44100\n"
    "iSampleRate=1\n"
    "AudioEncoder=AAC,AMR_NB\n"
    "Channel=stereo 2 channels,mono 1 channel\n"
    "Volume=50%,100%,200%\n"
    "iVolume=1\n"
    "paraBitExact=True\n"
    "paraMaxBitrate=1500\n"
    "paraLevel=0\n"
    "paraCoder=0\n"
    "[formatInfo6]\n"
    "VideoSize=\n"
    "VideoBitRate=null\n"
    "VideoEncoder=MPEG-4,H264\n"
    "AudioEncoder=\n"
    "[formatInfo7]\n"
    "VideoSize=320x240\n"
    "VideoEncoder=H264\n"
    "paraGop=twelve\n"
    "paraMaxBitrate=900\n"
    "AudioEncoder=AAC\n";

class ParameterEditorTest : public ::testing::Test {
 protected:
  ParameterEditorTest() : settings_(folder_.File("settings.ini")) {
    WriteText(folder_.File("formats.ini"), kDefinitions);
  }
  TParameterEditor Editor(int code) {
    TParameterEditor editor(folder_.File("formats.ini"), folder_.File("settings.ini"));
    editor.Load(code);
    return editor;
  }
  std::string Profile(int code, const std::string& key) const {
    return settings_.ReadString("formatInfo" + std::to_string(code), key, "<none>");
  }

  TScratchFolder folder_;
  TIniFile settings_;
};

TEST(ParameterRules, KeyFiltersAndNumberTests) {
  EXPECT_EQ(FilterKey(TKeyRule::Numeric, "12", '3').Accept, true);
  const TKeyVerdict point = FilterKey(TKeyRule::Numeric, "12", '.');
  EXPECT_FALSE(point.Accept);
  EXPECT_TRUE(point.Beep);
  EXPECT_TRUE(point.NumericMessage);
  EXPECT_TRUE(FilterKey(TKeyRule::Numeric, "12", kBackspace).Accept);
  EXPECT_TRUE(FilterKey(TKeyRule::Numeric, "12", '\r').Accept);  // Enter is no character
  EXPECT_TRUE(FilterKey(TKeyRule::FrameSize, "320", 'x').Accept);
  const TKeyVerdict second = FilterKey(TKeyRule::FrameSize, "320x", 'x');
  EXPECT_FALSE(second.Accept);
  EXPECT_TRUE(second.Beep);
  EXPECT_FALSE(second.NumericMessage);
  EXPECT_FALSE(FilterKey(TKeyRule::FrameSize, "320", 'a').Accept);
  EXPECT_TRUE(FilterKey(TKeyRule::FrameSize, "", 'a').Accept);

  EXPECT_TRUE(IsIntegerText("-12"));
  EXPECT_FALSE(IsIntegerText(""));
  EXPECT_FALSE(IsIntegerText(" 12"));
  EXPECT_FALSE(IsIntegerText("99999999999"));
  EXPECT_TRUE(IsDecimalText("96.5"));
  EXPECT_FALSE(IsDecimalText("inf"));
  EXPECT_FALSE(IsDecimalText("9.6.5"));

  EXPECT_EQ(CheckFrameSize("321x241").Size, "320x240");
  EXPECT_EQ(CheckFrameSize("0x0").Size, "2x2");
  EXPECT_EQ(CheckFrameSize("1x4").Result, TFrameSizeCheck::TResult::Corrected);
  EXPECT_EQ(CheckFrameSize("640x480").Result, TFrameSizeCheck::TResult::Accepted);
  EXPECT_EQ(CheckFrameSize("640").Result, TFrameSizeCheck::TResult::Invalid);
  EXPECT_EQ(CheckFrameSize("axb").Result, TFrameSizeCheck::TResult::Invalid);
  EXPECT_EQ(CheckFrameSize("As Source").Result, TFrameSizeCheck::TResult::AsSource);
  // Only the encoders composition hands to the engine are looked up.
  EXPECT_EQ(VideoEncoderToFind("H264"), "libx264");
  EXPECT_FALSE(VideoEncoderToFind("3GP"));
  EXPECT_EQ(AudioEncoderToFind("AMR_NB"), "libopencore_amrnb");
}

TEST_F(ParameterEditorTest, LoadingShowsTheProfileOrTheRunsDefaultsAndWritesNothing) {
  TParameterEditor fresh = Editor(5);
  // Never edited: what a run would use, the definition's default choices.
  EXPECT_EQ(fresh.Box(TParamBox::VideoSize).Text, "640x480");
  EXPECT_EQ(fresh.Box(TParamBox::VideoBitRate).Index, 1);
  EXPECT_EQ(fresh.Box(TParamBox::FrameRate).Text, "25");
  EXPECT_EQ(fresh.Box(TParamBox::Volume).Text, "100%");
  EXPECT_EQ(fresh.Box(TParamBox::Zoom).Text, "Letter Box");
  EXPECT_EQ(fresh.Box(TParamBox::SampleRate).Items[0].Text, "as source");
  EXPECT_FALSE(settings_.SectionExists("formatInfo5"));

  settings_.WriteValues("formatInfo5", {{"paraVideoSize", "AS SOURCE"},
                                        {"paraVideoBitRate", "999"},
                                        {"iFrameRate", "7"},
                                        {"paraZoom", "center"}});
  TParameterEditor edited = Editor(5);
  EXPECT_EQ(edited.Box(TParamBox::VideoSize).Index, 2);  // matched without regard to case
  EXPECT_EQ(edited.Box(TParamBox::VideoSize).Text, "as source");
  EXPECT_EQ(edited.Box(TParamBox::VideoBitRate).Index, -1);
  EXPECT_EQ(edited.Box(TParamBox::VideoBitRate).Text, "999");
  EXPECT_EQ(edited.Box(TParamBox::FrameRate).Index, -1);  // outside the list: nothing
  EXPECT_EQ(edited.Box(TParamBox::Zoom).Index, -1);       // "center" has no item
  EXPECT_TRUE(edited.Box(TParamBox::Zoom).Enabled);

  // "null" disables, an empty frame-size list stays enabled and empty, and a format without
  // audio encoders greys the whole audio group.
  TParameterEditor partial = Editor(6);
  EXPECT_TRUE(partial.Box(TParamBox::VideoSize).Enabled);
  EXPECT_TRUE(partial.Box(TParamBox::VideoSize).Items.empty());
  EXPECT_FALSE(partial.Box(TParamBox::VideoBitRate).Enabled);
  EXPECT_FALSE(partial.Box(TParamBox::FrameRate).Enabled);
  EXPECT_TRUE(partial.VideoEnabled());
  EXPECT_FALSE(partial.AudioEnabled());
  for (TParamBox box : {TParamBox::SampleRate, TParamBox::AudioEncoder, TParamBox::Channel,
                        TParamBox::Volume, TParamBox::AudioBitRate})
    EXPECT_FALSE(partial.Box(box).Enabled);
  EXPECT_EQ(partial.Writes(), 0);
}

TEST_F(ParameterEditorTest, TypedFrameSizesAreCorrectedOrRefusedWhenLeavingTheBox) {
  TParameterEditor editor = Editor(5);
  editor.Type(TParamBox::VideoSize, "321x241");
  EXPECT_EQ(Profile(5, "paraVideoSize"), "<none>");  // not before leaving
  const auto corrected = editor.LeaveFrameSize();
  ASSERT_TRUE(corrected);
  EXPECT_EQ(corrected->Kind, TKind::InputError);
  EXPECT_EQ(corrected->Text, "Frame Size must be a multiple of 2.\nThe correct value:320x240");
  EXPECT_EQ(editor.Box(TParamBox::VideoSize).Text, "320x240");
  EXPECT_EQ(Profile(5, "paraVideoSize"), "320x240");
  EXPECT_EQ(Profile(5, "iVideoSize"), "0");

  editor.Type(TParamBox::VideoSize, "0x0");
  editor.LeaveFrameSize();
  EXPECT_EQ(Profile(5, "paraVideoSize"), "2x2");

  editor.Type(TParamBox::VideoSize, "640");
  const auto refused = editor.LeaveFrameSize();
  ASSERT_TRUE(refused);
  EXPECT_EQ(*refused, (TParamMessage{TKind::Information, "Frame Size is not a valid value!"}));
  EXPECT_EQ(editor.Box(TParamBox::VideoSize).Index, 1);
  EXPECT_EQ(Profile(5, "paraVideoSize"), "2x2");

  // A chosen "as source" is written at once; leaving afterwards checks and writes nothing.
  editor.Choose(TParamBox::VideoSize, 2);
  EXPECT_EQ(Profile(5, "paraVideoSize"), "as source");
  EXPECT_EQ(Profile(5, "iVideoSize"), "2");
  const int writes = editor.Writes();
  EXPECT_FALSE(editor.LeaveFrameSize());
  EXPECT_EQ(editor.Writes(), writes);

  // Start commits a size still being typed; a refused one stops the run.
  editor.Type(TParamBox::VideoSize, "641x480");
  TParameterEditor::TRunCheck check = editor.CheckBeforeRun();
  EXPECT_TRUE(check.Ok);
  EXPECT_EQ(Profile(5, "paraVideoSize"), "640x480");
  editor.Type(TParamBox::VideoSize, "big");
  check = editor.CheckBeforeRun();
  EXPECT_FALSE(check.Ok);
  ASSERT_EQ(check.Messages.size(), 1u);
  EXPECT_EQ(check.Messages[0].Text, "Frame Size is not a valid value!");
  EXPECT_TRUE(editor.CheckBeforeRun().Ok);  // nothing left to commit
}

TEST_F(ParameterEditorTest, NumericBoxesAreCheckedAtEveryChange) {
  TParameterEditor editor = Editor(5);
  EXPECT_FALSE(editor.Type(TParamBox::VideoBitRate, "1200"));
  EXPECT_EQ(Profile(5, "paraVideoBitRate"), "1200");
  EXPECT_EQ(Profile(5, "iVideoBitRate"), "-1");
  const auto cleared = editor.Type(TParamBox::VideoBitRate, "");
  ASSERT_TRUE(cleared);
  EXPECT_EQ(cleared->Text, "Video BitRate is not a valid value!");
  EXPECT_EQ(editor.Box(TParamBox::VideoBitRate).Text, "768");  // the second item
  EXPECT_EQ(Profile(5, "paraVideoBitRate"), "1200");

  EXPECT_FALSE(editor.Choose(TParamBox::AudioBitRate, 1));  // the item 96.5
  EXPECT_EQ(Profile(5, "paraAudioBitRate"), "96.5");
  EXPECT_EQ(Profile(5, "iAudioBitRate"), "1");
  EXPECT_FALSE(editor.Choose(TParamBox::SampleRate, 0));
  EXPECT_EQ(Profile(5, "paraSampleRate"), "as source");
  EXPECT_EQ(editor.Type(TParamBox::SampleRate, "44.1")->Text,
            "Audio SampleRate is not a valid value!");
  EXPECT_EQ(Profile(5, "paraSampleRate"), "as source");
}

TEST_F(ParameterEditorTest, ChoicesWriteTheirMappedValuesAndH264CopiesItsOptions) {
  TParameterEditor editor = Editor(5);
  editor.Choose(TParamBox::Volume, 1);
  EXPECT_EQ(Profile(5, "paraVolume"), "256");
  editor.Choose(TParamBox::Channel, 1);
  EXPECT_EQ(Profile(5, "paraChannel"), "1");
  editor.Choose(TParamBox::AudioEncoder, 1);
  EXPECT_EQ(Profile(5, "paraAudioEncoder"), "libopencore_amrnb");
  editor.Choose(TParamBox::Zoom, 2);
  EXPECT_EQ(Profile(5, "paraZoom"), "pan");
  editor.Choose(TParamBox::FrameRate, 1);
  EXPECT_EQ(Profile(5, "paraFrameRate"), "15");

  EXPECT_FALSE(editor.Choose(TParamBox::VideoEncoder, 1));
  EXPECT_EQ(Profile(5, "paraVideoEncoder"), "libx264");
  EXPECT_EQ(Profile(5, "paraBitExact"), "True");  // as read
  EXPECT_EQ(Profile(5, "paraMaxBitrate"), "1500");
  EXPECT_EQ(Profile(5, "paraLevel"), "<none>");  // not greater than 0
  EXPECT_EQ(Profile(5, "paraCoder"), "0");

  // No H.264 options: only the two encoder keys.
  TParameterEditor plain = Editor(6);
  plain.Choose(TParamBox::VideoEncoder, 1);
  EXPECT_EQ(settings_.ReadSectionKeys("formatInfo6"),
            (std::vector<std::string>{"iVideoEncoder", "paraVideoEncoder"}));

  // An option that is not a number fails the copy after the encoder keys were written.
  TParameterEditor broken = Editor(7);
  const auto failure = broken.Choose(TParamBox::VideoEncoder, 0);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->Kind, TKind::Error);
  EXPECT_EQ(failure->Text, "'twelve' is not a valid integer value");
  EXPECT_EQ(Profile(7, "paraVideoEncoder"), "libx264");
  EXPECT_EQ(Profile(7, "paraMaxBitrate"), "900");
  EXPECT_EQ(Profile(7, "paraGop"), "<none>");
}

TEST_F(ParameterEditorTest, DefaultWritesTheDefinitionsDefaultsAndDisablesWhatIsMissing) {
  TParameterEditor editor = Editor(5);
  editor.Type(TParamBox::VideoBitRate, "1200");
  editor.Choose(TParamBox::VideoSize, 2);
  editor.Choose(TParamBox::Zoom, 2);
  EXPECT_TRUE(editor.ResetToDefaults().empty());
  EXPECT_EQ(Profile(5, "paraVideoSize"), "640x480");
  EXPECT_EQ(Profile(5, "iVideoSize"), "1");
  EXPECT_EQ(Profile(5, "paraVideoBitRate"), "768");
  EXPECT_EQ(Profile(5, "paraFrameRate"), "25");
  EXPECT_EQ(Profile(5, "paraVideoEncoder"), "mpeg4");
  EXPECT_EQ(Profile(5, "paraZoom"), "full");
  EXPECT_EQ(Profile(5, "paraAudioBitRate"), "128");
  EXPECT_EQ(Profile(5, "paraSampleRate"), "22050");
  EXPECT_EQ(Profile(5, "paraAudioEncoder"), "libfaac");
  EXPECT_EQ(Profile(5, "paraChannel"), "2");
  EXPECT_EQ(Profile(5, "paraVolume"), "256");

  TParameterEditor missing = Editor(42);
  EXPECT_TRUE(missing.ResetToDefaults().empty());
  for (int box = 0; box < kParamBoxCount; ++box) {
    EXPECT_FALSE(missing.Box(static_cast<TParamBox>(box)).Enabled) << box;
    if (static_cast<TParamBox>(box) != TParamBox::Zoom) {  // its fixed items stay, item 0
      EXPECT_EQ(missing.Box(static_cast<TParamBox>(box)).Index, -1) << box;
    }
  }
  EXPECT_EQ(missing.Box(TParamBox::Zoom).Index, 0);
  EXPECT_FALSE(settings_.SectionExists("formatInfo42"));
}

TEST_F(ParameterEditorTest, EncodersTheLibrariesLackAreMarkedAndStopTheRun) {
  TParameterEditor editor = Editor(5);
  editor.SetEncoderAvailability(
      [](const std::string& name) { return name != "libopencore_amrnb"; });
  EXPECT_EQ(editor.Box(TParamBox::AudioEncoder).Items[0].MissingEncoder, "");
  EXPECT_EQ(editor.Box(TParamBox::AudioEncoder).Items[1].MissingEncoder, "libopencore_amrnb");
  EXPECT_TRUE(editor.CheckBeforeRun().Ok);

  editor.Choose(TParamBox::AudioEncoder, 1);  // chosen anyway: written, refused at Start
  EXPECT_EQ(Profile(5, "paraAudioEncoder"), "libopencore_amrnb");
  editor.Load(5);
  const TParameterEditor::TRunCheck check = editor.CheckBeforeRun();
  EXPECT_FALSE(check.Ok);
  ASSERT_EQ(check.Messages.size(), 1u);
  EXPECT_EQ(check.Messages[0].Kind, TKind::Warning);
  EXPECT_NE(check.Messages[0].Text.find("\"libopencore_amrnb\""), std::string::npos);
  EXPECT_NE(check.Messages[0].Text.find("\"LibAV\""), std::string::npos);
}

}  // namespace
}  // namespace qarvo
