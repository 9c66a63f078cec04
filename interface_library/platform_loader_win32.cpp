// The platform loader on Windows: LoadLibraryA, GetProcAddress and FreeLibrary.
#include "platform_loader.h"

#include <windows.h>

namespace {

class Win32Loader final : public PlatformLoader {
 public:
  ModuleHandle Load(const char* file_name) override {
    // Takes the current directory (and any folder set before) out of the search, so a library
    // planted in the working directory is never loaded; the program's own folder, the system
    // folders and PATH are searched as before.
    SetDllDirectoryW(L"");
    return reinterpret_cast<ModuleHandle>(LoadLibraryA(file_name));
  }
  EntryAddress Lookup(ModuleHandle module, const char* export_name) override {
    return reinterpret_cast<EntryAddress>(
        GetProcAddress(reinterpret_cast<HMODULE>(module), export_name));
  }
  void Free(ModuleHandle module) override { FreeLibrary(reinterpret_cast<HMODULE>(module)); }
};

}  // namespace

PlatformLoader& SystemLoader() {
  static Win32Loader loader;
  return loader;
}
