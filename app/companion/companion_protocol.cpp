// The companion variable's value, written by testz.com and read back by testz.exe.
#include "companion_protocol.h"

#include <limits>

namespace {

// A handle value: decimal digits only, no sign, within the range of a handle.
std::optional<std::uintptr_t> HandleValue(std::wstring_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uintptr_t value = 0;
  constexpr std::uintptr_t kMax = std::numeric_limits<std::uintptr_t>::max();
  for (wchar_t c : digits) {
    if (c < L'0' || c > L'9') return std::nullopt;
    const auto digit = static_cast<std::uintptr_t>(c - L'0');
    if (value > (kMax - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  if (value == 0) return std::nullopt;
  return value;
}

std::wstring Decimal(std::uintptr_t value) {
  const std::string digits = std::to_string(value);
  return std::wstring(digits.begin(), digits.end());
}

}  // namespace

std::wstring FormatCompanionValue(const CompanionValue& value) {
  return Decimal(value.process) + L";" + Decimal(value.stop_event) + L";" +
         (value.progress_in_place ? L"1" : L"0");
}

std::optional<CompanionValue> ParseCompanionValue(std::wstring_view text) {
  const std::size_t first = text.find(L';');
  if (first == std::wstring_view::npos) return std::nullopt;
  const std::size_t second = text.find(L';', first + 1);
  if (second == std::wstring_view::npos) return std::nullopt;
  const std::optional<std::uintptr_t> process = HandleValue(text.substr(0, first));
  const std::optional<std::uintptr_t> event =
      HandleValue(text.substr(first + 1, second - first - 1));
  const std::wstring_view in_place = text.substr(second + 1);
  if (!process || !event || *process == *event || (in_place != L"0" && in_place != L"1")) {
    return std::nullopt;
  }
  return CompanionValue{*process, *event, in_place == L"1"};
}
