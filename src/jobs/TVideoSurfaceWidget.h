// A widget the player draws on: any window that hosts a player gives it this widget as the
// drawing surface (the main window's preview, the editing dialogs' previews).
//
// Pictures arrive on the player's play thread. Each is converted there, straight to the size
// it is shown at, into an image of its own; the newest one waits under a mutex until the GUI
// thread takes it over for painting. The player never waits for the GUI: while a repaint is
// pending a newer picture simply replaces the one waiting. An image is never shared between
// the threads: the GUI owns (and frees) what it took, the player only what nobody took.
#pragma once

#include <QImage>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "media/LibraryObjects.h"
#include "player/TVideoSurface.h"

namespace qarvo {

class TVideoSurfaceWidget : public QWidget, public TVideoSurface {
  Q_OBJECT

 public:
  explicit TVideoSurfaceWidget(QWidget* parent = nullptr);
  // The player must have let go of the surface (stopped, waiting) before it goes.
  ~TVideoSurfaceWidget() override;

  // ---- TVideoSurface: any thread ------------------------------------------------------------
  void ClientSize(int& width, int& height) const override;
  bool SetMode(int width, int height) override;
  void Show(const TYuvPicture& picture, const TDisplayRect& rect) override;
  void Redraw() override;
  void SetListener(TVideoSurfaceListener* listener) override;

  // ---- GUI thread ---------------------------------------------------------------------------
  // Forgets the picture: the panel shows its empty background again.
  void Clear();
  bool HasPicture();
  // The newest picture as converted (its shown size) and where it goes on the widget.
  QImage Picture();
  QRect PictureRect();
  // Pictures converted since the widget was made (the play thread counts them).
  uint64_t PicturesShown() const { return picturesShown_.load(); }

 signals:
  // A new picture is about to be painted (GUI thread).
  void PictureArrived();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // `rect` (player's mode coordinates) on the widget as it is now.
  QRect OnWidget(const TDisplayRect& rect, int modeWidth, int modeHeight) const;
  QImage Convert(const TYuvPicture& picture, int width, int height);
  void PostRepaint(bool arrived);

  // What a picture is painted with: the image and its place in the player's mode.
  struct TFrame {
    QImage Image;
    TDisplayRect Rect;
    int ModeWidth = 0;
    int ModeHeight = 0;
  };
  // Moves a waiting picture to shown_ (GUI thread).
  void TakePending();

  // Guarded by mutex_: the picture waiting to be painted and the player's mode.
  std::mutex mutex_;
  TFrame pending_;
  int modeWidth_ = 0;
  int modeHeight_ = 0;
  // GUI thread only: the picture on screen.
  TFrame shown_;

  // Written on the GUI thread, read by the player.
  std::atomic<int> width_{0};
  std::atomic<int> height_{0};
  std::atomic<double> pixelRatio_{1.0};

  // Held while the listener is called, so that once SetListener(nullptr) returns no call is
  // left running.
  std::mutex listenerMutex_;
  TVideoSurfaceListener* listener_ = nullptr;

  std::atomic<bool> repaintPosted_{false};
  std::atomic<bool> pictureArrived_{false};
  std::atomic<uint64_t> picturesShown_{0};

  // Play thread only.
  TSwsContextPtr scaler_;
  SwsContext* configured_ = nullptr;  // the context the colour matrix was set on
  bool configuredBt709_ = false;
};

}  // namespace qarvo
