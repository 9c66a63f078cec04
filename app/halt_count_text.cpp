// What the attempt count says: a halt loop's attempts while it runs, and how it ended.
#include "halt_count_text.h"

#include <chrono>

namespace {

// The dot between the parts (UTF-8).
constexpr char kBetweenParts[] = " \xC2\xB7 ";

std::string Attempts(std::uint64_t attempts, const NumberFormat& numbers) {
  return numbers.Whole(attempts) + (attempts == 1 ? " attempt" : " attempts");
}

// Three significant digits: a pace that changes with every count is not worth reading in full.
std::uint64_t Rounded(std::uint64_t value) {
  std::uint64_t unit = 1;
  while (value / unit >= 1000) unit *= 10;
  return (value + unit / 2) / unit * unit;
}

// m:ss, or h:mm:ss from an hour on.
std::string Clock(std::chrono::nanoseconds elapsed) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
  const auto two_digits = [](long long value) {
    return std::string(value < 10 ? "0" : "") + std::to_string(value);
  };
  const long long hours = seconds / 3600;
  const long long minutes = seconds / 60 % 60;
  if (hours > 0)
    return std::to_string(hours) + ":" + two_digits(minutes) + ":" + two_digits(seconds % 60);
  return std::to_string(minutes) + ":" + two_digits(seconds % 60);
}

}  // namespace

std::string RunningCountText(const HaltCount& count, const NumberFormat& numbers,
                             std::optional<int> power_cycles) {
  std::string text = Attempts(count.attempts, numbers);
  if (count.per_second != 0) {
    text += kBetweenParts + numbers.Whole(Rounded(count.per_second)) + "/s";
  }
  text += kBetweenParts + Clock(count.elapsed);
  if (power_cycles) {
    text += std::string(kBetweenParts) + "power cycle " +
            numbers.Whole(static_cast<std::uint64_t>(*power_cycles));
  }
  return text;
}

std::string EndedCountText(RecoveryEnding ending, const HaltCount& count,
                           const NumberFormat& numbers) {
  std::string outcome = "Ended";
  std::uint64_t attempts = count.attempts;
  switch (ending) {
    case RecoveryEnding::kHalted: outcome = "Halted"; break;
    case RecoveryEnding::kStopped: outcome = "Stopped"; break;
    case RecoveryEnding::kLibraryFault:
      // The attempt that failed is not one that was made.
      outcome = "Failed";
      attempts = attempts > 0 ? attempts - 1 : 0;
      break;
    default: break;
  }
  const auto tenths =
      std::chrono::duration_cast<std::chrono::milliseconds>(count.elapsed).count() / 100;
  return outcome + ": " + Attempts(attempts, numbers) + " in " +
         numbers.Tenths(static_cast<std::uint64_t>(tenths)) + " s";
}
