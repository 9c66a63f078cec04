// The program's message loop and the one pass over pending messages that a running handler makes.
#include "message_loop.h"

void DispatchWindowMessage(HWND main_window, MSG& message) {
  if (main_window != nullptr && IsDialogMessageA(main_window, &message)) return;
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

int RunMessageLoop(HWND main_window) {
  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchWindowMessage(main_window, message);
  return static_cast<int>(message.wParam);
}

bool ProcessPendingMessages(HWND main_window) {
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return true;
    }
    DispatchWindowMessage(main_window, message);
  }
  return false;
}
