// What an unattended run knows of itself, copied out under its lock.
#include "run_record.h"

#include <exception>

std::optional<RunRecord::Copy> RunRecord::TryCopy(std::chrono::milliseconds wait) const noexcept {
  std::unique_lock<std::recursive_timed_mutex> hold(lock_, std::defer_lock);
  if (!hold.try_lock_for(wait)) return std::nullopt;
  try {
    return record_;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}
