// What the main window tells whoever runs it beside the user, an unattended run, as it happens.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "halt_count.h"
#include "recovery_ending.h"

class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // The log: line `index` now reads `text`, as the list shows it; an index one past the last line
  // is a line added. Lines are 8-bit, in the system's ANSI code page.
  virtual void LogLineSet(int index, std::string_view text) noexcept = 0;
  virtual void LogCleared() noexcept = 0;
  // The window is visible, FormShow's lines in its log; START is enabled only when the library
  // loaded with every export.
  virtual void WindowShown(bool start_enabled) noexcept = 0;
  // START: the procedure runs for these "Test Hardware" and "Communication" items.
  virtual void RunStarted(int hardware_type, int communication_type) noexcept = 0;
  // The version label's new text: the library's version.
  virtual void LibraryVersionShown(std::string_view text) noexcept = 0;
  // The port the procedure chose, none when no one port matched the choice, and the kind's
  // descriptors as the report listed them (8-bit, as the log shows them).
  virtual void PortChosen(std::optional<std::uint32_t> port,
                          const std::vector<std::string>& descriptors) noexcept = 0;
  virtual void CableVersionRead(std::uint16_t version) noexcept = 0;
  virtual void HaltLoopStarted() noexcept = 0;
  // While the halt loop runs, each time the window is shown the count.
  virtual void HaltCounted(const HaltCount& count) noexcept = 0;
  virtual void HaltLoopEnded(const HaltCount& count) noexcept = 0;
  virtual void RunEnded(RecoveryEnding ending) noexcept = 0;
  // The window closes now, no procedure running: the library is still loaded, and is freed next.
  virtual void WindowClosing() noexcept = 0;
  // Windows is ending the user's session: the process may be ended as soon as this returns. A
  // running halt loop has been asked to stop; the library is still loaded.
  virtual void SessionEnding() noexcept = 0;
  // The power-cycle commands started so far, for the count; none where there is no command.
  virtual std::optional<int> PowerCycles() const noexcept = 0;
};
