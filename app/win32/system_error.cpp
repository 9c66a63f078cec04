// The system's own words for an error code.
#include "system_error.h"

#include "text_encoding.h"

std::wstring SystemErrorText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0) {
    const std::string number = std::to_string(error);
    return L"Error " + std::wstring(number.begin(), number.end()) + L".";
  }
  std::wstring message(text, length);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
    message.pop_back();
  }
  return message;
}

std::string SystemErrorUtf8(DWORD error) {
  return BytesFrom(CP_UTF8, SystemErrorText(error));
}
