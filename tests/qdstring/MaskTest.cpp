// File-name masks: wildcards, sets, case, invalid masks and a mask that
// would explode a backtracking matcher.
#include <gtest/gtest.h>

#include "QdString.h"
#include "runtime/Core/Exceptions.h"

using U = Qd::TUnicodeString;

namespace {

// The message of the exception CompareMask raises, "" when it raises none.
std::wstring MaskError(const std::wstring& mask) {
  try {
    U::CompareMask(mask, L"x", false);
  } catch (const Rtl::Exception& e) {
    return e.Message();
  }
  return L"";
}

}  // namespace

TEST(Mask, StarsAndQuestionMarks) {
  EXPECT_TRUE(U::CompareMask(L"*.txt", L"a.txt"));
  EXPECT_TRUE(U::CompareMask(L"*.txt", L".txt"));
  EXPECT_FALSE(U::CompareMask(L"*.txt", L"a.txt.bak"));
  EXPECT_TRUE(U::CompareMask(L"*.txt*", L"a.txt.bak"));
  EXPECT_TRUE(U::CompareMask(L"a?c", L"abc"));
  EXPECT_FALSE(U::CompareMask(L"a?c", L"ac"));
  EXPECT_FALSE(U::CompareMask(L"a?c", L"abbc"));
  EXPECT_TRUE(U::CompareMask(L"*", L""));
  EXPECT_TRUE(U::CompareMask(L"**", L"abc"));
  EXPECT_TRUE(U::CompareMask(L"", L""));
  EXPECT_FALSE(U::CompareMask(L"", L"a"));
  EXPECT_FALSE(U::CompareMask(L"?", L""));
  EXPECT_TRUE(U::CompareMask(L"a*b*c", L"aXbYc"));
  EXPECT_TRUE(U::CompareMask(L"a*b*c", L"abc"));
  EXPECT_FALSE(U::CompareMask(L"a*b*c", L"acb"));
  EXPECT_TRUE(U::CompareMask(L"*ab", L"aab"));    // the star must give back
  EXPECT_TRUE(U::CompareMask(L"*a?", L"aaab"));
  EXPECT_TRUE(U::CompareMask(L"?*?", L"ab"));
  EXPECT_FALSE(U::CompareMask(L"?*?", L"a"));
}

TEST(Mask, AsciiLettersMatchRegardlessOfCase) {
  for (bool ignoreCase : {false, true}) {
    EXPECT_TRUE(U::CompareMask(L"*.TXT", L"a.txt", ignoreCase));
    EXPECT_TRUE(U::CompareMask(L"readme", L"README", ignoreCase));
    EXPECT_TRUE(U::CompareMask(L"[a-c]x", L"BX", ignoreCase));
    EXPECT_FALSE(U::CompareMask(L"[!a-c]x", L"Bx", ignoreCase));
    // Only ASCII letters fold.
    EXPECT_FALSE(U::CompareMask(L"\u00C9*", L"\u00E9cole", ignoreCase));
    EXPECT_TRUE(U::CompareMask(L"\u00E9*", L"\u00E9cole", ignoreCase));
    EXPECT_FALSE(U::CompareMask(L"\u0401", L"\u0451", ignoreCase));
  }
}

TEST(Mask, SetsRangesAndNegation) {
  EXPECT_TRUE(U::CompareMask(L"[abc]", L"b"));
  EXPECT_FALSE(U::CompareMask(L"[abc]", L"d"));
  EXPECT_FALSE(U::CompareMask(L"[abc]", L"ab"));
  EXPECT_TRUE(U::CompareMask(L"file[0-9].log", L"file7.log"));
  EXPECT_FALSE(U::CompareMask(L"file[0-9].log", L"fileX.log"));
  EXPECT_TRUE(U::CompareMask(L"[!0-9]*", L"a1"));
  EXPECT_FALSE(U::CompareMask(L"[!0-9]*", L"1a"));
  EXPECT_FALSE(U::CompareMask(L"[!0-9]", L""));
  EXPECT_TRUE(U::CompareMask(L"[a-cx-z]", L"y"));
  EXPECT_TRUE(U::CompareMask(L"[\u00E0-\u00FF]", L"\u00E9"));
  EXPECT_FALSE(U::CompareMask(L"[z-a]", L"m"));  // an inverted range holds nothing
  // Wildcard and bracket characters inside a set are plain members.
  EXPECT_TRUE(U::CompareMask(L"[*]", L"*"));
  EXPECT_FALSE(U::CompareMask(L"[*]", L"a"));
  EXPECT_TRUE(U::CompareMask(L"[?]", L"?"));
  EXPECT_TRUE(U::CompareMask(L"[[]", L"["));
  EXPECT_TRUE(U::CompareMask(L"a]", L"a]"));  // ']' outside a set is itself
  // A '-' right before the closing bracket is a member.
  EXPECT_TRUE(U::CompareMask(L"[a-]", L"-"));
  EXPECT_TRUE(U::CompareMask(L"[a-]", L"a"));
  EXPECT_TRUE(U::CompareMask(L"[-]", L"-"));
  EXPECT_TRUE(U::CompareMask(L"[!-]", L"a"));
}

TEST(Mask, IgnoreCaseLowerCasesBothSidesFirst) {
  // [Z-a] holds Z, [, \, ], ^, _, ` and a; lower-cased it is an inverted range.
  EXPECT_TRUE(U::CompareMask(L"[Z-a]", L"_", false));
  EXPECT_FALSE(U::CompareMask(L"[Z-a]", L"_", true));
}

TEST(Mask, SurrogatePairIsTwoCharacters) {
  const std::wstring smiley = L"\xD83D\xDE00";
  EXPECT_FALSE(U::CompareMask(L"?", smiley));
  EXPECT_TRUE(U::CompareMask(L"??", smiley));
  EXPECT_TRUE(U::CompareMask(L"a*", L"a" + smiley));
}

TEST(Mask, InvalidMasksRaiseClearErrors) {
  const std::wstring stars30(30, L'*');
  EXPECT_TRUE(U::CompareMask(stars30, L"anything"));
  const std::wstring stars31(31, L'*');
  EXPECT_EQ(MaskError(stars31), L"Invalid mask \"" + stars31 + L"\": more than 30 '*'");
  EXPECT_EQ(MaskError(L"[]"), L"Invalid mask \"[]\": empty set at position 1");
  EXPECT_EQ(MaskError(L"a[!]"), L"Invalid mask \"a[!]\": empty set at position 2");
  EXPECT_EQ(MaskError(L"*[abc"), L"Invalid mask \"*[abc\": unterminated set at position 2");
  EXPECT_EQ(MaskError(L"["), L"Invalid mask \"[\": unterminated set at position 1");
  EXPECT_EQ(MaskError(L"[-a]"), L"Invalid mask \"[-a]\": range starting with '-' at position 2");
  EXPECT_EQ(MaskError(L"[!-a]"), L"Invalid mask \"[!-a]\": range starting with '-' at position 3");
  EXPECT_EQ(MaskError(L"[a-c-e]"), L"Invalid mask \"[a-c-e]\": range starting with '-' at position 5");
  // Stars inside a set are not wildcards and don't count.
  EXPECT_EQ(MaskError(L"[" + stars31 + L"]"), L"");
  // The mask is checked even when ignoreCase rewrites it.
  EXPECT_THROW(U::CompareMask(L"[]", L"x", true), Rtl::Exception);
  EXPECT_THROW(U::CompareMask(stars31, L"", true), Rtl::Exception);
}

TEST(Mask, HostileMaskWithinTheLimit) {
  // "*a*a*...*a*b" (30 stars) against a long run of 'a': a backtracking
  // matcher tries every way to split the run among the stars.
  std::wstring mask;
  for (int i = 0; i < 29; ++i) mask += L"*a";
  mask += L"*b";
  const std::wstring text(20000, L'a');
  EXPECT_FALSE(U::CompareMask(mask, text));
  EXPECT_TRUE(U::CompareMask(mask, text + L"b"));
  EXPECT_FALSE(U::CompareMask(mask, std::wstring(28, L'a') + L"b"));
  EXPECT_TRUE(U::CompareMask(mask, std::wstring(29, L'a') + L"b"));
  // Question marks between stars: the same trap with another token.
  std::wstring question;
  for (int i = 0; i < 30; ++i) question += L"*?";
  question += L"[!a]";
  EXPECT_FALSE(U::CompareMask(question, text, true));
  EXPECT_TRUE(U::CompareMask(question, text + L"Z", true));
}
