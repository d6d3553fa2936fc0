// The editing dialogs' preview of their job's source: the player, its drawing surface, the
// play and pause buttons and the position bar, run by the preview's state rules
// (TPreviewState). The dialog places the controls, keeps its own labels and texts, hears of
// the opening, the positions and the end, and may change every picture in its hook.
//
// Threads: everything is called on the main thread except the hook, which runs on the
// player's video thread holding HookLock(); what the hook reads is changed under that lock.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "player/PlayerTypes.h"
#include "core/PreviewState.h"
#include "core/TlvFilesRecord.h"

class QToolButton;
class QWidget;

namespace qarvo {

class TBitmap;
class TMediaPlayer;
class TSelectionSlider;
class TVideoSurfaceWidget;

class TDialogPlayer : public QObject {
  Q_OBJECT

 public:
  struct TEvents {
    // During the opening: the source's length and picture size (0 x 0 without video).
    std::function<void(int64_t duration, int frameWidth, int frameHeight)> FileOpened;
    // A position report while the source plays or is paused.
    std::function<void(int64_t pts)> Position;
    // The end of the source: the player waits paused at its start.
    std::function<void()> Ended;
    // Video thread, with HookLock() held, while a source is open: changes the picture.
    std::function<void(TBitmap& bitmap, const TlvFilesRecord& record)> Hook;
  };

  // The controls are made as children of `dialog`; the surface is named `surfaceName`. Loads
  // the media libraries from `libraryFolder` when they are not yet.
  TDialogPlayer(QWidget* dialog, std::string libraryFolder, const char* surfaceName);
  // Closes first: the surface and what the hook reads may go after it.
  ~TDialogPlayer() override;

  // Set once, before the first opening.
  void SetEvents(TEvents events) { events_ = std::move(events); }

  TVideoSurfaceWidget* Surface() const { return surface_; }
  QToolButton* PlayButton() const { return playButton_; }
  QToolButton* PauseButton() const { return pauseButton_; }
  TSelectionSlider* Bar() const { return bar_; }
  TMediaPlayer& Player() { return *player_; }

  // Plays the record's source from its start (null: no job, nothing opens). The record must
  // stay until Close. False when the source cannot be played: Play and Pause stay disabled.
  bool Open(TlvFilesRecord* record);
  // Stops the playback, waiting, and lets go of the record: no hook runs once it returns.
  void Close();
  // Resumes a paused source, or plays it again from the start after its end.
  void Play();
  void Pause();

  // The source of this opening could be played.
  bool Opened() const { return opened_; }
  // Played to its end and not played again since.
  bool Ended() const { return opened_ && state_.Stopped(); }
  const TPreviewState& State() const { return state_; }
  int64_t Duration() const { return state_.Duration(); }
  std::unique_lock<std::mutex> HookLock() { return std::unique_lock(hookMutex_); }

 private:
  void CreateControls(QWidget* dialog, const char* surfaceName);
  void UpdateButtons();
  bool OpenSource();
  void PlayerFileOpen(int64_t duration, int frameWidth, int frameHeight, int& screenWidth,
                      int& screenHeight);
  void PlayerPosition(int64_t pts);
  void PlayerState(TPlayState state);
  void EndOfFile();
  void PlayerHook(TBitmap& bitmap);
  void BarSeek(int value);

  std::string libraryFolder_;
  std::unique_ptr<TMediaPlayer> player_;
  TEvents events_;
  TPreviewState state_;
  std::string source_;
  bool opened_ = false;
  bool playable_ = false;   // false once an opening again has failed
  bool reopening_ = false;  // the dialog heard of the first opening only

  std::mutex hookMutex_;  // guards record_ and whatever the dialog's hook reads
  TlvFilesRecord* record_ = nullptr;

  TVideoSurfaceWidget* surface_ = nullptr;
  QToolButton* playButton_ = nullptr;
  QToolButton* pauseButton_ = nullptr;
  TSelectionSlider* bar_ = nullptr;
};

}  // namespace qarvo
