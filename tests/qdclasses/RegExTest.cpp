// TQdRegEx.Match: positions, anchors, empty matches, malformed patterns and
// UTF-16 text with surrogates.
#include <gtest/gtest.h>

#include "QdClasses.h"

using Qd::TQdRegEx;

TEST(RegEx, MatchesAnywhereOrAtTheGivenPosition) {
  EXPECT_TRUE(TQdRegEx::Match(L"hello world", L"o w"));
  EXPECT_TRUE(TQdRegEx::Match(L"hello world", L"o w", 5));
  EXPECT_FALSE(TQdRegEx::Match(L"hello world", L"o w", 6));
  EXPECT_FALSE(TQdRegEx::Match(L"hello world", L"xyz"));
  // Only the first match counts.
  EXPECT_TRUE(TQdRegEx::Match(L"abab", L"b", 2));
  EXPECT_FALSE(TQdRegEx::Match(L"abab", L"b", 4));
}

TEST(RegEx, AnchoredPatterns) {
  EXPECT_TRUE(TQdRegEx::Match(L"hello world", L"^hello", 1));
  EXPECT_FALSE(TQdRegEx::Match(L"hello world", L"^world"));
  EXPECT_TRUE(TQdRegEx::Match(L"hello world", L"world$", 7));
  EXPECT_TRUE(TQdRegEx::Match(L"2024-01-31", L"^\\d{4}-\\d{2}-\\d{2}$", 1));
  EXPECT_FALSE(TQdRegEx::Match(L"2024-01-31x", L"^\\d{4}-\\d{2}-\\d{2}$"));
}

TEST(RegEx, EmptyMatchesDontCount) {
  EXPECT_FALSE(TQdRegEx::Match(L"abc", L"x*"));
  EXPECT_FALSE(TQdRegEx::Match(L"abc", L"^"));
  EXPECT_FALSE(TQdRegEx::Match(L"abc", L"\\b"));
  EXPECT_FALSE(TQdRegEx::Match(L"abc", L""));
  // The first non-empty match is found past the empty ones.
  EXPECT_TRUE(TQdRegEx::Match(L"baa", L"a*", 2));
  EXPECT_FALSE(TQdRegEx::Match(L"baa", L"a*", 1));
  // An empty text never matches.
  EXPECT_FALSE(TQdRegEx::Match(L"", L".*"));
  EXPECT_FALSE(TQdRegEx::Match(L"", L"a("));
}

TEST(RegEx, MalformedPatternRaisesWithPositionAndReason) {
  try {
    TQdRegEx::Match(L"abc", L"a(");
    FAIL() << "no error";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"Invalid regular expression at position 3: missing closing parenthesis");
  }
  EXPECT_THROW(TQdRegEx::Match(L"abc", L"[a"), Rtl::Exception);
  EXPECT_THROW(TQdRegEx::Match(L"abc", L"*a"), Rtl::Exception);
  EXPECT_THROW(TQdRegEx::Match(L"abc", std::wstring(L"a\xD800")), Rtl::Exception);  // not UTF-16
}

TEST(RegEx, Utf16TextWithSurrogates) {
  const std::wstring smiley = L"\xD83D\xDE00";  // U+1F600, one character
  EXPECT_TRUE(TQdRegEx::Match(smiley, L"^.$", 1));
  EXPECT_TRUE(TQdRegEx::Match(L"a" + smiley + L"b", L"\\x{1F600}b", 2));
  EXPECT_TRUE(TQdRegEx::Match(L"\x00C4", L"(?i)\x00E4"));
  // Unpaired surrogates match nothing and do no harm.
  const std::wstring broken = std::wstring(L"a\xD800") + L"b\xDC00";
  EXPECT_TRUE(TQdRegEx::Match(broken, L"b", 3));
  EXPECT_TRUE(TQdRegEx::Match(broken, L"a"));
  EXPECT_FALSE(TQdRegEx::Match(broken, L"a.b"));
  EXPECT_FALSE(TQdRegEx::Match(std::wstring(L"\xD800"), L"."));
  EXPECT_FALSE(TQdRegEx::Match(std::wstring(L"\xDC00\xD800"), L"[^a]"));
}
