#include "engine/hook/TVideoHookModules.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

#include "base/EngineError.h"
#include "media/EngineLogger.h"
#include "media/LibraryApi.h"

namespace qarvo {

namespace {

// Words of a vhook value: separated by "|" when it has one, otherwise by spaces; at most 254.
std::vector<std::string> SplitHookWords(const std::string& value) {
  const char separator = value.find('|') != std::string::npos ? '|' : ' ';
  std::vector<std::string> words;
  size_t start = 0;
  while (start < value.size() && words.size() < 254) {
    size_t end = value.find(separator, start);
    if (end == std::string::npos) end = value.size();
    if (end > start) words.push_back(value.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

}  // namespace

namespace {

struct TLoadedModule {
  TVhookConfigure Configure = nullptr;
  TVhookProcess Process = nullptr;
  TVhookRelease Release = nullptr;
};

// Modules stay loaded for the life of the program: configured instances of finished tasks
// may still point into them until released, and a path is loaded once only.
std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}
std::map<std::string, TLoadedModule>& Registry() {
  static std::map<std::string, TLoadedModule> modules;
  return modules;
}

// The module of that path, loading it on first use; null when it cannot be loaded.
const TLoadedModule* LoadModule(const std::string& path) {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  auto it = Registry().find(path);
  if (it != Registry().end()) return &it->second;
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = ::dlerror();
    TEngineLogger::GetLogger().Log(nullptr, TLogLevel::llError,
                                   reason ? reason : path + ": cannot be loaded");
    return nullptr;
  }
  TLoadedModule module;
  module.Configure = reinterpret_cast<TVhookConfigure>(::dlsym(handle, "Configure"));
  module.Process = reinterpret_cast<TVhookProcess>(::dlsym(handle, "Process"));
  module.Release = reinterpret_cast<TVhookRelease>(::dlsym(handle, "Release"));
  return &Registry().emplace(path, module).first->second;
}

void LogError(const char* format, const std::string& path) {
  api().av_log(nullptr, AV_LOG_ERROR, format, path.c_str());
}

}  // namespace

TVideoHookModules::~TVideoHookModules() { Clear(); }

void TVideoHookModules::Clear() {
  for (const auto& module : modules_)
    if (module.ReleaseFn) module.ReleaseFn(module.Ctx);
  modules_.clear();
}

void TVideoHookModules::Add(const std::string& value) {
  const std::vector<std::string> words = SplitHookWords(value);
  if (words.empty() || !TryAdd(words))
    throw EEngineError("Failed to add video hook function: " + value);
}

bool TVideoHookModules::TryAdd(const std::vector<std::string>& words) {
  const std::string& path = words.front();
  const TLoadedModule* loaded = LoadModule(path);
  if (!loaded) return false;
  if (!loaded->Process) {
    LogError("Failed to find Process entrypoint in %s\n", path);
    return false;
  }
  if (words.size() > 1 && !loaded->Configure) {
    LogError("Failed to find Configure entrypoint in %s\n", path);
    return false;
  }
  TModule module;
  module.ProcessFn = loaded->Process;
  module.ReleaseFn = loaded->Release;
  if (loaded->Configure) {
    std::vector<std::string> copies(words);
    std::vector<char*> argv;
    argv.reserve(copies.size() + 1);
    for (auto& word : copies) argv.push_back(word.data());
    argv.push_back(nullptr);
    if (loaded->Configure(&module.Ctx, static_cast<int>(copies.size()), argv.data()) != 0) {
      LogError("Failed to Configure %s\n", path);
      return false;
    }
  }
  modules_.push_back(module);
  return true;
}

void TVideoHookModules::Process(TVhookPicture& picture, int pixFmt, int width, int height,
                                int64_t pts) const {
  for (const auto& module : modules_)
    module.ProcessFn(module.Ctx, &picture, pixFmt, width, height, pts);
}

}  // namespace qarvo
