// Opening inputs and outputs of a task and creating output streams.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/EngineError.h"
#include "engine/TCustomTranscoder.h"
#include "engine/open/TStreamFactory.h"

#include "support/ScratchFolder.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

class FileSetupTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  std::string Out(const std::string& name) const { return dir_.File(name); }

  test::TScratchFolder dir_{"setup"};
};

const AVCodecContext& Encoder(TCustomTranscoder& task, int output, int stream) {
  return *task.Files.Outputs.at(output).Streams.at(stream).Encoder;
}

TEST_F(FileSetupTest, InputSettingsCarryIntoTheOutputStreams) {
  TCustomTranscoder task;
  ASSERT_TRUE(task.OpenInput(EnsureClip("3gp_h263_aac"))) << task.ErrorText();
  EXPECT_EQ(task.Options.FrameWidth, 176);
  EXPECT_EQ(task.Options.FrameHeight, 144);
  EXPECT_EQ(task.Options.AudioSampleRate, 22050);
  EXPECT_EQ(task.Options.AudioChannels, 1);
  EXPECT_NEAR(task.Options.FrameAspectRatio, 176.0 / 144.0, 1e-4);
  EXPECT_EQ(task.Options.FrameRate.num * 1.0 / task.Options.FrameRate.den, 15.0);
  EXPECT_GT(task.Options.ExpectedTotalLength, 1900000);

  ASSERT_EQ(task.OpenOutput(Out("a.avi"), false), 1) << task.ErrorText();
  const TOpenedOutput& out = task.Files.Outputs[0];
  ASSERT_EQ(out.Streams.size(), 2u);
  EXPECT_EQ(Encoder(task, 0, 0).codec_id, AV_CODEC_ID_MPEG4);
  EXPECT_EQ(Encoder(task, 0, 0).width, 176);
  EXPECT_EQ(Encoder(task, 0, 0).time_base.den, 15);
  EXPECT_EQ(Encoder(task, 0, 1).codec_id, AV_CODEC_ID_MP3);
  EXPECT_EQ(Encoder(task, 0, 1).sample_rate, 22050);
  EXPECT_EQ(Encoder(task, 0, 1).ch_layout.nb_channels, 1);
  // Opened for writing at once, under a name of its own until the file is complete.
  ASSERT_TRUE(out.Part);
  const std::string part = out.Part->Path();
  EXPECT_EQ(part.rfind(Out(".a.avi.qarvo-part-"), 0), 0u) << part;
  EXPECT_TRUE(fs::exists(part));
  EXPECT_FALSE(fs::exists(Out("a.avi")));
  task.ReleaseFiles(false);
  EXPECT_FALSE(fs::exists(part));  // nothing written: removed
  EXPECT_FALSE(fs::exists(Out("a.avi")));
}

TEST_F(FileSetupTest, InputFailuresLeaveTheReasonAndRegisterNothing) {
  TCustomTranscoder task;
  EXPECT_FALSE(task.OpenInput(Out("missing.avi")));
  EXPECT_EQ(task.ErrorText(), Out("missing.avi") + ": No such file or directory");
  {
    std::ofstream junk(Out("junk.avi"));
    junk << "this is no media file at all";
  }
  EXPECT_FALSE(task.OpenInput(Out("junk.avi")));
  EXPECT_EQ(task.InputCount(), 0);

  task.Options.ProgramId = 7;
  EXPECT_FALSE(task.OpenInput(EnsureClip("short3s")));
  EXPECT_EQ(task.ErrorText(), "Specified program id not found");
  EXPECT_EQ(task.Options.ProgramId, 0);

  task.Options.AudioCodecName = "nosuchdecoder";
  EXPECT_FALSE(task.OpenInput(EnsureClip("short3s")));
  EXPECT_EQ(task.ErrorText(), "Unknown decoder 'nosuchdecoder'");
  EXPECT_TRUE(task.Options.AudioCodecName.empty());
  task.Options.VideoCodecName = "mp3";
  EXPECT_FALSE(task.OpenInput(EnsureClip("short3s")));
  EXPECT_EQ(task.ErrorText(), "Invalid decoder type 'mp3'");

  task.Options.FileFormat = "nosuchformat";
  EXPECT_THROW(task.OpenInput(EnsureClip("short3s")), EEngineError);
  EXPECT_EQ(task.InputCount(), 0);
}

TEST_F(FileSetupTest, ForcedDecoderGoesToItsOwnKind) {
  TCustomTranscoder task;
  task.Options.AudioCodecName = "mp3float";
  ASSERT_TRUE(task.OpenInput(EnsureClip("short3s"))) << task.ErrorText();
  const TOpenedInput& in = task.Files.Inputs[0];
  ASSERT_EQ(in.ForcedDecoders.size(), 2u);
  EXPECT_EQ(in.ForcedDecoders[0], nullptr);
  ASSERT_NE(in.ForcedDecoders[1], nullptr);
  EXPECT_STREQ(in.ForcedDecoders[1]->name, "mp3float");
  EXPECT_TRUE(task.Options.AudioCodecName.empty());  // names given before an input are spent
}

TEST_F(FileSetupTest, StreamsFollowTheFormatAndTheInputs) {
  TCustomTranscoder task;
  ASSERT_TRUE(task.OpenInput(EnsureClip("video_only"))) << task.ErrorText();
  ASSERT_EQ(task.OpenOutput(Out("v.mp4"), false), 1) << task.ErrorText();
  ASSERT_EQ(task.Files.Outputs[0].Streams.size(), 1u);  // no audio in the input: none out
  EXPECT_EQ(Encoder(task, 0, 0).codec_type, AVMEDIA_TYPE_VIDEO);

  TCustomTranscoder audio;
  ASSERT_TRUE(audio.OpenInput(EnsureClip("short3s")));
  ASSERT_EQ(audio.OpenOutput(Out("a.wav"), false), 1) << audio.ErrorText();
  ASSERT_EQ(audio.Files.Outputs[0].Streams.size(), 1u);  // wav has no video codec
  EXPECT_EQ(Encoder(audio, 0, 0).codec_id, AV_CODEC_ID_PCM_S16LE);

  audio.Options.VideoDisable = true;
  ASSERT_EQ(audio.OpenOutput(Out("b.mp4"), false), 2);
  EXPECT_EQ(audio.Files.Outputs[1].Streams.size(), 1u);
  EXPECT_FALSE(audio.Options.VideoDisable);
}

TEST_F(FileSetupTest, OutputFailuresGiveTheMessage) {
  TCustomTranscoder task;
  ASSERT_TRUE(task.OpenInput(EnsureClip("short3s")));
  EXPECT_EQ(task.OpenOutput(Out("x.nosuchext"), false), -1);
  EXPECT_EQ(task.ErrorText(),
            "Unable to find a suitable output format for '" + Out("x.nosuchext") + "'");
  task.Options.FileFormat = "nosuchmuxer";
  EXPECT_EQ(task.OpenOutput(Out("x.avi"), false), -1);
  EXPECT_EQ(task.ErrorText(),
            "Requested output format 'nosuchmuxer' is not a suitable output format");
  EXPECT_TRUE(task.Options.FileFormat.empty());

  task.Options.FileFormat = "image2";
  EXPECT_EQ(task.OpenOutput(Out("frame.png"), false), -1);
  EXPECT_EQ(task.ErrorText(), Out("frame.png") + ": Number syntax expected in filename");

  task.Options.VideoCodecName = "nosuchencoder";
  EXPECT_EQ(task.OpenOutput(Out("x.avi"), false), -1);
  EXPECT_EQ(task.ErrorText(), "new_video_stream fail: Unknown encoder 'nosuchencoder'");
  task.Options.VideoCodecName.clear();
  task.Options.AudioCodecName = "mpeg4";
  EXPECT_EQ(task.OpenOutput(Out("x.avi"), false), -1);
  EXPECT_EQ(task.ErrorText(), "new_audio_stream fail: Invalid encoder type 'mpeg4'");
  task.Options.AudioCodecName.clear();

  EXPECT_EQ(task.OpenOutput(Out("no/such/folder/x.avi"), false), -1);
  EXPECT_EQ(task.ErrorText(), Out("no/such/folder/x.avi") + ": No such file or directory");
  EXPECT_EQ(task.OutputCount(), 0);
  EXPECT_FALSE(fs::exists(Out("x.avi")));
}

// Names choose no protocol: "pipe:x.avi" is a file in the working folder, both ways; special
// files are refused before anything could wait on them.
TEST_F(FileSetupTest, InputsAndOutputsAreFilesWhateverTheirNamesSay) {
  const fs::path previous = fs::current_path();
  fs::current_path(dir_.Folder());
  fs::copy_file(EnsureClip("short3s"), Out("pipe:in.avi"));
  TCustomTranscoder task;
  const bool opened = task.OpenInput("pipe:in.avi");
  const int output = task.OpenOutput("pipe:out.avi", false);
  fs::current_path(previous);
  ASSERT_TRUE(opened) << task.ErrorText();
  EXPECT_EQ(output, 1) << task.ErrorText();
  ASSERT_TRUE(task.Files.Outputs.at(0).Part);
  const std::string part = task.Files.Outputs[0].Part->Path();
  EXPECT_EQ(part.rfind(Out(".pipe:out.avi.qarvo-part-"), 0), 0u) << part;
  EXPECT_TRUE(fs::exists(part));
  task.ReleaseFiles(false);

  ASSERT_EQ(::mkfifo(Out("fifo.avi").c_str(), 0600), 0);
  TCustomTranscoder other;
  EXPECT_FALSE(other.OpenInput(Out("fifo.avi")));
  EXPECT_EQ(other.ErrorText(), Out("fifo.avi") + ": a named pipe, not a regular file");
  ASSERT_TRUE(other.OpenInput(EnsureClip("short3s"))) << other.ErrorText();
  EXPECT_EQ(other.OpenOutput(Out("fifo.avi"), false), -1);
  EXPECT_EQ(other.ErrorText(), Out("fifo.avi") + ": a named pipe, not a regular file");
  EXPECT_EQ(other.OutputCount(), 0);
}

TEST_F(FileSetupTest, EncoderSettingsAndFallbacks) {
  TCustomTranscoder task;
  ASSERT_TRUE(task.OpenInput(EnsureClip("short3s")));
  task.Options.AudioSampleRate = 22050;
  task.Options.AudioCodecName = "libfaac";  // stored name of today's aac encoder
  task.Options.VideoCodecName = "mpeg1video";
  task.Options.FrameRate = {24, 1};
  task.Options.FramePixFmt = AV_PIX_FMT_RGB24;
  ASSERT_EQ(task.OpenOutput(Out("m.mp4"), false), 1) << task.ErrorText();
  const AVCodecContext& video = Encoder(task, 0, 0);
  EXPECT_EQ(video.codec_id, AV_CODEC_ID_MPEG1VIDEO);
  EXPECT_EQ(video.pix_fmt, AV_PIX_FMT_YUV420P);  // first format the encoder takes
  EXPECT_EQ(video.time_base.den, 24);
  EXPECT_EQ(Encoder(task, 0, 1).codec_id, AV_CODEC_ID_AAC);
  EXPECT_EQ(Encoder(task, 0, 1).sample_rate, 22050);
  EXPECT_TRUE(task.Options.VideoCodecName.empty());
  EXPECT_EQ(task.Options.FramePixFmt, -1);

  // mp2 takes a fixed list of rates: the closest one is used.
  task.Options.VideoDisable = true;
  task.Options.AudioCodecName = "mp2";
  task.Options.AudioSampleRate = 11000;
  ASSERT_EQ(task.OpenOutput(Out("m.mp2"), false), 2) << task.ErrorText();
  EXPECT_EQ(Encoder(task, 1, 0).sample_rate, 16000);
}

// MPEG-1 lists rates it refuses at normal strictness: 15 fps becomes the closest standard
// rate, and is kept once the strictness allows unofficial rates.
TEST_F(FileSetupTest, Mpeg1RatesFollowTheStrictness) {
  TCustomTranscoder task;
  ASSERT_TRUE(task.OpenInput(EnsureClip("short3s")));
  task.Options.VideoCodecName = "mpeg1video";
  task.Options.FrameRate = {15, 1};
  ASSERT_EQ(task.OpenOutput(Out("standard.mpg"), false), 1) << task.ErrorText();
  EXPECT_EQ(Encoder(task, 0, 0).framerate.num, 24000);
  EXPECT_EQ(Encoder(task, 0, 0).framerate.den, 1001);

  task.DispatchOption("strict", "unofficial");
  task.Options.VideoCodecName = "mpeg1video";
  task.Options.FrameRate = {15, 1};
  ASSERT_EQ(task.OpenOutput(Out("unofficial.mpg"), false), 2) << task.ErrorText();
  EXPECT_EQ(Encoder(task, 1, 0).framerate.num, 15);
  EXPECT_EQ(Encoder(task, 1, 0).framerate.den, 1);
}

TEST_F(FileSetupTest, MetadataLanguageAndStreamCopy) {
  TCustomTranscoder task;
  ASSERT_TRUE(task.OpenInput(EnsureClip("short3s")));
  task.Options.Metadata = {{"title", "First"}, {"title", "Second"}, {"album", "A"}};
  task.Options.AudioLanguage = "fre";
  task.Options.VideoStreamCopy = true;
  ASSERT_EQ(task.OpenOutput(Out("c.mkv"), false), 1) << task.ErrorText();
  const TOpenedOutput& out = task.Files.Outputs[0];
  const AVDictionaryEntry* title = api().av_dict_get(out.Context->metadata, "title", nullptr, 0);
  ASSERT_NE(title, nullptr);
  EXPECT_STREQ(title->value, "First");
  EXPECT_TRUE(task.Options.Metadata.empty());
  EXPECT_TRUE(out.Streams[0].Copy);
  EXPECT_FALSE(out.Streams[1].Copy);
  const AVDictionaryEntry* lang =
      api().av_dict_get(out.Context->streams[1]->metadata, "language", nullptr, 0);
  ASSERT_NE(lang, nullptr);
  EXPECT_STREQ(lang->value, "fre");
  EXPECT_FALSE(task.Options.VideoStreamCopy);
}

TEST_F(FileSetupTest, RateControlOverrideParsing) {
  TCodecContextPtr enc(api().avcodec_alloc_context3(nullptr));
  ParseRcOverride("0,10,5/11,20,-50", *enc);
  ASSERT_EQ(enc->rc_override_count, 2);
  EXPECT_EQ(enc->rc_override[0].qscale, 5);
  EXPECT_FLOAT_EQ(enc->rc_override[0].quality_factor, 1.0f);
  EXPECT_EQ(enc->rc_override[1].qscale, 0);
  EXPECT_FLOAT_EQ(enc->rc_override[1].quality_factor, 0.5f);
  EXPECT_THROW(ParseRcOverride("0,10", *enc), EEngineError);
}

TEST_F(FileSetupTest, AwkwardFileNamesOpenAndWrite) {
  TCustomTranscoder task;
  ASSERT_TRUE(task.OpenInput(EnsureClip("short3s")));
  for (const std::string name : {"with space 'q' \"d\".avi", "-lead.avi", "\xd0\xbf\xd1\x80.avi"}) {
    ASSERT_GT(task.OpenOutput(Out(name), false), 0) << name << ": " << task.ErrorText();
    // Written under the name's own bytes: its part file is the name with a tail.
    const std::string part = task.Files.Outputs.back().Part->Path();
    EXPECT_EQ(part.rfind(Out("." + name + ".qarvo-part-"), 0), 0u) << part;
    EXPECT_TRUE(fs::exists(fs::u8path(part))) << name;
  }
}

}  // namespace
}  // namespace qarvo
