// The flag by which STOP asks a running halt loop to end.
#include "recovery_procedure.h"

std::uint8_t StopRequested = 0;
