// How an unattended run ended, as a script reads it: one table of outcomes, their names in the
// summary and their exit codes.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "recovery_ending.h"

enum class UnattendedOutcome {
  kHalted,
  kReport,
  kStopped,
  kTimeout,
  kNotAttached,
  kConnectionFailed,
  kLibraryFault,
  kInternalError,
  kLibraryNotLoaded,
  kPowerCycleFailed,
  kHung,
};

struct OutcomeRow {
  UnattendedOutcome outcome;
  std::string_view name;  // the summary's "outcome"
  int exit_code;
  std::string_view meaning;  // for the usage text
};

// Every outcome once, in the order of their exit codes. A code shared by two outcomes is listed
// with each.
inline constexpr std::array<OutcomeRow, 11> kOutcomes = {{
    {UnattendedOutcome::kHalted, "halted", 0, "halted"},
    {UnattendedOutcome::kReport, "report", 0, "the report of \"Show Hardware\""},
    {UnattendedOutcome::kStopped, "stopped", 1,
     "stopped: STOP, the window closed, the session ended"},
    {UnattendedOutcome::kTimeout, "timeout", 2, "timeout"},
    {UnattendedOutcome::kNotAttached, "not_attached", 3, "no interface of that kind attached"},
    {UnattendedOutcome::kConnectionFailed, "connection_failed", 4,
     "connection failed: open, mode or reset"},
    {UnattendedOutcome::kLibraryFault, "library_fault", 5, "the library faulted"},
    {UnattendedOutcome::kInternalError, "internal_error", 5, "an internal error"},
    {UnattendedOutcome::kLibraryNotLoaded, "library_not_loaded", 6,
     "the library was not loaded (START disabled)"},
    {UnattendedOutcome::kPowerCycleFailed, "power_cycle_failed", 7,
     "the power-cycle command could not be started"},
    {UnattendedOutcome::kHung, "hung", 8,
     "a library call had not returned 10 s after the deadline: the process was ended"},
}};

// The exit codes that are no outcome of a run.
inline constexpr int kExitBadArguments = 64;
inline constexpr int kExitProgramNotStarted = 69;  // testz.com could not start testz.exe
inline constexpr int kExitNotWritten = 73;         // the log or the summary could not be written

constexpr bool OutcomesInTheirOwnOrder() {
  for (std::size_t i = 0; i < kOutcomes.size(); ++i) {
    if (static_cast<std::size_t>(kOutcomes[i].outcome) != i) return false;
  }
  return true;
}
static_assert(OutcomesInTheirOwnOrder(), "kOutcomes lists the outcomes in their enum's order");

inline const OutcomeRow& RowOf(UnattendedOutcome outcome) {
  return kOutcomes[static_cast<std::size_t>(outcome)];
}

// Why a halt loop ended as STOP ends it, when it was not the user.
enum class StopCause { kUser, kTimeout, kPowerCycleFailed };

// The outcome of a procedure that ended with `ending`, a stopped halt loop told apart by `cause`.
UnattendedOutcome OutcomeOf(RecoveryEnding ending, StopCause cause);

// The outcome a run ends with: how its procedure ended (`ended`, OutcomeOf) when it did; a
// window closed before that (by the user, a companion, the session's end) is stopped, unless the
// run had been stopped for its deadline first: then a timeout.
UnattendedOutcome FinalOutcome(std::optional<UnattendedOutcome> ended,
                               std::optional<StopCause> stopped_for);

// The exit code: the outcome's, unless the log or the summary asked for could not be written.
int ExitCodeOf(UnattendedOutcome outcome, bool files_written);
