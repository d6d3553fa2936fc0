// The engine's floating conversion preview: stays on top, captioned with the picture's time,
// its client area the picture's size, moved by dragging anywhere in the picture.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

#include "engine/hook/TPreviewWindow.h"

namespace qarvo {

class TfrmPreviewWindow : public QWidget, public TPreviewWindow {
  Q_OBJECT

 public:
  explicit TfrmPreviewWindow(QWidget* parent = nullptr);

  void ShowPicture(const TBitmap& bitmap, const std::string& caption) override;
  bool ClosedByUser() const override { return closedByUser_; }
  const QImage& Picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage picture_;
  bool closedByUser_ = false;
  bool placed_ = false;
  bool dragging_ = false;
  QPoint dragOffset_;
};

// Makes every task's preview a TfrmPreviewWindow (call on the main thread).
void InstallPreviewWindowFactory();

}  // namespace qarvo
