// The binding to the interface library: loading it, looking its 34 exports up, freeing it.
#include "unit_library_api_kelm.h"

#include "call_under_way.h"

ModuleHandle LibraryHandle = nullptr;
bool LibraryLoaded = false;
bool AllEntryPointsResolved = false;
std::array<EntryAddress, kEntryPointCount> EntryPointTable = {};

namespace {

PlatformLoader* loader = &SystemLoader();

}  // namespace

void SetPlatformLoader(PlatformLoader& new_loader) {
  loader = &new_loader;
}

void ResolveEntryPoint(ModuleHandle module, EntryAddress& entry, const char* export_name) {
  entry = loader->Lookup(module, export_name);
  if (entry == nullptr) AllEntryPointsResolved = false;
}

bool LoadInterfaceLibrary(const char* file_name) {
  UnloadInterfaceLibrary();
  {
    // The library's start-up code runs inside the load.
    const CallUnderWay under_way("the load of the library");
    LibraryHandle = loader->Load(file_name);
  }
  if (LibraryHandle == nullptr) return false;
  LibraryLoaded = true;
  AllEntryPointsResolved = true;
  for (std::size_t slot = 0; slot < kEntryPointCount; ++slot) {
    ResolveEntryPoint(LibraryHandle, EntryPointTable[slot], kEntryPointNames[slot]);
  }
  return AllEntryPointsResolved;
}

void UnloadInterfaceLibrary() {
  if (LibraryLoaded) {
    // The library's detach code runs inside the free.
    const CallUnderWay under_way("the free of the library");
    loader->Free(LibraryHandle);
  }
  AbandonInterfaceLibrary();
}

void AbandonInterfaceLibrary() {
  LibraryHandle = nullptr;
  EntryPointTable.fill(nullptr);
  AllEntryPointsResolved = false;
  LibraryLoaded = false;
}
