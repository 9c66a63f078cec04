// Start-up time, stage by stage, and peak memory, against the start-up floor and the baselines.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench_common.h"
#include "measure.h"
#include "ui_driver.h"
#include "wine_measurements.h"

namespace {

constexpr char kStartUpBaselineCaption[] = "Start-up baseline";
constexpr char kOneWindowCaption[] = "One-window baseline";
constexpr char kFloorCaption[] = "Start-up floor";
constexpr char kLoaded[] = "unit_kelm.DLL library loaded.";

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

}  // namespace

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
