// End-to-end tests of the START procedure on the simulator: the report read back line by line,
// one interface kind through to a halted processor, and a failed connection, with the library
// calls in the order the library expects them; the log copied with Ctrl+C after a halt.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "testz_test.h"
#include "ui_driver.h"

namespace {

// Ports of several kinds: two Veyra cables, a serial port, three Pendrel units on Ethernet, a
// Quillon on USB and an Ostrel cable; none of the other kinds. The version numbers carry bits
// above the 16 the program reads.
constexpr char kSeveralKinds[] =
    "version = Recovery test library 3.10\n"
    "count.3 = 2\n"
    "descriptor.3.1 = Veyra K serial 1001\n"
    "descriptor.3.2 = Veyra ZV serial 2002\n"
    "count.4 = 1\n"
    "descriptor.4 = COM3\n"
    "count.6 = 3\n"
    "descriptor.6 = Pendrel Vell on the bench\n"
    "descriptor.6.2 = Pendrel Vell in the rack\n"
    "count.7 = 1\n"
    "descriptor.7 = Quillon USB 77\n"
    "count.9 = 1\n"
    "dll_version = 0x10136\n"
    "cable_version = 0x12345\n"
    "halt = attempts 4\n"
    "not_halted_status = 0x7F\n";

// Ports per type 3 to 9 in that scenario.
constexpr std::array<unsigned, 7> kCounts = {2, 1, 0, 3, 1, 0, 1};

const Lines kReport = {
    "Recovery test library 3.10",
    " ",
    " ",
    "Number of USB Veyras = 0002",
    "       Veyra K serial 1001",
    "       Veyra ZV serial 2002",
    " ",
    "Number of PC Serial Ports = 0001",
    "       COM3",
    " ",
    "Number of USB Pendrel Vell/Ormo = 0000",
    "       None.",
    " ",
    "Number of Ethernet Pendrel Vell/Ormos = 0003",
    "       Pendrel Vell on the bench",
    "       Pendrel Vell in the rack",
    "       Pendrel Vell on the bench",
    " ",
    "Number of Quillon USB Devices = 0001",
    "       Quillon USB 77",
    " ",
    "Number of Quillon Ethernet Devices = 0000",
    "       None.",
    " ",
    "Number of Ostrel USB Devices = 0001",
    "       Simulated Ostrel USB cable 1",
};

std::string Hex8(unsigned value) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08X", value);
  return digits;
}

std::string CountCall(unsigned type, unsigned count) {
  return "get_enumerated_number_of_ports(" + Hex8(type) + ") = " + Hex8(count);
}

// The report's calls: the version, the re-enumeration, then each type's count and descriptors.
Lines ReportCalls() {
  Lines calls = {"version()", "reenumerate_all_port_types() = 00000000"};
  for (unsigned type = 3; type <= 9; ++type) {
    const unsigned count = kCounts[type - 3];
    calls.push_back(CountCall(type, count));
    for (unsigned port = 1; port <= count; ++port) {
      calls.push_back("get_port_descriptor(" + Hex8(type) + ", " + Hex8(port) + ")");
    }
  }
  return calls;
}

Lines Concatenated(Lines first, const Lines& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

class ReportAndHalt : public TestzTest {
 protected:
  // Presses START and waits for the procedure's end; the log then.
  Lines RunProcedure() {
    const Lines before = Log();
    EXPECT_TRUE(ui::Click(Find("Button", "START")));
    EXPECT_TRUE(WaitForProcedureEnd(before));
    return Log();
  }

  // The trace without its first line, the library's attach.
  Lines Calls() {
    const Lines trace = Trace();
    return trace.empty() ? trace : Masked(Lines(trace.begin() + 1, trace.end()));
  }
};

TEST_F(ReportAndHalt, TheReportListsEveryKindOfPortLineByLine) {
  Launch(Library::kSimulator, kSeveralKinds);
  EXPECT_EQ(RunProcedure(), Concatenated(kReport, {""}));  // "Show Hardware" is chosen
  EXPECT_EQ(Calls(), ReportCalls());
  EXPECT_EQ(ui::Text(Find("Static", "?.??")), "?.??");
}

TEST_F(ReportAndHalt, OneKindGoesThroughToAHaltedProcessorInTheLibrarysOrder) {
  Launch(Library::kSimulator, kSeveralKinds);
  Choose(ItemOfPortType(7));
  const Lines log = RunProcedure();
  EXPECT_EQ(log, Concatenated(kReport, {" ", "Communication via SWD", " ", "Cable Version is 9029",
                                        "Continuously attempting to halt processor.",
                                        "Please try power cycling your board until this "
                                        "operation is successful",
                                        "Success. Processor halted.", ""}));
  EXPECT_NE(ui::FindControl(window_, "Static", "3.10"), nullptr) << "the library version";

  ui::Close(window_);
  ASSERT_EQ(program_.WaitForExit(), 0u);
  const std::string mode =
      "corvane_special_features(44000001, 00000001, 00000000, 00000000, "
      "00000000, 00000000, 00000000) = 00000001";
  const std::string attempts =
      "corvane_special_features(44000100, 00000001, 00000000, "
      "00000000, 00000000, &HaltStatus, 00000000) = 00000000 x "
      "0000000004";
  EXPECT_EQ(Calls(),
            Concatenated(ReportCalls(),
                         {CountCall(7, 1), "open_port(00000007, 00000001) = 00000001", mode,
                          "reset_hardware_interface() = 00000000",
                          "check_critical_error() = 00000000", "get_dll_version() = 00010136",
                          "get_dll_version() = 00010136", "get_dll_version() = 00010136",
                          "get_cable_version() = 00012345", attempts, "detach unload"}));
}

// The number an attempt count's text begins with ("12,345 attempts ..."); 0 when there is none,
// or when it is not written as the system writes that number in the user's locale (its digit
// groups and their separator; the count has no decimals).
unsigned long long LeadingNumber(const std::string& text) {
  const std::string shown = text.substr(0, text.find(" attempt"));
  std::wstring digits;
  for (char c : shown) {
    if (c >= '0' && c <= '9') digits += static_cast<wchar_t>(c);
  }
  wchar_t in_locale[64];
  wchar_t decimal[8];
  if (digits.empty() ||
      GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, digits.c_str(), nullptr, in_locale, 64) == 0 ||
      GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8) == 0) {
    return 0;
  }
  const std::wstring whole(in_locale);
  if (ui::ToAnsi(whole.substr(0, whole.find(decimal))) != shown) return 0;
  return std::stoull(ui::ToAnsi(digits));
}

// While the loop runs the attempt count grows; after the halt it says how many attempts the
// library saw, and the log holds its lines and nothing of the count.
TEST_F(ReportAndHalt, TheAttemptCountGrowsWhileTheLoopRunsAndEndsWithTheLibrarysAttempts) {
  Launch(Library::kSimulator, "count.3 = 1\nhalt = milliseconds 2500\n");
  HWND count = Find("Static", "");  // nothing counted before START
  StartHaltLoop(ItemOfPortType(3));
  unsigned long long first = 0;
  ASSERT_TRUE(ui::WaitUntil([&] { return (first = LeadingNumber(ui::Text(count))) > 0; }))
      << ui::Text(count);
  EXPECT_TRUE(ui::WaitUntil([&] { return LeadingNumber(ui::Text(count)) > first; }));
  ASSERT_TRUE(ui::WaitUntil([&] { return ui::Text(count).rfind("Halted: ", 0) == 0; }));
  const unsigned long long shown = LeadingNumber(ui::Text(count).substr(8));
  const Lines log = Log();
  EXPECT_EQ(log.size(), 31u) << "the report's 23 lines, then 7 and the current line";
  EXPECT_EQ(log[log.size() - 2], "Success. Processor halted.");
  ui::Close(window_);
  ASSERT_EQ(program_.WaitForExit(), 0u);
  const std::string attempts = Trace().at(Trace().size() - 2);  // "... x 0000012345"
  EXPECT_EQ(std::stoull(attempts.substr(attempts.rfind(' ') + 1)), shown) << attempts;
}

TEST_F(ReportAndHalt, AFailedOpenWritesTheKindsMessageAndThenClosesThePort) {
  Launch(Library::kSimulator, std::string(kSeveralKinds) + "open_port = 0x100\n");
  Choose(ItemOfPortType(4));
  EXPECT_EQ(RunProcedure(), Concatenated(kReport, {"Error opening serial port.", ""}));
  EXPECT_EQ(ui::Text(Find("Static", "?.??")), "?.??");
  EXPECT_EQ(Calls(), Concatenated(ReportCalls(),
                                  {CountCall(4, 1), "open_port(00000004, 00000001) = 00000100",
                                   "close_port() = 00000000"}));
}

// The clipboard's 8-bit text; empty when it holds none.
std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  HANDLE data = GetClipboardData(CF_TEXT);
  if (const char* bytes = static_cast<const char*>(GlobalLock(data))) text = bytes;
  GlobalUnlock(data);
  CloseClipboard();
  return text;
}

// Empties the clipboard, presses Ctrl+C in the program and waits for the text it copies.
std::string CopyWithKeyboard(HWND window) {
  if (OpenClipboard(nullptr)) EmptyClipboard();
  CloseClipboard();
  if (!ui::PressKey(window, 'C', false, true)) return "(no key)";
  ui::WaitUntil([] { return !ClipboardText().empty(); });
  return ClipboardText();
}

TEST_F(ReportAndHalt, CtrlCCopiesTheWholeLogOrTheSelectedLineAfterAHaltBehindAnotherWindow) {
  Launch(Library::kSimulator, "count.3 = 2\nhalt = milliseconds 1000\n");
  // The shell's announcement, as a taskbar would send it; then a window of the test's in front,
  // so that the halt flashes the taskbar button.
  ASSERT_TRUE(ui::Send(window_, RegisterWindowMessageA("TaskbarButtonCreated")));
  HWND front = CreateWindowExA(0, "STATIC", "in front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                               100, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(front);
  StartHaltLoop(ItemOfPortType(3));
  ASSERT_TRUE(WaitForLogLine("Success. Processor halted."));
  DestroyWindow(front);

  const Lines log = Log();  // its last line is the empty current line
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
