#include "support/TestMedia.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "media/LibraryObjects.h"

#include "support/AudioClipSource.h"
#include "support/ClipEncoder.h"
#include "support/HeaderFigures.h"
#include "support/TestMediaError.h"
#include "support/VideoClipSource.h"

namespace qarvo {
namespace {

// Part of every clip description: raise it whenever the generator's output changes, so that
// cached clips are made again.
constexpr int kGeneratorVersion = 3;

void CheckSpec(const TClipSpec& s) {
  auto fail = [](const std::string& what) { throw std::runtime_error("bad clip spec: " + what); };
  if (s.VideoCodec.empty() && s.AudioCodec.empty()) fail("no video and no audio codec");
  if (!(s.Duration > 0.0)) fail("duration must be positive");
  if (!s.VideoCodec.empty()) {
    if (s.Width <= 0 || s.Height <= 0) fail("picture size must be positive");
    if (s.FrameRate.num <= 0 || s.FrameRate.den <= 0) fail("frame rate must be positive");
    if (s.SampleAspect.num <= 0 || s.SampleAspect.den <= 0) fail("pixel shape must be positive");
    if (s.Rotation % 90 != 0 || s.Rotation < 0 || s.Rotation >= 360)
      fail("rotation must be 0, 90, 180 or 270");
  }
  if (!s.AudioCodec.empty()) {
    if (s.SampleRate <= 0) fail("sample rate must be positive");
    if (s.Channels < 1 || s.Channels > 8) fail("channels must be 1 to 8");
    if (s.AudioStreams < 1 || s.AudioStreams > 2) fail("audio streams must be 1 or 2");
    if (s.FirstAudioDuration < 0.0 || s.FirstAudioDuration > s.Duration)
      fail("first audio stream must not outlast the clip");
  }
  if (s.VideoStart < 0.0 || s.AudioStart < 0.0) fail("streams cannot start before 0");
  if (!s.CoverArt.empty() && s.AudioCodec.empty()) fail("cover art needs sound");
  if (s.ProgramConfig && s.AudioCodec != "aac") fail("a program configuration is AAC's");
  if (s.StatedPreroll >= 0 && s.Container != "asf") fail("a preroll is stated by ASF only");
  if (s.StatedLength < 0.0 ||
      (s.StatedLength > 0.0 && s.Container != "asf" && s.Container != "matroska"))
    fail("a stated length is patched into ASF and Matroska only");
}

AVPixelFormat ChoosePixelFormat(const AVCodec& codec, AVPixelFormat wanted) {
  if (!codec.pix_fmts) return wanted;
  for (const AVPixelFormat* p = codec.pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
    if (*p == wanted) return wanted;
  return codec.pix_fmts[0];
}

// Packed 16-bit when the encoder takes it (no conversion), else planar 16-bit or float.
AVSampleFormat ChooseSampleFormat(const AVCodec& codec) {
  if (!codec.sample_fmts) return AV_SAMPLE_FMT_S16;
  for (AVSampleFormat wanted : {AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_S16P, AV_SAMPLE_FMT_FLTP})
    for (const AVSampleFormat* f = codec.sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
      if (*f == wanted) return wanted;
  return codec.sample_fmts[0];
}

void CheckSampleRate(const AVCodec& codec, int rate) {
  if (!codec.supported_samplerates) return;
  for (const int* r = codec.supported_samplerates; *r; ++r)
    if (*r == rate) return;
  throw std::runtime_error(std::string("encoder ") + codec.name + " does not take sample rate " +
                           std::to_string(rate));
}

TOutputFormatContextPtr MakeOutput(const TClipSpec& spec, const std::string& path) {
  const AVOutputFormat* format = api().av_guess_format(spec.Container.c_str(), nullptr, nullptr);
  if (!format)
    throw std::runtime_error("av_guess_format(" + spec.Container + "): Unknown container");
  AVFormatContext* raw = nullptr;
  CheckAv(api().avformat_alloc_output_context2(&raw, format, nullptr, path.c_str()),
          "avformat_alloc_output_context2(" + spec.Container + ")");
  TOutputFormatContextPtr output(raw);
  // No version strings, dates or random identifiers in the file.
  output->flags |= AVFMT_FLAG_BITEXACT;
  return output;
}

std::unique_ptr<TClipEncoder> OpenVideo(AVFormatContext& output, const TClipSpec& spec) {
  auto encoder = std::make_unique<TClipEncoder>(output, spec.VideoCodec);
  AVCodecContext& c = encoder->Context();
  c.width = spec.Width;
  c.height = spec.Height;
  c.pix_fmt = ChoosePixelFormat(encoder->Codec(), spec.PixelFormat);
  c.framerate = spec.FrameRate;
  c.time_base =
      spec.VariableRate || spec.MillisecondClock ? AVRational{1, 1000} : av_inv_q(spec.FrameRate);
  c.sample_aspect_ratio = spec.SampleAspect;
  // A key frame every second keeps seeking tests quick.
  c.gop_size = std::max(1, static_cast<int>(std::lround(av_q2d(spec.FrameRate))));
  if (spec.BFrames >= 0) c.max_b_frames = spec.BFrames;
  if (spec.VideoBitRate > 0) c.bit_rate = spec.VideoBitRate;
  TDictionary options;
  if (spec.VideoCodec == "libx264") options.Set("preset", "veryfast");
  encoder->Open(std::move(options));
  if (spec.VariableRate) {
    encoder->Stream().avg_frame_rate = {0, 1};
    encoder->Stream().r_frame_rate = {0, 1};
  }
  if (spec.Rotation != 0) {
    uint8_t* matrix = api().av_stream_new_side_data(&encoder->Stream(), AV_PKT_DATA_DISPLAYMATRIX,
                                                    9 * sizeof(int32_t));
    if (!matrix) throw std::runtime_error("av_stream_new_side_data(display matrix): out of memory");
    // A matrix made for a clockwise turn asks a player to turn the picture that way.
    api().av_display_rotation_set(reinterpret_cast<int32_t*>(matrix), spec.Rotation);
  }
  return encoder;
}

std::unique_ptr<TClipEncoder> OpenAudio(AVFormatContext& output, const TClipSpec& spec) {
  auto encoder = std::make_unique<TClipEncoder>(output, spec.AudioCodec);
  AVCodecContext& c = encoder->Context();
  CheckSampleRate(encoder->Codec(), spec.SampleRate);
  c.sample_rate = spec.SampleRate;
  api().av_channel_layout_default(&c.ch_layout, spec.Channels);
  c.sample_fmt = ChooseSampleFormat(encoder->Codec());
  c.time_base = AVRational{1, spec.SampleRate};
  if (spec.AudioBitRate > 0) c.bit_rate = spec.AudioBitRate;
  TDictionary options;
  if (spec.ProgramConfig) options.Set("aac_pce", "1");
  encoder->Open(std::move(options));
  return encoder;
}

// Feeds every encoder in time order, so the muxer's interleaving queue stays short.
void EncodeAll(const std::vector<std::unique_ptr<TClipEncoder>>& encoders) {
  for (;;) {
    TClipEncoder* next = nullptr;
    for (const auto& e : encoders)
      if (!e->Finished() && (!next || e->Position() < next->Position())) next = e.get();
    if (!next) return;
    next->Step();
  }
}

void WriteClip(const TClipSpec& spec, const std::string& path) {
  TOutputFormatContextPtr output = MakeOutput(spec, path);
  // ASF payloads carry one time, which its muxer takes from the decoding time.
  const bool asf = spec.Container == "asf";
  std::vector<std::unique_ptr<TClipEncoder>> encoders;
  std::unique_ptr<TVideoClipSource> video;
  std::vector<std::unique_ptr<TAudioClipSource>> audio;
  if (!spec.VideoCodec.empty()) {
    encoders.push_back(OpenVideo(*output, spec));
    video = std::make_unique<TVideoClipSource>(encoders.back()->Context(), VideoFrameCount(spec),
                                               spec.CornerMarker, spec.Grain, spec.PositionPattern);
    encoders.back()->SetSource([source = video.get()] { return source->Next(); });
    encoders.back()->SetTimeOffset(spec.VideoStart);
    if (spec.Stray.Video) encoders.back()->SetStray(spec.Stray.At, spec.Stray.By, asf);
    encoders.back()->SetWithoutDurations(spec.WithoutDurations);
  }
  std::unique_ptr<TVideoClipSource> cover;
  if (!spec.CoverArt.empty()) {
    // One picture that belongs to the file's tags, not to its timeline.
    TClipSpec picture = spec;
    picture.VideoCodec = spec.CoverArt;
    picture.FrameRate = {1, 1};
    picture.VideoBitRate = 0;
    encoders.push_back(OpenVideo(*output, picture));
    encoders.back()->Stream().disposition |= AV_DISPOSITION_ATTACHED_PIC;
    cover = std::make_unique<TVideoClipSource>(encoders.back()->Context(), 1);
    encoders.back()->SetSource([source = cover.get()] { return source->Next(); });
  }
  // AVI times pictures by counting them, so the muxer's shift of every stream by the audio
  // priming would become an empty first picture; there the sound starts at 0 instead and its
  // priming plays as a lead-in, as in any such file.
  const bool audioAtZero = spec.Container == "avi" || spec.SoundAtZero;
  for (int i = 0; !spec.AudioCodec.empty() && i < spec.AudioStreams; ++i) {
    encoders.push_back(OpenAudio(*output, spec));
    encoders.back()->SetStartAtZero(audioAtZero);
    encoders.back()->SetTimeOffset(spec.AudioStart);
    if (!spec.Stray.Video && i == 0) encoders.back()->SetStray(spec.Stray.At, spec.Stray.By, asf);
    encoders.back()->SetWithoutDurations(spec.WithoutDurations);
    const TToneSpec tone{spec.SampleRate, spec.Channels, ToneFrequency(spec, i), spec.Clicks};
    const int64_t samples = i == 0 && spec.FirstAudioDuration > 0.0
                                ? std::llround(spec.FirstAudioDuration * spec.SampleRate)
                                : AudioSampleCount(spec);
    audio.push_back(std::make_unique<TAudioClipSource>(encoders.back()->Context(), tone, samples));
    encoders.back()->SetSource([source = audio.back().get()] { return source->Next(); });
  }
  const bool hasFile = !(output->oformat->flags & AVFMT_NOFILE);
  if (hasFile)
    CheckAv(api().avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE), "avio_open(" + path + ")");
  TDictionary muxerOptions;
  CheckAv(api().avformat_write_header(output.get(), muxerOptions.Address()),
          "avformat_write_header(" + spec.Container + ")");
  EncodeAll(encoders);
  CheckAv(api().av_write_trailer(output.get()), "av_write_trailer(" + spec.Container + ")");
  // Closed here rather than by the owner so that a failed final flush is reported.
  if (hasFile) CheckAv(api().avio_closep(&output->pb), "avio_closep(" + path + ")");
  if (spec.StatedLength > 0.0 || spec.StatedPreroll >= 0)
    StateInHeader(path, spec.Container, spec.StatedLength, spec.StatedPreroll);
}

std::string PartialPath(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

void GenerateClip(const TClipSpec& spec, const std::string& path) {
  LoadMediaLibraries();
  CheckSpec(spec);
  const std::string partial = PartialPath(path);
  try {
    WriteClip(spec, partial);
    std::filesystem::rename(partial, path);
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(partial, ignored);
    throw;
  }
}

double ToneFrequency(const TClipSpec& spec, int index) {
  return index == 0 ? spec.ToneFrequency : spec.ToneFrequency * 1.5;
}

int64_t VideoFrameCount(const TClipSpec& spec) {
  if (spec.VideoCodec.empty()) return 0;
  return std::llround(spec.Duration * spec.FrameRate.num / spec.FrameRate.den);
}

int64_t AudioSampleCount(const TClipSpec& spec) {
  if (spec.AudioCodec.empty()) return 0;
  return std::llround(spec.Duration * spec.SampleRate);
}

std::vector<double> ClickTimes(const TClipSpec& spec) {
  if (spec.AudioCodec.empty() || !spec.Clicks) return {};
  return ClickTimes(spec.Duration);
}

double AudioLeadIn(const TClipSpec& spec) {
  constexpr double kMp3Priming = 1105.0;  // samples of encoder delay before the first input
  const bool signalled = spec.Container != "avi" && spec.Container != "flv";
  if (spec.AudioCodec != "libmp3lame" || signalled) return 0.0;
  return kMp3Priming / spec.SampleRate;
}

std::string DescribeClip(const TClipSpec& s) {
  LoadMediaLibraries();  // for the pixel format's name
  std::ostringstream text;
  text << s.Container << " ." << s.Extension;
  if (!s.VideoCodec.empty()) {
    const char* format = api().av_get_pix_fmt_name(s.PixelFormat);
    text << ", video " << s.VideoCodec << ' ' << s.Width << 'x' << s.Height << ' '
         << s.FrameRate.num << '/' << s.FrameRate.den << " fps " << (format ? format : "?") << ' '
         << s.VideoBitRate / 1000 << " kb/s bframes " << s.BFrames;
    if (s.SampleAspect.num != s.SampleAspect.den)
      text << " sar " << s.SampleAspect.num << ':' << s.SampleAspect.den;
    if (s.Rotation) text << " turned " << s.Rotation;
    if (s.CornerMarker) text << " marker";
    if (s.Grain) text << " grain";
    if (s.PositionPattern) text << " pattern";
    if (s.VariableRate) text << " variable";
    if (s.MillisecondClock) text << " ms clock";
  }
  if (!s.AudioCodec.empty()) {
    text << ", audio " << s.AudioStreams << "x " << s.AudioCodec << ' ' << s.SampleRate << " Hz "
         << s.Channels << " ch " << s.AudioBitRate / 1000 << " kb/s tone " << s.ToneFrequency
         << " Hz" << (s.Clicks ? " clicks" : "");
    if (s.FirstAudioDuration > 0.0) text << ", first audio " << s.FirstAudioDuration << " s";
    if (s.SoundAtZero) text << " at zero";
    if (s.ProgramConfig) text << " pce";
  }
  if (s.WithoutDurations) text << ", no durations";
  if (s.Stray.By != 0.0)
    text << ", " << (s.Stray.Video ? "picture" : "sound") << " at " << s.Stray.At << " s stamped "
         << s.Stray.By << " s late";
  if (s.StatedLength > 0.0) text << ", stated " << s.StatedLength << " s";
  if (s.StatedPreroll >= 0) text << ", preroll " << s.StatedPreroll << " ms";
  if (s.VideoStart > 0.0 || s.AudioStart > 0.0)
    text << ", video at " << s.VideoStart << " s, audio at " << s.AudioStart << " s";
  if (!s.CoverArt.empty()) text << ", cover " << s.CoverArt;
  text << ", " << s.Duration << " s, generator " << kGeneratorVersion;
  return text.str();
}

}  // namespace qarvo
