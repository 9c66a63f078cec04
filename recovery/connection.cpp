// The connection to the chosen interface: the chosen port opened, the communication mode set, the
// interface reset, and the versions it reports shown.
#include <cstdint>
#include <optional>
#include <string>

#include "interface_kinds.h"
#include "library_calls.h"
#include "procedure_steps.h"
#include "procedure_texts.h"

namespace {

// The ending of a step that failed, with its lines written; none when it went through.
using StepFailure = std::optional<RecoveryEnding>;

// The ports are counted again, as they may have changed since the report; a port chosen must be
// among them.
StepFailure OpenChosenPort(RecoveryWindow& window, const InterfaceKind& kind,
                           const ListedPorts& listed) {
  const std::uint32_t count =
      CallLibrary<EntrySlot::get_enumerated_number_of_ports>(kind.port_type);
  if (count == 0) {
    WriteLine(window, kind.not_attached);
    return RecoveryEnding::kNotAttached;
  }
  const ListedPorts::Chosen chosen = listed.Choose();
  window.PortChosen(chosen.port, listed.descriptors());
  if (!chosen.port) {
    WriteLine(window, PortNamedByTextLine(kind.item, chosen.matches, listed.choice().text));
    return RecoveryEnding::kNotAttached;
  }
  if (*chosen.port == 0 || *chosen.port > count) {
    WriteLine(window, PortNotAttachedLine(kind.item, *chosen.port, count));
    return RecoveryEnding::kNotAttached;
  }
  if (!ByteResult(CallLibrary<EntrySlot::open_port>(kind.port_type, *chosen.port))) {
    WriteLine(window, kind.open_failure);
    CallLibrary<EntrySlot::close_port>();
    return RecoveryEnding::kOpenFailure;
  }
  return std::nullopt;
}

StepFailure SetCommunicationMode(RecoveryWindow& window, int communication_type) {
  WriteLine(window, kSeparator);
  // JTAG for item 1; SWD for item 0 (and for anything else the group might report). The item is
  // also the protocol code.
  const std::uint32_t protocol = communication_type == 1 ? 1 : 0;
  const CommunicationTexts& texts = kCommunicationTexts[protocol];
  WriteLine(window, texts.line);
  WriteLine(window, kSeparator);
  const std::uint32_t no_value = 0;
  std::uint8_t* const no_status = nullptr;
  if (!ByteResult(CallLibrary<EntrySlot::corvane_special_features>(
          SPECIAL_FEATURE_SET_COMM_MODE, std::uint32_t{1}, protocol, no_value, no_value, no_status,
          no_value))) {
    WriteLine(window, kSeparator);
    WriteLine(window, texts.failure);
    CallLibrary<EntrySlot::close_port>();
    return RecoveryEnding::kModeFailure;
  }
  return std::nullopt;
}

StepFailure ResetInterface(RecoveryWindow& window) {
  CallLibrary<EntrySlot::reset_hardware_interface>();
  if (ByteResult(CallLibrary<EntrySlot::check_critical_error>())) {
    WriteLine(window, kResetSeparator);
    WriteLine(window, kResetFailure);
    CallLibrary<EntrySlot::close_port>();
    return RecoveryEnding::kResetFailure;
  }
  return std::nullopt;
}

char Digit(unsigned value) {
  return static_cast<char>('0' + value);
}

// The version in hundredths as units, a full stop and two digits. Each position comes from its
// own call, in order; the calls are expected to agree. The units are written in full, so a
// version of 1000 or more shows as, for example, 12.34 rather than a character past '9'.
std::string VersionLabel() {
  const unsigned units = WordResult(CallLibrary<EntrySlot::get_dll_version>()) / 100u;
  const unsigned tenths = WordResult(CallLibrary<EntrySlot::get_dll_version>()) % 100u / 10u;
  const unsigned hundredths = WordResult(CallLibrary<EntrySlot::get_dll_version>()) % 10u;
  std::string label = std::to_string(units);
  label += '.';
  label += Digit(tenths);
  label += Digit(hundredths);
  return label;
}

}  // namespace

std::optional<RecoveryEnding> ConnectInterface(RecoveryWindow& window, const InterfaceKind& kind,
                                               const ListedPorts& listed, int communication_type) {
  if (const StepFailure failure = OpenChosenPort(window, kind, listed)) return failure;
  if (const StepFailure failure = SetCommunicationMode(window, communication_type)) return failure;
  if (const StepFailure failure = ResetInterface(window)) return failure;
  window.SetVersionLabel(VersionLabel());
  const std::uint16_t cable_version = WordResult(CallLibrary<EntrySlot::get_cable_version>());
  window.CableVersionRead(cable_version);
  WriteLine(window, std::string(kCableVersionPrefix) + std::to_string(cable_version));
  return std::nullopt;
}
