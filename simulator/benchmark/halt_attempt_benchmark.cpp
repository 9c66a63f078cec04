// Measures halt attempts per second against the simulator, without and with a call trace.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "simulator_for_tests.h"
#include "unit_library_api_kelm.h"

namespace {

double AttemptsPerSecond(const std::string& scenario, const std::string& trace) {
  SetVariable("UNIT_KELM_SCENARIO", scenario);
  SetVariable("UNIT_KELM_TRACE", trace);
  if (!LoadInterfaceLibrary(SimulatorPath("").c_str())) return 0;
  const auto attempt = Entry<EntrySlot::corvane_special_features>();
  std::uint8_t status = 0;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  long long attempts = 0;
  while (Clock::now() - start < std::chrono::seconds(1)) {
    for (int i = 0; i < 1000; ++i) attempt(SPECIAL_FEATURE_HALT_ATTEMPT, 1, 0, 0, 0, &status, 0);
    attempts += 1000;
  }
  const std::chrono::duration<double> elapsed = Clock::now() - start;
  UnloadInterfaceLibrary();
  return static_cast<double>(attempts) / elapsed.count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? std::string(argv[1]) + "/" : std::string();
  const std::string scenario = folder + "halt_attempt_benchmark.scn";
  const std::string trace = folder + "halt_attempt_benchmark.trace";
  std::ofstream(scenario) << "halt = never\n";
  std::remove(trace.c_str());
  std::printf("halt attempts per second, no trace:   %12.0f\n", AttemptsPerSecond(scenario, ""));
  std::printf("halt attempts per second, with trace: %12.0f\n", AttemptsPerSecond(scenario, trace));
  std::remove(scenario.c_str());
  std::remove(trace.c_str());
  return 0;
}
