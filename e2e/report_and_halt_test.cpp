// End-to-end tests of the START procedure on the simulator: the report read back line by line,
// one interface kind through to a halted processor, and a failed connection, with the library
// calls in the order the library expects them.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "testz_test.h"
#include "ui_driver.h"

namespace {

// Ports of several kinds: two Veyra cables, a serial port, three Pendrel units on Ethernet, a
// Quillon on USB and an Ostrel cable; none of the other kinds. The version numbers carry bits
// above the 16 the program reads.
constexpr char kSeveralKinds[] =
    "version = Recovery test library 3.10\n"
    "count.3 = 2\n"
    "descriptor.3.1 = Veyra K serial 1001\n"
    "descriptor.3.2 = Veyra ZV serial 2002\n"
    "count.4 = 1\n"
    "descriptor.4 = COM3\n"
    "count.6 = 3\n"
    "descriptor.6 = Pendrel Vell on the bench\n"
    "descriptor.6.2 = Pendrel Vell in the rack\n"
    "count.7 = 1\n"
    "descriptor.7 = Quillon USB 77\n"
    "count.9 = 1\n"
    "dll_version = 0x10136\n"
    "cable_version = 0x12345\n"
    "halt = attempts 4\n"
    "not_halted_status = 0x7F\n";

// Ports per type 3 to 9 in that scenario.
constexpr std::array<unsigned, 7> kCounts = {2, 1, 0, 3, 1, 0, 1};

const Lines kReport = {
    "Recovery test library 3.10",
    " ",
    " ",
    "Number of USB Veyras = 0002",
    "       Veyra K serial 1001",
    "       Veyra ZV serial 2002",
    " ",
    "Number of PC Serial Ports = 0001",
    "       COM3",
    " ",
    "Number of USB Pendrel Vell/Ormo = 0000",
    "       None.",
    " ",
    "Number of Ethernet Pendrel Vell/Ormos = 0003",
    "       Pendrel Vell on the bench",
    "       Pendrel Vell in the rack",
    "       Pendrel Vell on the bench",
    " ",
    "Number of Quillon USB Devices = 0001",
    "       Quillon USB 77",
    " ",
    "Number of Quillon Ethernet Devices = 0000",
    "       None.",
    " ",
    "Number of Ostrel USB Devices = 0001",
    "       Simulated Ostrel USB cable 1",
};

std::string Hex8(unsigned value) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08X", value);
  return digits;
}

std::string CountCall(unsigned type, unsigned count) {
  return "get_enumerated_number_of_ports(" + Hex8(type) + ") = " + Hex8(count);
}

// The report's calls: the version, the re-enumeration, then each type's count and descriptors.
Lines ReportCalls() {
  Lines calls = {"version()", "reenumerate_all_port_types() = 00000000"};
  for (unsigned type = 3; type <= 9; ++type) {
    const unsigned count = kCounts[type - 3];
    calls.push_back(CountCall(type, count));
    for (unsigned port = 1; port <= count; ++port) {
      calls.push_back("get_port_descriptor(" + Hex8(type) + ", " + Hex8(port) + ")");
    }
  }
  return calls;
}

Lines Concatenated(Lines first, const Lines& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

class ReportAndHalt : public TestzTest {
 protected:
  // Presses START and waits for the procedure's end; the log then.
  Lines RunProcedure() {
    const Lines before = Log();
    EXPECT_TRUE(ui::Click(Find("Button", "START")));
    EXPECT_TRUE(WaitForProcedureEnd(before));
    return Log();
  }

  // The trace without its first line, the library's attach.
  Lines Calls() {
    const Lines trace = Trace();
    return trace.empty() ? trace : Masked(Lines(trace.begin() + 1, trace.end()));
  }
};

TEST_F(ReportAndHalt, TheReportListsEveryKindOfPortLineByLine) {
  Launch(Library::kSimulator, kSeveralKinds);
  EXPECT_EQ(RunProcedure(), Concatenated(kReport, {""}));  // "Show Hardware" is chosen
  EXPECT_EQ(Calls(), ReportCalls());
  EXPECT_EQ(ui::Text(Find("Static", "?.??")), "?.??");
}

TEST_F(ReportAndHalt, OneKindGoesThroughToAHaltedProcessorInTheLibrarysOrder) {
  Launch(Library::kSimulator, kSeveralKinds);
  Choose("QuillonUSB");
  const Lines log = RunProcedure();
  EXPECT_EQ(log, Concatenated(kReport, {" ", "Communication via SWD", " ", "Cable Version is 9029",
                                        "Continuously attempting to halt processor.",
                                        "Please try power cycling your board until this "
                                        "operation is successful",
                                        "Success. Processor halted.", ""}));
  EXPECT_NE(ui::FindControl(window_, "Static", "3.10"), nullptr) << "the library version";

  ui::Close(window_);
  ASSERT_EQ(program_.WaitForExit(), 0u);
  const std::string mode =
      "corvane_special_features(44000001, 00000001, 00000000, 00000000, "
      "00000000, 00000000, 00000000) = 00000001";
  const std::string attempts =
      "corvane_special_features(44000100, 00000001, 00000000, "
      "00000000, 00000000, &HaltStatus, 00000000) = 00000000 x "
      "0000000004";
  EXPECT_EQ(Calls(),
            Concatenated(ReportCalls(),
                         {CountCall(7, 1), "open_port(00000007, 00000001) = 00000001", mode,
                          "reset_hardware_interface() = 00000000",
                          "check_critical_error() = 00000000", "get_dll_version() = 00010136",
                          "get_dll_version() = 00010136", "get_dll_version() = 00010136",
                          "get_cable_version() = 00012345", attempts, "detach unload"}));
}

TEST_F(ReportAndHalt, AFailedOpenWritesTheKindsMessageAndThenClosesThePort) {
  Launch(Library::kSimulator, std::string(kSeveralKinds) + "open_port = 0x100\n");
  Choose("PendrelORMO-Serial");
  EXPECT_EQ(RunProcedure(), Concatenated(kReport, {"Error opening serial port.", ""}));
  EXPECT_EQ(ui::Text(Find("Static", "?.??")), "?.??");
  EXPECT_EQ(Calls(), Concatenated(ReportCalls(),
                                  {CountCall(4, 1), "open_port(00000004, 00000001) = 00000100",
                                   "close_port() = 00000000"}));
}

}  // namespace
