// The measuring program scripts/bench.sh runs under Wine: its options, the measurements in order.
//
// It measures testz.exe under Wine against baseline programs doing the same platform work in the
// same run: the halt loop's pace (also in an unattended run, with its power-cycle command and
// without) and the core loop (halt_loop_measure.cpp), report rendering per log line and what each
// of its steps costs (report_measure.cpp), start-up time with where it goes and peak memory
// (startup_measure.cpp), the odds of catching the processor in one power cycle (catch_rate.cpp).
// Prints one tab-separated row per figure for scripts/bench.sh.
//
// usage: wine_bench [--setting stock|classic] [--rounds R] [--halt-rounds R] [--attempts N]
//                   [--ports P,P,...] [--catch-windows N]
//                   [--parts core,halt,powercycle,stream,report,steps,startup,catch]
//
// The setting names the Wine prefix it runs in: "stock", as wineboot made it (Wine's default
// visual theme, none of Wine's own fonts linked in), as a user has it; "classic", where it
// switches the prefix to the classic look (so it is meant for a prefix of its own), with Wine's
// fonts linked in. The core loop and the halt loop are measured in the stock setting only.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "bench_common.h"
#include "catch_rate.h"
#include "wine_measurements.h"

namespace {

Options ReadOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--setting") {
      if (value != "stock" && value != "classic") Fail("--setting is stock or classic");
      options.setting = value;
    } else if (name == "--rounds") {
      options.rounds = std::max(1, std::atoi(value.c_str()));
    } else if (name == "--attempts") {
      options.attempts = static_cast<std::uint32_t>(std::max(2, std::atoi(value.c_str())));
    } else if (name == "--halt-rounds") {
      options.halt_rounds = std::max(1, std::atoi(value.c_str()));
    } else if (name == "--catch-windows") {
      options.catch_windows = static_cast<std::uint32_t>(std::max(1, std::atoi(value.c_str())));
    } else if (name == "--parts") {
      options.parts = value;
    } else if (name == "--ports") {
      options.ports.clear();
      for (std::size_t at = 0; at < value.size();) {
        const std::size_t comma = std::min(value.find(',', at), value.size());
        options.ports.push_back(static_cast<std::uint32_t>(
            std::max(1, std::atoi(value.substr(at, comma - at).c_str()))));
        at = comma + 1;
      }
    } else {
      Fail("unknown option " + name);
    }
  }
  if (argc % 2 == 0) Fail("an option lacks its value");
  return options;
}

// The classic look for the programs started next, in place of the prefix's visual theme.
void UseClassicLook() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER,
                      "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    Fail("cannot open the theme settings");
  }
  const LONG written =
      RegSetValueExA(key, "ThemeActive", 0, REG_SZ, reinterpret_cast<const BYTE*>("0"), 2);
  RegCloseKey(key);
  if (written != ERROR_SUCCESS) Fail("cannot set the theme");
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Options options = ReadOptions(argc, argv);
    if (!options.Stock()) UseClassicLook();
    if (options.Stock() && options.Includes("core")) MeasureCoreLoop(options.rounds);
    if (options.Stock() && options.Includes("halt")) MeasureHaltLoop(options);
    if (options.Stock() && options.Includes("powercycle")) MeasurePowerCycledHaltLoop(options);
    if (options.Stock() && options.Includes("stream")) MeasureStreamedHaltLoop(options);
    if (options.Includes("report")) MeasureReport(options);
    if (options.Includes("steps")) MeasureReportSteps(options);
    if (options.Includes("startup")) MeasureStartUp(options);
    if (options.Stock() && options.Includes("catch")) MeasureCatchRate(options.catch_windows);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "wine_bench: %s\n", error.what());
    return 1;
  }
}
