// Native micro-benchmarks: the START procedure's halt loop on a library and a message pass that
// do nothing (the program's own work per attempt), and the simulator's halt attempt without and
// with its call trace. Each reports `per_attempt`, the time of one halt attempt.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "idle_halt_loop.h"
#include "simulator_for_tests.h"
#include "unit_library_api_kelm.h"

namespace {

benchmark::Counter PerAttempt(double attempts) {
  return benchmark::Counter(attempts, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void IdleHaltLoop(benchmark::State& state) {
  // Long enough that the report and set-up before the loop weigh nothing per attempt.
  constexpr std::uint32_t kAttempts = 1000000;
  for (auto _ : state) {
    if (RunIdleHaltLoop(kAttempts) != kAttempts) state.SkipWithError("the loop ended early");
  }
  state.counters["per_attempt"] = PerAttempt(static_cast<double>(state.iterations()) * kAttempts);
}
BENCHMARK(IdleHaltLoop)->Unit(benchmark::kMillisecond);

// Files beside this program: the scenario, and the trace when one is written.
void SimulatorHaltAttempt(benchmark::State& state, bool traced) {
  const std::string scenario = BENCH_SCRATCH_FOLDER "/simulator_halt_attempt.scn";
  const std::string trace = BENCH_SCRATCH_FOLDER "/simulator_halt_attempt.trace";
  std::ofstream(scenario) << "halt = never\n";
  std::remove(trace.c_str());
  SetVariable("UNIT_KELM_SCENARIO", scenario);
  SetVariable("UNIT_KELM_TRACE", traced ? trace : "");
  if (!LoadInterfaceLibrary(SimulatorPath("").c_str())) {
    state.SkipWithError("the simulator did not load");
    return;
  }
  const CorvaneSpecialFeaturesFn attempt = Entry<EntrySlot::corvane_special_features>();
  std::uint8_t status = 0;
  for (auto _ : state) attempt(SPECIAL_FEATURE_HALT_ATTEMPT, 1, 0, 0, 0, &status, 0);
  UnloadInterfaceLibrary();
  state.counters["per_attempt"] = PerAttempt(static_cast<double>(state.iterations()));
  SetVariable("UNIT_KELM_SCENARIO", "");
  SetVariable("UNIT_KELM_TRACE", "");
  std::remove(scenario.c_str());
  std::remove(trace.c_str());
}
BENCHMARK_CAPTURE(SimulatorHaltAttempt, untraced, false);
BENCHMARK_CAPTURE(SimulatorHaltAttempt, traced, true);

}  // namespace

BENCHMARK_MAIN();
