// The one-window baseline: the least a Win32 program does to open one window and wait for input.
// Its window has the program's outer size, so that both paint as much when first shown.
#include <windows.h>

#include "baseline_common.h"

namespace {

constexpr char kClassName[] = "StartUpBaseline";
constexpr char kCaption[] = "One-window baseline";

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  HWND window = ShowBaselineWindow(instance, kClassName, kCaption, &Procedure, show_command);
  if (window == nullptr) return 1;
  return RunPlainMessageLoop();
}
