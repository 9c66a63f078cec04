// End-to-end tests of what must not lose the user the window: odd texts from the library, an absurd
// port count, a status written as 32 bits, a close or the session's end while START runs, a click
// during a long report, a quit, a double START.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <thread>

#include "testz_test.h"
#include "ui_driver.h"

namespace {

const char* const kVeyra = ItemOfPortType(3);
constexpr char kAdvice[] = "Please try power cycling your board until this operation is successful";
constexpr char kStopped[] = "Stopped by user.";
constexpr char kNeverHalts[] = "count.3 = 1\nhalt = never\n";

// What the simulator returns for an "unterminated" text: 255 characters and no terminator.
std::string UnterminatedText(std::size_t length) {
  std::string text;
  while (text.size() < length) text += "unterminated ";
  return text.substr(0, length);
}

int CountOf(const Lines& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

const std::string kHaltAttempt = "corvane_special_features(44000100, ";

using Robustness = TestzTest;

TEST_F(Robustness, ANullVersionTextIsAnEmptyLine) {
  Launch(Library::kSimulator, "version = null\ncount.3 = 1\ndescriptor.3.1 = null\n");
  const Lines before = Log();
  ASSERT_TRUE(ui::Click(Find("Button", "START")));
  ASSERT_TRUE(WaitForProcedureEnd(before));
  const Lines log = Log();
  ASSERT_GE(log.size(), 6u);
  EXPECT_EQ(Lines(log.begin(), log.begin() + 5),
            (Lines{"", " ", " ", "Number of USB Veyras = 0001", "       "}));
  EXPECT_EQ(log[log.size() - 2], "       None.") << "the whole report follows";
}

TEST_F(Robustness, TextsWithoutATerminatorAreCutAtTheLinesLimitWithoutReadingFurther) {
  // The simulator places these texts right before an inaccessible page: reading one character
  // beyond the 255th would fault.
  Launch(Library::kSimulator,
         "version = unterminated\ncount.3 = 1\ndescriptor.3.1 = unterminated\n");
  const Lines before = Log();
  ASSERT_TRUE(ui::Click(Find("Button", "START")));
  ASSERT_TRUE(WaitForProcedureEnd(before));
  const Lines log = Log();
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(log[0], UnterminatedText(255));
  EXPECT_EQ(log[4], "       " + UnterminatedText(248));
  EXPECT_EQ(log[log.size() - 2], "       None.");
}

// A count of 0xFFFFFFFF (an error code read as a count): after two seconds the report lets the
// window handle its messages after each line, so the window answers, STOP ends the procedure
// before any port is opened, and the close box closes the program, freeing the library.
TEST_F(Robustness, AnAbsurdPortCountGivesWayToStopAndToTheCloseBox) {
  Launch(Library::kSimulator, "count.3 = 0xFFFFFFFF\n");
  Choose(kVeyra);
  HWND start = Find("Button", "START");
  HWND stop = Find("Button", "STOP");
  const auto report_running = [&](int run) {
    ASSERT_TRUE(ui::Click(start));
    ASSERT_TRUE(ui::WaitUntil([&] { return CountOf(Trace(), "version()") == run; }));
    std::this_thread::sleep_for(ui::Milliseconds(3000));
    ASSERT_TRUE(ui::Send(window_, WM_NULL).has_value()) << "the window does not answer";
  };
  const auto opened_no_port = [&] {
    for (const std::string& call : Trace()) EXPECT_FALSE(StartsWith(call, "open_port")) << call;
  };

  ASSERT_NO_FATAL_FAILURE(report_running(1));
  ASSERT_TRUE(ui::Click(stop));
  ASSERT_TRUE(ui::WaitUntil([&] { return ui::IsEnabled(start) && !ui::IsEnabled(stop); }));
  const Lines log = Log();
  ASSERT_GE(log.size(), 6u);
  EXPECT_EQ(log[3], "Number of USB Veyras = FFFF");
  EXPECT_EQ(log[log.size() - 2], kStopped);
  opened_no_port();

  ASSERT_NO_FATAL_FAILURE(report_running(2));
  ui::Close(window_);
  ASSERT_EQ(program_.WaitForExit(), 0u);
  EXPECT_EQ(Trace().back(), "detach unload");
  opened_no_port();
}

// A library writing a 32-bit value through the status address: the loop runs as with one byte,
// and the program goes on soundly to a normal close.
TEST_F(Robustness, AHaltAttemptWritingFourBytesLoopsAsWithOne) {
  Launch(Library::kSimulator,
         "count.3 = 1\nhalt = attempts 50\nnot_halted_status = 0x7F\nstatus_bytes = 4\n");
  Choose(kVeyra);
  const Lines before = Log();
  ASSERT_TRUE(ui::Click(Find("Button", "START")));
  ASSERT_TRUE(WaitForProcedureEnd(before));
  const Lines log = Log();
  EXPECT_EQ(Lines(log.end() - 3, log.end()), (Lines{kAdvice, "Success. Processor halted.", ""}));
  EXPECT_EQ(Masked(Trace().back()), kHaltAttempt +
                                        "00000001, 00000000, 00000000, 00000000, &HaltStatus, "
                                        "00000000) = 00000000 x 0000000050");

  ui::Close(window_);
  ASSERT_EQ(program_.WaitForExit(), 0u);
  EXPECT_EQ(Trace().back(), "detach unload");
}

// A close that arrives while the report runs waits in the queue until the halt loop's first pass:
// the loop then makes one attempt, and the library is freed only after it.
TEST_F(Robustness, ACloseDuringALongReportEndsTheLoopAfterItsFirstAttemptThenUnloads) {
  // Every call takes 100 ms: the report alone takes more than a second.
  Launch(Library::kSimulator, std::string(kNeverHalts) + "delay_us = 100000\n");
  Choose(kVeyra);
  ASSERT_TRUE(ui::Click(Find("Button", "START")));
  ASSERT_TRUE(ui::WaitUntil([&] { return CountOf(Trace(), "version()") == 1; }));
  ui::Close(window_);
  const Lines at_close = Trace();
  ASSERT_EQ(CountOf(at_close, "get_enumerated_number_of_ports(00000009) = 00000000"), 0)
      << "the close came after the report";

  ASSERT_EQ(program_.WaitForExit(ui::Milliseconds(20000)), 0u);
  const Lines trace = Masked(Trace());
  ASSERT_GE(trace.size(), 4u);
  EXPECT_EQ(trace[trace.size() - 3], "get_cable_version() = 00000001") << "nothing was cut short";
  EXPECT_EQ(trace[trace.size() - 2], kHaltAttempt +
                                         "00000001, 00000000, 00000000, 00000000, &HaltStatus, "
                                         "00000000) = 00000000 x 0000000001");
  EXPECT_EQ(trace.back(), "detach unload");
}

TEST_F(Robustness, ACloseDuringAReportThatEndsThereWaitsForItsEnd) {
  // "Show Hardware": the procedure ends with the report and never processes messages.
  Launch(Library::kSimulator, "count.9 = 1\ndelay_us = 100000\n");
  ASSERT_TRUE(ui::Click(Find("Button", "START")));
  ASSERT_TRUE(ui::WaitUntil([&] { return CountOf(Trace(), "version()") == 1; }));
  ui::Close(window_);
  ASSERT_EQ(program_.WaitForExit(ui::Milliseconds(20000)), 0u);
  const Lines trace = Trace();
  ASSERT_GE(trace.size(), 3u);
  EXPECT_EQ(trace[trace.size() - 2], "get_port_descriptor(00000009, 00000001)");
  EXPECT_EQ(trace.back(), "detach unload");
}

// The session ending: asked first, then ended. The question stops a running halt loop as STOP
// does and gets a yes. Windows may end the process as soon as the end has returned: the idle
// window has closed by then.
TEST_F(Robustness, TheSessionEndingStopsTheHaltLoopAndItsEndClosesTheIdleWindowBeforeReturning) {
  Launch(Library::kSimulator, kNeverHalts);
  ASSERT_NO_FATAL_FAILURE(StartHaltLoop(kVeyra));
  const Lines running = Log();
  EXPECT_EQ(ui::Send(window_, WM_QUERYENDSESSION, 0, 0), TRUE);
  ASSERT_TRUE(WaitForProcedureEnd(running));
  const Lines log = Log();
  EXPECT_EQ(Lines(log.end() - 3, log.end()), (Lines{kAdvice, kStopped, ""}));

  // Suppose another program refused and the session went on: START works again, until STOP.
  ASSERT_TRUE(ui::Send(window_, WM_ENDSESSION, FALSE, 0).has_value());
  ASSERT_NO_FATAL_FAILURE(StartHaltLoop(kVeyra));
  const Lines again = Log();
  ASSERT_TRUE(ui::Click(Find("Button", "STOP")));
  ASSERT_TRUE(WaitForProcedureEnd(again));
  ASSERT_TRUE(ui::Send(window_, WM_ENDSESSION, TRUE, 0).has_value());
  EXPECT_EQ(Trace().back(), "detach unload");
  program_.Kill();  // as Windows may
}

// The kind chosen when START is pressed is the one connected, whatever is clicked while a long
// report lets the window handle its messages.
TEST_F(Robustness, TheKindChosenAtStartIsConnectedWhateverIsClickedDuringALongReport) {
  // 40 serial ports at 100 ms a call: the report runs for more than four seconds.
  Launch(Library::kSimulator, "count.3 = 1\ncount.4 = 40\ncount.9 = 1\ndelay_us = 100000\n");
  Choose(kVeyra);
  ASSERT_TRUE(ui::Click(Find("Button", "START")));
  ASSERT_TRUE(ui::WaitUntil([&] { return CountOf(Trace(), "version()") == 1; }));
  Choose(ItemOfPortType(9));
  ASSERT_EQ(CountOf(Trace(), "get_enumerated_number_of_ports(00000009) = 00000001"), 0)
      << "the click came after the report";
  ASSERT_TRUE(WaitForLogLine("Success. Processor halted."));
  EXPECT_EQ(CountOf(Trace(), "open_port(00000003, 00000001) = 00000001"), 1);
  EXPECT_EQ(CountOf(Trace(), "open_port(00000009, 00000001) = 00000001"), 0);
}

// A quit posted to the program (as a task manager may) ends the halt loop; the program then ends
// with the quit's exit code, and the system frees the library as the process exits.
TEST_F(Robustness, AQuitDuringTheHaltLoopEndsTheLoopAndTheProgram) {
  Launch(Library::kSimulator, kNeverHalts);
  ASSERT_NO_FATAL_FAILURE(StartHaltLoop(kVeyra));
  ASSERT_TRUE(ui::PostQuit(window_, 7));
  ASSERT_EQ(program_.WaitForExit(), 7u);
  const Lines trace = Trace();
  ASSERT_GE(trace.size(), 2u);
  EXPECT_TRUE(StartsWith(trace[trace.size() - 2], kHaltAttempt)) << trace[trace.size() - 2];
  EXPECT_EQ(trace.back(), "detach exit");
}

// Two START clicks queued before the first is handled, and a double click with the mouse: one
// procedure runs; the second click meets a disabled START and is lost, not deferred.
TEST_F(Robustness, ADoubleStartRunsOneProcedure) {
  Launch(Library::kSimulator, kNeverHalts);
  HWND start = Find("Button", "START");
  HWND stop = Find("Button", "STOP");
  // Whatever the program has queued for itself by now is handled before a message posted now:
  // posted to the log, this one selects its line `line`, which the test then waits to see.
  const auto handled_what_was_queued = [&](int line) {
    return PostMessageW(List(), LB_SETCURSEL, static_cast<WPARAM>(line), 0) &&
           ui::WaitUntil([&] { return ui::Send(List(), LB_GETCURSEL) == line; });
  };
  Choose(kVeyra);
  const auto one_run_then_stop = [&](int expected_runs) {
    ASSERT_TRUE(ui::WaitUntil([&] {
      const Lines log = Log();
      return CountOf(Trace(), "version()") >= expected_runs && ui::IsEnabled(stop) &&
             CountOf(log, kAdvice) == 1 && log.size() >= 2 && log[log.size() - 2] == kAdvice;
    })) << "the halt loop did not start";
    ASSERT_TRUE(ui::Click(stop));
    ASSERT_TRUE(ui::WaitUntil([&] { return ui::IsEnabled(start) && !ui::IsEnabled(stop); }));
    // A deferred second START, were there one, would have begun its report by then.
    ASSERT_TRUE(handled_what_was_queued(expected_runs));
    EXPECT_EQ(CountOf(Trace(), "version()"), expected_runs);
    EXPECT_TRUE(ui::IsEnabled(start));
    const Lines log = Log();
    EXPECT_EQ(log[log.size() - 2], kStopped);
    EXPECT_EQ(CountOf(log, kAdvice), 1);
  };

  ASSERT_TRUE(PostMessageW(start, BM_CLICK, 0, 0));
  ASSERT_TRUE(PostMessageW(start, BM_CLICK, 0, 0));
  ASSERT_NO_FATAL_FAILURE(one_run_then_stop(1));

  ASSERT_TRUE(ui::DoubleClick(start));
  ASSERT_NO_FATAL_FAILURE(one_run_then_stop(2));
}

}  // namespace
