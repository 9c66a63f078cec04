// Fuzz target: the simulator's scenario reader on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto scenario = ParseScenario(text, "fuzz.scn", error);
  // Either a scenario or an error that names the file and a line; never both, never neither.
  if (scenario.has_value() == !error.empty()) std::abort();
  if (!scenario && error.rfind("fuzz.scn:", 0) != 0) std::abort();
  if (scenario) {
    for (const SimulatedPorts& ports : scenario->ports) {
      for (const auto& listed : ports.listed) {
        // Listed ports are numbered from 1 to the count.
        if (listed.first == 0 || listed.first > ports.count) std::abort();
      }
    }
  }
  return 0;
}
