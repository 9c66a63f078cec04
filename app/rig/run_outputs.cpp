// The log and the summary of an unattended run: written at its start as this run's, then once at
// its end, whole or not at all.
#include "run_outputs.h"

#include <exception>
#include <new>
#include <utility>

#include "log_file.h"
#include "log_text.h"
#include "saved_file.h"
#include "system_error.h"
#include "text_encoding.h"
#include "text_output.h"

namespace {

std::wstring Path(const std::string& utf8) {
  return WideFrom(CP_UTF8, utf8);
}

// The reason a file was not written goes to standard error where a script redirected it: the
// run itself goes on and ends as it would, only its exit code tells.
void TellRedirectedStandardError(const std::string& text) {
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (IsRedirected(error)) WriteUtf8(error, "testz.exe: " + text + "\r\n");
}

// The system's error of a write, or the one that stands for what stopped it before the system
// was asked.
template <typename Write>
DWORD Attempt(Write write) noexcept {
  try {
    return write();
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  } catch (const std::exception&) {
    return ERROR_GEN_FAILURE;
  }
}

}  // namespace

RunOutputs::RunOutputs(std::string save_log, std::string summary)
    : save_log_(std::move(save_log)), summary_(std::move(summary)) {}

std::optional<std::string> RunOutputs::WriteAtStart(const RunSummary& running) const {
  // The summary first: whatever fails after it, what a script reads there is this run's.
  if (!summary_.empty()) {
    if (const DWORD error = SaveFileBytes(Path(summary_), SummaryJson(running))) {
      return "the summary cannot be written to " + summary_ + ": " + SystemErrorUtf8(error);
    }
  }
  if (!save_log_.empty()) {
    if (const DWORD error = SaveLogText(Path(save_log_), "")) {
      return "the log cannot be saved to " + save_log_ + ": " + SystemErrorUtf8(error);
    }
  }
  return std::nullopt;
}

bool RunOutputs::Claim() noexcept {
  return !claimed_.exchange(true);
}

int RunOutputs::WriteFinal(RunSummary summary, const std::vector<std::string>& lines) noexcept {
  bool log_saved = true;
  if (!save_log_.empty()) {
    const DWORD error = Attempt([&] { return SaveLogText(Path(save_log_), LogText(lines)); });
    if (error != ERROR_SUCCESS) {
      log_saved = false;
      try {
        const std::string reason =
            "The log could not be saved to " + save_log_ + ": " + SystemErrorUtf8(error);
        TellRedirectedStandardError(reason);
        summary.error = summary.error ? *summary.error + " " + reason : reason;
        summary.error_code = error;
      } catch (const std::exception&) {
      }
    }
  }
  const UnattendedOutcome outcome = summary.outcome.value_or(UnattendedOutcome::kInternalError);
  summary.outcome = outcome;
  summary.exit_code = ExitCodeOf(outcome, log_saved);
  int exit_code = summary.exit_code;
  if (!summary_.empty()) {
    const DWORD error =
        Attempt([&] { return SaveFileBytes(Path(summary_), SummaryJson(summary)); });
    if (error != ERROR_SUCCESS) {
      exit_code = ExitCodeOf(outcome, false);
      try {
        TellRedirectedStandardError("The summary could not be written to " + summary_ + ": " +
                                    SystemErrorUtf8(error));
      } catch (const std::exception&) {
      }
    }
  }
  exit_code_ = exit_code;
  written_ = true;
  return exit_code;
}
