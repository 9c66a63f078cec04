// How the ending of a START run maps onto the platform effects.
#include "platform_signals.h"

void SignalEnding(PlatformSignals& signals, RecoveryEnding ending) {
  switch (ending) {
    case RecoveryEnding::kHalted:
      signals.ShowProgress(TaskbarProgress::kNone);
      signals.Success();
      return;
    case RecoveryEnding::kReportOnly:
    case RecoveryEnding::kStopped: signals.ShowProgress(TaskbarProgress::kNone); return;
    case RecoveryEnding::kNotAttached:
    case RecoveryEnding::kOpenFailure:
    case RecoveryEnding::kModeFailure:
    case RecoveryEnding::kResetFailure:
    case RecoveryEnding::kLibraryFault:
    case RecoveryEnding::kInternalError: signals.ShowProgress(TaskbarProgress::kFailed); return;
  }
}
