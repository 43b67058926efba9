// One byte as two hexadecimal digits and back: the shared step of the
// encoders and decoders of escapes ("%41", "#0A", scrambled text, Base16).
// The digits themselves are the runtime's (runtime/Text/Ascii.h). Internal
// to the library.
#pragma once

#include <cstdint>

#include "runtime/Text/Ascii.h"

namespace Qd::HexPair {

// True, with the byte, when `high` and `low` are both hexadecimal digits.
// They are code units, or bytes of raw text converted to unsigned (a byte
// above 0x7F, sign-extended or not, is no digit).
constexpr bool TryToByte(unsigned high, unsigned low, std::uint8_t& byte) {
  if (high > 0xFFFF || low > 0xFFFF) return false;
  const int h = Rtl::HexDigitValue(static_cast<wchar_t>(high)), l = Rtl::HexDigitValue(static_cast<wchar_t>(low));
  if (h < 0 || l < 0) return false;
  byte = static_cast<std::uint8_t>(h * 16 + l);
  return true;
}

// Appends the two digits of `byte`, high first, to `out` (a wide string or
// a byte array): upper case, or lower case with `lowerCase`.
template <class TOut>
void Append(TOut& out, std::uint8_t byte, bool lowerCase = false) {
  out.push_back(static_cast<typename TOut::value_type>(Rtl::HexDigitChar(byte >> 4u, lowerCase)));
  out.push_back(static_cast<typename TOut::value_type>(Rtl::HexDigitChar(byte & 15u, lowerCase)));
}

}  // namespace Qd::HexPair
