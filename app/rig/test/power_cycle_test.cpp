// Tests of the power-cycle command in the test's own process under Wine, with the simulated
// board's power switch (copied beside the test) as the command: a tree of processes whose starts
// and ends it records to a file.
#include "power_cycle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;
using std::chrono::seconds;
using std::chrono::steady_clock;
using End = PowerCycleEvent::End;

constexpr nanoseconds Ms(long long count) {
  return std::chrono::duration_cast<nanoseconds>(milliseconds(count));
}

// The power switch beside the test program, with `arguments`.
std::wstring Switch(const std::wstring& arguments) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  return L"\"" + (folder / L"power_switch.exe").wstring() + L"\" " + arguments;
}

// What the switches of a test record: "start PID", "child PID", "end PID", a line each.
class Record {
 public:
  Record() {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::wstring(folder) + L"power-cycle-test-" +
            std::filesystem::path(test->name()).wstring() + L"-" + std::to_wstring(count_++) +
            L".txt";
    DeleteFileW(path_.c_str());
  }
  ~Record() { DeleteFileW(path_.c_str()); }

  // The option that records here.
  std::wstring Option() const { return L"--record \"" + path_ + L"\""; }

  // The process ids of the lines saying `what`, in order.
  std::vector<DWORD> Ids(const std::string& what) const {
    std::ifstream file{std::filesystem::path(path_)};
    std::vector<DWORD> ids;
    std::string word;
    unsigned long id = 0;
    while (file >> word >> id) {
      if (word == what) ids.push_back(id);
    }
    return ids;
  }
  // The switch the command started, the first to record.
  DWORD Parent() const { return Ids("start").at(0); }
  DWORD Child() const { return Ids("child").at(0); }
  bool Ended(DWORD id) const {
    for (DWORD ended : Ids("end")) {
      if (ended == id) return true;
    }
    return false;
  }

 private:
  static inline int count_ = 0;
  std::wstring path_;
};

bool Gone(DWORD process_id) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, process_id);
  if (!process) return true;
  const bool gone = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return gone;
}

// Waits up to 15 seconds for `done`.
bool WaitUntil(const std::function<bool()>& done) {
  const steady_clock::time_point deadline = steady_clock::now() + seconds(15);
  while (!done()) {
    if (steady_clock::now() > deadline) return false;
    Sleep(10);
  }
  return true;
}

// Ticks at `elapsed` until the last command's event is no longer running.
bool TickUntilEnded(PowerCycleCommand& command, nanoseconds elapsed) {
  return WaitUntil([&] {
    EXPECT_EQ(command.Tick(elapsed), 0u);
    return command.events().back().end != End::kRunning;
  });
}

// Ticks at `elapsed` until the command has started `count` times.
bool TickUntilStarted(PowerCycleCommand& command, nanoseconds elapsed, int count) {
  return WaitUntil([&] {
    EXPECT_EQ(command.Tick(elapsed), 0u);
    return command.started() == count;
  });
}

// The loop starts a command that starts a child recording to `record`: true once the child runs.
bool StartedWithChild(PowerCycleCommand& command, const Record& record) {
  return command.LoopStarted() == ERROR_SUCCESS &&
         WaitUntil([&] { return !record.Ids("child").empty(); });
}

TEST(PowerCycleCommand, ThePeriodCountsFromTheLastStartAndNeverTwoRunAtOnce) {
  PowerCycleCommand command(Switch(L"--sleep 500"), seconds(1), seconds(60));
  ASSERT_EQ(command.LoopStarted(), 0u);
  EXPECT_EQ(command.started(), 1);
  // Its period has come while it still runs: it is let finish, and the next starts as it has.
  EXPECT_EQ(command.Tick(Ms(1000)), 0u);
  EXPECT_EQ(command.started(), 1);
  EXPECT_TRUE(TickUntilStarted(command, Ms(1200), 2));
  EXPECT_EQ(command.events().at(0).end, End::kExited);
  EXPECT_GE(command.events().at(0).seconds, 0.45);
  ASSERT_TRUE(TickUntilEnded(command, Ms(1200)));
  // The next period counts from that late start at 1.2 s, not from 1 s.
  EXPECT_EQ(command.Tick(Ms(2100)), 0u);
  EXPECT_EQ(command.started(), 2);
  EXPECT_EQ(command.Tick(Ms(2200)), 0u);
  EXPECT_EQ(command.started(), 3);
  EXPECT_EQ(command.events().size(), 3u);
  EXPECT_EQ(command.failures(), 0);
  command.EndAtRunEnd(milliseconds(10000));
}

TEST(PowerCycleCommand, ACommandThatExitsWithACodeOtherThanZeroIsAFailure) {
  PowerCycleCommand failing(Switch(L"--exit 3"), seconds(1), seconds(60));
  ASSERT_EQ(failing.LoopStarted(), 0u);
  ASSERT_TRUE(TickUntilEnded(failing, Ms(500)));
  EXPECT_EQ(failing.failures(), 1);
  EXPECT_EQ(failing.events().at(0).end, End::kExited);
  EXPECT_EQ(failing.events().at(0).exit_code, 3u);
  ASSERT_TRUE(WaitUntil([&] {
    EXPECT_EQ(failing.Tick(Ms(1000)), 0u);
    return failing.events().size() == 2 && failing.events()[1].end != End::kRunning;
  }));
  EXPECT_EQ(failing.failures(), 2);

  PowerCycleCommand working(Switch(L""), seconds(1), seconds(60));
  ASSERT_EQ(working.LoopStarted(), 0u);
  ASSERT_TRUE(TickUntilEnded(working, Ms(500)));
  EXPECT_EQ(working.failures(), 0);
  EXPECT_EQ(working.events().at(0).exit_code, 0u);
  EXPECT_FALSE(working.EndAtRunEnd(milliseconds(10000)));
}

TEST(PowerCycleCommand, ACommandThatStartsAChildAndExitsRunsUntilItsChildHasEnded) {
  Record record;
  PowerCycleCommand command(Switch(L"--exit 4 --child 2000 " + record.Option()), Ms(100),
                            seconds(60));
  ASSERT_TRUE(StartedWithChild(command, record));
  const DWORD parent = record.Parent();
  const DWORD child = record.Child();
  ASSERT_TRUE(WaitUntil([&] { return Gone(parent); }));
  ASSERT_FALSE(Gone(child));
  // The command's own process has exited, its child runs on: the command still runs.
  for (int tick = 0; tick < 4; ++tick) {
    EXPECT_EQ(command.Tick(Ms(1000 + tick)), 0u);
    Sleep(100);
  }
  EXPECT_EQ(command.started(), 1);
  EXPECT_EQ(command.events().at(0).end, End::kRunning);
  ASSERT_TRUE(TickUntilStarted(command, Ms(2000), 2));
  EXPECT_TRUE(record.Ended(child)) << "the next started only after the child had ended";
  const PowerCycleEvent& first = command.events().at(0);
  EXPECT_EQ(first.end, End::kExited);
  EXPECT_EQ(first.exit_code, 4u) << "the command's own process's";
  EXPECT_GE(first.seconds, 1.9);
  EXPECT_EQ(command.failures(), 1);
  EXPECT_TRUE(command.EndAtRunEnd(milliseconds(0)));
}

TEST(PowerCycleCommand, ATreePastItsLimitIsEndedAndCountedAndTheRunGoesOn) {
  Record record;
  PowerCycleCommand command(Switch(L"--child 30000 " + record.Option()), Ms(500), seconds(1));
  ASSERT_TRUE(StartedWithChild(command, record));
  const DWORD parent = record.Parent();
  const DWORD child = record.Child();
  EXPECT_EQ(command.Tick(Ms(1000)), 0u);
  EXPECT_EQ(command.events().at(0).end, End::kRunning) << "not past its limit yet";
  EXPECT_EQ(command.failures(), 0);

  EXPECT_EQ(command.Tick(Ms(1100)), 0u);
  EXPECT_EQ(command.events().at(0).end, End::kLimit);
  EXPECT_EQ(command.failures(), 1);
  ASSERT_TRUE(TickUntilStarted(command, Ms(1100), 2));
  EXPECT_TRUE(Gone(child));
  EXPECT_TRUE(Gone(parent));
  EXPECT_FALSE(record.Ended(child));
  EXPECT_EQ(command.events().at(0).end, End::kLimit);
  EXPECT_TRUE(command.EndAtRunEnd(milliseconds(0)));
}

TEST(PowerCycleCommand, ACommandRunningAtTheRunsEndIsGivenItsGraceThenEndedWithItsTree) {
  Record finishing;
  PowerCycleCommand in_time(Switch(L"--sleep 1500 " + finishing.Option()), seconds(3), seconds(60));
  ASSERT_EQ(in_time.LoopStarted(), 0u);
  steady_clock::time_point start = steady_clock::now();
  EXPECT_FALSE(in_time.EndAtRunEnd(milliseconds(10000))) << "it ended within its grace";
  EXPECT_GE(steady_clock::now() - start, milliseconds(1000));
  EXPECT_EQ(in_time.events().at(0).end, End::kExited);
  EXPECT_TRUE(finishing.Ended(finishing.Parent()));

  Record ended;
  PowerCycleCommand too_late(Switch(L"--child 30000 " + ended.Option()), seconds(3), seconds(60));
  ASSERT_TRUE(StartedWithChild(too_late, ended));
  start = steady_clock::now();
  EXPECT_TRUE(too_late.EndAtRunEnd(milliseconds(700)));
  EXPECT_GE(steady_clock::now() - start, milliseconds(700)) << "its grace";
  EXPECT_LT(steady_clock::now() - start, milliseconds(7000));
  const PowerCycleEvent& event = too_late.events().at(0);
  EXPECT_EQ(event.end, End::kRunEnd);
  EXPECT_GE(event.seconds, 0.7);
  EXPECT_EQ(too_late.failures(), 0);
  EXPECT_TRUE(Gone(ended.Parent()));
  EXPECT_TRUE(Gone(ended.Child()));
  EXPECT_FALSE(ended.Ended(ended.Child()));
}

// Kill on job close: the tree goes with the program's last handle of its job, as when the program
// is killed.
TEST(PowerCycleCommand, TheTreeGoesWithTheCommand) {
  Record record;
  auto command = std::make_unique<PowerCycleCommand>(Switch(L"--child 30000 " + record.Option()),
                                                     seconds(3), seconds(60));
  ASSERT_TRUE(StartedWithChild(*command, record));
  command.reset();
  EXPECT_TRUE(WaitUntil([&] { return Gone(record.Child()); }));
}

// Whatever started the program may have put it in a job: the command's job is nested in it
// (since Windows 8; Wine 8 nests jobs as well).
TEST(PowerCycleCommand, RunsItsTreeInAJobOfItsOwnWhenTheProgramRunsInAJob) {
  // For the rest of this test's process, which runs this case alone.
  const HANDLE outer = CreateJobObjectW(nullptr, nullptr);
  ASSERT_NE(outer, nullptr);
  ASSERT_TRUE(AssignProcessToJobObject(outer, GetCurrentProcess())) << GetLastError();
  Record record;
  PowerCycleCommand command(Switch(L"--child 30000 " + record.Option()), seconds(3), Ms(500));
  ASSERT_TRUE(StartedWithChild(command, record));
  EXPECT_EQ(command.Tick(Ms(600)), 0u);
  EXPECT_EQ(command.events().at(0).end, End::kLimit);
  EXPECT_TRUE(WaitUntil([&] { return Gone(record.Child()); }));
  EXPECT_FALSE(command.EndAtRunEnd(milliseconds(0)));
}

TEST(PowerCycleCommand, ACommandThatCannotStartIsTheSystemsError) {
  PowerCycleCommand command(L"no_such_switch.exe", seconds(3), seconds(60));
  EXPECT_EQ(command.LoopStarted(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(command.started(), 0);
  EXPECT_TRUE(command.events().empty());
  EXPECT_FALSE(command.EndAtRunEnd(milliseconds(10000)));
}

}  // namespace
