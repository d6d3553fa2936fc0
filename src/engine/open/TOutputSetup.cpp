#include "engine/open/TOutputSetup.h"

#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <utility>

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "media/ErrorText.h"
#include "media/StreamKind.h"
#include "engine/open/TStreamFactory.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {
namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

int TOutputSetup::Fail(const std::string& message) {
  task_.SetErrorText(message);
  return -1;
}

const AVOutputFormat* TOutputSetup::ChooseFormat(const std::string& fileName) {
  TTaskOptions& o = task_.Options;
  if (!o.FileFormat.empty()) {
    const std::string name = o.FileFormat;
    o.FileFormat.clear();
    const AVOutputFormat* format = api().av_guess_format(name.c_str(), nullptr, nullptr);
    if (!format)
      Fail(Format("Requested output format '%s' is not a suitable output format", name.c_str()));
    return format;
  }
  const AVOutputFormat* format = api().av_guess_format(nullptr, fileName.c_str(), nullptr);
  if (!format) Fail(Format("Unable to find a suitable output format for '%s'", fileName.c_str()));
  return format;
}

bool TOutputSetup::InputsHave(AVMediaType type) const {
  if (task_.Files.Inputs.empty()) return true;
  for (const TOpenedInput& input : task_.Files.Inputs)
    for (unsigned i = 0; i < input.Context->nb_streams; ++i) {
      const AVMediaType kind = PlayedType(*input.Context->streams[i]);
      if (kind < AVMEDIA_TYPE_UNKNOWN || kind > AVMEDIA_TYPE_ATTACHMENT)
        throw EEngineError("check_audio_video_sub_inputs fail: invalid codec_type of input file");
      if (kind == type) return true;
    }
  return false;
}

bool TOutputSetup::CreateStreams(TOpenedOutput& output) {
  TTaskOptions& o = task_.Options;
  const AVOutputFormat* format = output.Context->oformat;
  // The default picture of a sound format is its cover art, not a picture stream.
  const bool soundFormat =
      format->mime_type && std::string(format->mime_type).rfind("audio/", 0) == 0;
  const bool defaultVideo = format->video_codec != AV_CODEC_ID_NONE && !soundFormat;
  bool video = o.VideoStreamCopy || defaultVideo || !o.VideoCodecName.empty();
  bool audio =
      o.AudioStreamCopy || format->audio_codec != AV_CODEC_ID_NONE || !o.AudioCodecName.empty();
  bool subtitle = o.SubtitleStreamCopy || format->subtitle_codec != AV_CODEC_ID_NONE ||
                  !o.SubtitleCodecName.empty();
  video = video && InputsHave(AVMEDIA_TYPE_VIDEO) && !o.VideoDisable;
  audio = audio && InputsHave(AVMEDIA_TYPE_AUDIO) && !o.AudioDisable;
  subtitle = subtitle && InputsHave(AVMEDIA_TYPE_SUBTITLE) && !o.SubtitleDisable;
  TStreamFactory factory(task_, output);
  struct TStep {
    bool Wanted;
    void (TStreamFactory::*Create)();
    const char* Failure;
  };
  const TStep steps[] = {
      {video, &TStreamFactory::NewVideoStream, "new_video_stream fail: %s"},
      {audio, &TStreamFactory::NewAudioStream, "new_audio_stream fail: %s"},
      {subtitle, &TStreamFactory::NewSubtitleStream, "new_subtitle_stream fail: %s"}};
  for (const TStep& step : steps) {
    if (!step.Wanted) continue;
    try {
      (factory.*step.Create)();
    } catch (const EEngineError& e) {
      Fail(Format(step.Failure, e.what()));
      return false;
    }
  }
  // Settings consumed by the first streams are spent even for kinds the output does not have.
  o.VideoDisable = o.AudioDisable = o.SubtitleDisable = false;
  return true;
}

void TOutputSetup::ApplyMetadata(AVFormatContext& oc) {
  TTaskOptions& o = task_.Options;
  if (o.RecordingTimestamp) {
    const time_t seconds = static_cast<time_t>(o.RecordingTimestamp);
    struct tm utc {};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S.000000Z", &utc);
    CheckCall(api().av_dict_set(&oc.metadata, "creation_time", text, 0),
              "av_dict_set(creation_time)");
  }
  // From the last to the first, each replacing: the earliest value given for a key wins.
  for (auto it = o.Metadata.rbegin(); it != o.Metadata.rend(); ++it)
    CheckCall(api().av_dict_set(&oc.metadata, it->first.c_str(), it->second.c_str(), 0),
              "av_dict_set(" + it->first + ")");
  o.Metadata.clear();
}

bool TOutputSetup::OpenFile(TOpenedOutput& output, const std::string& libraryName) {
  AVFormatContext* oc = output.Context.get();
  // The picture-sequence muxer no longer declares the need, yet overwrites one file per picture.
  const bool needsNumber =
      (oc->oformat->flags & AVFMT_NEEDNUMBER) || std::string(oc->oformat->name) == "image2";
  if (needsNumber && !api().av_filename_number_test(libraryName.c_str())) {
    Fail(FileErrorText(output.FileName, AVERROR(EDOM)));
    return false;
  }
  // A muxer that opens its own files (one per picture) may reach local files only.
  const int refused = api().av_opt_set(oc, "protocol_whitelist", "file", 0);
  if (refused < 0) {
    Fail("Set protocol whitelist error: " + ErrorText(refused));
    return false;
  }
  if (oc->oformat->flags & AVFMT_NOFILE) return true;
  // Written through our own descriptor: the name's bytes reach the system unchanged, and no
  // name chooses a protocol or writes into a pipe or device.
  try {
    struct stat st {};
    const bool exists = ::stat(output.FileName.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
      // A device (/dev/null) is written as it is; anything else is refused here.
      output.Unicode = TUnicodeFile::ForPath(output.FileName, TUnicodeFile::kWrite);
    } else {
      // Written under a part file's name until complete (see Commit).
      const auto start = task_.RunStart == std::chrono::system_clock::time_point{}
                             ? std::chrono::system_clock::now()
                             : task_.RunStart;
      TPartFile::RemoveLeftovers(FolderOf(output.FileName), start);
      output.Part = std::make_unique<TPartFile>(output.FileName);
      output.Unicode = TUnicodeFile::ForDescriptor(output.Part->Path(), output.Part->Descriptor());
      // What the muxer opens again by name (a fast-start rewrite) is the part file.
      api().av_freep(&oc->url);
      oc->url = api().av_strdup(FileLibraryName(output.Part->Path()).c_str());
      if (!oc->url) throw std::bad_alloc();
    }
  } catch (const EEngineError& e) {
    Fail(e.what());
    return false;
  }
  oc->pb = output.Unicode->Context();
  oc->flags |= AVFMT_FLAG_CUSTOM_IO;
  return true;
}

void TOutputSetup::SetMuxerOption(AVFormatContext& oc, const char* name, int64_t value) {
  if (!api().av_opt_find(oc.priv_data, name, nullptr, 0, 0)) return;
  CheckCall(api().av_opt_set_int(oc.priv_data, name, value, 0), Format("av_opt_set_int(%s)", name));
}

void TOutputSetup::ApplyMuxerSettings(AVFormatContext& oc) {
  TTaskOptions& o = task_.Options;
  oc.max_delay = static_cast<int>(std::lround(o.MuxMaxDelay * 1000000.0));
  // The preload and loop settings live with the muxers that have them.
  if (oc.priv_data && oc.oformat->priv_class) {
    SetMuxerOption(oc, "preload", std::lround(o.MuxPreload * 1000000.0));
    if (o.LoopOutput >= 0) SetMuxerOption(oc, "loop", o.LoopOutput);
  }
  oc.flags |= AVFMT_FLAG_NONBLOCK;
  task_.ApplyGenericOptions(&oc, AV_OPT_FLAG_ENCODING_PARAM);
  for (int32_t& id : o.StreamIds) id = 0;
}

int TOutputSetup::Open(const std::string& fileName) {
  // Spent by this output whatever becomes of it, as the other settings of the next output.
  TNameIfTaken nameIfTaken = std::exchange(task_.Options.NameIfTaken, nullptr);
  if (task_.OutputCount() >= TTaskContext::kFileLimit)
    return Fail(Format("max output files %d reached", TTaskContext::kFileLimit));
  std::string libraryName;
  try {
    libraryName = FileLibraryName(fileName);
  } catch (const EEngineError& e) {
    return Fail(e.what());
  }
  const AVOutputFormat* format = ChooseFormat(fileName);
  if (!format) return -1;
  TOpenedOutput output;
  output.FileName = fileName;
  output.NameIfTaken = std::move(nameIfTaken);
  AVFormatContext* raw = nullptr;
  if (api().avformat_alloc_output_context2(&raw, format, nullptr, nullptr) < 0 || !raw)
    throw EEngineError("avformat_alloc_context failed");
  output.Context.reset(raw);
  raw->url = api().av_strdup(libraryName.c_str());
  if (!raw->url) throw std::bad_alloc();

  if (!CreateStreams(output)) return -1;
  ApplyMetadata(*raw);
  if (!OpenFile(output, libraryName)) return -1;
  ApplyMuxerSettings(*raw);
  task_.Files.Outputs.push_back(std::move(output));
  return task_.OutputCount();
}

}  // namespace qarvo
