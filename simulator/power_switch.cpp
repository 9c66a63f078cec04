// The simulated board's power switch, for a power-cycle command: touches the file the simulator's
// "touched" halt watches, then exits with the code asked for, after the time asked for.
//
//   power_switch [FILE] [--exit CODE] [--sleep MILLISECONDS]
//
// Without FILE it touches nothing: a command that does nothing.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

int main(int argc, char** argv) {
  int exit_code = 0;
  long sleep_ms = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--exit") == 0 && i + 1 < argc) {
      exit_code = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--sleep") == 0 && i + 1 < argc) {
      sleep_ms = std::atol(argv[++i]);
    } else {
      // Written anew, so that its last-write time is now.
      std::ofstream file(argv[i], std::ios::binary | std::ios::trunc);
      file << "power cycled\n";
      if (!file) return 125;
    }
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(sleep_ms));
  return exit_code;
}
