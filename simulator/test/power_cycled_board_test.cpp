// Tests of the power-cycled board: its scenario keys, its windows at exact microseconds, its seed,
// and the library halting in a window or counting the windows into its timing file.
#include "power_cycled_board.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "simulator_for_tests.h"
#include "unit_library_api_kelm.h"

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// Power-ups every 10 ms exactly: at 10, 20, 30, ... ms after the first attempt.
constexpr PowerUps kEvery10Ms{10, 10, 1};

TEST(PowerCycledBoard, AnAttemptHitsFromTheWindowsFirstMicrosecondToItsLastAndCountsOnce) {
  PowerCycledBoard board(kEvery10Ms, {200, 1});
  EXPECT_FALSE(board.Attempt(microseconds(9999)));   // before the first power-up
  EXPECT_TRUE(board.Attempt(microseconds(10000)));   // its first microsecond
  EXPECT_TRUE(board.Attempt(microseconds(10199)));   // its last: the same window, counted once
  EXPECT_FALSE(board.Attempt(microseconds(10200)));  // just after
  EXPECT_TRUE(board.Attempt(microseconds(20199)));
  EXPECT_FALSE(board.Attempt(microseconds(30200)));
  EXPECT_EQ(board.WindowsOver(), 2u);  // the window at 30 ms is the latest
  // Power-ups at 40 and 50 ms came and went with no attempt: missed.
  EXPECT_FALSE(board.Attempt(microseconds(65000)));
  EXPECT_EQ(board.WindowsOver(), 5u);
  EXPECT_EQ(board.WindowsHit(), (std::vector<std::uint32_t>{2, 1}));
  EXPECT_EQ(board.Summary(),
            "power-ups: 5 windows over in 65 ms of attempts; hit within 200 us: 2; "
            "within 1 us: 1");
}

// The power-ups a board makes in its first `span`, found by an attempt every microsecond with a
// window of one.
std::vector<microseconds> PowerUpTimes(const PowerUps& power_ups, microseconds span) {
  PowerCycledBoard board(power_ups, {1});
  std::vector<microseconds> times;
  for (microseconds t{0}; t < span; ++t) {
    if (board.Attempt(t)) times.push_back(t);
  }
  return times;
}

TEST(PowerCycledBoard, GapsAreDrawnBetweenTheBoundsFromTheSeed) {
  const std::vector<microseconds> times = PowerUpTimes({5, 15, 7}, milliseconds(300));
  ASSERT_GE(times.size(), 20u);
  std::vector<microseconds> gaps = {times[0]};
  for (std::size_t i = 1; i < times.size(); ++i) gaps.push_back(times[i] - times[i - 1]);
  for (const microseconds gap : gaps) {
    EXPECT_GE(gap, milliseconds(5));
    EXPECT_LE(gap, milliseconds(15));
  }
  EXPECT_NE(std::count(gaps.begin(), gaps.end(), gaps[0]), static_cast<long>(gaps.size()));
  EXPECT_EQ(PowerUpTimes({5, 15, 7}, milliseconds(300)), times);
  EXPECT_NE(PowerUpTimes({5, 15, 8}, milliseconds(300)), times);
}

TEST(PowerCycledBoard, ScenarioKeysAndTheirErrors) {
  std::string error;
  const std::optional<Scenario> counting = ParseScenario(
      "halt = count_power_ups 50 1000\npower_up_gap_ms = 1 110\npower_up_seed = 0x10\n", "s",
      error);
  ASSERT_TRUE(counting.has_value()) << error;
  EXPECT_EQ(counting->halt.kind, HaltBehaviour::Kind::count_power_ups);
  EXPECT_EQ(counting->halt.windows_us, (std::vector<std::uint32_t>{50, 1000}));
  EXPECT_EQ(counting->power_ups.gap_min_ms, 1u);
  EXPECT_EQ(counting->power_ups.gap_max_ms, 110u);
  EXPECT_EQ(counting->power_ups.seed, 16u);
  const std::optional<Scenario> halting = ParseScenario("halt = power_ups 200", "s", error);
  ASSERT_TRUE(halting.has_value()) << error;
  EXPECT_EQ(halting->halt.kind, HaltBehaviour::Kind::power_ups);
  EXPECT_EQ(halting->halt.windows_us, std::vector<std::uint32_t>{200});

  const char* const kOneOrMore =
      "\"power_ups\" takes one window in microseconds, \"count_power_ups\" one or more";
  const char* const kGapForm = "expected \"MIN MAX\", milliseconds with 1 <= MIN <= MAX";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"halt = power_ups 50 100", kOneOrMore},
      {"halt = count_power_ups", kOneOrMore},
      {"halt = count_power_ups 50 0", "a haltable window lasts at least 1 microsecond"},
      {"halt = power_ups 5o", "\"5o\" is not a 32-bit number"},
      {"power_up_gap_ms = 10", kGapForm},
      {"power_up_gap_ms = 0 10", kGapForm},
      {"power_up_gap_ms = 10 9", kGapForm},
      {"power_up_gap_ms = 1 2 3", kGapForm},
      {"power_up_gap_ms = 2 x", "\"x\" is not a 32-bit number"},
      {"# the window must be over before the next power-up\n"
       "halt = count_power_ups 2000 2001\npower_up_gap_ms = 2 5",
       "a window of 2001 microseconds outlasts the shortest gap between power-ups, 2 ms"},
  };
  for (const auto& [text, problem] : cases) {
    EXPECT_FALSE(ParseScenario(text, "s", error).has_value()) << text;
    EXPECT_EQ(error.substr(error.find(": ") + 2), problem) << text;
  }
  EXPECT_EQ(error.substr(0, 4), "s:2:");
}

// The simulator library: halting in a window, and the counts in the timing file.
TEST(PowerCycledSimulator, HaltsInAWindowOrCountsTheWindowsIntoTheTimingFile) {
  const std::string scenario = testing::TempDir() + "power_cycled.scn";
  const std::string timing = testing::TempDir() + "power_cycled.timing";
  std::remove(timing.c_str());
  SetVariable("UNIT_KELM_SCENARIO", scenario);
  std::uint8_t status = 0;
  const auto attempt = [&status] {
    Entry<EntrySlot::corvane_special_features>()(SPECIAL_FEATURE_HALT_ATTEMPT, 1, 0, 0, 0, &status,
                                                 0);
    return status;
  };
  // A window as long as the gap: from the first power-up on, the processor can be halted. The
  // run's first attempt is its time zero, so it comes before the first power-up however long the
  // system keeps the test waiting.
  std::ofstream(scenario) << "halt = power_ups 1000\npower_up_gap_ms = 1 1\n";
  ASSERT_TRUE(LoadInterfaceLibrary(SimulatorPath("").c_str()));
  EXPECT_EQ(attempt(), 0);  // the first attempt comes before the first power-up
  const auto start = std::chrono::steady_clock::now();
  while (attempt() != 0xFF && std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
  }
  EXPECT_EQ(status, 0xFF);
  EXPECT_EQ(attempt(), 0xFF);  // and it stays halted
  UnloadInterfaceLibrary();

  std::ofstream(scenario) << "halt = count_power_ups 1000 1\npower_up_gap_ms = 1 1\n";
  SetVariable("UNIT_KELM_TIMING", timing);
  ASSERT_TRUE(LoadInterfaceLibrary(SimulatorPath("").c_str()));
  attempt();
  const auto first = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - first < milliseconds(5)) attempt();
  EXPECT_EQ(attempt(), 0);  // over 5 ms after the first: past the fifth power-up
  UnloadInterfaceLibrary();
  SetVariable("UNIT_KELM_TIMING", "");
  SetVariable("UNIT_KELM_SCENARIO", "");
  const std::vector<std::string> lines = LinesOf(timing);
  std::remove(timing.c_str());
  std::remove(scenario.c_str());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex("halt run: [0-9]+ attempts, none halted")));
  std::smatch counts;
  ASSERT_TRUE(std::regex_match(lines[1], counts,
                               std::regex("power-ups: ([0-9]+) windows over in [0-9]+ ms of "
                                          "attempts; hit within 1000 us: ([0-9]+); within 1 "
                                          "us: ([0-9]+)")))
      << lines[1];
  EXPECT_GE(std::stoul(counts[1]), 4u);
  EXPECT_LE(std::stoul(counts[2]), std::stoul(counts[1]));
  EXPECT_LE(std::stoul(counts[3]), std::stoul(counts[2]));
}

}  // namespace
