// End-to-end tests of START and STOP: the report, the halt loop and its ends, the keyboard.
#include <gtest/gtest.h>

#include <string>

#include "testz_test.h"
#include "ui_driver.h"

namespace {

const char* const kVeyra = ItemOfPortType(3);
constexpr char kAdvice[] = "Please try power cycling your board until this operation is successful";

// Texts with bytes above 127, as a library may return them.
constexpr char kEightBitVersion[] = "Versi\xF3n 2.1 \xC4\xD6\xDC \x80\xA9\xFF";
constexpr char kEightBitDescriptor[] = "Kabel \xB5-\xE9";

// One Veyra cable on which the processor never halts, library version 1.23.
constexpr char kNeverHalts[] =
    "count.3 = 1\n"
    "dll_version = 123\n"
    "cable_version = 7\n"
    "halt = never\n";

using StartStop = TestzTest;

TEST_F(StartStop, TheReportShowsEightBitTextsAsTheLibraryReturnedThem) {
  Launch(Library::kSimulator, std::string("version = \"") + kEightBitVersion +
                                  "\"\ncount.3 = 1\ndescriptor.3.1 = " + kEightBitDescriptor +
                                  "\n");
  const Lines start_up = Log();
  ASSERT_TRUE(ui::Click(Find("Button", "START")));  // with "Show Hardware" chosen
  ASSERT_TRUE(WaitForProcedureEnd(start_up));
  const Lines log = Log();
  ASSERT_GE(log.size(), 6u);
  EXPECT_EQ(log[0], kEightBitVersion);
  EXPECT_EQ(log[3], "Number of USB Veyras = 0001");
  EXPECT_EQ(log[4], std::string("       ") + kEightBitDescriptor);
  EXPECT_EQ(log[log.size() - 2], "       None.");  // the report's last line: no Ostrel device
  EXPECT_EQ(log.back(), "");
  EXPECT_EQ(ui::Text(Find("Static", "?.??")), "?.??");
}

TEST_F(StartStop, StopEndsTheHaltLoopWithStoppedByUserAndRestoresTheButtons) {
  Launch(Library::kSimulator, kNeverHalts);
  StartHaltLoop(kVeyra);
  HWND label6 = Find("Static", "1.23");
  ASSERT_NE(label6, nullptr) << "the library version is shown while the loop runs";
  const Lines running = Log();

  ASSERT_TRUE(ui::Click(Find("Button", "STOP")));
  ASSERT_TRUE(WaitForProcedureEnd(running));
  Lines expected = running;
  expected.back() = "Stopped by user.";
  expected.push_back("");
  EXPECT_EQ(Log(), expected);
  EXPECT_EQ(ui::Text(label6), "1.23");
  EXPECT_TRUE(ui::IsChecked(Find("Button", kVeyra)));
}

// That the library is unloaded only after the procedure has ended is shown inside the process
// (main_form_test); from outside, the close must end the loop, unload and exit cleanly.
TEST_F(StartStop, ClosingDuringTheHaltLoopEndsTheLoopThenUnloadsAndExitsWithCodeZero) {
  Launch(Library::kSimulator, kNeverHalts);
  StartHaltLoop(kVeyra);
  ui::Close(window_);
  ASSERT_EQ(program_.WaitForExit(), 0u);
  const Lines trace = Trace();
  ASSERT_GE(trace.size(), 2u);
  EXPECT_EQ(trace.back(), "detach unload");
  // The halt attempts were the library's last calls.
  EXPECT_EQ(trace[trace.size() - 2].rfind("corvane_special_features(44000100,", 0), 0u)
      << trace[trace.size() - 2];
}

TEST_F(StartStop, SpaceAndEnterPressStartAndStopAndTheFocusGoesFromOneToTheOther) {
  Launch(Library::kSimulator, kNeverHalts);
  HWND start = Find("Button", "START");
  HWND stop = Find("Button", "STOP");
  HWND veyra = Find("Button", kVeyra);
  const auto focus_on = [&](HWND control) {
    return ui::WaitUntil([&] { return ui::FocusedControl(window_) == control; });
  };
  const auto runs = [&] {  // each START asks for the library's version first
    int calls = 0;
    for (const std::string& line : Trace()) calls += line == "version()" ? 1 : 0;
    return calls;
  };
  ASSERT_TRUE(ui::Click(veyra));  // a click also gives the radio button the focus
  ASSERT_TRUE(focus_on(veyra));
  ASSERT_TRUE(ui::PressKey(window_, VK_TAB, true));
  ASSERT_TRUE(focus_on(start));

  ASSERT_TRUE(ui::PressKey(window_, VK_SPACE));
  ASSERT_TRUE(WaitForLogLine(kAdvice));
  EXPECT_TRUE(focus_on(stop)) << "a running procedure gives STOP the focus";
  ASSERT_TRUE(ui::PressKey(window_, VK_SPACE));
  ASSERT_TRUE(ui::WaitUntil([&] { return ui::IsEnabled(start); }));
  EXPECT_TRUE(WaitForLogLine("Stopped by user."));
  EXPECT_TRUE(focus_on(start)) << "the ended procedure gives START the focus back";

  ASSERT_TRUE(ui::PressKey(window_, VK_RETURN));
  ASSERT_TRUE(ui::WaitUntil([&] { return runs() == 2 && ui::IsEnabled(stop); }));
  EXPECT_TRUE(focus_on(stop));
  ASSERT_TRUE(ui::PressKey(window_, VK_RETURN));
  ASSERT_TRUE(ui::WaitUntil([&] { return ui::IsEnabled(start); }));
  const Lines log = Log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], "Stopped by user.");
  EXPECT_EQ(runs(), 2);
}

}  // namespace
