// Report rendering per log line against its baseline, and what each step of a log line costs.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench_common.h"
#include "interface_kinds.h"
#include "measure.h"
#include "ui_driver.h"
#include "wine_measurements.h"

namespace {

constexpr char kReportBaselineCaption[] = "Report baseline";
// The report writes the version, two separators, and per port type a count line and a none line
// or one line per port, with a separator between types: besides the ports of type 3, three lines
// per kind and one more.
constexpr auto kReportLinesBesidePorts = static_cast<std::uint32_t>(3 * kInterfaceKinds.size() + 1);

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

}  // namespace

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
