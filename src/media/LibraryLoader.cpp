#include "media/LibraryLoader.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "media/EngineLogger.h"
#include "media/UnicodeProtocol.h"

namespace qarvo {

namespace {

void* Resolve(void* handle, const char* name, const std::string& file) {
  dlerror();
  void* entry = dlsym(handle, name);
  if (!entry) {
    const char* reason = dlerror();
    throw EEngineError(Format("Load function %s@%s error: %s", name, file.c_str(),
                              reason ? reason : "symbol not found"));
  }
  return entry;
}

#define QARVO_BIND_ENTRY(name) t.name = reinterpret_cast<decltype(t.name)>(Resolve(h, #name, file));
#define QARVO_UNBIND_ENTRY(name) t.name = nullptr;
#define QARVO_BINDERS(Lib, LIST)                                                              \
  void Bind##Lib(void* h, const std::string& file, TLibraryApi& t) { LIST(QARVO_BIND_ENTRY) } \
  void Unbind##Lib(TLibraryApi& t) { LIST(QARVO_UNBIND_ENTRY) }

QARVO_BINDERS(AVCodec, QARVO_AVCODEC_FUNCTIONS)
QARVO_BINDERS(AVDevice, QARVO_AVDEVICE_FUNCTIONS)
QARVO_BINDERS(AVFilter, QARVO_AVFILTER_FUNCTIONS)
QARVO_BINDERS(AVFormat, QARVO_AVFORMAT_FUNCTIONS)
QARVO_BINDERS(AVUtil, QARVO_AVUTIL_FUNCTIONS)
QARVO_BINDERS(SWScale, QARVO_SWSCALE_FUNCTIONS)
QARVO_BINDERS(SWResample, QARVO_SWRESAMPLE_FUNCTIONS)
QARVO_BINDERS(SDL, QARVO_SDL_FUNCTIONS)

#undef QARVO_BINDERS
#undef QARVO_UNBIND_ENTRY
#undef QARVO_BIND_ENTRY

// The libraries encode their version as major << 16 | minor << 8 | micro.
int MajorOf(unsigned version) { return static_cast<int>(version >> 16); }

TLibraryItem Item(std::string name, std::string file, int major, decltype(TLibraryItem::Bind) bind,
                  decltype(TLibraryItem::Unbind) unbind,
                  decltype(TLibraryItem::RuntimeMajor) runtimeMajor) {
  return TLibraryItem{std::move(name), std::move(file),   major,
                      std::move(bind), std::move(unbind), std::move(runtimeMajor)};
}

std::string SoName(const char* name, int major) { return Format("lib%s.so.%d", name, major); }

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Loading from the library folder happens in dependency order, so that a library's own
// dependencies among the table are already the folder's copies when it is opened (the
// dynamic linker satisfies a needed soname with an already loaded object).
constexpr std::array<int, kLibraryCount> kLoadOrder = {
    liAVUtil, liSWResample, liSWScale, liAVCodec, liAVFormat, liAVFilter, liAVDevice, liSDL};

}  // namespace

TLibraryTable DefaultLibraryTable() {
  return TLibraryTable{
      Item("avcodec", SoName("avcodec", LIBAVCODEC_VERSION_MAJOR), LIBAVCODEC_VERSION_MAJOR,
           BindAVCodec, UnbindAVCodec,
           [](const TLibraryApi& a) { return MajorOf(a.avcodec_version()); }),
      Item("avdevice", SoName("avdevice", LIBAVDEVICE_VERSION_MAJOR), LIBAVDEVICE_VERSION_MAJOR,
           BindAVDevice, UnbindAVDevice,
           [](const TLibraryApi& a) { return MajorOf(a.avdevice_version()); }),
      Item("avfilter", SoName("avfilter", LIBAVFILTER_VERSION_MAJOR), LIBAVFILTER_VERSION_MAJOR,
           BindAVFilter, UnbindAVFilter,
           [](const TLibraryApi& a) { return MajorOf(a.avfilter_version()); }),
      Item("avformat", SoName("avformat", LIBAVFORMAT_VERSION_MAJOR), LIBAVFORMAT_VERSION_MAJOR,
           BindAVFormat, UnbindAVFormat,
           [](const TLibraryApi& a) { return MajorOf(a.avformat_version()); }),
      Item("avutil", SoName("avutil", LIBAVUTIL_VERSION_MAJOR), LIBAVUTIL_VERSION_MAJOR, BindAVUtil,
           UnbindAVUtil, [](const TLibraryApi& a) { return MajorOf(a.avutil_version()); }),
      Item("swscale", SoName("swscale", LIBSWSCALE_VERSION_MAJOR), LIBSWSCALE_VERSION_MAJOR,
           BindSWScale, UnbindSWScale,
           [](const TLibraryApi& a) { return MajorOf(a.swscale_version()); }),
      Item("swresample", SoName("swresample", LIBSWRESAMPLE_VERSION_MAJOR),
           LIBSWRESAMPLE_VERSION_MAJOR, BindSWResample, UnbindSWResample,
           [](const TLibraryApi& a) { return MajorOf(a.swresample_version()); }),
      Item("SDL", "libSDL2-2.0.so.0", SDL_MAJOR_VERSION, BindSDL, UnbindSDL,
           [](const TLibraryApi& a) {
             SDL_version v{};
             a.SDL_GetVersion(&v);
             return static_cast<int>(v.major);
           }),
  };
}

TLibraryLoader::TLibraryLoader(TLibraryTable table) : table_(std::move(table)) {}

TLibraryLoader::TLibraryLoader(TProgramWide) : table_(DefaultLibraryTable()), programWide_(true) {}

TLibraryLoader::~TLibraryLoader() {  // NOLINT(bugprone-exception-escape): as in the header
  // The program-wide loader leaves its libraries mapped at exit so that threads still
  // finishing and the libraries' own exit handlers find their code.
  if (programWide_) return;
  Unload((1u << kLibraryCount) - 1);
}

TLibraryLoader& TLibraryLoader::Instance() {
  static TLibraryLoader loader{TProgramWide{}};
  return loader;
}

const TLibraryApi& api() { return TLibraryLoader::Instance().Api(); }

void TLibraryLoader::SetLibPath(const std::string& folder) {
  std::lock_guard lock(mutex_);
  folder_ = folder;
}

std::string TLibraryLoader::LibPath() const {
  std::lock_guard lock(mutex_);
  return folder_;
}

std::string TLibraryLoader::LastError() const {
  std::lock_guard lock(mutex_);
  return lastError_;
}

bool TLibraryLoader::Load(TLibrarySet set) {
  if (set == 0) throw EEngineError("Assertion failure");
  std::lock_guard lock(mutex_);
  // A failure frees only what this call loaded: libraries of an earlier load stay bound,
  // because running tasks, probes and players call through them.
  TLibrarySet loadedHere = 0;
  for (int index : kLoadOrder) {
    const TLibrarySet bit = LibraryBit(static_cast<TLibraryIndex>(index));
    if (!(set & bit)) continue;
    const bool wasLoaded = IsLoaded(index);
    if (!LoadOne(index)) {
      if (loadedHere) Unload(loadedHere);
      return false;
    }
    if (!wasLoaded) loadedHere |= bit;
  }
  return true;
}

bool TLibraryLoader::IsLoaded(int index) const {
  std::lock_guard lock(mutex_);
  return index >= 0 && index < kLibraryCount && status_[index].Handle && status_[index].Bound;
}

bool TLibraryLoader::Loaded(TLibrarySet set) const {
  if (set == 0) throw EEngineError("Assertion failure");
  for (int index = 0; index < kLibraryCount; ++index)
    if ((set & (1u << index)) && !IsLoaded(index)) return false;
  return true;
}

void TLibraryLoader::Unload(TLibrarySet set) {
  if (set == 0) throw EEngineError("Assertion failure");
  std::lock_guard lock(mutex_);
  // Reverse dependency order, so a library is never freed before one that needs it.
  for (auto it = kLoadOrder.rbegin(); it != kLoadOrder.rend(); ++it)
    if (set & (1u << *it)) UnloadOne(*it);
}

namespace {
// Leak checkers can only name a library's own allocations while it is still mapped, so the
// sanitizer build keeps unloaded libraries in memory.
#ifdef QARVO_KEEP_LIBRARIES_MAPPED
constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;
#else
constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL;
#endif
}  // namespace

void* TLibraryLoader::OpenFile(const TLibraryItem& item, std::string& shownName) {
  std::string folder = folder_;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  shownName = folder + item.FileName;
  if (!folder.empty() && FileExists(shownName)) return dlopen(shownName.c_str(), kOpenFlags);
  if (folder.empty()) shownName = item.FileName;
  return dlopen(item.FileName.c_str(), kOpenFlags);
}

bool TLibraryLoader::LoadOne(int index) {
  TLibraryStatus& status = status_[index];
  const TLibraryItem& item = table_[index];
  std::string shownName = item.FileName;
  if (!status.Handle) {
    status.Handle = OpenFile(item, shownName);
    if (!status.Handle) {
      const char* reason = dlerror();
      lastError_ =
          Format("Load library %s error: %s", shownName.c_str(), reason ? reason : "unknown error");
      return false;
    }
  }
  if (!status.Bound) {
    try {
      item.Bind(status.Handle, shownName, api_);
      const int major = item.RuntimeMajor(api_);
      if (major != item.ExpectedMajor)
        throw EEngineError(Format("Load library %s error: major version %d found, %d required",
                                  shownName.c_str(), major, item.ExpectedMajor));
      status.Bound = true;
      AfterBind(index);
    } catch (const std::exception& e) {
      lastError_ = e.what();
      item.Unbind(api_);
      status.Bound = false;
    }
  }
  if (!status.Bound) UnloadOne(index);
  return status.Bound;
}

void TLibraryLoader::AfterBind(int index) {
  // Only the program-wide table feeds the logger and the registrations.
  if (!programWide_) return;
  switch (index) {
    case liAVUtil:
      if (HookLog) TEngineLogger::GetLogger().HookLibraries(api_);
      break;
    case liAVFormat:
      api_.avformat_network_init();
      RegisterUnicodeProtocol();
      break;
    case liAVDevice:
      api_.avdevice_register_all();
      break;
    default:
      break;
  }
}

void TLibraryLoader::UnloadOne(int index) {
  TLibraryStatus& status = status_[index];
  if (status.Bound) {
    if (index == liAVUtil && programWide_) TEngineLogger::GetLogger().UnhookLibraries();
    table_[index].Unbind(api_);
    status.Bound = false;
  }
  if (status.Handle) {
    dlclose(status.Handle);
    status.Handle = nullptr;
  }
}

}  // namespace qarvo
