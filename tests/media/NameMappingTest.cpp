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

// Crops written in the older order (x:y:width:height) keep their meaning.
TEST(NameMapping, CropFiltersOfTheOlderOrderGetNamedValues) {
  EXPECT_EQ(TranslateLegacyFilters("crop=64:32:432:256,scale=352:200,pad=352:288:0:44"),
            "crop=x=64:y=32:w=432:h=256,scale=352:200,pad=352:288:0:44");
  EXPECT_EQ(TranslateLegacyFilters("scale=320:240;[a]crop=8:6[b]"),
            "scale=320:240;[a]crop=x=8:y=6[b]");
  // A width or height of 0 was the rest of the picture.
  EXPECT_EQ(TranslateLegacyFilters("crop=10:20:0:0"), "crop=x=10:y=20:w=iw-10:h=ih-20");
  // Named values, other filters and texts without a crop stay as they are.
  for (const char* kept : {"crop=w=100:h=50:x=2:y=4", "crop=x=1:200", "hflip,pad=320:240:0:10",
                           "cropdetect=24:16:0", "", "crop="})
    EXPECT_EQ(TranslateLegacyFilters(kept), kept);
}

}  // namespace
}  // namespace qarvo
