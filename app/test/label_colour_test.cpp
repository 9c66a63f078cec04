// Tests of the colour of Label6's text in the normal look and under high contrast.
#include "label_colour.h"

#include <gtest/gtest.h>

namespace {

constexpr ColourRef kYellow = 0x0000FFFF;
// The system's other high-contrast flags: the feature available, its hot key active.
constexpr std::uint32_t kAvailable = 0x00000002;
constexpr std::uint32_t kHotKeyActive = 0x00000004;

TEST(Label6Colour, IsPureBlueUnlessHighContrastIsOnAndThenTheHotLightColour) {
  EXPECT_EQ(Label6Colour(0, kYellow), 0x00FF0000u);
  EXPECT_EQ(Label6Colour(kAvailable | kHotKeyActive, kYellow), 0x00FF0000u)
      << "high contrast that could be switched on is not on";
  EXPECT_EQ(Label6Colour(kHighContrastOn, kYellow), kYellow);
  EXPECT_EQ(Label6Colour(kHighContrastOn | kAvailable, 0x00FF0000), 0x00FF0000u);
}

}  // namespace
