// The halt loop's pace under Wine, also in an unattended run, against its baseline; the core loop.
#include <windows.h>

#include <cinttypes>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bench_common.h"
#include "idle_halt_loop.h"
#include "interface_kinds.h"
#include "library_faults.h"
#include "measure.h"
#include "ui_driver.h"
#include "wine_measurements.h"

namespace {

const char* const kVeyra = kInterfaceKinds.front().item;
constexpr char kHalted[] = "Success. Processor halted.";

struct HaltRun {
  std::uint64_t attempts = 0;
  double microseconds_per_attempt = 0;
};

// The simulator's timing file in a halt-loop run's work folder.
std::wstring TimingFile(const std::wstring& folder) {
  return folder + L"\\timing.txt";
}

// The runs of the simulator's timing file in `folder` that halted, in order.
std::vector<HaltRun> HaltRuns(const std::wstring& folder) {
  std::vector<HaltRun> runs;
  for (const std::string& line : ui::ReadLines(TimingFile(folder))) {
    std::uint64_t attempts = 0;
    std::uint64_t halted_at = 0;
    std::uint64_t ns = 0;
    if (std::sscanf(line.c_str(),
                    "halt run: %" SCNu64 " attempts, first halted at attempt %" SCNu64 ", %" SCNu64,
                    &attempts, &halted_at, &ns) != 3 ||
        halted_at < 2) {
      continue;
    }
    runs.push_back(
        {halted_at, static_cast<double>(ns) / 1000.0 / static_cast<double>(halted_at - 1)});
  }
  return runs;
}

// `exe` started from `folder` beside the simulator, whose processor halts at attempt `attempts`
// and which writes the run's figures to the folder's timing file.
ui::Program StartHaltLoop(const std::wstring& folder, const std::wstring& exe,
                          std::uint32_t attempts, const std::wstring& arguments = L"",
                          const std::wstring& output_file = L"") {
  const std::string scenario = "count.3 = 1\nhalt = attempts " + std::to_string(attempts) + "\n";
  return Start(folder, exe, SimulatorVariables(folder, scenario, TimingFile(folder)), arguments,
               output_file);
}

// The runs of the timing file in `folder`, which must hold one run of `attempts`: its
// microseconds per attempt.
double OneHaltRun(const std::wstring& folder, std::uint32_t attempts) {
  const std::vector<HaltRun> runs = HaltRuns(folder);
  if (runs.size() != 1 || runs[0].attempts != attempts) {
    Fail("the program's timing file does not hold its one run");
  }
  return runs[0].microseconds_per_attempt;
}

// testz.exe: "USB Veyra" chosen, START pressed, the loop runs until the library reports the
// processor halted at the last attempt. Microseconds per attempt, by the library's clock.
double ProgramHaltLoop(const Options& options) {
  const std::wstring folder = Work("halt_loop_program");
  Prepare(folder, {L"testz.exe", L"simulator.dll"});
  ui::Program program = StartHaltLoop(folder, L"testz.exe", options.attempts);
  HWND window = program.WaitForWindow(kCaption);
  if (window == nullptr) Fail("testz.exe showed no window");
  HWND choice = Control(window, "Button", kVeyra);
  HWND start = Control(window, "Button", "START");
  ui::Click(choice);
  if (!ui::WaitUntil([&] { return ui::IsChecked(choice); })) Fail("the choice was not taken");
  ui::Click(start);
  // Nothing is asked of the program while its loop runs: the enabled state is read without it.
  if (!ui::WaitUntil([&] { return !ui::IsEnabled(start); })) Fail("START did not start");
  if (!ui::WaitUntil([&] { return ui::IsEnabled(start); }, kLongWait)) Fail("the loop never ended");
  const std::vector<std::string> log = ui::ListLines(ListBox(window));
  if (std::find(log.begin(), log.end(), kHalted) == log.end()) Fail("the loop ended unhalted");
  CloseAndWait(program, window);
  return OneHaltRun(folder, options.attempts);
}

// testz.exe as a test rig runs it: --run "USB Veyra", where `power_cycled` with a power-cycle
// command that does nothing (the power switch without a file) at the default period of 3 seconds,
// and where `streamed` with its standard output redirected to a file, where it streams its log; the
// program presses START itself and exits once the library reports the processor halted at the
// last of `attempts`.
double UnattendedHaltLoop(std::uint32_t attempts, bool power_cycled, bool streamed = false) {
  const std::wstring folder = Work("halt_loop_unattended");
  Prepare(folder, {L"testz.exe", L"simulator.dll", L"power_switch.exe"});
  std::wstring arguments = L"--run 1";
  if (power_cycled) {
    arguments += L" --power-cycle \"" + folder + L"\\power_switch.exe\"";
  }
  ui::Program program = StartHaltLoop(folder, L"testz.exe", attempts, arguments,
                                      streamed ? folder + L"\\output.txt" : L"");
  const std::optional<DWORD> code = program.WaitForExit(kLongWait);
  if (!code || *code != 0) Fail("the unattended run did not end halted");
  return OneHaltRun(folder, attempts);
}

struct BaselineHaltLoop {
  double library_alone = 0;
  double with_message_pass = 0;
};

BaselineHaltLoop BaselineHaltLoopRun(const Options& options) {
  const std::wstring folder = Work("halt_loop_baseline");
  Prepare(folder, {L"baseline_halt_loop.exe", L"simulator.dll"});
  ui::Program program = StartHaltLoop(folder, L"baseline_halt_loop.exe", options.attempts);
  const std::optional<DWORD> code = program.WaitForExit(kLongWait);
  if (!code || *code != 0) Fail("the halt-loop baseline failed");
  const std::vector<HaltRun> runs = HaltRuns(folder);
  if (runs.size() != 2) Fail("the baseline's timing file does not hold its two runs");
  return {runs[0].microseconds_per_attempt, runs[1].microseconds_per_attempt};
}

// The unattended run's halt loop as `with` runs it (`with_name`) and without, alternately, in
// `options.halt_rounds` pairs of runs long enough for a power-cycle command to start a few times.
void MeasureUnattendedPairs(const Options& options, const std::string& compared,
                            const std::string& note, const std::string& with_name,
                            const std::function<double(std::uint32_t)>& with) {
  const std::uint32_t attempts = options.attempts * 20;
  std::vector<double> plain;
  std::vector<double> changed;
  for (int round = 0; round < options.halt_rounds; ++round) {
    if (round % 2 == 1) changed.push_back(with(attempts));
    plain.push_back(UnattendedHaltLoop(attempts, false));
    if (round % 2 == 0) changed.push_back(with(attempts));
  }
  const double ratio = PairedRatio(changed, plain);
  Section("Halt loop of an unattended run, " + compared + " (" +
          std::to_string(options.halt_rounds) + " pairs of runs of " + std::to_string(attempts) +
          " attempts; " + note + ")");
  Row("microseconds per attempt, median", Fixed(Median(changed), 3), Fixed(Median(plain), 3),
      Fixed(ratio, 3), Verdict(ratio, 1.02));
  Detail("unattended halt loop " + with_name + " us/attempt: " + Samples(changed, 3));
  Detail("unattended halt loop without us/attempt: " + Samples(plain, 3));
}

}  // namespace

void MeasurePowerCycledHaltLoop(const Options& options) {
  MeasureUnattendedPairs(options, "with --power-cycle and without",
                         "a command that does nothing, every 3 s", "with --power-cycle",
                         [](std::uint32_t attempts) { return UnattendedHaltLoop(attempts, true); });
}

void MeasureStreamedHaltLoop(const Options& options) {
  MeasureUnattendedPairs(
      options, "its standard output redirected to a file and not",
      "redirected, the log and the count are streamed there", "redirected",
      [](std::uint32_t attempts) { return UnattendedHaltLoop(attempts, false, true); });
}

void MeasureHaltLoop(const Options& options) {
  std::vector<double> program;
  std::vector<double> baseline;
  std::vector<double> library;
  for (int round = 0; round < options.halt_rounds; ++round) {
    // The order alternates, so that a drift of the machine's pace favours neither.
    if (round % 2 == 1) program.push_back(ProgramHaltLoop(options));
    const BaselineHaltLoop bare = BaselineHaltLoopRun(options);
    baseline.push_back(bare.with_message_pass);
    library.push_back(bare.library_alone);
    if (round % 2 == 0) program.push_back(ProgramHaltLoop(options));
  }
  const double p = Median(program);
  const double b = Median(baseline);
  const double ratio = PairedRatio(program, baseline);
  Section("Halt loop under Wine, simulator without delay (" + std::to_string(options.halt_rounds) +
          " pairs of runs of " + std::to_string(options.attempts) + " attempts)");
  Row("attempts per second, median", Fixed(1e6 / p, 0), Fixed(1e6 / b, 0));
  Row("microseconds per attempt, median", Fixed(p, 3), Fixed(b, 3), Fixed(ratio, 3),
      Verdict(ratio, 1.1));
  Row("microseconds per attempt, fastest run", Fixed(Fastest(program), 3),
      Fixed(Fastest(baseline), 3), Fixed(Fastest(program) / Fastest(baseline), 3));
  Row("  of which the library call alone (baseline)", "", Fixed(Median(library), 3));
  Detail("halt loop, program us/attempt: " + Samples(program, 3));
  Detail("halt loop, baseline us/attempt: " + Samples(baseline, 3));
  Detail("halt loop, library alone us/attempt: " + Samples(library, 3));
}

void MeasureCoreLoop(int rounds) {
  constexpr std::uint32_t kAttempts = 5000000;
  std::vector<double> ns;
  for (int round = 0; round < rounds; ++round) {
    const double start = Now();
    if (RunIdleHaltLoop(kAttempts) != kAttempts) Fail("the idle halt loop ended early");
    ns.push_back((Now() - start) * 1e9 / kAttempts);
  }
  const std::string build = kLibraryFaultsCaught ? "the 32-bit build, guarded library calls"
                                                 : "the 64-bit test build, unguarded library calls";
  Section("Core loop in " + build + " (median of " + std::to_string(rounds) + ")");
  Row("core loop, no-op library and pass: ns per attempt", Fixed(Median(ns), 1), "");
  Detail("core loop ns/attempt: " + Samples(ns, 2));
}
