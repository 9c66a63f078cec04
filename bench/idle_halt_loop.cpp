// The START procedure run to the end of its halt loop on a library and a window that do nothing.
#include "idle_halt_loop.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "library_contract.h"
#include "recovery_procedure.h"
#include "unit_library_api_kelm.h"

namespace {

std::uint32_t attempts_made = 0;
std::uint32_t halting_attempt = 1;

// The library: one port of type 3, every step succeeds, attempts count until the halting one.
struct IdleLibrary {
  static const char* LIBRARY_CALL Version() { return "idle library"; }
  static std::uint32_t LIBRARY_CALL Zero() { return 0; }
  static std::uint32_t LIBRARY_CALL Count(std::uint32_t type) { return type == 3 ? 1 : 0; }
  static const char* LIBRARY_CALL Descriptor(std::uint32_t, std::uint32_t) { return "idle port"; }
  static std::uint32_t LIBRARY_CALL OpenPort(std::uint32_t, std::uint32_t) { return 1; }
  static std::uint32_t LIBRARY_CALL Version100() { return 100; }
  static std::uint32_t LIBRARY_CALL SpecialFeatures(std::uint32_t feature, std::uint32_t,
                                                    std::uint32_t, std::uint32_t, std::uint32_t,
                                                    std::uint8_t* status, std::uint32_t) {
    if (feature != SPECIAL_FEATURE_HALT_ATTEMPT) return 1;
    if (++attempts_made >= halting_attempt) *status = kHaltStatusHalted;
    return 0;
  }
};

template <EntrySlot S>
void Install(typename CallShape<S>::Fn function) {
  EntryPointTable[static_cast<std::size_t>(S)] = reinterpret_cast<EntryAddress>(function);
}

void InstallIdleLibrary() {
  Install<EntrySlot::version>(&IdleLibrary::Version);
  Install<EntrySlot::reenumerate_all_port_types>(&IdleLibrary::Zero);
  Install<EntrySlot::get_enumerated_number_of_ports>(&IdleLibrary::Count);
  Install<EntrySlot::get_port_descriptor>(&IdleLibrary::Descriptor);
  Install<EntrySlot::open_port>(&IdleLibrary::OpenPort);
  Install<EntrySlot::close_port>(&IdleLibrary::Zero);
  Install<EntrySlot::reset_hardware_interface>(&IdleLibrary::Zero);
  Install<EntrySlot::check_critical_error>(&IdleLibrary::Zero);
  Install<EntrySlot::get_dll_version>(&IdleLibrary::Version100);
  Install<EntrySlot::get_cable_version>(&IdleLibrary::Zero);
  Install<EntrySlot::corvane_special_features>(&IdleLibrary::SpecialFeatures);
}

// The log in memory; the window's states, the port chosen, its message pass and the halt loop's
// bounds do nothing.
class MemoryList final : public ListControl {
 public:
  int Count() const override { return static_cast<int>(lines_.size()); }
  bool Add(std::string_view text) override {
    lines_.emplace_back(text);
    return true;
  }
  std::string Read(int index) const override { return lines_[static_cast<std::size_t>(index)]; }
  bool Replace(int index, std::string_view text) override {
    lines_[static_cast<std::size_t>(index)] = std::string(text);
    return true;
  }
  void Clear() override { lines_.clear(); }
  void SetFirstVisible(int) override {}
  void RedrawNow() override {}

 private:
  std::vector<std::string> lines_;
};

class IdleWindow final : public RecoveryWindow {
 public:
  void SetStartEnabled(bool) override {}
  void SetStopEnabled(bool) override {}
  ListControl& Log() override { return log_; }
  void SetVersionLabel(std::string_view) override {}
  void PortChosen(std::optional<std::uint32_t>, const std::vector<std::string>&) override {}
  void CableVersionRead(std::uint16_t) override {}
  void ProcessMessages() override {}
  void HaltLoopStarted() override {}
  void HaltLoopEnded(const HaltCount&) override {}
  void ShowHaltCount(const HaltCount&) override {}

 private:
  MemoryList log_;
};

}  // namespace

std::uint32_t RunIdleHaltLoop(std::uint32_t attempts) {
  InstallIdleLibrary();
  attempts_made = 0;
  halting_attempt = attempts;
  IdleWindow window;
  RecoveryProcedure(window, 1, 0);
  return attempts_made;
}
