#include "player/TSdlSession.h"

#include <SDL2/SDL.h>

#include "media/EngineLogger.h"
#include "media/LibraryApi.h"

namespace qarvo {

namespace {

const char* Text(const char* s) { return s ? s : ""; }

}  // namespace

bool TSdlSession::Start(bool audio, bool video, std::string& error) {
  End();
  if (api().SDL_InitSubSystem(SDL_INIT_TIMER) != 0) {
    error = Text(api().SDL_GetError());
    return false;
  }
  flags_ = SDL_INIT_TIMER;
  if (video) {
    if (api().SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      error = Text(api().SDL_GetError());
      End();
      return false;
    }
    flags_ |= SDL_INIT_VIDEO;
  }
  if (audio) {
    if (api().SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
      flags_ |= SDL_INIT_AUDIO;
    } else {
      TEngineLogger::GetLogger().LogF(this, TLogLevel::llWarning, "SDL: no sound output: %s",
                                      Text(api().SDL_GetError()));
    }
  }
  TEngineLogger& log = TEngineLogger::GetLogger();
  if (HasAudio())
    log.LogF(this, TLogLevel::llDebug, "using audio driver: %s\n",
             Text(api().SDL_GetCurrentAudioDriver()));
  if (HasVideo())
    log.LogF(this, TLogLevel::llDebug, "using video driver: %s\n",
             Text(api().SDL_GetCurrentVideoDriver()));
  return true;
}

void TSdlSession::End() {
  if (flags_ == 0) return;
  // In the reverse order of Start.
  for (uint32_t flag : {static_cast<uint32_t>(SDL_INIT_AUDIO), static_cast<uint32_t>(SDL_INIT_VIDEO),
                        static_cast<uint32_t>(SDL_INIT_TIMER)}) {
    if (flags_ & flag) api().SDL_QuitSubSystem(flag);
  }
  flags_ = 0;
}

bool TSdlSession::HasAudio() const { return (flags_ & SDL_INIT_AUDIO) != 0; }
bool TSdlSession::HasVideo() const { return (flags_ & SDL_INIT_VIDEO) != 0; }

}  // namespace qarvo
