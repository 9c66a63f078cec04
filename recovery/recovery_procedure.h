// The START procedure: the enumeration report, then connection, mode set-up and the halt loop,
// for the choice the user made.
#pragma once

#include <chrono>

#include "port_choice.h"
#include "procedure_clock.h"
#include "recovery_ending.h"
#include "recovery_window.h"

// How long the report runs without letting the window process messages. A report still running
// then (a library counting thousands of ports) processes them after each of its lines, as the
// halt loop does after each attempt, so that STOP, a close and a quit reach it.
inline constexpr std::chrono::seconds kReportRunsAlone{2};

// Runs the whole procedure against the loaded library's EntryPointTable for the user's choice
// as START found it: `hardware_type`, the "Test Hardware" item (0, "Show Hardware", or an index
// past the kinds: the report alone; 1 to 7: an interface kind), `communication_type`, the
// "Communication" item (1: JTAG; anything else: SWD), and `port`, the port of the kind to open
// (the window's START opens port 1; an unattended run may name another). The procedure goes by
// them to its end, whatever the window shows meanwhile. Called from the START click handler, only
// after OpenInterfaceLibrary returned true.
//
// Nothing is thrown out of it: a fault in the library (or a text it returned that cannot be
// read) ends it with one line, START and STOP disabled and the library abandoned; a log that
// refuses more lines ends it with a last line saying so; any other exception ends it with one
// line; the buttons are then idle. Returns how it ended (a full log as an internal error).
RecoveryEnding RecoveryProcedure(RecoveryWindow& window, int hardware_type, int communication_type,
                                 const PortChoice& port = PortChoice{},
                                 const ProcedureClock& clock = SteadyProcedureClock());
