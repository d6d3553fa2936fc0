#include "app/TfrmCover.h"

#include <QFileInfo>
#include <QPainter>
#include <QScreen>

#include "app/ProgramIcon.h"

namespace qarvo {

TfrmCover::TfrmCover(const std::string& folder)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("frmCover"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  picture_ = BuiltInCoverPicture();
  // The second file, when present, wins.
  for (const char* name : {"skin/3gpvideocover.jpg", "skin/videocover.jpg"}) {
    const QString path = QString::fromStdString(folder) + QString::fromLatin1(name);
    QPixmap loaded;
    if (QFileInfo::exists(path) && loaded.load(path)) {
      picture_ = loaded;
      builtIn_ = false;
    }
  }
  closeTimer_ = new QTimer(this);
  closeTimer_->setObjectName(QStringLiteral("tmrClose"));
  closeTimer_->setInterval(kCheckInterval);
  connect(closeTimer_, &QTimer::timeout, this, &TfrmCover::tmrCloseTimer);
}

void TfrmCover::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  setFixedSize(picture_.size());
  if (const QScreen* screen = this->screen()) {
    QRect frame(QPoint(), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  closeTimer_->start();
}

void TfrmCover::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, picture_);
}

void TfrmCover::tmrCloseTimer() {
  if (mainWindow_ && mainWindow_->isVisible()) {
    closeTimer_->stop();
    close();
  }
}

}  // namespace qarvo
