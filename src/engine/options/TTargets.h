// Targets: one option that configures container, codecs, picture, rates and buffers for a
// disc or tape format (vcd, svcd, dvd, dv, dv50) in the PAL, NTSC or film norm.
#pragma once

#include <string>

namespace qarvo {

class TTaskContext;

enum class TNorm { PAL, NTSC, Film };

class TTargets {
 public:
  explicit TTargets(TTaskContext& task) : task_(task) {}

  // norm "pal", "ntsc", "film" or anything else for automatic; fallback "pal", "ntsc", "film".
  void Apply(const std::string& type, const std::string& norm, const std::string& fallbackNorm);
  // The automatic choice: from the frame rate in force, then the inputs' video streams, then
  // the fallback. Raises "frame_rate is invalid." without a frame rate.
  TNorm DetectNorm(const std::string& fallbackNorm) const;

 private:
  void Set(const char* name, const std::string& value);
  TTaskContext& task_;
};

}  // namespace qarvo
