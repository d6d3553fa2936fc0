// The video rate a target size leaves, the hit rule and the correction of a missed attempt.
#include <gtest/gtest.h>

#include "base/TargetRate.h"

namespace qarvo {
namespace {

TEST(TargetRateTest, ContainerKindsByMuxerName) {
  const struct {
    const char* Muxer;
    TContainerKind Kind;
  } rows[] = {{"mp4", TContainerKind::IsoMedia},
              {"3gp", TContainerKind::IsoMedia},
              {"mov", TContainerKind::IsoMedia},
              {"webm", TContainerKind::Matroska},
              {"matroska", TContainerKind::Matroska},
              {"avi", TContainerKind::Avi},
              {"mpegts", TContainerKind::MpegTs},
              {"vob", TContainerKind::MpegPs},
              {"flv", TContainerKind::Flv},
              {"asf", TContainerKind::Other},
              {"", TContainerKind::Other}};
  for (const auto& row : rows) EXPECT_EQ(ContainerKindOf(row.Muxer), row.Kind) << row.Muxer;
}

// Each row: what the target must hold, and the video rate that leaves (bit/s, within 0.1 %).
TEST(TargetRateTest, VideoRateLeftByTheSoundAndTheContainer) {
  const struct {
    const char* Name;
    TTargetBudget Budget;
    int64_t Rate;
  } rows[] = {
      // 24,375,000 aimed; 4,084 packets of 12 bytes and 3,000 fixed; 960,000 of sound.
      {"25 MB, a minute of MP4 with AAC",
       {25000000, 60000000, 128000, 44100.0 / 1024, 25.0, 0, TContainerKind::IsoMedia},
       3115065},
      // Without sound the video takes all but the container's share.
      {"8 MB, 10 s of silent MP4",
       {8000000, 10000000, 0, 0.0, 30.0, 0, TContainerKind::IsoMedia},
       6234720},
      // Matroska: 4,000 fixed, 13 per packet, 30 per second.
      {"10 MB, 30 s of WebM with Opus",
       {10000000, 30000000, 96000, 50.0, 30.0, 0, TContainerKind::Matroska},
       2494373},
      // Transport streams pay 4 bytes in 188 of everything and 3,760 per second of tables.
      {"50 MB, 5 min of MPEG-TS",
       {50000000, 300000000, 192000, 44100.0 / 1152, 25.0, 0, TContainerKind::MpegTs},
       996345},
      // A format's ceiling wins over what the size would allow.
      {"100 MB, 10 s for a device that takes 5 Mbit/s",
       {100000000, 10000000, 128000, 43.0, 25.0, 5000000, TContainerKind::IsoMedia},
       5000000},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    const TTargetRate rate = VideoRateForTarget(row.Budget);
    ASSERT_TRUE(rate.Fits);
    EXPECT_NEAR(static_cast<double>(rate.VideoBitRate), static_cast<double>(row.Rate),
                static_cast<double>(row.Rate) * 0.001);
    EXPECT_LT(rate.SmallestBytes, row.Budget.TargetBytes);
    // Video, sound and container add up to the aim when nothing caps the rate.
    if (row.Budget.VideoMaxRate == 0) {
      const double seconds = static_cast<double>(row.Budget.DurationUs) / 1e6;
      const double sum = static_cast<double>(rate.VideoBitRate) * seconds / 8 +
                         static_cast<double>(rate.AudioBytes + rate.OverheadBytes);
      EXPECT_NEAR(sum, static_cast<double>(row.Budget.TargetBytes) * kTargetAim,
                  static_cast<double>(row.Budget.TargetBytes) * 0.001);
    }
  }
}

TEST(TargetRateTest, TargetsThatCannotHoldTheJob) {
  // Ten minutes of 128 kbit/s sound alone are 9.6 MB.
  const TTargetBudget tenMinutes{
      1000000, 600000000, 128000, 43.0, 25.0, 0, TContainerKind::IsoMedia};
  const TTargetRate rate = VideoRateForTarget(tenMinutes);
  EXPECT_FALSE(rate.Fits);
  EXPECT_EQ(rate.VideoBitRate, 0);
  // Sound, the least video rate and the container: about 12.5 MB.
  EXPECT_GT(rate.SmallestBytes, 12000000);
  EXPECT_LT(rate.SmallestBytes, 13500000);
  // That smallest size does fit.
  TTargetBudget enough = tenMinutes;
  enough.TargetBytes = rate.SmallestBytes;
  EXPECT_TRUE(VideoRateForTarget(enough).Fits);
  // A length or a target of nothing fits nothing.
  EXPECT_FALSE(VideoRateForTarget({1000000, 0, 0, 0, 25, 0, TContainerKind::IsoMedia}).Fits);
  EXPECT_FALSE(VideoRateForTarget({0, 1000000, 0, 0, 25, 0, TContainerKind::IsoMedia}).Fits);
}

TEST(TargetRateTest, HitMeansAtMostTheTargetAndAtMostFivePerCentUnder) {
  EXPECT_TRUE(HitsTarget(1000000, 1000000));
  EXPECT_FALSE(HitsTarget(1000000, 1000001));
  EXPECT_TRUE(HitsTarget(1000000, 950000));
  EXPECT_FALSE(HitsTarget(1000000, 949999));
  EXPECT_FALSE(HitsTarget(1000000, 0));
}

TEST(TargetRateTest, CorrectionMovesTheVideoToTheAim) {
  // 1.1 MB written for 1 MB, 1 MB of it video: the video must lose 125,000 bytes of 1,000,000.
  EXPECT_EQ(CorrectedVideoRate(800000, 1000000, 1100000, 1000000), 700000);
  // Under the target the rate rises.
  EXPECT_EQ(CorrectedVideoRate(800000, 1000000, 900000, 800000), 875000);
  // When the sound and container alone pass the aim, the least rate is what is left.
  EXPECT_EQ(CorrectedVideoRate(800000, 1000000, 1500000, 100000), kMinVideoBitRate);
  EXPECT_EQ(CorrectedVideoRate(800000, 1000000, 1000000, 0), kMinVideoBitRate);
}

TEST(TargetRateTest, MegabytesAsUsersCountThem) {
  EXPECT_EQ(MegabyteText(25000000), "25.0 MB");
  EXPECT_EQ(MegabyteText(7500000), "7.50 MB");
  EXPECT_EQ(MegabyteText(123456), "0.12 MB");
}

}  // namespace
}  // namespace qarvo
