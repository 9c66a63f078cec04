// The summary of an unattended run: one JSON object a script reads after the exit code.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "unattended_outcome.h"

// Texts are UTF-8.
struct RunSummary {
  UnattendedOutcome outcome = UnattendedOutcome::kStopped;
  int exit_code = 0;
  std::string kind;      // the "Test Hardware" item chosen
  std::string protocol;  // the "Communication" item
  std::uint64_t attempts = 0;
  double seconds = 0;           // of halt attempts
  std::string library_version;  // as the version label shows it
  std::optional<unsigned> cable_version;
  int power_cycles = 0;  // commands started
  int power_cycle_failures = 0;
  bool power_cycle_running_at_exit = false;
  std::chrono::system_clock::time_point started;
  std::chrono::system_clock::time_point ended;
  std::string last_line;  // the log's last line that is not empty
  std::optional<std::string> error;
};

// The summary as one JSON object, UTF-8 without a byte order mark, ending in a line end. Bytes
// that are not UTF-8 are replaced, never passed on.
std::string SummaryJson(const RunSummary& summary);

// A moment as ISO 8601 in UTC, to the millisecond: "2026-12-08T17:00:39.123Z".
std::string Iso8601Utc(std::chrono::system_clock::time_point moment);
