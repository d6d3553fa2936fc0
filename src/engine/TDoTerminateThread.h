// Delivers one termination event on a thread of its own, so the thread that ended a task
// goes on (and starts the next task) while the application handles the event.
#pragma once

#include <functional>

#include "base/EngineRecords.h"
#include "engine/TConvertThread.h"

namespace qarvo {

class TDoTerminateThread : public TConvertThread {
 public:
  explicit TDoTerminateThread(std::function<void()> body)
      : TConvertThread(std::move(body), TThreadPriority::tpNormal) {}
};

}  // namespace qarvo
