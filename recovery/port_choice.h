// Which port of the chosen kind the START procedure opens: port 1 from the window, or the one an
// unattended run names by its number or by words of its descriptor.
#pragma once

#include <cstdint>
#include <string>

struct PortChoice {
  // The port by its 1-based number among the ports of the kind; used when `text` is empty.
  std::uint32_t number = 1;
  // The one port of the kind whose descriptor, as the report listed it, contains this text,
  // compared without regard to case (ASCII letters); empty: by number.
  std::string text;
};
