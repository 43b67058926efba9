// Character sets and the shape tests of whole texts.
#include <gtest/gtest.h>

#include "QdString.h"

using U = Qd::TUnicodeString;

TEST(Classify, SpaceTabAndWhiteSpaceSets) {
  for (wchar_t c : {L'\t', L' ', L'\u00A0', L'\u3000'}) {
    EXPECT_TRUE(U::IsSpaceTab(c)) << int(c);
    EXPECT_TRUE(U::IsWhiteSpace(c)) << int(c);
  }
  for (wchar_t c : {L'\n', L'\r'}) {
    EXPECT_FALSE(U::IsSpaceTab(c)) << int(c);
    EXPECT_TRUE(U::IsWhiteSpace(c)) << int(c);
  }
  // Vertical tab, form feed, NUL and other Unicode spaces are not in the set.
  for (wchar_t c : {L'\v', L'\f', L'\0', L'\u2028', L'\u2003', L'\u200B', L'\uFEFF', L'a'})
    EXPECT_FALSE(U::IsWhiteSpace(c)) << int(c);
}

TEST(Classify, ControlCharactersExcludeTabLfCr) {
  for (int c = 0; c < 0x20; ++c) {
    const bool expected = c != 0x09 && c != 0x0A && c != 0x0D;
    EXPECT_EQ(U::IsControlCharacter(static_cast<wchar_t>(c)), expected) << c;
  }
  EXPECT_FALSE(U::IsControlCharacter(L' '));
  EXPECT_FALSE(U::IsControlCharacter(L'\x7F'));
  EXPECT_TRUE(U::HasControlCharacters(std::wstring(L"ab\0c", 4)));
  EXPECT_FALSE(U::HasControlCharacters(L"a\tb\r\nc"));
  EXPECT_FALSE(U::HasControlCharacters(L""));
}

TEST(Classify, DigitOctalHexBoundaries) {
  EXPECT_TRUE(U::IsDigit(L'0'));
  EXPECT_TRUE(U::IsDigit(L'9'));
  EXPECT_FALSE(U::IsDigit(L'/'));
  EXPECT_FALSE(U::IsDigit(L':'));
  EXPECT_FALSE(U::IsDigit(L'\uFF10'));  // fullwidth zero
  EXPECT_FALSE(U::IsDigit(L'\u0660'));  // Arabic-Indic zero
  EXPECT_TRUE(U::IsOctalChar(L'7'));
  EXPECT_FALSE(U::IsOctalChar(L'8'));
  for (wchar_t c : {L'0', L'9', L'a', L'f', L'A', L'F'}) EXPECT_TRUE(U::IsHexChar(c)) << char(c);
  for (wchar_t c : {L'g', L'G', L'@', L'`', L'/', L':', L'\uFF21'}) EXPECT_FALSE(U::IsHexChar(c)) << int(c);
  EXPECT_EQ(U::CharToInt(L'7'), 7);
  EXPECT_EQ(U::CharToInt(L'a'), 49);  // unchecked
}

TEST(Classify, LettersComeFromThePlatform) {
  for (wchar_t c : {L'a', L'Z', L'\u00E9', L'\u0130', L'\u03A3', L'\u0451', L'\u00DF'}) {
    EXPECT_TRUE(U::IsAlpha(c)) << int(c);
    EXPECT_TRUE(U::IsAlphaNumeric(c)) << int(c);
  }
  EXPECT_FALSE(U::IsAlpha(L'1'));
  EXPECT_TRUE(U::IsAlphaNumeric(L'1'));
  for (wchar_t c : {L'_', L' ', L'-', L'\xD800', L'\xDC00'}) {
    EXPECT_FALSE(U::IsAlpha(c)) << int(c);
    EXPECT_FALSE(U::IsAlphaNumeric(c)) << int(c);
  }
  EXPECT_FALSE(U::IsAllAlpha(L""));
  EXPECT_TRUE(U::IsAllAlpha(L"Stra\u00DFe\u0451"));
  EXPECT_FALSE(U::IsAllAlpha(L"ab1"));
  EXPECT_FALSE(U::IsAllAlpha(L"a b"));
}

TEST(Classify, WholeTextTestsOnEmptyText) {
  EXPECT_TRUE(U::IsWhiteSpaces(L""));
  EXPECT_TRUE(U::IsAscii(L""));
  EXPECT_FALSE(U::IsAllAlpha(L""));
  EXPECT_FALSE(U::IsHex(L"", true));
  EXPECT_FALSE(U::IsHex(L"", false));
  EXPECT_FALSE(U::IsGenericFloat(L""));
  EXPECT_FALSE(U::IsVersionNumber(L""));
  EXPECT_FALSE(U::HasSurrogate(L""));
  EXPECT_FALSE(U::IsMask(L""));
}

TEST(Classify, WhiteSpacesAsciiAndHexTexts) {
  EXPECT_TRUE(U::IsWhiteSpaces(L" \t\r\n\u00A0\u3000"));
  EXPECT_FALSE(U::IsWhiteSpaces(L" \v "));
  EXPECT_TRUE(U::IsAscii(L"\x7F abc"));
  EXPECT_FALSE(U::IsAscii(L"abc\x80"));
  EXPECT_TRUE(U::IsHex(L"0123456789abcdefABCDEF"));
  EXPECT_FALSE(U::IsHex(L"0a F0"));
  EXPECT_TRUE(U::IsHex(L"0a F0\r\n", true));
  EXPECT_TRUE(U::IsHex(L" ", true));  // not empty, and only accepted characters
  EXPECT_FALSE(U::IsHex(L"0x1F", true));
}

TEST(Classify, SurrogateHalves) {
  EXPECT_FALSE(U::IsSurrogate(L'\uD7FF'));
  EXPECT_TRUE(U::IsSurrogate(L'\xD800'));
  EXPECT_TRUE(U::IsSurrogate(L'\xDBFF'));
  EXPECT_TRUE(U::IsSurrogate(L'\xDC00'));
  EXPECT_TRUE(U::IsSurrogate(L'\xDFFF'));
  EXPECT_FALSE(U::IsSurrogate(L'\uE000'));
  EXPECT_TRUE(U::HasSurrogate(L"a\xD83D\xDE00"));  // a pair
  EXPECT_TRUE(U::HasSurrogate(L"\xDC00z"));        // a lone low half
  EXPECT_FALSE(U::HasSurrogate(L"\uFFFF\u00E9"));
}

TEST(Classify, IsNumberReadsA32BitInteger) {
  for (const wchar_t* s : {L"0", L"123", L"  -12", L"+7", L"$FF", L"0x1F", L"0X1f", L"x10", L"X10", L"-$10",
                           L"2147483647", L"-2147483648", L"$FFFFFFFF"})
    EXPECT_TRUE(U::IsNumber(s)) << testing::PrintToString(std::wstring(s));
  for (const wchar_t* s : {L"", L" ", L"-", L"12 ", L"1.5", L"0x", L"$", L"2147483648", L"-2147483649", L"1e3",
                           L"\t12", L"$1G", L"\uFF11"})
    EXPECT_FALSE(U::IsNumber(s)) << testing::PrintToString(std::wstring(s));
}

TEST(Classify, GenericFloatAndVersionNumber) {
  EXPECT_TRUE(U::IsGenericFloat(L"1,5.3"));
  EXPECT_TRUE(U::IsGenericFloat(L"."));
  EXPECT_FALSE(U::IsGenericFloat(L"1e5"));
  EXPECT_FALSE(U::IsGenericFloat(L"-1"));
  EXPECT_TRUE(U::IsVersionNumber(L"1.2.3"));
  EXPECT_TRUE(U::IsVersionNumber(L"1."));
  EXPECT_FALSE(U::IsVersionNumber(L"12"));
  EXPECT_FALSE(U::IsVersionNumber(L"1.a"));
  EXPECT_FALSE(U::IsVersionNumber(L"1,2"));
}

TEST(Classify, IsMask) {
  EXPECT_TRUE(U::IsMask(L"*.txt"));
  EXPECT_TRUE(U::IsMask(L"file?.txt"));
  EXPECT_FALSE(U::IsMask(L"[a-z].txt"));
}
