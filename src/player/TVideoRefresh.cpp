#include "player/TVideoRefresh.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "media/EngineLogger.h"
#include "player/TPlayerAudio.h"
#include "player/TPlayerHost.h"
#include "player/TPlayerState.h"
#include "player/TSubtitleBlender.h"

namespace qarvo {

namespace {
// A picture this far behind its successor's time is dropped even when it is the only one.
constexpr double kHopelesslyLate = 0.5;

int RoundEven(double value) { return static_cast<int>(std::lround(value)) & ~1; }
}  // namespace

TVideoRefresh::TVideoRefresh(TPlayerState& state, TVideoSurface& surface)
    : state_(state), surface_(surface) {}

void TVideoRefresh::Refresh(bool consume) {
  if (state_.HasVideo()) {
    RefreshVideo(consume);
  } else if (state_.HasAudio()) {
    DisplayWaveform();
    state_.Host->PositionUpdate();
  }
}

void TVideoRefresh::OpenSurface(bool force) {
  const TPlayerControls& controls = state_.Host->Controls();
  int width = controls.ScreenWidth, height = controls.ScreenHeight;
  if (width <= 0 || height <= 0) {
    width = state_.DecodedWidth & ~1;
    height = state_.DecodedHeight & ~1;
  }
  if (width <= 0 || height <= 0) {
    width = 640;
    height = 480;
  }
  if (!force && width == state_.SurfaceWidth && height == state_.SurfaceHeight) return;
  if (!surface_.SetMode(width, height)) {
    TEngineLogger::GetLogger().Log(state_.Host, TLogLevel::llError,
                                   "SDL: could not set video mode.");
    return;
  }
  state_.SurfaceWidth = width;
  state_.SurfaceHeight = height;
}

void TVideoRefresh::Redraw() {
  double pts;
  TFramePtr frame = Shown(pts);
  if (frame)
    ShowFrame(*frame);
  else
    surface_.Redraw();
}

TFramePtr TVideoRefresh::Shown(double& ptsSeconds) const {
  std::lock_guard<std::mutex> lock(shownMutex_);
  ptsSeconds = shownPts_;
  if (!shown_) return nullptr;
  return TFramePtr(api().av_frame_clone(shown_.get()));
}

void TVideoRefresh::RefreshVideo(bool consume) {
  TPictureQueue& queue = state_.Pictures;
  bool dropped = false;
  bool redraw = false;
  bool displayed = false;
  TFramePtr picture;  // a reference of its own: the surface is called outside the queue's lock
  double pts = 0.0;
  {
    std::unique_lock<std::mutex> lock(queue.Mutex);
    for (;;) {
      if (queue.Size == 0) {
        redraw = !consume;
        break;
      }
      TVideoPicture& next = queue.Read();
      const double now = PlayerNow();
      const bool skipQueued = state_.SkipQueued;
      if (!skipQueued) {
        // While paused only the first picture after opening or a seek goes on screen.
        if (state_.Paused && !queue.ShowFirst) {
          redraw = !consume;
          break;
        }
        if (!state_.Paused && now < next.TargetClock) break;
      }
      state_.Clock.Shown(next.Pts, now);
      state_.VideoCurrentPos = next.Pos;
      const double nextTarget = queue.Size > 1
                                    ? queue.Next().TargetClock
                                    : next.TargetClock + state_.Clock.Predicted() - next.Pts;
      const bool late = now > nextTarget && !state_.Capture && !state_.Paused;
      if (late || skipQueued) {
        state_.SkipFrames = state_.SkipFrames * 1.05;
        if (queue.Size > 1 || now > nextTarget + kHopelesslyLate || skipQueued) {
          queue.Pop();
          dropped = true;
          continue;
        }
      }
      ExpireSubtitles(next.Pts);
      picture = TakeForDisplay(next);
      pts = next.Pts;
      displayed = true;
      queue.ShowFirst = false;
      if (consume) queue.Pop();
      break;
    }
  }
  if (redraw) surface_.Redraw();
  if (picture) {
    ShowFrame(*picture);
    std::lock_guard<std::mutex> lock(shownMutex_);
    shown_ = std::move(picture);
    shownPts_ = pts;
  }
  if (displayed && !dropped) state_.Host->PositionUpdate();
}

void TVideoRefresh::ExpireSubtitles(double videoPts) {
  if (!state_.SubtitleSt) return;
  TSubpictureQueue& subs = state_.Subpictures;
  std::lock_guard<std::mutex> lock(subs.Mutex);
  if (subs.StreamChanged) {
    while (subs.Size > 0) subs.Pop();
    subs.StreamChanged = false;
    return;
  }
  while (subs.Size > 0) {
    const TSubPicture& first = subs.Read();
    const bool ended = videoPts > first.Pts + first.Sub.end_display_time / 1000.0;
    const bool superseded =
        subs.Size > 1 &&
        videoPts > subs.Second().Pts + subs.Second().Sub.start_display_time / 1000.0;
    if (!ended && !superseded) break;
    subs.Pop();
  }
}

double TVideoRefresh::DisplayAspect(const AVFrame& frame) const {
  const float forced = state_.Host->Controls().AspectRatio;
  if (forced > 0) return forced;
  if (forced < 0 && state_.SurfaceWidth > 0 && state_.SurfaceHeight > 0)
    return static_cast<double>(state_.SurfaceWidth) / state_.SurfaceHeight;
  AVRational sar = frame.sample_aspect_ratio;
  if (sar.num <= 0 || sar.den <= 0) sar = state_.VideoSt->sample_aspect_ratio;
  const double pixel = sar.num > 0 && sar.den > 0 ? av_q2d(sar) : 1.0;
  return frame.height > 0 ? pixel * frame.width / frame.height : 1.0;
}

TDisplayRect TVideoRefresh::FitRect(int surfaceWidth, int surfaceHeight, double aspect) {
  TDisplayRect rect;
  if (aspect <= 0) aspect = 1.0;
  rect.Height = surfaceHeight;
  rect.Width = RoundEven(rect.Height * aspect);
  if (rect.Width > surfaceWidth) {
    rect.Width = surfaceWidth;
    rect.Height = RoundEven(rect.Width / aspect);
  }
  rect.Left = (surfaceWidth - rect.Width) / 2;
  rect.Top = (surfaceHeight - rect.Height) / 2;
  return rect;
}

TFramePtr TVideoRefresh::TakeForDisplay(TVideoPicture& picture) {
  if (!picture.Frame) return nullptr;
  if (state_.SubtitleSt && !picture.SubtitlesBlended) {
    TSubpictureQueue& subs = state_.Subpictures;
    std::lock_guard<std::mutex> lock(subs.Mutex);
    if (subs.Size > 0) {
      const TSubPicture& sub = subs.Read();
      if (picture.Pts >= sub.Pts + sub.Sub.start_display_time / 1000.0)
        TSubtitleBlender::Blend(*picture.Frame, sub.Sub);
    }
    picture.SubtitlesBlended = true;
  }
  TFramePtr reference(api().av_frame_clone(picture.Frame.get()));
  if (!reference) throw std::bad_alloc();
  return reference;
}

void TVideoRefresh::ShowFrame(const AVFrame& frame) {
  if (state_.SurfaceWidth <= 0 || state_.SurfaceHeight <= 0) OpenSurface(false);
  if (state_.SurfaceWidth <= 0 || state_.SurfaceHeight <= 0) return;
  TYuvPicture yuv;
  for (int i = 0; i < 3; ++i) {
    yuv.Plane[i] = frame.data[i];
    yuv.Pitch[i] = frame.linesize[i];
  }
  yuv.Width = frame.width;
  yuv.Height = frame.height;
  yuv.Bt709 = frame.colorspace == AVCOL_SPC_BT709;
  surface_.Show(yuv, FitRect(state_.SurfaceWidth, state_.SurfaceHeight, DisplayAspect(frame)));
}

void TVideoRefresh::DisplayWaveform() {
  // Without the waveform (display disabled) nothing is drawn at all.
  if (state_.ShowMode != 1 || !state_.Audio) return;
  if (state_.SurfaceWidth <= 0 || state_.SurfaceHeight <= 0) OpenSurface(false);
  if (state_.SurfaceWidth <= 0) return;
  const std::vector<int16_t> samples =
      state_.Audio->RecentSamples(state_.SurfaceWidth + TWaveformDisplay::kAlignWindow);
  const AVFrame* picture = waveform_.Render(samples, state_.Audio->Channels(), state_.SurfaceWidth,
                                            state_.SurfaceHeight);
  if (!picture) return;
  TYuvPicture yuv;
  for (int i = 0; i < 3; ++i) {
    yuv.Plane[i] = picture->data[i];
    yuv.Pitch[i] = picture->linesize[i];
  }
  yuv.Width = picture->width;
  yuv.Height = picture->height;
  surface_.Show(yuv, TDisplayRect{0, 0, picture->width, picture->height});
}

}  // namespace qarvo
