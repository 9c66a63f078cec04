// The interface library's lifetime: open, close, abandon, and whether it was abandoned.
#include "library_lifetime.h"

#include "unit_library_api_kelm.h"

namespace {

// Once set, for the rest of the process: the abandoned library stays loaded until the end.
bool abandoned = false;

}  // namespace

bool OpenInterfaceLibrary() {
  return LoadInterfaceLibrary("unit_kelm.DLL");
}

void CloseInterfaceLibrary() {
  // After an abandon the binding holds no library, so nothing is freed.
  UnloadInterfaceLibrary();
}

void AbandonFaultedLibrary() {
  AbandonInterfaceLibrary();
  abandoned = true;
}

bool InterfaceLibraryAbandoned() {
  return abandoned;
}
