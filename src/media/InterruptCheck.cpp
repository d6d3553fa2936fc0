#include "media/InterruptCheck.h"

#include "base/ProcessEnd.h"

namespace qarvo {

bool TInterruptCheck::Requested() const {
  return (Stop && Stop->load()) || (OtherStop && OtherStop->load()) ||
         (WithProcessEnd && ProcessEndRequested());
}

AVIOInterruptCB TInterruptCheck::Callback() const {
  // The library's callback takes a mutable pointer but only passes it back to Check.
  return {&TInterruptCheck::Check, const_cast<TInterruptCheck*>(this)};  // NOLINT
}

int TInterruptCheck::Check(void* opaque) {
  return static_cast<const TInterruptCheck*>(opaque)->Requested() ? 1 : 0;
}

bool Interrupted(const AVIOInterruptCB& callback) {
  return callback.callback && callback.callback(callback.opaque) != 0;
}

std::string StoppedMessage(const std::string& fileName) { return fileName + ": " + kStoppedText; }

}  // namespace qarvo
