// End-to-end test of copying the log with Ctrl+C, read back from the clipboard, after a halt that
// came while another window was in front and the taskbar button had been announced.
#include <gtest/gtest.h>

#include <string>

#include "testz_test.h"
#include "ui_driver.h"

namespace {

// The clipboard's 8-bit text; empty when it holds none.
std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const auto* bytes = static_cast<const char*>(GlobalLock(data))) text = bytes;
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

// Empties the clipboard, presses Ctrl+C in the program and waits for the text it copies.
std::string CopyWithKeyboard(HWND window) {
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
  if (!ui::PressKey(window, 'C', false, true)) return "(no key)";
  ui::WaitUntil([] { return !ClipboardText().empty(); });
  return ClipboardText();
}

using LogCopy = TestzTest;

TEST_F(LogCopy, CtrlCCopiesTheWholeReportOrTheSelectedLine) {
  Launch(Library::kSimulator, "count.3 = 2\nhalt = milliseconds 1000\n");
  // The shell's announcement, as a taskbar would send it; then a window of the test's in front,
  // so that the halt flashes the taskbar button.
  ASSERT_TRUE(ui::Send(window_, RegisterWindowMessageA("TaskbarButtonCreated")));
  HWND front = CreateWindowExA(0, "STATIC", "in front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                               100, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(front);
  StartHaltLoop("USB Veyra (K/ZV/PLEX)");
  ASSERT_TRUE(WaitForLogLine("Success. Processor halted."));
  DestroyWindow(front);

  const Lines log = Log();
  ASSERT_EQ(log.back(), "") << "the current line";
  std::string expected;
  for (size_t i = 0; i + 1 < log.size(); ++i) expected += (i > 0 ? "\r\n" : "") + log[i];
  // Tab to the list, as a user would.
  for (int key = 0; key < 12 && ui::FocusedControl(window_) != List(); ++key) {
    ASSERT_TRUE(ui::PressKey(window_, VK_TAB));
    ui::WaitUntil([&] { return ui::FocusedControl(window_) == List(); }, ui::Milliseconds(200));
  }
  EXPECT_EQ(CopyWithKeyboard(window_), expected);

  ASSERT_TRUE(ui::Send(List(), LB_SETCURSEL, 4));
  EXPECT_EQ(CopyWithKeyboard(window_), log[4]);
  EXPECT_EQ(ui::Send(List(), LB_GETCURSEL), 4) << "the list keeps its selection";
}

}  // namespace
