// The power-cycled board: when it powers up, and which halt attempts land while it can be halted.
#include "power_cycled_board.h"

PowerCycledBoard::PowerCycledBoard(const PowerUps& power_ups,
                                   const std::vector<std::uint32_t>& windows_us)
    : random_(power_ups.seed),
      gap_min_us_(std::uint64_t{power_ups.gap_min_ms} * 1000),
      gap_spread_us_(std::uint64_t{power_ups.gap_max_ms - power_ups.gap_min_ms} * 1000),
      latest_hit_(windows_us.size(), false),
      windows_hit_(windows_us.size(), 0) {
  for (const std::uint32_t window : windows_us)
    windows_.push_back(std::chrono::microseconds(window));
  next_power_up_ = NextGap();
}

// Whole microseconds from the lower bound to the upper, both included, each as likely as the
// others but for the remainder's bias, spread / 2^64.
PowerCycledBoard::Duration PowerCycledBoard::NextGap() {
  return std::chrono::microseconds(gap_min_us_ + random_() % (gap_spread_us_ + 1));
}

bool PowerCycledBoard::Attempt(Duration since_first) {
  last_attempt_ = since_first;
  // Every power-up up to now, those that no attempt saw included.
  while (since_first >= next_power_up_) {
    if (powered_up_) {
      ++windows_over_;
      for (std::size_t i = 0; i < windows_.size(); ++i) windows_hit_[i] += latest_hit_[i] ? 1u : 0u;
    }
    powered_up_ = true;
    latest_power_up_ = next_power_up_;
    next_power_up_ += NextGap();
    latest_hit_.assign(windows_.size(), false);
  }
  if (!powered_up_) return false;
  const Duration since_power_up = since_first - latest_power_up_;
  for (std::size_t i = 0; i < windows_.size(); ++i) {
    if (since_power_up < windows_[i]) latest_hit_[i] = true;
  }
  return !windows_.empty() && since_power_up < windows_.front();
}

std::string PowerCycledBoard::Summary() const {
  const auto attempting = std::chrono::duration_cast<std::chrono::milliseconds>(last_attempt_);
  std::string text = "power-ups: " + std::to_string(windows_over_) + " windows over in " +
                     std::to_string(attempting.count()) + " ms of attempts";
  for (std::size_t i = 0; i < windows_.size(); ++i) {
    const auto window = std::chrono::duration_cast<std::chrono::microseconds>(windows_[i]);
    text += std::string(i == 0 ? "; hit within " : "; within ") + std::to_string(window.count()) +
            " us: " + std::to_string(windows_hit_[i]);
  }
  return text;
}
