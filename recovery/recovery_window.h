// What the START procedure needs of the main window: the buttons, the log, the version label, the
// port chosen, the pass over pending messages and the halt loop's count.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "halt_count.h"
#include "output_log.h"

// The Win32 window implements it in the program; the tests put a double in its place.
class RecoveryWindow {
 public:
  virtual ~RecoveryWindow() = default;
  virtual void SetStartEnabled(bool enabled) = 0;
  virtual void SetStopEnabled(bool enabled) = 0;
  // The list control behind the output log: cleared when the procedure starts, then written
  // through LogWriteLine.
  virtual ListControl& Log() = 0;
  virtual void SetVersionLabel(std::string_view text) = 0;
  // The port of the kind the procedure chose, told once per START that gets that far: after the
  // connection counted the kind's ports (none attached ends it before), before the port is opened.
  // `port` is none when a choice by text found its words in no descriptor or in several.
  // `descriptors` are the kind's, as the report listed them, from port 1 on: every one for a
  // choice by text; for a choice by number none after the chosen port, so that port N's is the
  // Nth where the report listed it.
  virtual void PortChosen(std::optional<std::uint32_t> port,
                          const std::vector<std::string>& descriptors) = 0;
  // The cable version, once read, as the log shows it: nothing else of the window changes.
  virtual void CableVersionRead(std::uint16_t version) = 0;
  // Lets the window process all pending messages once, then returns.
  virtual void ProcessMessages() = 0;
  // The halt loop's bounds: started before its first attempt, ended on every way out of it (a
  // halt, STOP, a fault, an internal error) before the procedure writes its last line, with the
  // attempts the loop asked of the library (the one that failed included) and its time. Neither
  // may throw.
  virtual void HaltLoopStarted() = 0;
  virtual void HaltLoopEnded(const HaltCount& count) = 0;
  // While the halt loop runs, every kHaltCountInterval or so: its attempts so far. May not throw;
  // nothing of it goes into the log.
  virtual void ShowHaltCount(const HaltCount& count) = 0;
};
