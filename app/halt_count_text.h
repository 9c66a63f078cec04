// What the attempt count says: a halt loop's attempts while it runs, and how it ended.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "halt_count.h"
#include "recovery_ending.h"

// Numbers as the user's locale writes them, in UTF-8.
class NumberFormat {
 public:
  virtual ~NumberFormat() = default;
  // A whole number with the locale's digit grouping: 12345 as "12,345" in English.
  virtual std::string Whole(std::uint64_t value) const = 0;
  // A number of tenths with one decimal: 412 as "41.2" in English.
  virtual std::string Tenths(std::uint64_t tenths) const = 0;
};

// One line each, short enough for the panel's width at the counts a session reaches.

// While the loop runs, in UTF-8: "12,345 attempts · 18,200/s · 0:41", the attempts asked so far,
// their pace (left out until it is known) and the time since the loop began; in an unattended run
// with a power-cycle command, the commands started so far after them (" · power cycle 3").
std::string RunningCountText(const HaltCount& count, const NumberFormat& numbers,
                             std::optional<int> power_cycles = std::nullopt);

// Once the procedure has ended after a halt loop, in UTF-8: "Halted: 12,345 attempts in 41.2 s",
// "Stopped: ...", after a fault in the library the attempts made before the one that failed
// ("Failed: ..."), after any other failure "Ended: ...".
std::string EndedCountText(RecoveryEnding ending, const HaltCount& count,
                           const NumberFormat& numbers);
