// Run-time loading of the media libraries and SDL, and binding of their entry points.
#pragma once

#include <array>
#include <functional>
#include <mutex>
#include <string>

#include "media/LibraryApi.h"

namespace qarvo {

// Index of a library in the table; bit number in a library set.
enum TLibraryIndex : int {
  liAVCodec = 0,
  liAVDevice = 1,
  liAVFilter = 2,
  liAVFormat = 3,
  liAVUtil = 4,
  liSWScale = 5,
  liSWResample = 6,
  liSDL = 7,
  kLibraryCount = 8
};

using TLibrarySet = unsigned;
// avcodec, avfilter, avformat, avutil, swscale, swresample.
constexpr TLibrarySet kEngineLibraries = 125;
// The engine set plus SDL.
constexpr TLibrarySet kPlayerLibraries = 253;

constexpr TLibrarySet LibraryBit(TLibraryIndex index) { return 1u << index; }

// One row of the library table.
struct TLibraryItem {
  std::string Name;       // "avcodec"
  std::string FileName;   // "libavcodec.so.59"
  int ExpectedMajor = 0;  // major of the headers the table's types come from
  // Binds every entry point of the library into the table; throws EEngineError naming the
  // first one missing.
  std::function<void(void* handle, const std::string& file, TLibraryApi& api)> Bind;
  std::function<void(TLibraryApi& api)> Unbind;
  // The library's run-time major version, read through the freshly bound table.
  std::function<int(const TLibraryApi& api)> RuntimeMajor;
};

using TLibraryTable = std::array<TLibraryItem, kLibraryCount>;

// The table of this build: names, sonames, majors and binders of every library.
TLibraryTable DefaultLibraryTable();

class TLibraryLoader {
 public:
  explicit TLibraryLoader(TLibraryTable table = DefaultLibraryTable());
  ~TLibraryLoader();  // NOLINT(bugprone-exception-escape): Unload throws for an empty set only
  TLibraryLoader(const TLibraryLoader&) = delete;
  TLibraryLoader& operator=(const TLibraryLoader&) = delete;

  // The program-wide loader whose table api() returns.
  static TLibraryLoader& Instance();

  // Folder searched first for the libraries (UTF-8 path); empty for the system search only.
  void SetLibPath(const std::string& folder);
  std::string LibPath() const;
  std::string LastError() const;

  // Loads and binds every library of the set; all or nothing: a failure frees again the
  // libraries this call loaded, and leaves those loaded before bound.
  bool Load(TLibrarySet set);
  bool IsLoaded(int index) const;
  bool Loaded(TLibrarySet set) const;
  void Unload(TLibrarySet set);

  const TLibraryApi& Api() const { return api_; }

  // Install the engine log's library callback when avutil binds.
  bool HookLog = true;

 private:
  struct TProgramWide {};
  explicit TLibraryLoader(TProgramWide);

  struct TLibraryStatus {
    void* Handle = nullptr;
    bool Bound = false;
  };

  bool LoadOne(int index);
  void UnloadOne(int index);
  void* OpenFile(const TLibraryItem& item, std::string& shownName);
  void AfterBind(int index);

  TLibraryTable table_;
  std::array<TLibraryStatus, kLibraryCount> status_{};
  TLibraryApi api_{};
  std::string folder_;
  std::string lastError_;
  bool programWide_ = false;
  mutable std::recursive_mutex mutex_;
};

}  // namespace qarvo
