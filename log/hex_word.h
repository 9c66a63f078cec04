// HexWord: a 16-bit number as the log shows it, four hexadecimal digits.
#pragma once

#include <cstdint>
#include <string>

// value as exactly four upper-case hexadecimal digits, most significant first.
std::string HexWord(std::uint16_t value);
