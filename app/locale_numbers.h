// Numbers as the user's locale writes them, for the attempt count in the window and the progress
// an unattended run streams.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "halt_count_text.h"

// What a locale writes its numbers with, as GetLocaleInfoEx gives it.
struct NumberSettings {
  std::wstring grouping;  // LOCALE_SGROUPING: the group sizes from the right, "3;0" or "3;2;0"
  std::wstring decimal;   // LOCALE_SDECIMAL
  std::wstring thousand;  // LOCALE_STHOUSAND
};

// Numbers written with the settings that `settings` gives at each number (Windows).
class LocaleNumbers final : public NumberFormat {
 public:
  explicit LocaleNumbers(std::function<NumberSettings()> settings);
  std::string Whole(std::uint64_t value) const override;
  std::string Tenths(std::uint64_t tenths) const override;

 private:
  // `number`, digits with a full stop before the last `decimals` of them, in UTF-8; as it is
  // where the system cannot write it.
  std::string Formatted(const std::string& number, unsigned decimals) const;

  std::function<NumberSettings()> settings_;
};

// Numbers as the user's locale writes them, its settings read at each number, so that a change
// of them shows at the next.
const NumberFormat& UserNumberFormat();
