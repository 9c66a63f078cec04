// Tests of the main window's layout: the docked panel and list, the radio items, and scaling to
// screens of 96, 120, 144 and 192 pixels per inch.
#include "main_form_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

std::ostream& operator<<(std::ostream& out, const Bounds& b) {
  return out << "{" << b.left << ", " << b.top << ", " << b.width << ", " << b.height << "}";
}

namespace {

// The controls the table puts in Panel1, in its order.
std::vector<ControlName> PanelControls() {
  std::vector<ControlName> names;
  for (const ControlLayout& layout : kMainFormLayout) {
    if (layout.parent == ControlParent::kPanel1) names.push_back(layout.name);
  }
  return names;
}

const Bounds& BoundsOf(const MainFormPlaces& places, ControlName name) {
  return PlaceOf(places, name).bounds;
}

bool Overlap(const Bounds& a, const Bounds& b) {
  return a.left < b.Right() && b.left < a.Right() && a.top < b.Bottom() && b.top < a.Bottom();
}

TEST(ScaleToDpi, RoundsToTheNearestPixelAndKeepsMeetingEdgesTogether) {
  EXPECT_EQ(ScaleToDpi(201, 96), 201);
  EXPECT_EQ(ScaleToDpi(201, 120), 251);  // 251.25
  EXPECT_EQ(ScaleToDpi(201, 144), 302);  // 301.5: halves go up
  EXPECT_EQ(ScaleToDpi(201, 192), 402);
  EXPECT_EQ(ScaleToDpi(-3, 144), -5);  // and away from zero below it
  EXPECT_EQ(ScaleToDpi(0, 144), 0);

  // START at 144: the edges 6..89 and 350..385 scale to 9..134 and 525..578.
  EXPECT_EQ(ScaleToDpi(Bounds{6, 350, 83, 35}, 144), (Bounds{9, 525, 125, 53}));
  // Two rectangles that meet still meet, whatever the rounding of each width: START's right edge
  // and a neighbour's left edge at 89.
  for (int dpi : {120, 144, 168, 192}) {
    const Bounds left = ScaleToDpi(Bounds{6, 350, 83, 35}, dpi);
    const Bounds right = ScaleToDpi(Bounds{89, 350, 13, 35}, dpi);
    EXPECT_EQ(left.Right(), right.left) << dpi;
  }
}

TEST(LineHeightAt, KeepsTheLayoutsLineScaledToTheDpiUnlessTheFontDrawsTaller) {
  EXPECT_EQ(LineHeightAt(96, 12), 13);  // a substitute face drawing shorter
  EXPECT_EQ(LineHeightAt(96, 13), 13);
  EXPECT_EQ(LineHeightAt(96, 16), 16);   // a taller one is not cut off
  EXPECT_EQ(LineHeightAt(120, 15), 16);  // 16.25
  EXPECT_EQ(LineHeightAt(144, 19), 20);  // 19.5: halves go up
  EXPECT_EQ(LineHeightAt(192, 27), 27);
}

TEST(LayOutMainForm, AtTheDesignSizeAndNinetySixDpiEveryControlStandsInItsPlace) {
  EXPECT_EQ(PanelControls(),
            (std::vector<ControlName>{ControlName::Label8, ControlName::Label1, ControlName::Label5,
                                      ControlName::Label6, ControlName::Button1,
                                      ControlName::hardwaretype, ControlName::communicationtype,
                                      ControlName::Button2, ControlName::AttemptCount}));
  EXPECT_EQ(kDesignClientHeight, 398);
  const MainFormPlaces places = LayOutMainForm(598, 398, 96, 13);
  const std::pair<ControlName, Bounds> expected[] = {
      {ControlName::ListBox1, {201, 0, 397, 398}},
      {ControlName::Panel1, {0, 0, 201, 398}},
      {ControlName::Label8, {88, 18, 21, 13}},
      {ControlName::Label1, {68, 36, 72, 13}},
      {ControlName::Label5, {78, 60, 48, 13}},
      {ControlName::Label6, {92, 76, 21, 13}},
      {ControlName::Button1, {6, 350, 83, 35}},
      {ControlName::hardwaretype, {8, 96, 185, 169}},
      {ControlName::communicationtype, {8, 272, 185, 73}},
      {ControlName::Button2, {102, 350, 83, 35}},
      {ControlName::AttemptCount, {6, 2, 189, 13}},
  };
  ASSERT_EQ(std::size(expected), kControlCount);
  for (const auto& [name, bounds] : expected) {
    EXPECT_EQ(BoundsOf(places, name), bounds) << LayoutOf(name).text;
  }
  // The items of the hardware group: 8 lines of 18 pixels below the caption line.
  const auto& items = PlaceOf(places, ControlName::hardwaretype).items;
  ASSERT_EQ(items.size(), 8u);
  EXPECT_EQ(items.front(), (Bounds{16, 113, 169, 18}));
  EXPECT_EQ(items.back(), (Bounds{16, 239, 169, 18}));
}

TEST(LayOutMainForm, ThePanelKeepsItsWidthAndTheListTakesAllTheRest) {
  const MainFormPlaces wide = LayOutMainForm(1000, 700, 96, 13);
  EXPECT_EQ(BoundsOf(wide, ControlName::Panel1), (Bounds{0, 0, 201, 700}));
  EXPECT_EQ(BoundsOf(wide, ControlName::ListBox1), (Bounds{201, 0, 799, 700}));
  EXPECT_EQ(BoundsOf(wide, ControlName::Button1), (Bounds{6, 350, 83, 35}))
      << "the panel's controls do not move";

  // Narrower than the panel: the list shrinks to nothing rather than to a negative width.
  const MainFormPlaces narrow = LayOutMainForm(150, 40, 144, 20);
  EXPECT_EQ(BoundsOf(narrow, ControlName::Panel1), (Bounds{0, 0, 302, 40}));
  EXPECT_EQ(BoundsOf(narrow, ControlName::ListBox1), (Bounds{302, 0, 0, 40}));

  // A minimised window reports a client area of nothing.
  const MainFormPlaces none = LayOutMainForm(0, 0, 120, 16);
  EXPECT_EQ(BoundsOf(none, ControlName::ListBox1).width, 0);
  EXPECT_EQ(BoundsOf(none, ControlName::Panel1).height, 0);
}

// The layout on a screen of GetParam() pixels per inch, in the window's client area at that
// screen's scale of the design size, with the font's line height at that scale.
class LayOutAtDpi : public ::testing::TestWithParam<int> {
 protected:
  int dpi() const { return GetParam(); }
  int text_height() const { return ScaleToDpi(kDesignTextHeight, dpi()); }
  int client_width() const { return ScaleToDpi(kDesignClientWidth, dpi()); }
  int client_height() const { return ScaleToDpi(kDesignClientHeight, dpi()); }
  MainFormPlaces places() const {
    return LayOutMainForm(client_width(), client_height(), dpi(), text_height());
  }
};

TEST_P(LayOutAtDpi, EveryControlKeepsItsPlaceInProportionToTheTable) {
  const MainFormPlaces at_dpi = places();
  const double scale = dpi() / 96.0;
  for (ControlName name : PanelControls()) {
    const Bounds& table = LayoutOf(name).bounds;
    const Bounds& scaled = BoundsOf(at_dpi, name);
    SCOPED_TRACE(LayoutOf(name).text);
    EXPECT_LE(std::abs(scaled.left - table.left * scale), 0.5);
    EXPECT_LE(std::abs(scaled.top - table.top * scale), 0.5);
    EXPECT_LE(std::abs(scaled.Right() - table.Right() * scale), 0.5);
    EXPECT_LE(std::abs(scaled.Bottom() - table.Bottom() * scale), 0.5);
  }
  const Bounds& panel = BoundsOf(at_dpi, ControlName::Panel1);
  const Bounds& list = BoundsOf(at_dpi, ControlName::ListBox1);
  EXPECT_LE(std::abs(panel.width - 201 * scale), 0.5);
  EXPECT_EQ(panel.height, client_height());
  EXPECT_EQ(list, (Bounds{panel.width, 0, client_width() - panel.width, client_height()}));
}

TEST_P(LayOutAtDpi, ThePanelsControlsFitInsideItsEdgeWithoutOverlapping) {
  const MainFormPlaces at_dpi = places();
  const Bounds& panel = BoundsOf(at_dpi, ControlName::Panel1);
  for (ControlName name : PanelControls()) {
    const Bounds& control = BoundsOf(at_dpi, name);
    SCOPED_TRACE(LayoutOf(name).text);
    EXPECT_GE(control.left, 1);  // inside the panel's one-pixel edge
    EXPECT_GE(control.top, 1);
    EXPECT_LE(control.Right(), panel.width - 1);
    EXPECT_LE(control.Bottom(), panel.height - 1);
    for (ControlName other : PanelControls()) {
      if (other != name) {
        EXPECT_FALSE(Overlap(control, BoundsOf(at_dpi, other))) << LayoutOf(other).text;
      }
    }
  }
}

// Every item lies inside its frame below the caption line, the items follow each other top to
// bottom without overlapping, all of equal height with room for a line of text, in one column.
TEST_P(LayOutAtDpi, RadioItemsStandInOneColumnInsideTheirFramesBelowTheCaption) {
  const MainFormPlaces at_dpi = places();
  for (ControlName group : {ControlName::hardwaretype, ControlName::communicationtype}) {
    const ControlPlace& place = PlaceOf(at_dpi, group);
    const Bounds& frame = place.bounds;
    ASSERT_EQ(place.items.size(), static_cast<std::size_t>(LayoutOf(group).items.count));
    for (std::size_t i = 0; i < place.items.size(); ++i) {
      const Bounds& item = place.items[i];
      SCOPED_TRACE(LayoutOf(group).items.texts[i]);
      EXPECT_GT(item.left, frame.left);
      EXPECT_LT(item.Right(), frame.Right());
      EXPECT_GT(item.top, frame.top + text_height());  // below the caption
      EXPECT_LT(item.Bottom(), frame.Bottom());
      EXPECT_GE(item.height, text_height());  // room for one line of text
      if (i > 0) {
        const Bounds& above = place.items[i - 1];
        EXPECT_EQ(item.top, above.Bottom());
        EXPECT_EQ(item.left, above.left);
        EXPECT_EQ(item.height, above.height);
      }
    }
  }
}

TEST_P(LayOutAtDpi, ResizingMovesOnlyThePanelsHeightAndTheList) {
  const MainFormPlaces design = places();
  const MainFormPlaces larger =
      LayOutMainForm(client_width() + 300, client_height() + 200, dpi(), text_height());
  for (ControlName name : PanelControls()) {
    EXPECT_EQ(BoundsOf(larger, name), BoundsOf(design, name)) << LayoutOf(name).text;
  }
  EXPECT_EQ(BoundsOf(larger, ControlName::Panel1).width,
            BoundsOf(design, ControlName::Panel1).width);
  EXPECT_EQ(BoundsOf(larger, ControlName::Panel1).height, client_height() + 200);
  EXPECT_EQ(BoundsOf(larger, ControlName::ListBox1).width,
            BoundsOf(design, ControlName::ListBox1).width + 300);
}

INSTANTIATE_TEST_SUITE_P(Screens, LayOutAtDpi, ::testing::Values(96, 120, 144, 192),
                         [](const ::testing::TestParamInfo<int>& screen) {
                           return std::to_string(screen.param) + "Dpi";
                         });

}  // namespace
