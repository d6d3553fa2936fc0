// Cost of a job's frame effects and watermarks: per picture at 640x480 and 1280x720 for the
// conversion of a 4:2:0 picture to BGR and back, the colour effects, the exposure, the text,
// the picture watermark and all of them together, then 640x480 conversions (MPEG-4 and H.264)
// through the engine component without a hook, with a hook that changes nothing, with the
// conversion hook drawing the text and the picture only and with it applying all of them, of
// a plain generated scene and of a filmed one (sensor grain, 4 Mb/s), both 20 s to 1.5 Mb/s.
// The plain scene codes at the encoders' finest quantiser, so there the ratios also hold the
// encoder's extra work on the changed pictures; the filmed one keeps the encoder at its bit
// rate. Processor time is reported beside the wall time: on a shared machine the wall time
// follows the load.
//
//   effects_bench [--rounds N] [--codec NAME] [--only MODE [--clip filmed]]
//   (the fastest of N conversion rounds, default 2; one video encoder instead of mpeg4 and
//   libx264; --only runs N conversions of one kind and prints nothing, for a profiler: 0 no
//   hook, 1 unchanged, 2 text and picture watermark, 3 all effects, 4..7 the same as the
//   application runs them)
#include <time.h>

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "media/TRGBPicture.h"
#include "engine/TConvertEngine.h"
#include "core/FrameEffects.h"
#include "editing/TConversionFrameHook.h"
#include "editing/TFrameProcessor.h"
#include "editing/TPainterTextDrawer.h"

#include "support/TestMedia.h"
#include "support/TestMediaError.h"
#include "support/TestPicture.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
using namespace qarvo;

constexpr double kClipSeconds = 20.0;

double ProcessorSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

void FillNoise(TBitmap& bitmap) {
  uint32_t seed = 1;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int i = 0; i < bitmap.Width() * 3; ++i) {
      seed = seed * 1664525u + 1013904223u;
      bitmap.ScanLine(y)[i] = static_cast<uint8_t>(seed >> 24);
    }
}

// A 160x120 picture with soft transparent edges, as a logo often is.
std::string WritePicture(const fs::path& folder) {
  QImage image(160, 120, QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixelColor(x, y, QColor(x, y * 2, 200, std::min({x, y, 159 - x, 119 - y, 25}) * 10));
  const std::string path = (folder / "logo.png").string();
  if (!image.save(QString::fromStdString(path))) throw std::runtime_error("cannot write " + path);
  return path;
}

TlvFilesRecord AllEffects(const std::string& picture) {
  TlvFilesRecord record;
  record.Brightness = 300;
  record.Contrast = 20;
  record.Saturation = 300;
  record.Exposure = 60;
  record.WaterText = "Qarvo 3GP Video Converter";
  record.WaterFont.Size = 20;
  record.WaterFont.Bold = true;
  record.WaterFont.Color = 0xFFFF00;
  record.TextX = 16;
  record.TextY = 16;
  record.WaterImage = picture;
  record.ImageX = 400;
  record.ImageY = 300;
  return record;
}

// Microseconds per picture of `step`, the fastest of several batches (the others waited for
// the machine's other work).
double PerPicture(TBitmap& picture, const std::function<void(TBitmap&)>& step) {
  constexpr int kBatches = 15;
  constexpr int kPerBatch = 20;
  std::vector<double> batches;
  for (int b = 0; b < kBatches; ++b) {
    const auto start = Clock::now();
    for (int i = 0; i < kPerBatch; ++i) step(picture);
    batches.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() /
                      kPerBatch);
  }
  return *std::min_element(batches.begin(), batches.end());
}

void PictureCosts(const std::string& logo) {
  const TlvFilesRecord all = AllEffects(logo);
  TPainterTextDrawer text;
  TFrameProcessor processor;
  TWatermarkPictureLoader loader;
  std::string error;
  const TWatermarkPicture* watermark = loader.Picture(logo, error);
  if (!watermark) throw std::runtime_error(error);
  std::printf("%-38s %12s %12s\n", "per picture, microseconds", "640x480", "1280x720");
  struct TStep {
    const char* Name;
    std::function<void(TBitmap&)> Run;
  };
  const std::vector<TStep> steps{
      {"colour effects",
       [&](TBitmap& p) { ApplyColourEffects(p, all.Brightness, all.Contrast, all.Saturation); }},
      {"brightness + contrast (saturation 255)",
       [&](TBitmap& p) { ApplyColourEffects(p, all.Brightness, all.Contrast, 255); }},
      {"exposure", [&](TBitmap& p) { ApplyExposure(p, static_cast<float>(all.Exposure)); }},
      {"colour effects + exposure (one pass)",
       [&](TBitmap& p) {
         TlvFilesRecord effects = all;
         effects.WaterText.clear();
         effects.WaterImage.clear();
         ProcessFrame(p, effects, nullptr, nullptr);
       }},
      {"text",
       [&](TBitmap& p) { text.DrawText(p, all.WaterText, all.WaterFont, all.TextX, all.TextY); }},
      {"picture watermark 160x120, style 1",
       [&](TBitmap& p) { BlendPicture(p, *watermark, all.ImageX, 1, all.ImageAlpha, all.ImageY); }},
      {"all together (as the hook runs them)",
       [&](TBitmap& p) {
         if (!processor.Process(p, all, error)) throw std::runtime_error(error);
       }},
  };
  // What the hook adds to every 4:2:0 picture besides the effects: to BGR and back.
  double conversion[2];
  int size = 0;
  for (const auto& [w, h] : {std::pair{640, 480}, std::pair{1280, 720}}) {
    TFramePtr frame = MakeFrame();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = w;
    frame->height = h;
    CheckAv(api().av_frame_get_buffer(frame.get(), 0), "av_frame_get_buffer");
    DrawTestPicture(*frame, 1, 25.0);
    AddSensorGrain(*frame, 1);
    TRGBPicture rgb;
    TBitmap unused;
    conversion[size++] = PerPicture(unused, [&](TBitmap&) {
      if (!rgb.ToBitmap(*frame) || !rgb.FromBitmap(*frame))
        throw std::runtime_error("conversion failed");
    });
  }
  std::printf("%-38s %12.0f %12.0f\n", "4:2:0 to BGR and back", conversion[0], conversion[1]);
  for (const TStep& step : steps) {
    double cost[2];
    int i = 0;
    for (const auto& [w, h] : {std::pair{640, 480}, std::pair{1280, 720}}) {
      TBitmap picture(w, h);
      FillNoise(picture);
      cost[i++] = PerPicture(picture, step.Run);
    }
    std::printf("%-38s %12.0f %12.0f\n", step.Name, cost[0], cost[1]);
    if (&step == &steps.back())
      std::printf("%-38s %12.0f %12.0f\n", "the hook's own work (both together)",
                  cost[0] + conversion[0], cost[1] + conversion[1]);
  }
}

// The generated scene is plain enough that its conversion codes at the encoders' finest
// quantiser, where every change to the picture costs coded bits. A filmed clip (sensor grain,
// at a camera's bit rate) keeps the encoder at its bit rate, as most users' files do.
std::string Clip(bool filmed) {
  TClipSpec spec;  // avi, mpeg4 + mp3, as the hook benchmark's clip
  spec.Width = 640;
  spec.Height = 480;
  spec.VideoBitRate = filmed ? 4000000 : 1500000;
  spec.Grain = filmed;
  spec.Duration = kClipSeconds;
  std::printf("preparing the clip ...\n");
  std::fflush(stdout);
  return EnsureClipFile(spec, filmed ? "bench-filmed-640x480.avi" : "bench-hook-640x480.avi");
}

enum class TMode { NoHook, Unchanged, Watermarks, Effects };
constexpr int kModes = 4;

struct TTimes {
  double Wall = 0, Processor = 0;
};

TTimes Convert(const std::string& input, const std::string& output, const char* codec, TMode mode,
               const TlvFilesRecord& record, bool application) {
  TConvertEngine engine;
  TConversionFrameHook hook;
  hook.RunStarting();
  int pictures = 0;
  // The text and the picture alone, as a job that only puts a logo on its pictures.
  TlvFilesRecord marks = record;
  marks.Brightness = marks.Saturation = 255;
  marks.Contrast = marks.Exposure = 0;
  if (mode != TMode::NoHook)
    engine.SetOnCustomHook([&](TConvertEngine&, PHookInfo info) {
      ++pictures;
      if (mode == TMode::Effects || mode == TMode::Watermarks) {
        TCanvasLock canvas(*info->Bitmap);
        info->Update = hook.ProcessPicture(info->TaskIndex, *info->Bitmap,
                                           mode == TMode::Effects ? record : marks);
      }
    });
  bool finished = false;
  std::string error;
  engine.SetOnTerminate([&](TConvertEngine&, const TTerminateInfo& info) {
    if (info.TaskIndex < 0) return;
    finished = info.Finished;
    error = info.ExceptionMsg;
  });
  TInputOptions inputOptions;
  // The application's conversions: threaded codecs and the pipelined task.
  if (application) inputOptions.ExtOptions = "threads=auto";
  if (engine.AddTask(input, &inputOptions) < 0) throw std::runtime_error(engine.LastErrMsg());
  TOutputOptions options;
  if (application) options.ExtOptions = "threads=auto\npipeline=1";
  options.VideoCodec = codec;
  options.AudioCodec = "aac";
  options.VideoBitrate = 1500000;
  options.CustomHook = mode != TMode::NoHook;
  if (!engine.SetOutputFile(0, output, &options)) throw std::runtime_error(engine.LastErrMsg());
  const auto start = Clock::now();
  const double cpuStart = ProcessorSeconds();
  engine.StartTask(0);
  const TTimes times{std::chrono::duration<double>(Clock::now() - start).count(),
                     ProcessorSeconds() - cpuStart};
  if (!finished) throw std::runtime_error("conversion failed: " + error);
  if (mode != TMode::NoHook && pictures == 0) throw std::runtime_error("hook never called");
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 2;
  std::vector<const char*> codecs{"mpeg4", "libx264"};
  int onlyMode = -1;
  bool onlyApplication = false;
  bool filmed = false;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--clip") == 0) filmed = std::strcmp(argv[i + 1], "filmed") == 0;
    if (std::strcmp(argv[i], "--only") == 0)
      onlyMode = std::clamp(std::atoi(argv[i + 1]), 0, 2 * kModes - 1);
    if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));
    if (std::strcmp(argv[i], "--codec") == 0) codecs = {argv[i + 1]};
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  char name[] = "effects_bench";
  char* qtArgv[] = {name, nullptr};
  QGuiApplication application(qtArgc, qtArgv);
  try {
    LoadMediaLibraries();
    const fs::path folder = fs::temp_directory_path() / "qarvo-effects-bench";
    fs::create_directories(folder);
    const std::string logo = WritePicture(folder);
    if (onlyMode >= 0) {
      onlyApplication = onlyMode >= kModes;
      const std::string input = Clip(filmed);
      for (int r = 0; r < rounds; ++r)
        Convert(input, (folder / "effects.mp4").string(), codecs[0],
                static_cast<TMode>(onlyMode % kModes), AllEffects(logo), onlyApplication);
      fs::remove_all(folder);
      return 0;
    }
    PictureCosts(logo);

    const std::string output = (folder / "effects.mp4").string();
    const TlvFilesRecord record = AllEffects(logo);
    const double frames = kClipSeconds * 25;
    const char* const names[] = {"no hook", "hook, picture unchanged",
                                 "hook, text + picture watermark", "hook, all effects + picture"};
    for (const bool filmedClip : {false, true}) {
      const std::string input = Clip(filmedClip);
      for (const char* codec : codecs)
        for (const bool application : {false, true}) {
          Convert(input, output, codec, TMode::NoHook, record,
                  application);  // warm-up: caches, lazy encoders
          TTimes best[kModes];
          for (int r = 0; r < rounds; ++r)
            for (int m = 0; m < kModes; ++m) {
              const TTimes t =
                  Convert(input, output, codec, static_cast<TMode>(m), record, application);
              if (r == 0 || t.Wall < best[m].Wall) best[m] = t;
            }
          const std::string title = std::string(filmedClip ? "filmed " : "plain ") + codec + ", " +
                                    (application ? "threads + pipeline" : "one thread");
          std::printf("%-48s %9s %9s %9s %10s %10s\n", title.c_str(), "wall s", "cpu s", "fps",
                      "cpu ratio", "wall ratio");
          for (int m = 0; m < kModes; ++m)
            std::printf("%-48s %9.2f %9.2f %9.1f %10.3f %10.3f\n", names[m], best[m].Wall,
                        best[m].Processor, frames / best[m].Wall,
                        best[m].Processor / best[0].Processor, best[m].Wall / best[0].Wall);
          std::fflush(stdout);
        }
    }
    fs::remove_all(folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "effects_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
