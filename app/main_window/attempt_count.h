// What the main window shows of a halt loop's attempts: the count as it grows, then how the loop
// ended (AttemptCount); nothing of it goes into the log.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "halt_count.h"
#include "halt_count_text.h"
#include "recovery_ending.h"

class AttemptCountDisplay {
 public:
  // `show` puts a text on the screen; `numbers` writes numbers as the user's locale does.
  AttemptCountDisplay(std::function<void(std::wstring_view)> show, const NumberFormat& numbers);

  // A START: nothing is counted yet, and nothing is shown until the halt loop counts.
  void RunStarted();
  // While the halt loop runs, with the power-cycle commands started so far where there are any.
  void Counted(const HaltCount& count, std::optional<int> power_cycles = std::nullopt) noexcept;
  // The loop's last count, for its outcome.
  void LoopEnded(const HaltCount& count) noexcept;
  // The procedure has ended: how the loop ended, if one ran.
  void RunEnded(RecoveryEnding ending) noexcept;

 private:
  // Shows the UTF-8 text that `make_text` makes. Where memory runs short, the text shown stays as
  // it was, and the halt loop goes on.
  template <typename MakeText>
  void Show(MakeText make_text) noexcept;

  std::function<void(std::wstring_view)> show_;
  const NumberFormat& numbers_;
  std::optional<HaltCount> last_loop_;
};

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
