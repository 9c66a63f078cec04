// What an unattended run asks of the main window: the presses a person at the board would make.
#pragma once

#include "port_choice.h"

class RigWindow {
 public:
  virtual ~RigWindow() = default;
  // Chooses "Test Hardware" item `hardware_type` and presses START, as clicks would: the click is
  // handled from the message loop. The procedures it starts open `port` of the kind.
  virtual void PressStart(int hardware_type, const PortChoice& port) = 0;
  // STOP: a running halt loop ends after its current attempt.
  virtual void PressStop() = 0;
  // The close box: the window closes once no procedure runs, and the program ends.
  virtual void Close() = 0;
};
