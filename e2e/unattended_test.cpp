// End-to-end tests of the unattended run: testz.exe started by a script with --run, read back
// through its exit code, its summary and its saved log.
#include <nlohmann/json.hpp>

#include <chrono>
#include <utility>
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

  // Holds the folder's file `name` open, not shared, until the program has exited with
  // `exit_code`: the program cannot replace it meanwhile.
  void ExitWhileHeldOpen(const std::wstring& name, DWORD exit_code) {
    const KernelHandle held = OpenedFile(CreateFileW((folder_ + L"\\" + name).c_str(), GENERIC_READ,
                                                     0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(program_.WaitForExit(seconds(60)), exit_code);
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
  EXPECT_EQ(Summary()["started"].get<std::string>().rfind("20", 0), 0u) << "the program's start";
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

// An output that cannot be written is found at the start, before a whole run is spent on it.
TEST_F(Unattended, AnOutputThatCannotBeWrittenEndsTheProgramAtTheStartWith73) {
  EXPECT_EQ(Run(Library::kSimulator, "count.3 = 1\n",
                L"--run 1 --save-log recovery.txt --summary no_such_folder\\summary.json"),
            73u);
  EXPECT_FALSE(FileText(L"trace.txt")) << "the library was never loaded";
  EXPECT_NE(FileText(L"output.txt")
                .value_or("")
                .find("testz.exe: the summary cannot be written to no_such_folder\\summary.json: "),
            std::string::npos);

  EXPECT_EQ(
      Run(Library::kSimulator, "count.3 = 1\n", L"--run 1 --save-log no_such_folder\\log.txt"),
      73u);
  EXPECT_FALSE(FileText(L"trace.txt"));
}

// A rig that reuses one path never reads the last run's "halted" after a run whose final write
// failed: the summary left is this run's, still running.
TEST_F(Unattended, ASummaryWhoseFinalWriteFailsIsThisRunsNeverAnEarlierOnes) {
  const std::wstring summary_file = L"summary.json";
  LaunchWithArguments(
      Library::kSimulator, "count.3 = 1\nhalt = never\n",
      L"--run 1 --timeout 2 --summary summary.json", [&] {
        ASSERT_TRUE(ui::WriteTextFile(folder_ + L"\\summary.json", "{\"outcome\": \"halted\"}\n"));
      });
  ASSERT_FALSE(HasFailure());
  ASSERT_TRUE(ui::WaitUntil([&] {
    return FileText(summary_file).value_or("").find("\"running\"") != std::string::npos;
  })) << "the summary says the run is running from its start";
  ExitWhileHeldOpen(summary_file, 73u);
  const std::optional<std::string> left = FileText(summary_file);
  ASSERT_TRUE(left);
  const nlohmann::json summary = nlohmann::json::parse(*left);
  EXPECT_EQ(summary["outcome"], "running");
  EXPECT_TRUE(summary["exit_code"].is_null());
}

TEST_F(Unattended, ALogThatCannotBeSavedIs73WithTheRunsOutcomeInTheSummary) {
  LaunchWithArguments(Library::kSimulator, "count.3 = 1\nhalt = milliseconds 3000\n",
                      L"--run 1 --save-log recovery.txt --summary summary.json");
  ASSERT_FALSE(HasFailure());
  ASSERT_TRUE(ui::WaitUntil([&] { return FileText(L"recovery.txt").has_value(); }));
  ExitWhileHeldOpen(L"recovery.txt", 73u);
  const nlohmann::json summary = Summary();
  EXPECT_EQ(summary["outcome"], "halted");
  EXPECT_EQ(summary["exit_code"], 73);
  EXPECT_EQ(
      summary["error"].get<std::string>().rfind("The log could not be saved to recovery.txt: ", 0),
      0u);
  EXPECT_EQ(summary["error_code"], ERROR_SHARING_VIOLATION);
  EXPECT_NE(FileText(L"output.txt").value_or("").find("The log could not be saved to recovery.txt"),
            std::string::npos)
      << "the reason on the redirected standard error";
}

// STOP and the close box stop the run as a person would; at the session's end both files are
// written before WM_ENDSESSION returns, as Windows may end the process right after it.
TEST_F(Unattended, StopTheCloseBoxAndTheSessionsEndAreStoppedWithBothFilesWritten) {
  const auto start = [&] {
    LaunchWithArguments(Library::kSimulator, "count.3 = 1\nhalt = never\n",
                        L"--run 1 --save-log recovery.txt --summary summary.json");
    window_ = program_.WaitForWindow(kCaption);
    ASSERT_NE(window_, nullptr);
    ASSERT_TRUE(
        WaitForLogLine("Please try power cycling your board until this operation is successful"));
  };
  start();
  ASSERT_TRUE(ui::Click(Find("Button", "STOP")));
  EXPECT_EQ(program_.WaitForExit(seconds(60)), 1u);
  EXPECT_EQ(Summary()["outcome"], "stopped");

  start();
  ui::Close(window_);
  EXPECT_EQ(program_.WaitForExit(seconds(60)), 1u);
  EXPECT_EQ(Summary()["last_line"], "Stopped by user.");

  start();
  EXPECT_EQ(ui::Send(window_, WM_QUERYENDSESSION, 0, 0), TRUE);
  ASSERT_TRUE(ui::Send(window_, WM_ENDSESSION, TRUE, 0));
  program_.Kill();  // as Windows may, once WM_ENDSESSION has returned
  EXPECT_EQ(Summary()["outcome"], "stopped");
  EXPECT_EQ(Summary()["exit_code"], 1);
  EXPECT_NE(
      FileText(L"recovery.txt").value_or("").find("Continuously attempting to halt processor."),
      std::string::npos);
}

// The deadline stops a run that goes on as STOP does: a timeout. A library call that never returns
// (a hung USB driver) cannot be stopped: 10 s after the deadline the watchdog ends the program
// with 8, the log up to the hung call and the summary naming it.
TEST_F(Unattended, TheDeadlineStopsTheRunAndALibraryCallThatNeverReturnsEndsItWith8) {
  EXPECT_EQ(Run(Library::kSimulator, "count.3 = 1\nhalt = never\n",
                L"--run 1 --deadline 2 --summary summary.json"),
            2u);
  EXPECT_EQ(Summary()["outcome"], "timeout");
  EXPECT_EQ(Summary()["error"], "The run's deadline of 2.0 s passed.");
  EXPECT_EQ(Summary()["last_line"], "Stopped by user.");

  EXPECT_EQ(Run(Library::kSimulator, "count.3 = 1\nsleep_ms.open_port = 600000\n",
                L"--run 1 --deadline 2 --save-log recovery.txt --summary summary.json"),
            8u);
  const nlohmann::json summary = Summary();
  EXPECT_EQ(summary["outcome"], "hung");
  EXPECT_EQ(summary["exit_code"], 8);
  EXPECT_EQ(summary["error"].get<std::string>().rfind(
                "The library had not returned from open_port after ", 0),
            0u);
  EXPECT_EQ(summary["last_line"], "       None.") << "the report's last line, before the call";
  const std::optional<std::string> log = FileText(L"recovery.txt");
  ASSERT_TRUE(log);
  EXPECT_EQ(log->substr(log->size() - 49), "Number of Ostrel USB Devices = 0000\r\n       None.");
}

// A rig of two boards on one PC, both probes of one kind: one program per board, each on its own
// --port, by number or by words of its descriptor, at once. A text in two descriptors names no
// port.
TEST_F(Unattended, TwoRunsAtOnceEachOnItsOwnPortAndATextInTwoDescriptorsNamesNone) {
  const std::string rig =
      "count.3 = 2\ndescriptor.3.1 = Veyra SN 1001\ndescriptor.3.2 = Veyra SN 2002\n"
      "halt = milliseconds 1000\n";
  LaunchWithArguments(Library::kSimulator, rig, L"--run 1 --port 2 --summary summary.json");
  ui::Program by_number = std::move(program_);
  const std::wstring by_number_folder = folder_;
  folder_suffix_ = L".second";
  LaunchWithArguments(Library::kSimulator, rig,
                      L"--run 1 --port \"sn 1001\" --summary summary.json");
  ASSERT_FALSE(HasFailure());
  EXPECT_EQ(program_.WaitForExit(seconds(60)), 0u);
  EXPECT_EQ(by_number.WaitForExit(seconds(60)), 0u);
  EXPECT_EQ(Summary()["port"], 1);
  EXPECT_EQ(Summary()["port_descriptor"], "Veyra SN 1001");
  const nlohmann::json other =
      nlohmann::json::parse(ui::ReadWholeFile(by_number_folder + L"\\summary.json").value_or("{}"));
  EXPECT_EQ(other["outcome"], "halted");
  EXPECT_EQ(other["port"], 2);
  EXPECT_EQ(other["port_descriptor"], "Veyra SN 2002");

  EXPECT_EQ(Run(Library::kSimulator, rig, L"--run 1 --port VEYRA --summary summary.json"), 3u);
  EXPECT_EQ(Summary()["outcome"], "not_attached");
  EXPECT_TRUE(Summary()["port"].is_null());
  EXPECT_EQ(Summary()["error"],
            "--port \"VEYRA\" names no one port of USB Veyra (K/ZV/PLEX); the ports listed were "
            "\"Veyra SN 1001\", \"Veyra SN 2002\".");
}

// A crash outside the library's guarded calls, or std::terminate, shows no dialog: the program
// ends with 5 and its summary, as a script reads it.
TEST_F(Unattended, ACrashEndsTheRunWith5AndItsSummaryAndShowsNoDialog) {
  program_payload_ = L"testz_test_build.exe";
  for (const char* fault : {"unhandled_exception", "terminate"}) {
    variables_ = {{"TESTZ_TEST_CRASH", fault}};
    EXPECT_EQ(Run(Library::kSimulator, "count.3 = 1\nhalt = never\n",
                  L"--run 1 --save-log recovery.txt --summary summary.json"),
              5u)
        << fault;
    const nlohmann::json summary = Summary();
    EXPECT_EQ(summary["outcome"], "internal_error") << fault;
    EXPECT_EQ(summary["exit_code"], 5) << fault;
    EXPECT_TRUE(FileText(L"recovery.txt")) << fault;
    if (std::string(fault) == "terminate") {
      EXPECT_FALSE(summary.contains("error_code"));
    } else {
      EXPECT_EQ(summary["error"], "The program crashed (exception C0000005).");
      EXPECT_EQ(summary["error_code"], EXCEPTION_ACCESS_VIOLATION);
    }
  }
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
