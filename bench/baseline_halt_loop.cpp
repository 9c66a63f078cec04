// The halt-loop baseline: the library's halt attempt and one pass over pending messages, nothing
// else, in a program with one window of its own.
//
// Beside unit_kelm.DLL, it makes two runs of halt attempts, each until the library reports the
// processor halted: first the library call alone, then the call followed by one pass over the
// pending messages, as the program's loop makes it. The library times each run (its timing
// file); the exit code is 0 when both runs ended halted.
#include <windows.h>

#include <cstdint>

#include "baseline_common.h"
#include "unit_library_api_kelm.h"

namespace {

constexpr char kClassName[] = "HaltLoopBaseline";
constexpr char kCaption[] = "Halt-loop baseline";

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcA(window, message, w, l);
}

template <bool kWithMessagePass>
void AttemptUntilHalted(CorvaneSpecialFeaturesFn attempt) {
  std::uint8_t status = 0;
  do {
    attempt(SPECIAL_FEATURE_HALT_ATTEMPT, 1, 0, 0, 0, &status, 0);
    if constexpr (kWithMessagePass) PassOverPendingMessages();
  } while (status != kHaltStatusHalted);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  HWND window = ShowBaselineWindow(instance, kClassName, kCaption, &Procedure, show_command);
  if (window == nullptr) return 1;

  // Loaded and looked up as the program does it; called directly, without the program's guard.
  if (!LoadInterfaceLibrary("unit_kelm.DLL")) return 2;
  AttemptUntilHalted<false>(Entry<EntrySlot::corvane_special_features>());
  Entry<EntrySlot::close_port>()();  // any other call ends a run of attempts
  AttemptUntilHalted<true>(Entry<EntrySlot::corvane_special_features>());
  UnloadInterfaceLibrary();
  DestroyWindow(window);
  return 0;
}
