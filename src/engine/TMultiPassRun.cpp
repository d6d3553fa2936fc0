#include "engine/TMultiPassRun.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "base/TargetRate.h"
#include "media/EngineLogger.h"
#include "media/ErrorText.h"
#include "media/LibraryApi.h"
#include "engine/TTranscoder.h"
#include "engine/run/EncoderPasses.h"

namespace qarvo {

namespace {

// Attempts at a target size: the first, and corrections while one still misses.
constexpr int kMaxAttempts = 3;
// An attempt whose video came this far under what was asked had an encoder that could not
// spend the bits (a still picture): asking for more again would only repeat it.
constexpr double kSpentShare = 0.6;
// The sound rate assumed when neither the record nor the encoder states one.
constexpr int64_t kAssumedAudioRate = 128000;
constexpr double kSoundPacketSamples = 1024.0;

// A private folder (mode 0700) for the statistics files, in TMPDIR or /tmp. Names that the
// encoders' parameter lists cannot carry (':' and '=') fall back to /tmp.
std::string MakePassFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string folder = base && *base ? base : "/tmp";
  if (folder.find_first_of(":=") != std::string::npos) folder = "/tmp";
  std::string pattern = folder + "/qarvo-passes-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data()))
    throw EEngineError("Cannot create a temporary folder for the two-pass statistics in " + folder);
  return name.data();
}

const AVCodec* EncoderOf(const TCreatedOutputStream& stream) {
  return stream.Codec ? stream.Codec : api().avcodec_find_encoder(stream.Encoder->codec_id);
}

// The muxer the real output gets.
const AVOutputFormat* OutputFormat(const TOutputOptions& record, const std::string& fileName) {
  static const char* const kTargets[] = {"vcd", "svcd", "dvd"};
  const char* name = record.TargetType >= 1 && record.TargetType <= 3
                         ? kTargets[record.TargetType - 1]
                         : (record.FileFormat.empty() ? nullptr : record.FileFormat.c_str());
  return api().av_guess_format(name, fileName.c_str(), nullptr);
}

std::string MuxerName(const TOutputOptions& record, const std::string& fileName) {
  const AVOutputFormat* format = OutputFormat(record, fileName);
  return format ? format->name : "";
}

}  // namespace

TMultiPassRun::TMultiPassRun(TTranscoder& task) : task_(task) {}

TMultiPassRun::~TMultiPassRun() {
  task_.SetProgressSpan(0.0, 1.0);
  if (folder_.empty()) return;
  std::error_code error;
  std::filesystem::remove_all(folder_, error);
}

void TMultiPassRun::Log(const std::string& text) const {
  TEngineLogger::GetLogger().Log(&task_, TLogLevel::llInfo, text);
}

bool TMultiPassRun::Stopped() const { return task_.StopRequested; }

void TMultiPassRun::Run() {
  record_ = task_.OutputOptions(0);
  sized_ = record_.TargetSizeBytes > 0;
  int64_t rate = sized_ ? PlanTarget() : record_.VideoBitrate;
  if (rate <= 0) {
    Log("Two passes need an average video bit rate; the format has none: one pass");
    RunPass(0, 0, {0.0, 1.0});
    return;
  }
  folder_ = MakePassFolder();
  // Each pass is a share of the one job; a size keeps a tenth for a corrected attempt.
  const TSpan first = sized_ ? TSpan{0.0, 0.45} : TSpan{0.0, 0.5};
  const TSpan second = sized_ ? TSpan{0.45, 0.9} : TSpan{0.5, 1.0};
  if (!RunPass(1, rate, first)) {
    writingPass_ = 0;
    RunPass(0, rate, {first.Start, second.End});
  } else {
    if (Stopped()) return;
    RunPass(2, rate, second);
  }
  if (sized_ && !Stopped()) MeetTarget(rate);
}

int64_t TMultiPassRun::PlanTarget() {
  task_.ResetForPass(false);
  TOutputOptions scratch = record_;
  scratch.FileFormat = "null";  // stream settings only: nothing is written, nothing encoded
  task_.OpenForPass(scratch, "/dev/null", true, {});
  const TTaskOptions& o = task_.Options;
  const AVFormatContext& input = *task_.Files.Inputs.at(0).Context;
  int64_t length = input.duration != AV_NOPTS_VALUE ? input.duration : o.ExpectedTotalLength;
  if (o.StartTime > 0) length -= o.StartTime;
  if (o.RecordingTime != INT64_MAX) length = std::min(length, o.RecordingTime);
  TTargetBudget budget;
  budget.TargetBytes = record_.TargetSizeBytes;
  budget.DurationUs = length;
  budget.Container = ContainerKindOf(MuxerName(record_, task_.FirstOutputName()));
  for (const TCreatedOutputStream& stream : task_.Files.Outputs.at(0).Streams) {
    const AVCodecContext& enc = *stream.Encoder;
    if (enc.codec_type == AVMEDIA_TYPE_VIDEO) {
      if (enc.framerate.num > 0 && enc.framerate.den > 0)
        budget.VideoFrameRate = av_q2d(enc.framerate);
      budget.VideoMaxRate = enc.rc_max_rate;
    } else if (enc.codec_type == AVMEDIA_TYPE_AUDIO) {
      int64_t bits = enc.bit_rate;
      if (bits <= 0) {
        bits = kAssumedAudioRate;
        Log(Format("The sound's bit rate is not stated: %lld kbit/s assumed for the target size",
                   static_cast<long long>(bits / 1000)));
      }
      budget.AudioBitRate += bits;
      budget.AudioPacketRate += std::max(enc.sample_rate, 8000) / kSoundPacketSamples;
    }
  }
  task_.ResetForPass(false);
  if (length <= 0)
    throw EEngineError("The length of this job is unknown, so no bit rate fits a target size");
  const TTargetRate planned = VideoRateForTarget(budget);
  if (!planned.Fits)
    throw EEngineError(
        Format("The target size of %s is too small for this job: %.1f seconds with its sound need "
               "at least %s",
               MegabyteText(budget.TargetBytes).c_str(), static_cast<double>(length) / 1e6,
               MegabyteText(planned.SmallestBytes).c_str()));
  Log(Format("Target size %s: video at %lld kbit/s over %.1f s (sound %s, container %lld kB)",
             MegabyteText(budget.TargetBytes).c_str(),
             static_cast<long long>(planned.VideoBitRate / 1000), static_cast<double>(length) / 1e6,
             MegabyteText(planned.AudioBytes).c_str(),
             static_cast<long long>(planned.OverheadBytes / 1000)));
  return planned.VideoBitRate;
}

bool TMultiPassRun::RunPass(int pass, int64_t videoRate, TSpan span) {
  task_.ResetForPass(false);
  TOutputOptions record = record_;
  if (videoRate > 0)
    record.VideoBitrate = static_cast<int32_t>(std::min<int64_t>(videoRate, INT_MAX));
  std::string name = task_.FirstOutputName();
  std::vector<std::pair<std::string, std::string>> options;
  if (pass == 1) {
    // The pictures only, into no file, timed as the real muxer's automatic timing would time
    // them: the second pass reads the statistics picture by picture.
    const AVOutputFormat* real = OutputFormat(record_, name);
    if (record.VideoSyncMethod < 0)
      record.VideoSyncMethod = real && (real->flags & AVFMT_VARIABLE_FPS) ? 2 : 1;
    record.FileFormat = "null";
    record.DisableAudio = true;
    record.DisableSubtitle = true;
    name = "/dev/null";
  }
  if (pass > 0) options.emplace_back("passlogfile", folder_ + "/pass");
  task_.OpenForPass(record, name, pass == 1, options);
  std::vector<TCreatedOutputStream>& streams = task_.Files.Outputs.at(0).Streams;
  for (size_t i = 0; i < streams.size(); ++i) {
    TCreatedOutputStream& stream = streams[i];
    if (stream.Copy || stream.Encoder->codec_type != AVMEDIA_TYPE_VIDEO) continue;
    const AVCodec* codec = EncoderOf(stream);
    if (!codec) continue;
    if (pass > 0 && PassStatsOf(*codec) == TPassStats::None) {
      Log(Format("The %s encoder has no two-pass mode here: one pass at the average rate",
                 codec->name));
      return false;
    }
    if (sized_) UseAverageRate(*stream.Encoder);
    if (pass > 0)
      PrepareEncoderPass(*stream.Encoder, *codec, pass, folder_ + "/video" + std::to_string(i));
  }
  task_.PrepareHooks();
  task_.SetProgressSpan(span.Start, span.End);
  task_.Transcode();
  return true;
}

int64_t TMultiPassRun::OutputBytes() const {
  if (task_.Files.Outputs.empty()) return 0;
  AVIOContext* pb = task_.Files.Outputs[0].Context->pb;
  if (!pb) return 0;
  api().avio_flush(pb);
  return std::max(api().avio_size(pb), api().avio_seek(pb, 0, SEEK_CUR));
}

void TMultiPassRun::MeetTarget(int64_t videoRate) {
  const int64_t target = record_.TargetSizeBytes;
  for (int attempt = 1;; ++attempt) {
    const int64_t size = OutputBytes();
    const int64_t video = task_.RunVideoBytes();
    if (HitsTarget(target, size)) {
      Log(Format("Target size %s: %s written (attempt %d)", MegabyteText(target).c_str(),
                 MegabyteText(size).c_str(), attempt));
      return;
    }
    const int64_t next = CorrectedVideoRate(videoRate, target, size, video);
    // Under the target while the encoder spent far less than asked: more asked gives no more.
    const bool unspendable = size < target && next > videoRate &&
                             static_cast<double>(next - videoRate) >
                                 static_cast<double>(videoRate) * (1.0 / kSpentShare - 1.0);
    if (size < target && (unspendable || attempt == kMaxAttempts)) {
      // Filling the file up would only waste the user's bytes: smaller is kept, and said.
      Log(Format("Target size %s: the pictures needed only %s; the output stays under its target",
                 MegabyteText(target).c_str(), MegabyteText(size).c_str()));
      return;
    }
    if (attempt == kMaxAttempts)
      throw EEngineError(Format("The output stays larger than its target size of %s (%s)",
                                MegabyteText(target).c_str(), MegabyteText(size).c_str()));
    Log(Format("Target size %s missed with %s: encoding again at %lld kbit/s (was %lld)",
               MegabyteText(target).c_str(), MegabyteText(size).c_str(),
               static_cast<long long>(next / 1000), static_cast<long long>(videoRate / 1000)));
    videoRate = next;
    task_.ResetForPass(true);  // the missed attempt goes
    const double start = 0.9 + 0.1 * (attempt - 1) / (kMaxAttempts - 1);
    RunPass(writingPass_, videoRate, {start, start + 0.1 / (kMaxAttempts - 1)});
    if (Stopped()) return;
  }
}

}  // namespace qarvo
