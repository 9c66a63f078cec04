// The START procedure: the enumeration report, then connection, mode set-up and the halt loop.
#include "recovery_procedure.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "guarded_call.h"
#include "interface_kinds.h"
#include "library_contract.h"
#include "unit_library_api_kelm.h"

std::uint8_t StopRequested = 0;

void RequestStop() {
  StopRequested = 1;
}

namespace {

// Once set, for the rest of the process: the abandoned library stays loaded until the end.
bool library_abandoned = false;

}  // namespace

bool OpenInterfaceLibrary() {
  return LoadInterfaceLibrary("unit_kelm.DLL");
}

void CloseInterfaceLibrary() {
  UnloadInterfaceLibrary();
}

bool InterfaceLibraryAbandoned() {
  return library_abandoned;
}

namespace {

// A library call that faulted (or returned with the stack pointer moved): the procedure ends
// there.
struct LibraryFault {
  EntrySlot slot;
  std::uint32_t code;
};

// The list control refused a line: the log is full.
struct LogFull {};

// STOP (or a close, or a quit) reached a long report.
struct StoppedDuringReport {};

// Every library call of the procedure goes through here, under the guard. Arguments are passed
// at their exact 32-bit (or pointer) types; the raw result is returned and read at its contract
// width by the caller.
template <EntrySlot S, typename... Args>
auto Call(Args... args) {
  std::uint32_t fault = 0;
  const auto result = GuardedEntryCall<S>(&fault, args...);
  if (fault != 0) throw LibraryFault{S, fault};
  return result;
}

// A call that returns text, and the copy of its text under the same guard: a text that cannot be
// read is a fault of the export that returned it.
template <EntrySlot S, typename... Args>
std::string CallForText(Args... args) {
  const char* const text = Call<S>(args...);
  std::uint32_t fault = 0;
  std::string copy = GuardedCopyLibraryText(text, &fault);
  if (fault != 0) throw LibraryFault{S, fault};
  return copy;
}

constexpr std::uint32_t kFirstPort = 1;

// Items of the communicationtype radio group: 0 SWD, 1 JTAG.
struct CommunicationChoice {
  std::string_view line;
  std::uint32_t protocol;
  std::string_view failure;
};

constexpr std::array<CommunicationChoice, 2> kCommunicationChoices = {{
    {"Communication via SWD", 0, "Unable to set communications mode to SWD."},
    {"Communication via JTAG", 1, "Unable to set communications mode to JTAG."},
}};

constexpr std::string_view kSeparator = " ";
constexpr std::string_view kResetSeparator = "  ";
constexpr std::string_view kDescriptorPrefix = "       ";
constexpr std::string_view kNoneLine = "       None.";
constexpr std::string_view kResetFailure = "Error resetting hardware interface !!!!!!!!!!!";
constexpr std::string_view kCableVersionPrefix = "Cable Version is ";
constexpr std::string_view kAdviceHalting = "Continuously attempting to halt processor.";
constexpr std::string_view kAdvicePowerCycle =
    "Please try power cycling your board until this operation is successful";
constexpr std::string_view kHalted = "Success. Processor halted.";
constexpr std::string_view kStopped = "Stopped by user.";
constexpr std::string_view kLogFull = "The log is full: the report stopped here.";

class SteadyClock final : public ProcedureClock {
 public:
  std::chrono::steady_clock::time_point Now() const override {
    return std::chrono::steady_clock::now();
  }
};

// The buttons' running state for as long as the procedure runs; every way out restores START
// first, then STOP. After a library fault START stays disabled: the library cannot be used again.
class RunningButtons {
 public:
  explicit RunningButtons(RecoveryWindow& window) : window_(window) {
    window_.SetStartEnabled(false);
    window_.SetStopEnabled(true);
  }
  ~RunningButtons() {
    if (!start_lost_) window_.SetStartEnabled(true);
    window_.SetStopEnabled(false);
  }
  RunningButtons(const RunningButtons&) = delete;
  RunningButtons& operator=(const RunningButtons&) = delete;

  void KeepStartDisabled() { start_lost_ = true; }

 private:
  RecoveryWindow& window_;
  bool start_lost_ = false;
};

void WriteLine(RecoveryWindow& window, std::string_view text) {
  if (!LogWriteLine(window.Log(), CutToLogLimit(text))) throw LogFull{};
}

// The report's lines. Once the report has run for kReportRunsAlone, the window processes its
// pending messages after each line, and a STOP handled there ends the report after that line.
class ReportLines {
 public:
  ReportLines(RecoveryWindow& window, const ProcedureClock& clock)
      : window_(window), clock_(clock), started_(clock.Now()) {}

  void Write(std::string_view text) {
    WriteLine(window_, text);
    if (!processing_messages_) {
      if (clock_.Now() - started_ < kReportRunsAlone) return;
      processing_messages_ = true;
      // From here on the report goes by the stop flag. A value left from an earlier run must not
      // end it; a STOP clicked since START, still queued, is handled in the first pass and counts.
      StopRequested = 0;
    }
    window_.ProcessMessages();
    if (StopRequested != 0) throw StoppedDuringReport{};
  }

 private:
  RecoveryWindow& window_;
  const ProcedureClock& clock_;
  const std::chrono::steady_clock::time_point started_;
  bool processing_messages_ = false;
};

void WritePortBlock(ReportLines& report, const InterfaceKind& kind) {
  const std::uint32_t count = Call<EntrySlot::get_enumerated_number_of_ports>(kind.port_type);
  report.Write(std::string(kind.count_line) + HexWord(static_cast<std::uint16_t>(count)));
  if (count == 0) report.Write(kNoneLine);
  // Counted from 0 so that a count of 0xFFFFFFFF ends too.
  for (std::uint32_t done = 0; done < count; ++done) {
    report.Write(std::string(kDescriptorPrefix) +
                 CallForText<EntrySlot::get_port_descriptor>(kind.port_type, done + 1));
  }
}

void WriteReport(RecoveryWindow& window, const ProcedureClock& clock) {
  window.Log().Clear();
  ReportLines report(window, clock);
  report.Write(CallForText<EntrySlot::version>());
  report.Write(kSeparator);
  Call<EntrySlot::reenumerate_all_port_types>();
  report.Write(kSeparator);
  for (const InterfaceKind& kind : kInterfaceKinds) {
    if (&kind != &kInterfaceKinds.front()) report.Write(kSeparator);
    WritePortBlock(report, kind);
  }
}

char Digit(unsigned value) {
  return static_cast<char>('0' + value);
}

// The version in hundredths as units, a full stop and two digits. Each position comes from its
// own call, in order; the calls are expected to agree. The units are written in full, so a
// version of 1000 or more shows as, for example, 12.34 rather than a character past '9'.
std::string VersionLabel() {
  const unsigned units = WordResult(Call<EntrySlot::get_dll_version>()) / 100u;
  const unsigned tenths = WordResult(Call<EntrySlot::get_dll_version>()) % 100u / 10u;
  const unsigned hundredths = WordResult(Call<EntrySlot::get_dll_version>()) % 10u;
  std::string label = std::to_string(units);
  label += '.';
  label += Digit(tenths);
  label += Digit(hundredths);
  return label;
}

// The ending of a connection step that failed, with its lines written; none when it went through.
using StepFailure = std::optional<RecoveryEnding>;

// The user's choices as they stood when START was pressed: the procedure goes by them to its end,
// whatever the radio groups show meanwhile (a long report lets the window handle clicks).
struct Choices {
  int hardware_type;
  int communication_type;
};

// Opens the first port of the chosen kind.
StepFailure Connect(RecoveryWindow& window, const InterfaceKind& kind) {
  if (Call<EntrySlot::get_enumerated_number_of_ports>(kind.port_type) == 0) {
    WriteLine(window, kind.not_attached);
    return RecoveryEnding::kNotAttached;
  }
  if (!ByteResult(Call<EntrySlot::open_port>(kind.port_type, kFirstPort))) {
    WriteLine(window, kind.open_failure);
    Call<EntrySlot::close_port>();
    return RecoveryEnding::kOpenFailure;
  }
  return std::nullopt;
}

StepFailure SetCommunicationMode(RecoveryWindow& window, int communication_type) {
  WriteLine(window, kSeparator);
  // JTAG for item 1; SWD for item 0 (and for anything else the group might report).
  const CommunicationChoice& choice = kCommunicationChoices[communication_type == 1 ? 1 : 0];
  WriteLine(window, choice.line);
  WriteLine(window, kSeparator);
  const std::uint32_t no_value = 0;
  std::uint8_t* const no_status = nullptr;
  if (!ByteResult(Call<EntrySlot::corvane_special_features>(
          SPECIAL_FEATURE_SET_COMM_MODE, std::uint32_t{1}, choice.protocol, no_value, no_value,
          no_status, no_value))) {
    WriteLine(window, kSeparator);
    WriteLine(window, choice.failure);
    Call<EntrySlot::close_port>();
    return RecoveryEnding::kModeFailure;
  }
  return std::nullopt;
}

StepFailure ResetInterface(RecoveryWindow& window) {
  Call<EntrySlot::reset_hardware_interface>();
  if (ByteResult(Call<EntrySlot::check_critical_error>())) {
    WriteLine(window, kResetSeparator);
    WriteLine(window, kResetFailure);
    Call<EntrySlot::close_port>();
    return RecoveryEnding::kResetFailure;
  }
  return std::nullopt;
}

// Tells the window that the halt loop runs, for as long as it runs, however it is left.
class HaltLoopBounds {
 public:
  explicit HaltLoopBounds(RecoveryWindow& window) : window_(window) { window_.HaltLoopStarted(); }
  ~HaltLoopBounds() { window_.HaltLoopEnded(); }
  HaltLoopBounds(const HaltLoopBounds&) = delete;
  HaltLoopBounds& operator=(const HaltLoopBounds&) = delete;

 private:
  RecoveryWindow& window_;
};

// Halt attempts back to back until the library reports the processor halted or STOP was
// clicked. The status byte belongs to this run: 0 at first, then only the library writes it. Its
// home is four zeroed bytes of its own, aligned, so that a library writing a 32-bit value through
// the address overwrites nothing else; only the first byte, the status, is read.
RecoveryEnding HaltLoop(RecoveryWindow& window) {
  alignas(std::uint32_t) std::uint8_t status_home[4] = {};
  std::uint8_t& halt_status = status_home[0];
  const std::uint32_t no_value = 0;
  StopRequested = 0;
  {
    const HaltLoopBounds bounds(window);
    for (;;) {
      Call<EntrySlot::corvane_special_features>(SPECIAL_FEATURE_HALT_ATTEMPT, std::uint32_t{1},
                                                no_value, no_value, no_value, &halt_status,
                                                no_value);
      window.ProcessMessages();
      if (halt_status == kHaltStatusHalted) break;
      if (StopRequested != 0) break;
    }
  }
  if (halt_status == kHaltStatusHalted) WriteLine(window, kHalted);
  if (StopRequested != 0) WriteLine(window, kStopped);
  return halt_status == kHaltStatusHalted ? RecoveryEnding::kHalted : RecoveryEnding::kStopped;
}

RecoveryEnding ConnectAndHalt(RecoveryWindow& window, const Choices& choices) {
  // "Show Hardware", or no valid item, ends with the report.
  const InterfaceKind* const kind = InterfaceKindOfItem(choices.hardware_type);
  if (kind == nullptr) return RecoveryEnding::kReportOnly;
  if (const StepFailure failure = Connect(window, *kind)) return *failure;
  if (const StepFailure failure = SetCommunicationMode(window, choices.communication_type)) {
    return *failure;
  }
  if (const StepFailure failure = ResetInterface(window)) return *failure;
  window.SetVersionLabel(VersionLabel());
  WriteLine(window, std::string(kCableVersionPrefix) +
                        std::to_string(WordResult(Call<EntrySlot::get_cable_version>())));
  WriteLine(window, kAdviceHalting);
  WriteLine(window, kAdvicePowerCycle);
  return HaltLoop(window);
}

// The line that tells the user the library failed, naming the export and the exception code.
std::string FaultLine(const LibraryFault& fault) {
  const std::string name = kEntryPointNames[static_cast<std::size_t>(fault.slot)];
  if (fault.code == kStackPointerFault) {
    return "The interface library failed in " + name +
           " (it returned with the stack pointer moved: wrong calling convention). Restart the "
           "application.";
  }
  char code[9];
  std::snprintf(code, sizeof code, "%08X", static_cast<unsigned>(fault.code));
  return "The interface library failed in " + name + " (exception " + code +
         "). Restart the application.";
}

// The line for any other failure that ends the procedure (running out of memory, ...). The
// library itself did not fail, so START may be pressed again.
std::string InternalErrorLine(std::string_view what) {
  return "The procedure stopped on an internal error (" + std::string(what) +
         "). Press START to try again.";
}

// The procedure's last line, when it ends early. A log that refuses it gets it in place of the
// line left unfinished. Should even that fail, the procedure still ends with the buttons in their
// proper state.
void WriteLastLine(RecoveryWindow& window, const std::function<std::string()>& line) noexcept {
  try {
    const std::string text = line();
    if (!LogWriteLine(window.Log(), CutToLogLimit(text))) LogEndWith(window.Log(), text);
  } catch (...) {
  }
}

// A full log ends with a line saying so, in place of the line it refused.
void EndFullLog(RecoveryWindow& window) noexcept {
  try {
    LogEndWith(window.Log(), kLogFull);
  } catch (...) {
  }
}

}  // namespace

const ProcedureClock& SteadyProcedureClock() {
  static const SteadyClock clock;
  return clock;
}

RecoveryEnding RecoveryProcedure(RecoveryWindow& window, const ProcedureClock& clock) {
  RunningButtons running(window);
  try {
    const Choices choices{window.HardwareTypeIndex(), window.CommunicationTypeIndex()};
    WriteReport(window, clock);
    return ConnectAndHalt(window, choices);
  } catch (const StoppedDuringReport&) {
    WriteLastLine(window, [] { return std::string(kStopped); });
    return RecoveryEnding::kStopped;
  } catch (const LogFull&) {
    // The log refused a line: the procedure could not go on, as after an internal error.
    EndFullLog(window);
  } catch (const LibraryFault& fault) {
    // The library's state is unknown: it is never called again, nor freed.
    AbandonInterfaceLibrary();
    library_abandoned = true;
    running.KeepStartDisabled();
    WriteLastLine(window, [&] { return FaultLine(fault); });
    return RecoveryEnding::kLibraryFault;
  } catch (const std::exception& error) {
    WriteLastLine(window, [&] { return InternalErrorLine(error.what()); });
  } catch (...) {
    WriteLastLine(window, [] { return InternalErrorLine("unknown"); });
  }
  return RecoveryEnding::kInternalError;
}
