// The START procedure: the report, the connection and the halt loop in order, and every way out
// of it ending with the buttons in their proper state.
#include "recovery_procedure.h"

#include <cstddef>
#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "interface_kinds.h"
#include "library_calls.h"
#include "library_lifetime.h"
#include "listed_ports.h"
#include "procedure_steps.h"
#include "procedure_texts.h"
#include "stop_request.h"

namespace {

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

RecoveryEnding ReportConnectAndHalt(RecoveryWindow& window, int hardware_type,
                                    int communication_type, const PortChoice& port,
                                    const ProcedureClock& clock) {
  // "Show Hardware", or no valid item, ends with the report.
  const InterfaceKind* const kind = InterfaceKindOfItem(hardware_type);
  ListedPorts listed(kind, port);
  WriteReport(window, listed, clock);
  if (kind == nullptr) return RecoveryEnding::kReportOnly;
  if (const std::optional<RecoveryEnding> failure =
          ConnectInterface(window, *kind, listed, communication_type)) {
    return *failure;
  }
  return HaltLoop(window, clock);
}

// The line that tells the user the library failed, naming the export and the exception code.
std::string FaultLine(const LibraryFault& fault) {
  const char* const name = kEntryPointNames[static_cast<std::size_t>(fault.slot)];
  if (fault.code == kStackPointerFault) return StackPointerFaultLine(name);
  return LibraryFaultLine(name, fault.code);
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

RecoveryEnding RecoveryProcedure(RecoveryWindow& window, int hardware_type, int communication_type,
                                 const PortChoice& port, const ProcedureClock& clock) {
  RunningButtons running(window);
  try {
    return ReportConnectAndHalt(window, hardware_type, communication_type, port, clock);
  } catch (const StoppedDuringReport&) {
    WriteLastLine(window, [] { return std::string(kStopped); });
    return RecoveryEnding::kStopped;
  } catch (const LogFull&) {
    // The log refused a line: the procedure could not go on, as after an internal error.
    EndFullLog(window);
  } catch (const LibraryFault& fault) {
    // The library's state is unknown: it is never called again, nor freed.
    AbandonFaultedLibrary();
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
