#include "engine/options/TOptionDispatcher.h"

#include <unistd.h>

#include <cmath>
#include <ctime>
#include <string_view>

#include "base/EngineError.h"
#include "base/NumberParse.h"
#include "base/StringFormat.h"
#include "media/EngineLogger.h"
#include "media/NameMapping.h"
#include "engine/open/TStreamFactory.h"
#include "engine/options/OptionParsers.h"
#include "engine/options/TPresets.h"
#include "engine/options/TTargets.h"
#include "engine/task/OptionText.h"

namespace qarvo {

namespace {

using TTask = TTaskContext;
using THandler = void (*)(TTask& task, const std::string& name, const std::string& value);

struct TEntry {
  std::string_view Name;
  THandler Handler;
};

void LogLine(const TTask& task, TLogLevel level, const std::string& text) {
  TEngineLogger::GetLogger().Log(&task, level, text);
}

void DoNothing(TTask& task, const std::string& name, const std::string&) {
  LogLine(task, TLogLevel::llInfo, "Do nothing: option - " + name);
}

// A duration ("duration") or an absolute date ("date") in µs.
int64_t ParseTime(const std::string& name, const std::string& value, bool duration) {
  int64_t us = 0;
  if (api().av_parse_time(&us, value.c_str(), duration ? 1 : 0) < 0)
    throw EEngineError(Format("Invalid %s specification for %s: %s", duration ? "duration" : "date",
                              name.c_str(), value.c_str()));
  return us;
}

std::string ExecutableFolder() {
  char buffer[4096];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return "./";
  std::string path(buffer, static_cast<size_t>(length));
  return path.substr(0, path.rfind('/') + 1);
}

void SetFormat(TTask& task, const std::string&, const std::string& value) {
  if (value.empty()) return;
  if (value == "pgmyuv") {
    task.Options.PgmYuv = true;
    task.Options.FileFormat = "image2";
    LogLine(task, TLogLevel::llInfo, "pgmyuv format is deprecated, use image2");
    return;
  }
  task.Options.FileFormat = value;
}

void AddStreamMap(TTask& task, const std::string& name, const std::string& value) {
  if (task.Options.StreamMaps.size() >= kMaxStreamMaps)
    throw EEngineError(Format("Too many stream maps (at most %d)", kMaxStreamMaps));
  task.Options.StreamMaps.push_back(ParseStreamMap(name, value));
}

void AddMetaDataMap(TTask& task, const std::string& name, const std::string& value) {
  if (task.Options.MetaDataMaps.size() >= kMaxMetaDataMaps)
    throw EEngineError(Format("Too many metadata maps (at most %d)", kMaxMetaDataMaps));
  task.Options.MetaDataMaps.push_back(ParseMetaDataMap(name, value));
}

void SetRecordingTime(TTask& task, const std::string& name, const std::string& value) {
  const int64_t us = ParseTime(name, value, true);
  if (us == kNoTimestamp) return;
  task.Options.RecordingTime = us;
  task.Options.ExpectedTotalLength = us;
}

void SetTsScale(TTask& task, const std::string& name, const std::string& value) {
  const size_t colon = value.find(':');
  const int stream = ParseInt32(name, value.substr(0, colon));
  const double scale =
      ParseDouble(name, colon == std::string::npos ? std::string() : value.substr(colon + 1));
  if (stream < 0 || stream >= kMaxStreams)
    throw EEngineError(Format("stream index over MAX_STREAMS(%d)", kMaxStreams));
  if (task.InputCount() >= kMaxFiles)
    throw EEngineError(Format("Too many input files (at most %d)", kMaxFiles));
  task.Options.TsScale[task.InputCount()][stream] = scale;
}

void AddMetadata(TTask& task, const std::string&, const std::string& value) {
  const size_t equals = value.find('=');
  if (equals == std::string::npos) throw EEngineError("Missing =");
  task.Options.Metadata.emplace_back(value.substr(0, equals), value.substr(equals + 1));
}

void SetTarget(TTask& task, const std::string&, const std::string& value) {
  std::string type = TrimOption(value);
  std::string norm = "auto";
  for (const char* prefix : {"pal-", "ntsc-", "film-"}) {
    const std::string p(prefix);
    if (type.compare(0, p.size(), p) == 0) {
      norm = p.substr(0, p.size() - 1);
      type = type.substr(p.size());
      break;
    }
  }
  TTargets(task).Apply(type, norm, "ntsc");
}

void SetThreads(TTask& task, const std::string& name, const std::string& value) {
  const int32_t count = value == "auto" ? 0 : ParseInt32(name, value);
  if (count < 0)
    throw EEngineError(
        Format("Invalid number \"%s\" for option \"%s\"", value.c_str(), name.c_str()));
  task.Options.ThreadCount = count;
}

void SetBitRate(TTask& task, const std::string& name, const std::string& value) {
  if (name.empty() || value.empty() || !TOptionDispatcher(task).GenericSet(name, value)) return;
  const AVMediaType kind = name[0] == 'a' ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO;
  if (task.Generic.CodecInt(kind, "b") < 1000)
    LogLine(
        task, TLogLevel::llWarning,
        "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
}

void SetFrameRate(TTask& task, const std::string&, const std::string& value) {
  if (value.empty()) return;
  AVRational rate{0, 0};
  if (api().av_parse_video_rate(&rate, value.c_str()) < 0)
    throw EEngineError("Incorrect frame rate");
  task.Options.FrameRate = {rate.num, rate.den};
}

void SetFrameSize(TTask& task, const std::string&, const std::string& value) {
  if (value.empty()) return;
  int width = 0, height = 0;
  if (api().av_parse_video_size(&width, &height, value.c_str()) < 0)
    throw EEngineError("Incorrect frame size");
  task.Options.FrameWidth = width;
  task.Options.FrameHeight = height;
}

void SetAspect(TTask& task, const std::string&, const std::string& value) {
  if (value.empty()) return;
  const double ratio = ParseAspect(value);
  if (ratio == 0.0) throw EEngineError("Incorrect aspect ratio specification.");
  task.Options.FrameAspectRatio = static_cast<float>(ratio);
}

void SetPixelFormat(TTask& task, const std::string&, const std::string& value) {
  if (value == "list") {
    char text[128];
    LogLine(task, TLogLevel::llInfo,
            TrimOption(api().av_get_pix_fmt_string(text, sizeof text, AV_PIX_FMT_NONE)));
    for (int fmt = 0; api().av_pix_fmt_desc_get(static_cast<AVPixelFormat>(fmt)); ++fmt)
      LogLine(task, TLogLevel::llInfo,
              TrimOption(
                  api().av_get_pix_fmt_string(text, sizeof text, static_cast<AVPixelFormat>(fmt))));
    return;
  }
  const AVPixelFormat format = api().av_get_pix_fmt(value.c_str());
  if (format == AV_PIX_FMT_NONE)
    throw EEngineError(Format("Unknown pixel format requested: %s", value.c_str()));
  task.Options.FramePixFmt = format;
  task.Options.FramePixFmtChosen = true;
}

void SetSampleFormat(TTask& task, const std::string&, const std::string& value) {
  if (value == "list") {
    char text[128];
    LogLine(task, TLogLevel::llInfo,
            TrimOption(api().av_get_sample_fmt_string(text, sizeof text, AV_SAMPLE_FMT_NONE)));
    for (int fmt = 0; fmt < AV_SAMPLE_FMT_NB; ++fmt)
      LogLine(task, TLogLevel::llInfo,
              TrimOption(api().av_get_sample_fmt_string(text, sizeof text,
                                                        static_cast<AVSampleFormat>(fmt))));
    return;
  }
  task.Options.AudioSampleFmt = api().av_get_sample_fmt(value.c_str());
}

void SetCrop(TTask& task, const std::string& name, const std::string& value) {
  const int32_t crop = ParseInt32(name, value);
  if (crop <= 0) return;
  TTaskOptions& o = task.Options;
  const bool vertical = name == "croptop" || name == "cropbottom";
  int32_t& size = vertical ? o.FrameHeight : o.FrameWidth;
  if (crop >= size)
    throw EEngineError(std::string(vertical ? "Vertical" : "Horizontal") +
                       " crop dimensions are outside the range of the original image.\n"
                       "Remember to crop first and scale second.");
  LogLine(task, TLogLevel::llWarning, "CropXXX is deprecated in favor of the crop avfilter");
  int32_t& field = name == "croptop"      ? o.CropTop
                   : name == "cropbottom" ? o.CropBottom
                   : name == "cropleft"   ? o.CropLeft
                                          : o.CropRight;
  field = crop;
  size -= crop;
}

void SetQScale(TTask& task, const std::string& name, const std::string& value) {
  const double q = ParseDouble(name, value);
  if (!(q > 0.0 && q <= 255.0)) throw EEngineError("qscale must be > 0.0 and <= 255");
  task.Options.VideoQScale = static_cast<float>(q);
}

// vcodec, acodec, scodec
void SetCodecName(TTask& task, const std::string& name, const std::string& value) {
  if (value.empty()) return;
  TTaskOptions& o = task.Options;
  std::string& codec = name[0] == 'v'   ? o.VideoCodecName
                       : name[0] == 'a' ? o.AudioCodecName
                                        : o.SubtitleCodecName;
  bool& copy = name[0] == 'v'   ? o.VideoStreamCopy
               : name[0] == 'a' ? o.AudioStreamCopy
                                : o.SubtitleStreamCopy;
  codec.clear();
  if (value == "copy")
    copy = true;
  else
    codec = value;
}

void SetPass(TTask& task, const std::string& name, const std::string& value) {
  const int32_t pass = ParseInt32(name, value);
  if (pass != 1 && pass != 2) throw EEngineError("pass number can be only 1 or 2");
  task.Options.DoPass = pass;
}

void SetVstats(TTask& task, const std::string&, const std::string&) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char clock[16];
  std::strftime(clock, sizeof clock, "%H%M%S", &local);
  task.Options.VstatsFileName = Format("%svstats_%s.log", ExecutableFolder().c_str(), clock);
}

void SetMatrix(TTask& task, const std::string& name, const std::string& value) {
  (name == "intra_matrix" ? task.Options.IntraMatrix : task.Options.InterMatrix) =
      ParseMatrix(value);
}

// vtag, atag, stag
void SetTag(TTask& task, const std::string& name, const std::string& value) {
  if (value.empty()) return;
  TTaskOptions& o = task.Options;
  if (name[0] == 'v')
    o.VideoTag = ParseTag("video", value);
  else if (name[0] == 'a')
    o.AudioTag = ParseTag("audio", value);
  else
    o.SubtitleTag = ParseTag("subtitle", value);
}

void NewStream(TTask& task, const std::string& name, const std::string&) {
  if (task.OutputCount() == 0) throw EEngineError("At least one output file must be specified");
  const int last = task.OutputCount() - 1;
  TStreamFactory streams(task, task.Files.Outputs[last]);
  if (name == "newvideo")
    streams.NewVideoStream();
  else if (name == "newaudio")
    streams.NewAudioStream();
  else
    streams.NewSubtitleStream();
}

void SetStreamId(TTask& task, const std::string& name, const std::string& value) {
  const size_t colon = value.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == value.size())
    throw EEngineError(
        Format("Invalid value \"%s\" for option \"%s\", required syntax is "
               "\"index:value\"",
               value.c_str(), name.c_str()));
  const int32_t index = ParseInt32(name, value.substr(0, colon));
  if (index < 0 || index >= kMaxStreams)
    throw EEngineError(Format("Invalid stream index %d for option \"%s\" (0 to %d)", index,
                              name.c_str(), kMaxStreams - 1));
  task.Options.StreamIds[index] = ParseInt32(name, value.substr(colon + 1));
}

void SetAudioNumber(TTask& task, const std::string& name, const std::string& value) {
  const int32_t number = ParseInt32(name, value);
  if (number <= 0) return;
  (name == "ar" ? task.Options.AudioSampleRate : task.Options.AudioChannels) = number;
}

// absf, vbsf, sbsf
void AddBitstreamFilter(TTask& task, const std::string& name, const std::string& value) {
  if (value.empty() || value[0] == '=') return;
  const size_t equals = value.find('=');
  const std::string filter = value.substr(0, equals);
  if (!api().av_bsf_get_by_name(filter.c_str()))
    throw EEngineError(Format("Unknown bitstream filter %s", TrimOption(value).c_str()));
  const int kind = name[0] == 'v' ? kVideo : name[0] == 'a' ? kAudio : kSubtitle;
  task.Options.PendingBitstreamFilters[kind].push_back(value);
}

#define FLAG(field) \
  [](TTask& t, const std::string&, const std::string& v) { t.Options.field = OptionFlag(v); }
#define SET(field) [](TTask& t, const std::string&, const std::string&) { t.Options.field = true; }
#define INT(field) \
  [](TTask& t, const std::string& n, const std::string& v) { t.Options.field = ParseInt32(n, v); }
#define FLOAT(field)                                         \
  [](TTask& t, const std::string& n, const std::string& v) { \
    t.Options.field = static_cast<float>(ParseDouble(n, v)); \
  }
#define TEXT(field) [](TTask& t, const std::string&, const std::string& v) { t.Options.field = v; }

// In dispatch order; the first entry of a name wins.
constexpr TEntry kTable[] = {
    {"L", DoNothing},
    {"h", DoNothing},
    {"version", DoNothing},
    {"formats", DoNothing},
    {"codecs", DoNothing},
    {"bsfs", DoNothing},
    {"protocols", DoNothing},
    {"filters", DoNothing},
    {"loglevel", [](TTask&, const std::string&,
                    const std::string& v) { TEngineLogger::GetLogger().SetLevelFromText(v); }},
    {"f", SetFormat},
    {"i", DoNothing},
    {"y", DoNothing},
    {"map", AddStreamMap},
    {"map_meta_data", AddMetaDataMap},
    {"t", SetRecordingTime},
    {"fs", [](TTask& t, const std::string& n,
              const std::string& v) { t.Options.FileSizeLimit = ParseInteger(n, v); }},
    {"ss", [](TTask& t, const std::string& n,
              const std::string& v) { t.Options.StartTime = ParseTime(n, v, true); }},
    {"itsoffset", [](TTask& t, const std::string& n,
                     const std::string& v) { t.Options.InputTsOffset = ParseTime(n, v, true); }},
    {"itsscale", SetTsScale},
    {"timestamp",
     [](TTask& t, const std::string& n, const std::string& v) {
       t.Options.RecordingTimestamp =
           std::llround(static_cast<double>(ParseTime(n, v, false)) / 1e6);
     }},
    {"metadata", AddMetadata},
    {"dframes", INT(MaxFrames[kData])},
    {"benchmark", DoNothing},
    {"timelimit",
     [](TTask& t, const std::string&, const std::string&) {
       LogLine(t, TLogLevel::llWarning, "Warning: -timelimit not implemented on Windows");
     }},
    {"dump", FLAG(DoPacketDump)},
    {"hex", FLAG(DoHexDump)},
    {"re", FLAG(RateEmulation)},
    {"loop_input", FLAG(LoopInput)},
    {"loop_output", INT(LoopOutput)},
    {"v", INT(Verbose)},
    {"target", SetTarget},
    {"threads", SetThreads},
    {"pipeline", FLAG(Pipelined)},
    {"vsync", INT(VideoSyncMethod)},
    {"async", INT(AudioSyncMethod)},
    {"adrift_threshold", FLOAT(AudioDriftThreshold)},
    {"vglobal", INT(VideoGlobalHeader)},
    {"copyts", SET(CopyTimestamps)},
    {"shortest", FLAG(Shortest)},
    {"dts_delta_threshold", FLOAT(DtsDeltaThreshold)},
    {"programid", INT(ProgramId)},
    {"xerror", SET(ExitOnError)},
    {"copyinkf", INT(CopyInitialNonKeyframes)},
    {"b", SetBitRate},
    {"vb", SetBitRate},
    {"vframes", INT(MaxFrames[kVideo])},
    {"r", SetFrameRate},
    {"s", SetFrameSize},
    {"aspect", SetAspect},
    {"pix_fmt", SetPixelFormat},
    {"croptop", SetCrop},
    {"cropbottom", SetCrop},
    {"cropleft", SetCrop},
    {"cropright", SetCrop},
    {"padtop", [](TTask&, const std::string&,
                  const std::string&) { throw EEngineError("Please use vfilters=pad"); }},
    {"padbottom", nullptr},
    {"padleft", nullptr},
    {"padright", nullptr},
    {"padcolor", nullptr},
    {"intra", FLAG(IntraOnly)},
    {"vn", FLAG(VideoDisable)},
    {"vdt", INT(VideoDiscard)},
    {"qscale", SetQScale},
    {"rc_override", TEXT(RcOverride)},
    {"vcodec", SetCodecName},
    {"me_threshold", INT(MeThreshold)},
    {"sameq", FLAG(SameQuality)},
    {"pass", SetPass},
    {"passlogfile", TEXT(PassLogFileName)},
    {"deinterlace", FLAG(DoDeinterlace)},
    {"psnr", FLAG(DoPsnr)},
    {"vstats", SetVstats},
    {"vstats_file", TEXT(VstatsFileName)},
    {"vhook", [](TTask& t, const std::string&, const std::string& v) { t.VideoHooks.Add(v); }},
    {"vfilters",
     [](TTask& t, const std::string&, const std::string& v) {
       if (!v.empty()) t.Options.VideoFilters = TranslateLegacyFilters(v);
     }},
    {"vf", nullptr},
    {"intra_matrix", SetMatrix},
    {"inter_matrix", SetMatrix},
    {"top", INT(TopFieldFirst)},
    {"dc", INT(IntraDcPrecision)},
    {"vtag", SetTag},
    {"newvideo", NewStream},
    {"vlang", TEXT(VideoLanguage)},
    {"qphist", FLAG(QpHist)},
    {"force_fps", FLAG(ForceFps)},
    {"streamid", SetStreamId},
    {"ab", SetBitRate},
    {"aframes", INT(MaxFrames[kAudio])},
    {"aq", FLOAT(AudioQScale)},
    {"ar", SetAudioNumber},
    {"ac", SetAudioNumber},
    {"an", FLAG(AudioDisable)},
    {"acodec", SetCodecName},
    {"atag", SetTag},
    {"vol", INT(AudioVolume)},
    {"newaudio", NewStream},
    {"alang", TEXT(AudioLanguage)},
    {"sample_fmt", SetSampleFormat},
    {"sn", FLAG(SubtitleDisable)},
    {"scodec", SetCodecName},
    {"newsubtitle", NewStream},
    {"slang", TEXT(SubtitleLanguage)},
    {"stag", SetTag},
    {"vc", INT(VideoChannel)},
    {"tvstd", TEXT(VideoStandard)},
    {"isync", FLAG(InputSync)},
    {"muxdelay", FLOAT(MuxMaxDelay)},
    {"muxpreload", FLOAT(MuxPreload)},
    {"absf", AddBitstreamFilter},
    {"vbsf", AddBitstreamFilter},
    {"sbsf", AddBitstreamFilter},
    {"apre", [](TTask& t, const std::string& n, const std::string& v) { TPresets(t).Apply(n, v); }},
    {"vpre", nullptr},
    {"spre", nullptr},
    {"fpre", nullptr},
};

#undef FLAG
#undef SET
#undef INT
#undef FLOAT
#undef TEXT

// A null handler shares the handler of the entry before it.
THandler FindHandler(const std::string& name) {
  THandler previous = nullptr;
  for (const TEntry& entry : kTable) {
    if (entry.Handler) previous = entry.Handler;
    if (entry.Name == name) return previous;
  }
  return nullptr;
}

}  // namespace

TPrivateTargets PrivateTargetsOf(const TTaskOptions& options) {
  return {options.VideoStreamCopy ? std::string() : options.VideoCodecName,
          options.AudioStreamCopy ? std::string() : options.AudioCodecName,
          options.SubtitleStreamCopy ? std::string() : options.SubtitleCodecName,
          options.FileFormat};
}

bool TOptionDispatcher::GenericSet(const std::string& name, const std::string& value) {
  const bool set = task_.Generic.Set(name, value, PrivateTargetsOf(task_.Options));
  int64_t flags = 0;
  if (set && task_.Generic.ScalerContext() &&
      api().av_opt_get_int(task_.Generic.ScalerContext(), "sws_flags", 0, &flags) >= 0)
    task_.Options.SwsFlags = static_cast<int32_t>(flags);
  return set;
}

void TOptionDispatcher::Dispatch(const std::string& name, const std::string& value) {
  if (THandler handler = FindHandler(name))
    handler(task_, name, value);
  else
    GenericSet(name, value);
}

void TOptionDispatcher::ApplyOptionText(const std::string& text, TOptionTextUse use) {
  for (const TOptionLine& line : SplitOptionText(text)) {
    if (use == TOptionTextUse::Input && !DispatchedInRecordPass(line.Name, TRecordPass::Input))
      continue;
    if (use == TOptionTextUse::Output && !DispatchedInRecordPass(line.Name, TRecordPass::Output))
      continue;
    Dispatch(line.Name, line.Value);
  }
}

}  // namespace qarvo
