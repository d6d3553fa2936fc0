// The SDL subsystems one playback needs, started at Open and ended at close in balanced
// pairs, so a process that also uses SDL elsewhere keeps its own subsystems.
//
// Timer always; sound unless audio is disabled (a machine without a sound device still plays
// pictures: the failure is logged and the sound left out); video only when the player draws
// into a window of its own. Main thread only.
#pragma once

#include <memory>
#include <string>

#include "media/SdlObjects.h"

namespace qarvo {

class TSdlSession {
 public:
  TSdlSession() = default;
  ~TSdlSession() { End(); }
  TSdlSession(const TSdlSession&) = delete;
  TSdlSession& operator=(const TSdlSession&) = delete;

  // False with error set to SDL's text when a subsystem the playback cannot do without fails.
  bool Start(bool audio, bool video, std::string& error);
  void End();
  bool Started() const { return timer_ != nullptr; }
  bool HasAudio() const { return audio_ != nullptr; }
  bool HasVideo() const { return video_ != nullptr; }

 private:
  std::unique_ptr<TSdlSubsystem> timer_;
  std::unique_ptr<TSdlSubsystem> video_;
  std::unique_ptr<TSdlSubsystem> audio_;
};

}  // namespace qarvo
