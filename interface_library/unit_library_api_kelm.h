// The binding to the interface library: loading it, looking its 34 exports up, freeing it.
#pragma once

#include <array>
#include <cstddef>

#include "library_contract.h"
#include "platform_loader.h"

// The library's 34 exports, by slot; this is also the order in which they are looked up.
// clang-format off
#define INTERFACE_LIBRARY_EXPORTS(X) \
  X(version) \
  X(get_dll_version) \
  X(open_debug_file) \
  X(close_debug_file) \
  X(set_local_machine_ip_number) \
  X(reenumerate_all_port_types) \
  X(get_enumerated_number_of_ports) \
  X(get_port_descriptor) \
  X(get_port_descriptor_short) \
  X(open_port) \
  X(close_port) \
  X(reset_hardware_interface) \
  X(check_critical_error) \
  X(set_debug_shift_frequency) \
  X(set_reset_delay_in_ms) \
  X(get_cable_version) \
  X(target_reset) \
  X(target_halt) \
  X(target_check_if_halted) \
  X(target_resume) \
  X(target_step) \
  X(get_block) \
  X(put_block) \
  X(read_8bit_value) \
  X(read_16bit_value) \
  X(read_32bit_value) \
  X(write_8bit_value) \
  X(write_16bit_value) \
  X(write_32bit_value) \
  X(load_bin_file) \
  X(load_srec_file) \
  X(get_mcu_register) \
  X(set_mcu_register) \
  X(corvane_special_features)
// clang-format on

#define INTERFACE_LIBRARY_SLOT(name) name,
enum class EntrySlot : std::size_t { INTERFACE_LIBRARY_EXPORTS(INTERFACE_LIBRARY_SLOT) };
#undef INTERFACE_LIBRARY_SLOT

#define INTERFACE_LIBRARY_COUNT(name) +1
inline constexpr std::size_t kEntryPointCount =
    0 INTERFACE_LIBRARY_EXPORTS(INTERFACE_LIBRARY_COUNT);
#undef INTERFACE_LIBRARY_COUNT
static_assert(kEntryPointCount == 34, "the library has 34 exports");

// The export name of each slot, in slot order.
#define INTERFACE_LIBRARY_NAME(name) #name,
inline constexpr std::array<const char*, kEntryPointCount> kEntryPointNames = {
    INTERFACE_LIBRARY_EXPORTS(INTERFACE_LIBRARY_NAME)};
#undef INTERFACE_LIBRARY_NAME

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
#define CALL_SHAPE(slot, shape)       \
  template <>                         \
  struct CallShape<EntrySlot::slot> { \
    using Fn = shape;                 \
  };
CALL_SHAPE(version, VersionFn)
CALL_SHAPE(reenumerate_all_port_types, ReenumerateAllPortTypesFn)
CALL_SHAPE(get_enumerated_number_of_ports, GetEnumeratedNumberOfPortsFn)
CALL_SHAPE(get_port_descriptor, GetPortDescriptorFn)
CALL_SHAPE(open_port, OpenPortFn)
CALL_SHAPE(close_port, ClosePortFn)
CALL_SHAPE(reset_hardware_interface, ResetHardwareInterfaceFn)
CALL_SHAPE(check_critical_error, CheckCriticalErrorFn)
CALL_SHAPE(get_dll_version, GetDllVersionFn)
CALL_SHAPE(get_cable_version, GetCableVersionFn)
CALL_SHAPE(corvane_special_features, CorvaneSpecialFeaturesFn)
#undef CALL_SHAPE

// The entry of a called slot, typed with its call shape. It is not tested for emptiness: the
// program calls the library only after LoadInterfaceLibrary returned true.
template <EntrySlot S>
typename CallShape<S>::Fn Entry() {
  return reinterpret_cast<typename CallShape<S>::Fn>(EntryPointTable[static_cast<std::size_t>(S)]);
}
