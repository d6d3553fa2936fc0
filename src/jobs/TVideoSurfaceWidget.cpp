#include "jobs/TVideoSurfaceWidget.h"

#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <utility>

namespace qarvo {

TVideoSurfaceWidget::TVideoSurfaceWidget(QWidget* parent) : QWidget(parent) {
  // Every pixel is painted here: nothing beneath needs drawing first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::ClickFocus);
}

TVideoSurfaceWidget::~TVideoSurfaceWidget() = default;

void TVideoSurfaceWidget::ClientSize(int& width, int& height) const {
  width = width_.load();
  height = height_.load();
}

bool TVideoSurfaceWidget::SetMode(int width, int height) {
  if (width <= 0 || height <= 0) return false;
  std::lock_guard lock(mutex_);
  modeWidth_ = width;
  modeHeight_ = height;
  return true;
}

void TVideoSurfaceWidget::Show(const TYuvPicture& picture, const TDisplayRect& rect) {
  if (!picture.Plane[0] || picture.Width <= 0 || picture.Height <= 0 || rect.Width <= 0 ||
      rect.Height <= 0)
    return;
  int modeWidth, modeHeight;
  {
    std::lock_guard lock(mutex_);
    modeWidth = modeWidth_ > 0 ? modeWidth_ : rect.Left * 2 + rect.Width;
    modeHeight = modeHeight_ > 0 ? modeHeight_ : rect.Top * 2 + rect.Height;
  }
  // Converted at the size it is painted at (in device pixels), so painting only copies.
  const QRect target = OnWidget(rect, modeWidth, modeHeight);
  const double ratio = pixelRatio_.load();
  const int width = std::max(1, static_cast<int>(std::lround(target.width() * ratio)));
  const int height = std::max(1, static_cast<int>(std::lround(target.height() * ratio)));
  QImage image = Convert(picture, width, height);
  if (image.isNull()) return;
  image.setDevicePixelRatio(ratio);
  {
    std::lock_guard lock(mutex_);
    // A picture the GUI did not take yet is dropped here, on the thread that made it.
    pending_ = TFrame{std::move(image), rect, modeWidth, modeHeight};
    modeWidth_ = modeWidth;
    modeHeight_ = modeHeight;
  }
  ++picturesShown_;
  PostRepaint(true);
}

QImage TVideoSurfaceWidget::Convert(const TYuvPicture& picture, int width, int height) {
  const TLibraryApi& lib = api();
  scaler_.reset(lib.sws_getCachedContext(scaler_.release(), picture.Width, picture.Height,
                                         AV_PIX_FMT_YUV420P, width, height, AV_PIX_FMT_RGB32,
                                         SWS_BILINEAR, nullptr, nullptr, nullptr));
  if (!scaler_) return {};
  if (scaler_.get() != configured_ || picture.Bt709 != configuredBt709_) {
    // The matrix is the stream's, never the library's guess; the source has video range.
    const int* matrix = lib.sws_getCoefficients(picture.Bt709 ? SWS_CS_ITU709 : SWS_CS_ITU601);
    if (lib.sws_setColorspaceDetails(scaler_.get(), matrix, 0,
                                     lib.sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16,
                                     1 << 16) < 0)
      return {};
    configured_ = scaler_.get();
    configuredBt709_ = picture.Bt709;
  }
  // RGB32 is the image's native 0xffRRGGBB word on either byte order.
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull()) return {};
  const uint8_t* const source[4] = {picture.Plane[0], picture.Plane[1], picture.Plane[2], nullptr};
  const int sourcePitch[4] = {picture.Pitch[0], picture.Pitch[1], picture.Pitch[2], 0};
  uint8_t* const target[4] = {image.bits(), nullptr, nullptr, nullptr};
  const int targetPitch[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
  if (lib.sws_scale(scaler_.get(), source, sourcePitch, 0, picture.Height, target, targetPitch) !=
      height)
    return {};
  return image;
}

void TVideoSurfaceWidget::Redraw() { PostRepaint(false); }

void TVideoSurfaceWidget::SetListener(TVideoSurfaceListener* listener) {
  std::lock_guard lock(listenerMutex_);
  listener_ = listener;
}

void TVideoSurfaceWidget::PostRepaint(bool arrived) {
  if (arrived) pictureArrived_ = true;
  if (repaintPosted_.exchange(true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        repaintPosted_ = false;
        update();
        if (pictureArrived_.exchange(false)) emit PictureArrived();
      },
      Qt::QueuedConnection);
}

void TVideoSurfaceWidget::TakePending() {
  std::lock_guard lock(mutex_);
  if (!pending_.Image.isNull()) shown_ = std::exchange(pending_, TFrame{});
}

void TVideoSurfaceWidget::Clear() {
  TakePending();
  shown_ = TFrame{};
  update();
}

bool TVideoSurfaceWidget::HasPicture() {
  TakePending();
  return !shown_.Image.isNull();
}

QImage TVideoSurfaceWidget::Picture() {
  TakePending();
  return shown_.Image;
}

QRect TVideoSurfaceWidget::PictureRect() {
  TakePending();
  if (shown_.Image.isNull()) return {};
  return OnWidget(shown_.Rect, shown_.ModeWidth, shown_.ModeHeight);
}

QRect TVideoSurfaceWidget::OnWidget(const TDisplayRect& rect, int modeWidth, int modeHeight) const {
  // The mode is the widget's size unless a resize has not reached the player yet; until then
  // the picture keeps its place in proportion.
  if (modeWidth <= 0 || modeHeight <= 0) return {};
  const int width = width_.load() > 0 ? width_.load() : modeWidth;
  const int height = height_.load() > 0 ? height_.load() : modeHeight;
  const double x = static_cast<double>(width) / modeWidth;
  const double y = static_cast<double>(height) / modeHeight;
  const int left = static_cast<int>(std::lround(rect.Left * x));
  const int top = static_cast<int>(std::lround(rect.Top * y));
  const int right = static_cast<int>(std::lround((rect.Left + rect.Width) * x));
  const int bottom = static_cast<int>(std::lround((rect.Top + rect.Height) * y));
  return QRect(left, top, right - left, bottom - top);
}

void TVideoSurfaceWidget::paintEvent(QPaintEvent*) {
  TakePending();
  QPainter painter(this);
  if (shown_.Image.isNull()) {
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    return;
  }
  // Around the picture the surface is black, as the player's own window is.
  painter.fillRect(rect(), Qt::black);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(OnWidget(shown_.Rect, shown_.ModeWidth, shown_.ModeHeight), shown_.Image);
}

void TVideoSurfaceWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  width_ = event->size().width();
  height_ = event->size().height();
  pixelRatio_ = devicePixelRatioF();
  std::lock_guard lock(listenerMutex_);
  if (listener_) listener_->SurfaceResized(event->size().width(), event->size().height());
}

void TVideoSurfaceWidget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  pixelRatio_ = devicePixelRatioF();
  std::lock_guard lock(listenerMutex_);
  if (listener_) listener_->SurfaceExposed();
}

}  // namespace qarvo
