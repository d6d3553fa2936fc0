// The splash window: its built-in picture or one of the two optional picture files, centred
// without a frame, closed by its timer once the main window is showing.
#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <string>

namespace qarvo {

class TfrmCover : public QWidget {
  Q_OBJECT

 public:
  // `folder` is where "skin/" lies (the executable folder, with its trailing separator).
  explicit TfrmCover(const std::string& folder);

  void WatchMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }
  const QPixmap& Picture() const { return picture_; }
  bool HasBuiltInPicture() const { return builtIn_; }
  static constexpr int kCheckInterval = 1000;  // ms

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void tmrCloseTimer();

  QPixmap picture_;
  bool builtIn_ = true;
  QWidget* mainWindow_ = nullptr;
  QTimer* closeTimer_ = nullptr;
};

}  // namespace qarvo
