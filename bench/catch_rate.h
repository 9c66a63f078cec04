// The catch-rate measurement: how often one power cycle of the board lets a halt attempt in.
#pragma once

#include <cstdint>

// Measures under Wine, against the simulator's power-cycled board, the share of power-ups whose
// haltable window one of testz.exe's halt attempts lands in, beside the bare loop, two polling
// strategies and the arithmetic limit, and prints the table's rows for scripts/bench.sh. About
// `windows` windows per strategy and probe, in runs of about 200 that take turns; a fifth as
// many for polling every 100 ms.
void MeasureCatchRate(std::uint32_t windows);
