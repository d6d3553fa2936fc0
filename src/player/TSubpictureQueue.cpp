#include "player/TSubpictureQueue.h"

namespace qarvo {

void TSubpictureQueue::Pop() {
  if (Size == 0) return;
  TSubPicture& sub = Pictures[ReadIndex];
  if (sub.Valid) api().avsubtitle_free(&sub.Sub);
  sub.Valid = false;
  ReadIndex = (ReadIndex + 1) % kSize;
  --Size;
  Changed.notify_all();
}

void TSubpictureQueue::Release() {
  while (Size > 0) Pop();
  for (TSubPicture& sub : Pictures) {
    if (sub.Valid) api().avsubtitle_free(&sub.Sub);
    sub.Valid = false;
  }
  ReadIndex = WriteIndex = 0;
}

}  // namespace qarvo
