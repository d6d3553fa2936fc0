#include <gtest/gtest.h>

#include "media/LibraryLoader.h"
#include "media/NameMapping.h"

namespace qarvo {
namespace {

using Settings = std::vector<TOptionSetting>;

TEST(NameMapping, X264FlagsBecomeTheirOwnOptions) {
  EXPECT_EQ(TranslateLegacyOption("flags2", "+bpyramid-mixed_refs+wpred-dct8x8+fastpskip-mbtree"),
            (Settings{{"b-pyramid", "normal"},
                      {"mixed-refs", "0"},
                      {"weightb", "1"},
                      {"8x8dct", "0"},
                      {"fast-pskip", "1"},
                      {"mbtree", "0"}}));
  // Present flags stay with flags2, in front of the moved ones.
  EXPECT_EQ(TranslateLegacyOption("flags2", "+fast-bpyramid"),
            (Settings{{"flags2", "+fast"}, {"b-pyramid", "none"}}));
  EXPECT_EQ(TranslateLegacyOption("flags2", "+fast"), std::nullopt);
}

TEST(NameMapping, MovedFlagsOfMpegEncoders) {
  EXPECT_EQ(TranslateLegacyOption("flags", "+scan_offset"), (Settings{{"scan_offset", "1"}}));
  EXPECT_EQ(TranslateLegacyOption("flags", "+loop+naq+mv0-alt"),
            (Settings{{"flags", "+loop"}, {"alternate_scan", "0"}, {"mpv_flags", "+naq+mv0"}}));
  EXPECT_EQ(TranslateLegacyOption("flags", "-loop"), std::nullopt);
}

TEST(NameMapping, PartitionsBecomeAList) {
  EXPECT_EQ(TranslateLegacyOption("partitions", "+parti8x8+parti4x4-partp8x8+partb8x8"),
            (Settings{{"partitions", "i8x8,i4x4,b8x8"}}));
  EXPECT_EQ(TranslateLegacyOption("partitions", "-parti8x8-parti4x4-partp8x8-partb8x8"),
            (Settings{{"partitions", "none"}}));
  // A list already in today's form is left alone.
  EXPECT_EQ(TranslateLegacyOption("partitions", "all"), std::nullopt);
}

TEST(NameMapping, RenamedOptions) {
  EXPECT_EQ(TranslateLegacyOption("directpred", "3"), (Settings{{"direct-pred", "3"}}));
  EXPECT_EQ(TranslateLegacyOption("cqp", "0"), (Settings{{"qp", "0"}}));
  EXPECT_EQ(TranslateLegacyOption("me_method", "umh"), std::nullopt);
  EXPECT_EQ(TranslateLegacyOption("b", "800000"), std::nullopt);
}

TEST(NameMapping, EncoderNames) {
  ASSERT_TRUE(TLibraryLoader::Instance().Load(kEngineLibraries));
  EXPECT_EQ(TranslateEncoderName("libfaac"), "aac");
  EXPECT_EQ(TranslateEncoderName("libflac"), "flac");
  EXPECT_EQ(TranslateEncoderName("libamr_nb"), "libopencore_amrnb");
  EXPECT_EQ(TranslateEncoderName("mpeg4"), "mpeg4");
  // The built-in vorbis encoder is experimental in this generation.
  if (api().avcodec_find_encoder_by_name("libvorbis")) {
    EXPECT_EQ(TranslateEncoderName("vorbis"), "libvorbis");
  }
  EXPECT_EQ(ReplacementEncoderName("vorbis"), "libvorbis");
  EXPECT_EQ(ReplacementEncoderName("aac"), "");
}

}  // namespace
}  // namespace qarvo
