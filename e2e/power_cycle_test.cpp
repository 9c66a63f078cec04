// End-to-end tests of the power-cycle command as a process tree: testz.exe --run with the power
// switch as a command that starts a child copy of itself, which records to record.txt in the
// work folder when each process starts and when it exits by itself. testz.exe runs in the UI
// driver's job, so the command's job is nested in that one. The limit is tried in
// app/rig/test/power_cycle_test.cpp.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "testz_test.h"

namespace {

using std::chrono::seconds;
using std::chrono::steady_clock;

class PowerCycleTree : public TestzTest {
 protected:
  // Runs testz.exe on a board that never halts, the power switch with `switch_arguments` and a
  // record as its command, and `arguments`.
  void Start(const std::wstring& switch_arguments, const std::wstring& arguments) {
    LaunchWithArguments(Library::kSimulator, "count.3 = 1\nhalt = never\n",
                        L"--run 1 --summary summary.json --power-cycle \"\\\"" +
                            PayloadFile(L"power_switch.exe") + L"\\\" " + switch_arguments +
                            L" --record record.txt\" " + arguments);
  }

  nlohmann::json Summary() {
    const std::optional<std::string> text = FileText(L"summary.json");
    if (!text) ADD_FAILURE() << "no summary was written";
    return nlohmann::json::parse(text.value_or("{}"));
  }

  // The record's lines: what ("start", "child", "end") and which process, in order.
  std::vector<std::pair<std::string, DWORD>> Record() {
    std::istringstream text(FileText(L"record.txt").value_or(""));
    std::vector<std::pair<std::string, DWORD>> lines;
    std::string what;
    unsigned long id = 0;
    while (text >> what >> id) lines.emplace_back(what, id);
    return lines;
  }

  std::vector<DWORD> Ids(const std::string& what) {
    std::vector<DWORD> ids;
    for (const auto& [said, id] : Record()) {
      if (said == what) ids.push_back(id);
    }
    return ids;
  }

  static bool Gone(DWORD process_id) {
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, process_id);
    if (!process) return true;
    const bool gone = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return gone;
  }
};

// The command exits at once and leaves a child running for 1.5 s; the period is 0.5 s. Each next
// command starts only once the whole tree of the last has ended.
TEST_F(PowerCycleTree, ACommandThatStartsAChildRunsOncePerPeriodNotOverItsChild) {
  Start(L"--child 1500", L"--power-cycle-period 0.5 --timeout 5");
  ASSERT_FALSE(HasFailure());
  EXPECT_EQ(program_.WaitForExit(seconds(60)), 2u);

  // Every process records its start and its end: none of the last tree runs when a command
  // starts.
  const std::vector<DWORD> children = Ids("child");
  int running = 0;
  int commands = 0;
  for (const auto& [what, id] : Record()) {
    const bool child = std::find(children.begin(), children.end(), id) != children.end();
    if (what == "start" && !child) {
      EXPECT_EQ(running, 0) << "command " << commands << " started over the last one's tree";
      ++commands;
    }
    if (what == "start") ++running;
    if (what == "end") --running;
  }
  EXPECT_EQ(running, 0) << "each process ended by itself";

  const nlohmann::json summary = Summary();
  EXPECT_EQ(summary["outcome"], "timeout");
  EXPECT_EQ(summary["power_cycles"], commands);
  EXPECT_GE(commands, 2);
  EXPECT_LE(commands, 4) << "a command takes 1.5 s, the loop 5 s, its period 0.5 s";
  EXPECT_EQ(summary["power_cycle_failures"], 0);
  EXPECT_EQ(summary["power_cycle_running_at_exit"], false);
  const nlohmann::json& events = summary["power_cycle_events"];
  ASSERT_EQ(events.size(), static_cast<std::size_t>(commands));
  for (const nlohmann::json& event : events) {
    EXPECT_EQ(event["exit_code"], 0) << event;
    EXPECT_GE(event["seconds"].get<double>(), 1.5) << "the child's time counts" << event;
    EXPECT_FALSE(event.contains("ended_by")) << event;
  }
}

// The loop ends after 1 s while the command's child would run 30 s: it is given 10 s, then ended
// with its tree.
TEST_F(PowerCycleTree, ACommandRunningAtTheEndIsEndedAfterItsGraceAndNothingOfItIsLeft) {
  const steady_clock::time_point start = steady_clock::now();
  Start(L"--child 30000", L"--timeout 1");
  ASSERT_FALSE(HasFailure());
  EXPECT_EQ(program_.WaitForExit(seconds(60)), 2u);
  EXPECT_GE(steady_clock::now() - start, seconds(10)) << "the grace";

  const nlohmann::json summary = Summary();
  EXPECT_EQ(summary["power_cycles"], 1);
  EXPECT_EQ(summary["power_cycle_failures"], 0);
  EXPECT_EQ(summary["power_cycle_running_at_exit"], true);
  ASSERT_EQ(summary["power_cycle_events"].size(), 1u);
  const nlohmann::json& event = summary["power_cycle_events"][0];
  EXPECT_EQ(event["ended_by"], "run_end");
  EXPECT_GE(event["seconds"].get<double>(), 10.0);
  EXPECT_FALSE(event.contains("exit_code"));

  for (const DWORD id : Ids("start")) EXPECT_TRUE(Gone(id)) << "process " << id << " is left";
  ASSERT_EQ(Ids("child").size(), 1u);
  EXPECT_TRUE(Ids("end").size() == 1u && Ids("end")[0] != Ids("child")[0])
      << "the switch exited by itself, its child was ended";
}

// Killed, the program takes the command's tree with it: the tree's job ends it when its last
// handle, the program's, is closed.
TEST_F(PowerCycleTree, AKilledProgramTakesTheCommandsTreeWithIt) {
  Start(L"--child 30000", L"");
  ASSERT_FALSE(HasFailure());
  ASSERT_TRUE(ui::WaitUntil([&] { return !Ids("child").empty(); }))
      << "the command started its child";
  const DWORD child = Ids("child")[0];
  EXPECT_FALSE(Gone(child));
  program_.Kill();
  EXPECT_TRUE(ui::WaitUntil([&] { return Gone(child); }));
}

}  // namespace
