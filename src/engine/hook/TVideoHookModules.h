// Frame-processing modules (option vhook): shared objects exporting "Configure", "Process"
// and "Release". Each path is loaded once for the whole program and stays loaded; each task
// keeps its own configured instances, released with the task.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qarvo {

// The picture a module receives: plane pointers and line sizes.
struct TVhookPicture {
  uint8_t* data[4];
  int linesize[4];
};

extern "C" {
// Configure(private data slot, word count, words; words[0] is the module path) -> 0 on success.
using TVhookConfigure = int (*)(void** ctx, int argc, char* argv[]);
// Process(private data, picture, pixel format (AVPixelFormat), width, height, pts in µs).
using TVhookProcess = void (*)(void* ctx, TVhookPicture* picture, int pixFmt, int width, int height,
                               int64_t pts);
using TVhookRelease = void (*)(void* ctx);
}

class TVideoHookModules {
 public:
  TVideoHookModules() = default;
  ~TVideoHookModules();
  TVideoHookModules(const TVideoHookModules&) = delete;
  TVideoHookModules& operator=(const TVideoHookModules&) = delete;

  // The vhook option: loads and configures the module named by the first word; raises
  // "Failed to add video hook function: " + value when it is not added (reason logged).
  void Add(const std::string& value);
  // Releases every module (a run of several passes configures them again for each).
  void Clear();
  // True once a module was added.
  bool InUse() const { return !modules_.empty(); }
  size_t Count() const { return modules_.size(); }
  // Runs every module in order on the picture.
  void Process(TVhookPicture& picture, int pixFmt, int width, int height, int64_t pts) const;

 private:
  struct TModule {
    void* Ctx = nullptr;
    TVhookProcess ProcessFn = nullptr;
    TVhookRelease ReleaseFn = nullptr;
  };
  bool TryAdd(const std::vector<std::string>& words);

  std::vector<TModule> modules_;
};

}  // namespace qarvo
