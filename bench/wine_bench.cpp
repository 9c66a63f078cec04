// Measures testz.exe under Wine against baseline programs doing the same platform work in the same
// run: the halt loop's pace (also in an unattended run, with its power-cycle command and without),
// report rendering per log line and what each of its steps costs, start-up time with where it goes,
// peak memory, the odds of catching the processor in one power cycle (catch_rate.cpp); and the core
// loop. Prints one tab-separated row per figure for scripts/bench.sh.
//
// usage: wine_bench [--setting stock|classic] [--rounds R] [--halt-rounds R] [--attempts N]
//                   [--ports P,P,...] [--catch-windows N]
//                   [--parts core,halt,powercycle,report,steps,startup,catch]
//
// The setting names the Wine prefix it runs in: "stock", as wineboot made it (Wine's default
// visual theme, none of Wine's own fonts linked in), as a user has it; "classic", where it
// switches the prefix to the classic look (so it is meant for a prefix of its own), with Wine's
// fonts linked in. The core loop and the halt loop are measured in the stock setting only.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "catch_rate.h"
#include "idle_halt_loop.h"
#include "interface_kinds.h"
#include "library_faults.h"
#include "measure.h"
#include "ui_driver.h"

namespace {

constexpr char kCaption[] = "Corvane Tesmar Recovery Utility v0.02";
constexpr char kReportBaselineCaption[] = "Report baseline";
constexpr char kStartUpBaselineCaption[] = "Start-up baseline";
constexpr char kOneWindowCaption[] = "One-window baseline";
constexpr char kFloorCaption[] = "Start-up floor";
const char* const kVeyra = kInterfaceKinds.front().item;
constexpr char kLoaded[] = "unit_kelm.DLL library loaded.";
constexpr char kHalted[] = "Success. Processor halted.";
// The report writes the version, two separators, and per port type a count line and a none line
// or one line per port, with a separator between types: besides the ports of type 3, three lines
// per kind and one more.
constexpr auto kReportLinesBesidePorts = static_cast<std::uint32_t>(3 * kInterfaceKinds.size() + 1);

constexpr ui::Milliseconds kLongWait{600000};

struct Options {
  std::string setting = "stock";
  int rounds = 7;
  int halt_rounds = 11;
  std::uint32_t attempts = 20000;
  std::vector<std::uint32_t> ports = {1000, 10000};
  std::string parts = "core,halt,powercycle,report,steps,startup,catch";
  std::uint32_t catch_windows = 1000;  // per strategy and probe in the catch rate

  bool Stock() const { return setting == "stock"; }
  bool Includes(const std::string& part) const {
    return ("," + parts + ",").find("," + part + ",") != std::string::npos;
  }
  // How the measured prefix looks, for the section titles.
  std::string Where() const {
    return Stock() ? "Wine as installed: default theme, no font links"
                   : "classic theme, Wine's fonts linked";
  }
};

// Every failure ends the whole measurement with its reason.
[[noreturn]] void Fail(const std::string& reason) {
  throw std::runtime_error(reason);
}

// The ratio of program to baseline: the median of the ratios of runs made one right after the
// other, which share the machine's load of the moment better than the medians of all runs do.
double PairedRatio(const std::vector<double>& program, const std::vector<double>& baseline) {
  std::vector<double> ratios;
  for (std::size_t i = 0; i < program.size() && i < baseline.size(); ++i) {
    ratios.push_back(program[i] / baseline[i]);
  }
  return Median(ratios);
}

double Fastest(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Samples(const std::vector<double>& values, int decimals) {
  std::string text;
  for (double value : values) text += (text.empty() ? "" : " ") + Fixed(value, decimals);
  return text;
}

// Output rows: a section title, a figure of the program beside its baseline's, a note.
void Section(const std::string& title) {
  std::printf("section\t%s\n", title.c_str());
  std::fflush(stdout);
}

void Row(const std::string& what, const std::string& program, const std::string& baseline,
         const std::string& ratio = "", const std::string& goal = "") {
  std::printf("row\t%s\t%s\t%s\t%s\t%s\n", what.c_str(), program.c_str(), baseline.c_str(),
              ratio.c_str(), goal.c_str());
  std::fflush(stdout);
}

void Detail(const std::string& text) {
  std::printf("detail\t%s\n", text.c_str());
  std::fflush(stdout);
}

std::string Verdict(double ratio, double goal) {
  return "<= " + Fixed(goal, 2) + (ratio <= goal ? " met" : " MISSED");
}

std::wstring Payload(const std::wstring& name) {
  return ui::ProgramFolder() + L"\\payload\\" + name;
}

std::wstring Work(const std::string& name) {
  return ui::ProgramFolder() + L"\\work\\" + ui::ToWide(name);
}

// A fresh work folder holding `files` (payload names, copied under their own names, the
// simulator as unit_kelm.DLL).
void Prepare(const std::wstring& folder, const std::vector<std::wstring>& files) {
  std::vector<ui::FileCopy> copies;
  for (const std::wstring& file : files) {
    copies.push_back({Payload(file), file == L"simulator.dll" ? L"unit_kelm.DLL" : file});
  }
  std::string error;
  if (!ui::PrepareFolder(folder, copies, &error)) Fail(error);
}

ui::Program Start(const std::wstring& folder, const std::wstring& exe,
                  const std::vector<ui::Variable>& variables, const std::wstring& arguments = L"") {
  std::string error;
  ui::Program program =
      ui::Program::Start(folder + L"\\" + exe, folder, variables, &error, arguments);
  if (!program.Running()) Fail(error);
  return program;
}

// The simulator's variables: a scenario file written into the folder, no trace, and a timing
// file when `timing` names one.
std::vector<ui::Variable> SimulatorVariables(const std::wstring& folder,
                                             const std::string& scenario,
                                             const std::wstring& timing = L"") {
  const std::wstring scenario_file = folder + L"\\scenario.txt";
  if (!ui::WriteTextFile(scenario_file, scenario)) Fail("cannot write the scenario file");
  return {{"UNIT_KELM_SCENARIO", ui::ToAnsi(scenario_file)},
          {"UNIT_KELM_TRACE", ""},
          {"UNIT_KELM_TIMING", ui::ToAnsi(timing)}};
}

HWND Control(HWND window, const char* class_name, const char* text) {
  HWND control = ui::FindControl(window, class_name, text);
  if (control == nullptr) Fail(std::string("no ") + class_name + " \"" + text + "\"");
  return control;
}

HWND ListBox(HWND window) {
  const std::vector<HWND> lists = ui::FindControls(window, "ListBox");
  if (lists.size() != 1) Fail("expected one list box");
  return lists.front();
}

void CloseAndWait(ui::Program& program, HWND window) {
  ui::Close(window);
  const std::optional<DWORD> code = program.WaitForExit(ui::Milliseconds(30000));
  if (!code || *code != 0) Fail("a program did not end cleanly after its window was closed");
}

struct Memory {
  double peak_working_set_mib = 0;
  double peak_pagefile_mib = 0;
};

Memory PeakMemory(const ui::Program& program) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, program.Id());
  if (process == nullptr) Fail("cannot open a measured process");
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  const bool read = GetProcessMemoryInfo(process, &counters, sizeof counters) != FALSE;
  CloseHandle(process);
  if (!read) Fail("cannot read a measured process's memory counters");
  constexpr double kMib = 1024.0 * 1024.0;
  return {static_cast<double>(counters.PeakWorkingSetSize) / kMib,
          static_cast<double>(counters.PeakPagefileUsage) / kMib};
}

// ---- Halt loop -------------------------------------------------------------------------------

struct HaltRun {
  std::uint64_t attempts = 0;
  double microseconds_per_attempt = 0;
};

// The runs of the simulator's timing file that halted, in order.
std::vector<HaltRun> HaltRuns(const std::wstring& timing) {
  std::vector<HaltRun> runs;
  for (const std::string& line : ui::ReadLines(timing)) {
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

std::string HaltScenario(std::uint32_t attempts) {
  return "count.3 = 1\nhalt = attempts " + std::to_string(attempts) + "\n";
}

// The runs of the timing file in `folder`, which must hold one run of `attempts`: its
// microseconds per attempt.
double OneHaltRun(const std::wstring& timing, std::uint32_t attempts) {
  const std::vector<HaltRun> runs = HaltRuns(timing);
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
  const std::wstring timing = folder + L"\\timing.txt";
  ui::Program program = Start(folder, L"testz.exe",
                              SimulatorVariables(folder, HaltScenario(options.attempts), timing));
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
  return OneHaltRun(timing, options.attempts);
}

// testz.exe as a test rig runs it: --run "USB Veyra" with a power-cycle command that does nothing
// (the power switch without a file), at the default period of 3 seconds; the program presses
// START itself and exits once the library reports the processor halted at the last of `attempts`.
double UnattendedHaltLoop(std::uint32_t attempts, bool power_cycled) {
  const std::wstring folder = Work("halt_loop_unattended");
  Prepare(folder, {L"testz.exe", L"simulator.dll", L"power_switch.exe"});
  const std::wstring timing = folder + L"\\timing.txt";
  std::wstring arguments = L"--run 1";
  if (power_cycled) {
    arguments += L" --power-cycle \"" + folder + L"\\power_switch.exe\"";
  }
  ui::Program program = Start(
      folder, L"testz.exe", SimulatorVariables(folder, HaltScenario(attempts), timing), arguments);
  const std::optional<DWORD> code = program.WaitForExit(kLongWait);
  if (!code || *code != 0) Fail("the unattended run did not end halted");
  return OneHaltRun(timing, attempts);
}

struct BaselineHaltLoop {
  double library_alone = 0;
  double with_message_pass = 0;
};

BaselineHaltLoop BaselineHaltLoopRun(const Options& options) {
  const std::wstring folder = Work("halt_loop_baseline");
  Prepare(folder, {L"baseline_halt_loop.exe", L"simulator.dll"});
  const std::wstring timing = folder + L"\\timing.txt";
  ui::Program program = Start(folder, L"baseline_halt_loop.exe",
                              SimulatorVariables(folder, HaltScenario(options.attempts), timing));
  const std::optional<DWORD> code = program.WaitForExit(kLongWait);
  if (!code || *code != 0) Fail("the halt-loop baseline failed");
  const std::vector<HaltRun> runs = HaltRuns(timing);
  if (runs.size() != 2) Fail("the baseline's timing file does not hold its two runs");
  return {runs[0].microseconds_per_attempt, runs[1].microseconds_per_attempt};
}

// The unattended run's halt loop with its power-cycle command and without, alternately, in runs
// long enough for the command to start again a few times.
void MeasurePowerCycledHaltLoop(const Options& options) {
  const std::uint32_t attempts = options.attempts * 20;
  std::vector<double> plain;
  std::vector<double> power_cycled;
  for (int round = 0; round < options.halt_rounds; ++round) {
    if (round % 2 == 1) power_cycled.push_back(UnattendedHaltLoop(attempts, true));
    plain.push_back(UnattendedHaltLoop(attempts, false));
    if (round % 2 == 0) power_cycled.push_back(UnattendedHaltLoop(attempts, true));
  }
  const double ratio = PairedRatio(power_cycled, plain);
  Section("Halt loop of an unattended run, with --power-cycle and without (" +
          std::to_string(options.halt_rounds) + " pairs of runs of " + std::to_string(attempts) +
          " attempts; a command that does nothing, every 3 s)");
  Row("microseconds per attempt, median", Fixed(Median(power_cycled), 3), Fixed(Median(plain), 3),
      Fixed(ratio, 3), Verdict(ratio, 1.02));
  Detail("unattended halt loop with --power-cycle us/attempt: " + Samples(power_cycled, 3));
  Detail("unattended halt loop without us/attempt: " + Samples(plain, 3));
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

// The core loop in this Windows build (in the 32-bit one through the guard around library calls),
// with a library and a message pass that do nothing: the program's own work per attempt.
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

// ---- Report rendering ------------------------------------------------------------------------

// Lines of a list box, through the UTF-16 message as across processes it must be; waits for a
// busy program for up to two seconds per try.
std::optional<LRESULT> ListCount(HWND list) {
  DWORD_PTR count = 0;
  if (SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_BLOCK, 2000, &count) == 0) {
    return std::nullopt;
  }
  return static_cast<LRESULT>(count);
}

// Presses `start` and returns the seconds until `list` holds `lines` lines. A program busy
// writing answers nothing, or, in a report past its first two seconds, answers between lines
// with a count short of the whole: the whole count arrives the moment it is done. Every question
// answered costs such a program time that no user's click would, so a short count is asked again
// only when, at the pace so far, about half the remaining lines should be written: a few dozen
// questions in a whole report, and still one a millisecond near its end.
double TimeToLines(HWND start, HWND list, LRESULT lines) {
  const double begin = Now();
  if (!ui::Click(start)) Fail("START is disabled");
  for (;;) {
    const std::optional<LRESULT> count = ListCount(list);
    if (count == lines) return Now() - begin;
    const double elapsed = Now() - begin;
    if (elapsed > kLongWait.count() / 1000.0) Fail("the list never filled");
    double wait_ms = 1;
    if (count.has_value() && *count > 0 && *count < lines) {
      const double remaining =
          elapsed * static_cast<double>(lines - *count) / static_cast<double>(*count);
      wait_ms = std::max(1.0, remaining * 1000.0 / 2);
    }
    Sleep(static_cast<DWORD>(wait_ms));
  }
}

struct Rendering {
  double milliseconds_per_line = 0;
  Memory memory;
};

Rendering ProgramReport(std::uint32_t ports, std::vector<std::string>* lines) {
  const std::wstring folder = Work("report_program_" + std::to_string(ports));
  Prepare(folder, {L"testz.exe", L"simulator.dll"});
  ui::Program program =
      Start(folder, L"testz.exe",
            SimulatorVariables(folder, "count.3 = " + std::to_string(ports) + "\n"));
  HWND window = program.WaitForWindow(kCaption);
  if (window == nullptr) Fail("testz.exe showed no window");
  HWND list = ListBox(window);
  const std::uint32_t written = ports + kReportLinesBesidePorts;
  // The log ends with its empty current line.
  const double seconds =
      TimeToLines(Control(window, "Button", "START"), list, static_cast<LRESULT>(written) + 1);
  if (lines != nullptr) {
    *lines = ui::ListLines(list);
    lines->pop_back();
  }
  const Memory memory = PeakMemory(program);
  CloseAndWait(program, window);
  return {seconds * 1000.0 / written, memory};
}

Rendering BaselineReport(const std::vector<std::string>& lines) {
  const std::wstring folder = Work("report_baseline_" + std::to_string(lines.size()));
  Prepare(folder, {L"baseline_report.exe"});
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  if (!ui::WriteTextFile(folder + L"\\lines.txt", text)) Fail("cannot write the baseline's lines");
  ui::Program program = Start(folder, L"baseline_report.exe", {});
  HWND window = program.WaitForWindow(kReportBaselineCaption);
  if (window == nullptr) Fail("the report baseline showed no window");
  const auto count = static_cast<LRESULT>(lines.size());
  const double seconds = TimeToLines(Control(window, "Button", "START"), ListBox(window), count);
  const Memory memory = PeakMemory(program);
  CloseAndWait(program, window);
  return {seconds * 1000.0 / static_cast<double>(lines.size()), memory};
}

struct ReportFigures {
  double program = 0;
  double baseline = 0;
};

// Reports of `ports` ports from the program and the baseline, alternately; medians per line.
ReportFigures MeasureReportSize(std::uint32_t ports, int rounds) {
  std::vector<std::string> lines;
  std::vector<double> program;
  std::vector<double> baseline;
  Memory program_memory;
  Memory baseline_memory;
  for (int round = 0; round < rounds; ++round) {
    const Rendering p = ProgramReport(ports, round == 0 ? &lines : nullptr);
    const Rendering b = BaselineReport(lines);
    program.push_back(p.milliseconds_per_line);
    baseline.push_back(b.milliseconds_per_line);
    program_memory = p.memory;
    baseline_memory = b.memory;
  }
  const ReportFigures figures{Median(program), Median(baseline)};
  const double ratio = PairedRatio(program, baseline);
  const std::string size = std::to_string(ports) + " ports (" +
                           std::to_string(ports + kReportLinesBesidePorts) + " lines)";
  Row(size + ", median of " + std::to_string(rounds), Fixed(figures.program, 3),
      Fixed(figures.baseline, 3), Fixed(ratio, 2), Verdict(ratio, 2.1));
  Row("  peak working set after it, MiB", Fixed(program_memory.peak_working_set_mib, 1),
      Fixed(baseline_memory.peak_working_set_mib, 1));
  Detail("report " + std::to_string(ports) + ", program ms/line: " + Samples(program, 4));
  Detail("report " + std::to_string(ports) + ", baseline ms/line: " + Samples(baseline, 4));
  return figures;
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

void MeasureReport(const Options& options) {
  Section("Report rendering under Wine (" + options.Where() +
          "): milliseconds per log line, from START to the last line");
  std::vector<ReportFigures> sizes;
  for (const std::uint32_t ports : options.ports) {
    // Large reports take long: fewer rounds, at least one.
    const int rounds = std::max(1, std::min(options.rounds, static_cast<int>(10000 / ports)));
    sizes.push_back(MeasureReportSize(ports, rounds));
  }
  if (sizes.size() >= 2) {
    const std::string what = "  per line, " + std::to_string(options.ports.back()) + " ports / " +
                             std::to_string(options.ports.front()) + " ports";
    const double program = sizes.back().program / sizes.front().program;
    const double baseline = sizes.back().baseline / sizes.front().baseline;
    Row(what, Fixed(program, 2), Fixed(baseline, 2), "",
        std::string("flat: <= 1.25") + (program <= 1.25 ? " met" : " MISSED"));
  }
}

// What each step of a log line costs (bench/report_steps.cpp), in the way the program writes the
// log, the bare list box's way and the earlier ways of two steps.
void MeasureReportSteps(const Options& options) {
  constexpr int kLines = 300;
  constexpr int kRounds = 3;
  const std::wstring folder = Work("report_steps");
  Prepare(folder, {L"report_steps.exe"});
  ui::Program steps = Start(folder, L"report_steps.exe",
                            {{"REPORT_STEPS_LINES", std::to_string(kLines)},
                             {"REPORT_STEPS_ROUNDS", std::to_string(kRounds)}});
  const std::optional<DWORD> code = steps.WaitForExit(kLongWait);
  if (!code || *code != 0) Fail("report_steps.exe did not measure");

  // Lines of way, step, milliseconds per line; a way's total is the sum of its steps.
  struct WaySteps {
    std::string way;
    std::vector<std::pair<std::string, double>> steps;
    double total = 0;
  };
  std::vector<WaySteps> ways;
  for (const std::string& row : ui::ReadLines(folder + L"\\steps.tsv")) {
    const std::size_t first = row.find('\t');
    const std::size_t second = row.find('\t', first + 1);
    if (second == std::string::npos) Fail("report_steps.exe wrote a line it should not have");
    const std::string way = row.substr(0, first);
    const double ms = std::atof(row.c_str() + second + 1);
    if (ways.empty() || ways.back().way != way) ways.push_back({way, {}, 0});
    ways.back().steps.emplace_back(row.substr(first + 1, second - first - 1), ms);
    ways.back().total += ms;
  }
  if (ways.empty()) Fail("report_steps.exe wrote nothing");
  Section("Report steps under Wine (" + options.Where() + "): milliseconds per log line, " +
          std::to_string(kLines) + " lines, median of " + std::to_string(kRounds) +
          " rounds; ratio to the bare list box");
  const double bare = ways.front().total;
  for (const WaySteps& way : ways) {
    Row(way.way + ", all steps", Fixed(way.total, 3), "", Fixed(way.total / bare, 2));
    for (const auto& [step, ms] : way.steps) Row("  " + step, Fixed(ms, 3), "");
  }
}

// ---- Start-up --------------------------------------------------------------------------------

struct WindowSearch {
  DWORD process_id;
  const char* caption;
  HWND found;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM l) {
  auto* search = reinterpret_cast<WindowSearch*>(l);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char caption[256] = {};
  if (owner != search->process_id || GetWindowTextA(window, caption, sizeof caption) == 0 ||
      std::strcmp(caption, search->caption) != 0) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// A program measured from its start: what it is run with, how its window is known, and whether
// it shows the program's start-up lines.
struct Starter {
  const wchar_t* exe;
  const char* caption;
  bool with_lines;  // beside the simulator, its list holding the start-up lines
};

constexpr Starter kProgramStart{L"testz.exe", kCaption, true};
constexpr Starter kBaselineStart{L"baseline_startup.exe", kStartUpBaselineCaption, true};
constexpr Starter kBaselineWithRuntimeStart{L"baseline_startup_crt.exe", kStartUpBaselineCaption,
                                            true};
constexpr Starter kOneWindowStart{L"baseline_window.exe", kOneWindowCaption, false};
constexpr Starter kFloorStart{L"floor_startup.exe", kFloorCaption, true};

// Milliseconds from just before the process is created: to its window existing (the process and
// its runtime started, the window class registered), to the window visible (the controls made,
// the library loaded, the lines written) and to the program answering messages, waiting for
// input (the first paint done), with its start-up lines in its log.
struct StartUp {
  double created = 0;
  double shown = 0;
  double waiting = 0;
  Memory memory;
};

// Polls every millisecond until `reached` holds; the time since `begin`.
template <typename Condition>
double PollUntil(const ui::Program& program, double begin, const char* what, Condition reached) {
  for (;;) {
    if (reached()) return (Now() - begin) * 1000.0;
    if (!program.Running() || Now() - begin > 60) Fail(std::string("never reached: ") + what);
    Sleep(1);
  }
}

StartUp TimeStartUp(const Starter& starter) {
  const std::wstring folder = Work("start_up_" + ui::ToAnsi(starter.exe));
  std::vector<std::wstring> files = {starter.exe};
  if (starter.with_lines) files.push_back(L"simulator.dll");
  Prepare(folder, files);
  const std::vector<ui::Variable> variables =
      starter.with_lines ? SimulatorVariables(folder, "") : std::vector<ui::Variable>{};
  const double begin = Now();
  ui::Program program = Start(folder, starter.exe, variables);
  StartUp times;
  HWND window = nullptr;
  times.created = PollUntil(program, begin, starter.caption, [&] {
    WindowSearch search{program.Id(), starter.caption, nullptr};
    EnumWindows(&MatchCaption, reinterpret_cast<LPARAM>(&search));
    window = search.found;
    return window != nullptr;
  });
  times.shown =
      PollUntil(program, begin, "the window shown", [&] { return ui::IsVisible(window); });
  // Asked through messages: answered once it waits for input.
  times.waiting = PollUntil(program, begin, "the window waiting with its lines", [&] {
    if (!starter.with_lines) return ui::Text(window) == starter.caption;
    const std::vector<std::string> lines = ui::ListLines(ListBox(window));
    return lines.size() == 4 && lines[1] == kLoaded;
  });
  times.memory = PeakMemory(program);
  CloseAndWait(program, window);
  return times;
}

struct StartUpSamples {
  std::vector<double> created;
  std::vector<double> shown;
  std::vector<double> waiting;
  std::vector<double> working_set;
  std::vector<double> pagefile;

  void Add(const StartUp& times) {
    created.push_back(times.created);
    shown.push_back(times.shown);
    waiting.push_back(times.waiting);
    working_set.push_back(times.memory.peak_working_set_mib);
    pagefile.push_back(times.memory.peak_pagefile_mib);
  }
};

void MeasureStartUp(const Options& options) {
  const Starter* const starters[] = {&kProgramStart, &kFloorStart, &kBaselineStart,
                                     &kBaselineWithRuntimeStart, &kOneWindowStart};
  constexpr std::size_t kStarters = sizeof starters / sizeof starters[0];
  // One start of each first, not counted: the files are then in the system's cache.
  for (const Starter* starter : starters) TimeStartUp(*starter);
  StartUpSamples samples[kStarters];
  for (int round = 0; round < options.rounds; ++round) {
    // Each round starts with another program, so that a drift of the machine's pace favours none.
    for (std::size_t i = 0; i < kStarters; ++i) {
      const std::size_t which = (i + static_cast<std::size_t>(round)) % kStarters;
      samples[which].Add(TimeStartUp(*starters[which]));
    }
  }
  const StartUpSamples& program = samples[0];
  const StartUpSamples& floor = samples[1];
  const StartUpSamples& baseline = samples[2];
  const StartUpSamples& with_runtime = samples[3];
  const StartUpSamples& one_window = samples[4];
  const double ratio = PairedRatio(program.waiting, floor.waiting);
  Section("Start-up under Wine (" + options.Where() +
          "): process creation to the window shown and waiting for input, " +
          std::to_string(options.rounds) + " rounds; floor: the window's own start-up work, " +
          "no runtime");
  Row("milliseconds, median", Fixed(Median(program.waiting), 1), Fixed(Median(floor.waiting), 1),
      Fixed(ratio, 2), Verdict(ratio, 1.15));
  Row("milliseconds, fastest", Fixed(Fastest(program.waiting), 1), Fixed(Fastest(floor.waiting), 1),
      Fixed(Fastest(program.waiting) / Fastest(floor.waiting), 2));
  const double baseline_ratio = PairedRatio(program.waiting, baseline.waiting);
  Row("  against the start-up baseline, median", Fixed(Median(program.waiting), 1),
      Fixed(Median(baseline.waiting), 1), Fixed(baseline_ratio, 2), Verdict(baseline_ratio, 1.1));
  Row("  against one bare window (baseline_window), median", Fixed(Median(program.waiting), 1),
      Fixed(Median(one_window.waiting), 1),
      Fixed(PairedRatio(program.waiting, one_window.waiting), 2));
  Row("  the baseline with the C runtime's start-up, median",
      Fixed(Median(with_runtime.waiting), 1), Fixed(Median(baseline.waiting), 1),
      Fixed(PairedRatio(with_runtime.waiting, baseline.waiting), 2));
  // Where the time goes: the stages one after the other, as medians of each stage's own time.
  const auto stage = [](const std::vector<double>& to, const std::vector<double>& from) {
    std::vector<double> lengths;
    for (std::size_t i = 0; i < to.size(); ++i) lengths.push_back(to[i] - from[i]);
    return Median(lengths);
  };
  Row("  stage: process start to the window created, ms", Fixed(Median(program.created), 1),
      Fixed(Median(floor.created), 1));
  Row("  stage: controls, library and lines, to the window shown, ms",
      Fixed(stage(program.shown, program.created), 1), Fixed(stage(floor.shown, floor.created), 1));
  Row("  stage: first paint, to waiting for input, ms",
      Fixed(stage(program.waiting, program.shown), 1), Fixed(stage(floor.waiting, floor.shown), 1));
  Row("  one bare window: to its window created, ms", "", Fixed(Median(one_window.created), 1));
  Row("peak working set, MiB", Fixed(Median(program.working_set), 1),
      Fixed(Median(floor.working_set), 1),
      Fixed(Median(program.working_set) / Median(floor.working_set), 2));
  Row("peak pagefile usage (private bytes), MiB", Fixed(Median(program.pagefile), 1),
      Fixed(Median(floor.pagefile), 1),
      Fixed(Median(program.pagefile) / Median(floor.pagefile), 2));
  const char* const names[] = {"program", "floor", "baseline", "baseline with the C runtime",
                               "one window"};
  for (std::size_t i = 0; i < kStarters; ++i) {
    Detail(std::string("start-up, ") + names[i] +
           " ms to created: " + Samples(samples[i].created, 1));
    Detail(std::string("start-up, ") + names[i] + " ms to shown: " + Samples(samples[i].shown, 1));
    Detail(std::string("start-up, ") + names[i] +
           " ms to waiting: " + Samples(samples[i].waiting, 1));
  }
}

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

}  // namespace

int main(int argc, char** argv) {
  try {
    const Options options = ReadOptions(argc, argv);
    if (!options.Stock()) UseClassicLook();
    if (options.Stock() && options.Includes("core")) MeasureCoreLoop(options.rounds);
    if (options.Stock() && options.Includes("halt")) MeasureHaltLoop(options);
    if (options.Stock() && options.Includes("powercycle")) MeasurePowerCycledHaltLoop(options);
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
