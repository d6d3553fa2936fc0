#include "support/TinyClipCopies.h"

#include <filesystem>

#include "support/TestMedia.h"

namespace qarvo {

std::string EnsureTinyClip() {
  TClipSpec spec = StandardClip("short3s");
  spec.Width = 80;
  spec.Height = 60;
  spec.FrameRate = {10, 1};
  spec.Duration = 1.0;
  spec.AudioCodec.clear();
  return EnsureClipFile(spec, "tiny-1s.avi");
}

std::vector<std::string> MakeTinyClipCopies(const std::string& folder, int count) {
  namespace fs = std::filesystem;
  const std::string clip = EnsureTinyClip();
  fs::create_directories(folder);
  std::vector<std::string> files;
  files.reserve(count);
  for (int i = 0; i < count; ++i) {
    files.push_back((fs::path(folder) / ("c" + std::to_string(i) + ".avi")).string());
    fs::create_hard_link(clip, files.back());
  }
  return files;
}

}  // namespace qarvo
