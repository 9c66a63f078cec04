// The simulated interface library's behaviour behind its exports, one instance per process.
#pragma once

#include <cstdint>

#include "scenario.h"

// The environment variables naming the scenario file, the trace file and the timing file.
inline constexpr const char* kScenarioVariable = "UNIT_KELM_SCENARIO";
inline constexpr const char* kTraceVariable = "UNIT_KELM_TRACE";
inline constexpr const char* kTimingVariable = "UNIT_KELM_TIMING";

// How the library leaves the process: freed by the program while the process goes on, or still
// loaded when the process exits.
enum class DetachKind { unload, process_exit };

// At load: opens the trace and the timing file and reads the scenario, once. At unload or exit:
// ends the run of halt attempts in progress, traces which of the two it is, and closes both files.
void SimulatorAttach();
void SimulatorDetach(DetachKind kind);

// The exports the program calls, with the arguments it passes.
const char* SimulatedVersion();
std::uint32_t SimulatedDllVersion();
std::uint32_t SimulatedReenumerateAllPortTypes();
std::uint32_t SimulatedNumberOfPorts(std::uint32_t port_type);
const char* SimulatedPortDescriptor(std::uint32_t port_type, std::uint32_t port_number);
std::uint32_t SimulatedOpenPort(std::uint32_t port_type, std::uint32_t port_number);
std::uint32_t SimulatedClosePort();
std::uint32_t SimulatedResetHardwareInterface();
std::uint32_t SimulatedCheckCriticalError();
std::uint32_t SimulatedCableVersion();
std::uint32_t SimulatedSpecialFeatures(std::uint32_t feature, std::uint32_t arg2,
                                       std::uint32_t mode, std::uint32_t arg4, std::uint32_t arg5,
                                       std::uint8_t* status, std::uint32_t arg7);
// The exports the program never calls: traced, and they answer 0.
std::uint32_t SimulatedUncalled(Export e);

// One byte per export, nonzero while its next call must remove its own arguments from the stack;
// the 32-bit Windows exports that take arguments read it on entry.
extern "C" std::uint8_t simulator_callee_pops[kExportCount];
