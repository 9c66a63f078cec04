// How an unattended run ended, as a script reads it.
#include "unattended_outcome.h"

UnattendedOutcome OutcomeOf(RecoveryEnding ending, StopCause cause) {
  switch (ending) {
    case RecoveryEnding::kReportOnly: return UnattendedOutcome::kReport;
    case RecoveryEnding::kHalted: return UnattendedOutcome::kHalted;
    case RecoveryEnding::kStopped:
      if (cause == StopCause::kTimeout) return UnattendedOutcome::kTimeout;
      if (cause == StopCause::kPowerCycleFailed) return UnattendedOutcome::kPowerCycleFailed;
      return UnattendedOutcome::kStopped;
    case RecoveryEnding::kNotAttached: return UnattendedOutcome::kNotAttached;
    case RecoveryEnding::kOpenFailure:
    case RecoveryEnding::kModeFailure:
    case RecoveryEnding::kResetFailure: return UnattendedOutcome::kConnectionFailed;
    case RecoveryEnding::kLibraryFault: return UnattendedOutcome::kLibraryFault;
    case RecoveryEnding::kInternalError: break;
  }
  return UnattendedOutcome::kInternalError;
}

UnattendedOutcome FinalOutcome(std::optional<UnattendedOutcome> ended,
                               std::optional<StopCause> stopped_for) {
  if (ended) return *ended;
  if (stopped_for == StopCause::kTimeout) return UnattendedOutcome::kTimeout;
  return UnattendedOutcome::kStopped;
}

int ExitCodeOf(UnattendedOutcome outcome, bool files_written) {
  return files_written ? RowOf(outcome).exit_code : kExitNotWritten;
}
