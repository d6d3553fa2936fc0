// The player component the application places on its forms: the published properties over
// TCustomPlayer.
//
// AudioDriver and VideoDriver pick SDL's driver at the next Open (see AudioDriverName and
// VideoDriverName for the Linux driver of each value); the defaults leave the environment's
// SDL_AUDIODRIVER / SDL_VIDEODRIVER as they are.
#pragma once

#include "player/TCustomPlayer.h"

namespace qarvo {

class TMediaPlayer : public TCustomPlayer {
 public:
  explicit TMediaPlayer(void* owner = nullptr) : TCustomPlayer(owner) {}
  ~TMediaPlayer() override { StopBeforeDestruction(); }

  // > 0 forced display aspect, 0 the video's own, < 0 fill the surface; the engine reopens
  // its surface and redraws when it changes during playback.
  float AspectRatio() const { return controls_.AspectRatio; }
  void SetAspectRatio(float value);

  TAudioDriver AudioDriver() const { return audioDriver_; }
  void SetAudioDriver(TAudioDriver value) { audioDriver_ = value; }
  TVideoDriver VideoDriver() const { return videoDriver_; }
  void SetVideoDriver(TVideoDriver value) { videoDriver_ = value; }

  // 0..128, 128 = unchanged; applies from the next sound buffer on. Out-of-range values are
  // limited to the range.
  TAudioVolume AudioVolume() const { return controls_.AudioVolume; }
  void SetAudioVolume(TAudioVolume value);
  bool Mute() const { return controls_.Mute; }
  void SetMute(bool value) { controls_.Mute = value; }

  // Read at Open.
  bool DisableAudio() const { return controls_.DisableAudio; }
  void SetDisableAudio(bool value) { controls_.DisableAudio = value; }
  bool DisableVideo() const { return controls_.DisableVideo; }
  void SetDisableVideo(bool value) { controls_.DisableVideo = value; }
  // No drawing at all; also sets DisableVideo at Open.
  bool DisableDisplay() const { return controls_.DisableDisplay; }
  void SetDisableDisplay(bool value) { controls_.DisableDisplay = value; }
  // Frame size handed to the demuxer at Open; 0 = from the file.
  int FrameWidth() const { return controls_.FrameWidth; }
  void SetFrameWidth(int value) { controls_.FrameWidth = value; }
  int FrameHeight() const { return controls_.FrameHeight; }
  void SetFrameHeight(int value) { controls_.FrameHeight = value; }

  // OnHook for every picture while on.
  bool Hook() const { return controls_.Hook; }
  void SetHook(bool value) { controls_.Hook = value; }

  // Drawing size; 0 = the video's. Taken from the surface after OnFileOpen when still 0, and
  // updated when the surface is resized.
  int ScreenWidth() const { return controls_.ScreenWidth; }
  void SetScreenWidth(int value) { controls_.ScreenWidth = value; }
  int ScreenHeight() const { return controls_.ScreenHeight; }
  void SetScreenHeight(int value) { controls_.ScreenHeight = value; }

  // OnFileOpen, OnPosition and OnState run on the main thread (through the hand-over).
  bool TriggerEventInMainThread() const { return triggerEventInMainThread_; }
  void SetTriggerEventInMainThread(bool value) { triggerEventInMainThread_ = value; }
};

}  // namespace qarvo
