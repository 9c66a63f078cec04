// Randomized end-to-end soak: testz.exe on random simulator scenarios, driven with STOP, closes,
// the session's end and quits at random moments, every run checked against the library contract.
//
//   soak [--seed S] [--runs N] [--launch L]
//
// Runs launches of testz.exe (each a fresh scenario and a few STARTs) until N runs are done; the
// scenario and the actions of launch L come from (S, L) alone (soak_scenario.h), so `--launch L`
// replays that one launch. After each run: the buttons, the whole log and the version label as
// the path requires, the trace's calls in the library's order with the scenario's results, a
// fault exactly where the scenario puts one, nothing called after the library was freed
// (soak_checker.h), and the program neither crashed nor hung. Exit code 0 when every run passed.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "main_form_layout.h"
#include "soak_checker.h"
#include "soak_scenario.h"
#include "ui_driver.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kCaption[] = "Corvane Tesmar Recovery Utility v0.02";
// How long a run may take before it counts as hung, and how long a halt loop that nobody stops
// may run before the soak presses STOP itself.
constexpr ui::Milliseconds kRunLimit{20000};
constexpr ui::Milliseconds kUnattendedLoop{2500};
// A report handles no message before it has run this long; a STOP sent earlier waits until then.
constexpr ui::Milliseconds kReportRunsAlone{2000};
constexpr int kQuitExitCode = 3;
constexpr int kFailureLimit = 5;

// The "Test Hardware" item a run chooses, as the window shows it.
const char* ItemText(int item) {
  return kHardwareTypeTexts[static_cast<std::size_t>(item)];
}

struct Failure {
  std::uint32_t launch = 0;
  int run = 0;
  std::string reason;
};

// One launch: its scenario and planned runs, the program with the controls the soak works
// with, and what it has read and seen so far.
struct LaunchState {
  std::uint32_t launch = 0;
  Scenario scenario;
  std::vector<RunPlan> plans;
  std::wstring trace_file;
  ui::Program program;
  HWND window = nullptr;
  HWND start = nullptr;
  HWND stop = nullptr;
  HWND label6 = nullptr;
  HWND list = nullptr;
  Lines trace;
  Lines log;
  int run = 0;
  bool ended = false;    // the program has ended
  bool faulted = false;  // the library faulted: it must never be freed
};

// What a run's action sent to the program.
struct ActionSent {
  bool stop_sent = false;  // a STOP, close, session's end or quit may reach the halt loop
  // A STOP or a WM_QUERYENDSESSION that reached a running procedure must end its loop: the
  // soak's own STOP for an unattended loop would then be one too many.
  bool stopped_while_running = false;
};

// How a run ended for the launch: the next run follows, the runs end, or a failure was reported.
enum class RunEnd { next, last, reported };

bool ButtonsIdle(HWND start, HWND stop) {
  return ui::IsEnabled(start) && !ui::IsEnabled(stop);
}

bool ButtonsAfterFault(HWND start, HWND stop) {
  return !ui::IsEnabled(start) && !ui::IsEnabled(stop);
}

class Soak {
 public:
  Soak(std::uint32_t seed, std::wstring payload, std::wstring work)
      : seed_(seed), payload_(std::move(payload)), work_(std::move(work)) {}

  // Runs one launch: at most `runs_left` runs. Returns the number of runs made.
  int Launch(std::uint32_t launch, int runs_left);

  const std::map<std::string, int>& paths() const { return paths_; }
  const std::vector<Failure>& failures() const { return failures_; }
  int runs_passed() const { return runs_passed_; }

 private:
  bool Check(bool condition, const std::string& reason) {
    if (!condition && reason_.empty()) reason_ = reason;
    return condition;
  }
  // Starts testz.exe on the launch's scenario and finds its window and controls; false, with
  // the failure recorded, when it cannot.
  bool StartProgram(LaunchState& state);
  RunEnd MakeRun(const RunPlan& plan, ContractChecker& checker, LaunchState& state);
  // Chooses the run's interface kind and presses START; false when either fails.
  bool PressStart(const RunPlan& plan, const LaunchState& state);
  ActionSent SendAction(const RunPlan& plan, const LaunchState& state);
  // After a close, the session's end or a quit: the program ends with its exit code.
  void AwaitExit(const RunPlan& plan, LaunchState& state);
  // Otherwise the run ends once its first call is traced and the buttons are in an end state;
  // a halt loop that nobody stops the soak stops itself.
  void AwaitRunEnd(const RunPlan& plan, Clock::time_point started, ContractChecker& checker,
                   ActionSent& sent, LaunchState& state);
  // The run's calls against the contract, and what the window shows after it.
  RunOutcome CheckRun(const RunPlan& plan, bool stop_sent, ContractChecker& checker,
                      LaunchState& state);
  void CheckWindowAfterRun(RunOutcome& outcome, ContractChecker& checker, LaunchState& state);
  // Closes a program still running and checks its end and the library's detach.
  void EndLaunch(ContractChecker& checker, LaunchState& state);
  void Report(const LaunchState& state);

  std::uint32_t seed_;
  std::wstring payload_;
  std::wstring work_;
  std::map<std::string, int> paths_;
  std::vector<Failure> failures_;
  int runs_passed_ = 0;
  std::string reason_;
};

int Soak::Launch(std::uint32_t launch, int runs_left) {
  Random random(seed_, launch);
  LaunchState state;
  state.launch = launch;
  state.scenario = RandomScenario(random, launch);
  state.plans = PlanRuns(random, runs_left);
  reason_.clear();
  if (!StartProgram(state)) return 0;

  ContractChecker checker(state.scenario);
  for (const RunPlan& plan : state.plans) {
    ++state.run;
    const RunEnd end = MakeRun(plan, checker, state);
    if (end == RunEnd::reported) return state.run;
    if (end == RunEnd::last) break;
  }
  EndLaunch(checker, state);
  return state.run;
}

bool Soak::StartProgram(LaunchState& state) {
  const std::wstring folder = work_ + L"\\soak";
  const std::wstring scenario_file = folder + L"\\scenario.txt";
  state.trace_file = folder + L"\\trace.txt";
  std::string error;
  if (!ui::PrepareFolder(folder,
                         {{payload_ + L"\\testz.exe", L"testz.exe"},
                          {payload_ + L"\\libraries\\simulator.dll", L"unit_kelm.DLL"}},
                         &error) ||
      !ui::WriteTextFile(scenario_file, state.scenario.FileText())) {
    failures_.push_back({state.launch, 0, "cannot prepare the work folder: " + error});
    return false;
  }
  state.program = ui::Program::Start(folder + L"\\testz.exe", folder,
                                     {{"UNIT_KELM_TRACE", ui::ToAnsi(state.trace_file)},
                                      {"UNIT_KELM_SCENARIO", ui::ToAnsi(scenario_file)}},
                                     &error);
  state.window =
      state.program.Running() ? state.program.WaitForWindow(kCaption, kRunLimit) : nullptr;
  if (state.window == nullptr) {
    failures_.push_back({state.launch, 0, "testz.exe showed no window " + error});
    return false;
  }
  state.start = ui::FindControl(state.window, "Button", "START");
  state.stop = ui::FindControl(state.window, "Button", "STOP");
  state.label6 = ui::FindControl(state.window, "Static", "?.??");
  for (HWND found : ui::FindControls(state.window, "ListBox")) state.list = found;
  if (state.start == nullptr || state.stop == nullptr || state.label6 == nullptr ||
      state.list == nullptr) {
    failures_.push_back({state.launch, 0, "a control is missing from the window"});
    return false;
  }
  return true;
}

RunEnd Soak::MakeRun(const RunPlan& plan, ContractChecker& checker, LaunchState& state) {
  if (!PressStart(plan, state)) return RunEnd::last;
  const Clock::time_point started = Clock::now();
  std::this_thread::sleep_for(ui::Milliseconds(plan.delay_ms));
  ActionSent sent = SendAction(plan, state);
  if (EndsTheProgram(plan.action)) {
    AwaitExit(plan, state);
  } else {
    AwaitRunEnd(plan, started, checker, sent, state);
  }
  if (!reason_.empty()) {
    state.trace = ui::ReadLines(state.trace_file);
    Report(state);
    return RunEnd::reported;
  }

  const RunOutcome outcome = CheckRun(plan, sent.stop_sent, checker, state);
  if (!reason_.empty()) {
    Report(state);
    return RunEnd::reported;
  }
  ++paths_[outcome.path];
  if (state.ended) ++paths_[std::string("program ended by ") + ActionName(plan.action)];
  ++runs_passed_;
  return state.ended || state.faulted ? RunEnd::last : RunEnd::next;
}

bool Soak::PressStart(const RunPlan& plan, const LaunchState& state) {
  HWND item = ui::FindControl(state.window, "Button", ItemText(plan.item));
  Check(item != nullptr && ui::Click(item) && ui::WaitUntil([&] { return ui::IsChecked(item); }),
        std::string("cannot choose ") + ItemText(plan.item));
  Check(ui::Click(state.start), "START is not enabled before the run");
  return reason_.empty();
}

ActionSent Soak::SendAction(const RunPlan& plan, const LaunchState& state) {
  ActionSent sent;
  switch (plan.action) {
    case Action::none: break;
    case Action::stop:
      sent.stop_sent = ui::Click(state.stop);
      sent.stopped_while_running = sent.stop_sent;
      break;
    case Action::query_end_session: {
      const bool running = ui::IsEnabled(state.stop);
      sent.stop_sent = ui::Send(state.window, WM_QUERYENDSESSION).value_or(FALSE) == TRUE;
      Check(sent.stop_sent, "the session's end was refused");
      sent.stopped_while_running = running && sent.stop_sent;
      break;
    }
    case Action::close:
      ui::Close(state.window);
      sent.stop_sent = true;
      break;
    case Action::end_session:
      Check(ui::Send(state.window, WM_QUERYENDSESSION).value_or(FALSE) == TRUE,
            "the session's end was refused");
      Check(ui::Send(state.window, WM_ENDSESSION, TRUE, 0).has_value(),
            "no answer to WM_ENDSESSION");
      sent.stop_sent = true;
      break;
    case Action::quit: sent.stop_sent = ui::PostQuit(state.window, kQuitExitCode); break;
  }
  return sent;
}

void Soak::AwaitExit(const RunPlan& plan, LaunchState& state) {
  const std::optional<DWORD> code = state.program.WaitForExit(kRunLimit);
  const DWORD expected = plan.action == Action::quit ? kQuitExitCode : 0;
  Check(code.has_value(),
        std::string("the program did not end after ") + ActionName(plan.action) + ": hung");
  Check(!code || *code == expected, "exit code " + std::to_string(code.value_or(0)) + " after " +
                                        ActionName(plan.action) + ", expected " +
                                        std::to_string(expected));
  state.ended = true;
}

void Soak::AwaitRunEnd(const RunPlan& plan, Clock::time_point started, ContractChecker& checker,
                       ActionSent& sent, LaunchState& state) {
  bool pressed_stop = false;
  // A long report ends only when stopped, and handles no STOP before it has run alone.
  const ui::Milliseconds unattended =
      state.scenario.LongReport() ? kUnattendedLoop + kReportRunsAlone : kUnattendedLoop;
  const bool run_ended = ui::WaitUntil(
      [&] {
        if (!state.program.Running()) return true;
        state.trace = ui::ReadLines(state.trace_file);
        checker.SkipAttach(state.trace);
        if (!checker.RunBegan(state.trace)) return false;
        if (ButtonsIdle(state.start, state.stop) || ButtonsAfterFault(state.start, state.stop)) {
          return true;
        }
        // Nobody stops this loop: the soak does. A run that a STOP reached already must end by
        // itself, however slowly this CPU gets there.
        if (!pressed_stop && !sent.stopped_while_running && Clock::now() - started > unattended) {
          pressed_stop = ui::Click(state.stop);
          sent.stop_sent = sent.stop_sent || pressed_stop;
        }
        return false;
      },
      kRunLimit);
  Check(state.program.Running(), "the program ended by itself (crashed?)");
  Check(run_ended, sent.stopped_while_running
                       ? std::string("the halt loop went on after ") + ActionName(plan.action)
                       : std::string("the run did not end: hung"));
}

RunOutcome Soak::CheckRun(const RunPlan& plan, bool stop_sent, ContractChecker& checker,
                          LaunchState& state) {
  state.trace = ui::ReadLines(state.trace_file);
  checker.SkipAttach(state.trace);
  RunOutcome outcome;
  std::string why;
  if (state.ended && !checker.RunBegan(state.trace)) {
    // The program ended before it handled the START click (a sent WM_ENDSESSION overtakes
    // the posted click).
    outcome.path = "ended before START";
  } else if (!checker.Run(state.trace, plan.item, stop_sent, outcome, why)) {
    Check(false, why);
  }
  state.faulted = state.faulted || outcome.faulted;
  if (!state.ended) CheckWindowAfterRun(outcome, checker, state);
  return outcome;
}

void Soak::CheckWindowAfterRun(RunOutcome& outcome, ContractChecker& checker, LaunchState& state) {
  state.log = ui::ListLines(state.list);
  // Every finished line, then the empty current line.
  const auto shows = [&](Lines finished) {
    finished.push_back("");
    return state.log == finished;
  };
  bool matched = shows(outcome.log);
  for (const auto& [log, path] : outcome.also) {
    if (matched || !shows(log)) continue;
    matched = true;
    outcome.path = path;
  }
  Check(matched, "the log is not what the path \"" + outcome.path + "\" requires");
  Check(outcome.faulted ? ButtonsAfterFault(state.start, state.stop)
                        : ButtonsIdle(state.start, state.stop),
        std::string("the buttons are not ") +
            (outcome.faulted ? "both disabled after a fault" : "idle after the run"));
  const std::string label = ui::Text(state.label6);
  Check(label == checker.label(),
        "the version label shows \"" + label + "\", expected \"" + checker.label() + "\"");
  std::string why;
  Check(checker.End(state.trace, "", why), why);
}

void Soak::EndLaunch(ContractChecker& checker, LaunchState& state) {
  if (!state.ended) {
    // The user closes the window: the program ends with code 0 and frees the library, unless
    // it faulted, in which case the process ends without freeing it or running its detach code.
    ui::Close(state.window);
    const std::optional<DWORD> code = state.program.WaitForExit(kRunLimit);
    Check(code.has_value(), "the program did not end after the close: hung");
    Check(!code || *code == 0,
          "exit code " + std::to_string(code.value_or(0)) + " after the close");
    ++paths_[state.faulted ? "closed after a fault" : "closed when idle"];
  }
  state.trace = ui::ReadLines(state.trace_file);
  const bool quit =
      !state.plans.empty() && state.plans.back().action == Action::quit && state.ended;
  std::string why;
  if (reason_.empty()) {
    // After a fault the process ends without running the library's detach code: no detach line.
    const char* last = state.faulted ? "" : quit ? "detach exit" : "detach unload";
    Check(checker.End(state.trace, last, why), why);
  }
  if (!reason_.empty()) Report(state);
}

void Soak::Report(const LaunchState& state) {
  failures_.push_back({state.launch, state.run, reason_});
  std::printf("FAILED: seed %u launch %u run %d: %s\n", static_cast<unsigned>(seed_),
              static_cast<unsigned>(state.launch), state.run, reason_.c_str());
  std::printf("  replay: soak --seed %u --launch %u\n  scenario:\n", static_cast<unsigned>(seed_),
              static_cast<unsigned>(state.launch));
  std::istringstream lines(state.scenario.FileText());
  for (std::string line; std::getline(lines, line);) std::printf("    %s\n", line.c_str());
  std::printf("  runs:\n");
  for (std::size_t i = 0; i < state.plans.size(); ++i) {
    std::printf("    %zu: %s, %s after %d ms\n", i + 1, ItemText(state.plans[i].item),
                ActionName(state.plans[i].action), state.plans[i].delay_ms);
  }
  const Lines& trace = state.trace;
  std::printf("  trace (last lines):\n");
  for (std::size_t i = trace.size() > 20 ? trace.size() - 20 : 0; i < trace.size(); ++i) {
    std::printf("    %s\n", trace[i].c_str());
  }
  const Lines& log = state.log;
  std::printf("  log (last lines read):\n");
  for (std::size_t i = log.size() > 12 ? log.size() - 12 : 0; i < log.size(); ++i) {
    std::printf("    |%s|\n", log[i].c_str());
  }
  std::fflush(stdout);
}

bool ParseNumber(const char* text, std::uint32_t& value) {
  char* end = nullptr;
  const unsigned long parsed = std::strtoul(text, &end, 10);
  if (end == text || *end != '\0') return false;
  value = static_cast<std::uint32_t>(parsed);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint32_t seed = 1;
  std::uint32_t runs = 80;
  std::optional<std::uint32_t> only_launch;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    std::uint32_t value = 0;
    if (i + 1 >= argc || !ParseNumber(argv[i + 1], value)) {
      std::fprintf(stderr, "usage: soak [--seed S] [--runs N] [--launch L]\n");
      return 2;
    }
    ++i;
    if (option == "--seed") {
      seed = value;
    } else if (option == "--runs") {
      runs = value;
    } else if (option == "--launch") {
      only_launch = value;
    } else {
      std::fprintf(stderr, "unknown option %s\n", option.c_str());
      return 2;
    }
  }

  const std::wstring folder = ui::ProgramFolder();
  Soak soak(seed, folder + L"\\payload", folder + L"\\work");
  const Clock::time_point began = Clock::now();
  int done = 0;
  std::uint32_t launches = 0;
  if (only_launch) {
    done = soak.Launch(*only_launch, 1000);
    launches = 1;
  } else {
    for (std::uint32_t launch = 1; done < static_cast<int>(runs); ++launch) {
      done += std::max(1, soak.Launch(launch, static_cast<int>(runs) - done));
      launches = launch;
      if (soak.failures().size() >= static_cast<std::size_t>(kFailureLimit)) break;
    }
  }
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - began).count();

  const int failed = static_cast<int>(soak.failures().size());
  std::printf("soak: seed %u, %d runs in %u launches, %lld s\n", static_cast<unsigned>(seed),
              soak.runs_passed() + failed, static_cast<unsigned>(launches),
              static_cast<long long>(seconds));
  std::printf("paths covered:\n");
  for (const auto& [path, count] : soak.paths()) std::printf("  %-40s %d\n", path.c_str(), count);
  for (const Failure& failure : soak.failures()) {
    std::printf("failure: launch %u run %d: %s\n", static_cast<unsigned>(failure.launch),
                failure.run, failure.reason.c_str());
  }
  std::printf("soak: %d passed, %d failed\n", soak.runs_passed(), failed);
  return failed == 0 ? 0 : 1;
}
