// Tests of the window font at several screen DPIs, and of the main window moving to a screen of
// another DPI, in the test's own process under Wine.
#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "attempt_count.h"
#include "demoz.h"
#include "halt_count_text.h"
#include "main_form_layout.h"
#include "text_encoding.h"
#include "window_font.h"

std::ostream& operator<<(std::ostream& out, const Bounds& b) {
  return out << "{" << b.left << ", " << b.top << ", " << b.width << ", " << b.height << "}";
}

namespace {

struct Realised {
  std::string face;
  int character_height = 0;
  int line_height = 0;
};

Realised Realise(HFONT font) {
  HDC screen = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(screen, font);
  char face[LF_FACESIZE] = {};
  GetTextFaceA(screen, LF_FACESIZE, face);
  TEXTMETRICA metrics{};
  GetTextMetricsA(screen, &metrics);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  return {face, metrics.tmHeight - metrics.tmInternalLeading, metrics.tmHeight};
}

TEST(WindowFont, AtEveryScreenDpiItIsEightPointsInTheLayoutsFaceOrASubstitute) {
  for (int dpi : {96, 120, 144, 192}) {
    SCOPED_TRACE(dpi);
    const WindowFont font = CreateWindowFont(kFontFaces, std::size(kFontFaces), kFontPoints, dpi);
    ASSERT_NE(font.font.Get(), nullptr);
    const Realised drawn = Realise(font.font.Get());
    EXPECT_NEAR(drawn.character_height, kFontPoints * dpi / 72.0, 1.0);
    EXPECT_TRUE(drawn.face == "MS Sans Serif" || drawn.face == "Microsoft Sans Serif" ||
                drawn.face == "Tahoma")
        << drawn.face;
    EXPECT_EQ(font.line_height, drawn.line_height);
  }
  // The project's Wine prefix has the layout's face: at 96 pixels per inch it is the one used,
  // and its line is the 13 pixels the layout assumes.
  const WindowFont font = CreateWindowFont(kFontFaces, std::size(kFontFaces), kFontPoints, 96);
  EXPECT_EQ(Realise(font.font.Get()).face, "MS Sans Serif");
  EXPECT_EQ(font.line_height, kDesignTextHeight);
}

Bounds BoundsIn(HWND control, HWND parent) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

HFONT FontOf(HWND control) {
  return reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
}

BOOL CALLBACK CollectChild(HWND child, LPARAM children) {
  reinterpret_cast<std::vector<HWND>*>(children)->push_back(child);
  return TRUE;
}

class DpiChange : public ::testing::Test {
 protected:
  // Tells the window that it now stands on a screen of `dpi`, at `outer` on the screen.
  void MoveToScreen(int dpi, const RECT& outer) {
    SendMessageA(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&outer));
  }
  std::vector<HWND> Controls() const {
    std::vector<HWND> children;
    EnumChildWindows(form.Handle(), &CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
  }
  int ListLineHeight() const {
    return static_cast<int>(SendMessageA(form.ListBox1().Handle(), LB_GETITEMHEIGHT, 0, 0));
  }

  TMainform form{GetModuleHandleA(nullptr)};
};

TEST_F(DpiChange, MovingToAScreenOfHigherDpiScalesTheLayoutAndTheFontOfEveryControl) {
  const HFONT before = FontOf(form.Button1());
  ASSERT_EQ(ListLineHeight(), kDesignTextHeight);

  MoveToScreen(144, RECT{100, 80, 100 + 921, 80 + 654});
  RECT outer;
  GetWindowRect(form.Handle(), &outer);
  EXPECT_EQ(outer.left, 100);
  EXPECT_EQ(outer.top, 80);
  EXPECT_EQ(outer.right - outer.left, 921) << "the window takes the size the system suggests";

  RECT client;
  GetClientRect(form.Handle(), &client);
  EXPECT_EQ(BoundsIn(form.Panel1(), form.Handle()), (Bounds{0, 0, 302, client.bottom}));
  EXPECT_EQ(BoundsIn(form.ListBox1().Handle(), form.Handle()),
            (Bounds{302, 0, client.right - 302, client.bottom}));
  EXPECT_EQ(BoundsIn(form.Button1(), form.Panel1()), (Bounds{9, 525, 125, 53}));
  EXPECT_EQ(BoundsIn(form.Button2(), form.Panel1()), (Bounds{153, 525, 125, 53}));
  EXPECT_EQ(BoundsIn(form.hardwaretype().window, form.Panel1()), (Bounds{12, 144, 278, 254}));
  const Bounds first_item = BoundsIn(form.hardwaretype().items.front(), form.Panel1());
  const Bounds last_item = BoundsIn(form.hardwaretype().items.back(), form.Panel1());
  EXPECT_GT(first_item.top, 144 + ListLineHeight()) << "below the frame's caption";
  EXPECT_LT(last_item.Bottom(), 144 + 254);

  // One new font on every control, its lines higher; the old font is deleted.
  const HFONT after = FontOf(form.Button1());
  EXPECT_NE(after, before);
  for (HWND control : Controls()) {
    if (control != form.Panel1()) {  // the panel draws no text
      EXPECT_EQ(FontOf(control), after);
    }
  }
  EXPECT_EQ(GetObjectType(before), 0u) << "the old font was not deleted";
  EXPECT_EQ(ListLineHeight(), Realise(after).line_height);
  EXPECT_GE(ListLineHeight(), 19);
  const Bounds label6 = BoundsIn(form.Label6(), form.Panel1());
  EXPECT_EQ(label6.left, 138);
  EXPECT_EQ(label6.height, ListLineHeight()) << "the label fits its text in the new font";
}

TEST_F(DpiChange, AChangeThatKeepsTheWindowsSizeStillScalesTheLayout) {
  // No WM_SIZE comes for a client area that keeps its size: the window lays itself out anew.
  RECT outer;
  GetWindowRect(form.Handle(), &outer);
  MoveToScreen(144, outer);
  const Bounds button = BoundsIn(form.Button1(), form.Panel1());
  EXPECT_EQ(button.width, 125);
  EXPECT_EQ(button.height, 53);
  EXPECT_EQ(BoundsIn(form.Panel1(), form.Handle()).width, 302);
}

TEST_F(DpiChange, MovingBackToNinetySixDpiGivesBackTheTablesLayout) {
  MoveToScreen(192, RECT{0, 0, 1228, 872});
  MoveToScreen(96, RECT{50, 50, 50 + 614, 50 + 436});
  EXPECT_EQ(BoundsIn(form.Button1(), form.Panel1()), (Bounds{6, 350, 83, 35}));
  EXPECT_EQ(BoundsIn(form.communicationtype().window, form.Panel1()), (Bounds{8, 272, 185, 73}));
  EXPECT_EQ(BoundsIn(form.Panel1(), form.Handle()).width, 201);
  EXPECT_EQ(ListLineHeight(), kDesignTextHeight);
  EXPECT_EQ(BoundsIn(form.Label6(), form.Panel1()), (Bounds{92, 76, 21, 13}));
}

// The attempt count at the counts of a long session, in the user's locale, is shown whole and
// fits its line, below the panel's edge and above its first label, at 96 and at 144 pixels per
// inch.
TEST_F(DpiChange, TheAttemptCountFitsItsLineAtEitherDpi) {
  const HaltCount count{1234567, std::chrono::seconds(761), 18237};
  const std::wstring expected = WideFrom(CP_UTF8, RunningCountText(count, UserNumberFormat()));
  for (int dpi : {96, 144}) {
    if (dpi != 96) MoveToScreen(dpi, RECT{0, 0, ScaleToDpi(614, dpi), ScaleToDpi(436, dpi)});
    form.ShowHaltCount(count);
    HWND line = form.AttemptCount();
    wchar_t text[80];
    const int length = GetWindowTextW(line, text, 80);
    ASSERT_EQ(std::wstring(text, static_cast<std::size_t>(length)), expected) << dpi;
    HDC dc = GetDC(line);
    HGDIOBJ previous = SelectObject(dc, FontOf(line));
    SIZE size{};
    GetTextExtentPoint32W(dc, text, length, &size);
    SelectObject(dc, previous);
    ReleaseDC(line, dc);
    const Bounds place = BoundsIn(line, form.Panel1());
    EXPECT_LE(size.cx, place.width) << dpi;
    EXPECT_LE(size.cy, place.height) << dpi;
    HWND first_label = FindWindowExA(form.Panel1(), nullptr, "Static", "Test");
    EXPECT_LE(place.Bottom(), BoundsIn(first_label, form.Panel1()).top) << dpi;
  }
}

}  // namespace
