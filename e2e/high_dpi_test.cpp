// End-to-end tests of the main window on a screen of 144 pixels per inch (a 150 % display
// scale). They run in a Wine prefix of their own whose screen has that DPI.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "interface_kinds.h"
#include "testz_test.h"
#include "ui_driver.h"

namespace {

constexpr int kScreenDpi = 144;

ui::Box Rect(int left, int top, int width, int height) {
  return ui::Box{left, top, width, height};
}

class HighDpi : public TestzTest {
 protected:
  static void SetUpTestSuite() {
    // The test reads the screen's own pixels, as the program draws them; a program that is not
    // DPI aware would be shown every position scaled back to 96 pixels per inch.
    SetProcessDPIAware();
  }
  void SetUp() override {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, kScreenDpi) << "the screen is not at 144 pixels per inch: run in the prefix "
                                  "that scripts/wine-prefix.sh start --dpi 144 prepares";
  }

  // The window as the screen shows it, once Label6's blue text is drawn.
  std::optional<ui::Screenshot> CaptureDrawn() {
    const ui::Box frame = ui::ScreenBounds(window_);
    const ui::Box label = ui::ScreenBounds(Find("Static", "?.??"));
    std::optional<ui::Screenshot> shot;
    ui::WaitUntil([&] {
      shot = ui::Capture(window_);
      for (int y = label.top; shot && y < label.top + label.height; ++y) {
        for (int x = label.left; x < label.left + label.width; ++x) {
          if (shot->At(x - frame.left, y - frame.top) == RGB(0, 0, 255)) return true;
        }
      }
      return false;
    });
    return shot;
  }
};

TEST_F(HighDpi, TheWholeLayoutIsScaledByOneAndAHalfAndFitsTheClientArea) {
  Launch(Library::kSimulator);
  const ui::Box outer = ui::ScreenBounds(window_);
  EXPECT_EQ(outer.width, 921);
  EXPECT_EQ(outer.height, 654);

  const SIZE client = ui::ClientSize(window_);
  HWND panel = Panel();
  EXPECT_EQ(ui::BoundsIn(panel, window_), Rect(0, 0, 302, client.cy));
  EXPECT_EQ(ui::BoundsIn(List(), window_), Rect(302, 0, client.cx - 302, client.cy));

  EXPECT_EQ(ui::BoundsIn(Find("Button", "START"), panel), Rect(9, 525, 125, 53));
  EXPECT_EQ(ui::BoundsIn(Find("Button", "STOP"), panel), Rect(153, 525, 125, 53));
  EXPECT_EQ(ui::BoundsIn(Find("Button", "Test Hardware"), panel), Rect(12, 144, 278, 254));
  EXPECT_EQ(ui::BoundsIn(Find("Button", "Communication"), panel), Rect(12, 408, 278, 110));
  EXPECT_LE(525 + 53, client.cy) << "START and STOP stand inside the client area";
  const std::pair<const char*, POINT> labels[] = {{"Test", {132, 27}},
                                                  {"unit_kelm.DLL", {102, 54}},
                                                  {"VERSION", {117, 90}},
                                                  {"?.??", {138, 114}}};
  for (const auto& [text, corner] : labels) {
    const ui::Box label = ui::BoundsIn(Find("Static", text), panel);
    EXPECT_EQ(label.left, corner.x) << text;
    EXPECT_EQ(label.top, corner.y) << text;
  }

  const std::optional<ui::Screenshot> shot = CaptureDrawn();
  ASSERT_TRUE(shot.has_value());
  const std::wstring folder = ui::ProgramFolder() + L"\\screenshots";
  std::string error;
  ASSERT_TRUE(ui::PrepareFolder(folder + L"\\144dpi", {}, &error)) << error;
  EXPECT_TRUE(shot->SaveBmp(folder + L"\\144dpi\\main_window.bmp"));
}

// The part of `box` (relative to the window's top-left corner) that holds ink: pixels other than
// the button face. Empty (width 0) when there is none.
ui::Box InkIn(const ui::Screenshot& shot, const ui::Box& box, COLORREF face) {
  int left = box.left + box.width, top = box.top + box.height, right = box.left, bottom = box.top;
  for (int y = box.top; y < box.top + box.height; ++y) {
    for (int x = box.left; x < box.left + box.width; ++x) {
      if (shot.At(x, y) == face) continue;
      left = std::min(left, x);
      top = std::min(top, y);
      right = std::max(right, x + 1);
      bottom = std::max(bottom, y + 1);
    }
  }
  return right > left ? ui::Box{left, top, right - left, bottom - top} : ui::Box{};
}

TEST_F(HighDpi, TheTextGrowsWithTheScreenAndNoRadioItemCutsItsTextOff) {
  Launch(Library::kSimulator);
  // The window font at 144 pixels per inch: a line half as high again as the 13 pixels of 96.
  const ui::Box label6 = ui::BoundsIn(Find("Static", "?.??"), Panel());
  EXPECT_GE(label6.height, 19);
  EXPECT_LE(label6.height, 21);
  EXPECT_EQ(ui::ListItemHeight(List()), label6.height) << "the log's lines follow the font";

  const std::optional<ui::Screenshot> shot = CaptureDrawn();
  ASSERT_TRUE(shot.has_value());
  const ui::Box window = ui::ScreenBounds(window_);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  std::vector<const char*> items = {kShowHardwareItem};
  for (const InterfaceKind& kind : kInterfaceKinds) items.push_back(kind.item);
  items.insert(items.end(), {"SWD", "JTAG"});
  for (const char* item : items) {
    const ui::Box screen = ui::ScreenBounds(Find("Button", item));
    const ui::Box box{screen.left - window.left, screen.top - window.top, screen.width,
                      screen.height};
    const ui::Box ink = InkIn(*shot, box, face);
    SCOPED_TRACE(item);
    EXPECT_GT(ink.width, 20) << "the button and its text are drawn";
    // Text cut off by the control's edge would run into that edge.
    EXPECT_LT(ink.left + ink.width, box.left + box.width - 1);
    EXPECT_GT(ink.top, box.top);
    EXPECT_LT(ink.top + ink.height, box.top + box.height);
  }
}

TEST_F(HighDpi, TheTitleBarShowsTheProgramsIcon) {
  Launch(Library::kSimulator);
  const std::optional<ui::Screenshot> shot = CaptureDrawn();
  ASSERT_TRUE(shot.has_value());
  // The icon's pause sign is amber; the title bar holds the icon at its left end, above the
  // client area.
  const COLORREF amber = RGB(0xF2, 0xB6, 0x32);
  const int client_top = ui::ScreenBounds(List()).top - ui::BoundsIn(List(), window_).top -
                         ui::ScreenBounds(window_).top;
  int amber_pixels = 0;
  for (int y = 0; y < client_top; ++y) {
    for (int x = 0; x < 2 * client_top; ++x) amber_pixels += shot->At(x, y) == amber ? 1 : 0;
  }
  EXPECT_GT(amber_pixels, 20);
}

}  // namespace
