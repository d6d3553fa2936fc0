#include "player/TSdlWindowSurface.h"

namespace qarvo {

void TSdlWindowSurface::ClientSize(int& width, int& height) const {
  width = height = 0;
  if (window_) api().SDL_GetWindowSize(window_.get(), &width, &height);
}

bool TSdlWindowSurface::SetMode(int width, int height) {
  if (!Started() || width <= 0 || height <= 0) return false;
  if (window_) {
    api().SDL_SetWindowSize(window_.get(), width, height);
    return true;
  }
  window_.reset(api().SDL_CreateWindow("Player", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                       width, height, SDL_WINDOW_RESIZABLE));
  if (!window_) return false;
  renderer_.reset(api().SDL_CreateRenderer(window_.get(), -1, 0));
  return renderer_ != nullptr;
}

bool TSdlWindowSurface::EnsureTexture(int width, int height) {
  if (texture_ && textureWidth_ == width && textureHeight_ == height) return true;
  texture_.reset(api().SDL_CreateTexture(renderer_.get(), SDL_PIXELFORMAT_IYUV,
                                         SDL_TEXTUREACCESS_STREAMING, width, height));
  textureWidth_ = texture_ ? width : 0;
  textureHeight_ = texture_ ? height : 0;
  return texture_ != nullptr;
}

void TSdlWindowSurface::Show(const TYuvPicture& picture, const TDisplayRect& rect) {
  if (!renderer_ || !EnsureTexture(picture.Width, picture.Height)) return;
  if (api().SDL_UpdateYUVTexture(texture_.get(), nullptr, picture.Plane[0], picture.Pitch[0],
                                 picture.Plane[1], picture.Pitch[1], picture.Plane[2],
                                 picture.Pitch[2]) != 0)
    return;
  lastRect_ = rect;
  hasPicture_ = true;
  Present();
}

void TSdlWindowSurface::Redraw() {
  if (renderer_) Present();
}

void TSdlWindowSurface::Present() {
  api().SDL_SetRenderDrawColor(renderer_.get(), 0, 0, 0, 255);
  api().SDL_RenderClear(renderer_.get());
  if (hasPicture_) {
    const SDL_Rect target{lastRect_.Left, lastRect_.Top, lastRect_.Width, lastRect_.Height};
    api().SDL_RenderCopy(renderer_.get(), texture_.get(), nullptr, &target);
  }
  api().SDL_RenderPresent(renderer_.get());
}

bool TSdlWindowSurface::PumpEvents() {
  if (!Started()) return false;
  bool closed = false;
  SDL_Event event;
  while (api().SDL_PollEvent(&event)) {
    if (event.type == SDL_QUIT) {
      closed = true;
    } else if (event.type == SDL_WINDOWEVENT && listener_) {
      switch (event.window.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          listener_->SurfaceResized(event.window.data1, event.window.data2);
          break;
        case SDL_WINDOWEVENT_EXPOSED:
          listener_->SurfaceExposed();
          break;
        case SDL_WINDOWEVENT_CLOSE:
          closed = true;
          break;
        default:
          break;
      }
    }
  }
  return closed;
}

}  // namespace qarvo
