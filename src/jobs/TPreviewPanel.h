// The main window's preview: the drawing surface `pan1`, the Play, Pause, Stop and Snapshot
// buttons, the position bar, the two time labels, the volume bar and the Mute box, driving
// the window's player.
//
// The rules of the two flags are TPreviewState's; this class carries them out on the player
// and the controls. What belongs to the window (its job list, the Add command, the log, the
// message boxes, the file browser) is reached through THost.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "player/PlayerTypes.h"
#include "core/GlobalObject.h"
#include "core/PreviewState.h"

class QCheckBox;
class QLabel;
class QSlider;
class QToolButton;

namespace qarvo {

class TMediaPlayer;
class TPositionSlider;
class TVideoSurfaceWidget;

class TPreviewPanel : public QWidget {
  Q_OBJECT

 public:
  struct THost {
    // Whether the job list has rows.
    std::function<bool()> ListEmpty;
    // The source of the row that has the focus, focusing row 0 when none has; empty when the
    // list has no rows.
    std::function<std::string()> FocusedSource;
    // The source of the selected row, empty when none is selected; changes nothing.
    std::function<std::string()> SelectedSource;
    // Runs Add; the window calls AddFinished afterwards.
    std::function<void()> AddFiles;
    // Appends a line to the window's hidden log.
    std::function<void(const QString&)> Log;
    // A message box captioned "Warning".
    std::function<void(const QString&)> Warning;
    // Shows a folder in the file browser.
    std::function<void(const QString&)> OpenFolder;
    // Where the media libraries are loaded from when they are not yet.
    std::string LibraryFolder;
  };

  // The player outlives the panel, or Teardown ran and the player was destroyed (which waits
  // for its threads) before the panel goes.
  TPreviewPanel(TMediaPlayer& player, const TGlobalObject& global, QWidget* parent = nullptr);
  ~TPreviewPanel() override;

  void SetHost(THost host) { host_ = std::move(host); }
  // The start-up state: Play alone enabled, the volume and mute from the settings.
  void Prepare();

  void Play();
  void Pause();
  void Stop();
  void Snapshot();
  // Add has finished: plays the focused row when Play asked for files.
  void AddFinished();
  // The window closes: no event reaches the panel any more; the player stops, not waiting.
  // After it the panel leaves the player alone.
  void Teardown();

  const TPreviewState& State() const { return state_; }
  TVideoSurfaceWidget& Surface() const { return *surface_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void CreateControls();
  void AttachPlayer();
  void DetachPlayer();
  void UpdateButtons();
  void UpdateIcons();
  void ResetPosition();
  bool LoadLibraries();
  void OpenFocused();

  void PlayerFileOpen(int64_t duration, int frameWidth, int frameHeight, int& screenWidth,
                      int& screenHeight);
  void PlayerPosition(int64_t pts);
  void PlayerState(TPlayState state);
  void EndOfFile();
  void trcPreviewSeek(int value);
  void trcVolumeChange(int value);
  void trcVolumeStore();
  void ckMuteClick(bool checked);

  TMediaPlayer& player_;
  const TGlobalObject& global_;
  THost host_;
  TPreviewState state_;
  bool tornDown_ = false;

  TVideoSurfaceWidget* surface_ = nullptr;
  QToolButton* playButton_ = nullptr;
  QToolButton* pauseButton_ = nullptr;
  QToolButton* stopButton_ = nullptr;
  QToolButton* snapshotButton_ = nullptr;
  TPositionSlider* positionSlider_ = nullptr;
  QLabel* lengthLabel_ = nullptr;
  QLabel* positionLabel_ = nullptr;
  QLabel* lblVolume = nullptr;  // the speaker before the volume bar
  QSlider* volumeSlider_ = nullptr;
  QCheckBox* muteCheck_ = nullptr;
};

}  // namespace qarvo
