// The simulated interface library's behaviour behind its exports, driven by the scenario.
#include "simulator.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "faults.h"
#include "library_faults.h"
#include "platform.h"
#include "power_cycled_board.h"
#include "trace.h"

std::uint8_t simulator_callee_pops[kExportCount] = {};

namespace {

constexpr std::uint32_t kSetCommMode = 0x44000001u;
constexpr std::uint32_t kHaltAttempt = 0x44000100u;
constexpr std::uint8_t kHalted = 0xFF;
constexpr std::size_t kUnterminatedLength = 255;
constexpr const char* kMessagePrefix = "unit_kelm.DLL SIMULATOR: ";

// Generated descriptors name the kind of interface, by port type from 3.
constexpr std::array<const char*, kPortTypeCount> kKindNames = {
    "USB Veyra cable",          "PC serial port",     "Pendrel Vell on USB",
    "Pendrel Vell on Ethernet", "Quillon USB device", "Quillon Ethernet device",
    "Ostrel USB cable"};

using Clock = std::chrono::steady_clock;

struct State {
  Scenario scenario;
  std::optional<Trace> trace;
  std::optional<Trace> timing;  // one line per run of halt attempts
  NativePath halt_file;
  std::array<std::uint64_t, kExportCount> calls{};
  // A run of halt attempts lasts until any other call.
  bool in_halt_run = false;
  std::uint32_t run_attempts = 0;
  Clock::time_point run_start;
  // The run's first attempt that halted (0 while none has), and when it was made.
  std::uint32_t run_halted_at = 0;
  Clock::time_point run_halted;
  // The board's power-ups during the run, when the scenario power-cycles it.
  std::optional<PowerCycledBoard> board;
  char* unterminated = nullptr;
  std::string generated;
};

State& TheState() {
  static State state;
  return state;
}

std::size_t Index(Export e) {
  return static_cast<std::size_t>(e);
}

std::string Hex(std::uintptr_t value) {
  char digits[24];
  std::snprintf(digits, sizeof digits, "%08" PRIXPTR, value);
  return digits;
}

// Ends the run of halt attempts in progress, if any, with its line in the timing file: how many
// attempts it made and, once one halted, how long after the first attempt the first halted one
// came. Both moments are read at the same point of an attempt, so the time spans whole attempts.
void EndHaltRun(State& state) {
  if (!state.in_halt_run) return;
  state.in_halt_run = false;
  if (!state.timing) return;
  std::string line = "halt run: " + std::to_string(state.run_attempts) + " attempts, ";
  if (state.run_halted_at == 0) {
    line += "none halted";
  } else {
    const auto taken =
        std::chrono::duration_cast<std::chrono::nanoseconds>(state.run_halted - state.run_start);
    line += "first halted at attempt " + std::to_string(state.run_halted_at) + ", " +
            std::to_string(taken.count()) + " ns after the first attempt";
  }
  state.timing->Line(line);
  if (state.scenario.halt.kind == HaltBehaviour::Kind::count_power_ups) {
    state.timing->Line(state.board->Summary());
  }
}

// Stands in for a round trip to the hardware; a busy wait, as a library polling its device.
void Wait(std::uint32_t microseconds) {
  if (microseconds == 0) return;
  const Clock::time_point until = Clock::now() + std::chrono::microseconds(microseconds);
  while (Clock::now() < until) {
  }
}

void CommitFault(FaultKind kind) {
  switch (kind) {
    case FaultKind::access_violation: faults::AccessViolation(); break;
    case FaultKind::illegal_instruction: faults::IllegalInstruction();
    case FaultKind::divide_by_zero: faults::DivideByZero(); break;
    case FaultKind::stack_overflow: faults::StackOverflow(); break;
    case FaultKind::callee_pops:
    case FaultKind::none: break;
  }
}

// One call of an export: counted, delayed, put to sleep and traced as the scenario says; a fault
// the scenario puts here is committed after the call is traced. A sleeping call is traced as its
// sleep begins too, so that a reader knows it is under way.
class Call {
 public:
  Call(Export e, std::initializer_list<std::uintptr_t> args, bool halt_attempt = false)
      : state_(TheState()), export_(e), arg_count_(args.size()) {
    std::copy(args.begin(), args.end(), args_.begin());
    ++state_.calls[Index(e)];
    if (!halt_attempt) EndHaltRun(state_);
    pops_ = simulator_callee_pops[Index(e)] != 0;
    Wait(state_.scenario.delay_us);
    if (const std::uint32_t sleep_ms = state_.scenario.sleep_ms[Index(e)]; sleep_ms != 0) {
      if (state_.trace)
        state_.trace->Line(Text() + " sleeping " + std::to_string(sleep_ms) + " ms");
      SleepMilliseconds(sleep_ms);
    }
    const Fault& fault = state_.scenario.faults[Index(e)];
    if (fault.kind != FaultKind::none && fault.kind != FaultKind::callee_pops &&
        state_.calls[Index(e)] > fault.after_calls) {
      if (state_.trace) state_.trace->Line(Text() + " fault " + FaultName(fault.kind));
      CommitFault(fault.kind);
    }
  }

  std::uint32_t Returns(std::uint32_t result) {
    if (state_.trace) state_.trace->Line(Text() + " = " + Hex(result) + PopsNote());
    return Ends(result);
  }

  const char* Returns(const char* text) {
    if (state_.trace) state_.trace->Line(Text() + PopsNote());
    return Ends(text);
  }

  // Consecutive calls with the same arguments share one counted trace line.
  std::uint32_t ReturnsRepeated(std::uint32_t result) {
    if (state_.trace) state_.trace->Repeated(Text() + " = " + Hex(result) + PopsNote());
    return Ends(result);
  }

 private:
  std::string Text() const {
    std::string text = ExportName(export_);
    text += '(';
    for (std::size_t i = 0; i < arg_count_; ++i) text += (i == 0 ? "" : ", ") + Hex(args_[i]);
    return text + ')';
  }

  std::string PopsNote() const { return pops_ ? " fault callee_pops" : ""; }

  // Decides whether the next call of this export removes its own arguments.
  template <typename T>
  T Ends(T result) {
    const Fault& fault = state_.scenario.faults[Index(export_)];
    simulator_callee_pops[Index(export_)] = kLibraryFaultsCaught &&
                                            fault.kind == FaultKind::callee_pops &&
                                            state_.calls[Index(export_)] >= fault.after_calls;
    return result;
  }

  State& state_;
  Export export_;
  std::array<std::uintptr_t, 7> args_{};
  std::size_t arg_count_;
  bool pops_ = false;
};

const char* UnterminatedText() {
  State& state = TheState();
  if (state.unterminated == nullptr) {
    state.unterminated = AllocateBeforeGuardPage(kUnterminatedLength);
    if (state.unterminated == nullptr) return nullptr;
    const std::string_view word = "unterminated ";
    for (std::size_t i = 0; i < kUnterminatedLength; ++i) {
      state.unterminated[i] = word[i % word.size()];
    }
  }
  return state.unterminated;
}

// The first byte of the inaccessible page that follows the unterminated text.
const char* UnreadableText() {
  const char* const unterminated = UnterminatedText();
  return unterminated == nullptr ? nullptr : unterminated + kUnterminatedLength;
}

const char* TextOf(const SimulatedText& text) {
  switch (text.kind) {
    case SimulatedText::Kind::null: return nullptr;
    case SimulatedText::Kind::unterminated: return UnterminatedText();
    case SimulatedText::Kind::unreadable: return UnreadableText();
    case SimulatedText::Kind::address:
      return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(text.address));
    case SimulatedText::Kind::text: break;
  }
  return text.text.c_str();
}

// Writes an attempt's status through its address: one byte, or a 32-bit value with the status
// in its low byte, as the scenario says.
void WriteStatus(std::uint8_t* status, std::uint8_t value) {
  if (TheState().scenario.status_bytes != 4) {
    *status = value;
    return;
  }
  const std::uint32_t word = 0xA5A5A500u | value;
  std::memcpy(status, &word, sizeof word);
}

const SimulatedPorts* PortsOf(std::uint32_t port_type) {
  if (port_type < kFirstPortType || port_type > kLastPortType) return nullptr;
  return &TheState().scenario.ports[port_type - kFirstPortType];
}

// The moment of a halt attempt, after its delay: the clock is read once, when first needed, so
// that every use sees the same moment and an attempt that needs none reads no clock.
class AttemptMoment {
 public:
  Clock::time_point Now() {
    if (!now_) now_ = Clock::now();
    return *now_;
  }

 private:
  std::optional<Clock::time_point> now_;
};

// Whether the attempt made at `moment` halts the processor. The run's first attempt is its time
// zero.
bool HaltedAtThisAttempt(State& state, AttemptMoment& moment) {
  if (!state.in_halt_run) {
    state.in_halt_run = true;
    state.run_attempts = 0;
    state.run_halted_at = 0;
    state.run_start = moment.Now();
    if (!state.scenario.halt.windows_us.empty()) {
      state.board.emplace(state.scenario.power_ups, state.scenario.halt.windows_us);
    }
  }
  if (state.run_attempts < UINT32_MAX) ++state.run_attempts;
  const HaltBehaviour& halt = state.scenario.halt;
  switch (halt.kind) {
    case HaltBehaviour::Kind::never: return false;
    case HaltBehaviour::Kind::attempts: return state.run_attempts >= halt.amount;
    case HaltBehaviour::Kind::milliseconds:
      return moment.Now() - state.run_start >= std::chrono::milliseconds(halt.amount);
    case HaltBehaviour::Kind::file: return FileExists(state.halt_file);
    // Once halted, the processor stays halted.
    case HaltBehaviour::Kind::touched: {
      if (state.run_halted_at != 0) return true;
      const std::optional<std::int64_t> since = MicrosecondsSinceWritten(state.halt_file);
      return since && *since < static_cast<std::int64_t>(halt.amount);
    }
    // Once halted, the processor stays halted.
    case HaltBehaviour::Kind::power_ups:
      return state.run_halted_at != 0 || state.board->Attempt(moment.Now() - state.run_start);
    case HaltBehaviour::Kind::count_power_ups:
      state.board->Attempt(moment.Now() - state.run_start);
      return false;
  }
  return false;
}

// Reads the named scenario file, or the demo when none is named.
std::optional<Scenario> LoadScenario(const std::optional<std::string>& file_name,
                                     const std::string& source, std::string& error) {
  if (!file_name) return ParseScenario(kDemoScenarioText, source, error);
  std::string text;
  if (!ReadWholeFile(ToNativePath(*file_name), text)) {
    error = "cannot read the scenario file " + *file_name;
    return std::nullopt;
  }
  std::optional<Scenario> scenario = ParseScenario(text, source, error);
  if (!scenario) error = "bad scenario " + error;
  return scenario;
}

}  // namespace

void SimulatorAttach() {
  State& state = TheState();
  const std::optional<std::string> trace_name = EnvironmentVariable(kTraceVariable);
  const std::optional<std::string> scenario_name = EnvironmentVariable(kScenarioVariable);
  const std::optional<std::string> timing_name = EnvironmentVariable(kTimingVariable);
  const std::string source = scenario_name.value_or(kDemoScenarioSource);

  std::string error;
  if (trace_name) {
    OutputFile file;
    if (file.Open(ToNativePath(*trace_name))) {
      state.trace.emplace(std::move(file));
      state.trace->Line("attach scenario " + source);
    } else {
      error = "cannot open the trace file " + *trace_name;
    }
  }
  if (timing_name && error.empty()) {
    OutputFile file;
    if (file.Open(ToNativePath(*timing_name))) {
      state.timing.emplace(std::move(file));
    } else {
      error = "cannot open the timing file " + *timing_name;
    }
  }
  std::optional<Scenario> scenario;
  if (error.empty()) scenario = LoadScenario(scenario_name, source, error);
  if (scenario) {
    state.scenario = std::move(*scenario);
  } else {
    state.scenario = ErrorScenario(source, kMessagePrefix + error);
    if (state.trace) state.trace->Line(state.scenario.version.text);
  }
  if (state.scenario.halt.kind == HaltBehaviour::Kind::file ||
      state.scenario.halt.kind == HaltBehaviour::Kind::touched) {
    state.halt_file = ToNativePath(state.scenario.halt.file);
  }
  for (std::size_t e = 0; e < kExportCount; ++e) {
    const Fault& fault = state.scenario.faults[e];
    simulator_callee_pops[e] =
        kLibraryFaultsCaught && fault.kind == FaultKind::callee_pops && fault.after_calls == 0;
  }
}

void SimulatorDetach(DetachKind kind) {
  State& state = TheState();
  EndHaltRun(state);
  state.timing.reset();
  if (state.trace) state.trace->Line(kind == DetachKind::unload ? "detach unload" : "detach exit");
  state.trace.reset();
  if (state.unterminated != nullptr) FreeBeforeGuardPage(state.unterminated, kUnterminatedLength);
  state.unterminated = nullptr;
}

const char* SimulatedVersion() {
  Call call(Export::version, {});
  return call.Returns(TextOf(TheState().scenario.version));
}

std::uint32_t SimulatedDllVersion() {
  Call call(Export::get_dll_version, {});
  return call.Returns(TheState().scenario.dll_version);
}

std::uint32_t SimulatedReenumerateAllPortTypes() {
  Call call(Export::reenumerate_all_port_types, {});
  return call.Returns(0u);
}

std::uint32_t SimulatedNumberOfPorts(std::uint32_t port_type) {
  Call call(Export::get_enumerated_number_of_ports, {port_type});
  const SimulatedPorts* ports = PortsOf(port_type);
  return call.Returns(ports != nullptr ? ports->count : 0u);
}

const char* SimulatedPortDescriptor(std::uint32_t port_type, std::uint32_t port_number) {
  Call call(Export::get_port_descriptor, {port_type, port_number});
  const SimulatedPorts* ports = PortsOf(port_type);
  if (ports == nullptr || port_number == 0 || port_number > ports->count) {
    return call.Returns(static_cast<const char*>(nullptr));
  }
  if (const auto listed = ports->listed.find(port_number); listed != ports->listed.end()) {
    return call.Returns(TextOf(listed->second));
  }
  if (ports->every) return call.Returns(TextOf(*ports->every));
  std::string& generated = TheState().generated;
  generated = std::string("Simulated ") + kKindNames[port_type - kFirstPortType] + " " +
              std::to_string(port_number);
  return call.Returns(generated.c_str());
}

std::uint32_t SimulatedOpenPort(std::uint32_t port_type, std::uint32_t port_number) {
  Call call(Export::open_port, {port_type, port_number});
  return call.Returns(TheState().scenario.open_port);
}

std::uint32_t SimulatedClosePort() {
  Call call(Export::close_port, {});
  return call.Returns(0u);
}

std::uint32_t SimulatedResetHardwareInterface() {
  Call call(Export::reset_hardware_interface, {});
  return call.Returns(0u);
}

std::uint32_t SimulatedCheckCriticalError() {
  Call call(Export::check_critical_error, {});
  return call.Returns(TheState().scenario.check_critical_error);
}

std::uint32_t SimulatedCableVersion() {
  Call call(Export::get_cable_version, {});
  return call.Returns(TheState().scenario.cable_version);
}

std::uint32_t SimulatedSpecialFeatures(std::uint32_t feature, std::uint32_t arg2,
                                       std::uint32_t mode, std::uint32_t arg4, std::uint32_t arg5,
                                       std::uint8_t* status, std::uint32_t arg7) {
  const bool attempt = feature == kHaltAttempt;
  Call call(Export::corvane_special_features,
            {feature, arg2, mode, arg4, arg5, reinterpret_cast<std::uintptr_t>(status), arg7},
            attempt);
  State& state = TheState();
  if (!attempt) {
    std::uint32_t result = 0;
    if (feature == kSetCommMode && mode == 0) result = state.scenario.mode_swd;
    if (feature == kSetCommMode && mode == 1) result = state.scenario.mode_jtag;
    return call.Returns(result);
  }
  AttemptMoment moment;
  const bool halted = HaltedAtThisAttempt(state, moment);
  if (halted && state.run_halted_at == 0) {
    state.run_halted_at = state.run_attempts;
    state.run_halted = moment.Now();
  }
  if (status != nullptr && halted) WriteStatus(status, kHalted);
  if (status != nullptr && !halted && state.scenario.not_halted_status) {
    WriteStatus(status, *state.scenario.not_halted_status);
  }
  return call.ReturnsRepeated(0u);
}

std::uint32_t SimulatedUncalled(Export e) {
  Call call(e, {});
  return call.Returns(0u);
}
