// Measures testz.exe under Wine against baseline programs doing the same platform work in the same
// run: the halt loop's pace, report rendering per log line, start-up time and peak memory; and
// the 32-bit core loop. Prints one tab-separated row per figure for scripts/bench.sh.
//
// usage: wine_bench [--rounds R] [--halt-rounds R] [--attempts N] [--ports P,P,...]
//                   [--themed-ports P] [--parts core,halt,report,startup]
//
// It sets the visual theme of the Wine prefix it runs in (the classic look, but for one report
// under Wine's light theme), so it is meant for a prefix of its own.
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

#include "idle_halt_loop.h"
#include "ui_driver.h"

namespace {

constexpr char kCaption[] = "Corvane Tesmar Recovery Utility v0.02";
constexpr char kReportBaselineCaption[] = "Report baseline";
constexpr char kStartUpBaselineCaption[] = "Start-up baseline";
constexpr char kVeyra[] = "USB Veyra (K/ZV/PLEX)";
constexpr char kLoaded[] = "unit_kelm.DLL library loaded.";
constexpr char kHalted[] = "Success. Processor halted.";
// The report writes the version, two separators, and per port type a count line and a none line
// or one line per port, with a separator between types: 22 lines besides the ports of type 3.
constexpr std::uint32_t kReportLinesBesidePorts = 22;

constexpr ui::Milliseconds kLongWait{600000};

struct Options {
  int rounds = 7;
  int halt_rounds = 11;
  std::uint32_t attempts = 20000;
  std::vector<std::uint32_t> ports = {1000, 10000};
  std::uint32_t themed_ports = 1000;  // 0: no report under the light theme
  std::string parts = "core,halt,report,startup";

  bool Includes(const std::string& part) const {
    return ("," + parts + ",").find("," + part + ",") != std::string::npos;
  }
};

// Every failure ends the whole measurement with its reason.
[[noreturn]] void Fail(const std::string& reason) {
  throw std::runtime_error(reason);
}

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / frequency;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
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
                  const std::vector<ui::Variable>& variables) {
  std::string error;
  ui::Program program = ui::Program::Start(folder + L"\\" + exe, folder, variables, &error);
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

std::string HaltScenario(const Options& options) {
  return "count.3 = 1\nhalt = attempts " + std::to_string(options.attempts) + "\n";
}

// testz.exe: "USB Veyra" chosen, START pressed, the loop runs until the library reports the
// processor halted at the last attempt. Microseconds per attempt, by the library's clock.
double ProgramHaltLoop(const Options& options) {
  const std::wstring folder = Work("halt_loop_program");
  Prepare(folder, {L"testz.exe", L"simulator.dll"});
  const std::wstring timing = folder + L"\\timing.txt";
  ui::Program program =
      Start(folder, L"testz.exe", SimulatorVariables(folder, HaltScenario(options), timing));
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
  const std::vector<HaltRun> runs = HaltRuns(timing);
  if (runs.size() != 1 || runs[0].attempts != options.attempts) {
    Fail("the program's timing file does not hold its one run");
  }
  return runs[0].microseconds_per_attempt;
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
                              SimulatorVariables(folder, HaltScenario(options), timing));
  const std::optional<DWORD> code = program.WaitForExit(kLongWait);
  if (!code || *code != 0) Fail("the halt-loop baseline failed");
  const std::vector<HaltRun> runs = HaltRuns(timing);
  if (runs.size() != 2) Fail("the baseline's timing file does not hold its two runs");
  return {runs[0].microseconds_per_attempt, runs[1].microseconds_per_attempt};
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

// The core loop in this 32-bit build, guarded calls included, with a library and a message pass
// that do nothing: the program's own work per attempt.
void MeasureCoreLoop(int rounds) {
  constexpr std::uint32_t kAttempts = 5000000;
  std::vector<double> ns;
  for (int round = 0; round < rounds; ++round) {
    const double start = Now();
    if (RunIdleHaltLoop(kAttempts) != kAttempts) Fail("the idle halt loop ended early");
    ns.push_back((Now() - start) * 1e9 / kAttempts);
  }
  Section("Core loop in the 32-bit build, guarded library calls (median of " +
          std::to_string(rounds) + ")");
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
// with a count short of the whole: the whole count arrives the moment it is done.
double TimeToLines(HWND start, HWND list, LRESULT lines) {
  const double begin = Now();
  if (!ui::Click(start)) Fail("START is disabled");
  for (;;) {
    if (ListCount(list) == lines) return Now() - begin;
    if (Now() - begin > kLongWait.count() / 1000.0) Fail("the list never filled");
    Sleep(1);
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
ReportFigures MeasureReportSize(std::uint32_t ports, int rounds, const std::string& label) {
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
  const std::string size = label + std::to_string(ports) + " ports (" +
                           std::to_string(ports + kReportLinesBesidePorts) + " lines)";
  Row(size + ", median of " + std::to_string(rounds), Fixed(figures.program, 3),
      Fixed(figures.baseline, 3), Fixed(ratio, 2), Verdict(ratio, 2.5));
  Row("  peak working set after it, MiB", Fixed(program_memory.peak_working_set_mib, 1),
      Fixed(baseline_memory.peak_working_set_mib, 1));
  Detail("report " + label + std::to_string(ports) + ", program ms/line: " + Samples(program, 4));
  Detail("report " + label + std::to_string(ports) + ", baseline ms/line: " + Samples(baseline, 4));
  return figures;
}

// Wine's default visual theme draws every scroll bar in 10 to 20 ms, which swamps everything
// else a list box redraw costs; the programs started next use the classic look unless `themed`.
void UseTheme(bool themed) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER,
                      "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    Fail("cannot open the theme settings");
  }
  const char* value = themed ? "1" : "0";
  const LONG written =
      RegSetValueExA(key, "ThemeActive", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), 2);
  RegCloseKey(key);
  if (written != ERROR_SUCCESS) Fail("cannot set the theme");
}

void MeasureReport(const Options& options) {
  Section("Report rendering under Wine: milliseconds per log line, from START to the last line");
  std::vector<ReportFigures> sizes;
  for (const std::uint32_t ports : options.ports) {
    // Large reports take long: fewer rounds, at least one.
    const int rounds = std::max(1, std::min(options.rounds, static_cast<int>(20000 / ports)));
    sizes.push_back(MeasureReportSize(ports, rounds, ""));
  }
  if (sizes.size() >= 2) {
    const std::string what = "  per line, " + std::to_string(options.ports.back()) + " ports / " +
                             std::to_string(options.ports.front()) + " ports";
    const double program = sizes.back().program / sizes.front().program;
    const double baseline = sizes.back().baseline / sizes.front().baseline;
    Row(what, Fixed(program, 2), Fixed(baseline, 2), "",
        std::string("flat: <= 1.25") + (program <= 1.25 ? " met" : " MISSED"));
  }
  if (options.themed_ports > 0) {
    UseTheme(true);
    MeasureReportSize(options.themed_ports, 1, "Wine's light theme, ");
    UseTheme(false);
  }
}

// ---- Start-up --------------------------------------------------------------------------------

struct WindowSearch {
  DWORD process_id;
  const char* caption;
  HWND found;
};

BOOL CALLBACK MatchVisible(HWND window, LPARAM l) {
  auto* search = reinterpret_cast<WindowSearch*>(l);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char caption[256] = {};
  if (owner != search->process_id || !IsWindowVisible(window) ||
      GetWindowTextA(window, caption, sizeof caption) == 0 ||
      std::strcmp(caption, search->caption) != 0) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// Polls every millisecond for the visible window with `caption` of `program`.
HWND PollForWindow(const ui::Program& program, const char* caption, double begin) {
  for (;;) {
    WindowSearch search{program.Id(), caption, nullptr};
    EnumWindows(&MatchVisible, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    if (!program.Running() || Now() - begin > 60) Fail(std::string("no window ") + caption);
    Sleep(1);
  }
}

struct StartUp {
  double milliseconds = 0;
  Memory memory;
};

// From just before the process is created to its window being visible and the program answering
// messages (it is waiting for input), with the program's start-up lines in its log.
StartUp ProgramStartUp() {
  const std::wstring folder = Work("start_up_program");
  Prepare(folder, {L"testz.exe", L"simulator.dll"});
  const std::vector<ui::Variable> variables = SimulatorVariables(folder, "");
  const double begin = Now();
  ui::Program program = Start(folder, L"testz.exe", variables);
  HWND window = PollForWindow(program, kCaption, begin);
  HWND list = ListBox(window);
  for (;;) {
    const std::vector<std::string> lines = ui::ListLines(list);
    if (lines.size() == 4 && lines[1] == kLoaded) break;
    if (Now() - begin > 60) Fail("the start-up lines never came");
    Sleep(1);
  }
  const double end = Now();
  const Memory memory = PeakMemory(program);
  CloseAndWait(program, window);
  return {(end - begin) * 1000.0, memory};
}

StartUp BaselineStartUp() {
  const std::wstring folder = Work("start_up_baseline");
  Prepare(folder, {L"baseline_window.exe"});
  const double begin = Now();
  ui::Program program = Start(folder, L"baseline_window.exe", {});
  HWND window = PollForWindow(program, kStartUpBaselineCaption, begin);
  // Its caption read through a message: answered once it waits for input.
  while (ui::Text(window) != kStartUpBaselineCaption) {
    if (Now() - begin > 60) Fail("the start-up baseline never answered");
    Sleep(1);
  }
  const double end = Now();
  const Memory memory = PeakMemory(program);
  CloseAndWait(program, window);
  return {(end - begin) * 1000.0, memory};
}

void MeasureStartUp(const Options& options) {
  // One start of each first, not counted: the files are then in the system's cache.
  ProgramStartUp();
  BaselineStartUp();
  std::vector<double> program;
  std::vector<double> baseline;
  std::vector<double> program_set;
  std::vector<double> baseline_set;
  std::vector<double> program_pagefile;
  std::vector<double> baseline_pagefile;
  for (int round = 0; round < options.rounds; ++round) {
    const StartUp p = ProgramStartUp();
    const StartUp b = BaselineStartUp();
    program.push_back(p.milliseconds);
    baseline.push_back(b.milliseconds);
    program_set.push_back(p.memory.peak_working_set_mib);
    baseline_set.push_back(b.memory.peak_working_set_mib);
    program_pagefile.push_back(p.memory.peak_pagefile_mib);
    baseline_pagefile.push_back(b.memory.peak_pagefile_mib);
  }
  const double ratio = PairedRatio(program, baseline);
  Section("Start-up under Wine: process creation to the window shown and waiting for input (" +
          std::to_string(options.rounds) + " pairs)");
  Row("milliseconds, median", Fixed(Median(program), 1), Fixed(Median(baseline), 1),
      Fixed(ratio, 2), Verdict(ratio, 1.2));
  Row("milliseconds, fastest", Fixed(Fastest(program), 1), Fixed(Fastest(baseline), 1),
      Fixed(Fastest(program) / Fastest(baseline), 2));
  Row("peak working set, MiB", Fixed(Median(program_set), 1), Fixed(Median(baseline_set), 1),
      Fixed(Median(program_set) / Median(baseline_set), 2));
  Row("peak pagefile usage (private bytes), MiB", Fixed(Median(program_pagefile), 1),
      Fixed(Median(baseline_pagefile), 1),
      Fixed(Median(program_pagefile) / Median(baseline_pagefile), 2));
  Detail("start-up, program ms: " + Samples(program, 1));
  Detail("start-up, baseline ms: " + Samples(baseline, 1));
}

Options ReadOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--rounds") {
      options.rounds = std::max(1, std::atoi(value.c_str()));
    } else if (name == "--attempts") {
      options.attempts = static_cast<std::uint32_t>(std::max(2, std::atoi(value.c_str())));
    } else if (name == "--halt-rounds") {
      options.halt_rounds = std::max(1, std::atoi(value.c_str()));
    } else if (name == "--parts") {
      options.parts = value;
    } else if (name == "--themed-ports") {
      options.themed_ports = static_cast<std::uint32_t>(std::max(0, std::atoi(value.c_str())));
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
    UseTheme(false);
    if (options.Includes("core")) MeasureCoreLoop(options.rounds);
    if (options.Includes("halt")) MeasureHaltLoop(options);
    if (options.Includes("report")) MeasureReport(options);
    if (options.Includes("startup")) MeasureStartUp(options);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "wine_bench: %s\n", error.what());
    return 1;
  }
}
