// What the conversion leaves of the encoder's speed. A 1080p filmed-like clip (grain on every
// picture, 25 fps) is converted with the current H.264, HEVC, AV1 and VP9 formats at their
// default rate mode and speed, through the batch run the application uses; then the same
// encoder with the same settings is fed the source's decoded pictures directly (the limit).
// Per format: pictures a second of both and their ratio (the conversion aims at 0.95 or more
// of the limit; it also encodes the sound, which the limit does not).
//
//   encoder_limit_bench [--seconds N] [--formats 2800,2805,...]   (default 30 s, all four)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/MainThread.h"
#include "engine/options/EncoderRateOptions.h"
#include "core/BatchRun.h"
#include "core/FormatDefinition.h"
#include "core/FormatProfile.h"
#include "core/IniFile.h"
#include "core/OutputNaming.h"
#include "core/TlvFilesRecord.h"
#include "convert/EngineBatch.h"

#include "support/DirectEncode.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
using namespace qarvo;

struct TBenchFormat {
  int Code;
  const char* Name;
};

const TBenchFormat kFormats[] = {
    {2800, "H.264 MP4"}, {2805, "HEVC MP4"}, {2900, "AV1 MP4"}, {2902, "VP9 WebM"}};

std::string DefinitionFile() { return std::string(QARVO_SOURCE_DIR) + "/data/qarvo3gpformat.ini"; }

std::string BenchClip(double seconds) {
  TClipSpec spec;
  spec.Container = "matroska";
  spec.Extension = "mkv";
  spec.Width = 1920;
  spec.Height = 1080;
  spec.VideoBitRate = 12000000;
  spec.Grain = true;
  spec.Duration = seconds;
  spec.AudioCodec = "aac";
  spec.SampleRate = 48000;
  spec.AudioBitRate = 0;
  std::ostringstream name;
  name << "bench-1080p-filmed-" << seconds << "s.mkv";
  return EnsureClipFile(spec, name.str());
}

class TKeepSize : public ISizeQuestion {
 public:
  bool UseDefaultSize() override { return true; }
};

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// One job through the batch run with the factory settings; returns the wall seconds.
double Convert(int code, const std::string& source, const std::string& folder) {
  TIniFile settings(folder + "/settings.ini");
  settings.WriteString("settings", "OutPutDir", folder);
  TIniFile definitions(DefinitionFile());
  std::unique_ptr<IHeadlessEngine> engine = MakeEngineBatch();
  TBatchRun run(*engine, settings, definitions);
  run.SetFormatCode(code);
  bool ended = false;
  std::vector<TJobRow> rows{{source, true, NewJobRecord(source, "", 0, "lbox"), {}, {}}};
  engine->OnTerminate = [&](const TRunTermination& t) {
    if (run.OnTerminate(rows, t.TaskIndex, t.Finished, t.Exception, t.ExceptionMsg, nullptr, false,
                        false, {}))
      ended = true;
  };
  TOutputNamer namer(settings);
  TKeepSize keepSize;
  const auto start = Clock::now();
  if (!run.Start(rows, namer, keepSize))
    throw std::runtime_error("cannot start: " + run.Reports().front().Message);
  while (!ended) engine->Pump(20);
  const double seconds = SecondsSince(start);
  const TJobReport& report = run.Reports().front();
  if (report.Outcome != TJobOutcome::Finished)
    throw std::runtime_error("conversion failed: " + report.Message);
  return seconds;
}

// The format's encoder and default rate and speed, as the engine hands them to the encoder.
TDirectEncoding DirectSettings(int code) {
  TIniFile definitions(DefinitionFile());
  const TIniSnapshot noProfile = TIniSnapshot::FromText("");
  const TFormatProfile profile(noProfile, ReadFormatDefinition(definitions, code), code);
  TDirectEncoding direct;
  direct.Encoder = AvailableVideoEncoder(profile.VideoEncoder());
  direct.Options =
      EncoderRateOptions(direct.Encoder, profile.Quality().value_or(-1), profile.Speed());
  return direct;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 30.0;
  std::vector<int> codes;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--seconds" && i + 1 < argc) {
      seconds = std::atof(argv[++i]);
    } else if (arg == "--formats" && i + 1 < argc) {
      std::stringstream list(argv[++i]);
      for (std::string code; std::getline(list, code, ',');)
        codes.push_back(std::atoi(code.c_str()));
    } else {
      std::fprintf(stderr, "usage: %s [--seconds N] [--formats 2800,2805,2900,2902]\n", argv[0]);
      return 2;
    }
  }
  if (seconds <= 0) {
    std::fprintf(stderr, "--seconds takes a positive number\n");
    return 2;
  }
  try {
    LoadMediaLibraries();
    TMainThread::SetMainThread();
    const std::string source = BenchClip(seconds);
    const int pictures = static_cast<int>(VideoFrameCount([&] {
      TClipSpec spec;
      spec.Duration = seconds;
      return spec;
    }()));
    const fs::path folder = fs::temp_directory_path() / "qarvo-encoder-limit-bench";
    std::printf("1080p 25 fps filmed-like clip, %g s (%d pictures), default rate mode and speed\n",
                seconds, pictures);
    std::printf("%-10s %-12s %12s %12s %7s\n", "format", "encoder", "convert fps", "alone fps",
                "ratio");
    for (const TBenchFormat& format : kFormats) {
      if (!codes.empty() && std::find(codes.begin(), codes.end(), format.Code) == codes.end())
        continue;
      fs::remove_all(folder);
      fs::create_directories(folder);
      const double converted = Convert(format.Code, source, folder.string());
      const TDirectEncoding direct = DirectSettings(format.Code);
      const auto start = Clock::now();
      const int encoded = EncodeDirect(
          source, (folder / ("alone" + fs::path(source).extension().string())).string(), direct);
      const double alone = SecondsSince(start);
      const double convertFps = encoded / converted, aloneFps = encoded / alone;
      std::printf("%-10s %-12s %12.2f %12.2f %7.3f   (%s)\n", format.Name, direct.Encoder.c_str(),
                  convertFps, aloneFps, convertFps / aloneFps,
                  direct.Options.empty() ? "" : [&] {
                    std::string text;
                    for (const auto& [k, v] : direct.Options) text += k + "=" + v + " ";
                    return text;
                  }().c_str());
      std::fflush(stdout);
    }
    fs::remove_all(folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "encoder_limit_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
