// Numbers as the user's locale writes them: its grouping, decimal and thousands separators, read
// at each number.
#include "locale_numbers.h"

#include <windows.h>

#include <utility>

#include "text_encoding.h"

namespace {

// A text the user's locale gives for one of its settings; `fallback` where it gives none.
std::wstring LocaleText(LCTYPE setting, const wchar_t* fallback) {
  wchar_t text[16] = {};
  if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, setting, text, 16) == 0) return fallback;
  return text;
}

// LOCALE_SGROUPING's group sizes as NUMBERFMT's Grouping takes them. A list that ends in 0 ("3;0",
// "3;2;0") repeats the size before the 0, which Grouping says without the 0 (3, 32); one that
// does not ("3") makes no groups after its last size, which Grouping says with a 0 after it (30).
UINT Grouping(const std::wstring& sizes) {
  UINT grouping = 0;
  for (const wchar_t c : sizes) {
    if (c >= L'0' && c <= L'9') grouping = grouping * 10 + static_cast<UINT>(c - L'0');
  }
  return grouping % 10 == 0 ? grouping / 10 : grouping * 10;
}

NumberSettings UserNumberSettings() {
  return {LocaleText(LOCALE_SGROUPING, L"3;0"), LocaleText(LOCALE_SDECIMAL, L"."),
          LocaleText(LOCALE_STHOUSAND, L",")};
}

}  // namespace

LocaleNumbers::LocaleNumbers(std::function<NumberSettings()> settings)
    : settings_(std::move(settings)) {}

std::string LocaleNumbers::Whole(std::uint64_t value) const {
  return Formatted(std::to_string(value), 0);
}

std::string LocaleNumbers::Tenths(std::uint64_t tenths) const {
  return Formatted(std::to_string(tenths / 10) + "." + std::to_string(tenths % 10), 1);
}

std::string LocaleNumbers::Formatted(const std::string& number, unsigned decimals) const {
  const std::wstring plain(number.begin(), number.end());
  NumberSettings settings = settings_();
  NUMBERFMTW format{
      decimals, 1, Grouping(settings.grouping), settings.decimal.data(), settings.thousand.data(),
      1};
  wchar_t text[64];
  if (GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, plain.c_str(), &format, text, 64) == 0) {
    return number;
  }
  return BytesFrom(CP_UTF8, text);
}

const NumberFormat& UserNumberFormat() {
  static const LocaleNumbers numbers(UserNumberSettings);
  return numbers;
}
