// End-to-end tests of the unattended run: testz.exe started by a script with --run, read back
// through its exit code, its summary and its saved log.
#include <nlohmann/json.hpp>

#include <chrono>
#include <optional>
#include <string>

#include "testz_test.h"

namespace {

using std::chrono::seconds;

class Unattended : public TestzTest {
 protected:
  // Runs testz.exe with `arguments` on the simulator's `scenario` and returns its exit code.
  std::optional<DWORD> Run(Library library, const std::string& scenario,
                           const std::wstring& arguments) {
    LaunchWithArguments(library, scenario, arguments);
    if (HasFailure()) return std::nullopt;
    return program_.WaitForExit(seconds(60));
  }

  nlohmann::json Summary() {
    const std::optional<std::string> text = FileText(L"summary.json");
    if (!text) {
      ADD_FAILURE() << "no summary was written";
      return {};
    }
    return nlohmann::json::parse(*text);
  }

  // The power switch, as a power-cycle command with `arguments`.
  static std::wstring PowerSwitch(const std::wstring& arguments) {
    return L"--power-cycle \"\\\"" + PayloadFile(L"power_switch.exe") + L"\\\" " + arguments +
           L"\"";
  }
};

// The rig's library: a Veyra cable whose board powers up, for two seconds, each time the power
// switch touches "switched".
constexpr char kRig[] =
    "version = Rig library\n"
    "count.3 = 1\n"
    "descriptor.3 = Veyra on the rig\n"
    "cable_version = 0x10007\n"
    "halt = touched 2000000 switched\n";

TEST_F(Unattended, APowerCycledBoardIsCaughtAndTheOutcomeWritten) {
  EXPECT_EQ(Run(Library::kSimulator, kRig,
                L"--run \"usb veyra (K/ZV/PLEX)\" " + PowerSwitch(L"switched") +
                    L" --timeout 60 --save-log recovery.txt --summary summary.json"),
            0u);
  const nlohmann::json summary = Summary();
  EXPECT_EQ(summary["outcome"], "halted");
  EXPECT_EQ(summary["exit_code"], 0);
  EXPECT_EQ(summary["kind"], "USB Veyra (K/ZV/PLEX)");
  EXPECT_EQ(summary["protocol"], "SWD");
  EXPECT_GE(summary["attempts"].get<long long>(), 1);
  EXPECT_EQ(summary["library_version"], "1.00");
  EXPECT_EQ(summary["cable_version"], 7);
  EXPECT_EQ(summary["power_cycles"], 1);
  EXPECT_EQ(summary["power_cycle_failures"], 0);
  EXPECT_EQ(summary["power_cycle_running_at_exit"], false);
  EXPECT_EQ(summary["last_line"], "Success. Processor halted.");
  EXPECT_FALSE(summary.contains("error"));
  EXPECT_LE(summary["started"].get<std::string>(), summary["ended"].get<std::string>());
  EXPECT_EQ(summary["ended"].get<std::string>().size(), 24u) << "2026-12-08T17:00:39.123Z";

  // The log as the window showed it, as "Save log as…" saves it.
  EXPECT_EQ(FileText(L"recovery.txt"),
            "\xEF\xBB\xBF"
            "Rig library\r\n \r\n \r\n"
            "Number of USB Veyras = 0001\r\n       Veyra on the rig\r\n \r\n"
            "Number of PC Serial Ports = 0000\r\n       None.\r\n \r\n"
            "Number of USB Pendrel Vell/Ormo = 0000\r\n       None.\r\n \r\n"
            "Number of Ethernet Pendrel Vell/Ormos = 0000\r\n       None.\r\n \r\n"
            "Number of Quillon USB Devices = 0000\r\n       None.\r\n \r\n"
            "Number of Quillon Ethernet Devices = 0000\r\n       None.\r\n \r\n"
            "Number of Ostrel USB Devices = 0000\r\n       None.\r\n"
            " \r\nCommunication via SWD\r\n \r\nCable Version is 7\r\n"
            "Continuously attempting to halt processor.\r\n"
            "Please try power cycling your board until this operation is successful\r\n"
            "Success. Processor halted.");
}

// A switch that fails, pressed again each period while the window counts the cycles, until the
// timeout stops the loop as STOP does.
TEST_F(Unattended, ATimeoutStopsTheLoopAfterFailedPowerCyclesEachPeriod) {
  LaunchWithArguments(Library::kSimulator, "count.3 = 1\nhalt = never\n",
                      L"--run 1 --timeout 3 " + PowerSwitch(L"--exit 3") +
                          L" --power-cycle-period 0.3 --summary summary.json");
  ASSERT_FALSE(HasFailure());
  window_ = program_.WaitForWindow(kCaption);
  ASSERT_NE(window_, nullptr) << "the window is shown as usual";
  EXPECT_TRUE(ui::WaitUntil([&] {
    for (HWND label : ui::FindControls(window_, "Static")) {
      if (ui::Text(label).find(" power cycle ") != std::string::npos) return true;
    }
    return false;
  })) << "the count shows the power cycles";
  EXPECT_EQ(program_.WaitForExit(seconds(60)), 2u);
  const nlohmann::json summary = Summary();
  EXPECT_EQ(summary["outcome"], "timeout");
  EXPECT_EQ(summary["exit_code"], 2);
  EXPECT_GE(summary["seconds"].get<double>(), 3.0);
  EXPECT_GE(summary["power_cycles"].get<int>(), 2);
  EXPECT_GE(summary["power_cycle_failures"].get<int>(), summary["power_cycles"].get<int>() - 1);
  EXPECT_EQ(summary["last_line"], "Stopped by user.");
}

TEST_F(Unattended, AFailedConnectionAndNoLibraryHaveTheirOwnCodes) {
  EXPECT_EQ(Run(Library::kSimulator, "count.3 = 0\n", L"--run 1 --summary summary.json"), 3u);
  EXPECT_EQ(Summary()["outcome"], "not_attached");
  EXPECT_EQ(Summary()["last_line"], "No USB Veyra Cables Detected");

  EXPECT_EQ(Run(Library::kSimulator, "count.9 = 1\nopen_port = 0\n",
                L"--run ostrelusb --summary summary.json"),
            4u);
  EXPECT_EQ(Summary()["outcome"], "connection_failed");
  EXPECT_EQ(Summary()["kind"], "OstrelUSB");

  EXPECT_EQ(Run(Library::kNone, "", L"--run 1 --save-log recovery.txt --summary summary.json"), 6u);
  const std::string failure =
      "Loading Library unit_kelm.DLL failed. Make sure library is in the Windows System "
      "directory (or SysWow64 on 64-bit systems) and restart application.";
  EXPECT_EQ(Summary()["outcome"], "library_not_loaded");
  EXPECT_EQ(Summary()["error"], failure);
  EXPECT_EQ(FileText(L"recovery.txt"), "\xEF\xBB\xBF\r\n" + failure + "\r\n");
}

TEST_F(Unattended, ACommandThatCannotStartEndsTheRunAsStopWould) {
  EXPECT_EQ(Run(Library::kSimulator, "count.3 = 1\nhalt = never\n",
                L"--run 1 --power-cycle no_such_switch.exe --summary summary.json"),
            7u);
  const nlohmann::json summary = Summary();
  EXPECT_EQ(summary["outcome"], "power_cycle_failed");
  EXPECT_EQ(summary["power_cycles"], 0);
  EXPECT_FALSE(summary["error"].get<std::string>().empty()) << "the system's reason";
  EXPECT_EQ(summary["last_line"], "Stopped by user.");
}

TEST_F(Unattended, ASummaryThatCannotBeWrittenExitsWith73AndTheLogIsSavedAllTheSame) {
  EXPECT_EQ(Run(Library::kSimulator, "count.3 = 1\n",
                L"--run 1 --save-log recovery.txt --summary no_such_folder\\summary.json"),
            73u);
  const std::optional<std::string> log = FileText(L"recovery.txt");
  ASSERT_TRUE(log);
  EXPECT_EQ(log->substr(log->size() - 26), "Success. Processor halted.");
}

TEST_F(Unattended, BadArgumentsAndTheUsageEndTheProgramBeforeAnythingIsLoaded) {
  EXPECT_EQ(Run(Library::kSimulator, "", L"--run 1 --timeout 0 --summary summary.json"), 64u);
  EXPECT_EQ(FileText(L"output.txt"),
            "testz.exe: --timeout needs a positive number of seconds, not \"0\"\r\n"
            "Run testz.exe --help for the usage.\r\n");
  EXPECT_FALSE(FileText(L"trace.txt")) << "the library was never loaded";
  EXPECT_FALSE(FileText(L"summary.json"));

  EXPECT_EQ(Run(Library::kSimulator, "", L"--help"), 0u);
  EXPECT_EQ(FileText(L"output.txt").value_or("").rfind("Usage: testz.exe --run KIND", 0), 0u);
  EXPECT_FALSE(FileText(L"trace.txt"));
}

}  // namespace
