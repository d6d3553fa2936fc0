#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/task/TPauseGate.h"

namespace qarvo {

TEST(PauseGate, HoldsAWaiterUntilOpened) {
  TPauseGate gate;
  EXPECT_FALSE(gate.Wait());  // open gate: no wait
  gate.Close();
  std::atomic<bool> passed{false};
  std::thread worker([&] {
    gate.Wait();
    passed = true;
  });
  // Held means not passing for a while: the time the gate holds is what is tested.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(passed.load());
  gate.Open();
  worker.join();
  EXPECT_TRUE(passed.load());
}

}  // namespace qarvo
