// STOP's request to the running procedure: the one-byte flag and the call that sets it.
#pragma once

#include <cstdint>

// Set to 1 by RequestStop only. Cleared by the halt loop's set-up, and by a long report when it
// starts processing messages; read by both.
extern std::uint8_t StopRequested;

// STOP: asks a running halt loop to end after its current attempt, or a long report after its
// current line, by setting StopRequested.
void RequestStop();
