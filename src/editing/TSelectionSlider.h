// The editing dialogs' position bar: a slider that also shows a selected span (the kept
// range of the trim dialog) and tells when the user, not the playback, asks for a position.
#pragma once

#include <QSlider>

namespace qarvo {

class TSelectionSlider : public QSlider {
  Q_OBJECT

 public:
  explicit TSelectionSlider(QWidget* parent = nullptr);

  // Bar values; an empty selection (start == end) shows nothing.
  void SetSelection(int start, int end);
  void ClearSelection() { SetSelection(0, 0); }
  int SelStart() const { return selStart_; }
  int SelEnd() const { return selEnd_; }
  // Moves the handle for the playback: no SeekRequested.
  void ShowPosition(int value);

 signals:
  // Released after a drag, or clicked beside the handle, or moved by a key.
  void SeekRequested(int value);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int selStart_ = 0;
  int selEnd_ = 0;
};

}  // namespace qarvo
