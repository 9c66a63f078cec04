// What the simulator needs from the operating system: environment, files and guarded memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A file name as the system's file functions take it.
#if defined(_WIN32)
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

// The variable's value; nothing when it is unset or empty.
std::optional<std::string> EnvironmentVariable(const char* name);

// Under Wine a name that starts with "/" is a Unix file name, and is turned into the DOS name
// that reaches that file; every other name is used as it is.
NativePath ToNativePath(const std::string& name);

bool ReadWholeFile(const NativePath& path, std::string& contents);
bool FileExists(const NativePath& path);
// How long ago the file was last written, in microseconds (0 for a time ahead of the clock);
// nothing when it does not exist.
std::optional<std::int64_t> MicrosecondsSinceWritten(const NativePath& path);

// Sleeps the whole time, leaving the processor to others.
void SleepMilliseconds(std::uint32_t milliseconds);

// A file written at given offsets, straight to the system with no buffer of its own, so that
// whatever was written survives the process ending abruptly. Opening keeps what it holds.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  OutputFile(OutputFile&& other) noexcept : handle_(other.handle_) { other.handle_ = kNoFile; }
  OutputFile& operator=(OutputFile&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.handle_;
      other.handle_ = kNoFile;
    }
    return *this;
  }
  ~OutputFile() { Close(); }

  bool Open(const NativePath& path);
  std::uint64_t Size() const;
  void WriteAt(std::uint64_t offset, std::string_view bytes);

 private:
  static constexpr std::intptr_t kNoFile = -1;
  // Closes the file if one is open; the system's part, one for each platform.
  void Close();
  std::intptr_t handle_ = kNoFile;
};

// size bytes (at most a page) that end right before an inaccessible page, so that reading one
// byte past them faults; null when the system refuses the memory.
char* AllocateBeforeGuardPage(std::size_t size);
void FreeBeforeGuardPage(char* bytes, std::size_t size);
