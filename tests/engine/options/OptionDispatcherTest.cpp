#include <cmath>

#include "engine/options/TOptionDispatcher.h"

#include "TaskOptionTest.h"

namespace qarvo {
namespace {

using Use = TCustomTranscoder::TOptionTextUse;

TEST_F(TaskOptionTest, OptionTextDispatchesEveryLineInOrder) {
  Task().ApplyOptionText("  vcodec=mpeg4<CRLF>b=800000 ", Use::All);
  EXPECT_EQ(O().VideoCodecName, "mpeg4");
  EXPECT_EQ(VideoInt("b"), 800000);
  Task().ApplyOptionText("metadata=title=My Film\nVCODEC=h263", Use::All);
  ASSERT_EQ(O().Metadata.size(), 1u);
  EXPECT_EQ(O().Metadata[0], std::make_pair(std::string("title"), std::string("My Film")));
  EXPECT_EQ(O().VideoCodecName, "h263");
  // Without the text's lower-casing the name is not an option of the table.
  D("VCODEC", "mpeg4");
  EXPECT_EQ(O().VideoCodecName, "h263");
  EXPECT_TRUE(Task().Generic.Names().size() == 1);
}

TEST_F(TaskOptionTest, RecordPassesSkipStreamGroupAndOutputCodecLines) {
  Task().ApplyOptionText("vcodec=mpeg4\nvf=scale=2:2\nvpre=mp4\nb=300000", Use::Output);
  EXPECT_EQ(O().VideoCodecName, "");
  EXPECT_EQ(O().VideoFilters, "");
  EXPECT_EQ(VideoInt("b"), 300000);
  Task().ApplyOptionText("vcodec=mpeg4\ns=320x240\nnewvideo", Use::Input);
  EXPECT_EQ(O().VideoCodecName, "mpeg4");
  EXPECT_EQ(O().FrameWidth, 320);
}

TEST_F(TaskOptionTest, BooleansAreFalseOnlyForZero) {
  D("an", "0");
  EXPECT_FALSE(O().AudioDisable);
  D("an", "");
  EXPECT_TRUE(O().AudioDisable);
  D("an", "0");
  D("an", "1");
  EXPECT_TRUE(O().AudioDisable);
  D("copyts", "0");  // value ignored
  EXPECT_TRUE(O().CopyTimestamps);
}

TEST_F(TaskOptionTest, BitRateWarnsWhenGivenInKilobits) {
  D("b", "");
  EXPECT_EQ(LogCount(), 0u);
  D("b", "64");
  EXPECT_EQ(VideoInt("b"), 64);
  EXPECT_TRUE(Logged(TLogLevel::llWarning,
                     "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, "
                     "not kbits/s"));
  D("ab", "128000");
  EXPECT_EQ(AudioInt("b"), 128000);
  EXPECT_EQ(VideoInt("b"), 64);
}

TEST_F(TaskOptionTest, AspectRatio) {
  D("aspect", "16:9");
  EXPECT_FLOAT_EQ(O().FrameAspectRatio, 1.7777778f);
  D("aspect", "1.5");
  EXPECT_FLOAT_EQ(O().FrameAspectRatio, 1.5f);
  EXPECT_EQ(Error("aspect", "4:0"), "Incorrect aspect ratio specification.");
  EXPECT_EQ(Error("aspect", "abc"), "Incorrect aspect ratio specification.");
  D("aspect", "");
  EXPECT_FLOAT_EQ(O().FrameAspectRatio, 1.5f);
}

TEST_F(TaskOptionTest, CropReducesTheFrameInForce) {
  O().FrameWidth = 320;
  O().FrameHeight = 240;
  D("croptop", "10");
  EXPECT_EQ(O().FrameHeight, 230);
  EXPECT_EQ(O().CropTop, 10);
  EXPECT_TRUE(Logged(TLogLevel::llWarning, "CropXXX is deprecated in favor of the crop avfilter"));
  EXPECT_EQ(Error("cropbottom", "230"),
            "Vertical crop dimensions are outside the range of the original image.\n"
            "Remember to crop first and scale second.");
  EXPECT_EQ(Error("cropleft", "320"),
            "Horizontal crop dimensions are outside the range of the original image.\n"
            "Remember to crop first and scale second.");
  D("cropright", "-4");
  EXPECT_EQ(O().FrameWidth, 320);
  EXPECT_EQ(Error("padtop", "2"), "Please use vfilters=pad");
  EXPECT_EQ(Error("padcolor", "2"), "Please use vfilters=pad");
}

TEST_F(TaskOptionTest, RangeChecks) {
  EXPECT_EQ(Error("qscale", "0"), "qscale must be > 0.0 and <= 255");
  EXPECT_EQ(Error("qscale", "300"), "qscale must be > 0.0 and <= 255");
  EXPECT_EQ(Error("qscale", "255"), "");
  EXPECT_FLOAT_EQ(O().VideoQScale, 255.0f);
  EXPECT_EQ(Error("pass", "3"), "pass number can be only 1 or 2");
  EXPECT_EQ(Error("itsscale", "25:2.0"), "stream index over MAX_STREAMS(20)");
  D("itsscale", "1:2.5");
  EXPECT_DOUBLE_EQ(O().TsScale[0][1], 2.5);
  D("ar", "0");
  D("ac", "-1");
  EXPECT_EQ(O().AudioSampleRate, 44100);
  EXPECT_EQ(O().AudioChannels, 2);
}

TEST_F(TaskOptionTest, ThreadsSetTheCodecThreadCount) {
  EXPECT_EQ(O().ThreadCount, 1);
  D("threads", "2");
  EXPECT_EQ(O().ThreadCount, 2);
  D("threads", "auto");
  EXPECT_EQ(O().ThreadCount, 0);
  EXPECT_EQ(Error("threads", "two"), "Invalid number \"two\" for option \"threads\"");
}

TEST_F(TaskOptionTest, MalformedNumbersNameOptionAndValue) {
  EXPECT_EQ(Error("vframes", "12x"), "Invalid number \"12x\" for option \"vframes\"");
  EXPECT_EQ(Error("vol", "99999999999"), "Invalid number \"99999999999\" for option \"vol\"");
  EXPECT_EQ(Error("map", "a:b"), "Invalid number \"a:b\" for option \"map\"");
  D("vframes", " 25 ");
  EXPECT_EQ(O().MaxFrames[kVideo], 25);
}

TEST_F(TaskOptionTest, DurationsAndDates) {
  D("t", "10.5");
  EXPECT_EQ(O().RecordingTime, 10500000);
  EXPECT_EQ(O().ExpectedTotalLength, 10500000);
  D("ss", "00:01:02");
  EXPECT_EQ(O().StartTime, 62000000);
  EXPECT_EQ(Error("itsoffset", "soon"), "Invalid duration specification for itsoffset: soon");
  D("timestamp", "2020-01-02 03:04:05Z");
  EXPECT_EQ(O().RecordingTimestamp, 1577934245);
  EXPECT_EQ(Error("timestamp", "x"), "Invalid date specification for timestamp: x");
}

TEST_F(TaskOptionTest, PictureOptions) {
  D("r", "30000/1001");
  EXPECT_EQ(O().FrameRate.num, 30000);
  EXPECT_EQ(O().FrameRate.den, 1001);
  EXPECT_EQ(Error("r", "fast"), "Incorrect frame rate");
  D("s", "qcif");
  EXPECT_EQ(O().FrameWidth, 176);
  EXPECT_EQ(Error("s", "big"), "Incorrect frame size");
  D("pix_fmt", "yuv422p");
  EXPECT_EQ(O().FramePixFmt, AV_PIX_FMT_YUV422P);
  EXPECT_EQ(Error("pix_fmt", "yuv999"), "Unknown pixel format requested: yuv999");
  const size_t before = LogCount();
  D("pix_fmt", "list");
  EXPECT_GT(LogCount(), before + 60);
  D("sample_fmt", "fltp");
  EXPECT_EQ(O().AudioSampleFmt, AV_SAMPLE_FMT_FLTP);
  D("sample_fmt", "nonsense");  // stored without validation
  EXPECT_EQ(O().AudioSampleFmt, -1);
}

TEST_F(TaskOptionTest, MatricesTakeSixtyFourCoefficients) {
  std::string values;
  for (int i = 1; i <= 64; ++i) values += std::to_string(i) + (i < 64 ? "," : "");
  D("intra_matrix", values);
  ASSERT_TRUE(O().IntraMatrix);
  EXPECT_EQ((*O().IntraMatrix)[0], 1);
  EXPECT_EQ((*O().IntraMatrix)[63], 64);
  const std::string short63 = values.substr(0, values.rfind(','));
  EXPECT_EQ(Error("inter_matrix", short63),
            "Syntax error in matrix \"" + short63 + "\" at coeff 62");
}

TEST_F(TaskOptionTest, CodecNamesTagsAndStreamIds) {
  D("acodec", "copy");
  EXPECT_TRUE(O().AudioStreamCopy);
  EXPECT_EQ(O().AudioCodecName, "");
  D("scodec", "");
  EXPECT_FALSE(O().SubtitleStreamCopy);
  D("vtag", "XVID");
  EXPECT_EQ(O().VideoTag, 0x44495658u);
  EXPECT_EQ(Error("atag", "mp4").find("audio tag parameter must be 4 chars"), 0u);
  D("streamid", "2:301");
  EXPECT_EQ(O().StreamIds[2], 301);
  EXPECT_EQ(Error("streamid", "2:"),
            "Invalid value \"2:\" for option \"streamid\", required syntax is \"index:value\"");
  EXPECT_NE(Error("streamid", "20:1"), "");
}

TEST_F(TaskOptionTest, StreamAndMetadataMaps) {
  D("map", "0:1");
  D("map", "0x1.2:0.010");
  ASSERT_EQ(O().StreamMaps.size(), 2u);
  EXPECT_EQ(O().StreamMaps[0].SyncFile, 0);
  EXPECT_EQ(O().StreamMaps[0].SyncStream, 1);
  EXPECT_EQ(O().StreamMaps[1].File, 1);
  EXPECT_EQ(O().StreamMaps[1].Stream, 2);
  EXPECT_EQ(O().StreamMaps[1].SyncStream, 8);  // leading 0: octal
  D("map_meta_data", "1:0");
  EXPECT_EQ(O().MetaDataMaps.at(0).OutFile, 1);
  for (int i = 2; i < kMaxStreamMaps; ++i) D("map", "0:0");
  EXPECT_NE(Error("map", "0:0"), "");
}

TEST_F(TaskOptionTest, MiscellaneousHandlers) {
  D("formats", "");
  EXPECT_TRUE(Logged(TLogLevel::llInfo, "Do nothing: option - formats"));
  D("timelimit", "5");
  EXPECT_TRUE(Logged(TLogLevel::llWarning, "Warning: -timelimit not implemented on Windows"));
  D("f", "pgmyuv");
  EXPECT_TRUE(O().PgmYuv);
  EXPECT_EQ(O().FileFormat, "image2");
  EXPECT_EQ(Error("metadata", "novalue"), "Missing =");
  EXPECT_EQ(Error("vbsf", "no_such_filter"), "Unknown bitstream filter no_such_filter");
  D("vbsf", "h264_mp4toannexb");
  D("absf", "=x");
  EXPECT_EQ(O().PendingBitstreamFilters[kVideo].size(), 1u);
  EXPECT_TRUE(O().PendingBitstreamFilters[kAudio].empty());
  EXPECT_EQ(Error("newvideo", ""), "At least one output file must be specified");
  D("vstats", "");
  EXPECT_NE(O().VstatsFileName.find("vstats_"), std::string::npos);
  D("vfilters", "scale=2:2");
  D("vf", "");
  EXPECT_EQ(O().VideoFilters, "scale=2:2");
  D("loglevel", "debug");
  EXPECT_EQ(TEngineLogger::GetLogger().LogLevel(), TLogLevel::llDebug);
}

}  // namespace
}  // namespace qarvo

namespace qarvo {
namespace {

// Random option texts never break the parser or the handlers: a value is taken or refused
// with an engine error, nothing else.
TEST_F(TaskOptionTest, RandomOptionTextsOnlyEverRaiseEngineErrors) {
  const char* names[] = {"map",
                         "map_meta_data",
                         "itsscale",
                         "aspect",
                         "intra_matrix",
                         "streamid",
                         "vtag",
                         "metadata",
                         "t",
                         "timestamp",
                         "r",
                         "s",
                         "croptop",
                         "cropleft",
                         "b",
                         "ab",
                         "flags2",
                         "partitions",
                         "flags",
                         "qscale",
                         "threads",
                         "absf",
                         "target",
                         "vpre",
                         "sample_fmt",
                         "pix_fmt",
                         "g",
                         "ar",
                         "vcodec",
                         ""};
  const std::string alphabet = "0123456789:,.=+-x ab|<CRLF>\n\r\t";
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xffff; };
  for (int round = 0; round < 3000; ++round) {
    std::string text = names[next() % std::size(names)];
    text += '=';
    const int length = next() % 24;
    for (int i = 0; i < length; ++i) text += alphabet[next() % alphabet.size()];
    try {
      Task().ApplyOptionText(text, TCustomTranscoder::TOptionTextUse::All);
    } catch (const EEngineError&) {
    }
  }
  TEngineLogger::GetLogger().SetLogLevel(TLogLevel::llInfo);
}

}  // namespace
}  // namespace qarvo
