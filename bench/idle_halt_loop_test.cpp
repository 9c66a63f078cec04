// Tests that the loop the core benchmarks time is the START procedure's halt loop, run through.
#include <gtest/gtest.h>

#include "idle_halt_loop.h"

namespace {

// Should the procedure stop short of its halt loop (a step the idle library does not answer as
// the procedure needs), the benchmarks would time nothing.
TEST(IdleHaltLoop, ReachesTheHaltLoopAndMakesExactlyTheAttemptsAskedFor) {
  EXPECT_EQ(RunIdleHaltLoop(1), 1u);
  EXPECT_EQ(RunIdleHaltLoop(1000), 1000u);
  EXPECT_EQ(RunIdleHaltLoop(2), 2u);
}

}  // namespace
