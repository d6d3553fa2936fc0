// The standard clip catalogue and its cache folder.
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/TestMedia.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

TClipSpec Clip(const std::string& container, const std::string& extension) {
  TClipSpec spec;
  spec.Container = container;
  spec.Extension = extension;
  return spec;
}

TClipSpec WithVideo(TClipSpec spec, const std::string& codec, int width, int height,
                    AVRational rate, int64_t bitRate) {
  spec.VideoCodec = codec;
  spec.Width = width;
  spec.Height = height;
  spec.FrameRate = rate;
  spec.VideoBitRate = bitRate;
  return spec;
}

TClipSpec WithAudio(TClipSpec spec, const std::string& codec, int rate, int channels,
                    int64_t bitRate) {
  spec.AudioCodec = codec;
  spec.SampleRate = rate;
  spec.Channels = channels;
  spec.AudioBitRate = bitRate;
  return spec;
}

TClipSpec Lasting(TClipSpec spec, double seconds) {
  spec.Duration = seconds;
  return spec;
}

std::vector<TNamedClip> MakeCatalogue() {
  const TClipSpec avi = Clip("avi", "avi");  // mpeg4 320x240 25 fps + mp3 44.1 kHz stereo
  TClipSpec h264 = WithAudio(WithVideo(Clip("mp4", "mp4"), "libx264", 320, 240, {25, 1}, 600000),
                             "aac", 44100, 2, 128000);
  h264.BFrames = 2;  // reordered frames, as real files have
  TClipSpec videoOnly = Clip("mp4", "mp4");
  videoOnly.AudioCodec.clear();
  TClipSpec audioOnly = Lasting(Clip("mp3", "mp3"), 3.0);
  audioOnly.VideoCodec.clear();
  TClipSpec twoAudio = WithAudio(Clip("matroska", "mkv"), "aac", 44100, 2, 128000);
  twoAudio.AudioStreams = 2;
  TClipSpec fps60 = h264;
  fps60.FrameRate = {60, 1};
  // As the libraries' own muxer writes a variable-rate source: 5.1 sound, no stated rate.
  TClipSpec mkvVariable =
      Lasting(WithAudio(WithVideo(Clip("matroska", "mkv"), "mpeg4", 1280, 720, {25, 1}, 2000000),
                        "aac", 48000, 6, 0),
              3.6);
  mkvVariable.VariableRate = true;
  // Pictures no player of the catalogue's devices decodes as they are.
  const auto h264In = [&h264](AVPixelFormat format) {
    TClipSpec spec = Lasting(h264, 1.0);
    spec.PixelFormat = format;
    return spec;
  };
  return {
      {"avi_mpeg4_mp3", avi},
      {"mp4_h264_aac", h264},
      {"mkv_mpeg4_vorbis", WithAudio(Clip("matroska", "mkv"), "libvorbis", 44100, 2, 128000)},
      {"mpg_mpeg2_mp2",
       WithAudio(WithVideo(Clip("mpeg", "mpg"), "mpeg2video", 352, 288, {25, 1}, 1500000), "mp2",
                 48000, 2, 192000)},
      {"flv", WithVideo(Clip("flv", "flv"), "flv", 320, 240, {25, 1}, 800000)},
      {"3gp_h263_aac", WithAudio(WithVideo(Clip("3gp", "3gp"), "h263", 176, 144, {15, 1}, 256000),
                                 "aac", 22050, 1, 64000)},
      {"audio_only", audioOnly},
      {"video_only", videoOnly},
      {"odd_size", WithVideo(avi, "mpeg4", 322, 242, {25, 1}, 800000)},
      {"fps1", Lasting(WithVideo(avi, "mpeg4", 320, 240, {1, 1}, 200000), 5.0)},
      {"fps60", fps60},
      {"short3s", Lasting(avi, 3.0)},
      {"long10min", Lasting(WithAudio(WithVideo(avi, "mpeg4", 160, 120, {10, 1}, 150000),
                                      "libmp3lame", 22050, 1, 32000),
                            600.0)},
      {"two_audio", twoAudio},
      // For synchronisation tests: the sound is exactly in step with the pictures.
      {"clicks60", Lasting(WithAudio(Clip("mp4", "mp4"), "aac", 44100, 2, 128000), 60.0)},
      {"sd", Lasting(WithAudio(WithVideo(avi, "mpeg4", 720, 576, {25, 1}, 2500000), "libmp3lame",
                               48000, 2, 128000),
                     5.0)},
      {"mkv_variable_51", mkvVariable},
      {"h264_444", h264In(AV_PIX_FMT_YUV444P)},
      {"h264_422", h264In(AV_PIX_FMT_YUV422P)},
      {"h264_10bit", h264In(AV_PIX_FMT_YUV420P10LE)},
  };
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return in ? text.str() : std::string();
}

// Written beside the clip after it, so a clip without a matching note is made again.
void WriteNote(const fs::path& path, const std::string& text) {
  static std::atomic<unsigned> counter{0};
  const fs::path partial =
      path.string() + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) throw std::runtime_error("cannot write " + partial.string());
  }
  fs::rename(partial, path);
}

}  // namespace

const std::vector<TNamedClip>& StandardClips() {
  static const std::vector<TNamedClip> clips = MakeCatalogue();
  return clips;
}

const TClipSpec& StandardClip(const std::string& name) {
  for (const TNamedClip& clip : StandardClips())
    if (clip.Name == name) return clip.Spec;
  throw std::runtime_error("unknown test clip \"" + name + "\"");
}

std::string TestMediaDir() {
  const char* dir = std::getenv("QARVO_TEST_MEDIA_DIR");
  return dir && *dir ? dir : "/tmp/qarvo-testmedia";
}

std::string MakeTestMediaDir() {
  const fs::path dir = TestMediaDir();
  std::error_code error;
  fs::create_directories(dir, error);
  if (error) throw std::runtime_error("cannot create " + dir.string() + ": " + error.message());
  return dir.string();
}

std::string EnsureClip(const std::string& name) {
  const TClipSpec& spec = StandardClip(name);
  return EnsureClipFile(spec, name + "." + spec.Extension);
}

std::string EnsureClipFile(const TClipSpec& spec, const std::string& fileName) {
  const fs::path clip = fs::path(MakeTestMediaDir()) / fileName;
  const fs::path note = clip.string() + ".txt";
  const std::string description = DescribeClip(spec);
  if (fs::exists(clip) && ReadText(note) == description) return clip.string();
  GenerateClip(spec, clip.string());
  WriteNote(note, description);
  return clip.string();
}

TClipSpec StillPicture() {
  TClipSpec still;
  still.Container = "image2";
  still.Extension = "png";
  still.VideoCodec = "png";
  still.PixelFormat = AV_PIX_FMT_RGB24;
  still.VideoBitRate = 0;
  still.AudioCodec.clear();
  still.Duration = 0.04;
  return still;
}

}  // namespace qarvo
