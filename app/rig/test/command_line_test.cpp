// Tests of the command line of an unattended run, its exit codes and its summary.
#include "command_line.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "run_summary.h"
#include "unattended_outcome.h"

namespace {

using Args = std::vector<std::string>;
using Mode = CommandLine::Mode;

std::string ErrorOf(const Args& args) {
  const CommandLine line = ParseCommandLine(args);
  EXPECT_EQ(line.mode, Mode::kBadArguments) << (args.empty() ? "" : args[0]);
  return line.error;
}

TEST(CommandLine, EveryOptionInBothFormsAndTheKindByTextOrNumber) {
  EXPECT_EQ(ParseCommandLine({}).mode, Mode::kWindow);

  const CommandLine line = ParseCommandLine(
      {"--run", "usb veyra (k/zv/plex)", "--timeout=120", "--power-cycle", "relay.exe 2 cycle",
       "--power-cycle-period", "0.5", "--save-log", "recovery.txt", "--summary=r.json",
       "--deadline=1000000000", "--power-cycle-limit", "0.25", "--port", "0065535"});
  ASSERT_EQ(line.mode, Mode::kUnattended) << line.error;
  EXPECT_EQ(line.options.hardware_type, 1);
  EXPECT_EQ(line.options.timeout_seconds, 120.0);
  EXPECT_EQ(line.options.power_cycle_command, "relay.exe 2 cycle");
  EXPECT_EQ(line.options.power_cycle_period_seconds, 0.5);
  EXPECT_EQ(line.options.save_log, "recovery.txt");
  EXPECT_EQ(line.options.summary, "r.json");
  EXPECT_EQ(line.options.deadline_seconds, 1e9);
  EXPECT_EQ(line.options.power_cycle_limit_seconds, 0.25);
  EXPECT_EQ(line.options.port.value_or(PortChoice{}).number, 65535u);

  const CommandLine defaults = ParseCommandLine({"--run", "07"});
  EXPECT_EQ(defaults.options.hardware_type, 7);
  EXPECT_FALSE(defaults.options.timeout_seconds);
  EXPECT_FALSE(defaults.options.deadline_seconds);
  EXPECT_EQ(defaults.options.power_cycle_period_seconds, 3.0);
  EXPECT_EQ(defaults.options.power_cycle_limit_seconds, 60.0);
  EXPECT_EQ(ParseCommandLine({"--run", "0"}).options.hardware_type, 0);
  EXPECT_EQ(ParseCommandLine({"--run", "SHOW HARDWARE"}).options.hardware_type, 0);
  EXPECT_EQ(ParseCommandLine({"--run=OstrelUSB"}).options.hardware_type, 7);
  EXPECT_EQ(ParseCommandLine({"--run", "1", "--timeout", "0.5"}).options.deadline_seconds, 60.5);
  EXPECT_EQ(ParseCommandLine({"--run", "1", "--port= Veyra 2"}).options.port->text, " Veyra 2");
  // After '=' a value may be an option's name.
  EXPECT_EQ(ParseCommandLine({"--run", "1", "--save-log=--summary"}).options.save_log, "--summary");

  EXPECT_EQ(ParseCommandLine({"--help"}).mode, Mode::kHelp);
  EXPECT_EQ(ParseCommandLine({"/?"}).mode, Mode::kHelp);
  EXPECT_EQ(ParseCommandLine({"--timeout", "x", "--help"}).mode, Mode::kHelp);
  EXPECT_EQ(ParseCommandLine({"--version"}).mode, Mode::kVersion);
  EXPECT_EQ(ParseCommandLine({"--colour", "--version"}).mode, Mode::kVersion);
}

TEST(CommandLine, EveryBadArgumentSaysWhatIsWrong) {
  EXPECT_EQ(ErrorOf({"--run", "1", "--colour"}), "unknown option \"--colour\"");
  EXPECT_EQ(ErrorOf({"1"}), "unexpected argument \"1\"");
  EXPECT_EQ(ErrorOf({"a=b"}), "unexpected argument \"a=b\"");
  EXPECT_EQ(ErrorOf({"--version=1"}), "--version takes no value");
  EXPECT_EQ(ErrorOf({"--run", "1", "--save-log", "--summary"}),
            "--save-log needs a FILE, not the option \"--summary\"");
  EXPECT_EQ(ErrorOf({"--run", "--port=2"}), "--run needs KIND, not the option \"--port=2\"");
  EXPECT_EQ(ErrorOf({"--run", "1", "--power-cycle", " \t "}),
            "--power-cycle needs a command, not only blanks");
  for (const char* port : {"0", "65536", "99999999999"}) {
    EXPECT_EQ(ErrorOf({"--run", "1", "--port", port}),
              "--port needs a port number from 1 to 65535, not \"" + std::string(port) + "\"");
  }
  EXPECT_EQ(ErrorOf({"--run", "1", "--deadline", "1000000000.5"}),
            "--deadline takes at most 1000000000 seconds, not \"1000000000.5\"");
  EXPECT_EQ(ErrorOf({"--run", "1", "--timeout", "5", "--deadline", "5"}),
            "--deadline needs more seconds than --timeout: the deadline counts from the program's "
            "start, the timeout from the halt loop's first attempt");
  EXPECT_EQ(ErrorOf({"--run", "1", "--power-cycle-limit", "2"}),
            "--power-cycle-limit needs --power-cycle");
  EXPECT_EQ(ErrorOf({"--run"}), "--run needs KIND");
  EXPECT_EQ(ErrorOf({"--run", "1", "--summary"}), "--summary needs a FILE");
  EXPECT_EQ(ErrorOf({"--run", "1", "--save-log="}), "--save-log needs a file name");
  EXPECT_EQ(ErrorOf({"--run", "8"}).substr(0, 40), "no \"Test Hardware\" item is \"8\": give one");
  EXPECT_NE(ErrorOf({"--run", "USB"}).find("\"OstrelUSB\", or its number from 0 to 7"),
            std::string::npos);
  for (const char* seconds : {"0", "0.0", "-1", "1e3", "abc", "", ".", "1.2.3", " 5", "2s"}) {
    EXPECT_EQ(ErrorOf({"--run", "1", "--timeout", seconds}),
              "--timeout needs a positive number of seconds, not \"" + std::string(seconds) + "\"");
  }
  EXPECT_EQ(ParseCommandLine({"--run", "1", "--timeout", ".5"}).options.timeout_seconds, 0.5);
  EXPECT_EQ(ErrorOf({"--run", "1", "--power-cycle", "x", "--power-cycle-period", "0"}),
            "--power-cycle-period needs a positive number of seconds, not \"0\"");
  EXPECT_EQ(ErrorOf({"--run", "1", "--timeout", "5", "--timeout=6"}), "--timeout is given twice");
  EXPECT_EQ(ErrorOf({"--run", "1", "--run", "1"}), "--run is given twice");
  EXPECT_EQ(ErrorOf({"--summary", "s.json"}),
            "the options work with --run only: testz.exe --run KIND ...");
  EXPECT_EQ(ErrorOf({"--run", "1", "--power-cycle-period", "2"}),
            "--power-cycle-period needs --power-cycle");
  EXPECT_EQ(BadArgumentsText("x"), "testz.exe: x\nRun testz.exe --help for the usage.\n");
}

TEST(UnattendedOutcome, EachEndingHasItsExitCodeAndTheUsageListsThemAll) {
  const std::pair<RecoveryEnding, int> endings[] = {
      {RecoveryEnding::kHalted, 0},       {RecoveryEnding::kReportOnly, 0},
      {RecoveryEnding::kStopped, 1},      {RecoveryEnding::kNotAttached, 3},
      {RecoveryEnding::kOpenFailure, 4},  {RecoveryEnding::kModeFailure, 4},
      {RecoveryEnding::kResetFailure, 4}, {RecoveryEnding::kLibraryFault, 5},
      {RecoveryEnding::kInternalError, 5}};
  for (const auto& [ending, code] : endings) {
    EXPECT_EQ(RowOf(OutcomeOf(ending, StopCause::kUser)).exit_code, code);
  }
  EXPECT_EQ(RowOf(OutcomeOf(RecoveryEnding::kStopped, StopCause::kTimeout)).name, "timeout");
  EXPECT_EQ(RowOf(OutcomeOf(RecoveryEnding::kStopped, StopCause::kTimeout)).exit_code, 2);
  EXPECT_EQ(RowOf(OutcomeOf(RecoveryEnding::kStopped, StopCause::kPowerCycleFailed)).exit_code, 7);
  // A halt in the attempt the timeout stopped is a halt.
  EXPECT_EQ(OutcomeOf(RecoveryEnding::kHalted, StopCause::kTimeout), UnattendedOutcome::kHalted);

  // How the procedure ended stands; a window closed before it ended is stopped, unless the
  // deadline had stopped the run first. A file not written is 73 whatever the outcome.
  EXPECT_EQ(FinalOutcome(UnattendedOutcome::kHalted, StopCause::kTimeout),
            UnattendedOutcome::kHalted);
  EXPECT_EQ(FinalOutcome(std::nullopt, std::nullopt), UnattendedOutcome::kStopped);
  EXPECT_EQ(FinalOutcome(std::nullopt, StopCause::kUser), UnattendedOutcome::kStopped);
  EXPECT_EQ(FinalOutcome(std::nullopt, StopCause::kTimeout), UnattendedOutcome::kTimeout);
  EXPECT_EQ(ExitCodeOf(UnattendedOutcome::kHalted, true), 0);
  EXPECT_EQ(ExitCodeOf(UnattendedOutcome::kHalted, false), 73);
  EXPECT_EQ(ExitCodeOf(UnattendedOutcome::kHung, true), 8);
  EXPECT_EQ(RowOf(UnattendedOutcome::kLibraryNotLoaded).exit_code, 6);

  const std::string usage = UsageText();
  for (const char* line :
       {"  0   halted, or the report of \"Show Hardware\"\n", "  2   timeout\n",
        "  5   the library faulted, or an internal error\n",
        "  7   the power-cycle command could not be started\n", "  64  bad arguments\n",
        "                          1  USB Veyra (K/ZV/PLEX)\n",
        "\nSECONDS is a positive number up to 1000000000,"}) {
    EXPECT_NE(usage.find(line), std::string::npos) << line;
  }
}

TEST(RunSummary, EveryFieldReadsBackAndBytesThatAreNotUtf8AreReplaced) {
  RunSummary summary;
  summary.outcome = UnattendedOutcome::kTimeout;
  summary.exit_code = 2;
  summary.kind = "USB Veyra (K/ZV/PLEX)";
  summary.protocol = "SWD";
  summary.attempts = 12345678901;
  summary.seconds = 41.25;
  summary.library_version = "1.23";
  summary.power_cycles = 3;
  summary.power_cycle_failures = 1;
  summary.started = std::chrono::system_clock::time_point(std::chrono::milliseconds(1796749239123));
  summary.ended = summary.started + std::chrono::seconds(42);
  summary.last_line = "Stopped by user. caf\xE9 \"quoted\"";
  const nlohmann::json json = nlohmann::json::parse(SummaryJson(summary));
  EXPECT_EQ(json["outcome"], "timeout");
  EXPECT_EQ(json["exit_code"], 2);
  EXPECT_EQ(json["attempts"], 12345678901u);
  EXPECT_EQ(json["seconds"], 41.25);
  EXPECT_TRUE(json["cable_version"].is_null());
  EXPECT_EQ(json["power_cycle_running_at_exit"], false);
  EXPECT_EQ(json["started"], "2026-12-08T17:00:39.123Z");
  EXPECT_EQ(json["ended"], "2026-12-08T17:01:21.123Z");
  EXPECT_EQ(json["last_line"], "Stopped by user. caf\xEF\xBF\xBD \"quoted\"");
  EXPECT_FALSE(json.contains("error"));
  EXPECT_TRUE(json["port"].is_null());
  EXPECT_EQ(json["power_cycle_events"], nlohmann::json::array());
  EXPECT_EQ(json.size(), 18u);

  summary.cable_version = 65535;
  summary.error = "The system cannot find the file specified.";
  const nlohmann::json with_error = nlohmann::json::parse(SummaryJson(summary));
  EXPECT_EQ(with_error["cable_version"], 65535);
  EXPECT_EQ(with_error["error"], "The system cannot find the file specified.");

  // While the run goes on: no outcome, no exit code, no end.
  summary.outcome.reset();
  const nlohmann::json running = nlohmann::json::parse(SummaryJson(summary));
  EXPECT_EQ(running["outcome"], "running");
  EXPECT_TRUE(running["exit_code"].is_null());
  EXPECT_TRUE(running["ended"].is_null());
  EXPECT_EQ(running["started"], "2026-12-08T17:00:39.123Z");
}

}  // namespace
