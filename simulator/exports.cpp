// The simulator's 34 exports under the library's names, and its load and unload hooks.
//
// Built once per variant: SIMULATOR_WITHOUT_GET_BLOCK and SIMULATOR_WITHOUT_VERSION leave one
// export out, SIMULATOR_GET_BLOCK_IN_OTHER_CASE names one export Get_Block.
#include <cstdint>
#include <cstdlib>

#include "simulator.h"

// SIMULATOR_CALL is the library's calling convention, cdecl, on Windows; elsewhere the platform
// has one and it names none.
#if defined(_WIN32)
#include <windows.h>
#define SIMULATOR_EXPORT extern "C" __declspec(dllexport)
#define SIMULATOR_CALL __cdecl
#else
#define SIMULATOR_EXPORT extern "C" __attribute__((visibility("default")))
#define SIMULATOR_CALL
#endif

using u32 = std::uint32_t;

#if defined(TESTZ_LIBRARY_FAULTS_CAUGHT)
// An export that takes arguments is a stub that jumps on with the stack as its caller left it:
// to the body, which returns the ordinary cdecl way, or, while the scenario asks for the wrong
// calling convention, to a twin that removes its own arguments as it returns.
#define EXPORT_WITH_ARGUMENTS(name, slot, result, params, args, behaviour)                      \
  static_assert(static_cast<int>(Export::name) == (slot));                                      \
  extern "C" result SIMULATOR_CALL name##_caller_pops params asm("simulator_" #name             \
                                                                 "_caller_pops");               \
  extern "C" result __stdcall name##_callee_pops params asm("simulator_" #name "_callee_pops"); \
  result SIMULATOR_CALL name##_caller_pops params {                                             \
    return behaviour args;                                                                      \
  }                                                                                             \
  result __stdcall name##_callee_pops params {                                                  \
    return behaviour args;                                                                      \
  }                                                                                             \
  SIMULATOR_EXPORT __attribute__((naked)) void name() {                                         \
    asm("cmpb $0, _simulator_callee_pops+" #slot                                                \
        "\n\t"                                                                                  \
        "jne simulator_" #name                                                                  \
        "_callee_pops\n\t"                                                                      \
        "jmp simulator_" #name "_caller_pops");                                                 \
  }
#else
#define EXPORT_WITH_ARGUMENTS(name, slot, result, params, args, behaviour) \
  SIMULATOR_EXPORT result SIMULATOR_CALL name params {                     \
    return behaviour args;                                                 \
  }
#endif

#define UNCALLED_EXPORT(name)                  \
  SIMULATOR_EXPORT u32 SIMULATOR_CALL name() { \
    return SimulatedUncalled(Export::name);    \
  }

#if !defined(SIMULATOR_WITHOUT_VERSION)
SIMULATOR_EXPORT const char* SIMULATOR_CALL version() {
  return SimulatedVersion();
}
#endif
SIMULATOR_EXPORT u32 SIMULATOR_CALL get_dll_version() {
  return SimulatedDllVersion();
}
UNCALLED_EXPORT(open_debug_file)
UNCALLED_EXPORT(close_debug_file)
UNCALLED_EXPORT(set_local_machine_ip_number)
SIMULATOR_EXPORT u32 SIMULATOR_CALL reenumerate_all_port_types() {
  return SimulatedReenumerateAllPortTypes();
}
EXPORT_WITH_ARGUMENTS(get_enumerated_number_of_ports, 6, u32, (u32 port_type), (port_type),
                      SimulatedNumberOfPorts)
EXPORT_WITH_ARGUMENTS(get_port_descriptor, 7, const char*, (u32 port_type, u32 port_number),
                      (port_type, port_number), SimulatedPortDescriptor)
UNCALLED_EXPORT(get_port_descriptor_short)
EXPORT_WITH_ARGUMENTS(open_port, 9, u32, (u32 port_type, u32 port_number), (port_type, port_number),
                      SimulatedOpenPort)
SIMULATOR_EXPORT u32 SIMULATOR_CALL close_port() {
  return SimulatedClosePort();
}
SIMULATOR_EXPORT u32 SIMULATOR_CALL reset_hardware_interface() {
  return SimulatedResetHardwareInterface();
}
SIMULATOR_EXPORT u32 SIMULATOR_CALL check_critical_error() {
  return SimulatedCheckCriticalError();
}
UNCALLED_EXPORT(set_debug_shift_frequency)
UNCALLED_EXPORT(set_reset_delay_in_ms)
SIMULATOR_EXPORT u32 SIMULATOR_CALL get_cable_version() {
  return SimulatedCableVersion();
}
UNCALLED_EXPORT(target_reset)
UNCALLED_EXPORT(target_halt)
UNCALLED_EXPORT(target_check_if_halted)
UNCALLED_EXPORT(target_resume)
UNCALLED_EXPORT(target_step)
#if defined(SIMULATOR_GET_BLOCK_IN_OTHER_CASE)
SIMULATOR_EXPORT u32 SIMULATOR_CALL Get_Block() {
  return SimulatedUncalled(Export::get_block);
}
#elif !defined(SIMULATOR_WITHOUT_GET_BLOCK)
UNCALLED_EXPORT(get_block)
#endif
UNCALLED_EXPORT(put_block)
UNCALLED_EXPORT(read_8bit_value)
UNCALLED_EXPORT(read_16bit_value)
UNCALLED_EXPORT(read_32bit_value)
UNCALLED_EXPORT(write_8bit_value)
UNCALLED_EXPORT(write_16bit_value)
UNCALLED_EXPORT(write_32bit_value)
UNCALLED_EXPORT(load_bin_file)
UNCALLED_EXPORT(load_srec_file)
UNCALLED_EXPORT(get_mcu_register)
UNCALLED_EXPORT(set_mcu_register)
EXPORT_WITH_ARGUMENTS(corvane_special_features, 33, u32,
                      (u32 feature, u32 arg2, u32 mode, u32 arg4, u32 arg5, std::uint8_t* status,
                       u32 arg7),
                      (feature, arg2, mode, arg4, arg5, status, arg7), SimulatedSpecialFeatures)

#if defined(_WIN32)
// The reserved argument of a detach is null when the program frees the library and not null
// when the process is exiting.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) SimulatorAttach();
  if (reason == DLL_PROCESS_DETACH) {
    SimulatorDetach(reserved == nullptr ? DetachKind::unload : DetachKind::process_exit);
  }
  return TRUE;
}
#else
namespace {

// A shared object has no detach reason, so the two ways out are told apart by their order. When
// the process exits, its exit handlers (the one below among them) run before the objects'
// finalisers; when the object is unloaded, its finaliser runs first and the exit handlers it
// registered after it. Whichever comes first writes the detach line.
bool detached = false;

void DetachOnce(DetachKind kind) {
  if (detached) return;
  detached = true;
  SimulatorDetach(kind);
}

void OnProcessExit() {
  DetachOnce(DetachKind::process_exit);
}

// Registered after the attach, so that at exit it runs before the simulator's own state goes.
__attribute__((constructor)) void OnLoad() {
  detached = false;
  SimulatorAttach();
  std::atexit(&OnProcessExit);
}

__attribute__((destructor)) void OnUnload() {
  DetachOnce(DetachKind::unload);
}

}  // namespace
#endif
