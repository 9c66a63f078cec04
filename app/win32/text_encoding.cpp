// Text between the 8-bit code pages the program meets and UTF-16: measured, then converted.
#include "text_encoding.h"

std::wstring WideFrom(UINT code_page, std::string_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int wide_length = MultiByteToWideChar(code_page, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), length, wide.data(), wide_length);
  return wide;
}

std::string BytesFrom(UINT code_page, std::wstring_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int byte_length =
      WideCharToMultiByte(code_page, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(byte_length), '\0');
  WideCharToMultiByte(code_page, 0, text.data(), length, bytes.data(), byte_length, nullptr,
                      nullptr);
  return bytes;
}

std::string Utf8FromAnsi(std::string_view ansi) {
  return BytesFrom(CP_UTF8, WideFrom(CP_ACP, ansi));
}

std::wstring PaddedDigits(unsigned value, int count, unsigned base) {
  std::wstring text(static_cast<std::size_t>(count), L'0');
  for (int i = count - 1; i >= 0; --i, value /= base) {
    text[static_cast<std::size_t>(i)] = L"0123456789ABCDEF"[value % base];
  }
  return text;
}
