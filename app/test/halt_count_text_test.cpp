// Tests of what the attempt count says while a halt loop runs and after it ended.
#include "halt_count_text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>

namespace {

using std::chrono::milliseconds;

// Numbers as they are: grouping them is the locale's business.
class PlainNumbers final : public NumberFormat {
 public:
  std::string Whole(std::uint64_t value) const override { return std::to_string(value); }
  std::string Tenths(std::uint64_t tenths) const override {
    return Whole(tenths / 10) + "." + std::to_string(tenths % 10);
  }
};

const std::string kDot = " \xC2\xB7 ";

TEST(HaltCountText, WhileTheLoopRunsTheAttemptsTheirPaceAndTheTimeSinceTheFirst) {
  const PlainNumbers numbers;
  EXPECT_EQ(RunningCountText({1, milliseconds(0), 0}, numbers), "1 attempt" + kDot + "0:00");
  EXPECT_EQ(RunningCountText({12345, milliseconds(41900), 18237}, numbers),
            "12345 attempts" + kDot + "18200/s" + kDot + "0:41");
  EXPECT_EQ(RunningCountText({12345, milliseconds(41900), 18237}, numbers, 3),
            "12345 attempts" + kDot + "18200/s" + kDot + "0:41" + kDot + "power cycle 3");
  EXPECT_EQ(RunningCountText({5, milliseconds(3723000), 1}, numbers),
            "5 attempts" + kDot + "1/s" + kDot + "1:02:03");
  EXPECT_EQ(RunningCountText({90000000, milliseconds(600500), 99960}, numbers),
            "90000000 attempts" + kDot + "100000/s" + kDot + "10:00");
}

// The pace keeps three significant digits from a thousand on; the seconds take two digits.
TEST(HaltCountText, ThePaceAndTheSecondsAtTheirBoundaries) {
  const PlainNumbers numbers;
  const std::pair<HaltCount, std::string> cases[] = {
      {{0, milliseconds(9999), 999}, "0 attempts" + kDot + "999/s" + kDot + "0:09"},
      {{2, milliseconds(10000), 1000}, "2 attempts" + kDot + "1000/s" + kDot + "0:10"},
      {{3, milliseconds(59999), 10005}, "3 attempts" + kDot + "10000/s" + kDot + "0:59"},
  };
  for (const auto& [count, text] : cases) EXPECT_EQ(RunningCountText(count, numbers), text);
}

TEST(HaltCountText, AtTheEndHowTheLoopEndedAfterHowManyAttemptsAndHowLong) {
  const PlainNumbers numbers;
  const HaltCount count{12345, milliseconds(41250), 18000};
  EXPECT_EQ(EndedCountText(RecoveryEnding::kHalted, count, numbers),
            "Halted: 12345 attempts in 41.2 s");
  EXPECT_EQ(EndedCountText(RecoveryEnding::kStopped, count, numbers),
            "Stopped: 12345 attempts in 41.2 s");
  // The attempt that failed was asked, not made.
  EXPECT_EQ(EndedCountText(RecoveryEnding::kLibraryFault, count, numbers),
            "Failed: 12344 attempts in 41.2 s");
  EXPECT_EQ(EndedCountText(RecoveryEnding::kLibraryFault, {1, milliseconds(99), 0}, numbers),
            "Failed: 0 attempts in 0.0 s");
  EXPECT_EQ(EndedCountText(RecoveryEnding::kInternalError, {1, milliseconds(100), 0}, numbers),
            "Ended: 1 attempt in 0.1 s");
}

}  // namespace
