// The small line under the job list while Add probes in the background: how far it got and
// a Stop button (Esc in the window does the same).
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QShortcut;

namespace qarvo {

class TAddProgressLine : public QWidget {
  Q_OBJECT

 public:
  // Esc stops while the line shows in `window`.
  TAddProgressLine(QWidget* window, QWidget* parent);

  // Shows the line with `done` of `total` files probed.
  void ShowProgress(int done, int total);
  void Finish();

 signals:
  void StopRequested();

 private:
  QLabel* label_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* stopButton_ = nullptr;
  QShortcut* escape_ = nullptr;
};

}  // namespace qarvo
