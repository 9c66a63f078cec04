// The summary of an unattended run: one JSON object a script reads after the exit code.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "unattended_outcome.h"

// One run of the power-cycle command: when it started, how long its process tree ran, and how it
// ended.
struct PowerCycleEvent {
  enum class End {
    kRunning,  // still running when the summary was written
    kExited,   // its tree ended by itself; exit_code is the command's own
    kLimit,    // ended with its tree after --power-cycle-limit
    kRunEnd,   // still running after the run's end and its grace: ended with its tree
  };
  std::chrono::system_clock::time_point started;
  double seconds = 0;
  End end = End::kRunning;
  std::uint32_t exit_code = 0;
};

// Texts are UTF-8.
struct RunSummary {
  // Empty while the run goes on: the summary written at the start says "running".
  std::optional<UnattendedOutcome> outcome;
  int exit_code = 0;
  std::string kind;                   // the "Test Hardware" item chosen
  std::string protocol;               // the "Communication" item
  std::optional<std::uint32_t> port;  // the port opened, 1-based among those of the kind
  std::optional<std::string> port_descriptor;
  std::uint64_t attempts = 0;
  double seconds = 0;           // of halt attempts
  std::string library_version;  // as the version label shows it
  std::optional<unsigned> cable_version;
  int power_cycles = 0;  // commands started
  int power_cycle_failures = 0;
  bool power_cycle_running_at_exit = false;
  std::vector<PowerCycleEvent> power_cycle_events;
  std::chrono::system_clock::time_point started;  // the program's start
  std::chrono::system_clock::time_point ended;
  unsigned long process_id = 0;
  std::string last_line;  // the log's last line that is not empty
  std::optional<std::string> error;
  std::optional<std::uint32_t> error_code;  // the system's code or the exception's, with error
};

// The summary as one JSON object, UTF-8 without a byte order mark, ending in a line end. Bytes
// that are not UTF-8 are replaced, never passed on.
std::string SummaryJson(const RunSummary& summary);

// A moment as ISO 8601 in UTC, to the millisecond: "2026-12-08T17:00:39.123Z".
std::string Iso8601Utc(std::chrono::system_clock::time_point moment);
