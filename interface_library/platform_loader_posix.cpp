// The platform loader on POSIX systems: dlopen, dlsym and dlclose.
#include "platform_loader.h"

#include <dlfcn.h>

namespace {

class PosixLoader final : public PlatformLoader {
 public:
  ModuleHandle Load(const char* file_name) override { return dlopen(file_name, RTLD_NOW); }
  EntryAddress Lookup(ModuleHandle module, const char* export_name) override {
    return reinterpret_cast<EntryAddress>(dlsym(module, export_name));
  }
  void Free(ModuleHandle module) override { dlclose(module); }
};

}  // namespace

PlatformLoader& SystemLoader() {
  static PosixLoader loader;
  return loader;
}
