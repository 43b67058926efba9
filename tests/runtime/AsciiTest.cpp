// The runtime's ASCII helpers: only A-Z and a-z fold, whatever the other
// code units look like; comparison orders as the platform's ordinal
// case-insensitive comparison does; widening and hexadecimal digits.
#include <gtest/gtest.h>

#include <string>

#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"

using namespace Rtl;

namespace {

int Sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

// Usable where constants are needed.
static_assert(AsciiUpper(L'q') == L'Q' && AsciiLower(L'Q') == L'q');
static_assert(AsciiSameText(L"Identifier", L"iDENTIFIER"));
static_assert(HexDigitValue(L'f') == 15 && HexDigitChar(11) == L'B');

}  // namespace

TEST(Ascii, OnlyTheAsciiLettersChangeCase) {
  // Every code unit: a-z and A-Z map onto each other, nothing else moves.
  for (unsigned u = 0; u <= 0xFFFF; ++u) {
    const auto c = static_cast<wchar_t>(u);
    const bool lower = u >= 'a' && u <= 'z', upper = u >= 'A' && u <= 'Z';
    ASSERT_EQ(AsciiUpper(c), lower ? static_cast<wchar_t>(u - 32) : c) << u;
    ASSERT_EQ(AsciiLower(c), upper ? static_cast<wchar_t>(u + 32) : c) << u;
    ASSERT_EQ(IsAsciiLetter(c), lower || upper) << u;
  }
  // Letters whose Unicode case mapping reaches ASCII, or leaves it, stay:
  // e acute, capital I with dot, dotless i, long s, Kelvin sign.
  for (wchar_t c : {L'\u00E9', L'\u00C9', L'\u0130', L'\u0131', L'\u017F', L'\u212A', L'\u00FF', L'\u0178'}) {
    EXPECT_EQ(AsciiUpper(c), c) << static_cast<int>(c);
    EXPECT_EQ(AsciiLower(c), c) << static_cast<int>(c);
  }
  EXPECT_EQ(AsciiUpperCase(L"Hello, w\u00F6rld \u00E9\u0131\u017F z@[`{"), L"HELLO, W\u00F6RLD \u00E9\u0131\u017F Z@[`{");
  EXPECT_EQ(AsciiLowerCase(L"HELLO, W\u00D6RLD \u00C9\u0130\u212A Z@[`{"), L"hello, w\u00D6rld \u00C9\u0130\u212A z@[`{");
  const std::wstring withNul(L"A\0b", 3);
  EXPECT_EQ(AsciiLowerCase(withNul), std::wstring(L"a\0b", 3));
  EXPECT_EQ(AsciiUpperCase(L""), L"");
}

TEST(Ascii, SameTextFoldsOnlyAsciiLetters) {
  EXPECT_TRUE(AsciiSameText(L"", L""));
  EXPECT_TRUE(AsciiSameText(L"Software\\Korvanta", L"SOFTWARE\\korvanta"));
  EXPECT_TRUE(AsciiSameText(L"\u00E9t\u00E9", L"\u00E9T\u00E9"));  // the ASCII letter folds, the others match exactly
  // The neighbours of the letters differ by 0x20 as the letters do, but
  // are no letters: a fold by bit 5 alone would take them for the same.
  EXPECT_FALSE(AsciiSameText(L"@", L"`"));
  EXPECT_FALSE(AsciiSameText(L"[", L"{"));
  EXPECT_FALSE(AsciiSameChar(L'\\', L'|'));
  EXPECT_FALSE(AsciiSameChar(L'^', L'~'));
  // Non-ASCII letters equal to ASCII ones under Unicode case mapping.
  EXPECT_FALSE(AsciiSameText(L"KELVIN", L"\u212Aelvin"));
  EXPECT_FALSE(AsciiSameText(L"I", L"\u0130"));
  EXPECT_FALSE(AsciiSameText(L"i", L"\u0131"));
  EXPECT_FALSE(AsciiSameText(L"s", L"\u017F"));
  EXPECT_FALSE(AsciiSameText(L"\u00E9", L"\u00C9"));
  // Lengths count; a prefix is not the text.
  EXPECT_FALSE(AsciiSameText(L"abc", L"ABCD"));
  EXPECT_FALSE(AsciiSameText(std::wstring(L"a\0", 2), L"A"));
}

TEST(Ascii, CompareTextOrdersAsTheOrdinalCaseInsensitiveComparison) {
  EXPECT_EQ(AsciiCompareText(L"ABC", L"abc"), 0);
  EXPECT_LT(AsciiCompareText(L"abc", L"ABD"), 0);
  EXPECT_GT(AsciiCompareText(L"ABD", L"abc"), 0);
  EXPECT_LT(AsciiCompareText(L"ab", L"ABC"), 0);
  EXPECT_GT(AsciiCompareText(L"abc", L"AB"), 0);
  EXPECT_EQ(AsciiCompareText(L"", L""), 0);
  EXPECT_GT(AsciiCompareText(L"_", L"a"), 0);  // upper-cased, 'a' is 'A' (0x41) < '_' (0x5F)
  EXPECT_GT(AsciiCompareText(L"\u00E9", L"E"), 0);
  EXPECT_NE(AsciiCompareText(L"\u212A", L"k"), 0);
  // Every pair of printable ASCII characters, against the platform (the
  // comparison of case-insensitive string lists).
  for (wchar_t a = 0x20; a < 0x7F; ++a)
    for (wchar_t b = 0x20; b < 0x7F; ++b) {
      const wchar_t x[] = {L'x', a, L'y'}, y[] = {L'x', b};
      const int platform = CompareStringOrdinal(x, 3, y, 2, TRUE) - CSTR_EQUAL;
      ASSERT_EQ(Sign(AsciiCompareText({x, 3}, {y, 2})), Sign(platform)) << static_cast<int>(a) << " " << static_cast<int>(b);
      ASSERT_EQ(Sign(AsciiCompareText({x, 2}, {y, 2})), Sign(CompareStringOrdinal(x, 2, y, 2, TRUE) - CSTR_EQUAL));
    }
}

TEST(Ascii, WidenKeepsEveryByteAsItsCodeUnit) {
  EXPECT_EQ(WidenAscii("192.168.0.1"), L"192.168.0.1");
  EXPECT_EQ(WidenAscii(""), L"");
  // Bytes above 0x7F are not sign-extended (0xE9 is U+00E9, not U+FFE9).
  EXPECT_EQ(WidenAscii("\x80\xE9\xFF"), L"\u0080\u00E9\u00FF");
  EXPECT_EQ(WidenAscii(std::string_view("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(Ascii, HexDigits) {
  for (unsigned u = 0; u <= 0xFFFF; ++u) {
    const auto c = static_cast<wchar_t>(u);
    int expected = -1;
    if (u >= '0' && u <= '9') expected = static_cast<int>(u - '0');
    if (u >= 'A' && u <= 'F') expected = static_cast<int>(u - 'A' + 10);
    if (u >= 'a' && u <= 'f') expected = static_cast<int>(u - 'a' + 10);
    ASSERT_EQ(HexDigitValue(c), expected) << u;
    ASSERT_EQ(IsHexDigit(c), expected >= 0) << u;
  }
  // Full-width digits and letters are not hexadecimal digits.
  EXPECT_EQ(HexDigitValue(L'\uFF10'), -1);
  EXPECT_EQ(HexDigitValue(L'\uFF21'), -1);
  // A narrow byte above 0x7F is no digit, even where its low seven bits are.
  EXPECT_EQ(HexDigitValue(static_cast<char>(0xB0)), -1);
  EXPECT_EQ(HexDigitValue(static_cast<char>(0xC1)), -1);

  const std::wstring upper = L"0123456789ABCDEF", lower = L"0123456789abcdef";
  for (unsigned v = 0; v < 16; ++v) {
    EXPECT_EQ(HexDigitChar(v), upper[v]);
    EXPECT_EQ(HexDigitChar(v, true), lower[v]);
    EXPECT_EQ(HexDigitValue(HexDigitChar(v, v % 2 == 0)), static_cast<int>(v));
  }
  // Only the low four bits count.
  EXPECT_EQ(HexDigitChar(0x1A), L'A');
  EXPECT_EQ(HexDigitChar(0xFFFFFFF0u), L'0');
}
