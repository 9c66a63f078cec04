// Tests of the main window in the test's own process, with its real controls and messages.
// Covered: the list box as the log's list control, the first show, STOP, keys in the pass over
// pending messages, and what arrives while the halt loop runs: a close, a quit, the end of the
// session, a second START; the effects beyond the window, recorded; the log's menu, its Ctrl+S
// and the clipboard; the attempt count's line and its numbers.
#include "demoz.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "log_clipboard.h"
#include "message_loop.h"
#include "owned_handle.h"
#include "recovery_doubles.h"
#include "stop_request.h"

namespace {

using Lines = std::vector<std::string>;

constexpr char kFailed[] =
    "Loading Library unit_kelm.DLL failed. Make sure library is in the Windows System directory "
    "(or SysWow64 on 64-bit systems) and restart application.";

// Handles every message waiting for this thread; a WM_QUIT among them is taken and dropped.
void DrainMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message != WM_QUIT) DispatchMessageA(&message);
  }
}

// Should the message loop under test never see its WM_QUIT, this one ends it with code 99 after
// a few seconds, so that the test fails instead of hanging.
void CALLBACK QuitAfterTimeout(HWND, UINT, UINT_PTR, DWORD) {
  PostQuitMessage(99);
}

class MainForm : public ::testing::Test {
 protected:
  void SetUp() override {
    DrainMessages();
    StopRequested = 0;
  }
  void TearDown() override { DrainMessages(); }

  Lines LogLines() const {
    Lines lines;
    for (int i = 0; i < form.ListBox1().Count(); ++i) lines.push_back(form.ListBox1().Read(i));
    return lines;
  }
  int RunMessageLoopAtMostSeconds(int seconds) {
    const UINT_PTR timer =
        SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000u, &QuitAfterTimeout);
    const int exit_code = RunMessageLoop(form.Handle());
    KillTimer(nullptr, timer);
    return exit_code;
  }
  static std::string Text(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
  }

  TMainform form{GetModuleHandleA(nullptr)};
};

TEST_F(MainForm, TheListBoxKeepsEveryByteOfAnEightBitTextAndReplacesLinesInPlace) {
  ListControl& list = form.ListBox1();
  std::string every_byte;
  for (int c = 1; c < 256; ++c) every_byte += static_cast<char>(c);
  list.Add("first");
  list.Add(every_byte);
  list.Add("last");
  EXPECT_EQ(list.Read(1), every_byte);

  SendMessageA(form.ListBox1().Handle(), LB_SETCURSEL, 1, 0);
  list.Replace(1, "caf\xE9 \x80\x9F\xFF");
  EXPECT_EQ(LogLines(), (Lines{"first", "caf\xE9 \x80\x9F\xFF", "last"}));
  EXPECT_EQ(SendMessageA(form.ListBox1().Handle(), LB_GETCURSEL, 0, 0), 1) << "selection kept";

  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(MainForm, WritingManyLinesKeepsTheNewestInViewAndAReplaceDoesNotScroll) {
  for (int i = 0; i < 100; ++i) LogWriteLine(form.ListBox1(), "line " + std::to_string(i));
  HWND list = form.ListBox1().Handle();
  RECT client;
  GetClientRect(list, &client);
  const int visible = client.bottom / static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
  const int top = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
  EXPECT_GT(top, 0);
  EXPECT_GE(top + visible, form.ListBox1().Count()) << "the current line is in view";

  SendMessageA(list, LB_SETTOPINDEX, 10, 0);
  form.ListBox1().Replace(50, "replaced");
  EXPECT_EQ(SendMessageA(list, LB_GETTOPINDEX, 0, 0), 10);
  EXPECT_EQ(form.ListBox1().Read(50), "replaced");
}

// The log's bytes are in the ANSI code page: their Unicode text on the clipboard comes from it,
// whatever code page the clipboard's locale (the keyboard layout's) has: Russian, or Greek.
TEST_F(MainForm, CopiedTextIsOnTheClipboardInUnicodeFromTheAnsiCodePage) {
  ASSERT_TRUE(PutTextOnClipboard(form.Handle(), "caf\xE9"));
  ASSERT_TRUE(OpenClipboard(form.Handle()));
  HGLOBAL locale = GlobalAlloc(GMEM_MOVEABLE, sizeof(LCID));
  *static_cast<LCID*>(GlobalLock(locale)) = GetACP() == 1251 ? 0x0408 : 0x0419;
  GlobalUnlock(locale);
  SetClipboardData(CF_LOCALE, locale);
  wchar_t expected[8] = {};
  MultiByteToWideChar(CP_ACP, 0, "caf\xE9", -1, expected, 8);
  EXPECT_STREQ(static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT))), expected);
  CloseClipboard();
}

// Another program holding the clipboard for a moment: the copy goes through on a retry.
TEST_F(MainForm, ACopyGoesThroughWhenAnotherThreadHoldsTheClipboardForAMoment) {
  // Long enough that the copy's first attempt finds it held (three times that through the
  // emulator), short enough for the retries.
  const DWORD hold = std::getenv("TESTZ_CPU_EMULATED") != nullptr ? 15 : 5;
  const KernelHandle held(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  bool opened = false;
  std::thread holder([&] {
    opened = OpenClipboard(nullptr) != FALSE;
    SetEvent(held.Get());
    Sleep(hold);
    CloseClipboard();
  });
  WaitForSingleObject(held.Get(), INFINITE);
  EXPECT_TRUE(PutTextOnClipboard(form.Handle(), "held a moment"));
  holder.join();
  EXPECT_TRUE(opened);
}

// What a call of the window's opened on the test's thread, read and closed by a timer of the
// thread, which the menu's or the dialog's own message loop runs: a popup menu's items ("Copy",
// or "Copy (greyed)"), a dialog's caption.
using Opened = std::vector<std::wstring>;
Opened opened;

BOOL CALLBACK ReadAndClose(HWND window, LPARAM) {
  wchar_t kind[16] = {};
  GetClassNameW(window, kind, 16);
  if (!IsWindowVisible(window)) return TRUE;
  if (std::wstring(kind) == L"#32768") {
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
    for (UINT i = 0; i < static_cast<UINT>(GetMenuItemCount(menu)); ++i) {
      wchar_t text[64] = {};
      GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
      const bool greyed = GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED;
      opened.push_back(text + std::wstring(greyed ? L" (greyed)" : L""));
    }
    EndMenu();
  } else if (std::wstring(kind) == L"#32770") {
    wchar_t caption[64] = {};
    GetWindowTextW(window, caption, 64);
    opened.push_back(caption);
    ShowWindow(window, SW_HIDE);
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  }
  return TRUE;
}

void CALLBACK ReadAndCloseOpened(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), &ReadAndClose, 0);
}

Opened OpenedDuring(const std::function<void()>& call) {
  opened.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, &ReadAndCloseOpened);
  call();
  KillTimer(nullptr, timer);
  return opened;
}

TEST_F(MainForm, TheLogsMenuGreysCopyWithoutASelectedLine) {
  form.Show(SW_SHOWNORMAL);
  HWND list = form.ListBox1().Handle();
  const auto open_menu = [&] {
    SendMessageA(form.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), -1);
  };
  EXPECT_EQ(OpenedDuring(open_menu), (Opened{L"Copy (greyed)", L"Copy all", L"Save log as\u2026"}));
  SendMessageA(list, LB_SETCURSEL, 1, 0);
  EXPECT_EQ(OpenedDuring(open_menu), (Opened{L"Copy", L"Copy all", L"Save log as\u2026"}));
}

// Records, as the window is about to become visible, how many log lines there are and where
// the window stands.
struct FirstShow {
  HWND window = nullptr;
  const ListControl* log = nullptr;
  int lines = -1;
  RECT bounds{};
};
FirstShow* watched_show = nullptr;

LRESULT CALLBACK WatchShow(int code, WPARAM w, LPARAM l) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(l);
  if (code == HC_ACTION && watched_show != nullptr && call->hwnd == watched_show->window &&
      call->message == WM_SHOWWINDOW && call->wParam != 0 && watched_show->lines < 0) {
    watched_show->lines = watched_show->log->Count();
    GetWindowRect(call->hwnd, &watched_show->bounds);
  }
  return CallNextHookEx(nullptr, code, w, l);
}

TEST_F(MainForm, TheFirstShowWritesTheStartUpLinesAndCentresBeforeTheWindowBecomesVisible) {
  // No unit_kelm.DLL lies beside the test program: the load fails.
  FirstShow show{form.Handle(), &form.ListBox1()};
  watched_show = &show;
  HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, &WatchShow, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  form.Show(SW_SHOWNORMAL);
  UnhookWindowsHookEx(hook);
  watched_show = nullptr;

  EXPECT_EQ(show.lines, 4);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& screen = monitor.rcMonitor;
  EXPECT_EQ(show.bounds.left, (screen.right - screen.left - 614) / 2);
  EXPECT_EQ(show.bounds.top, (screen.bottom - screen.top - 436) / 2);
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
  EXPECT_EQ(LogLines(), (Lines{"", kFailed, "", ""}));
  EXPECT_FALSE(IsWindowEnabled(form.Button1()));
}

TEST_F(MainForm, StopSetsStopRequestedAndChangesNothingElse) {
  form.SetStopEnabled(true);
  LogWriteLine(form.ListBox1(), "a line");
  const Lines before = LogLines();
  SendMessageA(form.Button2(), BM_CLICK, 0, 0);
  EXPECT_EQ(StopRequested, 1);
  EXPECT_EQ(LogLines(), before);
  EXPECT_TRUE(IsWindowEnabled(form.Button1()));
  EXPECT_TRUE(IsWindowEnabled(form.Button2()));
  EXPECT_EQ(Text(form.Label6()), "?.??");
  EXPECT_EQ(form.hardwaretype().ItemIndex(), 0);
}

TEST_F(MainForm, ADisabledButtonIgnoresAClickSentToIt) {
  // Wine reports BM_CLICK on a disabled button as a click; the window does not act on it.
  ASSERT_FALSE(IsWindowEnabled(form.Button2()));
  SendMessageA(form.Button2(), BM_CLICK, 0, 0);
  EXPECT_EQ(StopRequested, 0);
}

TEST_F(MainForm, ThePassOverPendingMessagesHandlesSpaceEnterAndArrowKeys) {
  form.Show(SW_SHOWNORMAL);
  form.SetStopEnabled(true);
  SetFocus(form.Button2());
  PostMessageA(form.Button2(), WM_KEYDOWN, VK_SPACE, 0);
  PostMessageA(form.Button2(), WM_KEYUP, VK_SPACE, 0);
  form.ProcessMessages();
  EXPECT_EQ(StopRequested, 1) << "Space presses the focused button";

  StopRequested = 0;
  PostMessageA(form.Button2(), WM_KEYDOWN, VK_RETURN, 0);
  form.ProcessMessages();
  EXPECT_EQ(StopRequested, 1) << "Enter presses the focused button";

  SetFocus(form.hardwaretype().items[0]);
  PostMessageA(form.hardwaretype().items[0], WM_KEYDOWN, VK_DOWN, 0);
  form.ProcessMessages();
  EXPECT_EQ(form.hardwaretype().ItemIndex(), 1);
  EXPECT_EQ(GetFocus(), form.hardwaretype().items[1]);
}

TEST_F(MainForm, APassThatMeetsTheQuitMessageLeavesItForTheMessageLoop) {
  form.Show(SW_SHOWNORMAL);
  SetFocus(form.hardwaretype().items[0]);
  PostMessageA(form.hardwaretype().items[0], WM_KEYDOWN, VK_DOWN, 0);
  PostQuitMessage(7);
  form.ProcessMessages();
  EXPECT_EQ(form.hardwaretype().ItemIndex(), 1) << "what waited before the quit is handled";
  EXPECT_EQ(RunMessageLoopAtMostSeconds(5), 7);
}

TEST_F(MainForm, ClosingDuringTheHaltLoopEndsTheLoopThenClosesAndUnloads) {
  Journal journal;
  ScriptedLibrary library(journal);
  library.counts[3] = 1;
  HWND window = form.Handle();
  library.halt = [&](int attempt, std::uint8_t& status) {
    if (attempt == 3) PostMessageA(window, WM_CLOSE, 0, 0);
    if (attempt == 1000) status = kHaltStatusHalted;  // a loop the close did not end stops here
  };
  SendMessageA(form.hardwaretype().items[1], BM_CLICK, 0, 0);
  SendMessageA(form.Button1(), BM_CLICK, 0, 0);  // returns when the procedure has ended

  EXPECT_EQ(library.halt_attempts(), 3) << "the close ended the loop after its attempt";
  const Lines lines = LogLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "Stopped by user.");
  EXPECT_TRUE(IsWindow(window)) << "the window stays until the START handler has returned";
  EXPECT_TRUE(library.Installed()) << "the library is not unloaded under the procedure";

  EXPECT_EQ(RunMessageLoopAtMostSeconds(5), 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(library.Installed()) << "closing unloads the library";
}

// A journal entry counts as a START when the procedure asks for the library's version.
int Starts(const Journal& journal) {
  return static_cast<int>(std::count(journal.begin(), journal.end(), "version()"));
}

TEST_F(MainForm, AQuitMetInTheHaltLoopEndsItAndIsLeftForTheMessageLoop) {
  Journal journal;
  ScriptedLibrary library(journal);
  library.counts[3] = 1;
  library.halt = [&](int attempt, std::uint8_t& status) {
    if (attempt == 3) PostQuitMessage(5);
    if (attempt == 1000) status = kHaltStatusHalted;  // a loop the quit did not end stops here
  };
  SendMessageA(form.hardwaretype().items[1], BM_CLICK, 0, 0);
  SendMessageA(form.Button1(), BM_CLICK, 0, 0);

  EXPECT_EQ(library.halt_attempts(), 3);
  const Lines lines = LogLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "Stopped by user.");
  EXPECT_TRUE(IsWindowEnabled(form.Button1()));
  EXPECT_EQ(RunMessageLoopAtMostSeconds(5), 5);
}

TEST_F(MainForm, StartRunsNoSecondProcedureInsideTheFirstWhateverTheRoute) {
  Journal journal;
  ScriptedLibrary library(journal);
  library.counts[3] = 1;
  HWND window = form.Handle();
  HWND start = form.Button1();
  const WPARAM start_clicked = MAKEWPARAM(GetDlgCtrlID(start), BN_CLICKED);
  library.halt = [&](int attempt, std::uint8_t& status) {
    // Even with START enabled, by a click sent to it or a notification posted for it.
    if (attempt == 2) {
      EnableWindow(start, TRUE);
      SendMessageA(start, BM_CLICK, 0, 0);
      PostMessageA(window, WM_COMMAND, start_clicked, reinterpret_cast<LPARAM>(start));
    }
    if (attempt >= 4) status = kHaltStatusHalted;
  };
  SendMessageA(form.hardwaretype().items[1], BM_CLICK, 0, 0);
  SendMessageA(start, BM_CLICK, 0, 0);

  EXPECT_EQ(Starts(journal), 1);
  EXPECT_EQ(library.halt_attempts(), 4);
  EXPECT_EQ(LogLines()[LogLines().size() - 2], "Success. Processor halted.");
  EXPECT_TRUE(IsWindowEnabled(start));
  EXPECT_FALSE(IsWindowEnabled(form.Button2()));

  // Idle again, START runs the next procedure.
  SendMessageA(start, BM_CLICK, 0, 0);
  EXPECT_EQ(Starts(journal), 2);
}

TEST_F(MainForm, TheSessionEndingAskedDuringTheHaltLoopStopsItAsStopDoes) {
  Journal journal;
  ScriptedLibrary library(journal);
  library.counts[3] = 1;
  HWND window = form.Handle();
  LRESULT may_end = FALSE;
  library.halt = [&](int attempt, std::uint8_t& status) {
    if (attempt == 3) may_end = SendMessageA(window, WM_QUERYENDSESSION, 0, 0);
    if (attempt == 1000) status = kHaltStatusHalted;
  };
  SendMessageA(form.hardwaretype().items[1], BM_CLICK, 0, 0);
  SendMessageA(form.Button1(), BM_CLICK, 0, 0);

  EXPECT_EQ(may_end, TRUE);
  EXPECT_EQ(library.halt_attempts(), 3);
  const Lines lines = LogLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "Stopped by user.");
  EXPECT_TRUE(IsWindow(window));
  EXPECT_TRUE(library.Installed());
}

// A library that handles messages inside its own calls: a close handled there, before the halt
// loop clears the stop flag, still ends the loop at its first check.
TEST_F(MainForm, ACloseHandledInsideALibraryCallBeforeTheHaltLoopEndsItsFirstAttempt) {
  Journal journal;
  ScriptedLibrary library(journal);
  library.counts[3] = 1;
  HWND window = form.Handle();
  library.count = [&](std::uint32_t type, int ask) {
    if (ask == 2) SendMessageA(window, WM_CLOSE, 0, 0);
    return library.counts[type];
  };
  library.halt = HaltsAt(1000);  // unless the close ends the loop
  SendMessageA(form.hardwaretype().items[1], BM_CLICK, 0, 0);
  SendMessageA(form.Button1(), BM_CLICK, 0, 0);
  EXPECT_EQ(library.halt_attempts(), 1);
  EXPECT_EQ(RunMessageLoopAtMostSeconds(5), 0);
}

// Windows may end the process as soon as WM_ENDSESSION returns: an idle window has closed then.
TEST_F(MainForm, WhileIdleTheSessionMayEndAndItsEndClosesTheWindowBeforeItReturns) {
  Journal journal;
  ScriptedLibrary library(journal);
  HWND window = form.Handle();
  EXPECT_EQ(SendMessageA(window, WM_QUERYENDSESSION, 0, 0), TRUE);
  SendMessageA(window, WM_ENDSESSION, FALSE, 0);  // another program refused: nothing happens
  EXPECT_TRUE(IsWindow(window));
  EXPECT_TRUE(library.Installed());
  EXPECT_EQ(StopRequested, 0);

  // A taskbar button that has shown no progress needs no clearing: COM is not started for it.
  SendMessageA(window, RegisterWindowMessageA("TaskbarButtonCreated"), 0, 0);
  ASSERT_EQ(GetModuleHandleA("ole32.dll"), nullptr);
  SendMessageA(window, WM_ENDSESSION, TRUE, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(library.Installed());
  EXPECT_EQ(GetModuleHandleA("ole32.dll"), nullptr);
}

// The effects beyond the window, recorded in order; with fail_busy, the next busy throws instead.
class RecordingSignals final : public PlatformSignals {
 public:
  Lines effects;
  bool fail_busy = false;
  void Success() override { effects.push_back("success"); }
  void ShowProgress(TaskbarProgress progress) override {
    if (progress == TaskbarProgress::kBusy && std::exchange(fail_busy, false))
      throw std::bad_alloc();
    effects.push_back(progress == TaskbarProgress::kNone   ? "no progress"
                      : progress == TaskbarProgress::kBusy ? "busy"
                                                           : "failed");
  }
  void TaskbarButtonCreated() override { effects.push_back("taskbar button"); }
  void KeepAwake(bool awake) override { effects.push_back(awake ? "awake" : "may sleep"); }
  void Refused() override { effects.push_back("refused"); }
};

const Lines kStoppedEffects = {"busy", "awake", "may sleep", "no progress"};

class MainFormSignals : public ::testing::Test {
 protected:
  MainFormSignals() { library.counts[3] = 1; }
  // START with an item of "Test Hardware": the effects of that run.
  Lines Start(int item) {
    signals.effects.clear();
    SendMessageA(form.hardwaretype().items[static_cast<size_t>(item)], BM_CLICK, 0, 0);
    SendMessageA(form.Button1(), BM_CLICK, 0, 0);
    return signals.effects;
  }

  Journal journal;
  ScriptedLibrary library{journal};
  RecordingSignals signals;
  TMainform form{GetModuleHandleA(nullptr), &signals};
};

TEST_F(MainFormSignals, OnlyAHaltSoundsAndEveryFailureLeavesTheFailureBar) {
  EXPECT_EQ(Start(0), (Lines{"busy", "no progress"})) << "Show Hardware";
  EXPECT_EQ(Start(1), (Lines{"busy", "awake", "may sleep", "no progress", "success"}));
  library.halt = [](int attempt, std::uint8_t&) {
    if (attempt == 4) RequestStop();
  };
  EXPECT_EQ(Start(1), kStoppedEffects);
  library.counts[3] = 0;
  EXPECT_EQ(Start(1), (Lines{"busy", "failed"}));
  for (const RecoveryEnding ending :
       {RecoveryEnding::kNotAttached, RecoveryEnding::kOpenFailure, RecoveryEnding::kModeFailure,
        RecoveryEnding::kResetFailure, RecoveryEnding::kLibraryFault,
        RecoveryEnding::kInternalError}) {
    RecordingSignals recorded;
    SignalEnding(recorded, ending);
    EXPECT_EQ(recorded.effects, Lines{"failed"});
  }
}

// Windows may end the process as soon as WM_ENDSESSION returns: the sleep request and the
// taskbar's progress go before, and a running procedure keeps its window and library.
TEST_F(MainFormSignals, TheSleepRequestAndTheTaskbarGoAtTheSessionsEndBeforeItReturns) {
  HWND window = form.Handle();
  Lines at_session_end;
  bool kept = false;
  library.halt = [&](int attempt, std::uint8_t&) {
    if (attempt == 2) SendMessageA(window, WM_ENDSESSION, TRUE, 0);
    if (attempt == 2) at_session_end = signals.effects;
    if (attempt == 2) kept = IsWindow(window) && library.Installed();
  };
  Start(1);
  EXPECT_EQ(at_session_end, (Lines{"busy", "awake", "may sleep", "no progress"}));
  EXPECT_TRUE(kept);
}

// Ctrl+S in the log: the save dialog when idle; during a run, whose attempts its message loop
// would hold up, no dialog but the beep of a refused key.
TEST_F(MainFormSignals, CtrlSOpensTheSaveDialogOnlyWhenIdleAndBeepsDuringARun) {
  const auto ctrl_s = [list = form.ListBox1().Handle()] {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(list, WM_KEYDOWN, 'S', 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
  };
  EXPECT_EQ(OpenedDuring(ctrl_s), Opened{L"Save log as"});
  Opened during_run{L"(no run)"};
  library.halt = [&](int attempt, std::uint8_t& status) {
    if (attempt == 2) during_run = OpenedDuring(ctrl_s);
    if (attempt == 3) status = kHaltStatusHalted;
  };
  EXPECT_EQ(Start(1), (Lines{"busy", "awake", "refused", "may sleep", "no progress", "success"}));
  EXPECT_EQ(during_run, Opened{});
}

// The count line tells of this run's halt loop only: a START after a halted run that ends before
// its loop (nothing is attached now) shows nothing of the run before.
TEST_F(MainFormSignals, TheAttemptCountTellsOfTheLastRunsOwnLoopOnly) {
  const auto count_text = [this] {
    wchar_t text[80] = {};
    GetWindowTextW(form.AttemptCount(), text, 80);
    return std::wstring(text);
  };
  Start(1);
  EXPECT_EQ(count_text().rfind(L"Halted: 1 attempt in ", 0), 0u) << count_text();
  library.counts[3] = 0;
  Start(1);
  EXPECT_EQ(count_text(), L"");
}

// Numbers as a locale with these settings writes them: its group sizes repeat the one before a
// final 0 and make no more groups without it; a tenth keeps its decimal, and a time below a second
// its leading zero.
TEST(AttemptCountNumbers, GroupedByTheLocalesSizesWithItsSeparators) {
  const auto locale = [](const wchar_t* grouping, const wchar_t* decimal, const wchar_t* thousand) {
    return LocaleNumbers([=] { return NumberSettings{grouping, decimal, thousand}; });
  };
  EXPECT_EQ(locale(L"3;0", L".", L",").Whole(12345678), "12,345,678");
  EXPECT_EQ(locale(L"3;2;0", L".", L",").Whole(12345678), "1,23,45,678");
  EXPECT_EQ(locale(L"3", L".", L",").Whole(12345678), "12345,678");
  EXPECT_EQ(locale(L"3;0", L",", L".").Tenths(12345), "1.234,5");
  EXPECT_EQ(locale(L"3;0", L".", L",").Tenths(5), "0.5");
}

TEST_F(MainFormSignals, ASignalThatThrowsAtStartLeavesStartToRunAgainAndTheWindowToClose) {
  signals.fail_busy = true;
  EXPECT_EQ(Start(0), Lines{});
  EXPECT_EQ(Start(0), (Lines{"busy", "no progress"}));
  SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(form.Handle()));
}

}  // namespace
