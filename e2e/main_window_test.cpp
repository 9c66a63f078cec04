// End-to-end tests of the main window, read from outside as a user would see it.
#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "testz_test.h"
#include "ui_driver.h"

namespace {

constexpr char kLoaded[] = "unit_kelm.DLL library loaded.";
constexpr char kFailed[] =
    "Loading Library unit_kelm.DLL failed. Make sure library is in the Windows System directory "
    "(or SysWow64 on 64-bit systems) and restart application.";

constexpr const char* kHardwareItems[] = {
    "Show Hardware",        "USB Veyra (K/ZV/PLEX)",
    "PendrelORMO-Serial",   "PendrelORMO-USB",
    "PendrelORMO-Ethernet", "QuillonUSB",
    "QuillonEthernet",      "OstrelUSB",
};

ui::Box Rect(int left, int top, int width, int height) {
  return ui::Box{left, top, width, height};
}

class MainWindow : public TestzTest {
 protected:
  void ExpectStartUpLog(const char* message) { EXPECT_EQ(Log(), (Lines{"", message, "", ""})); }
};

TEST_F(MainWindow, WithTheLibraryItOpensWithTheLoadedLineAndEveryControlInItsFirstState) {
  Launch(Library::kSimulator);
  ExpectStartUpLog(kLoaded);
  EXPECT_TRUE(ui::IsEnabled(Find("Button", "START")));
  EXPECT_FALSE(ui::IsEnabled(Find("Button", "STOP")));

  EXPECT_TRUE(ui::IsEnabled(Find("Button", "Test Hardware")));
  for (const char* item : kHardwareItems) {
    HWND radio = Find("Button", item);
    EXPECT_TRUE(ui::IsEnabled(radio)) << item;
    EXPECT_EQ(ui::IsChecked(radio), std::string(item) == "Show Hardware") << item;
  }
  EXPECT_FALSE(ui::IsEnabled(Find("Button", "Communication")));
  EXPECT_TRUE(ui::IsChecked(Find("Button", "SWD")));
  EXPECT_FALSE(ui::IsChecked(Find("Button", "JTAG")));
  EXPECT_FALSE(ui::IsEnabled(Find("Button", "SWD")));
  EXPECT_FALSE(ui::IsEnabled(Find("Button", "JTAG")));

  for (const char* label : {"Test", "unit_kelm.DLL", "VERSION", "?.??"}) {
    EXPECT_TRUE(ui::IsVisible(Find("Static", label))) << label;
  }
}

TEST_F(MainWindow, TheControlsStandInTheirCreationOrder) {
  Launch(Library::kSimulator);
  const std::vector<HWND> top = ui::Children(window_);
  ASSERT_EQ(top.size(), 2u);
  EXPECT_EQ(ui::ClassName(top[0]), "ListBox");
  EXPECT_EQ(top[1], Panel());

  Lines panel;
  for (HWND child : ui::Children(Panel())) panel.push_back(ui::Text(child));
  Lines expected{"Test", "unit_kelm.DLL", "VERSION", "?.??", "START", "Test Hardware"};
  expected.insert(expected.end(), std::begin(kHardwareItems), std::end(kHardwareItems));
  // Last, the attempt count, empty before the first START.
  expected.insert(expected.end(), {"Communication", "SWD", "JTAG", "STOP", ""});
  EXPECT_EQ(panel, expected);
}

TEST_F(MainWindow, WithoutTheLibraryTheFailureLineStandsInTheLogAndStartStaysDisabled) {
  Launch(Library::kNone);
  ExpectStartUpLog(kFailed);
  EXPECT_EQ(ui::ListLines(List())[1].size(), 147u);
  HWND start = Find("Button", "START");
  EXPECT_FALSE(ui::IsEnabled(start));
  EXPECT_FALSE(ui::IsEnabled(Find("Button", "STOP")));
  EXPECT_FALSE(ui::Click(start));
}

TEST_F(MainWindow, ALibraryLackingOneExportFailsLikeAMissingOneAndStaysLoadedUntilTheClose) {
  Launch(Library::kSimulatorWithoutGetBlock);
  ExpectStartUpLog(kFailed);
  EXPECT_FALSE(ui::IsEnabled(Find("Button", "START")));
  EXPECT_FALSE(ui::IsEnabled(Find("Button", "STOP")));
  EXPECT_EQ(Trace(), (Lines{"attach scenario built-in demo"})) << "loaded, and never called";
  ui::Close(window_);
  EXPECT_EQ(program_.WaitForExit(), 0u);
  EXPECT_EQ(Trace(), (Lines{"attach scenario built-in demo", "detach unload"}));
}

TEST_F(MainWindow, ClosingTheWindowUnloadsTheLibraryAndEndsTheProgramWithExitCodeZero) {
  Launch(Library::kSimulator);
  ASSERT_EQ(Trace(), (Lines{"attach scenario built-in demo"}));
  ui::Close(window_);
  EXPECT_EQ(program_.WaitForExit(), 0u);
  EXPECT_EQ(Trace(), (Lines{"attach scenario built-in demo", "detach unload"}));
}

TEST_F(MainWindow, OpensCentredAtItsOuterSizeWithThePanelDockedLeftAndTheListFillingTheRest) {
  Launch(Library::kSimulator);
  const ui::Box outer = ui::ScreenBounds(window_);
  EXPECT_EQ(outer.width, 614);
  EXPECT_EQ(outer.height, 436);
  const int screen_width = GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(outer.left, (screen_width - 614) / 2);
  EXPECT_EQ(outer.top, (screen_height - 436) / 2);

  const SIZE client = ui::ClientSize(window_);
  EXPECT_EQ(ui::BoundsIn(Panel(), window_), Rect(0, 0, 201, client.cy));
  EXPECT_EQ(ui::BoundsIn(List(), window_), Rect(201, 0, client.cx - 201, client.cy));
  EXPECT_EQ(ui::ListItemHeight(List()), 13);

  HWND panel = Panel();
  EXPECT_EQ(ui::BoundsIn(Find("Button", "START"), panel), Rect(6, 350, 83, 35));
  EXPECT_EQ(ui::BoundsIn(Find("Button", "STOP"), panel), Rect(102, 350, 83, 35));
  EXPECT_EQ(ui::BoundsIn(Find("Button", "Test Hardware"), panel), Rect(8, 96, 185, 169));
  EXPECT_EQ(ui::BoundsIn(Find("Button", "Communication"), panel), Rect(8, 272, 185, 73));
  const ui::Box label6 = ui::BoundsIn(Find("Static", "?.??"), panel);
  EXPECT_EQ(label6.left, 92);
  EXPECT_EQ(label6.top, 76);
  EXPECT_EQ(label6.height, 13);
}

TEST_F(MainWindow, AfterAResizeThePanelKeepsItsWidthAndTheListTakesTheRest) {
  Launch(Library::kSimulator);
  HWND panel = Panel();
  HWND list = List();
  HWND start = Find("Button", "START");
  ui::Resize(window_, 900, 600);
  ASSERT_TRUE(ui::WaitUntil([&] { return ui::ClientSize(window_).cx > 800; }));
  const SIZE client = ui::ClientSize(window_);
  ASSERT_TRUE(ui::WaitUntil([&] {
    const ui::Box box = ui::BoundsIn(list, window_);
    return box.left + box.width == client.cx;
  }));
  EXPECT_EQ(ui::BoundsIn(panel, window_), Rect(0, 0, 201, client.cy));
  EXPECT_EQ(ui::BoundsIn(list, window_), Rect(201, 0, client.cx - 201, client.cy));
  EXPECT_EQ(ui::BoundsIn(start, panel), Rect(6, 350, 83, 35));
}

TEST_F(MainWindow, TabShiftTabAndTheArrowKeysMoveTheFocusAsAKeyboardUserExpects) {
  Launch(Library::kSimulator);
  HWND list = List();
  HWND start = Find("Button", "START");
  HWND show_hardware = Find("Button", kHardwareItems[0]);
  HWND veyra = Find("Button", kHardwareItems[1]);
  HWND serial = Find("Button", kHardwareItems[2]);
  const auto focus_on = [&](HWND control) {
    return ui::WaitUntil([&] { return ui::FocusedControl(window_) == control; },
                         ui::Milliseconds(3000));
  };
  const auto press = [&](WORD key, bool shift = false) {
    ASSERT_TRUE(ui::PressKey(window_, key, shift));
  };

  EXPECT_TRUE(focus_on(list)) << "the first control in the tab order has the focus at first";
  press(VK_TAB);
  EXPECT_TRUE(focus_on(start));
  press(VK_TAB);
  EXPECT_TRUE(focus_on(show_hardware));
  press(VK_TAB);  // the disabled communication group and STOP are passed over
  EXPECT_TRUE(focus_on(list));
  press(VK_TAB, true);
  EXPECT_TRUE(focus_on(show_hardware));

  press(VK_DOWN);
  EXPECT_TRUE(focus_on(veyra));
  EXPECT_TRUE(ui::WaitUntil([&] { return ui::IsChecked(veyra); }));
  EXPECT_FALSE(ui::IsChecked(show_hardware));
  press(VK_DOWN);
  EXPECT_TRUE(ui::WaitUntil([&] { return ui::IsChecked(serial); }));
  press(VK_UP);
  EXPECT_TRUE(ui::WaitUntil([&] { return ui::IsChecked(veyra); }));
  EXPECT_FALSE(ui::IsChecked(serial));

  press(VK_TAB, true);
  EXPECT_TRUE(focus_on(start));
  press(VK_TAB);  // back into the group: onto its selected item
  EXPECT_TRUE(focus_on(veyra));
  EXPECT_TRUE(ui::IsChecked(veyra));
}

TEST_F(MainWindow, TheScreenShowsLabel6InPureBlueOnTheButtonFace) {
  Launch(Library::kSimulator);
  const ui::Box frame = ui::ScreenBounds(window_);
  const ui::Box label = ui::ScreenBounds(Find("Static", "?.??"));
  const ui::Box panel = ui::ScreenBounds(Panel());
  const COLORREF blue = RGB(0, 0, 255);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  std::optional<ui::Screenshot> shot;
  int blue_pixels = 0;
  // The window paints itself once it is visible; wait until the label's text is on the screen.
  ui::WaitUntil([&] {
    shot = ui::Capture(window_);
    blue_pixels = 0;
    for (int y = label.top; shot && y < label.top + label.height; ++y) {
      for (int x = label.left; x < label.left + label.width; ++x) {
        blue_pixels += shot->At(x - frame.left, y - frame.top) == blue ? 1 : 0;
      }
    }
    return blue_pixels > 0;
  });
  ASSERT_TRUE(shot.has_value());
  const std::wstring folder = ui::ProgramFolder() + L"\\screenshots";
  std::string error;
  ASSERT_TRUE(ui::PrepareFolder(folder, {}, &error)) << error;
  EXPECT_TRUE(shot->SaveBmp(folder + L"\\main_window.bmp"));

  EXPECT_GT(blue_pixels, 0) << "Label6's text is not drawn in pure blue";
  // Inside the panel's one-pixel edge, away from every control: the button face.
  EXPECT_EQ(shot->At(panel.left - frame.left + 3, panel.top - frame.top + 3), face);
  EXPECT_EQ(shot->At(panel.left - frame.left + 3, panel.top - frame.top + panel.height - 4), face);

  // The panel clips its children, not the radio frames: inside a frame, left of its items, its
  // face shows. A resize has the panel drawn anew: the frames are drawn again over it, as before.
  const ui::Box group = ui::ScreenBounds(Find("Button", "Test Hardware"));
  const ui::Box item = ui::ScreenBounds(Find("Button", "Show Hardware"));
  EXPECT_EQ(
      shot->At((group.left + item.left) / 2 - frame.left, group.top + group.height / 2 - frame.top),
      face);
  const ui::Box groups[] = {group, ui::ScreenBounds(Find("Button", "Communication"))};
  const auto frames_as_before = [&](const ui::Screenshot& taken) {
    for (const ui::Box& box : groups) {
      for (int y = box.top - frame.top; y < box.top - frame.top + box.height; ++y) {
        for (int x = box.left - frame.left; x < box.left - frame.left + box.width; ++x) {
          if (taken.At(x, y) != shot->At(x, y)) return false;
        }
      }
    }
    return true;
  };
  ui::Resize(window_, 900, 600);
  ASSERT_TRUE(ui::WaitUntil([&] { return ui::ClientSize(window_).cx > 800; }));
  std::optional<ui::Screenshot> resized;
  ui::WaitUntil([&] {
    resized = ui::Capture(window_);
    return resized && frames_as_before(*resized);
  });
  ASSERT_TRUE(resized.has_value());
  EXPECT_TRUE(resized->SaveBmp(folder + L"\\main_window_resized.bmp"));
  EXPECT_TRUE(frames_as_before(*resized)) << "the radio groups are drawn as before the resize";
}

}  // namespace
