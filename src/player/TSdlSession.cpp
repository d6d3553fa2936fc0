#include "player/TSdlSession.h"

#include <SDL2/SDL.h>

#include "media/EngineLogger.h"

namespace qarvo {

namespace {

const char* Text(const char* s) { return s ? s : ""; }

}  // namespace

bool TSdlSession::Start(bool audio, bool video, std::string& error) {
  End();
  auto timer = std::make_unique<TSdlSubsystem>(SDL_INIT_TIMER);
  if (!timer->Started()) {
    error = Text(api().SDL_GetError());
    return false;
  }
  if (video) {
    auto started = std::make_unique<TSdlSubsystem>(SDL_INIT_VIDEO);
    if (!started->Started()) {
      error = Text(api().SDL_GetError());
      return false;
    }
    video_ = std::move(started);
  }
  timer_ = std::move(timer);
  if (audio) {
    auto started = std::make_unique<TSdlSubsystem>(SDL_INIT_AUDIO);
    if (started->Started())
      audio_ = std::move(started);
    else
      TEngineLogger::GetLogger().LogF(this, TLogLevel::llWarning, "SDL: no sound output: %s",
                                      Text(api().SDL_GetError()));
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
  // In the reverse order of Start.
  audio_.reset();
  video_.reset();
  timer_.reset();
}

}  // namespace qarvo
