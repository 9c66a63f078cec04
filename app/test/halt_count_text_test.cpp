// Tests of what the count under the buttons says while a halt loop runs and after it ended.
#include "halt_count_text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using std::chrono::milliseconds;

// English grouping.
class EnglishNumbers final : public NumberFormat {
 public:
  std::string Whole(std::uint64_t value) const override {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
      digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
  }
  std::string Tenths(std::uint64_t tenths) const override {
    return Whole(tenths / 10) + "." + std::to_string(tenths % 10);
  }
};

// The dot between the parts as a plain character.
std::string Plain(std::string text) {
  const std::string dot = "\xC2\xB7";
  for (std::size_t at = text.find(dot); at != std::string::npos; at = text.find(dot, at)) {
    text.replace(at, dot.size(), "|");
  }
  return text;
}

TEST(HaltCountText, WhileTheLoopRunsTheAttemptsThePaceAndTheTimeSinceItBegan) {
  const EnglishNumbers numbers;
  const struct {
    HaltCount count;
    const char* text;
  } cases[] = {
      {{1, milliseconds(0), 0}, "1 attempt | 0:00"},
      {{12345, milliseconds(41900), 18237}, "12,345 attempts | 18,200/s | 0:41"},
      {{999, milliseconds(600500), 999}, "999 attempts | 999/s | 10:00"},
      {{5, milliseconds(3723000), 1}, "5 attempts | 1/s | 1:02:03"},
      {{90000000, milliseconds(0), 99960}, "90,000,000 attempts | 100,000/s | 0:00"},
  };
  for (const auto& [count, text] : cases) EXPECT_EQ(Plain(RunningCountText(count, numbers)), text);
}

TEST(HaltCountText, AtTheEndHowTheLoopEndedAfterHowManyAttemptsAndHowLong) {
  const EnglishNumbers numbers;
  const HaltCount count{12345, milliseconds(41250), 18000};
  const struct {
    RecoveryEnding ending;
    const char* text;
  } cases[] = {
      {RecoveryEnding::kHalted, "Halted: 12,345 attempts in 41.2 s"},
      {RecoveryEnding::kStopped, "Stopped: 12,345 attempts in 41.2 s"},
      // The attempt that failed was asked, not made.
      {RecoveryEnding::kLibraryFault, "Failed: 12,344 attempts in 41.2 s"},
      {RecoveryEnding::kInternalError, "Ended: 12,345 attempts in 41.2 s"},
  };
  for (const auto& [ending, text] : cases) {
    EXPECT_EQ(Plain(EndedCountText(ending, count, numbers)), text);
  }
  EXPECT_EQ(Plain(EndedCountText(RecoveryEnding::kHalted, {1, milliseconds(40), 0}, numbers)),
            "Halted: 1 attempt in 0.0 s");
  EXPECT_EQ(Plain(EndedCountText(RecoveryEnding::kLibraryFault, {1, milliseconds(0), 0}, numbers)),
            "Failed: 0 attempts in 0.0 s");
}

}  // namespace
