// The simulator's system layer on POSIX systems.
#include "platform.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

std::optional<std::string> EnvironmentVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

NativePath ToNativePath(const std::string& name) {
  return name;
}

bool ReadWholeFile(const NativePath& path, std::string& contents) {
  const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return false;
  contents.clear();
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(file, buffer, sizeof buffer)) > 0) {
    contents.append(buffer, static_cast<std::size_t>(got));
  }
  close(file);
  return got == 0;
}

bool FileExists(const NativePath& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0;
}

std::optional<std::int64_t> MicrosecondsSinceWritten(const NativePath& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return std::nullopt;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const std::int64_t since = (std::int64_t{now.tv_sec} - status.st_mtim.tv_sec) * 1000000 +
                             (now.tv_nsec - status.st_mtim.tv_nsec) / 1000;
  return since < 0 ? 0 : since;
}

void SleepMilliseconds(std::uint32_t milliseconds) {
  timespec left{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

void OutputFile::Close() {
  if (handle_ != kNoFile) close(static_cast<int>(handle_));
  handle_ = kNoFile;
}

bool OutputFile::Open(const NativePath& path) {
  Close();
  handle_ = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  return handle_ >= 0;
}

std::uint64_t OutputFile::Size() const {
  struct stat status {};
  if (handle_ < 0 || fstat(static_cast<int>(handle_), &status) != 0) return 0;
  return static_cast<std::uint64_t>(status.st_size);
}

void OutputFile::WriteAt(std::uint64_t offset, std::string_view bytes) {
  while (handle_ >= 0 && !bytes.empty()) {
    const ssize_t written =
        pwrite(static_cast<int>(handle_), bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (written <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(written));
    offset += static_cast<std::uint64_t>(written);
  }
}

char* AllocateBeforeGuardPage(std::size_t size) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  if (size > page) return nullptr;
  void* pages = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages == MAP_FAILED) return nullptr;
  char* const guard = static_cast<char*>(pages) + page;
  if (mprotect(guard, page, PROT_NONE) != 0) {
    munmap(pages, 2 * page);
    return nullptr;
  }
  return guard - size;
}

void FreeBeforeGuardPage(char* bytes, std::size_t size) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  munmap(bytes + size - page, 2 * page);
}
