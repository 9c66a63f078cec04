// The time the START procedure goes by: the system's steady clock in the program, a fake one in
// tests.
#pragma once

#include <chrono>

class ProcedureClock {
 public:
  virtual ~ProcedureClock() = default;
  virtual std::chrono::steady_clock::time_point Now() const = 0;
};

const ProcedureClock& SteadyProcedureClock();
