// The START procedure's fixed wording, beside the kinds' own lines (interface_kinds.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// The lines the window writes when it is first shown, between two empty ones: the library loaded
// with every export, or not.
inline constexpr std::string_view kLibraryLoaded = "unit_kelm.DLL library loaded.";
inline constexpr std::string_view kLibraryFailed =
    "Loading Library unit_kelm.DLL failed. Make sure library is in the Windows System directory "
    "(or SysWow64 on 64-bit systems) and restart application.";

// The report's separator and the indents of its port lines.
inline constexpr std::string_view kSeparator = " ";
inline constexpr std::string_view kDescriptorPrefix = "       ";
inline constexpr std::string_view kNoneLine = "       None.";

// The communicationtype items, by index: the line written before the mode call and the line
// written when it fails. The index is also the protocol code passed to the library.
struct CommunicationTexts {
  std::string_view line;
  std::string_view failure;
};
inline constexpr std::array<CommunicationTexts, 2> kCommunicationTexts = {{
    {"Communication via SWD", "Unable to set communications mode to SWD."},
    {"Communication via JTAG", "Unable to set communications mode to JTAG."},
}};

inline constexpr std::string_view kResetSeparator = "  ";
inline constexpr std::string_view kResetFailure = "Error resetting hardware interface !!!!!!!!!!!";
inline constexpr std::string_view kCableVersionPrefix = "Cable Version is ";
inline constexpr std::string_view kAdviceHalting = "Continuously attempting to halt processor.";
inline constexpr std::string_view kAdvicePowerCycle =
    "Please try power cycling your board until this operation is successful";
inline constexpr std::string_view kHalted = "Success. Processor halted.";
inline constexpr std::string_view kStopped = "Stopped by user.";

// The lines that end a run told to open a port that is not there: a port number beyond the ports
// of the kind attached, or words found in the name of no port of the kind listed, or of several.
// The user's words come last, so that a line cut to the log's limit loses only their end.
inline std::string PortNotAttachedLine(std::string_view kind_item, std::uint32_t port,
                                       std::uint32_t attached) {
  return "Port " + std::to_string(port) + " of " + std::string(kind_item) +
         " is not attached; the number of ports attached is " + std::to_string(attached) + ".";
}
inline std::string PortNamedByTextLine(std::string_view kind_item, std::size_t matches,
                                       std::string_view text) {
  const std::string listed = " listed above with a name containing \"" + std::string(text) + "\".";
  if (matches == 0) return "No port of " + std::string(kind_item) + " is" + listed;
  return "Which port is meant? " + std::to_string(matches) + " ports of " + std::string(kind_item) +
         " are" + listed;
}

// The last line of a log that refused a line.
inline constexpr std::string_view kLogFull = "The log is full: the report stopped here.";

// The line that ends the procedure when a library call faulted, naming the export and the
// exception code as eight hexadecimal digits.
inline std::string LibraryFaultLine(std::string_view export_name, std::uint32_t code) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(code));
  return "The interface library failed in " + std::string(export_name) + " (exception " + digits +
         "). Restart the application.";
}

// The same for an export that returned with the stack pointer moved.
inline std::string StackPointerFaultLine(std::string_view export_name) {
  return "The interface library failed in " + std::string(export_name) +
         " (it returned with the stack pointer moved: wrong calling convention). Restart the "
         "application.";
}

// The line for any other failure that ends the procedure (running out of memory, ...).
inline std::string InternalErrorLine(std::string_view what) {
  return "The procedure stopped on an internal error (" + std::string(what) +
         "). Press START to try again.";
}
