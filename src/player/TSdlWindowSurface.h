// The player's own window, used when the application gives no drawing surface: an SDL window
// captioned "Player" with a renderer and a YUV texture.
//
// Created, used and destroyed on the play thread, which also pumps the window's events.
#pragma once

#include "media/LibraryApi.h"
#include "player/TVideoSurface.h"

namespace qarvo {

class TSdlWindowSurface : public TVideoSurface {
 public:
  TSdlWindowSurface();
  ~TSdlWindowSurface() override;
  TSdlWindowSurface(const TSdlWindowSurface&) = delete;
  TSdlWindowSurface& operator=(const TSdlWindowSurface&) = delete;

  // False when SDL's video could not be started (the reason is in SDL's error text).
  bool Started() const { return started_; }

  void ClientSize(int& width, int& height) const override;
  bool SetMode(int width, int height) override;
  void Show(const TYuvPicture& picture, const TDisplayRect& rect) override;
  void Redraw() override;
  void SetListener(TVideoSurfaceListener* listener) override { listener_ = listener; }

  // Handles the window's pending events; true when the window was closed.
  bool PumpEvents();

 private:
  bool EnsureTexture(int width, int height);
  void Present();

  bool started_ = false;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int textureWidth_ = 0;
  int textureHeight_ = 0;
  TDisplayRect lastRect_{};
  bool hasPicture_ = false;
  TVideoSurfaceListener* listener_ = nullptr;
};

}  // namespace qarvo
