// The program's entry: reads the command line, creates the main window, shows it and runs the
// message loop to the end.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "build_commit.h"
#include "command_line.h"
#include "command_line_output.h"
#include "demoz.h"
#include "library_lifetime.h"
#include "message_loop.h"
#include "text_encoding.h"
#include "unattended_run.h"
#if defined(TESTZ_TEST_HOOKS)
#include "test_hooks.h"
#endif

namespace {

// The arguments after the program's name, in UTF-8, as the C runtime split the command line.
std::vector<std::string> ProgramArguments() {
  std::vector<std::string> arguments;
  for (int i = 1; i < __argc; ++i) arguments.push_back(BytesFrom(CP_UTF8, __wargv[i]));
  return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  // The command line is checked before anything is loaded or shown.
  const CommandLine command_line = ParseCommandLine(ProgramArguments());
  if (command_line.mode == CommandLine::Mode::kHelp) {
    ShowCommandLineText(UsageText(), TextStream::kOutput);
    return 0;
  }
  if (command_line.mode == CommandLine::Mode::kVersion) {
    ShowCommandLineText(VersionText(TESTZ_BUILD_COMMIT), TextStream::kOutput);
    return 0;
  }
  if (command_line.mode == CommandLine::Mode::kBadArguments) {
    ShowCommandLineText(BadArgumentsText(command_line.error), TextStream::kError);
    return kExitBadArguments;
  }
  std::optional<UnattendedRun> unattended;
  if (command_line.mode == CommandLine::Mode::kUnattended) {
    unattended.emplace(command_line.options);
    // Its files are this run's from the start, or the program ends here, before anything is
    // loaded.
    if (const std::optional<std::string> problem = unattended->Begin()) {
      ShowCommandLineText("testz.exe: " + *problem + "\n", TextStream::kError);
      return kExitNotWritten;
    }
#if defined(TESTZ_TEST_HOOKS)
    StartTestCrash();
#endif
  }

  // The standard controls from the common controls of the manifest, in the system's style.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  int exit_code = 0;
  try {
    TMainform form(instance, nullptr, unattended ? &*unattended : nullptr);
    if (unattended) unattended->Attach(form);
    form.Show(show_command);
    exit_code = RunMessageLoop(form.Handle());
  } catch (const std::exception& error) {
    // No window to write into: the reason goes to a debugger and the exit code says it failed.
    OutputDebugStringA(error.what());
    if (unattended) unattended->Failed(error.what());
    exit_code = 1;
  }
  // An unattended run exits with its outcome's code, whatever ended the message loop; what it
  // writes was written as the window closed, or is written now where the loop ended otherwise.
  if (unattended) exit_code = unattended->Finish();
  // A library abandoned after a fault is still loaded, in an unknown state: a normal exit would
  // run its detach code, which could crash after the window has gone. The process ends here
  // instead, with the exit code it would have had, and no library's detach code runs.
  if (InterfaceLibraryAbandoned())
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exit_code));
  return exit_code;
}
