// What the main window shows of a halt loop's attempts, in the user's locale.
#include "attempt_count.h"

#include <windows.h>

#include <string>
#include <utility>

#include "text_encoding.h"

namespace {

// A text the user's locale gives for one of its settings; `fallback` where it gives none.
std::wstring LocaleText(LCTYPE setting, const wchar_t* fallback) {
  wchar_t text[16] = {};
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, setting, text, 16) == 0) return fallback;
  return text;
}

// The locale's digit grouping, "3;0" or "3;2;0", as NUMBERFMT takes it: 3 or 32.
UINT Grouping() {
  UINT grouping = 0;
  for (wchar_t c : LocaleText(LOCALE_SGROUPING, L"3;0")) {
    if (c >= L'1' && c <= L'9') grouping = grouping * 10 + static_cast<UINT>(c - L'0');
  }
  return grouping;
}

class UserNumbers final : public NumberFormat {
 public:
  std::string Whole(std::uint64_t value) const override {
    return Formatted(std::to_string(value), 0);
  }
  std::string Tenths(std::uint64_t tenths) const override {
    return Formatted(std::to_string(tenths / 10) + "." + std::to_string(tenths % 10), 1);
  }

 private:
  // `number`, digits and a full stop only, as the locale writes it.
  std::string Formatted(const std::string& number, UINT digits) const {
    const std::wstring plain(number.begin(), number.end());
    std::wstring decimal = LocaleText(LOCALE_SDECIMAL, L".");
    std::wstring thousand = LocaleText(LOCALE_STHOUSAND, L",");
    NUMBERFMTW format{digits, 1, Grouping(), decimal.data(), thousand.data(), 1};
    wchar_t text[64];
    if (GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, plain.c_str(), &format, text, 64) == 0) {
      return number;
    }
    return BytesFrom(CP_UTF8, text);
  }
};

}  // namespace

AttemptCountDisplay::AttemptCountDisplay(std::function<void(std::wstring_view)> show,
                                         const NumberFormat& numbers)
    : show_(std::move(show)), numbers_(numbers) {}

template <typename MakeText>
void AttemptCountDisplay::Show(MakeText make_text) noexcept {
  try {
    show_(WideFrom(CP_UTF8, make_text()));
  } catch (...) {
  }
}

void AttemptCountDisplay::RunStarted() {
  last_loop_.reset();
  Show([] { return std::string(); });
}

void AttemptCountDisplay::Counted(const HaltCount& count,
                                  std::optional<int> power_cycles) noexcept {
  Show([&] { return RunningCountText(count, numbers_, power_cycles); });
}

void AttemptCountDisplay::LoopEnded(const HaltCount& count) noexcept {
  last_loop_ = count;
}

void AttemptCountDisplay::RunEnded(RecoveryEnding ending) noexcept {
  if (!last_loop_) return;
  Show([&] { return EndedCountText(ending, *last_loop_, numbers_); });
}

const NumberFormat& UserNumberFormat() {
  static const UserNumbers numbers;
  return numbers;
}
