// The START procedure: the enumeration report, then connection, mode set-up and the halt loop.
#pragma once

#include <cstdint>
#include <string_view>

#include "output_log.h"

// What the procedure needs of the main window. The Win32 window implements it in the program;
// the tests put a double in its place.
class RecoveryWindow {
 public:
  virtual ~RecoveryWindow() = default;
  virtual void SetStartEnabled(bool enabled) = 0;
  virtual void SetStopEnabled(bool enabled) = 0;
  // The list control behind the output log: cleared when the procedure starts, then written
  // through LogWriteLine.
  virtual ListControl& Log() = 0;
  // Selected indices of the two radio groups: hardwaretype 0 to 7, communicationtype 0 or 1.
  virtual int HardwareTypeIndex() = 0;
  virtual int CommunicationTypeIndex() = 0;
  virtual void SetVersionLabel(std::string_view text) = 0;
  // Lets the window process all pending messages once, then returns.
  virtual void ProcessMessages() = 0;
};

// Set to 1 by STOP; cleared only by the halt loop's set-up and read only by the halt loop.
extern std::uint8_t StopRequested;

// Runs the whole procedure against the loaded library's EntryPointTable. Called from the START
// click handler, only after the library loaded with every entry point resolved. Nothing is
// thrown out of it: a fault in the library (or a text it returned that cannot be read) ends it
// with one line, START and STOP disabled and the library abandoned; a log that refuses more lines
// ends it with a last line saying so; any other exception ends it with one line; the buttons are
// then idle.
void RecoveryProcedure(RecoveryWindow& window);
