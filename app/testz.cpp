// The program's entry: creates the main window, shows it and runs the message loop to the end.
#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "demoz.h"
#include "message_loop.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  // The standard controls from the common controls of the manifest, in the system's style.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  try {
    TMainform form(instance);
    form.Show(show_command);
    return RunMessageLoop(form.Handle());
  } catch (const std::exception& error) {
    // No window to write into: the reason goes to a debugger and the exit code says it failed.
    OutputDebugStringA(error.what());
    return 1;
  }
}
