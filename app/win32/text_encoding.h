// Text between the 8-bit code pages the program meets (the system's ANSI one, UTF-8) and UTF-16,
// and numbers written as digits of a fixed count.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// `text`, in the 8-bit code page `code_page`, as UTF-16.
std::wstring WideFrom(UINT code_page, std::string_view text);

// `text` in the 8-bit code page `code_page`.
std::string BytesFrom(UINT code_page, std::wstring_view text);

// `ansi`, in the system's ANSI code page (the log's), as UTF-8.
std::string Utf8FromAnsi(std::string_view ansi);

// `value` in `count` digits of `base` (up to 16), leading zeros kept.
std::wstring PaddedDigits(unsigned value, int count, unsigned base);
