// Test doubles for the START procedure: a scripted interface library and a recording window.
#include "recovery_doubles.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "library_contract.h"
#include "stop_request.h"
#include "unit_library_api_kelm.h"

namespace {

ScriptedLibrary* active = nullptr;

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

template <EntrySlot S>
void Install(typename CallShape<S>::Fn function) {
  EntryPointTable[static_cast<std::size_t>(S)] = reinterpret_cast<EntryAddress>(function);
}

}  // namespace

// The exports, as plain cdecl functions over the active script.
struct LibraryCalls {
  static Journal& Log() { return active->journal_; }

  static const char* LIBRARY_CALL Version() {
    Log().push_back("version()");
    return active->version.c_str();
  }
  static std::uint32_t LIBRARY_CALL Reenumerate() {
    Log().push_back("reenumerate_all_port_types()");
    return 0xFFFFFFFFu;
  }
  static std::uint32_t LIBRARY_CALL Count(std::uint32_t type) {
    Log().push_back("get_enumerated_number_of_ports(" + std::to_string(type) + ")");
    const int ask = type < active->asks_.size() ? ++active->asks_[type] : 1;
    if (active->count) return active->count(type, ask);
    return type < active->counts.size() ? active->counts[type] : 0;
  }
  static const char* LIBRARY_CALL Descriptor(std::uint32_t type, std::uint32_t index) {
    Log().push_back("get_port_descriptor(" + std::to_string(type) + "," + std::to_string(index) +
                    ")");
    if (active->descriptor) return active->descriptor(type, index);
    active->descriptor_buffer_ = "port " + std::to_string(type) + "/" + std::to_string(index);
    return active->descriptor_buffer_.c_str();
  }
  static std::uint32_t LIBRARY_CALL OpenPort(std::uint32_t type, std::uint32_t port) {
    Log().push_back("open_port(" + std::to_string(type) + "," + std::to_string(port) + ")");
    return active->open_result;
  }
  static std::uint32_t LIBRARY_CALL ClosePort() {
    Log().push_back("close_port()");
    return 0xFFFFFFFFu;
  }
  static std::uint32_t LIBRARY_CALL Reset() {
    Log().push_back("reset_hardware_interface()");
    return 0;
  }
  static std::uint32_t LIBRARY_CALL CriticalError() {
    Log().push_back("check_critical_error()");
    return active->critical_error;
  }
  static std::uint32_t LIBRARY_CALL DllVersion() {
    Log().push_back("get_dll_version()");
    const std::size_t call = static_cast<std::size_t>(active->dll_version_calls_++);
    return active->dll_versions.at(call % active->dll_versions.size());
  }
  static std::uint32_t LIBRARY_CALL CableVersion() {
    Log().push_back("get_cable_version()");
    return active->cable_version;
  }
  static std::uint32_t LIBRARY_CALL SpecialFeatures(std::uint32_t feature, std::uint32_t one,
                                                    std::uint32_t mode, std::uint32_t zero1,
                                                    std::uint32_t zero2, std::uint8_t* status,
                                                    std::uint32_t zero3) {
    Log().push_back("corvane_special_features(" + Hex(feature) + "," + std::to_string(one) + "," +
                    std::to_string(mode) + "," + std::to_string(zero1) + "," +
                    std::to_string(zero2) + "," + (status == nullptr ? "null" : "status") + "," +
                    std::to_string(zero3) + ")");
    if (feature == SPECIAL_FEATURE_SET_COMM_MODE) return active->mode_result;
    if (feature == SPECIAL_FEATURE_HALT_ATTEMPT && status != nullptr) {
      active->status_addresses.push_back(status);
      active->status_on_entry.push_back(*status);
      if (active->halt) active->halt(active->halt_attempts(), *status);
    }
    return 0xFFFFFF00u;
  }
};

ScriptedLibrary::ScriptedLibrary(Journal& journal)
    : halt([](int, std::uint8_t& status) { status = kHaltStatusHalted; }), journal_(journal) {
  active = this;
  Install<EntrySlot::version>(&LibraryCalls::Version);
  Install<EntrySlot::reenumerate_all_port_types>(&LibraryCalls::Reenumerate);
  Install<EntrySlot::get_enumerated_number_of_ports>(&LibraryCalls::Count);
  Install<EntrySlot::get_port_descriptor>(&LibraryCalls::Descriptor);
  Install<EntrySlot::open_port>(&LibraryCalls::OpenPort);
  Install<EntrySlot::close_port>(&LibraryCalls::ClosePort);
  Install<EntrySlot::reset_hardware_interface>(&LibraryCalls::Reset);
  Install<EntrySlot::check_critical_error>(&LibraryCalls::CriticalError);
  Install<EntrySlot::get_dll_version>(&LibraryCalls::DllVersion);
  Install<EntrySlot::get_cable_version>(&LibraryCalls::CableVersion);
  Install<EntrySlot::corvane_special_features>(&LibraryCalls::SpecialFeatures);
}

ScriptedLibrary::~ScriptedLibrary() {
  EntryPointTable.fill(nullptr);
  active = nullptr;
}

bool ScriptedLibrary::Installed() const {
  return active == this && Entry<EntrySlot::version>() == &LibraryCalls::Version;
}

std::function<void(int, std::uint8_t&)> HaltsAt(int n) {
  return [n](int attempt, std::uint8_t& status) {
    if (attempt == n) status = kHaltStatusHalted;
  };
}

void ScriptedWindow::SetStartEnabled(bool enabled) {
  start_enabled = enabled;
  journal_.push_back(enabled ? "START on" : "START off");
}

void ScriptedWindow::SetStopEnabled(bool enabled) {
  stop_enabled = enabled;
  journal_.push_back(enabled ? "STOP on" : "STOP off");
}

void ScriptedWindow::SetVersionLabel(std::string_view text) {
  label = std::string(text);
  journal_.push_back("label " + label);
}

void ScriptedWindow::PortChosen(std::optional<std::uint32_t> port,
                                const std::vector<std::string>& descriptors) {
  descriptors_told = descriptors;
  journal_.push_back("port chosen " + (port ? std::to_string(*port) : std::string("none")));
}

void ScriptedWindow::CableVersionRead(std::uint16_t version) {
  cable_version = version;
}

void ScriptedWindow::ProcessMessages() {
  journal_.push_back("messages");
  ++message_passes;
  if (on_messages) on_messages(message_passes);
  if (message_passes == kMessagePassLimit) {
    ADD_FAILURE() << "the halt loop did not end after " << kMessagePassLimit << " attempts";
    StopRequested = 1;
  }
}

bool ScriptedWindow::JournalList::Add(std::string_view text) {
  if (lines.size() >= line_limit) return false;
  if (!lines.empty()) journal_.push_back("line " + lines.back());
  lines.emplace_back(text);
  return true;
}

void ScriptedWindow::JournalList::Clear() {
  lines.clear();
  journal_.push_back("clear");
}
