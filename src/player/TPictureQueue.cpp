#include "player/TPictureQueue.h"

namespace qarvo {

void TPictureQueue::Pop() {
  if (Size == 0) return;
  ReadIndex = (ReadIndex + 1) % kSize;
  --Size;
  Changed.notify_all();
}

void TPictureQueue::Release() {
  for (TVideoPicture& picture : Pictures) {
    picture.Frame.reset();
    picture.Allocated = false;
  }
  ReadIndex = WriteIndex = Size = 0;
}

}  // namespace qarvo
