// An unattended run on a test rig: it presses the main window's buttons as a person would, is told
// what happens, watches its deadline, and reports how the run ended.
#include "unattended_run.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <exception>
#include <iterator>
#include <utility>

#include "call_under_way.h"
#include "choice_items.h"
#include "crash_exit.h"
#include "halt_count_text.h"
#include "locale_numbers.h"
#include "system_error.h"
#include "text_encoding.h"

namespace {

// How long a power-cycle command still running when the run ends is waited for.
constexpr std::chrono::milliseconds kPowerCycleGrace{10000};
// The run's checks: four times a second, as often as the count is shown.
constexpr UINT kTickMilliseconds = 250;
// How often the streamed log gives the count while the halt loop runs.
constexpr std::chrono::seconds kProgressInterval{5};
// How long the streamed log's last lines may take to reach a reader at the end.
constexpr std::chrono::milliseconds kStreamFlush{2000};

// The one run of the process, for its crash handlers.
UnattendedRun* the_run = nullptr;

// Seconds with one decimal.
std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", seconds);
  return text;
}

std::string Hexadecimal(std::uint32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(code));
  return text;
}

// The summary's last line and, where the procedure's own last line says what went wrong, its
// error too.
void TakeLastLine(RunSummary& summary, const std::vector<std::string>& lines) {
  const auto last = std::find_if(lines.rbegin(), lines.rend(),
                                 [](const std::string& line) { return !line.empty(); });
  summary.last_line = last == lines.rend() ? std::string() : Utf8FromAnsi(*last);
  const bool told_in_the_log = summary.outcome == UnattendedOutcome::kLibraryNotLoaded ||
                               summary.outcome == UnattendedOutcome::kLibraryFault ||
                               summary.outcome == UnattendedOutcome::kInternalError;
  if (told_in_the_log && !summary.error) summary.error = summary.last_line;
}

}  // namespace

UnattendedRun::UnattendedRun(UnattendedOptions options)
    : options_(std::move(options)), outputs_(options_.save_log, options_.summary) {
  if (options_.deadline_seconds) {
    deadline_ = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(*options_.deadline_seconds));
  }
  record_.Update([this](RunSummary& summary, std::vector<std::string>&) {
    summary.kind = kHardwareTypeTexts[static_cast<std::size_t>(options_.hardware_type)];
    summary.started = std::chrono::system_clock::now();
    summary.process_id = GetCurrentProcessId();
  });
  companion_ = CompanionLink::FromEnvironment();
  stream_ = LogStream::OnStandardOutput(companion_ && companion_->ProgressInPlace());
  if (!options_.power_cycle_command.empty()) {
    power_cycle_.emplace(WideFrom(CP_UTF8, options_.power_cycle_command),
                         std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::duration<double>(options_.power_cycle_period_seconds)),
                         std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::duration<double>(options_.power_cycle_limit_seconds)));
  }
}

UnattendedRun::~UnattendedRun() {
  if (the_run == this) the_run = nullptr;
}

std::optional<std::string> UnattendedRun::Begin() {
  the_run = this;
  ExitOnCrash(&OnCrash);
  const std::optional<RunRecord::Copy> running = record_.TryCopy(std::chrono::seconds(1));
  if (!running) return std::string("out of memory");
  if (std::optional<std::string> problem = outputs_.WriteAtStart(running->summary)) return problem;
  watchdog_.emplace(deadline_, [this] { return Hung(); });
  return std::nullopt;
}

void UnattendedRun::Attach(RigWindow& window) {
  window_ = &window;
  timer_.emplace(kTickMilliseconds, [this] { Tick(); });
}

void UnattendedRun::Tick() noexcept {
  // Ctrl+C at testz.com's console, or testz.com ended: as the window's close box.
  if (companion_ && !companion_closed_ && companion_->StopAsked()) {
    companion_closed_ = true;
    window_->Close();
  }
  if (deadline_ && !stopped_for_ && Clock::now() >= *deadline_) {
    Stop(StopCause::kTimeout,
         "The run's deadline of " + Seconds(*options_.deadline_seconds) + " s passed.");
  }
  // A STOP pressed before the halt loop began is cleared by its set-up: it is pressed again.
  if (stopped_for_ && !ended_) window_->PressStop();
}

std::optional<int> UnattendedRun::PowerCycles() const noexcept {
  if (!power_cycle_) return std::nullopt;
  return power_cycle_->started();
}

void UnattendedRun::LogLineSet(int index, std::string_view text) noexcept {
  try {
    // A line added after another finishes that one: its text is final, and it is streamed.
    std::optional<std::string> finished;
    record_.Update([&](RunSummary&, std::vector<std::string>& lines) {
      const auto line = static_cast<std::size_t>(index);
      if (line < lines.size()) {
        lines[line] = std::string(text);
      } else if (line == lines.size()) {
        if (stream_ && !lines.empty()) finished = lines.back();
        lines.emplace_back(text);
      }
    });
    if (finished) stream_->Line(Utf8FromAnsi(*finished));
  } catch (const std::exception& error) {
    Failed(error.what());
  }
}

void UnattendedRun::LogCleared() noexcept {
  // A last line that no other followed is finished by the clear.
  std::optional<std::string> finished;
  record_.Update([&](RunSummary&, std::vector<std::string>& lines) {
    if (stream_ && !lines.empty() && !lines.back().empty()) finished = std::move(lines.back());
    lines.clear();
  });
  try {
    if (finished) stream_->Line(Utf8FromAnsi(*finished));
  } catch (const std::exception&) {
  }
}

void UnattendedRun::WindowShown(bool start_enabled) noexcept {
  if (!start_enabled) {
    // No run: it starts and ends as the program ends.
    ended_ = UnattendedOutcome::kLibraryNotLoaded;
    if (watchdog_) watchdog_->ProcedureEnded();
    window_->Close();
    return;
  }
  // The deadline came before the window did: no run begins.
  if (stopped_for_) {
    window_->Close();
    return;
  }
  window_->PressStart(options_.hardware_type, options_.port.value_or(PortChoice{}));
}

void UnattendedRun::RunStarted(int, int communication_type) noexcept {
  if (communication_type < 0 ||
      communication_type >= static_cast<int>(std::size(kCommunicationTypeTexts))) {
    return;
  }
  try {
    record_.Update([&](RunSummary& summary, std::vector<std::string>&) {
      summary.protocol = kCommunicationTypeTexts[communication_type];
    });
  } catch (const std::exception& error) {
    Failed(error.what());
  }
}

void UnattendedRun::LibraryVersionShown(std::string_view text) noexcept {
  try {
    const std::string version = Utf8FromAnsi(text);
    record_.Update(
        [&](RunSummary& summary, std::vector<std::string>&) { summary.library_version = version; });
  } catch (const std::exception& error) {
    Failed(error.what());
  }
}

void UnattendedRun::PortChosen(std::optional<std::uint32_t> port,
                               const std::vector<std::string>& descriptors) noexcept {
  try {
    std::optional<std::string> descriptor;
    if (port && *port >= 1 && *port <= descriptors.size()) {
      descriptor = Utf8FromAnsi(descriptors[*port - 1]);
    }
    // A text that named no one port: the rig's owner sees which ports there were to name.
    std::optional<std::string> error;
    if (!port) {
      std::string listed;
      for (const std::string& seen : descriptors) {
        listed += (listed.empty() ? "\"" : ", \"") + Utf8FromAnsi(seen) + "\"";
      }
      error = "--port \"" + options_.port.value_or(PortChoice{}).text + "\" names no one port of " +
              kHardwareTypeTexts[static_cast<std::size_t>(options_.hardware_type)] +
              (listed.empty() ? "; none was listed." : "; the ports listed were " + listed + ".");
    }
    record_.Update([&](RunSummary& summary, std::vector<std::string>&) {
      summary.port = port;
      summary.port_descriptor = std::move(descriptor);
      if (error) summary.error = std::move(error);
    });
  } catch (const std::exception& error) {
    Failed(error.what());
  }
}

void UnattendedRun::CableVersionRead(std::uint16_t version) noexcept {
  record_.Update(
      [&](RunSummary& summary, std::vector<std::string>&) { summary.cable_version = version; });
}

void UnattendedRun::HaltLoopStarted() noexcept {
  if (stopped_for_) {
    window_->PressStop();
    return;
  }
  if (!power_cycle_) return;
  if (const DWORD error = power_cycle_->LoopStarted()) {
    Stop(StopCause::kPowerCycleFailed, SystemErrorUtf8(error), error);
  }
  RecordPowerCycles();
}

void UnattendedRun::HaltCounted(const HaltCount& count) noexcept {
  if (options_.timeout_seconds &&
      std::chrono::duration<double>(count.elapsed).count() >= *options_.timeout_seconds) {
    Stop(StopCause::kTimeout, std::nullopt);
  }
  if (power_cycle_ && !stopped_for_) {
    if (const DWORD error = power_cycle_->Tick(count.elapsed)) {
      Stop(StopCause::kPowerCycleFailed, SystemErrorUtf8(error), error);
    }
    RecordPowerCycles();
  }
  StreamProgress(count);
}

void UnattendedRun::StreamProgress(const HaltCount& count) noexcept {
  if (!stream_) return;
  // A command started and one that ended each change the events.
  std::size_t power_cycle_changes = 0;
  if (power_cycle_) {
    for (const PowerCycleEvent& event : power_cycle_->events()) {
      power_cycle_changes += event.end == PowerCycleEvent::End::kRunning ? 1 : 2;
    }
  }
  const Clock::time_point now = Clock::now();
  if (progress_streamed_ && now - *progress_streamed_ < kProgressInterval &&
      power_cycle_changes == power_cycle_changes_streamed_) {
    return;
  }
  progress_streamed_ = now;
  power_cycle_changes_streamed_ = power_cycle_changes;
  try {
    stream_->Progress(RunningCountText(count, UserNumberFormat(), PowerCycles()));
  } catch (const std::exception&) {
  }
}

void UnattendedRun::StreamLast(const std::vector<std::string>& lines, UnattendedOutcome outcome,
                               int exit_code) noexcept {
  if (!stream_) return;
  try {
    // The log's last line, never followed by another, is written with the rest.
    if (!lines.empty() && !lines.back().empty()) stream_->Line(Utf8FromAnsi(lines.back()));
    stream_->Last("Outcome: " + std::string(RowOf(outcome).name) + ", exit code " +
                  std::to_string(exit_code) + ".");
  } catch (const std::exception&) {
  }
  stream_->Flush(kStreamFlush);
}

void UnattendedRun::HaltLoopEnded(const HaltCount& count) noexcept {
  record_.Update([&](RunSummary& summary, std::vector<std::string>&) {
    summary.attempts = count.attempts;
    summary.seconds =
        std::round(std::chrono::duration<double>(count.elapsed).count() * 1000.0) / 1000.0;
  });
}

void UnattendedRun::RunEnded(RecoveryEnding ending) noexcept {
  ended_ = OutcomeOf(ending, stopped_for_.value_or(StopCause::kUser));
  if (watchdog_) watchdog_->ProcedureEnded();
  // From the message loop, once the START handler has returned.
  window_->Close();
}

void UnattendedRun::WindowClosing() noexcept {
  WriteOutputs(PowerCycleGrace());
}

std::chrono::milliseconds UnattendedRun::PowerCycleGrace() const {
  // The command's grace ends well before the watchdog would count the run as hung.
  if (!deadline_) return kPowerCycleGrace;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      *deadline_ + Watchdog::kGrace / 2 - Clock::now());
  return std::clamp(left, std::chrono::milliseconds(0), kPowerCycleGrace);
}

void UnattendedRun::SessionEnding() noexcept {
  // Windows may end the process as soon as this returns: nothing is waited for.
  WriteOutputs(std::chrono::milliseconds(0));
}

void UnattendedRun::Failed(std::string_view what) noexcept {
  if (!ended_) ended_ = UnattendedOutcome::kInternalError;
  try {
    const std::string error(what);
    record_.Update([&](RunSummary& summary, std::vector<std::string>&) {
      if (!summary.error) summary.error = error;
    });
  } catch (...) {
  }
}

int UnattendedRun::Finish() noexcept {
  WriteOutputs(PowerCycleGrace());
  return exit_code_;
}

void UnattendedRun::Stop(StopCause cause, std::optional<std::string> error,
                         std::optional<std::uint32_t> code) noexcept {
  if (stopped_for_) return;
  stopped_for_ = cause;
  if (error) {
    record_.Update([&](RunSummary& summary, std::vector<std::string>&) {
      summary.error = std::move(error);
      summary.error_code = code;
    });
  }
  window_->PressStop();
}

void UnattendedRun::RecordPowerCycles() noexcept {
  record_.Update([this](RunSummary& summary, std::vector<std::string>&) {
    summary.power_cycles = power_cycle_->started();
    summary.power_cycle_failures = power_cycle_->failures();
    summary.power_cycle_events = power_cycle_->events();
  });
}

void UnattendedRun::WriteOutputs(std::chrono::milliseconds grace) noexcept {
  timer_.reset();
  if (!outputs_.Claim()) {
    exit_code_ = outputs_.ExitCode();
    return;
  }
  const UnattendedOutcome outcome = FinalOutcome(ended_, stopped_for_);
  bool power_cycle_running = false;
  if (power_cycle_) {
    power_cycle_running = power_cycle_->EndAtRunEnd(grace);
    RecordPowerCycles();
  }
  std::optional<RunRecord::Copy> copy;
  try {
    record_.Update([&](RunSummary& summary, std::vector<std::string>& lines) {
      summary.outcome = outcome;
      summary.ended = std::chrono::system_clock::now();
      summary.power_cycle_running_at_exit = power_cycle_running;
      TakeLastLine(summary, lines);
    });
  } catch (const std::exception&) {
  }
  copy = record_.TryCopy(std::chrono::seconds(1));
  if (!copy) {
    copy.emplace();
    copy->summary.outcome = outcome;
  }
  exit_code_ = outputs_.WriteFinal(copy->summary, copy->lines);
  if (watchdog_) watchdog_->Written(exit_code_);
  StreamLast(copy->lines, outcome, exit_code_);
}

int UnattendedRun::WriteFromElsewhere(UnattendedOutcome outcome, std::string error,
                                      std::optional<std::uint32_t> code) noexcept {
  if (!outputs_.Claim()) {
    // The window's thread writes them: a moment for it to finish.
    for (int i = 0; i < 40 && !outputs_.Written(); ++i) Sleep(50);
    return outputs_.Written() ? outputs_.ExitCode() : RowOf(outcome).exit_code;
  }
  std::optional<RunRecord::Copy> copy = record_.TryCopy(std::chrono::seconds(2));
  if (!copy) copy.emplace();
  RunSummary& summary = copy->summary;
  summary.outcome = outcome;
  summary.ended = std::chrono::system_clock::now();
  summary.error = std::move(error);
  summary.error_code = code;
  try {
    TakeLastLine(summary, copy->lines);
  } catch (const std::exception&) {
  }
  const int exit_code = outputs_.WriteFinal(summary, copy->lines);
  StreamLast(copy->lines, outcome, exit_code);
  return exit_code;
}

int UnattendedRun::OnCrash(std::uint32_t code) {
  const int internal_error = RowOf(UnattendedOutcome::kInternalError).exit_code;
  if (the_run == nullptr) return internal_error;
  try {
    const std::string error = code != 0
                                  ? "The program crashed (exception " + Hexadecimal(code) + ")."
                                  : std::string("The program ended on an internal error.");
    return the_run->WriteFromElsewhere(
        UnattendedOutcome::kInternalError, error,
        code != 0 ? std::optional<std::uint32_t>(code) : std::nullopt);
  } catch (...) {
    return internal_error;
  }
}

int UnattendedRun::Hung() noexcept {
  try {
    const std::optional<CallUnderWayNow> call = LibraryCallUnderWay();
    const std::string error =
        call ? "The library had not returned from " + std::string(call->what) + " after " +
                   Seconds(call->milliseconds / 1000.0) + " s: the program was ended."
             : std::string("The program had not ended 10 s after its deadline: it was ended.");
    return WriteFromElsewhere(UnattendedOutcome::kHung, error, std::nullopt);
  } catch (...) {
    return RowOf(UnattendedOutcome::kHung).exit_code;
  }
}
