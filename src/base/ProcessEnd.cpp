#include "base/ProcessEnd.h"

namespace qarvo {

static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from signal handlers");

std::atomic<bool>& ProcessEndFlag() noexcept {
  static std::atomic<bool> requested{false};
  return requested;
}

}  // namespace qarvo
