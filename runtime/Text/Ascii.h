// ASCII helpers of the runtime: case of the letters A-Z and a-z, comparison
// that folds only those, widening of narrow ASCII text, and hexadecimal
// digits.
//
// Only the 52 ASCII letters ever change case here; every other code unit,
// U+00E9, U+0130 and U+212A (KELVIN SIGN) included, stays as it is. That is
// what identifiers, file-name masks, language codes, encoding names and
// registry paths need: a fold that doesn't depend on the locale or on the
// platform's Unicode tables. Unicode case mapping is TUnicodeString's.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Rtl {

// --- Characters ------------------------------------------------------------

constexpr bool IsAsciiUpper(wchar_t c) noexcept { return c >= L'A' && c <= L'Z'; }
constexpr bool IsAsciiLower(wchar_t c) noexcept { return c >= L'a' && c <= L'z'; }
constexpr bool IsAsciiLetter(wchar_t c) noexcept { return IsAsciiUpper(c) || IsAsciiLower(c); }
constexpr bool IsAsciiDigit(wchar_t c) noexcept { return c >= L'0' && c <= L'9'; }
constexpr bool IsAsciiAlphaNumeric(wchar_t c) noexcept { return IsAsciiLetter(c) || IsAsciiDigit(c); }

// a-z to A-Z; any other character unchanged.
constexpr wchar_t AsciiUpper(wchar_t c) noexcept {
  return IsAsciiLower(c) ? static_cast<wchar_t>(c - (L'a' - L'A')) : c;
}
// A-Z to a-z; any other character unchanged.
constexpr wchar_t AsciiLower(wchar_t c) noexcept {
  return IsAsciiUpper(c) ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
}

// Equal once A-Z and a-z are folded together.
constexpr bool AsciiSameChar(wchar_t a, wchar_t b) noexcept { return a == b || AsciiLower(a) == AsciiLower(b); }

// --- Texts -----------------------------------------------------------------

inline std::wstring AsciiUpperCase(std::wstring_view text) {
  std::wstring result(text);
  for (wchar_t& c : result) c = AsciiUpper(c);
  return result;
}

inline std::wstring AsciiLowerCase(std::wstring_view text) {
  std::wstring result(text);
  for (wchar_t& c : result) c = AsciiLower(c);
  return result;
}

// Same length and every character AsciiSameChar.
constexpr bool AsciiSameText(std::wstring_view a, std::wstring_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!AsciiSameChar(a[i], b[i])) return false;
  return true;
}

// Negative, 0 or positive as `a` sorts before, with or after `b` when both
// are upper-cased (ASCII letters only) and compared by code unit; a text
// sorts before any longer text that it begins. Upper-casing is the fold of
// the platform's ordinal case-insensitive comparison, so "_" (U+005F) sorts
// after the letters, as it does there.
constexpr int AsciiCompareText(std::wstring_view a, std::wstring_view b) noexcept {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const int x = AsciiUpper(a[i]), y = AsciiUpper(b[i]);
    if (x != y) return x - y;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// Each byte of `text` as the code unit of the same value: ASCII (and
// Latin-1) text such as a literal or the output of a C library function.
inline std::wstring WidenAscii(std::string_view text) {
  std::wstring result(text.size(), L'\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    result[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
  return result;
}

// --- Hexadecimal digits ------------------------------------------------------

// The value of a hexadecimal digit (0-9, A-F, a-f); -1 for any other
// character. A narrow character converts to wchar_t first, so bytes above
// 0x7F give -1 too.
constexpr int HexDigitValue(wchar_t c) noexcept {
  if (IsAsciiDigit(c)) return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return -1;
}

constexpr bool IsHexDigit(wchar_t c) noexcept { return HexDigitValue(c) >= 0; }

// The digit of the low four bits of `value`: '0'-'9' and 'A'-'F', or 'a'-'f'
// with `lowerCase`. A decimal digit is the same call with a value below 10.
constexpr wchar_t HexDigitChar(unsigned value, bool lowerCase = false) noexcept {
  value &= 15;
  if (value < 10) return static_cast<wchar_t>(L'0' + value);
  return static_cast<wchar_t>((lowerCase ? L'a' : L'A') + (value - 10));
}

}  // namespace Rtl
