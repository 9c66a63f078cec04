// The simulated board's power switch, for a power-cycle command: touches the file the simulator's
// "touched" halt watches, then exits with the code asked for, after the time asked for.
//
//   power_switch [FILE] [--exit CODE] [--sleep MILLISECONDS] [--child MILLISECONDS]
//                [--record RECORD]
//
// Without FILE it touches nothing: a command that does nothing. --child starts a copy of itself
// that lives on that long after this one has exited (a batch file that starts a tool, as a
// process tree). --record appends "start PID" as it starts, "child PID" once its child runs and
// "end PID" as it exits by itself to RECORD; its child records there too. A process ended from
// outside writes no "end" line.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

// One line appended to `record`, whole: the switch and its child write to the same file.
void Record(const char* record, const std::string& what, DWORD process_id) {
  if (!record) return;
  const std::string line = what + " " + std::to_string(process_id) + "\r\n";
  for (int attempt = 0; attempt < 100; ++attempt) {
    const HANDLE file = CreateFileA(record, FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      Sleep(10);
      continue;
    }
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return;
  }
}

// Starts this program again, to sleep `sleep_ms` and record to `record`. Its process id, or 0.
DWORD StartChild(long sleep_ms, const char* record) {
  char self[MAX_PATH] = {};
  if (!GetModuleFileNameA(nullptr, self, MAX_PATH)) return 0;
  std::string command = std::string("\"") + self + "\" --sleep " + std::to_string(sleep_ms);
  if (record) command += std::string(" --record \"") + record + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return 0;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return started.dwProcessId;
}

}  // namespace

int main(int argc, char** argv) {
  int exit_code = 0;
  long sleep_ms = 0;
  long child_ms = -1;
  const char* record = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--record") == 0 && i + 1 < argc) record = argv[++i];
  }
  const DWORD self = GetCurrentProcessId();
  Record(record, "start", self);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--exit") == 0 && i + 1 < argc) {
      exit_code = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--sleep") == 0 && i + 1 < argc) {
      sleep_ms = std::atol(argv[++i]);
    } else if (std::strcmp(argv[i], "--child") == 0 && i + 1 < argc) {
      child_ms = std::atol(argv[++i]);
    } else if (std::strcmp(argv[i], "--record") == 0 && i + 1 < argc) {
      ++i;
    } else {
      // Written anew, so that its last-write time is now.
      std::ofstream file(argv[i], std::ios::binary | std::ios::trunc);
      file << "power cycled\n";
      if (!file) return 125;
    }
  }
  if (child_ms >= 0) {
    const DWORD child = StartChild(sleep_ms + child_ms, record);
    if (!child) return 126;
    Record(record, "child", child);
  }
  if (sleep_ms > 0) Sleep(static_cast<DWORD>(sleep_ms));
  Record(record, "end", self);
  return exit_code;
}
