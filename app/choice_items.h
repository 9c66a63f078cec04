// The items of the two choices, "Test Hardware" and "Communication": the main window shows them in
// its radio groups, and an unattended run chooses among them.
#pragma once

#include <array>
#include <cstddef>

#include "interface_kinds.h"

// "Test Hardware": "Show Hardware", then one item per interface kind, in the kinds' order.
constexpr std::array<const char*, kInterfaceKinds.size() + 1> HardwareTypeTexts() {
  std::array<const char*, kInterfaceKinds.size() + 1> texts{};
  texts[0] = kShowHardwareItem;
  for (std::size_t i = 0; i < kInterfaceKinds.size(); ++i) texts[i + 1] = kInterfaceKinds[i].item;
  return texts;
}
inline constexpr std::array<const char*, kInterfaceKinds.size() + 1> kHardwareTypeTexts =
    HardwareTypeTexts();
inline constexpr const char* kCommunicationTypeTexts[] = {"SWD", "JTAG"};
