#include "core/OptionComposer.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <set>
#include <string_view>

#include "base/AsciiText.h"
#include "core/CurrentComposer.h"

namespace qarvo {
namespace {

constexpr std::string_view kAsSource = "as source";

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

int ToInt(const std::string& text) {
  return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

std::optional<int> PositiveInteger(const std::string& text) {
  if (text == kAsSource || !IsIntegerText(text)) return std::nullopt;
  const int value = ToInt(text);
  return value > 0 ? std::optional<int>(value) : std::nullopt;
}

// kbit/s text to bit/s, towards zero; nothing unless positive.
std::optional<int> BitRate(const std::string& text) {
  if (text == kAsSource || !IsNumberText(text)) return std::nullopt;
  const double bits = std::trunc(std::strtod(text.c_str(), nullptr) * 1000.0);
  if (bits <= 0 || bits > 2147483647.0) return std::nullopt;
  return static_cast<int>(bits);
}

void ComposeVolume(const TFormatProfile& profile, TComposedOutput& output) {
  const std::string volume = profile.Volume();
  if (volume == "256") return;
  if (!IsIntegerText(volume))
    throw ECompositionError("'" + volume + "' is not a valid integer value");
  output.AudioVolume = ToInt(volume);
}

void ComposeDiscTarget(const TFormatProfile& profile, TComposedOutput& output) {
  struct TTarget {
    const char* Format;
    int Type, Norm;
    const char* WideSize;  // size that makes the picture 16:9
  };
  static const TTarget targets[] = {{"ntsc-dvd", 3, 2, "720x480"}, {"pal-dvd", 3, 1, "720x576"},
                                    {"ntsc-vcd", 1, 2, nullptr},   {"pal-vcd", 1, 1, nullptr},
                                    {"ntsc-svcd", 2, 2, nullptr},  {"pal-svcd", 2, 1, nullptr}};
  const std::string format = AsciiLower(profile.Definition().Format);
  for (const TTarget& target : targets) {
    if (format != target.Format) continue;
    output.TargetType = target.Type;
    output.TargetNorm = target.Norm;
    output.AspectRatio = target.WideSize && profile.VideoSize() == target.WideSize ? "16:9" : "4:3";
  }
}

void ComposeAudioOnly(const TFormatProfile& profile, TComposedOutput& output,
                      TComposedInput& input) {
  output.AudioCodec = profile.AudioEncoder(true);
  if (auto channels = PositiveInteger(profile.Channel())) output.AudioChannels = *channels;
  if (auto rate = PositiveInteger(profile.SampleRate())) output.AudioSampleRate = *rate;
  if (auto bits = BitRate(profile.AudioBitRate())) output.AudioBitrate = *bits;
  ComposeVolume(profile, output);
  input.ExtOptions = "vn=1";
  output.DisableVideo = true;
  output.DisableSubtitle = true;
}

void ComposeVideoAudio(const TFormatProfile& profile, TComposedOutput& output) {
  std::string codec = profile.AudioEncoder(false);
  if (codec == "libamr_nb") codec = "libopencore_amrnb";
  output.AudioCodec = codec;
  if (Trimmed(codec).empty()) output.DisableAudio = true;
  const std::string channels = profile.Channel();
  if (channels != kAsSource && IsIntegerText(channels)) output.AudioChannels = ToInt(channels);
  ComposeVolume(profile, output);
  if (auto rate = PositiveInteger(profile.SampleRate())) output.AudioSampleRate = *rate;
  if (auto bits = BitRate(profile.AudioBitRate())) output.AudioBitrate = *bits;
}

void ComposeEncoder(const TFormatProfile& profile, const std::string& encoder,
                    TComposedOutput& output) {
  static const std::set<std::string> named{
      "mpeg4",   "libxvid", "mpeg1video", "mpeg2video", "msmpeg4", "msmpeg4v1", "msmpeg4v2",
      "huffyuv", "dvvideo", "rawvideo",   "h263p",      "h263",    "rv10",      "rv20",
      "ljpeg",   "mjpeg",   "svq1",       "zlib",       "wmv1",    "wmv2",      "libx264"};
  if (named.count(encoder)) output.VideoCodec = encoder;
  if (encoder == "mpeg2video") output.TargetType = 3;
  if (encoder == "libx264") {
    const std::string format = AsciiLower(profile.Definition().Format);
    output.VideoPreset = format == "psp"    ? "libx264-psp"
                         : format == "ipod" ? "libx264-ipod"
                         : format == "ps3"  ? "libx264-ps3"
                                            : "libx264-mp4";
  }
}

void ComposeRateAndContainer(const TFormatProfile& profile, const TSourceFacts& source,
                             TComposedOutput& output) {
  const std::string bitRate = profile.VideoBitRate();
  if (bitRate != kAsSource && IsIntegerText(bitRate)) {
    if (ToInt(bitRate) > 0 && ToInt(bitRate) <= 2147483)
      output.VideoBitrate = ToInt(bitRate) * 1000;
  } else {
    output.VideoBitrate = source.BitRate;
  }
  const std::string frameRate = profile.FrameRate();
  if (frameRate != kAsSource && IsNumberText(frameRate) &&
      std::strtod(frameRate.c_str(), nullptr) > 0)
    output.FrameRate = frameRate;
  static const std::set<std::string> containers{"ipod", "3gp", "3g2", "avi",    "psp",
                                                "mov",  "vcd", "flv", "mpegts", "vob"};
  const std::string format = AsciiLower(profile.Definition().Format);
  if (containers.count(format)) output.FileFormat = profile.Definition().Format;
  // The PSP writer takes one picture and one sound stream only; the player plays the plain
  // MP4 file a source without sound gives.
  if (format == "psp" && source.AudioStreamCount == 0) output.FileFormat = "mp4";
}

struct TSize {
  int Width, Height;
};

// A quarter turn for display swaps the picture's sides.
bool Turned(const TSourceFacts& source) { return source.Rotation == 90 || source.Rotation == 270; }

std::optional<TSize> ReadSize(const std::string& text) {
  const auto x = text.find('x');
  if (x == std::string::npos) return std::nullopt;
  const std::string w = text.substr(0, x), h = text.substr(x + 1);
  if (!IsIntegerText(w) || !IsIntegerText(h) || ToInt(w) <= 0 || ToInt(h) <= 0) return std::nullopt;
  return TSize{ToInt(w), ToInt(h)};
}

// The picture as a viewer sees it: turned upright and with square pixels.
TSize ShownSize(const TSourceFacts& source) {
  int width = source.Width;
  const int height = source.Height;
  if (source.SampleAspectNum > 0 && source.SampleAspectDen > 0 && width > 0)
    width = static_cast<int>(
        std::lround(static_cast<double>(width) * source.SampleAspectNum / source.SampleAspectDen));
  return Turned(source) ? TSize{height, width} : TSize{width, height};
}

TSize RequestedSize(const std::string& value, const TSourceFacts& source,
                    ISizeQuestion& sizeQuestion) {
  const TSize shown = ShownSize(source);
  if (value != kAsSource) {
    const auto x = value.find('x');
    if (x != std::string::npos && x != 0 && x != value.size() - 1) {
      const std::string w = value.substr(0, x), h = value.substr(x + 1);
      return {IsIntegerText(w) ? ToInt(w) : shown.Width,
              IsIntegerText(h) ? ToInt(h) : shown.Height};
    }
    if (sizeQuestion.UseDefaultSize()) return {320, 240};
  }
  // Most encoders halve the chroma both ways and refuse an odd side.
  return {shown.Width & ~1, shown.Height & ~1};
}

// Every path to the size ends here, so an unknown source size never reaches the options and
// an H.263 encoder always gets a size it opens with.
TSize TargetSize(const TFormatProfile& profile, const std::string& encoder,
                 const TSourceFacts& source, ISizeQuestion& sizeQuestion) {
  TSize size = RequestedSize(profile.VideoSize(), source, sizeQuestion);
  if (size.Width <= 0 || size.Height <= 0) {
    const auto item = profile.Definition().VideoSize.DefaultItem();
    size = (item ? ReadSize(*item) : std::nullopt).value_or(TSize{320, 240});
  }
  if (AsciiLower(encoder) == "h263") {
    const std::string forced = ForceH263Size(size.Width, size.Height);
    size = *ReadSize(forced);
  }
  return size;
}

std::string Pair(int a, const char* separator, int b) {
  return std::to_string(a) + separator + std::to_string(b);
}

// Returns the filter text of the fitting, if any.
// The engine turns the pictures upright before anything else, so crops count in upright stored
// pixels while the letter box keeps the shape the viewer sees.
std::string Fit(const TlvFilesRecord& job, const TSourceFacts& source, TSize target,
                TComposedOutput& output) {
  const bool turned = Turned(source);
  const int sw = turned ? source.Height : source.Width, sh = turned ? source.Width : source.Height;
  const TSize shown = ShownSize(source);
  const int tw = target.Width, th = target.Height;
  const bool jobCrops =
      job.CropTop > 0 || job.CropBottom > 0 || job.CropLeft > 0 || job.CropRight > 0;
  const std::string& zoom = job.Zoom;
  if (zoom == "full") {
    if (jobCrops) {
      output.CropTop = job.CropTop;
      output.CropBottom = job.CropBottom;
      output.CropLeft = job.CropLeft;
      output.CropRight = job.CropRight;
    }
    output.FrameSize = Pair(tw, "x", th);
    output.AspectRatio = Pair(tw, ":", th);
    return {};
  }
  if (zoom == "lbox" || zoom == "center") {
    const TBorders b = LetterBoxBorders(shown.Width, shown.Height, tw, th);
    const int iw = tw - b.Left - b.Right, ih = th - b.Top - b.Bottom;
    output.AspectRatio = Pair(iw, ":", ih);
    std::string pad = "pad=" + Pair(tw, ":", th) + ":" + Pair(b.Left, ":", b.Top);
    if (zoom == "center") pad += ":black";
    if (jobCrops) {
      return "crop=" + Pair(job.CropLeft, ":", job.CropTop) + ":" +
             Pair(sw - job.CropLeft - job.CropRight, ":", sh - job.CropTop - job.CropBottom) +
             ",scale=" + Pair(iw, ":", ih) + "," + pad;
    }
    output.FrameSize = Pair(iw, "x", ih);
    return pad;
  }
  if (zoom == "pan") {
    // The 4:3 window is cut from the middle of the job's own crop rectangle.
    output.CropTop = job.CropTop;
    output.CropBottom = job.CropBottom;
    output.CropLeft = job.CropLeft;
    output.CropRight = job.CropRight;
    const int64_t cw = sw - job.CropLeft - job.CropRight;
    const int64_t ch = sh - job.CropTop - job.CropBottom;
    // Compare the shown cw/ch with 4/3 exactly: 3·cw·n against 4·ch·d for pixels n:d wide.
    const bool square = source.SampleAspectNum <= 0 || source.SampleAspectDen <= 0;
    const int64_t n = square ? 1 : (turned ? source.SampleAspectDen : source.SampleAspectNum);
    const int64_t d = square ? 1 : (turned ? source.SampleAspectNum : source.SampleAspectDen);
    if (ch > 0 && 3 * cw * n > 4 * ch * d) {
      // (cw - ch·4d/3n) / 2 stored columns each side
      const int amount = static_cast<int>(std::llabs(3 * cw * n - 4 * ch * d) / (6 * n));
      output.CropLeft += amount;
      output.CropRight += amount;
    } else if (ch > 0 && 3 * cw * n < 4 * ch * d) {
      // (ch - cw·3n/4d) / 2 stored rows at top and bottom
      const int amount = static_cast<int>(std::llabs(4 * ch * d - 3 * cw * n) / (8 * d));
      output.CropTop += amount;
      output.CropBottom += amount;
    }
    for (int* crop : {&output.CropTop, &output.CropBottom, &output.CropLeft, &output.CropRight})
      *crop &= ~1;
    output.FrameSize = Pair(tw, "x", th);
    output.AspectRatio = Pair(tw, ":", th);
  }
  return {};
}

}  // namespace

void ComposeThreads(TThreadUse use, TComposedOutput& output, TComposedInput& input) {
  if (use == TThreadUse::One) return;
  auto append = [](std::string& text, const std::string& line) {
    const std::string name = line.substr(0, line.find('=') + 1);
    const std::string lower = AsciiLower(text);
    if (lower.compare(0, name.size(), name) == 0 || lower.find("\n" + name) != std::string::npos)
      return;
    text += (text.empty() ? "" : "\n") + line;
  };
  if (use == TThreadUse::All) {
    append(input.ExtOptions, "threads=auto");
    append(output.ExtOptions, "threads=auto");
  }
  append(output.ExtOptions, "pipeline=1");
}

bool IsIntegerText(const std::string& text) {
  size_t i = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
  if (i >= text.size() || text.size() - i > 9) return false;
  const std::string_view digits = std::string_view(text).substr(i);
  return std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); });
}

bool IsNumberText(const std::string& text) {
  size_t i = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
  bool digit = false, point = false;
  for (; i < text.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(text[i])))
      digit = true;
    else if (text[i] == '.' && !point)
      point = true;
    else
      return false;
  }
  return digit && text.size() < 32;
}

TBorders LetterBoxBorders(int sw, int sh, int tw, int th) {
  TBorders b;
  if (sw <= 0 || sh <= 0 || tw <= 0 || th <= 0 || (tw == sw && th == sh)) return b;
  const double rw = static_cast<double>(sw) / tw, rh = static_cast<double>(sh) / th;
  if (rw > rh) {
    const int h = static_cast<int>(std::trunc(sh / rw));
    b.Top = b.Bottom = 2 * ((th - 2 * (h / 2)) / 4);
  } else if (rw < rh) {
    const int w = static_cast<int>(std::trunc(sw / rh));
    b.Left = b.Right = 2 * ((tw - 2 * (w / 2)) / 4);
  }
  return b;
}

std::string ForceH263Size(int tw, int th) {
  // The sizes the H.263 encoder takes; anything else would fail when the encoder opens.
  static const std::set<std::pair<int, int>> legal{
      {128, 96}, {176, 144}, {352, 288}, {704, 576}, {1408, 1152}};
  if (legal.count({tw, th})) return Pair(tw, "x", th);
  if (tw > 352) return "704x576";
  if (tw > 176) return "352x288";
  if (tw > 128) return "176x144";
  return "128x96";
}

void ComposeOutputOptions(const TFormatProfile& profile, const TlvFilesRecord& job,
                          const TSourceFacts& source, ISizeQuestion& sizeQuestion,
                          TComposedOutput& output, TComposedInput& input,
                          std::vector<std::string>* adjustments) {
  if (profile.Definition().Current()) {
    std::vector<std::string> ignored;
    ComposeCurrentFormat(profile, job, source, output, input, adjustments ? *adjustments : ignored);
    return;
  }
  ComposeDiscTarget(profile, output);
  const std::string encoder = profile.VideoEncoder();
  if (Trimmed(encoder).empty()) {
    ComposeAudioOnly(profile, output, input);
  } else {
    ComposeEncoder(profile, encoder, output);
    if (source.VideoStreamCount < 1) {
      output.DisableVideo = true;
    } else {
      ComposeRateAndContainer(profile, source, output);
      const TSize target = TargetSize(profile, encoder, source, sizeQuestion);
      output.CropTop = output.CropBottom = output.CropLeft = output.CropRight = 0;
      const std::string filter = Fit(job, source, target, output);
      if (!filter.empty()) output.VideoFilters += (output.VideoFilters.empty() ? "" : ",") + filter;
    }
    ComposeVideoAudio(profile, output);
  }
  if (job.TrimLength > 0) output.RecordingTime = job.TrimLength;
  output.CustomHook = job.NeedsHook();
}

}  // namespace qarvo
