// The kinds of debug interface the program connects to: one row each, read at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// One kind of debug interface: the library's PortType for it, its item in the "Test Hardware"
// radio group (a C string, as the window takes it), the report's count line (followed there by
// the count's four digits) and the two lines of its connection step.
struct InterfaceKind {
  std::uint32_t port_type;
  const char* item;
  std::string_view count_line;
  std::string_view not_attached;  // no port of the kind is attached
  std::string_view open_failure;  // opening the chosen port failed
};

// In PortType order, which is the report's order and the order of the radio items below
// "Show Hardware": item i (1, 2, ...) is row i - 1.
inline constexpr std::array<InterfaceKind, 7> kInterfaceKinds = {{
    {3, "USB Veyra (K/ZV/PLEX)", "Number of USB Veyras = ", "No USB Veyra Cables Detected",
     "Error connecting to USB Veyra."},
    {4, "PendrelORMO-Serial", "Number of PC Serial Ports = ", "No Serial Ports Detected.",
     "Error opening serial port."},
    {5, "PendrelORMO-USB", "Number of USB Pendrel Vell/Ormo = ",
     "No Pendrel Vell units detected on USB bus.", "Error connecting to Pendrel Vell via USB."},
    {6, "PendrelORMO-Ethernet",
     "Number of Ethernet Pendrel Vell/Ormos = ", "No Pendrel Vell units detected on ethernet bus.",
     "Error connecting to Pendrel Vell via Ethernet."},
    {7, "QuillonUSB", "Number of Quillon USB Devices = ", "No Quillon Devices Detected via USB",
     "Error connecting to Quillon USB."},
    {8, "QuillonEthernet", "Number of Quillon Ethernet Devices = ",
     "No Quillon Devices Detected on Ethernet", "Error connecting to Quillon Ethernet."},
    {9, "OstrelUSB", "Number of Ostrel USB Devices = ", "No Ostrel Cables Detected via USB",
     "Error connecting to Ostrel USB."},
}};

// Item 0 of "Test Hardware", above the kinds: the report alone, no connection.
inline constexpr char kShowHardwareItem[] = "Show Hardware";

// The library's codes start at 3 (lower ones are never passed to it) and follow the rows one by
// one, so that item i uses PortType i + 2.
constexpr bool InterfaceKindsFollowPortTypes() {
  for (std::size_t row = 0; row < kInterfaceKinds.size(); ++row) {
    if (kInterfaceKinds[row].port_type != row + 3) return false;
  }
  return true;
}
static_assert(InterfaceKindsFollowPortTypes(), "rows must follow the port types from 3 up");

// The kind of a "Test Hardware" item, or none for "Show Hardware" and any index past the kinds.
constexpr const InterfaceKind* InterfaceKindOfItem(int item) {
  if (item < 1 || item > static_cast<int>(kInterfaceKinds.size())) return nullptr;
  return &kInterfaceKinds[static_cast<std::size_t>(item - 1)];
}
