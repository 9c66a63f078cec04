// What wine_bench's measurements share: options, output rows, programs run from work folders.
#include "bench_common.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "measure.h"

namespace {

std::wstring Payload(const std::wstring& name) {
  return ui::ProgramFolder() + L"\\payload\\" + name;
}

}  // namespace

[[noreturn]] void Fail(const std::string& reason) {
  throw std::runtime_error(reason);
}

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

void Section(const std::string& title) {
  std::printf("section\t%s\n", title.c_str());
  std::fflush(stdout);
}

void Row(const std::string& what, const std::string& program, const std::string& baseline,
         const std::string& ratio, const std::string& goal) {
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

std::wstring Work(const std::string& name) {
  return ui::ProgramFolder() + L"\\work\\" + ui::ToWide(name);
}

void Prepare(const std::wstring& folder, const std::vector<std::wstring>& files) {
  std::vector<ui::FileCopy> copies;
  for (const std::wstring& file : files) {
    copies.push_back({Payload(file), file == L"simulator.dll" ? L"unit_kelm.DLL" : file});
  }
  std::string error;
  if (!ui::PrepareFolder(folder, copies, &error)) Fail(error);
}

ui::Program Start(const std::wstring& folder, const std::wstring& exe,
                  const std::vector<ui::Variable>& variables, const std::wstring& arguments,
                  const std::wstring& output_file) {
  std::string error;
  // No standard handle of the measuring program's own: its output is the table.
  ui::Program program = ui::Program::Start(
      folder + L"\\" + exe, folder, variables, &error, arguments, output_file,
      output_file.empty() ? ui::StandardHandles::kNone : ui::StandardHandles::kOutputAndError);
  if (!program.Running()) Fail(error);
  return program;
}

std::vector<ui::Variable> SimulatorVariables(const std::wstring& folder,
                                             const std::string& scenario,
                                             const std::wstring& timing) {
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
