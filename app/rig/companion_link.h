// What testz.com, the console companion, hands testz.exe when it starts it: when to stop the run
// and how to write progress lines for it.
#pragma once

#include <optional>

#include "owned_handle.h"

// testz.com names two handles and a flag in the variable TESTZ_COMPANION (companion_protocol.h):
// an event it sets on Ctrl+C, Ctrl+Break or the close of its console, and its own process, which
// ends when testz.com is ended (taskkill /F, a cancelled CI job). Either stops the run as the
// window's close does.
class CompanionLink {
 public:
  // The link testz.com left, once: the variable is removed from the process's environment, so
  // that no command the run starts inherits it, and its handles are made not to be inherited. A
  // value that is malformed or names no usable handles gives nothing, and is removed all the same.
  static std::optional<CompanionLink> FromEnvironment();

  // True once the event is set or testz.com has ended. It asks the system without waiting, for a
  // poll four times a second.
  bool StopAsked() const;

  // testz.com's standard output is an interactive console: progress lines are to carry the
  // progress marker (kProgressMarker), which testz.com strips as it shows them in place.
  bool ProgressInPlace() const { return progress_in_place_; }

 private:
  CompanionLink(KernelHandle companion, KernelHandle stop_event, bool progress_in_place);

  KernelHandle companion_;
  KernelHandle stop_event_;
  bool progress_in_place_ = false;
};
