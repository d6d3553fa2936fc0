// Every option the newer formats' rate control sets exists on the encoder it is meant for,
// with a value the encoder takes, so none is dropped as unknown when the encoder opens.
#include <gtest/gtest.h>

#include "media/LibraryApi.h"
#include "media/LibraryObjects.h"
#include "engine/options/EncoderRateOptions.h"

#include "support/TestMediaError.h"

namespace qarvo {
namespace {

class EncoderRateOptionsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { LoadMediaLibraries(); }
};

// Sets each option on a context of the encoder (its own options, then the common ones).
void ExpectTaken(const std::string& encoder, int quality, const std::string& speed) {
  SCOPED_TRACE(encoder);
  const AVCodec* codec = api().avcodec_find_encoder_by_name(encoder.c_str());
  ASSERT_NE(codec, nullptr);
  TCodecContextPtr context(api().avcodec_alloc_context3(codec));
  ASSERT_TRUE(context);
  const TEncoderOptions options = EncoderRateOptions(encoder, quality, speed);
  EXPECT_FALSE(options.empty());
  for (const auto& [name, value] : options) {
    // "vb" is the video context's "b".
    const std::string option = name == "vb" ? "b" : name;
    EXPECT_GE(
        api().av_opt_set(context.get(), option.c_str(), value.c_str(), AV_OPT_SEARCH_CHILDREN), 0)
        << name << "=" << value;
  }
}

TEST_F(EncoderRateOptionsTest, EveryEncoderTakesItsQualityAndSpeed) {
  ExpectTaken("libx264", 23, "medium");
  ExpectTaken("libx265", 26, "fast");
  ExpectTaken("libsvtav1", 35, "8");
  ExpectTaken("libaom-av1", 35, "8");
  ExpectTaken("libvpx-vp9", 32, "4");
  ExpectTaken("libwebp_anim", 70, "");
}

TEST_F(EncoderRateOptionsTest, ConstantQualityDropsTheBitRateWhereTheEncoderNeedsIt) {
  const auto has = [](const TEncoderOptions& options, const std::string& name,
                      const std::string& value) {
    for (const auto& option : options)
      if (option.first == name) return option.second == value;
    return false;
  };
  EXPECT_TRUE(has(EncoderRateOptions("libvpx-vp9", 32, ""), "vb", "0"));
  EXPECT_FALSE(has(EncoderRateOptions("libvpx-vp9", -1, "4"), "vb", "0"));
  EXPECT_TRUE(has(EncoderRateOptions("libaom-av1", -1, "13"), "cpu-used", "8"));
  EXPECT_TRUE(has(EncoderRateOptions("libaom-av1", -1, "6"), "cpu-used", "4"));
  EXPECT_TRUE(EncoderRateOptions("mpeg4", 5, "fast").empty());
  EXPECT_EQ(AvailableVideoEncoder("libx264"), "libx264");
}

}  // namespace
}  // namespace qarvo
