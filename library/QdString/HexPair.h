// Two hexadecimal digits read as one byte: the shared step of the decoders
// of escapes ("%41", scrambled text). Internal to the library.
#pragma once

#include <cstdint>

namespace Qd::HexPair {

// The value of a hexadecimal digit; -1 for any other character.
constexpr int DigitValue(unsigned c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

// True, with the byte, when `high` and `low` are both hexadecimal digits.
constexpr bool TryToByte(unsigned high, unsigned low, std::uint8_t& byte) {
  const int h = DigitValue(high), l = DigitValue(low);
  if (h < 0 || l < 0) return false;
  byte = static_cast<std::uint8_t>(h * 16 + l);
  return true;
}

}  // namespace Qd::HexPair
