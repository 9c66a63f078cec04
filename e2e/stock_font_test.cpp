// End-to-end tests of the main window where the window's face is missing, as in a Wine prefix as
// wineboot makes it (none of Wine's own fonts linked in): a substitute face draws the text.
#include <gtest/gtest.h>

#include <string>

#include "testz_test.h"
#include "ui_driver.h"

namespace {

constexpr int kLayoutLineHeight = 13;  // at 96 pixels per inch

// The face the system draws when asked for `face` at the window font's size on this screen.
std::string DrawnFace(const char* face) {
  HDC screen = GetDC(nullptr);
  HFONT font = CreateFontA(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL,
                           FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, face);
  HGDIOBJ previous = SelectObject(screen, font);
  char drawn[LF_FACESIZE] = {};
  GetTextFaceA(screen, LF_FACESIZE, drawn);
  SelectObject(screen, previous);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  return drawn;
}

class StockFonts : public TestzTest {
 protected:
  void SetUp() override {
    ASSERT_NE(DrawnFace("MS Sans Serif"), "MS Sans Serif")
        << "the window's face is there: run in the prefix that scripts/wine-prefix.sh start "
           "--stock prepares";
  }
};

TEST_F(StockFonts, TheLogAndTheLabelsKeepAtLeastTheLayoutsLineHeight) {
  Launch(Library::kSimulator);
  const int line_height = ui::ListItemHeight(List());
  EXPECT_GE(line_height, kLayoutLineHeight);
  for (const char* label : {"Test", "unit_kelm.DLL", "VERSION", "?.??"}) {
    EXPECT_EQ(ui::BoundsIn(Find("Static", label), Panel()).height, line_height) << label;
  }
}

}  // namespace
