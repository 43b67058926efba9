// Case: the platform's one-unit mapping, kept length-preserving.
//
// Windows and Wine differ for a few characters (Wine lower-cases neither
// U+0130 nor U+212A and upper-cases neither U+03C2 nor U+00B5); the cases
// below hold on both, or say which answers either platform may give.
#include <gtest/gtest.h>

#include "QdString.h"
#include "runtime/System/Win32.h"

using U = Qd::TUnicodeString;

namespace {

wchar_t PlatformLower(wchar_t c) {
  CharLowerBuffW(&c, 1);
  return c;
}

wchar_t PlatformUpper(wchar_t c) {
  CharUpperBuffW(&c, 1);
  return c;
}

}  // namespace

TEST(Case, MappingAgreesWithThePlatformForEveryCodeUnit) {
  int lowerDiffs = 0, upperDiffs = 0, alphaDiffs = 0, alnumDiffs = 0;
  for (int i = 0; i < 0x10000; ++i) {
    const auto c = static_cast<wchar_t>(i);
    lowerDiffs += U::CharLowerCase(c) != PlatformLower(c);
    upperDiffs += U::CharUpperCase(c) != PlatformUpper(c);
    alphaDiffs += U::IsAlpha(c) != (IsCharAlphaW(c) != FALSE);
    alnumDiffs += U::IsAlphaNumeric(c) != (IsCharAlphaNumericW(c) != FALSE);
  }
  EXPECT_EQ(lowerDiffs, 0);
  EXPECT_EQ(upperDiffs, 0);
  EXPECT_EQ(alphaDiffs, 0);
  EXPECT_EQ(alnumDiffs, 0);
}

TEST(Case, NonAsciiLettersMapBothWays) {
  const std::pair<wchar_t, wchar_t> pairs[] = {
      {L'\u00E9', L'\u00C9'},  // é É
      {L'\u0451', L'\u0401'},  // ё Ё
      {L'\u03C3', L'\u03A3'},  // σ Σ
      {L'\u00FF', L'\u0178'},  // ÿ Ÿ
  };
  for (auto [lower, upper] : pairs) {
    EXPECT_EQ(U::CharUpperCase(lower), upper) << int(lower);
    EXPECT_EQ(U::CharLowerCase(upper), lower) << int(upper);
    EXPECT_EQ(U::CharToggleCase(lower), upper);
    EXPECT_EQ(U::CharToggleCase(upper), lower);
  }
}

TEST(Case, CharactersWithoutOneUnitPartner) {
  // ß has no one-unit upper case: it is both lower and upper case.
  EXPECT_EQ(U::CharUpperCase(L'\u00DF'), L'\u00DF');
  EXPECT_TRUE(U::IsCharLowerCase(L'\u00DF'));
  EXPECT_TRUE(U::IsCharUpperCase(L'\u00DF'));
  EXPECT_EQ(U::CharToggleCase(L'\u00DF'), L'\u00DF');
  // İ is upper case; its lower case is i on Windows and itself on Wine.
  EXPECT_TRUE(U::IsCharUpperCase(L'\u0130'));
  const wchar_t dottedLower = U::CharLowerCase(L'\u0130');
  EXPECT_TRUE(dottedLower == L'i' || dottedLower == L'\u0130') << int(dottedLower);
  // ς is lower case; its upper case is Σ on Windows and itself on Wine.
  EXPECT_TRUE(U::IsCharLowerCase(L'\u03C2'));
  const wchar_t finalSigmaUpper = U::CharUpperCase(L'\u03C2');
  EXPECT_TRUE(finalSigmaUpper == L'\u03A3' || finalSigmaUpper == L'\u03C2') << int(finalSigmaUpper);
  // Σ always lower-cases to σ, never to the final form.
  EXPECT_EQ(U::CharLowerCase(L'\u03A3'), L'\u03C3');
  // The dotless ı upper-cases to I or stays; it never becomes two units.
  EXPECT_EQ(U::ToggleCase(L"\u0131").size(), 1u);
}

TEST(Case, DigitsAndPunctuationAreBothCases) {
  for (wchar_t c : {L'1', L'.', L' ', L'\0', L'\u20AC'}) {
    EXPECT_TRUE(U::IsCharLowerCase(c)) << int(c);
    EXPECT_TRUE(U::IsCharUpperCase(c)) << int(c);
    EXPECT_EQ(U::CharToggleCase(c), c);
  }
}

TEST(Case, SurrogateHalvesAreLeftAlone) {
  // U+10400 (Deseret capital long I) as a pair: mapped one unit at a time,
  // so it stays as it is, and so do lone halves.
  const std::wstring pair = L"\xD801\xDC00";
  EXPECT_EQ(U::MakeCapital(pair), pair);
  EXPECT_EQ(U::ToggleCase(pair + L"a"), pair + L"A");
  for (wchar_t c : {L'\xD800', L'\xDBFF', L'\xDC00', L'\xDFFF'}) {
    EXPECT_EQ(U::CharLowerCase(c), c);
    EXPECT_EQ(U::CharUpperCase(c), c);
  }
}

TEST(Case, ToggleCaseKeepsLength) {
  EXPECT_EQ(U::ToggleCase(L"aB1\u00E9\u00C9-"), L"Ab1\u00C9\u00E9-");
  const std::wstring mixed = L"\u0130\u00DF\u03C2\u0131\xD83D\xDE00\u1E9E";
  EXPECT_EQ(U::ToggleCase(mixed).size(), mixed.size());
  EXPECT_EQ(U::ToggleCase(L""), L"");
}

TEST(Case, WholeTextCaseTests) {
  EXPECT_FALSE(U::IsLowerCase(L""));
  EXPECT_FALSE(U::IsUpperCase(L""));
  EXPECT_TRUE(U::IsLowerCase(L"abc1 \u00E9"));
  EXPECT_FALSE(U::IsLowerCase(L"abC"));
  EXPECT_TRUE(U::IsUpperCase(L"\u00C9COLE 1"));
  EXPECT_FALSE(U::IsUpperCase(L"\u00C9cOLE"));
  EXPECT_TRUE(U::IsLowerCase(L"123"));
  EXPECT_TRUE(U::IsUpperCase(L"123"));
}

TEST(Case, IsCapital) {
  EXPECT_FALSE(U::IsCapital(L""));
  EXPECT_FALSE(U::IsCapital(L"A"));
  EXPECT_TRUE(U::IsCapital(L"Ab"));
  EXPECT_TRUE(U::IsCapital(L"1b"));  // a digit counts as upper case
  EXPECT_TRUE(U::IsCapital(L"11"));
  EXPECT_FALSE(U::IsCapital(L"AB"));
  EXPECT_FALSE(U::IsCapital(L"aB"));
  EXPECT_TRUE(U::IsCapital(L"\u00C9cole"));
  EXPECT_TRUE(U::IsCapital(L"\u0401\u0451"));
}

TEST(Case, MakeCapitalAndMakeCamel) {
  EXPECT_EQ(U::MakeCapital(L""), L"");
  EXPECT_EQ(U::MakeCapital(L"ABC DEF"), L"Abc def");
  EXPECT_EQ(U::MakeCapital(L"hELLO wORLD"), L"Hello world");
  EXPECT_EQ(U::MakeCapital(L"\u00E9COLE"), L"\u00C9cole");
  EXPECT_EQ(U::MakeCapital(L"\u03A3\u039F\u03A6\u0399\u0391"), L"\u03A3\u03BF\u03C6\u03B9\u03B1");
  EXPECT_EQ(U::MakeCapital(L"\u0401\u041B\u041A\u0410"), L"\u0401\u043B\u043A\u0430");
  EXPECT_EQ(U::MakeCapital(L"x"), L"X");
  EXPECT_EQ(U::MakeCapital(L"1ST"), L"1st");
  EXPECT_EQ(U::MakeCamel(L""), L"");
  EXPECT_EQ(U::MakeCamel(L"HELLO"), L"hELLO");
  EXPECT_EQ(U::MakeCamel(L"\u00C9T\u00C9"), L"\u00E9T\u00C9");
}
