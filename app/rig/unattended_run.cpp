// An unattended run on a test rig: it presses the main window's buttons as a person would, is told
// what happens, and reports how the run ended.
#include "unattended_run.h"

#include <chrono>
#include <cmath>
#include <cstddef>
#include <exception>
#include <iterator>
#include <utility>

#include "choice_items.h"
#include "log_file.h"
#include "log_text.h"
#include "saved_file.h"
#include "system_error.h"
#include "text_encoding.h"

namespace {

// How long a power-cycle command still running when the run ends is waited for.
constexpr std::chrono::milliseconds kPowerCycleGrace{10000};

std::string Utf8FromAnsi(std::string_view ansi) {
  return BytesFrom(CP_UTF8, WideFrom(CP_ACP, ansi));
}

std::string ErrorText(DWORD error) {
  return BytesFrom(CP_UTF8, SystemErrorText(error));
}

std::wstring WideFromUtf8(const std::string& text) {
  return WideFrom(CP_UTF8, text);
}

}  // namespace

UnattendedRun::UnattendedRun(UnattendedOptions options) : options_(std::move(options)) {
  summary_.kind = kHardwareTypeTexts[static_cast<std::size_t>(options_.hardware_type)];
  if (!options_.power_cycle_command.empty()) {
    power_cycle_.emplace(WideFromUtf8(options_.power_cycle_command),
                         std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::duration<double>(options_.power_cycle_period_seconds)),
                         std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::duration<double>(options_.power_cycle_limit_seconds)));
  }
}

std::optional<int> UnattendedRun::PowerCycles() const noexcept {
  if (!power_cycle_) return std::nullopt;
  return power_cycle_->started();
}

void UnattendedRun::LogLineSet(int index, std::string_view text) noexcept {
  try {
    const auto line = static_cast<std::size_t>(index);
    if (line < log_.size()) {
      log_[line] = std::string(text);
    } else if (line == log_.size()) {
      log_.emplace_back(text);
    }
  } catch (const std::exception& error) {
    Failed(error.what());
  }
}

void UnattendedRun::LogCleared() noexcept {
  log_.clear();
}

void UnattendedRun::WindowShown(bool start_enabled) noexcept {
  if (!start_enabled) {
    // No run: it starts and ends as the program ends.
    outcome_ = UnattendedOutcome::kLibraryNotLoaded;
    window_->Close();
    return;
  }
  window_->PressStart(options_.hardware_type);
}

void UnattendedRun::RunStarted(int, int communication_type) noexcept {
  summary_.started = std::chrono::system_clock::now();
  if (communication_type >= 0 &&
      communication_type < static_cast<int>(std::size(kCommunicationTypeTexts))) {
    summary_.protocol = kCommunicationTypeTexts[communication_type];
  }
}

void UnattendedRun::LibraryVersionShown(std::string_view text) noexcept {
  try {
    summary_.library_version = Utf8FromAnsi(text);
  } catch (const std::exception& error) {
    Failed(error.what());
  }
}

void UnattendedRun::CableVersionRead(std::uint16_t version) noexcept {
  summary_.cable_version = version;
}

void UnattendedRun::HaltLoopStarted() noexcept {
  if (!power_cycle_) return;
  if (const DWORD error = power_cycle_->LoopStarted()) Stop(StopCause::kPowerCycleFailed, error);
}

void UnattendedRun::HaltCounted(const HaltCount& count) noexcept {
  if (options_.timeout_seconds &&
      std::chrono::duration<double>(count.elapsed).count() >= *options_.timeout_seconds) {
    Stop(StopCause::kTimeout, ERROR_SUCCESS);
  }
  if (power_cycle_ && !stop_asked_) {
    if (const DWORD error = power_cycle_->Tick(count.elapsed)) {
      Stop(StopCause::kPowerCycleFailed, error);
    }
  }
}

void UnattendedRun::HaltLoopEnded(const HaltCount& count) noexcept {
  summary_.attempts = count.attempts;
  summary_.seconds =
      std::round(std::chrono::duration<double>(count.elapsed).count() * 1000.0) / 1000.0;
}

void UnattendedRun::RunEnded(RecoveryEnding ending) noexcept {
  summary_.ended = std::chrono::system_clock::now();
  outcome_ = OutcomeOf(ending, cause_);
  // From the message loop, once the START handler has returned.
  window_->Close();
}

void UnattendedRun::WindowClosing() noexcept {
  WriteOutputs();
}

void UnattendedRun::Failed(std::string_view what) noexcept {
  try {
    if (!outcome_) outcome_ = UnattendedOutcome::kInternalError;
    if (!summary_.error) summary_.error = std::string(what);
  } catch (...) {
  }
}

int UnattendedRun::Finish() noexcept {
  WriteOutputs();
  return exit_code_;
}

void UnattendedRun::WriteOutputs() noexcept {
  if (written_) return;
  written_ = true;
  // A window closed before its run ended: by the user, or by the session's end.
  if (!outcome_) outcome_ = UnattendedOutcome::kStopped;
  if (summary_.ended == std::chrono::system_clock::time_point()) {
    summary_.ended = std::chrono::system_clock::now();
  }
  if (power_cycle_) {
    summary_.power_cycle_running_at_exit = power_cycle_->EndAtRunEnd(kPowerCycleGrace);
    summary_.power_cycles = power_cycle_->started();
    summary_.power_cycle_failures = power_cycle_->failures();
    summary_.power_cycle_events = power_cycle_->events();
  }
  if (summary_.started == std::chrono::system_clock::time_point()) {
    summary_.started = summary_.ended;
  }
  try {
    for (auto line = log_.rbegin(); line != log_.rend(); ++line) {
      if (line->empty()) continue;
      summary_.last_line = Utf8FromAnsi(*line);
      break;
    }
    // Where the procedure's own last line says what went wrong, the summary says it too.
    if ((outcome_ == UnattendedOutcome::kLibraryNotLoaded ||
         outcome_ == UnattendedOutcome::kLibraryFault ||
         outcome_ == UnattendedOutcome::kInternalError) &&
        !summary_.error) {
      summary_.error = summary_.last_line;
    }
  } catch (const std::exception& error) {
    Failed(error.what());
  }
  SaveLog();
  summary_.outcome = *outcome_;
  summary_.exit_code = not_written_ ? kExitNotWritten : RowOf(*outcome_).exit_code;
  exit_code_ = summary_.exit_code;
  if (options_.summary.empty()) return;
  try {
    const DWORD error = SaveFileBytes(WideFromUtf8(options_.summary), SummaryJson(summary_));
    if (error == ERROR_SUCCESS) return;
  } catch (...) {
  }
  exit_code_ = kExitNotWritten;
}

void UnattendedRun::Stop(StopCause cause, DWORD error) noexcept {
  if (stop_asked_) return;
  stop_asked_ = true;
  cause_ = cause;
  if (error != ERROR_SUCCESS) {
    try {
      summary_.error = ErrorText(error);
    } catch (...) {
    }
  }
  window_->PressStop();
}

void UnattendedRun::SaveLog() noexcept {
  if (options_.save_log.empty()) return;
  try {
    const DWORD error = SaveLogText(WideFromUtf8(options_.save_log), LogText(log_));
    if (error != ERROR_SUCCESS)
      NotWritten("The log could not be saved to " + options_.save_log, error);
  } catch (const std::exception& error) {
    Failed(error.what());
  }
}

void UnattendedRun::NotWritten(const std::string& what, DWORD error) noexcept {
  not_written_ = true;
  try {
    const std::string reason = what + ": " + ErrorText(error);
    summary_.error = summary_.error ? *summary_.error + " " + reason : reason;
  } catch (...) {
  }
}
