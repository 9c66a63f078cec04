// Call shapes of the library exports that are called, and the widths their results are read at.
#pragma once

#include <cstdint>
#include <string>

// Every export is a 32-bit cdecl function: arguments pushed last to first, one 32-bit slot each,
// removed by the caller. LIBRARY_CALL names that convention in every call type on Windows;
// elsewhere the platform has one calling convention and it names none.
#if defined(_WIN32)
#define LIBRARY_CALL __cdecl
#else
#define LIBRARY_CALL
#endif

// Codes passed as the first argument of corvane_special_features.
inline constexpr std::uint32_t SPECIAL_FEATURE_SET_COMM_MODE = 0x44000001u;
inline constexpr std::uint32_t SPECIAL_FEATURE_HALT_ATTEMPT = 0x44000100u;

// The value the library writes into the halt status byte once the processor is halted.
inline constexpr std::uint8_t kHaltStatusHalted = 0xFF;

// Results are declared as the whole 32-bit return register; callers read them at the width the
// contract gives, through the helpers below.
using VersionFn = const char*(LIBRARY_CALL*)();
using ReenumerateAllPortTypesFn = std::uint32_t(LIBRARY_CALL*)();
using GetEnumeratedNumberOfPortsFn = std::uint32_t(LIBRARY_CALL*)(std::uint32_t port_type);
using GetPortDescriptorFn = const char*(LIBRARY_CALL*)(std::uint32_t port_type,
                                                       std::uint32_t port_number);
using OpenPortFn = std::uint32_t(LIBRARY_CALL*)(std::uint32_t port_type, std::uint32_t port_number);
using ClosePortFn = std::uint32_t(LIBRARY_CALL*)();
using ResetHardwareInterfaceFn = std::uint32_t(LIBRARY_CALL*)();
using CheckCriticalErrorFn = std::uint32_t(LIBRARY_CALL*)();
using GetDllVersionFn = std::uint32_t(LIBRARY_CALL*)();
using GetCableVersionFn = std::uint32_t(LIBRARY_CALL*)();
using CorvaneSpecialFeaturesFn = std::uint32_t(LIBRARY_CALL*)(
    std::uint32_t feature, std::uint32_t one, std::uint32_t mode, std::uint32_t zero1,
    std::uint32_t zero2, std::uint8_t* halt_status, std::uint32_t zero3);

// A yes/no answer: only the low byte is tested.
inline bool ByteResult(std::uint32_t result) {
  return (result & 0xFFu) != 0;
}

// A version number: the low 16 bits, unsigned.
inline std::uint16_t WordResult(std::uint32_t result) {
  return static_cast<std::uint16_t>(result & 0xFFFFu);
}

// The most characters ever read from a text the library returns.
inline constexpr std::size_t kLibraryTextLimit = 255;

// Copies a text the library returned: null reads as empty, and no character past the 255th is
// read, so a text without a terminator in its first 255 characters is cut there.
std::string CopyLibraryText(const char* text);

// The copy itself, into buffer (room for kLibraryTextLimit characters, no terminator added);
// returns the number of characters copied. A plain cdecl function that allocates nothing, so that
// it can run under the guard of library calls: reading a text may fault as the call itself may.
extern "C" std::uint32_t LIBRARY_CALL CopyLibraryTextInto(const char* text, char* buffer);
