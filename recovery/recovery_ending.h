// How a run of the START procedure ended.
#pragma once

// kHalted whenever "Success. Processor halted." was written, also when STOP came in the same
// attempt.
enum class RecoveryEnding {
  kReportOnly,  // "Show Hardware": the report and nothing more
  kHalted,
  kStopped,
  kNotAttached,
  kOpenFailure,
  kModeFailure,
  kResetFailure,
  kLibraryFault,
  kInternalError,
};
