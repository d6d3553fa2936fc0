// One owner type per SDL object, beside the media libraries' ones (LibraryObjects.h): nothing
// outside this file destroys a window, renderer or texture, closes an audio device or quits a
// subsystem.
#pragma once

#include <cstdint>
#include <memory>

#include "media/LibraryApi.h"

namespace qarvo {

struct TSdlWindowDeleter {
  void operator()(SDL_Window* p) const { api().SDL_DestroyWindow(p); }
};
struct TSdlRendererDeleter {
  void operator()(SDL_Renderer* p) const { api().SDL_DestroyRenderer(p); }
};
struct TSdlTextureDeleter {
  void operator()(SDL_Texture* p) const { api().SDL_DestroyTexture(p); }
};

using TSdlWindowPtr = std::unique_ptr<SDL_Window, TSdlWindowDeleter>;
using TSdlRendererPtr = std::unique_ptr<SDL_Renderer, TSdlRendererDeleter>;
using TSdlTexturePtr = std::unique_ptr<SDL_Texture, TSdlTextureDeleter>;

// One start of an SDL subsystem, quit when the owner goes (SDL counts the starts, so owners
// of the same subsystem nest).
class TSdlSubsystem {
 public:
  explicit TSdlSubsystem(uint32_t flag) : flag_(flag) {
    started_ = api().SDL_InitSubSystem(flag) == 0;
  }
  ~TSdlSubsystem() {
    if (started_) api().SDL_QuitSubSystem(flag_);
  }
  TSdlSubsystem(const TSdlSubsystem&) = delete;
  TSdlSubsystem& operator=(const TSdlSubsystem&) = delete;

  // False when the start failed (the reason is in SDL's error text).
  bool Started() const { return started_; }

 private:
  uint32_t flag_;
  bool started_ = false;
};

// An opened audio device; closing it waits for a running callback.
class TSdlAudioDevice {
 public:
  TSdlAudioDevice() = default;
  ~TSdlAudioDevice() { Close(); }
  TSdlAudioDevice(const TSdlAudioDevice&) = delete;
  TSdlAudioDevice& operator=(const TSdlAudioDevice&) = delete;

  // False when the device cannot be opened (the reason is in SDL's error text).
  bool Open(const SDL_AudioSpec& wanted, SDL_AudioSpec& obtained) {
    Close();
    id_ = api().SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    return id_ != 0;
  }
  void Close() {
    if (id_ != 0) api().SDL_CloseAudioDevice(id_);
    id_ = 0;
  }
  SDL_AudioDeviceID Id() const { return id_; }
  explicit operator bool() const { return id_ != 0; }

 private:
  SDL_AudioDeviceID id_ = 0;
};

}  // namespace qarvo
