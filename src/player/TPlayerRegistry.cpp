#include "player/TPlayerRegistry.h"

#include <mutex>

namespace qarvo {

namespace {

std::mutex registryMutex;  // guards current
TCustomPlayer* current = nullptr;

}  // namespace

TCustomPlayer* TPlayerRegistry::Current() {
  std::lock_guard lock(registryMutex);
  return current;
}

void TPlayerRegistry::SetCurrent(TCustomPlayer* player) {
  std::lock_guard lock(registryMutex);
  current = player;
}

void TPlayerRegistry::Release(TCustomPlayer* player) {
  std::lock_guard lock(registryMutex);
  if (current == player) current = nullptr;
}

}  // namespace qarvo
