// An unattended run's last word when the program itself crashes: no dialog box waits for a click,
// the summary is written, and the process ends with a code from the table.
#pragma once

#include <cstdint>

// What a crash handler calls, on the crashing thread: writes what it can for `code` (the
// exception's code; 0 for std::terminate or abort) and gives the exit code to end with.
using CrashWriter = int (*)(std::uint32_t code);

// For the rest of the process: the system shows no error box for a fault or a missing disk
// (SetErrorMode), and an unhandled exception on any thread, std::terminate and abort call `write`
// and end the process with the code it gives, before anything else could show a dialog.
void ExitOnCrash(CrashWriter write);
