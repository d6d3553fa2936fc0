#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "base/TBitmap.h"

namespace qarvo {
namespace {

TEST(Bitmap, RowsArePaddedToFourBytesAndResizeClears) {
  TBitmap bitmap(5, 3);
  EXPECT_EQ(bitmap.Stride(), 16);
  EXPECT_EQ(bitmap.SizeInBytes(), 48u);
  bitmap.ScanLine(2)[14] = 7;
  bitmap.SetSize(5, 3);  // same size keeps the pixels
  EXPECT_EQ(bitmap.ScanLine(2)[14], 7);
  bitmap.SetSize(4, 3);
  EXPECT_EQ(bitmap.Stride(), 12);
  EXPECT_EQ(bitmap.ScanLine(2)[11], 0);
}

TEST(Bitmap, NegativeSizesGiveAnEmptyBitmap) {
  TBitmap bitmap(-4, 2);
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(bitmap.SizeInBytes(), 0u);
  bitmap.SetSize(3, -1);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_EQ(bitmap.SizeInBytes(), 0u);
}

// The drawing thread may take the canvas again inside a handler; another thread waits.
TEST(Bitmap, CanvasLockIsReentrantAndExcludesOtherThreads) {
  TBitmap bitmap(2, 2);
  std::atomic<bool> otherGotIt{false};
  std::thread other;
  {
    TCanvasLock outer(bitmap);
    { TCanvasLock inner(bitmap); }
    other = std::thread([&] {
      TCanvasLock lock(bitmap);
      otherGotIt = true;
    });
    std::this_thread::yield();
    EXPECT_FALSE(otherGotIt);
  }
  other.join();
  EXPECT_TRUE(otherGotIt);
}

}  // namespace
}  // namespace qarvo
