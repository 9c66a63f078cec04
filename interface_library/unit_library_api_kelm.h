// The binding to the interface library: loading it, looking its 34 exports up, freeing it.
#pragma once

#include <array>
#include <cstddef>

#include "library_contract.h"
#include "platform_loader.h"

// The library's exports, by slot; this is also the order in which they are looked up.
enum class EntrySlot : std::size_t {
  version,
  get_dll_version,
  open_debug_file,
  close_debug_file,
  set_local_machine_ip_number,
  reenumerate_all_port_types,
  get_enumerated_number_of_ports,
  get_port_descriptor,
  get_port_descriptor_short,
  open_port,
  close_port,
  reset_hardware_interface,
  check_critical_error,
  set_debug_shift_frequency,
  set_reset_delay_in_ms,
  get_cable_version,
  target_reset,
  target_halt,
  target_check_if_halted,
  target_resume,
  target_step,
  get_block,
  put_block,
  read_8bit_value,
  read_16bit_value,
  read_32bit_value,
  write_8bit_value,
  write_16bit_value,
  write_32bit_value,
  load_bin_file,
  load_srec_file,
  get_mcu_register,
  set_mcu_register,
  corvane_special_features,
};

inline constexpr std::size_t kEntryPointCount = 34;

// The export name of each slot, in slot order.
inline constexpr std::array<const char*, kEntryPointCount> kEntryPointNames = {
    "version",
    "get_dll_version",
    "open_debug_file",
    "close_debug_file",
    "set_local_machine_ip_number",
    "reenumerate_all_port_types",
    "get_enumerated_number_of_ports",
    "get_port_descriptor",
    "get_port_descriptor_short",
    "open_port",
    "close_port",
    "reset_hardware_interface",
    "check_critical_error",
    "set_debug_shift_frequency",
    "set_reset_delay_in_ms",
    "get_cable_version",
    "target_reset",
    "target_halt",
    "target_check_if_halted",
    "target_resume",
    "target_step",
    "get_block",
    "put_block",
    "read_8bit_value",
    "read_16bit_value",
    "read_32bit_value",
    "write_8bit_value",
    "write_16bit_value",
    "write_32bit_value",
    "load_bin_file",
    "load_srec_file",
    "get_mcu_register",
    "set_mcu_register",
    "corvane_special_features",
};

// The binding's state, one set for the whole process. Only the binding writes it; the rest of
// the program goes by the result of LoadInterfaceLibrary and calls through Entry<>().
extern ModuleHandle LibraryHandle;
extern bool LibraryLoaded;
extern bool AllEntryPointsResolved;
extern std::array<EntryAddress, kEntryPointCount> EntryPointTable;

// Frees any library loaded before, loads file_name and looks up all 34 exports. True only when
// the file loaded and every export was found.
bool LoadInterfaceLibrary(const char* file_name);

// Frees the library if one is loaded, empties every entry and clears both flags.
void UnloadInterfaceLibrary();

// Forgets a library that faulted, without freeing it: its state is unknown, so none of its code
// runs again, not even its unload routine. Empties every entry and clears both flags, so a
// later UnloadInterfaceLibrary frees nothing.
void AbandonInterfaceLibrary();

// Looks up one export into one entry; a missing export leaves the entry empty and clears
// AllEntryPointsResolved.
void ResolveEntryPoint(ModuleHandle module, EntryAddress& entry, const char* export_name);

// The loader the binding uses; the system loader unless a test put another in its place.
void SetPlatformLoader(PlatformLoader& loader);

// The call shape of each called slot; the other 23 slots are only stored.
template <EntrySlot S>
struct CallShape;
template <>
struct CallShape<EntrySlot::version> {
  using Fn = VersionFn;
};
template <>
struct CallShape<EntrySlot::reenumerate_all_port_types> {
  using Fn = ReenumerateAllPortTypesFn;
};
template <>
struct CallShape<EntrySlot::get_enumerated_number_of_ports> {
  using Fn = GetEnumeratedNumberOfPortsFn;
};
template <>
struct CallShape<EntrySlot::get_port_descriptor> {
  using Fn = GetPortDescriptorFn;
};
template <>
struct CallShape<EntrySlot::open_port> {
  using Fn = OpenPortFn;
};
template <>
struct CallShape<EntrySlot::close_port> {
  using Fn = ClosePortFn;
};
template <>
struct CallShape<EntrySlot::reset_hardware_interface> {
  using Fn = ResetHardwareInterfaceFn;
};
template <>
struct CallShape<EntrySlot::check_critical_error> {
  using Fn = CheckCriticalErrorFn;
};
template <>
struct CallShape<EntrySlot::get_dll_version> {
  using Fn = GetDllVersionFn;
};
template <>
struct CallShape<EntrySlot::get_cable_version> {
  using Fn = GetCableVersionFn;
};
template <>
struct CallShape<EntrySlot::corvane_special_features> {
  using Fn = CorvaneSpecialFeaturesFn;
};

// The entry of a called slot, typed with its call shape. It is not tested for emptiness: the
// program calls the library only after LoadInterfaceLibrary returned true.
template <EntrySlot S>
typename CallShape<S>::Fn Entry() {
  return reinterpret_cast<typename CallShape<S>::Fn>(EntryPointTable[static_cast<std::size_t>(S)]);
}
