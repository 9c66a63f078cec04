// HexWord: a 16-bit number as the log shows it, four hexadecimal digits.
#include "hex_word.h"

#include <cstddef>

std::string HexWord(std::uint16_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string digits(4, '0');
  for (int i = 3; i >= 0; --i) {
    digits[static_cast<std::size_t>(i)] = kDigits[value & 0xFu];
    value = static_cast<std::uint16_t>(value >> 4);
  }
  return digits;
}
