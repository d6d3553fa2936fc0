#include <gtest/gtest.h>

#include "media/LibraryLoader.h"
#include "media/NameMapping.h"
#include "engine/options/PresetTable.h"
#include "engine/task/OptionText.h"

#include "EncoderCheck.h"

namespace qarvo {
namespace {

TEST(PresetTable, FortyPresetsInTableOrder) {
  const auto& table = BuiltInPresets();
  ASSERT_EQ(table.size(), 40u);
  EXPECT_EQ(table.front().Name, "libx264-baseline");
  EXPECT_EQ(table[8].Name, "libx264-ipod320");
  EXPECT_EQ(table[16].Name, "libx264-main");
  EXPECT_EQ(table[35].Name, "libx264-veryslow_firstpass");
  EXPECT_EQ(table.back().Name, "libx264-mp4");
  for (size_t i = 0; i < table.size(); ++i)
    for (size_t j = i + 1; j < table.size(); ++j) EXPECT_NE(table[i].Name, table[j].Name);
}

TEST(PresetTable, ExactTexts) {
  EXPECT_EQ(FindBuiltInPreset("libx264-default")->Options,
            "coder=1\nflags=+loop\ncmp=+chroma\npartitions=+parti8x8+parti4x4+partp8x8+partb8x8\n"
            "me_method=hex\nsubq=7\nme_range=16\ng=250\nkeyint_min=25\nsc_threshold=40\n"
            "i_qfactor=0.71\nb_strategy=1\nqcomp=0.6\nqmin=10\nqmax=51\nqdiff=4\nbf=3\nrefs=3\n"
            "directpred=1\ntrellis=1\nflags2=+mixed_refs+wpred+dct8x8+fastpskip\nwpredp=2");
  // Absent keys leave no line; cqp comes before wpredp.
  EXPECT_EQ(FindBuiltInPreset("libx264-lossless_ultrafast")->Options,
            "coder=0\nflags=+loop\ncmp=+chroma\npartitions=-parti8x8-parti4x4-partp8x8-partp4x4-"
            "partb8x8\nme_method=dia\nsubq=0\nme_range=16\ng=250\nkeyint_min=25\nsc_threshold=40\n"
            "i_qfactor=0.71\nb_strategy=1\nqcomp=0.6\nqmin=10\nqmax=51\nqdiff=4\ndirectpred=1\n"
            "flags2=+fastpskip\ncqp=0");
  const std::string psp = FindBuiltInPreset("libx264-psp")->Options;
  EXPECT_EQ(psp,
            "coder=1\nflags=+loop\nlevel=30\ncmp=+chroma\npartitions=+parti4x4+parti8x8+partp8x8+"
            "partb8x8\nme_method=umh\nsubq=7\nme_range=16\ng=250\nkeyint_min=25\nsc_threshold=40\n"
            "i_qfactor=0.71\nb_strategy=1\nqcomp=0.6\nqmin=10\nqmax=51\nqdiff=4\nbf=3\nrefs=1\n"
            "directpred=1\ntrellis=2\nb=1250000\nmaxrate=1500000\nbufsize=4000000\nbt=256000\n"
            "sc_threshold=40");
  EXPECT_EQ(FindBuiltInPreset("libx264-mp4")->Options, psp);
  const std::string ps3 = FindBuiltInPreset("libx264-ps3")->Options;
  EXPECT_EQ(ps3.find("\nb="), std::string::npos);
  EXPECT_NE(ps3.find("maxrate=3500000"), std::string::npos);
  const std::string ipod = FindBuiltInPreset("libx264-ipod")->Options;
  EXPECT_EQ(ipod.find("bf="), std::string::npos);
  EXPECT_NE(ipod.find("coder=0\n"), std::string::npos);
  EXPECT_NE(ipod.find("partitions=+parti4x4+parti8x8+partp8x8\n"), std::string::npos);
  EXPECT_NE(ipod.find("b=1000000\nmaxrate=1250000"), std::string::npos);
  EXPECT_EQ(FindBuiltInPreset("libx264-main")->Options, "flags2=-dct8x8");
}

TEST(PresetTable, LookupIgnoresCase) {
  EXPECT_EQ(FindBuiltInPreset("LIBX264-MP4"), FindBuiltInPreset("libx264-mp4"));
  EXPECT_EQ(FindBuiltInPreset("mp4"), nullptr);
}

// Every preset line, translated, names an option libx264 has today and the encoder opens
// and encodes with all of them.
TEST(PresetTable, EveryPresetOpensLibx264ThroughTheMapping) {
  ASSERT_TRUE(TLibraryLoader::Instance().Load(kEngineLibraries));
  const AVCodec* x264 = api().avcodec_find_encoder_by_name("libx264");
  ASSERT_NE(x264, nullptr);
  for (const auto& preset : BuiltInPresets()) {
    SCOPED_TRACE(preset.Name);
    TCodecContextPtr ctx = MakeEncoderContext(x264);
    TDictionary priv;
    for (const auto& line : SplitOptionText(preset.Options)) {
      auto settings = TranslateLegacyOption(line.Name, line.Value)
                          .value_or(std::vector<TOptionSetting>{{line.Name, line.Value}});
      for (const auto& s : settings) {
        if (api().av_opt_find(ctx.get(), s.Name.c_str(), nullptr, 0, 0)) {
          EXPECT_EQ(api().av_opt_set(ctx.get(), s.Name.c_str(), s.Value.c_str(), 0), 0) << s.Name;
        } else {
          const AVClass* cls = x264->priv_class;
          EXPECT_NE(api().av_opt_find(&cls, s.Name.c_str(), nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ),
                    nullptr)
              << s.Name;
          priv.Set(s.Name.c_str(), s.Value.c_str());
        }
      }
    }
    EXPECT_EQ(OpenAndEncode(ctx.get(), x264, std::move(priv)), "");
  }
}

}  // namespace
}  // namespace qarvo
