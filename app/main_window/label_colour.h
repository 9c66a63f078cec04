// The colour of Label6's text: pure blue, or the system's hot-light colour under high contrast.
#pragma once

#include <cstdint>

// A colour as the window system keeps it: 0x00bbggrr.
using ColourRef = std::uint32_t;

inline constexpr ColourRef kPureBlue = 0x00FF0000;  // red 0, green 0, blue 255

// The bit of the system's high-contrast flags that says high contrast is on.
inline constexpr std::uint32_t kHighContrastOn = 0x00000001;

// Pure blue on the button face is the normal look; under a high-contrast theme it would stand
// at about 2.4:1 on black, so there the theme's own colour for hot-lit text is used.
constexpr ColourRef Label6Colour(std::uint32_t high_contrast_flags, ColourRef hot_light) {
  return (high_contrast_flags & kHighContrastOn) != 0 ? hot_light : kPureBlue;
}
