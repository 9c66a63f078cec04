// The program's command line: none for the window as it always was, or an unattended run for a
// test rig (--run and its options), or the usage, or the version.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "port_choice.h"

// What an unattended run is asked to do. Texts are UTF-8.
struct UnattendedOptions {
  int hardware_type = 0;  // the "Test Hardware" item to choose
  std::optional<double> timeout_seconds;
  std::string power_cycle_command;  // empty: none
  double power_cycle_period_seconds = 3;
  double power_cycle_limit_seconds = 60;  // a command running longer is ended with its tree
  // Counted from the program's start: the run is stopped then, and ended should a library call
  // not return. None: no deadline.
  std::optional<double> deadline_seconds;
  std::optional<PortChoice> port;  // none: port 1, as the window opens
  std::string save_log;            // the file to save the log to; empty: none
  std::string summary;             // the file to write the summary to; empty: none
};

struct CommandLine {
  enum class Mode { kWindow, kUnattended, kHelp, kVersion, kBadArguments };
  Mode mode = Mode::kWindow;
  UnattendedOptions options;  // kUnattended
  std::string error;          // kBadArguments: what is wrong, one line
};

// The arguments after the program's name, in UTF-8. Options take their value as the next
// argument, unless that is an option itself, or after '=' (--timeout=120). --help (or /?) wins
// over everything else, --version over everything but --help.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The usage, with every "Test Hardware" item and the exit codes; lines end in "\n".
std::string UsageText();

// What --version shows: the program's name, version and `build` (the commit it was built from),
// one line ending in "\n".
std::string VersionText(std::string_view build);

// What a bad command line shows: the error and where to find the usage.
std::string BadArgumentsText(std::string_view error);
