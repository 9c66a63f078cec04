// The START procedure's steps, one file each, and what they share; RecoveryProcedure
// (recovery_procedure.cpp) runs them in order and turns what they throw into its last line.
#pragma once

#include <optional>
#include <string_view>

#include "interface_kinds.h"
#include "listed_ports.h"
#include "output_log.h"
#include "procedure_clock.h"
#include "recovery_ending.h"
#include "recovery_procedure.h"
#include "recovery_window.h"

// The list control refused a line: the log is full.
struct LogFull {};

// STOP (or a close, or a quit) reached a long report.
struct StoppedDuringReport {};

// Writes one finished line, cut to the log's limit.
inline void WriteLine(RecoveryWindow& window, std::string_view text) {
  if (!LogWriteLine(window.Log(), CutToLogLimit(text))) throw LogFull{};
}

// Clears the log and writes the version and every attached interface, grouped by kind, telling
// `listed` each port's descriptor as the log shows it (enumeration_report.cpp).
void WriteReport(RecoveryWindow& window, ListedPorts& listed, const ProcedureClock& clock);

// Opens the port of the kind that `listed` chooses, sets the communication mode, resets the
// interface and shows the versions it reports (connection.cpp). The ending of the step that
// failed, with its lines written, or none when the interface is ready for the halt loop.
std::optional<RecoveryEnding> ConnectInterface(RecoveryWindow& window, const InterfaceKind& kind,
                                               const ListedPorts& listed, int communication_type);

// The advice lines, then halt attempts back to back until the processor halts or STOP is
// clicked, counted for the window by `clock`, then the outcome's lines (halt_loop.cpp).
RecoveryEnding HaltLoop(RecoveryWindow& window, const ProcedureClock& clock);
