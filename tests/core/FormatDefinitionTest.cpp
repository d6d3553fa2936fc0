#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/FormatDefinition.h"
#include "core/FormatProfile.h"

namespace qarvo {
namespace {

using ::testing::ElementsAre;

TEST(ChoiceList, SplitsAtEveryCommaWithoutTrimming) {
  EXPECT_THAT(SplitChoiceList("a,b,"), ElementsAre("a", "b", ""));
  EXPECT_THAT(SplitChoiceList("as source,22050,44100"), ElementsAre("as source", "22050", "44100"));
  EXPECT_THAT(SplitChoiceList(" 1 , 2"), ElementsAre(" 1 ", " 2"));
  EXPECT_THAT(SplitChoiceList(""), ElementsAre(""));
}

TEST(ChoiceList, NullAndEmptyValuesFollowTheirKeysRules) {
  EXPECT_FALSE(ParseChoiceList("VideoSize", "null", 0).Enabled);
  EXPECT_FALSE(ParseChoiceList("SampleRate", "", 0).Enabled);
  EXPECT_FALSE(ParseChoiceList("videoencoder", "", 0).Enabled);
  const TChoiceList size = ParseChoiceList("VideoSize", "", 0);
  EXPECT_TRUE(size.Enabled);
  EXPECT_TRUE(size.Items.empty());
  EXPECT_TRUE(ParseChoiceList("FrameRate", "", 0).Enabled);
  const TChoiceList rates = ParseChoiceList("SampleRate", "as source,22050,44100", 2);
  EXPECT_EQ(rates.DefaultItem(), "44100");
  EXPECT_FALSE(ParseChoiceList("SampleRate", "22050", 3).DefaultItem());
}

TEST(EditorMappings, MapChoiceTextsToProfileValues) {
  EXPECT_EQ(VolumeValue("50%"), "128");
  EXPECT_EQ(VolumeValue("100%"), "256");
  EXPECT_EQ(VolumeValue("175%"), "448");
  EXPECT_EQ(VolumeValue("400%"), "1024");
  EXPECT_FALSE(VolumeValue("110%"));
  EXPECT_FALSE(VolumeValue(""));
  EXPECT_EQ(VolumeValue("200\xEF\xBC\x85"), "512");  // the last character, not its last byte
  EXPECT_EQ(VideoEncoderEngineName("H264"), "libx264");
  EXPECT_EQ(VideoEncoderEngineName("MPEG-4"), "mpeg4");
  EXPECT_EQ(VideoEncoderEngineName("Xvid"), "libxvid");
  EXPECT_FALSE(VideoEncoderEngineName("theora"));
  EXPECT_EQ(AudioEncoderEngineName("AAC"), "libfaac");
  EXPECT_EQ(AudioEncoderEngineName("PCM_MULAW "), "pcm_mulaw");
  EXPECT_FALSE(AudioEncoderEngineName("PCM_MULAW"));
  EXPECT_EQ(ChannelValue("mono 1 channel"), "1");
  EXPECT_FALSE(ChannelValue("Mono 1 channel"));
}

const char* kDefinitions =
    "[formatInfo5]\nFormat=PSP\nFileExt=mp4\nVideoSize=320x240,480x272\niVideoSize=1\n"
    "VideoEncoder=MPEG-4,H264\niVideoEncoder=1\nVolume=50%,100%,200%\niVolume=1\n"
    "AudioEncoder=AAC,MP3\niAudioEncoder=1\nChannel=stereo 2 channels,mono 1 channel\n"
    "iChannel=1\nSampleRate=as source,22050\niSampleRate=0\nVideoBitRate=768\n"
    "FrameRate=25\niFrameRate=4\n"
    "[formatInfo6]\nVideoEncoder=\nAudioEncoder=MP3\n";

TEST(FormatDefinition, MissingSectionGivesNullListsAndMp4) {
  const TIniSnapshot definitions = TIniSnapshot::FromText(kDefinitions);
  const TFormatDefinition none = ReadFormatDefinition(definitions, 99);
  EXPECT_FALSE(none.Exists);
  EXPECT_EQ(none.Format, "null");
  EXPECT_EQ(none.FileExt, "mp4");
  EXPECT_FALSE(none.VideoSize.Enabled);
  EXPECT_FALSE(none.Volume.Enabled);
  const TFormatDefinition psp = ReadFormatDefinition(definitions, 5);
  EXPECT_TRUE(psp.Exists);
  EXPECT_EQ(psp.Format, "PSP");
  EXPECT_THAT(psp.Volume.Items, ElementsAre("50%", "100%", "200%"));
}

TEST(FormatProfile, MissingKeysTakeTheDefinitionsDefaultChoiceMappedAsTheEditorsMapIt) {
  const TIniSnapshot definitions = TIniSnapshot::FromText(kDefinitions);
  const TIniSnapshot settings =
      TIniSnapshot::FromText("[formatinfo5]\nparaVideoSize=640x480\nparaZoom=pan\n");
  const TFormatProfile profile(settings, ReadFormatDefinition(definitions, 5), 5);
  EXPECT_EQ(profile.VideoSize(), "640x480");  // the user's choice wins
  EXPECT_EQ(profile.Zoom(), "pan");
  EXPECT_EQ(profile.VideoEncoder(), "libx264");
  EXPECT_EQ(profile.Volume(), "256");
  EXPECT_EQ(profile.AudioEncoder(false), "libmp3lame");
  EXPECT_EQ(profile.Channel(), "1");
  EXPECT_EQ(profile.SampleRate(), "as source");
  EXPECT_EQ(profile.VideoBitRate(), "768");
  EXPECT_EQ(profile.FrameRate(), "29.97");   // default index outside the list
  EXPECT_EQ(profile.AudioBitRate(), "128");  // no list: the reader's default
}

TEST(FormatProfile, AudioOnlyFormatWithoutProfileKeepsItsDefinitionsEncoder) {
  const TIniSnapshot definitions = TIniSnapshot::FromText(kDefinitions);
  const TIniSnapshot settings = TIniSnapshot::FromText("");
  const TFormatProfile audio(settings, ReadFormatDefinition(definitions, 6), 6);
  EXPECT_EQ(audio.VideoEncoder(), "");
  EXPECT_EQ(audio.AudioEncoder(true), "libmp3lame");
  EXPECT_EQ(audio.Zoom(), "lbox");
  const TFormatProfile none(settings, ReadFormatDefinition(definitions, 7), 7);
  EXPECT_EQ(none.AudioEncoder(true), "libfaac");
  EXPECT_EQ(none.AudioEncoder(false), "");
  EXPECT_EQ(none.VideoSize(), "null");
}

}  // namespace
}  // namespace qarvo
