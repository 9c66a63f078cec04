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
