#include "player/TSdlWindowSurface.h"

namespace qarvo {

TSdlWindowSurface::TSdlWindowSurface() {
  started_ = api().SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

TSdlWindowSurface::~TSdlWindowSurface() {
  if (texture_) api().SDL_DestroyTexture(texture_);
  if (renderer_) api().SDL_DestroyRenderer(renderer_);
  if (window_) api().SDL_DestroyWindow(window_);
  if (started_) api().SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void TSdlWindowSurface::ClientSize(int& width, int& height) const {
  width = height = 0;
  if (window_) api().SDL_GetWindowSize(window_, &width, &height);
}

bool TSdlWindowSurface::SetMode(int width, int height) {
  if (!started_ || width <= 0 || height <= 0) return false;
  if (!window_) {
    window_ = api().SDL_CreateWindow("Player", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                     width, height, SDL_WINDOW_RESIZABLE);
    if (!window_) return false;
    renderer_ = api().SDL_CreateRenderer(window_, -1, 0);
    if (!renderer_) return false;
  } else {
    api().SDL_SetWindowSize(window_, width, height);
  }
  return true;
}

bool TSdlWindowSurface::EnsureTexture(int width, int height) {
  if (texture_ && textureWidth_ == width && textureHeight_ == height) return true;
  if (texture_) api().SDL_DestroyTexture(texture_);
  texture_ = api().SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_IYUV, SDL_TEXTUREACCESS_STREAMING,
                                     width, height);
  textureWidth_ = texture_ ? width : 0;
  textureHeight_ = texture_ ? height : 0;
  return texture_ != nullptr;
}

void TSdlWindowSurface::Show(const TYuvPicture& picture, const TDisplayRect& rect) {
  if (!renderer_ || !EnsureTexture(picture.Width, picture.Height)) return;
  if (api().SDL_UpdateYUVTexture(texture_, nullptr, picture.Plane[0], picture.Pitch[0],
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
  api().SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  api().SDL_RenderClear(renderer_);
  if (hasPicture_) {
    const SDL_Rect target{lastRect_.Left, lastRect_.Top, lastRect_.Width, lastRect_.Height};
    api().SDL_RenderCopy(renderer_, texture_, nullptr, &target);
  }
  api().SDL_RenderPresent(renderer_);
}

bool TSdlWindowSurface::PumpEvents() {
  if (!started_) return false;
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
