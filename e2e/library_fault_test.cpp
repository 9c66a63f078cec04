// End-to-end tests of a library call that faults: one line in the log, both buttons disabled,
// the window still closes, and no code of the faulty library runs again.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>

#include "fault_codes.h"
#include "testz_test.h"
#include "ui_driver.h"

namespace {

const char* const kVeyra = ItemOfPortType(3);
constexpr char kNeverHalts[] = "count.3 = 1\nhalt = never\n";

// A library call that faults ends the procedure with one line; both buttons stay disabled, the
// window still closes normally, and no code of the faulty library runs again: it is never freed,
// and the process ends without running its detach code.
struct Fault {
  const char* name;
  const char* scenario;
  const char* export_name;
  // The fault, whose code the line names; none for an export that moved the stack pointer.
  std::optional<PlatformFault> fault;
  const char* faulting_call;  // the trace's last call line
};

const Fault kFaults[] = {
    {"OpenPort", "fault.open_port = access_violation\n", "open_port",
     PlatformFault::kAccessViolation, "open_port(00000003, 00000001) fault access_violation"},
    {"ModeCall", "fault.corvane_special_features = illegal_instruction\n",
     "corvane_special_features", PlatformFault::kIllegalInstruction,
     "corvane_special_features(44000001, 00000001, 00000000, 00000000, 00000000, 00000000, "
     "00000000) fault illegal_instruction"},
    {"CheckCriticalError", "fault.check_critical_error = divide_by_zero\n", "check_critical_error",
     PlatformFault::kDivideByZero, "check_critical_error() fault divide_by_zero"},
    // The mode call is the first of corvane_special_features; the third halt attempt faults.
    {"ThirdHaltAttempt", "fault.corvane_special_features = access_violation after 3\n",
     "corvane_special_features", PlatformFault::kAccessViolation,
     "corvane_special_features(44000100, 00000001, 00000000, 00000000, 00000000, &HaltStatus, "
     "00000000) fault access_violation"},
    // The program goes on after the stack's guard page is restored.
    {"HaltAttemptOverflowingTheStack", "fault.corvane_special_features = stack_overflow after 3\n",
     "corvane_special_features", PlatformFault::kStackOverflow,
     "corvane_special_features(44000100, 00000001, 00000000, 00000000, 00000000, &HaltStatus, "
     "00000000) fault stack_overflow"},
    {"HaltAttemptRemovingItsArguments", "fault.corvane_special_features = callee_pops after 1\n",
     "corvane_special_features", std::nullopt,
     "corvane_special_features(44000100, 00000001, 00000000, 00000000, 00000000, &HaltStatus, "
     "00000000) = 00000000 fault callee_pops x 0000000001"},
    // Texts the program cannot read fault in its copy, which counts as the export's fault.
    {"UnreadableVersionText", "version = unreadable\n", "version", PlatformFault::kReadFault,
     "version()"},
    {"WildDescriptorPointer", "descriptor.3 = address 0x10\n", "get_port_descriptor",
     PlatformFault::kReadFault, "get_port_descriptor(00000003, 00000001)"},
};

// The line the fault ends the log with, with the code this platform reports for it.
std::string FaultLine(const Fault& fault) {
  const std::string failed = std::string("The interface library failed in ") + fault.export_name;
  if (!fault.fault) {
    return failed +
           " (it returned with the stack pointer moved: wrong calling convention). Restart the "
           "application.";
  }
  return failed + " (exception " + FaultCodeText(*fault.fault) + "). Restart the application.";
}

void PrintTo(const Fault& fault, std::ostream* out) {
  *out << fault.name;
}

class LibraryFault : public TestzTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(LibraryFault, EndsTheProcedureWithOneLineAndTheLibraryIsNeverFreed) {
  const Fault& fault = GetParam();
  if (fault.fault == PlatformFault::kStackOverflow && CpuEmulated()) {
    GTEST_SKIP() << kEmulatorAndStackOverflow;
  }
  const std::string line = FaultLine(fault);
  Launch(Library::kSimulator, std::string(kNeverHalts) + fault.scenario);
  Choose(kVeyra);
  HWND start = Find("Button", "START");
  HWND stop = Find("Button", "STOP");
  ASSERT_TRUE(ui::Click(start));
  ASSERT_TRUE(WaitForLogLine(line));
  ASSERT_TRUE(ui::WaitUntil([&] { return !ui::IsEnabled(stop); }));
  const Lines log = Log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], line) << "the fault line is the last";
  EXPECT_EQ(log.back(), "");
  EXPECT_EQ(std::count(log.begin(), log.end(), line), 1);
  EXPECT_FALSE(ui::IsEnabled(start));
  EXPECT_FALSE(ui::Click(start));

  ui::Close(window_);
  ASSERT_EQ(program_.WaitForExit(), 0u);
  const Lines trace = Masked(Trace());
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(trace.back(), fault.faulting_call) << "no call and no detach after the fault";
}

// An unattended run that meets a fault exits with its code, 5, and no code of the library runs
// after the fault.
using UnattendedRunFault = TestzTest;

TEST_F(UnattendedRunFault, EndsWith5) {
  LaunchWithArguments(Library::kSimulator,
                      std::string(kNeverHalts) + kFaults[3].scenario,  // the third halt attempt
                      L"--run 1");
  ASSERT_FALSE(HasFailure());
  EXPECT_EQ(program_.WaitForExit(), 5u);
  EXPECT_EQ(Masked(Trace()).back(), kFaults[3].faulting_call);
}

INSTANTIATE_TEST_SUITE_P(InEachCall, LibraryFault, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& param_info) {
                           return std::string(param_info.param.name);
                         });

}  // namespace
