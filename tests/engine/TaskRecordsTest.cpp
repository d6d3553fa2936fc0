// Values of the application's records as the option handlers read them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "engine/TTaskRecords.h"

namespace qarvo {
namespace {

class ZoneGuard {
 public:
  explicit ZoneGuard(const char* zone) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ZoneGuard() {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  bool had_ = false;
  std::string old_;
};

TEST(TaskRecordsTest, DurationsBecomeSecondsText) {
  EXPECT_EQ(DurationText(0), "0.000000");
  EXPECT_EQ(DurationText(1500000), "1.500000");
  EXPECT_EQ(DurationText(-1500000), "-1.500000");
  EXPECT_EQ(DurationText(3723000001), "3723.000001");
}

TEST(TaskRecordsTest, RecordDatesUseTheStandardTimeOffsetOnly) {
  {
    ZoneGuard zone("UTC0");
    // 1 January 1970, noon.
    EXPECT_EQ(RecordDateToUnixSeconds(25569.5), 43200);
  }
  {
    // Five hours west in winter and in summer alike: no daylight correction.
    ZoneGuard zone("EST5EDT");
    EXPECT_EQ(RecordDateToUnixSeconds(25569.5), 43200 + 5 * 3600);
    const double midsummer = 25569.0 + 181.5;  // 1 July 1970, local noon
    EXPECT_EQ(RecordDateToUnixSeconds(midsummer), (181 * 86400 + 43200) + 5 * 3600);
  }
}

}  // namespace
}  // namespace qarvo
