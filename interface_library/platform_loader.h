// The platform's dynamic loader as one small replaceable layer: load, look up, free.
#pragma once

// A loaded module, as the platform loader returned it.
using ModuleHandle = void*;

// An export's address as looked up; it is cast to its call shape before it is called.
using EntryAddress = void (*)();

class PlatformLoader {
 public:
  virtual ~PlatformLoader() = default;
  // Loads a library by file name with the platform's standard search; null when it cannot.
  virtual ModuleHandle Load(const char* file_name) = 0;
  // The export of exactly this name, or null.
  virtual EntryAddress Lookup(ModuleHandle module, const char* export_name) = 0;
  virtual void Free(ModuleHandle module) = 0;
};

// LoadLibraryA/GetProcAddress/FreeLibrary on Windows, dlopen/dlsym/dlclose elsewhere.
PlatformLoader& SystemLoader();
