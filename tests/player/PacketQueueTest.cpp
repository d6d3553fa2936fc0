#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "player/TNotificationRing.h"
#include "player/TPacketQueue.h"

#include "support/TestMediaError.h"

namespace qarvo {
namespace {

using namespace std::chrono_literals;

class PacketQueueTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }

  static TPacketPtr Packet(int size) {
    TPacketPtr packet = MakePacket();
    EXPECT_EQ(api().av_new_packet(packet.get(), size), 0);
    packet->data[0] = static_cast<uint8_t>(size);
    return packet;
  }
};

TEST_F(PacketQueueTest, CountsBytesKeepsOrderAndMarksFlushAndEnd) {
  TPacketQueue queue;
  queue.Start();
  TPacketPtr a = Packet(100), b = Packet(7);
  EXPECT_TRUE(queue.Put(*a));
  EXPECT_EQ(a->data, nullptr);  // taken over, not copied twice
  EXPECT_TRUE(queue.Put(*b));
  EXPECT_TRUE(queue.PutEnd());
  EXPECT_EQ(queue.Count(), 4);
  EXPECT_EQ(queue.Size(), 107 + 4 * TPacketQueue::kNodeOverhead);

  TQueuedPacket out;
  ASSERT_EQ(queue.Get(out, false), 1);
  EXPECT_EQ(out.Kind, TQueuedKind::Flush);
  ASSERT_EQ(queue.Get(out, false), 1);
  ASSERT_EQ(out.Kind, TQueuedKind::Data);
  EXPECT_EQ(out.Packet->size, 100);
  EXPECT_EQ(out.Packet->data[0], 100);
  ASSERT_EQ(queue.Get(out, false), 1);
  EXPECT_EQ(out.Packet->size, 7);
  ASSERT_EQ(queue.Get(out, false), 1);
  EXPECT_EQ(out.Kind, TQueuedKind::End);
  EXPECT_EQ(queue.Get(out, false), 0);
  EXPECT_EQ(queue.Size(), 0);
}

TEST_F(PacketQueueTest, FlushEmptiesAndAbortWakesABlockedReader) {
  TPacketQueue queue;
  queue.Start();
  TPacketPtr a = Packet(10);
  queue.Put(*a);
  queue.Flush();
  EXPECT_EQ(queue.Count(), 0);
  EXPECT_EQ(queue.Size(), 0);

  std::atomic<int> result{2};
  std::thread reader([&] {
    TQueuedPacket out;
    result = queue.Get(out, true);
  });
  // Blocked means no result for a while: the time the reader waits is what is tested.
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(result, 2);  // still waiting on the empty queue
  queue.Abort();
  reader.join();
  EXPECT_EQ(result, -1);
  TPacketPtr late = Packet(5);
  EXPECT_FALSE(queue.Put(*late));
  queue.Start();  // a reopened stream takes packets again
  EXPECT_TRUE(queue.Put(*late));
}

TEST(NotificationRingTest, NewestPositionWinsStatesAreKeptAndTheOldestGivesWay) {
  TNotificationRing ring;
  TNotification out;
  ring.Push({TNotificationKind::nkPosition, TPlayState::psPlay, 10});
  ring.Push({TNotificationKind::nkPosition, TPlayState::psPlay, 20});
  ring.Push({TNotificationKind::nkState, TPlayState::psEnd, 0});
  ring.Push({TNotificationKind::nkState, TPlayState::psStop, 0});
  ASSERT_EQ(ring.Count(), 3);
  ASSERT_TRUE(ring.Pop(out, 0ms));
  EXPECT_EQ(out.Position, 20);
  ASSERT_TRUE(ring.Pop(out, 0ms));
  EXPECT_EQ(out.State, TPlayState::psEnd);
  ASSERT_TRUE(ring.Pop(out, 0ms));
  EXPECT_EQ(out.State, TPlayState::psStop);
  EXPECT_FALSE(ring.Pop(out, 10ms));

  for (int i = 0; i < 12; ++i) {
    ring.Push({TNotificationKind::nkState, TPlayState::psPlay, i});
  }
  EXPECT_EQ(ring.Count(), TNotificationRing::kSlots);
  ASSERT_TRUE(ring.Pop(out, 0ms));
  EXPECT_EQ(out.Position, 2);  // the two oldest were dropped
}

}  // namespace
}  // namespace qarvo
