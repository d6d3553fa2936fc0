#include "engine/run/EncoderPasses.h"

#include <cstring>

#include "media/ErrorText.h"
#include "media/LibraryApi.h"

namespace qarvo {

namespace {

bool Named(const AVCodec& codec, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (std::strcmp(codec.name, name) == 0) return true;
  return false;
}

// An encoder's private option back to its default ("no constant quality" for each of them).
void ResetOption(AVCodecContext& encoder, const char* name) {
  if (!encoder.priv_data) return;
  const AVOption* option = api().av_opt_find(encoder.priv_data, name, nullptr, 0, 0);
  if (!option) return;
  const std::string call = std::string("av_opt_set(") + name + ")";
  if (option->type == AV_OPT_TYPE_FLOAT || option->type == AV_OPT_TYPE_DOUBLE)
    CheckCall(api().av_opt_set_double(encoder.priv_data, name, option->default_val.dbl, 0), call);
  else if (option->type == AV_OPT_TYPE_INT || option->type == AV_OPT_TYPE_INT64)
    CheckCall(api().av_opt_set_int(encoder.priv_data, name, option->default_val.i64, 0), call);
}

// The encoder's own parameter list with the pass and its file added after what was given.
void AddToParams(AVCodecContext& encoder, const char* option, const std::string& added) {
  uint8_t* given = nullptr;
  CheckCall(api().av_opt_get(encoder.priv_data, option, 0, &given),
            std::string("av_opt_get(") + option + ")");
  std::string text = given ? reinterpret_cast<const char*>(given) : "";
  api().av_free(given);
  text += (text.empty() ? "" : ":") + added;
  CheckCall(api().av_opt_set(encoder.priv_data, option, text.c_str(), 0),
            std::string("av_opt_set(") + option + ")");
}

}  // namespace

TPassStats PassStatsOf(const AVCodec& codec) {
  if (Named(codec, {"libx264", "libx264rgb"})) return TPassStats::OwnFile;
  if (Named(codec, {"libx265"})) return TPassStats::Params;
  // The codec-level statistics text: the libraries' own MPEG family, VPx, AOM and Theora.
  if (Named(codec,
            {"mpeg4", "mpeg1video", "mpeg2video", "msmpeg4", "msmpeg4v2", "h263", "h263p", "flv",
             "wmv1", "wmv2", "libvpx", "libvpx-vp9", "libaom-av1", "libtheora", "libxvid"}))
    return TPassStats::Engine;
  return TPassStats::None;
}

void PrepareEncoderPass(AVCodecContext& encoder, const AVCodec& codec, int pass,
                        const std::string& statsBase) {
  const TPassStats stats = PassStatsOf(codec);
  if (stats == TPassStats::None) return;
  if (stats == TPassStats::Params) {
    // The pass flags stay off: the parameters carry both the pass and the file's name.
    AddToParams(encoder, "x265-params",
                "pass=" + std::to_string(pass) + ":stats=" + statsBase + ".x265");
    return;
  }
  encoder.flags |= pass == 1 ? AV_CODEC_FLAG_PASS1 : AV_CODEC_FLAG_PASS2;
  if (stats == TPassStats::OwnFile) {
    const std::string file = statsBase + ".x264";
    CheckCall(api().av_opt_set(encoder.priv_data, "stats", file.c_str(), 0), "av_opt_set(stats)");
  }
}

void UseAverageRate(AVCodecContext& encoder) {
  ResetOption(encoder, "crf");
  encoder.flags &= ~AV_CODEC_FLAG_QSCALE;
  encoder.global_quality = 0;
}

}  // namespace qarvo
