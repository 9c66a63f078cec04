// What test programs need to run the simulator library: where it is, its environment, its trace.
#pragma once

#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

// variant: "" for the complete library, else the variant's folder (for example
// "without_get_block"). SIMULATOR_FOLDER comes from target_uses_simulator() in CMake.
inline std::string SimulatorPath(const std::string& variant) {
  const std::string folder = variant.empty() ? "" : variant + "/";
#if defined(_WIN32)
  // Relative to this program's own folder, as a Windows path.
  char program[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string path(program, length);
  path.erase(path.find_last_of("\\/") + 1);
  path += SIMULATOR_FOLDER "/" + folder + "unit_kelm.DLL";
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
#else
  return SIMULATOR_FOLDER "/" + folder + "unit_kelm.so";
#endif
}

// Sets an environment variable for the library loaded next; an empty value removes it.
inline void SetVariable(const char* name, const std::string& value) {
#if defined(_WIN32)
  SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
#else
  if (value.empty()) {
    unsetenv(name);
  } else {
    setenv(name, value.c_str(), 1);
  }
#endif
}

// The lines of a trace file.
inline std::vector<std::string> LinesOf(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}
