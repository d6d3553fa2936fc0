#include "core/CurrentComposer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/AsciiText.h"
#include "core/DeviceLimits.h"
#include "core/OptionComposer.h"
#include "core/RateChoices.h"

namespace qarvo {
namespace {

std::string RateText(double rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%.5g", rate);
  return text;
}

std::string SizeText(int width, int height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

// Down to an even side (4:2:0 halves the chroma both ways), so a side never grows.
int Even(double value) { return std::max(2, static_cast<int>(std::floor(value / 2.0 + 1e-6)) * 2); }

struct TBox {
  int Long = 0, Short = 0;
};

TBox ReadBox(const std::string& text) {
  const auto x = text.find('x');
  if (x == std::string::npos) return {};
  const std::string w = text.substr(0, x), h = text.substr(x + 1);
  if (!IsIntegerText(w) || !IsIntegerText(h)) return {};
  const int a = std::atoi(w.c_str()), b = std::atoi(h.c_str());
  if (a <= 0 || b <= 0) return {};
  return {std::max(a, b), std::min(a, b)};
}

bool IsHevc(const std::string& encoder) { return encoder == "libx265"; }

// Sizes in the upright picture: the engine turns the pictures before cropping and scaling.
struct TShown {
  int Width, Height;
};

TShown ShownPicture(const TlvFilesRecord& job, const TSourceFacts& source) {
  const bool turned = source.Rotation == 90 || source.Rotation == 270;
  int width = (turned ? source.Height : source.Width) - std::max(0, job.CropLeft) -
              std::max(0, job.CropRight);
  const int height = (turned ? source.Width : source.Height) - std::max(0, job.CropTop) -
                     std::max(0, job.CropBottom);
  const int num = turned ? source.SampleAspectDen : source.SampleAspectNum;
  const int den = turned ? source.SampleAspectNum : source.SampleAspectDen;
  if (num > 0 && den > 0 && num != den)
    width = static_cast<int>(std::lround(static_cast<double>(width) * num / den));
  return {width, height};
}

void ComposePicture(const TFormatProfile& profile, const TlvFilesRecord& job,
                    const TSourceFacts& source, const TDeviceLimits* device,
                    TComposedOutput& output, std::vector<std::string>& adjustments) {
  const TShown shown = ShownPicture(job, source);
  if (shown.Width <= 0 || shown.Height <= 0) return;
  const TBox box = ReadBox(profile.VideoSize());
  TFittedPicture picture =
      FitPicture(shown.Width, shown.Height, box.Long, box.Short, device ? device->LongSide : 0,
                 device ? device->ShortSide : 0);
  // The level's largest picture in macroblocks (a portrait picture counts the same).
  if (device && device->Codec == "h264") {
    if (const TH264LevelLimits* level = FindH264Level(device->Level)) {
      const auto macroblocks = [](int w, int h) {
        return static_cast<long long>((w + 15) / 16) * ((h + 15) / 16);
      };
      while (macroblocks(picture.Width, picture.Height) > level->FrameMacroblocks) {
        picture.Width = Even(picture.Width * 0.95);
        picture.Height = Even(picture.Height * 0.95);
        picture.Limited = true;
      }
    }
  }
  if (picture.Limited)
    adjustments.push_back("Picture made smaller from " + SizeText(shown.Width, shown.Height) +
                          " to " + SizeText(picture.Width, picture.Height) + " to fit " +
                          device->Shown + " (up to " +
                          SizeText(device->LongSide, device->ShortSide) + ").");
  if (job.CropTop > 0) output.CropTop = job.CropTop;
  if (job.CropBottom > 0) output.CropBottom = job.CropBottom;
  if (job.CropLeft > 0) output.CropLeft = job.CropLeft;
  if (job.CropRight > 0) output.CropRight = job.CropRight;
  output.FrameSize = SizeText(picture.Width, picture.Height);
  output.AspectRatio = std::to_string(picture.Width) + ":" + std::to_string(picture.Height);
}

void ComposeFrameRate(const TFormatProfile& profile, const TSourceFacts& source,
                      const TDeviceLimits* device, TComposedOutput& output,
                      std::vector<std::string>& adjustments) {
  const std::string chosen = profile.FrameRate();
  double rate = source.FrameRate;
  if (chosen != format_keys::kAsSource && IsNumberText(chosen) &&
      std::strtod(chosen.c_str(), nullptr) > 0) {
    output.FrameRate = chosen;
    rate = std::strtod(chosen.c_str(), nullptr);
  }
  if (!device || rate <= 0) return;
  double most = device->FrameRate;
  if (device->Codec == "h264") {
    // The level's macroblock rate at the picture's size bounds the rate too.
    const TH264LevelLimits* level = FindH264Level(device->Level);
    int w = 0, h = 0;
    if (level && std::sscanf(output.FrameSize.c_str(), "%dx%d", &w, &h) == 2 && w > 0 && h > 0) {
      // Whole macroblocks: the division rounds up on purpose.
      const long long macroblocks = static_cast<long long>((w + 15) / 16) * ((h + 15) / 16);
      most = std::min(
          most, static_cast<double>(level->MacroblockRate) / static_cast<double>(macroblocks));
    }
  }
  if (rate <= most + 0.01) return;
  const double fitted = FittedFrameRate(rate, most);
  output.FrameRate = RateText(fitted);
  adjustments.push_back("Frame rate lowered from " + RateText(rate) + " to " + RateText(fitted) +
                        " frames a second to fit " + device->Shown + " (up to " +
                        RateText(device->FrameRate) + ").");
}

void ComposeRate(const TFormatProfile& profile, const TDeviceLimits* device,
                 TComposedOutput& output, std::vector<std::string>& adjustments) {
  const auto mode = profile.RateMode().value_or(TRateMode::ConstantQuality);
  output.EncoderSpeed = profile.Speed();
  int kbps = 0;
  const std::string bitRate = profile.VideoBitRate();
  if (IsIntegerText(bitRate) && std::atoi(bitRate.c_str()) > 0)
    kbps = std::min(std::atoi(bitRate.c_str()), 2147483);
  switch (mode) {
    case TRateMode::ConstantQuality:
      if (const auto quality = profile.Quality()) output.VideoQuality = *quality;
      break;
    case TRateMode::TwoPassAverageBitRate:
      output.VideoPasses = 2;
      [[fallthrough]];
    case TRateMode::AverageBitRate:
      if (device && kbps > device->MaxKbps) {
        adjustments.push_back("Video bit rate lowered from " + std::to_string(kbps) + " to " +
                              std::to_string(device->MaxKbps) + " kbit/s to fit " + device->Shown +
                              " (up to " + std::to_string(device->MaxKbps) + " kbit/s).");
        kbps = device->MaxKbps;
      }
      if (kbps > 0) output.VideoBitrate = kbps * 1000;
      break;
    case TRateMode::TargetSize:
      output.VideoPasses = 2;
      if (const auto bytes = profile.TargetSizeBytes()) output.TargetSizeBytes = *bytes;
      break;
  }
  if (device) {
    // The decoder's buffer: the ceiling over one second, so peaks stay playable.
    output.VideoMaxRate = device->MaxKbps * 1000;
    output.VideoBufferSize = device->MaxKbps * 1000;
  }
}

void AppendOption(std::string& text, const std::string& line) {
  text += (text.empty() ? "" : "\n") + line;
}

void ComposeEncoder(const TFormatProfile& profile, const std::string& encoder,
                    const std::string& container, const TDeviceLimits* device,
                    TComposedOutput& output) {
  output.VideoCodec = encoder;
  const std::string& pixelFormat = profile.Definition().PixelFormat;
  if (encoder == "gif") {
    // A palette made from the clip itself, then each picture mapped onto it with dithering.
    // Pictures the rate drops are dropped first (timed in µs again after, as the engine reads
    // the graph's pictures); the palette is counted from colours cut to five bits a channel,
    // as a filmed clip's million colours would take its median cut seconds per picture.
    const std::string rate = profile.FrameRate();
    output.VideoFilters =
        (IsNumberText(rate) ? "fps=" + rate + ",settb=AVTB," : std::string()) +
        "split[a][b];[a]format=rgb24,lutrgb=r=bitand(val\\,248):g=bitand(val\\,248):b=bitand("
        "val\\,248),palettegen=stats_mode=diff[p];[b][p]paletteuse=dither=sierra2_4a:diff_mode="
        "rectangle";
    AppendOption(output.ExtOptions, "pix_fmt=pal8");
  } else if (!pixelFormat.empty()) {
    AppendOption(output.ExtOptions, "pix_fmt=" + pixelFormat);
  }
  if (encoder == "libwebp_anim") {
    // The animation coder works on ARGB pictures: handing it YUV would convert them twice.
    AppendOption(output.ExtOptions, "pix_fmt=bgra");
    AppendOption(output.ExtOptions, "loop=0");
  }
  // Players on Apple systems take HEVC in MP4 only under this tag.
  if (IsHevc(encoder) && (container == "mp4" || container == "mov" || container == "ipod"))
    output.VideoTag = "hvc1";
  // On the video encoder only: the sound coder has a profile and a level of its own.
  if (device && device->Codec == "h264") {
    AppendOption(output.ExtOptions, "vprofile=" + std::to_string(device->Profile));
    AppendOption(output.ExtOptions, "vlevel=" + std::to_string(device->Level));
  }
  // Downscaling keeps detail with Lanczos; rounding stays exact.
  AppendOption(output.ExtOptions, "sws_flags=lanczos+accurate_rnd");
}

void ComposeSound(const TFormatProfile& profile, const TSourceFacts& source,
                  const TDeviceLimits* device, TComposedOutput& output,
                  std::vector<std::string>& adjustments) {
  const TFormatDefinition& d = profile.Definition();
  if (!d.AudioEncoder.Enabled) {
    output.DisableAudio = true;
    return;
  }
  const auto surround = AudioEncoderEngineName(d.SurroundEncoder);
  if (surround && source.AudioChannels >= 6) {
    output.AudioCodec = *surround;
    output.AudioChannels = 6;
    output.AudioSampleRate = 48000;
    output.AudioBitrate = *surround == "eac3" ? 640000 : 448000;
    return;
  }
  output.AudioCodec = profile.AudioEncoder(false);
  const std::string channels = profile.Channel();
  if (IsIntegerText(channels) && std::atoi(channels.c_str()) > 0)
    output.AudioChannels = std::atoi(channels.c_str());
  const std::string rate = profile.SampleRate();
  if (IsIntegerText(rate) && std::atoi(rate.c_str()) > 0)
    output.AudioSampleRate = std::atoi(rate.c_str());
  const std::string bits = profile.AudioBitRate();
  if (IsIntegerText(bits) && std::atoi(bits.c_str()) > 0)
    output.AudioBitrate = std::atoi(bits.c_str()) * 1000;
  const std::string volume = profile.Volume();
  if (volume != "256" && IsIntegerText(volume)) output.AudioVolume = std::atoi(volume.c_str());
  if (device && source.AudioChannels > 2 && output.AudioChannels == 2)
    adjustments.push_back("The " + std::to_string(source.AudioChannels) +
                          "-channel sound is mixed down to stereo to fit " + device->Shown + ".");
}

void ComposeSoundOnly(const TFormatProfile& profile, const TSourceFacts& source,
                      TComposedOutput& output, TComposedInput& input,
                      std::vector<std::string>& adjustments) {
  const TFormatDefinition& d = profile.Definition();
  input.ExtOptions = "vn=1";
  output.DisableVideo = true;
  output.DisableSubtitle = true;
  std::string codec = profile.AudioEncoder(true);
  if (codec == "copy" && !source.AudioCopyFits) {
    adjustments.push_back("The sound (" + source.AudioCodec +
                          ") cannot be kept as it is in a Matroska file; it is encoded as FLAC.");
    codec = "libflac";
  }
  output.AudioCodec = codec;
  if (codec == "copy") return;
  const std::string channels = profile.Channel();
  if (IsIntegerText(channels) && std::atoi(channels.c_str()) > 0)
    output.AudioChannels = std::atoi(channels.c_str());
  const std::string rate = profile.SampleRate();
  if (d.SampleRate.Enabled && IsIntegerText(rate) && std::atoi(rate.c_str()) > 0)
    output.AudioSampleRate = std::atoi(rate.c_str());
  const std::string bits = profile.AudioBitRate();
  if (d.AudioBitRate.Enabled && IsIntegerText(bits) && std::atoi(bits.c_str()) > 0)
    output.AudioBitrate = std::atoi(bits.c_str()) * 1000;
  // A variable bit rate on the coder's own quality scale (MP3: 0 best to 9).
  if (const auto quality = profile.Quality())
    AppendOption(output.ExtOptions, "aq=" + std::to_string(*quality));
  const std::string volume = profile.Volume();
  if (volume != "256" && IsIntegerText(volume)) output.AudioVolume = std::atoi(volume.c_str());
}

}  // namespace

TFittedPicture FitPicture(int shownWidth, int shownHeight, int boxLong, int boxShort,
                          int deviceLong, int deviceShort) {
  const int longSide = std::max(shownWidth, shownHeight);
  const int shortSide = std::min(shownWidth, shownHeight);
  const auto scaleFor = [&](int most, int least) {
    if (most <= 0 || least <= 0) return 1.0;
    return std::min(
        {1.0, static_cast<double>(most) / longSide, static_cast<double>(least) / shortSide});
  };
  const double boxScale = scaleFor(boxLong, boxShort);
  const double deviceScale = scaleFor(deviceLong, deviceShort);
  const double scale = std::min(boxScale, deviceScale);
  TFittedPicture picture;
  picture.Width = Even(shownWidth * scale);
  picture.Height = Even(shownHeight * scale);
  picture.Limited = deviceScale < boxScale;
  return picture;
}

double FittedFrameRate(double rate, double most) {
  double fitted = rate;
  while (fitted > most + 0.01) fitted /= 2.0;
  return fitted < most * 0.75 ? most : fitted;
}

void ComposeCurrentFormat(const TFormatProfile& profile, const TlvFilesRecord& job,
                          const TSourceFacts& source, TComposedOutput& output,
                          TComposedInput& input, std::vector<std::string>& adjustments) {
  const TFormatDefinition& d = profile.Definition();
  const std::string container = AsciiLower(d.Format);
  if (container != format_keys::kNull) output.FileFormat = container;
  const std::string encoder = profile.VideoEncoder();
  if (encoder.find_first_not_of(" \t") == std::string::npos) {
    ComposeSoundOnly(profile, source, output, input, adjustments);
  } else {
    const TDeviceLimits* device = FindDeviceLimits(d.Device);
    if (source.VideoStreamCount < 1) {
      output.DisableVideo = true;
    } else {
      ComposeEncoder(profile, encoder, container, device, output);
      ComposePicture(profile, job, source, device, output, adjustments);
      ComposeFrameRate(profile, source, device, output, adjustments);
      if (d.RateMode.Enabled)
        ComposeRate(profile, device, output, adjustments);
      else if (const auto quality = profile.Quality())
        output.VideoQuality = *quality;
    }
    ComposeSound(profile, source, device, output, adjustments);
  }
  if (job.TrimLength > 0) output.RecordingTime = job.TrimLength;
  output.CustomHook = job.NeedsHook();
}

}  // namespace qarvo
