// The libraries' interrupt check for reading a source: a container open, a stream analysis or
// a read in progress gives up at its next step once the owner's stop flag (or a second one,
// e.g. a component's) is set or the process was asked to end. The check must outlive the
// container it is given to.
#pragma once

#include <atomic>
#include <string>

#include "media/LibraryObjects.h"

namespace qarvo {

// What a read given up that way reports, after the file's name.
inline constexpr const char* kStoppedText = "stopped";

struct TInterruptCheck {
  const std::atomic<bool>* Stop = nullptr;
  const std::atomic<bool>* OtherStop = nullptr;
  // Off for an owner that turns the process's end into its own stop (a conversion task,
  // whose front end stops the run properly, keeping what was converted).
  bool WithProcessEnd = true;

  bool Requested() const;
  AVIOInterruptCB Callback() const;
  static int Check(void* opaque);
};

// Whether a context's (or a request's) interrupt check reports a stop now.
bool Interrupted(const AVIOInterruptCB& callback);
// "<file>: stopped".
std::string StoppedMessage(const std::string& fileName);

}  // namespace qarvo
