// Tests of the START procedure against a scripted library and a recording window.
#include "recovery_procedure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "interface_kinds.h"
#include "library_lifetime.h"
#include "procedure_steps.h"
#include "recovery_doubles.h"
#include "stop_request.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kHaltAttempt = "corvane_special_features(0x44000100,1,0,0,0,status,0)";
const char* const kAdvicePowerCycle =
    "Please try power cycling your board until this operation is successful";

// The report's count lines by PortType from 3, before the count's four digits.
const char* const kCountLines[] = {
    "Number of USB Veyras = ",
    "Number of PC Serial Ports = ",
    "Number of USB Pendrel Vell/Ormo = ",
    "Number of Ethernet Pendrel Vell/Ormos = ",
    "Number of Quillon USB Devices = ",
    "Number of Quillon Ethernet Devices = ",
    "Number of Ostrel USB Devices = ",
};

// Ports attached of one PortType: how many, and the count as the report's four digits show it.
struct Attached {
  std::uint32_t type;
  int count;
  std::string digits;
};

// A clock that stands still unless the test moves it.
class FakeClock final : public ProcedureClock {
 public:
  std::chrono::steady_clock::time_point now;
  std::chrono::steady_clock::time_point Now() const override { return now; }
};

class RecoveryTest : public ::testing::Test {
 protected:
  Journal journal;
  ScriptedLibrary library{journal};
  ScriptedWindow window{journal};
  FakeClock clock;

  // The user's choice when START is pressed: "Test Hardware" and "Communication" items.
  int hardware_type = 0;
  int communication_type = 0;
  PortChoice port_choice;  // as the window's START: port 1

  void SetUp() override {
    StopRequested = 0;
    // What the window shows before START: the lines of a successful library load.
    window.lines() = {"", "unit_kelm.DLL library loaded.", "", ""};
  }

  RecoveryEnding Run() {
    return RecoveryProcedure(window, hardware_type, communication_type, port_choice, clock);
  }

  // The report of the scripted library's version when only `attached` ports are attached, with
  // the double's descriptor texts.
  Lines Report(const std::vector<Attached>& attached = {}) const {
    Lines lines = {"Interface library 4.56", " ", " "};
    for (std::uint32_t type = 3; type <= 9; ++type) {
      if (type > 3) lines.push_back(" ");
      const auto ports = std::find_if(attached.begin(), attached.end(),
                                      [type](const Attached& a) { return a.type == type; });
      if (ports == attached.end()) {
        lines.insert(lines.end(), {std::string(kCountLines[type - 3]) + "0000", "       None."});
        continue;
      }
      lines.push_back(kCountLines[type - 3] + ports->digits);
      for (int port = 1; port <= ports->count; ++port) {
        lines.push_back("       port " + std::to_string(type) + "/" + std::to_string(port));
      }
    }
    return lines;
  }

  // The whole log expected after a run: the report, then the given lines, then the empty
  // current line.
  Lines ReportThen(const std::vector<Attached>& attached, const Lines& after) const {
    Lines lines = Report(attached);
    lines.insert(lines.end(), after.begin(), after.end());
    lines.push_back("");
    return lines;
  }

  // Library calls only, in order.
  Lines Calls() const {
    Lines calls;
    for (const auto& entry : journal) {
      if (entry.find('(') != std::string::npos && entry.rfind("line ", 0) != 0) {
        calls.push_back(entry);
      }
    }
    return calls;
  }

  // Library calls after the report's last one.
  Lines CallsAfterReport() const {
    Lines calls = Calls();
    std::size_t report = 2;
    for (const InterfaceKind& kind : kInterfaceKinds) report += 1 + library.counts[kind.port_type];
    return Lines(calls.begin() + static_cast<std::ptrdiff_t>(report), calls.end());
  }

  // The journal from the procedure's last library call on.
  Lines JournalFromLastCall() const {
    auto last = std::find_if(journal.rbegin(), journal.rend(), [](const std::string& entry) {
      return entry.find('(') != std::string::npos && entry.rfind("line ", 0) != 0;
    });
    return Lines(last.base() - 1, journal.end());
  }

  void ExpectIdleButtonsRestoredLast() const {
    EXPECT_TRUE(window.start_enabled);
    EXPECT_FALSE(window.stop_enabled);
    ASSERT_GE(journal.size(), 4u);
    EXPECT_EQ(Lines(journal.begin(), journal.begin() + 2), (Lines{"START off", "STOP on"}));
    EXPECT_EQ(Lines(journal.end() - 2, journal.end()), (Lines{"START on", "STOP off"}));
  }
};

using RecoveryReport = RecoveryTest;
using RecoveryConnection = RecoveryTest;
using RecoveryHaltLoop = RecoveryTest;
using RecoveryPortChoice = RecoveryTest;
using RecoveryVersions = RecoveryTest;

TEST_F(RecoveryReport, NothingAttachedGivesSevenNoneBlocksAndShowHardwareEndsThere) {
  Run();
  EXPECT_EQ(window.lines(), (Lines{"Interface library 4.56",
                                   " ",
                                   " ",
                                   "Number of USB Veyras = 0000",
                                   "       None.",
                                   " ",
                                   "Number of PC Serial Ports = 0000",
                                   "       None.",
                                   " ",
                                   "Number of USB Pendrel Vell/Ormo = 0000",
                                   "       None.",
                                   " ",
                                   "Number of Ethernet Pendrel Vell/Ormos = 0000",
                                   "       None.",
                                   " ",
                                   "Number of Quillon USB Devices = 0000",
                                   "       None.",
                                   " ",
                                   "Number of Quillon Ethernet Devices = 0000",
                                   "       None.",
                                   " ",
                                   "Number of Ostrel USB Devices = 0000",
                                   "       None.",
                                   ""}));
  EXPECT_EQ(Calls(),
            (Lines{"version()", "reenumerate_all_port_types()", "get_enumerated_number_of_ports(3)",
                   "get_enumerated_number_of_ports(4)", "get_enumerated_number_of_ports(5)",
                   "get_enumerated_number_of_ports(6)", "get_enumerated_number_of_ports(7)",
                   "get_enumerated_number_of_ports(8)", "get_enumerated_number_of_ports(9)"}));
  // The log is cleared before anything is asked of the library; the version is asked before the
  // first separator and the re-enumeration comes between the two separators.
  EXPECT_EQ(Lines(journal.begin(), journal.begin() + 8),
            (Lines{"START off", "STOP on", "clear", "version()", "line Interface library 4.56",
                   "line  ", "reenumerate_all_port_types()", "line  "}));
  EXPECT_EQ(JournalFromLastCall(),
            (Lines{"get_enumerated_number_of_ports(9)", "line Number of Ostrel USB Devices = 0000",
                   "line        None.", "START on", "STOP off"}));
  EXPECT_EQ(window.label, "?.??");
  EXPECT_EQ(window.message_passes, 0);
  ExpectIdleButtonsRestoredLast();
}

TEST_F(RecoveryReport, CountsOfTwoAndTwentySixListEveryPortInOrder) {
  library.counts[4] = 2;
  library.counts[8] = 26;
  Run();
  EXPECT_EQ(window.lines(), ReportThen({{4, 2, "0002"}, {8, 26, "001A"}}, {}));
  const Lines& lines = window.lines();
  EXPECT_EQ(Lines(lines.begin() + 6, lines.begin() + 9),
            (Lines{"Number of PC Serial Ports = 0002", "       port 4/1", "       port 4/2"}));
  const Lines calls = Calls();
  EXPECT_EQ(Lines(calls.begin() + 3, calls.begin() + 6),
            (Lines{"get_enumerated_number_of_ports(4)", "get_port_descriptor(4,1)",
                   "get_port_descriptor(4,2)"}));
  EXPECT_EQ(calls.size(), 9u + 2u + 26u);
}

TEST_F(RecoveryReport, CountOf65536ShowsItsLowBitsAndListsEveryPort) {
  library.counts[9] = 65536;
  Run();
  const Lines& lines = window.lines();
  ASSERT_EQ(lines.size(), 3u + 7u * 2u + 6u - 1u + 65536u + 1u);
  EXPECT_EQ(lines[21], "Number of Ostrel USB Devices = 0000");
  EXPECT_EQ(lines[22], "       port 9/1");
  EXPECT_EQ(lines[22 + 65535], "       port 9/65536");
  EXPECT_EQ(lines.back(), "");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "       None."), 6);

  const Lines calls = Calls();
  ASSERT_EQ(calls.size(), 9u + 65536u);
  for (std::uint32_t i = 1; i <= 65536; ++i) {
    ASSERT_EQ(calls[8 + i], "get_port_descriptor(9," + std::to_string(i) + ")");
  }
}

TEST_F(RecoveryReport, LibraryTextsAreCopiedNullReadsAsEmptyAndLinesAreCutAt255) {
  library.version = std::string(300, 'v');
  library.counts[3] = 4;
  const std::string exactly_fits(248, 'a');
  const std::string one_too_many(249, 'b');
  const std::string very_long(1000, 'c');
  library.descriptor = [&](std::uint32_t, std::uint32_t index) -> const char* {
    switch (index) {
      case 1: return nullptr;
      case 2: return exactly_fits.c_str();
      case 3: return one_too_many.c_str();
      default: return very_long.c_str();
    }
  };
  Run();
  const Lines& lines = window.lines();
  EXPECT_EQ(lines[0], std::string(255, 'v'));
  EXPECT_EQ(lines[3], "Number of USB Veyras = 0004");
  EXPECT_EQ(lines[4], "       ");
  EXPECT_EQ(lines[5], "       " + exactly_fits);
  EXPECT_EQ(lines[6], "       " + std::string(248, 'b'));
  EXPECT_EQ(lines[7], "       " + std::string(248, 'c'));
  EXPECT_EQ(lines[8], " ");
}

TEST_F(RecoveryConnection, ShowHardwareAndItemsOutsideTheGroupConnectToNothing) {
  library.counts[3] = 1;
  for (int item : {0, -1, static_cast<int>(kInterfaceKinds.size()) + 1}) {
    journal.clear();
    hardware_type = item;
    EXPECT_EQ(Run(), RecoveryEnding::kReportOnly);
    EXPECT_EQ(window.lines(), ReportThen({{3, 1, "0001"}}, {})) << "item " << item;
    EXPECT_TRUE(CallsAfterReport().empty()) << "item " << item;
    EXPECT_EQ(window.label, "?.??");
    ExpectIdleButtonsRestoredLast();
  }
}

struct ItemMessages {
  int item;
  const char* not_attached;
  const char* open_failure;
};

const ItemMessages kItemMessages[] = {
    {1, "No USB Veyra Cables Detected", "Error connecting to USB Veyra."},
    {2, "No Serial Ports Detected.", "Error opening serial port."},
    {3, "No Pendrel Vell units detected on USB bus.", "Error connecting to Pendrel Vell via USB."},
    {4, "No Pendrel Vell units detected on ethernet bus.",
     "Error connecting to Pendrel Vell via Ethernet."},
    {5, "No Quillon Devices Detected via USB", "Error connecting to Quillon USB."},
    {6, "No Quillon Devices Detected on Ethernet", "Error connecting to Quillon Ethernet."},
    {7, "No Ostrel Cables Detected via USB", "Error connecting to Ostrel USB."},
};

TEST_F(RecoveryConnection, NothingAttachedWritesTheItemsMessageAndMakesNoPortCall) {
  StopRequested = 1;
  for (const ItemMessages& expected : kItemMessages) {
    journal.clear();
    hardware_type = expected.item;
    EXPECT_EQ(Run(), RecoveryEnding::kNotAttached);
    const std::string type = std::to_string(expected.item + 2);
    EXPECT_EQ(window.lines(), ReportThen({}, {expected.not_attached}));
    EXPECT_EQ(CallsAfterReport(), (Lines{"get_enumerated_number_of_ports(" + type + ")"}));
    ExpectIdleButtonsRestoredLast();
  }
  EXPECT_EQ(window.label, "?.??");
  EXPECT_EQ(StopRequested, 1);
}

TEST_F(RecoveryConnection, TheCountIsAskedAgainRatherThanTakenFromTheReport) {
  hardware_type = 3;
  library.counts[5] = 1;
  library.count = [this](std::uint32_t type, int ask) {
    return ask == 1 ? library.counts[type] : 0u;
  };
  Run();
  EXPECT_EQ(window.lines(),
            ReportThen({{5, 1, "0001"}}, {"No Pendrel Vell units detected on USB bus."}));
  EXPECT_EQ(CallsAfterReport(), (Lines{"get_enumerated_number_of_ports(5)"}));
}

TEST_F(RecoveryConnection, NoneInTheReportThen65536WhenConnectingOpensThePort) {
  hardware_type = 1;
  library.count = [](std::uint32_t, int ask) { return ask == 1 ? 0u : 0x10000u; };
  EXPECT_EQ(Run(), RecoveryEnding::kHalted);
  const Lines calls = CallsAfterReport();
  EXPECT_EQ(Lines(calls.begin(), calls.begin() + 2),
            (Lines{"get_enumerated_number_of_ports(3)", "open_port(3,1)"}));
}

TEST_F(RecoveryConnection, AFailedOpenWritesTheItemsMessageAndStillClosesThePort) {
  // Only the low byte answers: 0x100 is a failure.
  library.open_result = 0x100;
  for (const ItemMessages& expected : kItemMessages) {
    journal.clear();
    library.counts = {};
    const std::uint32_t type = static_cast<std::uint32_t>(expected.item + 2);
    library.counts[type] = 2;
    hardware_type = expected.item;
    EXPECT_EQ(Run(), RecoveryEnding::kOpenFailure);
    const std::string t = std::to_string(type);
    EXPECT_EQ(window.lines(), ReportThen({{type, 2, "0002"}}, {expected.open_failure}));
    EXPECT_EQ(CallsAfterReport(), (Lines{"get_enumerated_number_of_ports(" + t + ")",
                                         "open_port(" + t + ",1)", "close_port()"}));
    EXPECT_EQ(JournalFromLastCall(), (Lines{"close_port()", "START on", "STOP off"}));
    ExpectIdleButtonsRestoredLast();
  }
  EXPECT_EQ(window.label, "?.??");
}

TEST_F(RecoveryConnection, AFailedModeCallWritesASeparatorAndTheProtocolsMessageThenCloses) {
  library.counts[3] = 1;
  hardware_type = 1;
  library.mode_result = 0x200;
  StopRequested = 1;
  EXPECT_EQ(Run(), RecoveryEnding::kModeFailure);
  EXPECT_EQ(window.lines(),
            ReportThen({{3, 1, "0001"}}, {" ", "Communication via SWD", " ", " ",
                                          "Unable to set communications mode to SWD."}));
  EXPECT_EQ(CallsAfterReport(),
            (Lines{"get_enumerated_number_of_ports(3)", "open_port(3,1)",
                   "corvane_special_features(0x44000001,1,0,0,0,null,0)", "close_port()"}));
  EXPECT_EQ(JournalFromLastCall(), (Lines{"close_port()", "START on", "STOP off"}));

  journal.clear();
  communication_type = 1;
  Run();
  EXPECT_EQ(window.lines(),
            ReportThen({{3, 1, "0001"}}, {" ", "Communication via JTAG", " ", " ",
                                          "Unable to set communications mode to JTAG."}));
  EXPECT_EQ(CallsAfterReport(),
            (Lines{"get_enumerated_number_of_ports(3)", "open_port(3,1)",
                   "corvane_special_features(0x44000001,1,1,0,0,null,0)", "close_port()"}));
  EXPECT_EQ(JournalFromLastCall(), (Lines{"close_port()", "START on", "STOP off"}));
  EXPECT_EQ(window.label, "?.??");
  EXPECT_EQ(StopRequested, 1);
}

TEST_F(RecoveryConnection, ACommunicationGroupWithNothingOrAnUnknownItemSelectedUsesSwd) {
  library.counts[3] = 1;
  hardware_type = 1;
  for (int item : {-1, 2}) {
    journal.clear();
    communication_type = item;
    Run();
    EXPECT_EQ(window.lines()[Report({{3, 1, "0001"}}).size() + 1], "Communication via SWD")
        << "item " << item;
    EXPECT_EQ(CallsAfterReport().at(2), "corvane_special_features(0x44000001,1,0,0,0,null,0)")
        << "item " << item;
  }
}

TEST_F(RecoveryConnection, AFailedResetWritesTwoSpacesAndTheResetMessageThenCloses) {
  library.counts[9] = 1;
  hardware_type = 7;
  library.critical_error = 0xFFFFFF01u;
  EXPECT_EQ(Run(), RecoveryEnding::kResetFailure);
  EXPECT_EQ(window.lines(),
            ReportThen({{9, 1, "0001"}}, {" ", "Communication via SWD", " ", "  ",
                                          "Error resetting hardware interface !!!!!!!!!!!"}));
  EXPECT_EQ(CallsAfterReport(),
            (Lines{"get_enumerated_number_of_ports(9)", "open_port(9,1)",
                   "corvane_special_features(0x44000001,1,0,0,0,null,0)",
                   "reset_hardware_interface()", "check_critical_error()", "close_port()"}));
  EXPECT_EQ(JournalFromLastCall(), (Lines{"close_port()", "START on", "STOP off"}));
  EXPECT_EQ(window.label, "?.??");
  EXPECT_EQ(window.message_passes, 0);
}

// The window is told the port and the chosen kind's descriptors the report listed: for a number,
// none after it.
TEST_F(RecoveryPortChoice, ByNumberOrByTextOpensThatPortAfterTellingTheWindow) {
  library.counts = {0, 0, 0, 3, 2};
  hardware_type = 1;
  for (const auto& [choice, opened, told] :
       {std::tuple<PortChoice, std::string, Lines>{{}, "1", {"port 3/1"}},
        {{2, ""}, "2", {"port 3/1", "port 3/2"}},
        {{1, "Rt 3/3"}, "3", {"port 3/1", "port 3/2", "port 3/3"}}}) {
    journal.clear();
    port_choice = choice;
    EXPECT_EQ(Run(), RecoveryEnding::kHalted);
    const Lines connecting = {"get_enumerated_number_of_ports(3)", "port chosen " + opened,
                              "open_port(3," + opened + ")"};
    EXPECT_NE(std::search(journal.begin(), journal.end(), connecting.begin(), connecting.end()),
              journal.end());
    EXPECT_EQ(std::count(journal.begin(), journal.end(), connecting[1]), 1);
    EXPECT_EQ(window.descriptors_told, told);
  }
}

// Words that name no port or several, or a port beyond those counted when connecting (the report
// counted three). Words past the log's limit are not in the descriptor as the report listed it.
TEST_F(RecoveryPortChoice, APortNotThereEndsNotAttachedWithALineAndNoPortCall) {
  hardware_type = 1;
  library.counts[3] = 3;
  std::uint32_t connecting = 3;
  library.count = [&](std::uint32_t type, int ask) {
    return type != 3 ? 0u : ask % 2 == 1 ? 3u : connecting;
  };
  const std::string second = "cable " + std::string(242, 'y') + "tail";
  library.descriptor = [&](std::uint32_t, std::uint32_t index) {
    return index == 2 ? second.c_str() : "cable";
  };
  const std::string kind = " of USB Veyra (K/ZV/PLEX) ";
  const std::string listed = "listed above with a name containing ";
  for (const auto& [choice, connected, told, line] :
       {std::tuple<PortChoice, std::uint32_t, std::string, std::string>{
            {1, "CABLE"},
            3,
            "none",
            "Which port is meant? 3 ports" + kind + "are " + listed + "\"CABLE\"."},
        {{1, "tail"}, 3, "none", "No port" + kind + "is " + listed + "\"tail\"."},
        {{4, ""}, 3, "4", "Port 4" + kind + "is not attached; the number of ports attached is 3."},
        {{1, "cable Y"},
         1,
         "2",
         "Port 2" + kind + "is not attached; the number of ports attached is 1."}}) {
    journal.clear();
    port_choice = choice;
    connecting = connected;
    EXPECT_EQ(Run(), RecoveryEnding::kNotAttached);
    EXPECT_EQ(CallsAfterReport(), (Lines{"get_enumerated_number_of_ports(3)"}));
    EXPECT_EQ(JournalFromLastCall(),
              (Lines{"get_enumerated_number_of_ports(3)", "port chosen " + told, "line " + line,
                     "START on", "STOP off"}));
  }
}

TEST_F(RecoveryHaltLoop, HaltedOnTheFirstAttemptAfterOneAttemptExactly) {
  library.counts[6] = 1;
  hardware_type = 4;
  Run();
  EXPECT_EQ(window.lines(),
            (Lines{"Interface library 4.56",
                   " ",
                   " ",
                   "Number of USB Veyras = 0000",
                   "       None.",
                   " ",
                   "Number of PC Serial Ports = 0000",
                   "       None.",
                   " ",
                   "Number of USB Pendrel Vell/Ormo = 0000",
                   "       None.",
                   " ",
                   "Number of Ethernet Pendrel Vell/Ormos = 0001",
                   "       port 6/1",
                   " ",
                   "Number of Quillon USB Devices = 0000",
                   "       None.",
                   " ",
                   "Number of Quillon Ethernet Devices = 0000",
                   "       None.",
                   " ",
                   "Number of Ostrel USB Devices = 0000",
                   "       None.",
                   " ",
                   "Communication via SWD",
                   " ",
                   "Cable Version is 291",
                   "Continuously attempting to halt processor.",
                   "Please try power cycling your board until this operation is successful",
                   "Success. Processor halted.",
                   ""}));
  EXPECT_EQ(CallsAfterReport(),
            (Lines{"get_enumerated_number_of_ports(6)", "open_port(6,1)",
                   "corvane_special_features(0x44000001,1,0,0,0,null,0)",
                   "reset_hardware_interface()", "check_critical_error()", "get_dll_version()",
                   "get_dll_version()", "get_dll_version()", "get_cable_version()", kHaltAttempt}));
  // Messages are processed only inside the loop, once per attempt, and the port stays open.
  EXPECT_EQ(
      JournalFromLastCall(),
      (Lines{kHaltAttempt, "messages", "line Success. Processor halted.", "START on", "STOP off"}));
  EXPECT_EQ(window.label, "1.23");
  EXPECT_EQ(library.status_on_entry, (std::vector<std::uint8_t>{0}));
  ExpectIdleButtonsRestoredLast();
}

TEST_F(RecoveryHaltLoop, HaltedAfterManyAttemptsKeepsTheStatusTheLibraryLastWrote) {
  library.counts[3] = 1;
  hardware_type = 1;
  library.halt = [](int attempt, std::uint8_t& status) {
    if (attempt == 1) status = 0x12;
    if (attempt == 250) status = 0xFF;
  };
  Run();
  ASSERT_EQ(library.halt_attempts(), 250);
  EXPECT_EQ(window.message_passes, 250);
  EXPECT_EQ(library.status_on_entry[0], 0);
  EXPECT_EQ(library.status_on_entry[1], 0x12);
  EXPECT_EQ(library.status_on_entry[249], 0x12);
  EXPECT_NE(library.status_addresses[0], nullptr);
  EXPECT_EQ(std::count(library.status_addresses.begin(), library.status_addresses.end(),
                       library.status_addresses[0]),
            250);
  EXPECT_EQ(window.lines()[window.lines().size() - 2], "Success. Processor halted.");
}

TEST_F(RecoveryHaltLoop, AnyStatusButFFKeepsLoopingUntilStop) {
  library.counts[3] = 1;
  hardware_type = 1;
  const std::vector<std::uint8_t> statuses = {0x00, 0x01, 0x7F, 0x80, 0xFE};
  for (bool library_writes : {false, true}) {
    journal.clear();
    window.message_passes = 0;
    library.status_addresses.clear();
    library.halt = [&](int attempt, std::uint8_t& status) {
      if (library_writes) status = statuses[static_cast<std::size_t>(attempt) % statuses.size()];
    };
    window.on_messages = [](int pass) {
      if (pass == 40) StopRequested = 1;
    };
    EXPECT_EQ(Run(), RecoveryEnding::kStopped);
    EXPECT_EQ(library.halt_attempts(), 40);
    const Lines& lines = window.lines();
    EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
              (Lines{"Please try power cycling your board until this operation is successful",
                     "Stopped by user.", ""}));
    ExpectIdleButtonsRestoredLast();
  }
}

TEST_F(RecoveryHaltLoop, HaltAndStopInTheSameAttemptWriteBothLines) {
  library.counts[3] = 1;
  hardware_type = 1;
  library.halt = HaltsAt(3);
  window.on_messages = [](int pass) {
    if (pass == 3) StopRequested = 1;
  };
  EXPECT_EQ(Run(), RecoveryEnding::kHalted);
  EXPECT_EQ(library.halt_attempts(), 3);
  const Lines& lines = window.lines();
  EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
            (Lines{"Success. Processor halted.", "Stopped by user.", ""}));
  EXPECT_EQ(StopRequested, 1);
}

TEST_F(RecoveryHaltLoop, AStopFlagLeftFromBeforeTheLoopIsCleared) {
  library.counts[3] = 1;
  hardware_type = 1;
  library.halt = HaltsAt(3);
  StopRequested = 1;
  Run();
  EXPECT_EQ(library.halt_attempts(), 3);
  EXPECT_EQ(StopRequested, 0);
  EXPECT_EQ(window.lines()[window.lines().size() - 2], "Success. Processor halted.");
  EXPECT_EQ(std::count(window.lines().begin(), window.lines().end(), "Stopped by user."), 0);
}

TEST_F(RecoveryHaltLoop, ASecondStartRepeatsTheReportAndOpensAgainWithoutClosing) {
  library.counts[7] = 1;
  hardware_type = 5;
  library.halt = [](int attempt, std::uint8_t& status) {
    if (attempt == 2 || attempt == 5) status = 0xFF;
  };
  Run();
  const Lines first_log = window.lines();
  Run();
  EXPECT_EQ(window.lines(), first_log);
  EXPECT_EQ(window.lines().front(), "Interface library 4.56");
  const Lines calls = Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "version()"), 2);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "reenumerate_all_port_types()"), 2);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "open_port(7,1)"), 2);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "close_port()"), 0);
  // Each START has its own status byte, 0 when START is pressed.
  EXPECT_EQ(library.halt_attempts(), 5);
  EXPECT_EQ(library.status_on_entry[2], 0);
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "clear"), 2);
}

TEST_F(RecoveryVersions, LabelShowsTheLibraryVersionInHundredths) {
  library.counts[3] = 1;
  hardware_type = 1;
  const std::pair<std::uint32_t, const char*> cases[] = {
      {0xDEAD007Bu, "1.23"}, {0xDEAD0005u, "0.05"},  {0xDEAD0000u, "0.00"},
      {0x000003E7u, "9.99"}, {0xDEAD04D2u, "12.34"}, {0xFFFFFFFFu, "655.35"},
      {0x0001007Bu, "1.23"}, {0x00010000u, "0.00"}};
  for (const auto& [version, label] : cases) {
    library.dll_versions = {version, version, version};
    Run();
    EXPECT_EQ(window.label, label) << std::hex << version;
  }
  const Lines calls = CallsAfterReport();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "get_dll_version()"), 24);
}

TEST_F(RecoveryVersions, EachLabelPositionComesFromItsOwnCallInOrder) {
  library.counts[3] = 1;
  hardware_type = 1;
  library.dll_versions = {456, 123, 789};
  Run();
  EXPECT_EQ(window.label, "4.29");
  library.dll_versions = {1234, 5, 6};
  Run();
  EXPECT_EQ(window.label, "12.06");
}

// The window is told the same number the line shows.
TEST_F(RecoveryVersions, CableVersionIsWrittenInDecimalFromItsLow16Bits) {
  library.counts[3] = 1;
  hardware_type = 1;
  for (const auto& [version, line, told] :
       {std::tuple<std::uint32_t, const char*, std::uint16_t>{0xFFFF0000u, "Cable Version is 0", 0},
        {0x0001FFFFu, "Cable Version is 65535", 65535},
        {0x00000007u, "Cable Version is 7", 7}}) {
    library.cable_version = version;
    Run();
    const Lines& lines = window.lines();
    EXPECT_EQ(lines[lines.size() - 5], line);
    EXPECT_EQ(window.cable_version, told);
  }
}

using RecoveryHaltCount = RecoveryTest;

// Attempts of a millisecond each: the window is shown the count every quarter second, at the
// first attempt counted a whole quarter second after the last count (attempt 251 is counted at
// 250 ms), with the attempts asked so far and their pace, and at the loop's end every attempt and
// the whole time.
TEST_F(RecoveryHaltCount, ShownAQuarterSecondApartAndWhollyAtTheEnd) {
  library.counts[3] = 1;
  hardware_type = 1;
  library.halt = [&](int attempt, std::uint8_t& status) {
    clock.now += std::chrono::milliseconds(1);
    if (attempt == 1000) status = 0xFF;
  };
  Run();
  ASSERT_EQ(window.counts_shown.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const HaltCount& shown = window.counts_shown[static_cast<std::size_t>(i)];
    EXPECT_EQ(shown.elapsed, std::chrono::milliseconds(250 * (i + 1)));
    EXPECT_EQ(shown.attempts, 250u * static_cast<unsigned>(i + 1) + 1u);
    EXPECT_NEAR(static_cast<double>(shown.per_second), 1000.0, 20.0);
  }
  EXPECT_EQ(window.final_count->attempts, 1000u);
  EXPECT_EQ(window.final_count->elapsed, std::chrono::milliseconds(1000));
}

// A microsecond an attempt, then a tenth of a second, as when the probe's calls start timing out
// after a power cycle: counts go on being shown a quarter second apart, never sooner and never
// later than the attempt after, each with the slow pace from the first that follows the
// slow-down wholly on, and a STOP's loop ends with every attempt counted.
TEST_F(RecoveryHaltCount, ASuddenSlowDownShowsAtTheNextCount) {
  library.counts[3] = 1;
  hardware_type = 1;
  constexpr int kFast = 50000;
  constexpr auto kSlow = std::chrono::milliseconds(100);
  library.halt = [&](int attempt, std::uint8_t&) {
    clock.now += attempt <= kFast ? std::chrono::microseconds(1) : kSlow;
  };
  window.on_messages = [](int pass) {
    if (pass == kFast + 30) StopRequested = 1;
  };
  Run();
  ASSERT_GE(window.counts_shown.size(), 9u);
  std::chrono::nanoseconds previous{0};
  for (const HaltCount& shown : window.counts_shown) {
    EXPECT_GE(shown.elapsed - previous, kHaltCountInterval);
    EXPECT_LE(shown.elapsed - previous, kHaltCountInterval + kSlow);
    EXPECT_TRUE(previous.count() == 0 || shown.per_second == 10) << shown.per_second;
    previous = shown.elapsed;
  }
  EXPECT_LE(window.final_count->elapsed - previous, kHaltCountInterval + kSlow);
  EXPECT_EQ(window.final_count->attempts, kFast + 30u);
  EXPECT_EQ(window.lines()[window.lines().size() - 2], "Stopped by user.");
}

using RecoveryInternalError = RecoveryTest;

// Any exception other than a library fault (here memory running out in the message pass) ends
// the procedure with one line and the buttons idle; the library stays in use.
TEST_F(RecoveryInternalError, EndsWithOneLineIdleButtonsAndTheLibraryKept) {
  library.counts[3] = 1;
  hardware_type = 1;
  library.halt = HaltsAt(5);
  window.on_messages = [](int pass) {
    if (pass == 2) throw std::bad_alloc();
  };
  EXPECT_EQ(Run(), RecoveryEnding::kInternalError);
  EXPECT_FALSE(window.halt_loop_running) << "the halt loop was ended";
  EXPECT_EQ(library.halt_attempts(), 2);
  const Lines& lines = window.lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
            (Lines{"Please try power cycling your board until this operation is successful",
                   "The procedure stopped on an internal error (std::bad_alloc). Press START to "
                   "try again.",
                   ""}));
  ExpectIdleButtonsRestoredLast();
  EXPECT_FALSE(InterfaceLibraryAbandoned()) << "the library is freed as usual at the end";

  // START works again on the same library.
  window.on_messages = nullptr;
  Run();
  EXPECT_EQ(library.halt_attempts(), 5);
  EXPECT_EQ(window.lines()[window.lines().size() - 2], "Success. Processor halted.");
}

using RecoveryEndings = RecoveryTest;

// The user scrolls up in the last message pass, which STOP or a failure ends; the ending finds
// room for its line, or a log that refuses its new current line. Either way its last line ends
// in view, cut to 255 characters.
TEST_F(RecoveryEndings, TheLastLineIsInViewAfterTheUserScrolledUp) {
  library.counts[3] = 1;
  hardware_type = 1;
  library.halt = [](int, std::uint8_t&) {};  // never halts
  const std::string error_line =
      "The procedure stopped on an internal error (" + std::string(211, 'x');
  const struct {
    bool fills_log;
    bool throws;
    RecoveryEnding ending;
    Lines last_two;
  } endings[] = {
      {false, false, RecoveryEnding::kStopped, {"Stopped by user.", ""}},
      {true,
       false,
       RecoveryEnding::kInternalError,
       {kAdvicePowerCycle, "The log is full: the report stopped here."}},
      {true, true, RecoveryEnding::kInternalError, {kAdvicePowerCycle, error_line}},
  };
  for (const auto& [fills_log, throws, ending, last_two] : endings) {
    window.log_line_limit() = SIZE_MAX;
    window.on_messages = [&, fills_log = fills_log, throws = throws](int) {
      window.first_visible_line() = 0;
      if (fills_log) window.log_line_limit() = window.lines().size();
      if (throws) throw std::length_error(std::string(300, 'x'));
      StopRequested = 1;
    };
    EXPECT_EQ(Run(), ending);
    const Lines& lines = window.lines();
    EXPECT_EQ(Lines(lines.end() - 2, lines.end()), last_two);
    EXPECT_EQ(window.first_visible_line(), static_cast<int>(lines.size()) - 1) << last_two[1];
  }
}

using RecoveryMisbehavingLibrary = RecoveryTest;

// Every descriptor takes a millisecond of the clock: the report passes the time at which it lets
// the window process messages after its 2000th port.
TEST_F(RecoveryMisbehavingLibrary, AReportUnderTwoSecondsProcessesNoMessageALongerOneHeedsStop) {
  library.descriptor = [this](std::uint32_t, std::uint32_t) {
    clock.now += std::chrono::milliseconds(1);
    return "port";
  };
  hardware_type = 1;
  library.counts[3] = 1999;
  library.halt = HaltsAt(1);
  Run();
  EXPECT_EQ(window.message_passes, 1) << "only the halt loop's";
  EXPECT_EQ(window.lines()[window.lines().size() - 2], "Success. Processor halted.");

  // A count read from an error code, and a STOP left from an earlier run: the report goes on
  // after the switch until a STOP clicked now, in its third pass, ends it after that line.
  journal.clear();
  window.message_passes = 0;
  library.counts[3] = 0xFFFFFFFFu;
  StopRequested = 1;
  window.on_messages = [](int pass) {
    if (pass == 3) StopRequested = 1;
  };
  Run();
  const Lines& lines = window.lines();
  ASSERT_EQ(lines.size(), 4u + 2002u + 2u);
  EXPECT_EQ(lines[3], "Number of USB Veyras = FFFF");
  EXPECT_EQ(Lines(lines.end() - 3, lines.end()), (Lines{"       port", "Stopped by user.", ""}));
  EXPECT_EQ(window.message_passes, 3);
  EXPECT_EQ(JournalFromLastCall(),
            (Lines{"get_port_descriptor(3,2002)", "line        port", "messages",
                   "line Stopped by user.", "START on", "STOP off"}));
  ExpectIdleButtonsRestoredLast();
}

TEST_F(RecoveryMisbehavingLibrary, AFullLogEndsTheProcedureWithANoticeAndKeepsEveryLineBefore) {
  library.counts[3] = 50;
  hardware_type = 1;
  window.log_line_limit() = 20;
  EXPECT_EQ(Run(), RecoveryEnding::kInternalError);
  // The 20th line does not leave room for a new current line: the notice takes its place.
  Lines expected = Report({{3, 50, "0032"}});
  expected.resize(19);
  expected.push_back("The log is full: the report stopped here.");
  EXPECT_EQ(window.lines(), expected);
  EXPECT_EQ(Calls().back(), "get_port_descriptor(3,16)");
  ExpectIdleButtonsRestoredLast();
}

// Fills 64 KiB of the stack below its caller with 0xA5. Called through a volatile pointer, so that
// it is never inlined: the frame of the function that its caller calls next lies in those bytes.
void PoisonStack() {
  unsigned char bytes[64 * 1024];
  volatile unsigned char* const poisoned = bytes;
  for (std::size_t i = 0; i < sizeof bytes; ++i) poisoned[i] = 0xA5;
}
void (*volatile const poison_stack)() = &PoisonStack;

// A library that writes a 32-bit value through the status address: the status byte's home is
// four aligned bytes of its own, and only its first byte is read, so the procedure goes on as
// with a one-byte write. The home starts at 0 whatever the stack held: a halt loop run where
// 0xA5 was just written finds all four bytes zero.
TEST_F(RecoveryMisbehavingLibrary, AHaltAttemptWritingFourBytesLoopsAsWithOne) {
  library.counts[3] = 1;
  hardware_type = 1;
  std::vector<std::uint32_t> first_homes;
  library.halt = [&](int attempt, std::uint8_t& status) {
    if (attempt % 3 == 1) std::memcpy(&first_homes.emplace_back(), &status, 4);
    const std::uint32_t written = attempt % 3 == 0 ? 0xA5A5A5FFu : 0xA5A5A500u;
    std::memcpy(&status, &written, 4);
  };
  Run();
  EXPECT_EQ(window.lines()[window.lines().size() - 2], "Success. Processor halted.");
  ExpectIdleButtonsRestoredLast();
  poison_stack();
  EXPECT_EQ(HaltLoop(window, clock), RecoveryEnding::kHalted);
  EXPECT_EQ(first_homes, (std::vector<std::uint32_t>{0, 0}));
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(library.status_addresses[0]) % 4, 0u);
  EXPECT_EQ(library.halt_attempts(), 6);
}

}  // namespace
