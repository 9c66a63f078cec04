// Tests of the colour of Label6's text in the normal look and under high contrast.
#include "label_colour.h"

#include <gtest/gtest.h>

namespace {

TEST(Label6Colour, IsPureBlueUnlessHighContrastIsOnAndThenTheHotLightColour) {
  constexpr ColourRef kYellow = 0x0000FFFF;
  constexpr std::uint32_t kAvailableWithItsHotKey = 0x00000006;  // but not on
  EXPECT_EQ(Label6Colour(0, kYellow), 0x00FF0000u);
  EXPECT_EQ(Label6Colour(kAvailableWithItsHotKey, kYellow), 0x00FF0000u);
  EXPECT_EQ(Label6Colour(kHighContrastOn | kAvailableWithItsHotKey, kYellow), kYellow);
}

}  // namespace
