// The catch-rate measurement: how often one power cycle of the board lets a halt attempt in.
//
// The simulator stands for a board that powers up at random moments and can be halted for W
// microseconds after each power-up; every attempt takes the probe's round trip. It never halts
// the processor but counts, per W, the windows that an attempt landed in (its timing file). Each
// run of attempts counts for all five W at once, until about 200 windows have passed; then its
// window is closed, which ends the run. The machine's load drifts over minutes, so the strategies
// that run back to back or nearly take turns, a run each per round, and their counts add up.
#include "catch_rate.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "interface_kinds.h"
#include "ui_driver.h"

namespace {

constexpr char kCaption[] = "Corvane Tesmar Recovery Utility v0.02";
constexpr char kBaselineCaption[] = "Polling baseline";
const char* const kVeyra = kInterfaceKinds.front().item;

// Haltable windows after a power-up, and the probes' round trips (high speed, full speed USB).
constexpr std::array<std::uint32_t, 5> kWindowsUs = {50, 100, 200, 500, 1000};
constexpr std::array<std::uint32_t, 2> kProbesUs = {125, 1000};
constexpr std::uint32_t kWindowsPerRun = 200;

// Who makes the attempts, and the gaps between power-ups it gets. Whether an attempt lands in a
// window depends only on where the power-up falls between two attempts; for every window to be
// an independent trial, equally likely to fall anywhere, the gaps must spread over many periods
// of the strategy's attempts, or over one whole period. 5 to 35 ms spreads over 12 periods and
// more of the back-to-back loops and of 1 ms polling; 5 to 105 ms over about one period of polling
// every 100 ms. Its windows come every 55 ms rather than 20, and it catches next to none of them,
// so it makes one run, of a fifth as many windows as the others make in all its rounds.
struct Strategy {
  const char* name;
  bool program;            // testz.exe, else the polling baseline
  std::uint32_t pause_ms;  // after every attempt: 0 back to back
  std::uint32_t gap_min_ms;
  std::uint32_t gap_max_ms;
};

constexpr std::array<Strategy, 4> kStrategies = {{
    {"testz.exe", true, 0, 5, 35},
    {"bare loop", false, 0, 5, 35},
    {"every 1 ms", false, 1, 5, 35},
    {"every 100 ms", false, 100, 5, 105},
}};
enum : std::size_t { kProgram, kBareLoop, kEvery1Ms, kEvery100Ms };

struct Counts {
  std::uint32_t windows = 0;
  std::array<std::uint32_t, kWindowsUs.size()> hits{};
  std::uint64_t attempts = 0;
  std::uint64_t milliseconds = 0;  // from the first attempt to the last

  Counts& operator+=(const Counts& run) {
    windows += run.windows;
    for (std::size_t i = 0; i < hits.size(); ++i) hits[i] += run.hits[i];
    attempts += run.attempts;
    milliseconds += run.milliseconds;
    return *this;
  }
  double MicrosecondsPerAttempt() const {
    return attempts > 0 ? 1000.0 * static_cast<double>(milliseconds) / static_cast<double>(attempts)
                        : 0;
  }
};

[[noreturn]] void Fail(const std::string& reason) {
  throw std::runtime_error("catch rate: " + reason);
}

std::string ScenarioText(const Strategy& strategy, std::uint32_t probe_us, std::uint32_t seed) {
  std::string windows;
  for (const std::uint32_t window : kWindowsUs) windows += " " + std::to_string(window);
  return "count.3 = 1\ndelay_us = " + std::to_string(probe_us) + "\nhalt = count_power_ups" +
         windows + "\npower_up_gap_ms = " + std::to_string(strategy.gap_min_ms) + " " +
         std::to_string(strategy.gap_max_ms) + "\npower_up_seed = " + std::to_string(seed) + "\n";
}

// The run's two lines of the timing file: its attempts, then its windows and hits.
Counts ReadCounts(const std::wstring& timing) {
  const std::vector<std::string> lines = ui::ReadLines(timing);
  unsigned long long attempts = 0;
  unsigned windows = 0;
  unsigned long long milliseconds = 0;
  if (lines.size() != 2 ||
      std::sscanf(lines[0].c_str(), "halt run: %llu attempts, none halted", &attempts) != 1 ||
      std::sscanf(lines[1].c_str(), "power-ups: %u windows over in %llu ms", &windows,
                  &milliseconds) != 2 ||
      attempts < 2 || windows == 0) {
    Fail("the timing file does not hold one run of attempts with its windows");
  }
  Counts counts;
  counts.windows = windows;
  counts.attempts = attempts - 1;  // the rounds between the first attempt and the last
  counts.milliseconds = milliseconds;
  for (std::size_t i = 0; i < kWindowsUs.size(); ++i) {
    const std::string label = " " + std::to_string(kWindowsUs[i]) + " us: ";
    const std::size_t at = lines[1].find(label);
    if (at == std::string::npos) Fail("no count for " + label);
    counts.hits[i] =
        static_cast<std::uint32_t>(std::strtoul(&lines[1][at + label.size()], nullptr, 10));
  }
  return counts;
}

// "USB Veyra" chosen and START pressed, as a user does; returns once the procedure runs.
void StartHaltLoop(HWND window) {
  HWND choice = ui::FindControl(window, "Button", kVeyra);
  HWND start = ui::FindControl(window, "Button", "START");
  if (choice == nullptr || start == nullptr) Fail("testz.exe lacks its controls");
  ui::Click(choice);
  if (!ui::WaitUntil([&] { return ui::IsChecked(choice); })) Fail("the choice was not taken");
  ui::Click(start);
  if (!ui::WaitUntil([&] { return !ui::IsEnabled(start); })) Fail("START did not start");
}

// One run: the strategy's program beside the simulator, attempting for about `windows` windows of
// the power-ups drawn from `seed`.
Counts Run(const Strategy& strategy, std::uint32_t probe_us, std::uint32_t windows,
           std::uint32_t seed) {
  const std::wstring exe = strategy.program ? L"testz.exe" : L"baseline_polling.exe";
  const std::wstring payload = ui::ProgramFolder() + L"\\payload\\";
  const std::wstring folder = ui::ProgramFolder() + L"\\work\\catch_rate";
  std::string error;
  if (!ui::PrepareFolder(
          folder, {{payload + exe, exe}, {payload + L"simulator.dll", L"unit_kelm.DLL"}}, &error)) {
    Fail(error);
  }
  const std::wstring scenario = folder + L"\\scenario.txt";
  const std::wstring timing = folder + L"\\timing.txt";
  if (!ui::WriteTextFile(scenario, ScenarioText(strategy, probe_us, seed)))
    Fail("no scenario file");
  ui::Program program =
      ui::Program::Start(folder + L"\\" + exe, folder,
                         {{"UNIT_KELM_SCENARIO", ui::ToAnsi(scenario)},
                          {"UNIT_KELM_TRACE", ""},
                          {"UNIT_KELM_TIMING", ui::ToAnsi(timing)},
                          {"BASELINE_PAUSE_MS", std::to_string(strategy.pause_ms)}},
                         &error);
  if (!program.Running()) Fail(error);
  HWND window = program.WaitForWindow(strategy.program ? kCaption : kBaselineCaption);
  if (window == nullptr) Fail("no window");
  if (strategy.program) StartHaltLoop(window);
  // One window more than asked for: the run's last is never counted.
  Sleep((windows + 1) * (strategy.gap_min_ms + strategy.gap_max_ms) / 2);
  ui::Close(window);
  const std::optional<DWORD> code = program.WaitForExit(ui::Milliseconds(30000));
  if (!code || *code != 0) Fail("a program did not end cleanly after its window was closed");
  return ReadCounts(timing);
}

struct Rate {
  double value;
  double standard_error;
};

// The rate over all of a strategy's runs. Its standard error is that of independent windows, or,
// when the rounds' rates spread more than that allows (the machine's load moved between them),
// the one their spread gives: the rounds are then the independent trials.
Rate RateOf(const std::vector<Counts>& runs, std::size_t window) {
  Counts all;
  for (const Counts& run : runs) all += run;
  const double p = all.hits[window] / static_cast<double>(all.windows);
  double standard_error = std::sqrt(p * (1 - p) / all.windows);
  if (runs.size() >= 2) {
    double squares = 0;
    for (const Counts& run : runs) {
      squares += std::pow(run.hits[window] / static_cast<double>(run.windows) - p, 2);
    }
    const double rounds = static_cast<double>(runs.size());
    standard_error = std::max(standard_error, std::sqrt(squares / (rounds - 1) / rounds));
  }
  return {p, standard_error};
}

std::string Format(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// A rate and its standard error, then the power cycles a user can expect to make (1 / rate).
std::string Cell(const Rate& rate) {
  return Format("%.3f", rate.value) + Format("+-%.3f", rate.standard_error) +
         (rate.value > 0 ? Format(" %6.1f", 1 / rate.value) : "      -");
}

void Print(const char* kind, const std::string& text) {
  std::printf("%s\t%s\n", kind, text.c_str());
  std::fflush(stdout);
}

// One line of the table: the window, four strategies, the limit, two ratios, two checks.
std::string Columns(const std::array<std::string, 10>& columns) {
  char line[256];
  std::snprintf(line, sizeof line, "%6s  %-19s %-19s %-19s %-19s %-12s %5s %6s  %-6s %s",
                columns[0].c_str(), columns[1].c_str(), columns[2].c_str(), columns[3].c_str(),
                columns[4].c_str(), columns[5].c_str(), columns[6].c_str(), columns[7].c_str(),
                columns[8].c_str(), columns[9].c_str());
  return line;
}

using Runs = std::array<std::vector<Counts>, kStrategies.size()>;

void PrintProbe(std::uint32_t probe_us, const Runs& runs) {
  std::string pace = "probe round trip " + std::to_string(probe_us) + " us; us per attempt:";
  for (std::size_t s = 0; s < kStrategies.size(); ++s) {
    Counts all;
    for (const Counts& run : runs[s]) all += run;
    pace += std::string(s == 0 ? " " : ", ") + kStrategies[s].name + " " +
            Format("%.1f", all.MicrosecondsPerAttempt());
  }
  Print("text", "");
  Print("text", pace);
  Print("text", Columns({"W us", "testz.exe", "bare loop", "every 1 ms", "every 100 ms", "limit",
                         "/bare", "/limit", "2 SE", "ahead of 1 ms"}));
  for (std::size_t w = 0; w < kWindowsUs.size(); ++w) {
    std::array<Rate, kStrategies.size()> rates{};
    for (std::size_t s = 0; s < kStrategies.size(); ++s) rates[s] = RateOf(runs[s], w);
    const Rate limit = {std::min(1.0, static_cast<double>(kWindowsUs[w]) / probe_us), 0};
    const Rate& program = rates[kProgram];
    const Rate& bare = rates[kBareLoop];
    const bool within = std::abs(program.value - bare.value) <=
                        2 * std::hypot(program.standard_error, bare.standard_error);
    const bool ahead = program.value > rates[kEvery1Ms].value;
    Print("text", Columns({std::to_string(kWindowsUs[w]), Cell(rates[kProgram]),
                           Cell(rates[kBareLoop]), Cell(rates[kEvery1Ms]), Cell(rates[kEvery100Ms]),
                           Format("%.3f", limit.value) + Format(" %6.1f", 1 / limit.value),
                           bare.value > 0 ? Format("%.2f", program.value / bare.value) : "-",
                           Format("%.2f", program.value / limit.value), within ? "met" : "MISSED",
                           kWindowsUs[w] >= 1000 ? "-"
                           : ahead               ? "met"
                                                 : "MISSED"}));
  }
}

}  // namespace

void MeasureCatchRate(std::uint32_t windows) {
  Print("section",
        "Catch rate under Wine: share of power-ups with an attempt in the W us after it, +- its "
        "standard error, and the power cycles to expect (1 / rate)");
  const std::uint32_t rounds = std::max(1u, (windows + kWindowsPerRun / 2) / kWindowsPerRun);
  for (std::size_t p = 0; p < kProbesUs.size(); ++p) {
    Runs runs;
    const auto run = [&](std::size_t s, std::uint32_t run_windows, std::uint32_t seed) {
      const Counts one = Run(kStrategies[s], kProbesUs[p], std::max(1u, run_windows), seed);
      runs[s].push_back(one);
      std::string hits;
      for (const std::uint32_t hit : one.hits) hits += " " + std::to_string(hit);
      Print("detail", "catch rate, probe " + std::to_string(kProbesUs[p]) + " us, seed " +
                          std::to_string(seed) + ", " + kStrategies[s].name + ": " +
                          std::to_string(one.windows) + " windows, hits" + hits + ", " +
                          Format("%.2f", one.MicrosecondsPerAttempt()) + " us per attempt");
    };
    // Every round its own power-ups, the same for each strategy; the program and the bare loop
    // take turns at going first.
    for (std::uint32_t round = 0; round < rounds; ++round) {
      const bool program_first = round % 2 == p % 2;
      for (const std::size_t s : {program_first ? kProgram : kBareLoop,
                                  program_first ? kBareLoop : kProgram, kEvery1Ms}) {
        run(s, windows / rounds, round + 1);
      }
    }
    run(kEvery100Ms, windows / 5, 1);
    PrintProbe(kProbesUs[p], runs);
  }
}
