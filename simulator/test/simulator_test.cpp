// Tests of the simulator library as the program loads it: its scenario, its answers, its trace.
#include <gtest/gtest.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "simulator_for_tests.h"
#include "unit_library_api_kelm.h"

#include <stdlib.h>
#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// Ends the process at once, as a kill would: no unload, no exit handlers.
[[noreturn]] void EndAbruptly() {
#if defined(_WIN32)
  TerminateProcess(GetCurrentProcess(), 3);
#endif
  _exit(3);
}

std::string Hex(std::uintptr_t value) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%08" PRIXPTR, value);
  return digits;
}

using NoArgumentFn = std::uint32_t(LIBRARY_CALL*)();

std::uint32_t CallUncalled(EntrySlot slot) {
  return reinterpret_cast<NoArgumentFn>(EntryPointTable[static_cast<std::size_t>(slot)])();
}

std::uint8_t HaltAttempt(std::uint8_t& status) {
  Entry<EntrySlot::corvane_special_features>()(SPECIAL_FEATURE_HALT_ATTEMPT, 1, 0, 0, 0, &status,
                                               0);
  return status;
}

std::string HaltAttemptLine(const std::uint8_t& status, const std::string& count) {
  return "corvane_special_features(44000100, 00000001, 00000000, 00000000, 00000000, " +
         Hex(reinterpret_cast<std::uintptr_t>(&status)) + ", 00000000) = 00000000 x " + count;
}

class SimulatorLibrary : public testing::Test {
 protected:
  void SetUp() override {
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : name) c = c == '/' ? '_' : c;
    scenario_file_ = testing::TempDir() + "simulator_" + name + ".scn";
    trace_file_ = testing::TempDir() + "simulator_" + name + ".trace";
    std::remove(scenario_file_.c_str());
    std::remove(trace_file_.c_str());
  }

  void TearDown() override {
    UnloadInterfaceLibrary();
    SetVariable("UNIT_KELM_SCENARIO", "");
    SetVariable("UNIT_KELM_TRACE", "");
    SetVariable("UNIT_KELM_TIMING", "");
    std::remove(scenario_file_.c_str());
    std::remove(trace_file_.c_str());
  }

  // The next load reads this scenario and writes the trace.
  void UseScenario(const std::string& text) {
    std::ofstream(scenario_file_, std::ios::binary) << text;
    SetVariable("UNIT_KELM_SCENARIO", scenario_file_);
    SetVariable("UNIT_KELM_TRACE", trace_file_);
  }

  static void LoadSimulator() { ASSERT_TRUE(LoadInterfaceLibrary(SimulatorPath("").c_str())); }

  void Load(const std::string& scenario_text) {
    UseScenario(scenario_text);
    LoadSimulator();
  }

  static std::string Version() { return CopyLibraryText(Entry<EntrySlot::version>()()); }

  static const char* Descriptor(std::uint32_t type, std::uint32_t number) {
    return Entry<EntrySlot::get_port_descriptor>()(type, number);
  }

  static std::uint32_t Count(std::uint32_t type) {
    return Entry<EntrySlot::get_enumerated_number_of_ports>()(type);
  }

  static std::uint32_t SetMode(std::uint32_t mode) {
    return Entry<EntrySlot::corvane_special_features>()(SPECIAL_FEATURE_SET_COMM_MODE, 1, mode, 0,
                                                        0, nullptr, 0);
  }

  std::string scenario_file_;
  std::string trace_file_;
};

TEST_F(SimulatorLibrary, TheScenarioFileDecidesEveryAnswerWord) {
  Load(
      "version = Simulated 2.0\n"
      "dll_version = 0xDEAD007B\n"
      "cable_version = 0x7FFFFFFF\n"
      "count.3 = 3\n"
      "descriptor.3.1 = first cable\n"
      "descriptor.3.2 = null\n"
      "count.5 = 0x10000\n"
      "descriptor.5 = every Pendrel\n"
      "count.9 = 1\n"
      "open_port = 0x100\n"
      "mode_swd = 0x300\n"
      "mode_jtag = 0x301\n"
      "check_critical_error = 0xFF00\n");
  EXPECT_EQ(Version(), "Simulated 2.0");
  EXPECT_EQ(Entry<EntrySlot::get_dll_version>()(), 0xDEAD007Bu);
  EXPECT_EQ(Entry<EntrySlot::get_cable_version>()(), 0x7FFFFFFFu);

  EXPECT_EQ(Count(3), 3u);
  EXPECT_EQ(Count(4), 0u);
  EXPECT_EQ(Count(5), 0x10000u);
  EXPECT_EQ(Count(2), 0u);
  EXPECT_STREQ(Descriptor(3, 1), "first cable");
  EXPECT_EQ(Descriptor(3, 2), nullptr);
  EXPECT_STREQ(Descriptor(3, 3), "Simulated USB Veyra cable 3");
  EXPECT_EQ(Descriptor(3, 4), nullptr);
  EXPECT_STREQ(Descriptor(5, 65536), "every Pendrel");
  EXPECT_STREQ(Descriptor(9, 1), "Simulated Ostrel USB cable 1");

  EXPECT_EQ(Entry<EntrySlot::open_port>()(3, 1), 0x100u);
  EXPECT_EQ(SetMode(0), 0x300u);
  EXPECT_EQ(SetMode(1), 0x301u);
  EXPECT_EQ(SetMode(2), 0u);
  EXPECT_EQ(Entry<EntrySlot::check_critical_error>()(), 0xFF00u);
}

TEST_F(SimulatorLibrary, ProblemsWithTheScenarioShowInTheVersionTextAndNothingIsAttached) {
  Load("version = fine\n\ncuont.3 = 1\n");
  const std::string message =
      "unit_kelm.DLL SIMULATOR: bad scenario " + scenario_file_ + ":3: unknown key \"cuont.3\"";
  EXPECT_EQ(Version(), message);
  for (std::uint32_t type = 3; type <= 9; ++type) EXPECT_EQ(Count(type), 0u);
  EXPECT_FALSE(ByteResult(Entry<EntrySlot::open_port>()(3, 1)));
  EXPECT_FALSE(ByteResult(SetMode(0)));
  EXPECT_TRUE(ByteResult(Entry<EntrySlot::check_critical_error>()()));
  std::uint8_t status = 0;
  EXPECT_EQ(HaltAttempt(status), 0);
  UnloadInterfaceLibrary();
  const std::vector<std::string> lines = LinesOf(trace_file_);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "attach scenario " + scenario_file_);
  EXPECT_EQ(lines[1], message);
  EXPECT_EQ(lines[2], "version()");

  SetVariable("UNIT_KELM_SCENARIO", scenario_file_ + ".missing");
  LoadSimulator();
  EXPECT_EQ(Version(), "unit_kelm.DLL SIMULATOR: cannot read the scenario file " + scenario_file_ +
                           ".missing");

  const std::string unwritable = testing::TempDir() + "no_such_folder/trace";
  SetVariable("UNIT_KELM_TRACE", unwritable);
  LoadSimulator();
  EXPECT_EQ(Version(), "unit_kelm.DLL SIMULATOR: cannot open the trace file " + unwritable);
}

TEST_F(SimulatorLibrary, WithoutAScenarioTheDemoRuns) {
  SetVariable("UNIT_KELM_TRACE", trace_file_);
  LoadSimulator();
  EXPECT_NE(Version().find("SIMULATOR"), std::string::npos);
  EXPECT_EQ(Count(3), 2u);
  EXPECT_EQ(LinesOf(trace_file_).front(), "attach scenario built-in demo");
}

// A call that sleeps is traced as its sleep begins too.
TEST_F(SimulatorLibrary, TheTraceShowsEveryCallInOrderAndCountsEachRunOfHaltAttempts) {
  Load("count.3 = 1\nhalt = attempts 3\nnot_halted_status = 0x7F\nsleep_ms.open_port = 5\n");
  Version();
  Entry<EntrySlot::reenumerate_all_port_types>()();
  Count(3);
  Descriptor(3, 1);
  EXPECT_EQ(Entry<EntrySlot::open_port>()(3, 1), 1u);
  SetMode(0);
  Entry<EntrySlot::reset_hardware_interface>()();
  Entry<EntrySlot::check_critical_error>()();
  Entry<EntrySlot::get_cable_version>()();
  std::uint8_t status = 0;
  EXPECT_EQ(HaltAttempt(status), 0x7F);
  EXPECT_EQ(HaltAttempt(status), 0x7F);
  EXPECT_EQ(HaltAttempt(status), 0xFF);
  // Any other call ends the run; the next run counts from its own first attempt.
  Entry<EntrySlot::close_port>()();
  EXPECT_EQ(HaltAttempt(status), 0x7F);
  EXPECT_EQ(CallUncalled(EntrySlot::get_block), 0u);
  UnloadInterfaceLibrary();

  const std::vector<std::string> expected = {
      "attach scenario " + scenario_file_,
      "version()",
      "reenumerate_all_port_types() = 00000000",
      "get_enumerated_number_of_ports(00000003) = 00000001",
      "get_port_descriptor(00000003, 00000001)",
      "open_port(00000003, 00000001) sleeping 5 ms",
      "open_port(00000003, 00000001) = 00000001",
      "corvane_special_features(44000001, 00000001, 00000000, 00000000, 00000000, 00000000, "
      "00000000) = 00000001",
      "reset_hardware_interface() = 00000000",
      "check_critical_error() = 00000000",
      "get_cable_version() = 00000001",
      HaltAttemptLine(status, "0000000003"),
      "close_port() = 00000000",
      HaltAttemptLine(status, "0000000001"),
      "get_block() = 00000000",
      "detach unload",
  };
  EXPECT_EQ(LinesOf(trace_file_), expected);
}

TEST_F(SimulatorLibrary, TheProcessorHaltsAsToldAndEveryCallTakesItsDelay) {
  Load("halt = never\nnot_halted_status = untouched\n");
  std::uint8_t status = 0x42;
  for (int i = 0; i < 50; ++i) HaltAttempt(status);
  EXPECT_EQ(status, 0x42);
  UnloadInterfaceLibrary();
  EXPECT_EQ(LinesOf(trace_file_).end()[-2], HaltAttemptLine(status, "0000000050"));

  const std::string trigger = scenario_file_ + ".power-cycled";
  std::remove(trigger.c_str());
  Load("halt = file " + trigger + "\n");
  EXPECT_EQ(HaltAttempt(status), 0);
  EXPECT_EQ(HaltAttempt(status), 0);
  std::ofstream(trigger) << "";
  EXPECT_EQ(HaltAttempt(status), 0xFF);
  std::remove(trigger.c_str());
  UnloadInterfaceLibrary();

  // A board that powers up when the power switch touches the file, for a window of a minute.
  Load("halt = touched 60000000 " + trigger + "\n");
  EXPECT_EQ(HaltAttempt(status), 0) << "not touched";
  std::ofstream(trigger) << "";
  std::filesystem::last_write_time(
      trigger, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  EXPECT_EQ(HaltAttempt(status), 0) << "touched an hour ago";
  std::ofstream(trigger) << "";
  EXPECT_EQ(HaltAttempt(status), 0xFF);
  std::remove(trigger.c_str());
  EXPECT_EQ(HaltAttempt(status), 0xFF) << "once halted, it stays halted";
  UnloadInterfaceLibrary();

  Load("halt = milliseconds 30\ndelay_us = 2000\n");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HaltAttempt(status), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(2000));
  while (HaltAttempt(status) != 0xFF &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
  }
  EXPECT_EQ(status, 0xFF);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

TEST_F(SimulatorLibrary, TheTimingFileHasALinePerRunOfHaltAttemptsWithTheTimeToTheFirstHalt) {
  const std::string timing_file = scenario_file_ + ".timing";
  std::remove(timing_file.c_str());
  SetVariable("UNIT_KELM_TIMING", timing_file);
  Load("halt = attempts 3\ndelay_us = 2000\n");
  std::uint8_t status = 0;
  for (int i = 0; i < 5; ++i) HaltAttempt(status);
  Entry<EntrySlot::close_port>()();  // ends the first run
  HaltAttempt(status);
  HaltAttempt(status);
  UnloadInterfaceLibrary();  // ends the second run
  const std::vector<std::string> lines = LinesOf(timing_file);
  std::remove(timing_file.c_str());
  ASSERT_EQ(lines.size(), 2u);
  const std::string prefix = "halt run: 5 attempts, first halted at attempt 3, ";
  const std::string suffix = " ns after the first attempt";
  ASSERT_EQ(lines[0].substr(0, prefix.size()), prefix);
  ASSERT_GT(lines[0].size(), prefix.size() + suffix.size());
  EXPECT_EQ(lines[0].substr(lines[0].size() - suffix.size()), suffix);
  // Attempts 2 and 3 each wait their delay between the two readings.
  const std::string ns =
      lines[0].substr(prefix.size(), lines[0].size() - prefix.size() - suffix.size());
  EXPECT_GE(std::stoull(ns), 4000000u);
  EXPECT_EQ(lines[1], "halt run: 2 attempts, none halted");

  const std::string unwritable = testing::TempDir() + "no_such_folder/timing";
  SetVariable("UNIT_KELM_TIMING", unwritable);
  LoadSimulator();
  EXPECT_EQ(Version(), "unit_kelm.DLL SIMULATOR: cannot open the timing file " + unwritable);
}

using SimulatorLibraryDeathTest = SimulatorLibrary;

// The child process does the loading, so that the parent never holds the trace open.
TEST_F(SimulatorLibraryDeathTest, AProcessEndingMidRunLeavesTheRightCountAndNoDetach) {
  UseScenario("halt = never\n");
  std::uint8_t status = 0;
  EXPECT_EXIT(
      {
        LoadSimulator();
        for (int i = 0; i < 7; ++i) HaltAttempt(status);
        EndAbruptly();
      },
      testing::ExitedWithCode(3), "");
  const std::vector<std::string> lines = LinesOf(trace_file_);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), HaltAttemptLine(status, "0000000007"));
}

// Freeing the library and exiting with it still loaded are traced differently, so that a reader
// of the trace can tell whether the program freed it.
TEST_F(SimulatorLibraryDeathTest, AProcessExitingWithTheLibraryLoadedTracesDetachExit) {
  UseScenario("");
  EXPECT_EXIT(
      {
        LoadSimulator();
        Entry<EntrySlot::close_port>()();
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(LinesOf(trace_file_),
            (std::vector<std::string>{"attach scenario " + scenario_file_,
                                      "close_port() = 00000000", "detach exit"}));
}

// One death test per program run: under Windows the dying child reruns the whole test first.
class FaultyExportDeathTest : public SimulatorLibrary,
                              public testing::WithParamInterface<const char*> {};

TEST_P(FaultyExportDeathTest, FaultsAfterItsTracedCall) {
  const std::string kind = GetParam();
  UseScenario("fault.open_port = " + kind + " after 1\n");
  // The second call must never return. How the process then ends differs between systems (Wine
  // ends it with status 0 after a stack overflow), so the status is not checked.
  EXPECT_EXIT(
      {
        LoadSimulator();
        Entry<EntrySlot::open_port>()(3, 1);
        Entry<EntrySlot::open_port>()(3, 2);
      },
      [](int) { return true; }, "");
  const std::vector<std::string> lines = LinesOf(trace_file_);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.end()[-2], "open_port(00000003, 00000001) = 00000001");
  EXPECT_EQ(lines.back(), "open_port(00000003, 00000002) fault " + kind);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, FaultyExportDeathTest,
                         testing::Values("access_violation", "illegal_instruction",
                                         "divide_by_zero", "stack_overflow"));

TEST_F(SimulatorLibraryDeathTest, AnUnterminatedTextIsFollowedByAnInaccessiblePage) {
  UseScenario("version = unterminated\ncount.3 = 1\ndescriptor.3.1 = unterminated\n");
  SetVariable("UNIT_KELM_TRACE", "");
  LoadSimulator();
  std::string expected;
  while (expected.size() < 255) expected += "unterminated ";
  expected.resize(255);
  EXPECT_EQ(Version(), expected);
  EXPECT_EQ(CopyLibraryText(Descriptor(3, 1)), expected);
  UnloadInterfaceLibrary();
  EXPECT_DEATH(
      {
        LoadSimulator();
        const volatile char* text = Entry<EntrySlot::version>()();
        static_cast<void>(text[255]);
      },
      "");
}

// A text at any address, one at the first byte of an inaccessible page, and statuses written as
// 32-bit values.
TEST_F(SimulatorLibraryDeathTest, UnreadableTextsAndStatusesOfFourBytes) {
  UseScenario(
      "version = address 0x10\ncount.3 = 1\ndescriptor.3.1 = unreadable\nstatus_bytes = 4\n"
      "halt = attempts 2\nnot_halted_status = 0x7F\n");
  LoadSimulator();
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(Entry<EntrySlot::version>()()), 0x10u);
  alignas(std::uint32_t) std::uint8_t status[4] = {};
  HaltAttempt(status[0]);
  EXPECT_EQ(std::vector<std::uint8_t>(status, status + 4),
            (std::vector<std::uint8_t>{0x7F, 0xA5, 0xA5, 0xA5}));
  HaltAttempt(status[0]);
  EXPECT_EQ(status[0], 0xFF);
  UnloadInterfaceLibrary();
  EXPECT_DEATH(
      {
        LoadSimulator();
        const volatile char* text = Descriptor(3, 1);
        static_cast<void>(text[0]);
      },
      "");
}

#if defined(TESTZ_LIBRARY_FAULTS_CAUGHT)
// Calls a two-argument export the cdecl way but leaves the arguments on the stack, and returns
// how far the stack pointer moved: -8 when the export left them, 0 when it removed them itself.
int StackChangeOfTwoArgumentCall(EntryAddress function) {
  int change = 0;
  asm volatile(
      "movl %%esp, %%esi\n\t"
      "pushl $1\n\t"
      "pushl $3\n\t"
      "call *%1\n\t"
      "movl %%esp, %0\n\t"
      "subl %%esi, %0\n\t"
      "movl %%esi, %%esp"
      : "=a"(change)
      : "D"(function)
      : "ecx", "edx", "esi", "memory", "cc");
  return change;
}

TEST_F(SimulatorLibrary, TheWrongCallingConventionRemovesTheArgumentsOnReturn) {
  Load("fault.open_port = callee_pops after 1\n");
  const EntryAddress open_port = EntryPointTable[static_cast<std::size_t>(EntrySlot::open_port)];
  EXPECT_EQ(StackChangeOfTwoArgumentCall(open_port), -8);
  EXPECT_EQ(StackChangeOfTwoArgumentCall(open_port), 0);
  EXPECT_EQ(StackChangeOfTwoArgumentCall(open_port), 0);
  UnloadInterfaceLibrary();
  const std::vector<std::string> lines = LinesOf(trace_file_);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[1], "open_port(00000003, 00000001) = 00000001");
  EXPECT_EQ(lines[2], "open_port(00000003, 00000001) = 00000001 fault callee_pops");
}

// Tests under Wine hand the program Unix file names; the library reaches them through Wine.
TEST_F(SimulatorLibrary, UnderWineUnixFileNamesAreAccepted) {
  using DosToUnixFn = char*(__cdecl*)(const wchar_t* dos_name);
  const auto dos_to_unix = reinterpret_cast<DosToUnixFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (dos_to_unix == nullptr) GTEST_SKIP() << "not running under Wine";
  const auto unix_name = [&](const std::string& dos_name) {
    const std::wstring wide(dos_name.begin(), dos_name.end());
    char* name = dos_to_unix(wide.c_str());
    std::string result = name != nullptr ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return result;
  };
  std::ofstream(scenario_file_, std::ios::binary) << "version = reached through Wine\n";
  const std::string unix_scenario = unix_name(scenario_file_);
  ASSERT_EQ(unix_scenario.front(), '/');
  SetVariable("UNIT_KELM_SCENARIO", unix_scenario);
  SetVariable("UNIT_KELM_TRACE", unix_name(trace_file_));
  LoadSimulator();
  EXPECT_EQ(Version(), "reached through Wine");
  EXPECT_EQ(LinesOf(trace_file_).front(), "attach scenario " + unix_scenario);
}
#endif

}  // namespace
