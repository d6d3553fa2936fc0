#include <gtest/gtest.h>

#include "jobs/NewsRows.h"
#include "jobs/PreviewFit.h"
#include "jobs/RunEstimate.h"

namespace qarvo {
namespace {

TEST(PreviewFit, FillsOneSideAndCentresWithHalvesRoundedToEven) {
  const struct {
    int W, H;
    TFitRect Expected;
  } cases[] = {
      {320, 240, {54, 0, 281, 210}},  // free 109: 54.5 becomes 54
      {98, 210, {146, 0, 97, 210}},   // free 291: 145.5 becomes 146
      {389, 105, {0, 52, 389, 106}},  // free 105 in height: 52.5 becomes 52
      {1600, 900, {8, 0, 373, 210}},  // 373.3 wide: 7.8 becomes 8
      {778, 420, {0, 0, 389, 210}},   // the area's own shape fills it
      {3890, 100, {0, 100, 389, 10}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FitPicture(c.W, c.H, 389, 210), c.Expected) << c.W << "x" << c.H;
  EXPECT_EQ(FitPicture(0, 240, 389, 210), TFitRect{});
}

TEST(RunEstimate, SpeedAndTimeLeftLeaveOutPausesAndUnknownLengths) {
  TRunEstimate estimate;
  estimate.Start({10000000, 20000000, 30000000}, 0);
  estimate.Progress(0, 1000000, 10000000, 25, 100000);
  EXPECT_FALSE(estimate.RealTimeFactor());  // too early to tell
  // 4 s of media in 2 s of clock: twice real time, 100 pictures in 2 s.
  estimate.Progress(0, 4000000, 10000000, 100, 2000000);
  EXPECT_DOUBLE_EQ(*estimate.RealTimeFactor(), 2.0);
  EXPECT_DOUBLE_EQ(*estimate.FramesPerSecond(), 50.0);
  EXPECT_EQ(*estimate.TaskTimeLeftUs(), 3000000);
  EXPECT_EQ(*estimate.RunTimeLeftUs(), 3000000 + 25000000);
  EXPECT_EQ(SpeedText(estimate.FramesPerSecond(), estimate.RealTimeFactor()),
            "50.0 fps, 2.0\u00d7 real time");
  EXPECT_EQ(TimeLeftText(estimate.RunTimeLeftUs()), "0:00:28");

  // Three seconds paused do not slow the figures down.
  estimate.Pause(2000000);
  estimate.Resume(5000000);
  estimate.Progress(0, 6000000, 10000000, 150, 6000000);
  EXPECT_DOUBLE_EQ(*estimate.RealTimeFactor(), 2.0);

  // The run's figures go on across its jobs: the first finished, the next has begun.
  estimate.TaskEnded(0, true, 7000000);
  estimate.Progress(1, 2000000, 20000000, 50, 8000000);
  EXPECT_DOUBLE_EQ(*estimate.RealTimeFactor(), 12.0 / 5.0);
  EXPECT_DOUBLE_EQ(*estimate.FramesPerSecond(), 200.0 / 5.0);
  EXPECT_EQ(*estimate.RunTimeLeftUs(), static_cast<int64_t>(48000000 / 2.4));

  // A job whose length is not known: speed, but no time left.
  estimate.Start({0}, 0);
  estimate.Progress(0, 2000000, -1, -1, 1000000);
  EXPECT_DOUBLE_EQ(*estimate.RealTimeFactor(), 2.0);
  EXPECT_FALSE(estimate.FramesPerSecond());
  EXPECT_FALSE(estimate.TaskTimeLeftUs());
  EXPECT_EQ(SpeedText(std::nullopt, 2.0), "2.0\u00d7 real time");
  EXPECT_EQ(TimeLeftText(std::nullopt), "");
  EXPECT_EQ(TimeLeftText(3723000001), "1:02:04");  // rounded up: never "0:00:00" too early
}

// Jobs at once report in turn: speed and time left are the run's, not reset by every report
// of another job (which left them empty before).
TEST(RunEstimate, JobsAtOnceShareTheRunsSpeed) {
  TRunEstimate estimate;
  estimate.Start({10000000, 10000000, 10000000}, 0);
  for (int step = 1; step <= 4; ++step) {
    estimate.Progress(0, step * 500000, 10000000, step * 12, step * 250000);
    estimate.Progress(1, step * 500000, 10000000, step * 12, step * 250000 + 1000);
  }
  // 2 s of media each in about 1 s: four times real time together, twice each.
  ASSERT_TRUE(estimate.RealTimeFactor());
  EXPECT_NEAR(*estimate.RealTimeFactor(), 4.0, 0.01);
  EXPECT_NEAR(*estimate.FramesPerSecond(), 96.0, 0.2);
  // Job 1 has 8 s left at half the run's speed; the run 26 s at its whole speed.
  EXPECT_NEAR(static_cast<double>(*estimate.TaskTimeLeftUs()), 4000000.0, 20000.0);
  EXPECT_NEAR(static_cast<double>(*estimate.RunTimeLeftUs()), 6500000.0, 20000.0);
}

TEST(NewsRows, LinksNeedAnAddressAndCarryTitleAndVersion) {
  EXPECT_EQ(BuiltInNewsRows().size(), 7u);
  EXPECT_EQ(NewsLink({"t", "https://q.example/a"}, "Qarvo 3GP Video Converter", "3.4"),
            "https://q.example/a?Qarvo 3GP Video Converter 3.4");
  EXPECT_EQ(NewsLink({"t", "www.q.example"}, "T", "1"), "");
}

}  // namespace
}  // namespace qarvo
