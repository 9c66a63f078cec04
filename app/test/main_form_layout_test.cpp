// Tests of the main window's layout rules: the docked panel and list, and the radio items.
#include "main_form_layout.h"

#include <gtest/gtest.h>

#include <ostream>

std::ostream& operator<<(std::ostream& out, const Bounds& b) {
  return out << "{" << b.left << ", " << b.top << ", " << b.width << ", " << b.height << "}";
}

namespace {

TEST(ArrangeDocked, AtTheDesignSizeItGivesTheTablesPanelAndList) {
  const DockedBounds docked = ArrangeDocked(kDesignClientWidth, kDesignClientHeight);
  EXPECT_EQ(docked.panel, LayoutOf(ControlName::Panel1).bounds);
  EXPECT_EQ(docked.list, LayoutOf(ControlName::ListBox1).bounds);
}

TEST(ArrangeDocked, ThePanelKeepsItsWidthAndTheListTakesAllTheRest) {
  const DockedBounds wide = ArrangeDocked(1000, 700);
  EXPECT_EQ(wide.panel, (Bounds{0, 0, 201, 700}));
  EXPECT_EQ(wide.list, (Bounds{201, 0, 799, 700}));

  // Narrower than the panel: the list shrinks to nothing rather than to a negative width.
  const DockedBounds narrow = ArrangeDocked(150, 40);
  EXPECT_EQ(narrow.panel, (Bounds{0, 0, 201, 40}));
  EXPECT_EQ(narrow.list, (Bounds{201, 0, 0, 40}));

  // A minimised window reports a client area of nothing.
  const DockedBounds none = ArrangeDocked(0, 0);
  EXPECT_EQ(none.list.width, 0);
  EXPECT_EQ(none.panel.height, 0);
}

// Every item lies inside its frame below the caption line, the items follow each other top to
// bottom without overlapping, all of equal height, and they share one column.
void ExpectOneColumnInsideTheFrame(ControlName group) {
  const ControlLayout& layout = LayoutOf(group);
  const Bounds& frame = layout.bounds;
  const int count = layout.items.count;
  for (int i = 0; i < count; ++i) {
    const Bounds item = RadioItemBounds(frame, count, i, kDesignTextHeight);
    SCOPED_TRACE(layout.items.texts[i]);
    EXPECT_GT(item.left, frame.left);
    EXPECT_LT(item.Right(), frame.Right());
    EXPECT_GT(item.top, frame.top + kDesignTextHeight);  // below the caption
    EXPECT_LT(item.Bottom(), frame.Bottom());
    EXPECT_GE(item.height, kDesignTextHeight);  // room for one line of text
    if (i > 0) {
      const Bounds above = RadioItemBounds(frame, count, i - 1, kDesignTextHeight);
      EXPECT_EQ(item.top, above.Bottom());
      EXPECT_EQ(item.left, above.left);
      EXPECT_EQ(item.height, above.height);
    }
  }
}

TEST(RadioItemBounds, BothGroupsHoldOneColumnOfItemsInsideTheirFrames) {
  ExpectOneColumnInsideTheFrame(ControlName::hardwaretype);
  ExpectOneColumnInsideTheFrame(ControlName::communicationtype);
}

}  // namespace
