// Tests of the effects beyond the window, recorded in the test's own process: the success sound
// and flash, the taskbar progress and the request not to sleep, for each way a START run ends.
#include "platform_signals.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demoz.h"
#include "message_loop.h"
#include "recovery_doubles.h"

namespace {

using Effects = std::vector<std::string>;

class RecordingSignals final : public PlatformSignals {
 public:
  Effects effects;
  void Success() override { effects.push_back("success"); }
  void ShowProgress(TaskbarProgress progress) override {
    const char* const names[] = {"no progress", "busy", "failed"};
    effects.push_back(names[static_cast<int>(progress)]);
  }
  void TaskbarButtonCreated() override { effects.push_back("taskbar button"); }
  void KeepAwake(bool awake) override { effects.push_back(awake ? "awake" : "may sleep"); }
};

const Effects kHalted = {"busy", "awake", "may sleep", "no progress", "success"};
const Effects kStopped = {"busy", "awake", "may sleep", "no progress"};
const Effects kFailed = {"busy", "failed"};

class PlatformSignalsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StopRequested = 0;
    library.counts[3] = 1;
  }
  // START with an item of "Test Hardware": the effects of that run.
  Effects Start(int item) {
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

TEST_F(PlatformSignalsTest, OnlyAHaltSoundsAndEveryFailureLeavesTheFailureBar) {
  EXPECT_EQ(Start(0), (Effects{"busy", "no progress"})) << "Show Hardware";
  EXPECT_EQ(Start(1), kHalted);
  library.halt = [](int attempt, std::uint8_t& status) {
    if (attempt == 2) status = kHaltStatusHalted;
    if (attempt == 2) RequestStop();
  };
  EXPECT_EQ(Start(1), kHalted) << "halted and stopped in one attempt";
  library.halt = [](int attempt, std::uint8_t&) {
    if (attempt == 4) RequestStop();
  };
  EXPECT_EQ(Start(1), kStopped);
  library.critical_error = 1;
  EXPECT_EQ(Start(1), kFailed) << "reset failure";
  library.mode_result = 0;
  EXPECT_EQ(Start(1), kFailed) << "mode failure";
  library.open_result = 0;
  EXPECT_EQ(Start(1), kFailed) << "open failure";
  library.counts[3] = 0;
  EXPECT_EQ(Start(1), kFailed) << "not attached";
  for (const RecoveryEnding ending :
       {RecoveryEnding::kLibraryFault, RecoveryEnding::kInternalError}) {
    RecordingSignals recorded;
    SignalEnding(recorded, ending);
    EXPECT_EQ(recorded.effects, Effects{"failed"});
  }
  SendMessageA(form.Handle(), RegisterWindowMessageA("TaskbarButtonCreated"), 0, 0);
  EXPECT_EQ(signals.effects.back(), "taskbar button");
}

TEST_F(PlatformSignalsTest, TheSleepRequestGoesAtTheSessionsEndBeforeTheDeferredClose) {
  HWND window = form.Handle();
  Effects at_session_end;
  library.halt = [&](int attempt, std::uint8_t&) {
    if (attempt == 2) SendMessageA(window, WM_ENDSESSION, TRUE, 0);
    if (attempt == 2) at_session_end = signals.effects;
  };
  EXPECT_EQ(Start(1), kStopped);
  EXPECT_EQ(at_session_end, (Effects{"busy", "awake", "may sleep"})) << "released at once";
  EXPECT_TRUE(IsWindow(window)) << "the close waits for the procedure";
  ProcessPendingMessages(window);
  EXPECT_FALSE(IsWindow(window));
  MSG quit;
  PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

}  // namespace
