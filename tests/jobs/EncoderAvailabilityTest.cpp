#include <gtest/gtest.h>

#include "media/CodecLock.h"
#include "media/LibraryLoader.h"
#include "media/LibraryObjects.h"
#include "core/ParameterEditor.h"
#include "jobs/EncoderAvailability.h"

#include "support/ScratchFolder.h"

namespace qarvo {
namespace {

TEST(EncoderAvailability, AsksTheLoadedLibrariesUnderTheirPresentNames) {
  ASSERT_TRUE(TLibraryLoader::Instance().Load(kEngineLibraries));
  EXPECT_TRUE(LoadedLibrariesHaveEncoder("mpeg4"));
  EXPECT_TRUE(LoadedLibrariesHaveEncoder("libfaac"));  // stored name of the built-in "aac"
  EXPECT_FALSE(LoadedLibrariesHaveEncoder("no_such_encoder"));
}

// Whether this machine's libraries can encode narrow-band AMR at all: telephone sound, one
// channel at 8 kHz and 12.2 kbit/s.
bool CanEncodeNarrowBandAmr() {
  const AVCodec* codec = api().avcodec_find_encoder(AV_CODEC_ID_AMR_NB);
  if (!codec) return false;
  TCodecContextPtr context(api().avcodec_alloc_context3(codec));
  if (!context) return false;
  context->sample_rate = 8000;
  context->time_base = {1, 8000};
  context->sample_fmt = AV_SAMPLE_FMT_S16;
  context->bit_rate = 12200;
  api().av_channel_layout_default(&context->ch_layout, 1);
  TCodecLockGuard lock;
  return api().avcodec_open2(context.get(), codec, nullptr) >= 0;
}

TEST(EncoderAvailability, AmrIsOfferedExactlyWhereTheLibrariesEncodeIt) {
  ASSERT_TRUE(TLibraryLoader::Instance().Load(kEngineLibraries));
  const bool encodes = CanEncodeNarrowBandAmr();
  EXPECT_EQ(LoadedLibrariesHaveEncoder("libopencore_amrnb"), encodes);
  EXPECT_EQ(LoadedLibrariesHaveEncoder("libamr_nb"), encodes);  // a profile's older name

  // The parameter boxes of a 3GP format mark it the same way, so a run cannot start with it.
  const test::TScratchFolder folder("amr");
  test::WriteText(folder.File("formats.ini"),
                  "[formatInfo200]\nVideoSize=176x144\nVideoEncoder=H263\n"
                  "AudioBitRate=12.2,24\nSampleRate=8000,22050\nAudioEncoder=AAC,AMR_NB\n"
                  "iAudioEncoder=1\nChannel=mono 1 channel\nVolume=100%\n");
  TParameterEditor editor(folder.File("formats.ini"), folder.File("settings.ini"));
  editor.SetEncoderAvailability(LoadedLibrariesHaveEncoder);
  editor.Load(200);
  const TParamBoxState& audio = editor.Box(TParamBox::AudioEncoder);
  ASSERT_EQ(audio.Items.size(), 2u);
  EXPECT_EQ(audio.Items[0].MissingEncoder, "");
  EXPECT_EQ(audio.Items[1].MissingEncoder, encodes ? "" : "libopencore_amrnb");
  EXPECT_EQ(editor.CheckBeforeRun().Ok, encodes);
}

}  // namespace
}  // namespace qarvo
