// The interface library's lifetime for the window: opened when it is shown, closed when it
// closes, and abandoned for good when one of its calls faults.
#pragma once

// Loads the interface library "unit_kelm.DLL" by its bare file name and looks up its exports.
// True only when it loaded with every export: only then may RecoveryProcedure be run.
bool OpenInterfaceLibrary();

// Frees the interface library, unless a fault made the procedure abandon it: its state is then
// unknown, so none of its code runs again.
void CloseInterfaceLibrary();

// Forgets a library whose call faulted, without freeing it, for the rest of the process. The
// procedure calls it when a library call faults.
void AbandonFaultedLibrary();

// True once a library was abandoned: it stays loaded and none of its code may run again, its
// detach routine at exit included.
bool InterfaceLibraryAbandoned();
