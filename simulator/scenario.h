// The simulator's scenario: what the simulated interface library answers, and its text format.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The library's 34 exports in the order of the program's entry-point table, with the number of
// 32-bit argument slots each takes as the program calls it (the 23 it never calls take none here).
// This list is deliberately the simulator's own, not the program's: the simulator stands in for
// a library built apart from the program, so a slip in the program's list must show up as a
// failed lookup against it instead of being copied into it.
// clang-format off
#define SIMULATED_EXPORTS(X) \
  X(version, 0) \
  X(get_dll_version, 0) \
  X(open_debug_file, 0) \
  X(close_debug_file, 0) \
  X(set_local_machine_ip_number, 0) \
  X(reenumerate_all_port_types, 0) \
  X(get_enumerated_number_of_ports, 1) \
  X(get_port_descriptor, 2) \
  X(get_port_descriptor_short, 0) \
  X(open_port, 2) \
  X(close_port, 0) \
  X(reset_hardware_interface, 0) \
  X(check_critical_error, 0) \
  X(set_debug_shift_frequency, 0) \
  X(set_reset_delay_in_ms, 0) \
  X(get_cable_version, 0) \
  X(target_reset, 0) \
  X(target_halt, 0) \
  X(target_check_if_halted, 0) \
  X(target_resume, 0) \
  X(target_step, 0) \
  X(get_block, 0) \
  X(put_block, 0) \
  X(read_8bit_value, 0) \
  X(read_16bit_value, 0) \
  X(read_32bit_value, 0) \
  X(write_8bit_value, 0) \
  X(write_16bit_value, 0) \
  X(write_32bit_value, 0) \
  X(load_bin_file, 0) \
  X(load_srec_file, 0) \
  X(get_mcu_register, 0) \
  X(set_mcu_register, 0) \
  X(corvane_special_features, 7)
// clang-format on

#define SIMULATED_EXPORT_ENUM(name, slots) name,
enum class Export : std::uint8_t { SIMULATED_EXPORTS(SIMULATED_EXPORT_ENUM) };
#undef SIMULATED_EXPORT_ENUM

inline constexpr std::size_t kExportCount = 34;

#define SIMULATED_EXPORT_NAME(name, slots) #name,
inline constexpr std::array<const char*, kExportCount> kExportNames = {
    SIMULATED_EXPORTS(SIMULATED_EXPORT_NAME)};
#undef SIMULATED_EXPORT_NAME

#define SIMULATED_EXPORT_SLOTS(name, slots) slots,
inline constexpr std::array<std::uint8_t, kExportCount> kArgumentSlots = {
    SIMULATED_EXPORTS(SIMULATED_EXPORT_SLOTS)};
#undef SIMULATED_EXPORT_SLOTS

inline const char* ExportName(Export e) {
  return kExportNames[static_cast<std::size_t>(e)];
}

// A text the library returns: ordinary, a null pointer, 255 characters with no terminator
// placed right before an inaccessible page, the first byte of an inaccessible page, or any
// address at all.
struct SimulatedText {
  enum class Kind { text, null, unterminated, unreadable, address };
  Kind kind = Kind::text;
  std::string text;
  std::uint32_t address = 0;  // for Kind::address
};

// The port types the program asks about, and what is attached of each.
inline constexpr std::uint32_t kFirstPortType = 3;
inline constexpr std::uint32_t kLastPortType = 9;
inline constexpr std::size_t kPortTypeCount = kLastPortType - kFirstPortType + 1;

struct SimulatedPorts {
  std::uint32_t count = 0;
  // The descriptor of every port of the type that has none of its own; absent: generated.
  std::optional<SimulatedText> every;
  // Descriptors of single ports, by port number (1 to count).
  std::map<std::uint32_t, SimulatedText> listed;
};

// When a halt attempt reports the processor halted. Attempts, milliseconds and power-ups count
// from the first attempt of each run of consecutive attempts.
struct HaltBehaviour {
  enum class Kind { never, attempts, milliseconds, file, touched, power_ups, count_power_ups };
  Kind kind = Kind::attempts;
  std::uint32_t amount = 1;  // attempts, milliseconds, or for touched the window in microseconds
  // file: halted once this file exists; touched: halted within `amount` microseconds of a write
  // to this file (a power-cycle command that touches it powers the board up)
  std::string file;
  // How long, in microseconds, the processor can be halted after each power-up of the board:
  // one length for power_ups, which halts it there; for count_power_ups, which never halts it
  // but counts the windows an attempt landed in, every length counted.
  std::vector<std::uint32_t> windows_us;
};

// When the board powers up while halt attempts go on: after gaps drawn uniformly between the two
// bounds, from the seed, so that every run of attempts sees the same power-ups.
struct PowerUps {
  std::uint32_t gap_min_ms = 500;
  std::uint32_t gap_max_ms = 1500;
  std::uint32_t seed = 1;
};

// A fault an export commits instead of answering, after its first after_calls calls.
enum class FaultKind {
  none,
  access_violation,
  illegal_instruction,
  divide_by_zero,
  stack_overflow,
  callee_pops,  // removes its own arguments from the stack on return (32-bit Windows only)
};
const char* FaultName(FaultKind kind);

struct Fault {
  FaultKind kind = FaultKind::none;
  std::uint32_t after_calls = 0;
};

struct Scenario {
  std::string source;  // the file name, or the name of the built-in scenario
  SimulatedText version;
  // Returned whole: bits above the 16 the program reads stay in the answer.
  std::uint32_t dll_version = 100;
  std::uint32_t cable_version = 1;
  std::array<SimulatedPorts, kPortTypeCount> ports;
  std::uint32_t open_port = 1;
  std::uint32_t mode_swd = 1;
  std::uint32_t mode_jtag = 1;
  std::uint32_t check_critical_error = 0;
  HaltBehaviour halt;
  // Written into the status byte by an attempt that does not halt; absent: left untouched.
  std::optional<std::uint8_t> not_halted_status = 0;
  // How many bytes an attempt writes through the status address: 1, or 4 (a 32-bit value with
  // the status in its low byte and 0xA5 in the three above).
  std::uint32_t status_bytes = 1;
  std::uint32_t delay_us = 0;
  // Milliseconds every call of an export sleeps before it answers, by export: a hung driver.
  std::array<std::uint32_t, kExportCount> sleep_ms{};
  std::array<Fault, kExportCount> faults;
  PowerUps power_ups;
};

// Reads a scenario text; source names it in the result and in error messages. On a fault in the
// text, returns nothing and sets error to "<source>:<line>: <problem>".
std::optional<Scenario> ParseScenario(std::string_view text, const std::string& source,
                                      std::string& error);

// The scenario used when none is named: the demo.
extern const std::string_view kDemoScenarioText;
extern const char* const kDemoScenarioSource;

// What the library answers when its scenario could not be read: the version text is the
// message; nothing is attached, nothing succeeds and the processor never halts.
Scenario ErrorScenario(const std::string& source, const std::string& message);
