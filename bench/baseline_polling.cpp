// The catch-rate baselines: halt attempts until the window is closed, back to back as the
// program's loop makes them, or with a pause after each, as tools that poll for a halt do.
//
// Beside unit_kelm.DLL (the simulator, counting the windows its attempts land in), it makes one
// run of halt attempts. Each attempt is the library call followed by one pass over pending
// messages; with BASELINE_PAUSE_MS set to a number of milliseconds above 0, a pause of exactly
// that long follows (a spin on the performance counter, after a sleep for all but the last two
// milliseconds: the most even pace a polling loop can keep). A close request to its window ends
// the run after the attempt in whose pass it arrives, as STOP ends the program's loop; the
// library is then freed, which writes the run's counts, and the exit code is 0.
#include <windows.h>

#include <cstdint>
#include <cstdlib>

#include "baseline_common.h"
#include "unit_library_api_kelm.h"

namespace {

constexpr char kClassName[] = "PollingBaseline";
constexpr char kCaption[] = "Polling baseline";

bool close_requested = false;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message != WM_CLOSE) return DefWindowProcA(window, message, w, l);
  close_requested = true;
  return 0;
}

std::uint32_t PauseMilliseconds() {
  char value[16] = {};
  if (GetEnvironmentVariableA("BASELINE_PAUSE_MS", value, sizeof value) == 0) return 0;
  return static_cast<std::uint32_t>(std::strtoul(value, nullptr, 10));
}

std::int64_t Counter() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

void Pause(std::uint32_t milliseconds, std::int64_t counts_per_millisecond) {
  const std::int64_t until = Counter() + milliseconds * counts_per_millisecond;
  if (milliseconds > 2) Sleep(milliseconds - 2);
  while (Counter() < until) {
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  HWND window = ShowBaselineWindow(instance, kClassName, kCaption, &Procedure, show_command);
  if (window == nullptr) return 1;
  const std::uint32_t pause = PauseMilliseconds();
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);

  // Loaded and looked up as the program does it; called directly, without the program's guard.
  if (!LoadInterfaceLibrary("unit_kelm.DLL")) return 2;
  const CorvaneSpecialFeaturesFn attempt = Entry<EntrySlot::corvane_special_features>();
  std::uint8_t status = 0;
  do {
    attempt(SPECIAL_FEATURE_HALT_ATTEMPT, 1, 0, 0, 0, &status, 0);
    PassOverPendingMessages();
    if (pause > 0 && !close_requested) Pause(pause, frequency.QuadPart / 1000);
  } while (status != kHaltStatusHalted && !close_requested);
  UnloadInterfaceLibrary();
  DestroyWindow(window);
  return 0;
}
