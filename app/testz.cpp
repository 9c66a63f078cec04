// The program's entry: creates the main window, shows it and runs the message loop to the end.
#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "demoz.h"
#include "message_loop.h"
#include "library_lifetime.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  // The standard controls from the common controls of the manifest, in the system's style.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  int exit_code = 0;
  try {
    TMainform form(instance);
    form.Show(show_command);
    exit_code = RunMessageLoop(form.Handle());
  } catch (const std::exception& error) {
    // No window to write into: the reason goes to a debugger and the exit code says it failed.
    OutputDebugStringA(error.what());
    exit_code = 1;
  }
  // A library abandoned after a fault is still loaded, in an unknown state: a normal exit would
  // run its detach code, which could crash after the window has gone. The process ends here
  // instead, with the exit code it would have had, and no library's detach code runs.
  if (InterfaceLibraryAbandoned())
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exit_code));
  return exit_code;
}
