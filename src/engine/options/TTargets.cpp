#include "engine/options/TTargets.h"

#include <cmath>

#include "base/EngineError.h"
#include "media/EngineLogger.h"
#include "engine/options/TOptionDispatcher.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {

namespace {

// 23976 and 29970 are NTSC-family rates, 25000 PAL; anything else does not decide.
bool NormOfRate(int64_t milliHertz, TNorm& norm) {
  if (milliHertz == 23976 || milliHertz == 29970) {
    norm = TNorm::NTSC;
    return true;
  }
  if (milliHertz == 25000) {
    norm = TNorm::PAL;
    return true;
  }
  return false;
}

int64_t MilliHertz(int num, int den) {
  return den > 0 && num > 0 ? std::llround(num * 1000.0 / den) : 0;
}

}  // namespace

TNorm TTargets::DetectNorm(const std::string& fallbackNorm) const {
  const TRational rate = task_.Options.FrameRate;
  if (rate.den == 0) throw EEngineError("frame_rate is invalid.");
  TNorm norm = TNorm::PAL;
  if (NormOfRate(MilliHertz(rate.num, rate.den), norm)) return norm;
  for (const TOpenedInput& input : task_.Files.Inputs) {
    if (!input.Context) continue;
    for (unsigned i = 0; i < input.Context->nb_streams; ++i) {
      const AVStream* stream = input.Context->streams[i];
      if (stream->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
      // The decoder's own rate: the average rate, else the rate the decoder reports.
      AVRational r = stream->avg_frame_rate;
      if ((r.num <= 0 || r.den <= 0) && i < input.Decoders.size() && input.Decoders[i])
        r = input.Decoders[i]->framerate;
      if (NormOfRate(MilliHertz(r.num, r.den), norm)) return norm;
    }
  }
  return fallbackNorm == "film" ? TNorm::Film : fallbackNorm == "ntsc" ? TNorm::NTSC : TNorm::PAL;
}

void TTargets::Set(const char* name, const std::string& value) {
  TOptionDispatcher(task_).Dispatch(name, value);
}

void TTargets::Apply(const std::string& type, const std::string& normText,
                     const std::string& fallbackNorm) {
  const bool vcd = type == "vcd", svcd = type == "svcd", dvd = type == "dvd";
  const bool dv = type == "dv" || type == "dv50";
  if (!vcd && !svcd && !dvd && !dv) throw EEngineError("Unknown target type");

  TNorm norm;
  if (normText == "pal") {
    norm = TNorm::PAL;
  } else if (normText == "ntsc") {
    norm = TNorm::NTSC;
  } else if (normText == "film") {
    norm = TNorm::Film;
  } else {
    norm = DetectNorm(fallbackNorm);
    if (task_.Options.Verbose > 0)
      TEngineLogger::GetLogger().LogF(&task_, TLogLevel::llVerbose, "Assuming %s for target.",
                                      norm == TNorm::PAL ? "PAL" : "NTSC");
  }
  const bool pal = norm == TNorm::PAL;
  const char* rate = pal ? "25" : norm == TNorm::NTSC ? "30000/1001" : "24000/1001";
  TTaskOptions& o = task_.Options;

  if (vcd || svcd || dvd) {
    Set("vcodec", vcd ? "mpeg1video" : "mpeg2video");
    Set("acodec", dvd ? "ac3" : "mp2");
    Set("f", type);
    Set("s", vcd    ? (pal ? "352x288" : "352x240")
             : svcd ? (pal ? "480x576" : "480x480")
                    : (pal ? "720x576" : "720x480"));
    Set("r", rate);
    TOptionDispatcher(task_).GenericSet("g", pal ? "15" : "18");
    TOptionDispatcher(task_).GenericSet("b", vcd ? "1150000" : svcd ? "2040000" : "6000000");
    TOptionDispatcher(task_).GenericSet("maxrate", vcd ? "1150000" : svcd ? "2516000" : "9000000");
    TOptionDispatcher(task_).GenericSet("minrate", vcd ? "1150000" : "0");
    TOptionDispatcher(task_).GenericSet("bufsize", vcd ? "327680" : "1835008");
    if (svcd) TOptionDispatcher(task_).GenericSet("flags", "+scan_offset");
    TOptionDispatcher(task_).GenericSet("ab", dvd ? "448000" : "224000");
    o.AudioSampleRate = dvd ? 48000 : 44100;
    if (vcd || o.AudioChannels == 1) o.AudioChannels = 2;
    TOptionDispatcher(task_).GenericSet("packetsize", dvd ? "2048" : "2324");
    if (!svcd) TOptionDispatcher(task_).GenericSet("muxrate", vcd ? "1411200" : "10080000");
    if (vcd) o.MuxPreload = 0.44f;
    if (o.FrameAspectRatio == 0.0f) {
      o.FrameAspectRatio = dvd ? 16.0f / 9.0f : 4.0f / 3.0f;
      TEngineLogger::GetLogger().Log(
          &task_, TLogLevel::llInfo,
          dvd ? "Assuming 16:9 for aspect ratio" : "Assuming 4:3 for aspect ratio");
    }
    return;
  }
  Set("f", "dv");
  Set("s", pal ? "720x576" : "720x480");
  Set("pix_fmt", type == "dv50" ? "yuv422p" : pal ? "yuv420p" : "yuv411p");
  Set("r", rate);
  o.AudioSampleRate = 48000;
  o.AudioChannels = 2;
}

}  // namespace qarvo
