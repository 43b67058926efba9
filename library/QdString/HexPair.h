// One byte as two hexadecimal digits and back: the shared step of the
// encoders and decoders of escapes ("%41", "#0A", scrambled text, Base16).
// Internal to the library.
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

// Appends the two digits of `byte`, high first, to `out` (a wide string or
// a byte array): upper case, or lower case with `lowerCase`.
template <class TOut>
void Append(TOut& out, std::uint8_t byte, bool lowerCase = false) {
  const char* digits = lowerCase ? "0123456789abcdef" : "0123456789ABCDEF";
  out.push_back(static_cast<typename TOut::value_type>(digits[byte >> 4]));
  out.push_back(static_cast<typename TOut::value_type>(digits[byte & 15]));
}

}  // namespace Qd::HexPair
