// Whether the process was asked to end (an interrupt or termination signal, or the
// application quitting): work that may wait on a slow file gives up at its next step. Setting
// it is safe inside a signal handler.
#pragma once

#include <atomic>

namespace qarvo {

std::atomic<bool>& ProcessEndFlag() noexcept;
inline void RequestProcessEnd() noexcept { ProcessEndFlag().store(true); }
inline bool ProcessEndRequested() noexcept { return ProcessEndFlag().load(); }

}  // namespace qarvo
