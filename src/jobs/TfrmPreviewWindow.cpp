#include "jobs/TfrmPreviewWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace qarvo {

TfrmPreviewWindow::TfrmPreviewWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("frmPreviewer"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::SizeAllCursor);
}

void TfrmPreviewWindow::ShowPicture(const TBitmap& bitmap, const std::string& caption) {
  if (closedByUser_ || bitmap.Width() <= 0 || bitmap.Height() <= 0) return;
  // The task reuses its bitmap: keep a copy.
  picture_ =
      QImage(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.Stride(), QImage::Format_BGR888)
          .copy();
  setWindowTitle(QString::fromStdString(caption));
  if (size() != picture_.size()) setFixedSize(picture_.size());
  if (!placed_) {
    placed_ = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
      move(screen->availableGeometry().center() - rect().center());
  }
  if (!isVisible()) show();
  update();
}

void TfrmPreviewWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  painter.drawImage(QPoint(0, 0), picture_);
}

void TfrmPreviewWindow::closeEvent(QCloseEvent* event) {
  closedByUser_ = true;
  event->accept();
}

void TfrmPreviewWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  // The window system moves it when it can; otherwise the drag is followed here.
  if (windowHandle() && windowHandle()->startSystemMove()) return;
  dragging_ = true;
  dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void TfrmPreviewWindow::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton))
    move(event->globalPosition().toPoint() - dragOffset_);
}

void TfrmPreviewWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragging_ = false;
}

void InstallPreviewWindowFactory() {
  SetPreviewWindowFactory([] { return std::make_unique<TfrmPreviewWindow>(); });
}

}  // namespace qarvo
