#include <gtest/gtest.h>

#include "media/LibraryObjects.h"
#include "probe/CodecName.h"

#include "support/TestMediaError.h"

namespace qarvo {
namespace {

std::string NameOf(AVCodecID id, uint32_t tag) {
  LoadMediaLibraries();
  TCodecParametersPtr parameters(api().avcodec_parameters_alloc());
  parameters->codec_id = id;
  parameters->codec_tag = tag;
  return CodecName(*parameters);
}

TEST(CodecName, DecoderNameWithLongNameElseRegisteredNameElseTag) {
  EXPECT_EQ(NameOf(AV_CODEC_ID_MPEG4, 0), "mpeg4(MPEG-4 part 2)");
  EXPECT_EQ(NameOf(AV_CODEC_ID_MPEG2TS, 0), "mpeg2ts");
  EXPECT_EQ(NameOf(AV_CODEC_ID_NONE, MKTAG('X', 'V', 'I', 'D')), "XVID / 0x44495658");
  EXPECT_EQ(NameOf(AV_CODEC_ID_NONE, 0x0055), "0x0055");
  EXPECT_EQ(NameOf(AV_CODEC_ID_NONE, MKTAG('a', 'b', 'c', 0x7F)), "0x7f636261");
}

}  // namespace
}  // namespace qarvo
