// A small library with the interface library's 34 exports, for the binding's tests. Its results
// carry bits above the width the contract reads, so the tests can see that only that width is read.
#include <cstdint>

#if defined(_WIN32)
#define FIXTURE_EXPORT extern "C" __declspec(dllexport)
#else
#define FIXTURE_EXPORT extern "C" __attribute__((visibility("default")))
#define __cdecl
#endif

using u32 = std::uint32_t;

#if !defined(FIXTURE_WITHOUT_VERSION)
FIXTURE_EXPORT const char* __cdecl version() {
  return "fixture library";
}
#endif
FIXTURE_EXPORT u32 __cdecl get_dll_version() {
  return 0xDEAD0123u;
}
FIXTURE_EXPORT u32 __cdecl open_debug_file() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl close_debug_file() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl set_local_machine_ip_number() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl reenumerate_all_port_types() {
  return 0;
}
// Echoes its argument in both halves, so a caller can see what arrived.
FIXTURE_EXPORT u32 __cdecl get_enumerated_number_of_ports(u32 port_type) {
  return port_type << 16 | port_type;
}
FIXTURE_EXPORT const char* __cdecl get_port_descriptor(u32 port_type, u32 port_number) {
  return port_type == 3 && port_number == 2 ? "port 3/2" : nullptr;
}
FIXTURE_EXPORT u32 __cdecl get_port_descriptor_short() {
  return 0;
}
// 0x100: nonzero as a word, zero in the low byte that the contract reads.
FIXTURE_EXPORT u32 __cdecl open_port(u32 port_type, u32 port_number) {
  return port_type == 5 && port_number == 1 ? 0x100u : 0x201u;
}
FIXTURE_EXPORT u32 __cdecl close_port() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl reset_hardware_interface() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl check_critical_error() {
  return 0xFF00u;
}
FIXTURE_EXPORT u32 __cdecl set_debug_shift_frequency() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl set_reset_delay_in_ms() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl get_cable_version() {
  return 0x7FFF0000u | 65535u;
}
FIXTURE_EXPORT u32 __cdecl target_reset() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl target_halt() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl target_check_if_halted() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl target_resume() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl target_step() {
  return 0;
}
#if defined(FIXTURE_GET_BLOCK_IN_OTHER_CASE)
FIXTURE_EXPORT u32 __cdecl Get_Block() {
  return 0;
}
#elif !defined(FIXTURE_WITHOUT_GET_BLOCK)
FIXTURE_EXPORT u32 __cdecl get_block() {
  return 0;
}
#endif
FIXTURE_EXPORT u32 __cdecl put_block() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl read_8bit_value() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl read_16bit_value() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl read_32bit_value() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl write_8bit_value() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl write_16bit_value() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl write_32bit_value() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl load_bin_file() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl load_srec_file() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl get_mcu_register() {
  return 0;
}
FIXTURE_EXPORT u32 __cdecl set_mcu_register() {
  return 0;
}
// The halt attempt writes its status through the pointer and answers the mode call with a word
// whose low byte is zero unless the mode is 1; the other arguments must arrive as passed.
FIXTURE_EXPORT u32 __cdecl corvane_special_features(u32 feature, u32 one, u32 mode, u32 zero1,
                                                    u32 zero2, std::uint8_t* status, u32 zero3) {
  if (one != 1 || zero1 != 0 || zero2 != 0 || zero3 != 0) return 0xBAD00000u;
  if (feature == 0x44000100u && status != nullptr) {
    *status = 0xFF;
    return 0;
  }
  if (feature == 0x44000001u) return mode == 1 ? 0x301u : 0x300u;
  return 0;
}
