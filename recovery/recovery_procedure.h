// The START procedure as the window sees it: the enumeration report, then connection, mode
// set-up and the halt loop; and STOP.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include "halt_count.h"
#include "output_log.h"

// The window also opens and closes the library through this layer.
#include "library_lifetime.h"

// What the procedure needs of the main window. The Win32 window implements it in the program;
// the tests put a double in its place.
class RecoveryWindow {
 public:
  virtual ~RecoveryWindow() = default;
  virtual void SetStartEnabled(bool enabled) = 0;
  virtual void SetStopEnabled(bool enabled) = 0;
  // The list control behind the output log: cleared when the procedure starts, then written
  // through LogWriteLine.
  virtual ListControl& Log() = 0;
  // Selected indices of the two radio groups: hardwaretype 0 to 7, communicationtype 0 or 1.
  // Each is read once, as the procedure starts.
  virtual int HardwareTypeIndex() = 0;
  virtual int CommunicationTypeIndex() = 0;
  virtual void SetVersionLabel(std::string_view text) = 0;
  // Lets the window process all pending messages once, then returns.
  virtual void ProcessMessages() = 0;
  // The halt loop's bounds: started before its first attempt, ended on every way out of it (a
  // halt, STOP, a fault, an internal error) before the procedure writes its last line, with the
  // attempts the loop asked of the library (the one that failed included) and its time. Neither
  // may throw.
  virtual void HaltLoopStarted() = 0;
  virtual void HaltLoopEnded(const HaltCount& count) = 0;
  // While the halt loop runs, every kHaltCountInterval or so: its attempts so far. May not throw;
  // nothing of it goes into the log.
  virtual void ShowHaltCount(const HaltCount& count) = 0;
};

// How a run of the procedure ended. kHalted whenever "Success. Processor halted." was written,
// also when STOP came in the same attempt.
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

// The time the procedure goes by: the system's steady clock in the program, a fake one in tests.
class ProcedureClock {
 public:
  virtual ~ProcedureClock() = default;
  virtual std::chrono::steady_clock::time_point Now() const = 0;
};
const ProcedureClock& SteadyProcedureClock();

// How long the report runs without letting the window process messages. A report still running
// then (a library counting thousands of ports) processes them after each of its lines, as the
// halt loop does after each attempt, so that STOP, a close and a quit reach it.
inline constexpr std::chrono::seconds kReportRunsAlone{2};

// Set to 1 by RequestStop only. Cleared by the halt loop's set-up, and by a long report when it
// starts processing messages; read by both.
extern std::uint8_t StopRequested;

// STOP: asks a running halt loop to end after its current attempt, or a long report after its
// current line, by setting StopRequested.
void RequestStop();

// Runs the whole procedure against the loaded library's EntryPointTable. Called from the START
// click handler, only after OpenInterfaceLibrary returned true. Nothing is thrown out of it: a
// fault in the library (or a text it returned that cannot be read) ends it with one line, START
// and STOP disabled and the library abandoned; a log that refuses more lines ends it with a last
// line saying so; any other exception ends it with one line; the buttons are then idle. Returns
// how it ended (a full log as an internal error).
RecoveryEnding RecoveryProcedure(RecoveryWindow& window,
                                 const ProcedureClock& clock = SteadyProcedureClock());
