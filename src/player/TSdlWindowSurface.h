// The player's own window, used when the application gives no drawing surface: an SDL window
// captioned "Player" with a renderer and a YUV texture.
//
// Created, used and destroyed on the play thread, which also pumps the window's events.
#pragma once

#include "media/SdlObjects.h"
#include "player/TVideoSurface.h"

namespace qarvo {

class TSdlWindowSurface : public TVideoSurface {
 public:
  TSdlWindowSurface() = default;
  TSdlWindowSurface(const TSdlWindowSurface&) = delete;
  TSdlWindowSurface& operator=(const TSdlWindowSurface&) = delete;

  // False when SDL's video could not be started (the reason is in SDL's error text).
  bool Started() const { return video_.Started(); }

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

  // In the order they are made; they go in the reverse one.
  TSdlSubsystem video_{SDL_INIT_VIDEO};
  TSdlWindowPtr window_;
  TSdlRendererPtr renderer_;
  TSdlTexturePtr texture_;
  int textureWidth_ = 0;
  int textureHeight_ = 0;
  TDisplayRect lastRect_{};
  bool hasPicture_ = false;
  TVideoSurfaceListener* listener_ = nullptr;
};

}  // namespace qarvo
