#include "player/TSubpictureQueue.h"

namespace qarvo {

void TSubpictureQueue::Pop() {
  if (Size == 0) return;
  TSubPicture& sub = Pictures[ReadIndex];
  sub.Sub.Reset();
  sub.Valid = false;
  ReadIndex = (ReadIndex + 1) % kSize;
  --Size;
  Changed.notify_all();
}

void TSubpictureQueue::Release() {
  while (Size > 0) Pop();
  for (TSubPicture& sub : Pictures) {
    sub.Sub.Reset();
    sub.Valid = false;
  }
  ReadIndex = WriteIndex = 0;
}

}  // namespace qarvo
