// Replacing and removing: inserted text is never searched again, and the
// exact and Unicode-insensitive searches stay apart.
#include <gtest/gtest.h>

#include "QdString.h"

using U = Qd::TUnicodeString;

TEST(Replace, Characters) {
  EXPECT_EQ(U::ReplaceAll(L"abc", L'*'), L"***");
  EXPECT_EQ(U::ReplaceAll(L"", L'*'), L"");
  EXPECT_EQ(U::ReplaceChar(L"a/b/c", L'/', L'\\'), L"a\\b\\c");
  std::wstring s = L"a.b.c";
  EXPECT_EQ(U::Replace(s, L'.', L','), 2);
  EXPECT_EQ(s, L"a,b,c");
  EXPECT_EQ(U::Replace(s, L'x', L'y'), 0);
  EXPECT_EQ(s, L"a,b,c");
}

TEST(Replace, CharacterByString) {
  EXPECT_EQ(U::ReplaceString(L"a,b,", L',', L"; "), L"a; b; ");
  EXPECT_EQ(U::ReplaceString(L"a,b", L',', L""), L"ab");
  EXPECT_EQ(U::ReplaceString(L"aaa", L'a', L"aa"), L"aaaaaa");
}

TEST(Replace, StringsExactly) {
  EXPECT_EQ(U::ReplaceString(L"aXa", L"a", L"aa"), L"aaXaa");  // terminates
  EXPECT_EQ(U::ReplaceString(L"aaa", L"aa", L"b"), L"ba");     // left to right, no overlap
  EXPECT_EQ(U::ReplaceString(L"abcabc", L"abc", L""), L"");
  EXPECT_EQ(U::ReplaceString(L"xabcx", L"abc", L"-"), L"x-x");
  EXPECT_EQ(U::ReplaceString(L"abc", L"", L"-"), L"abc");
  EXPECT_EQ(U::ReplaceString(L"", L"a", L"b"), L"");
  EXPECT_EQ(U::ReplaceString(L"abc", L"abcd", L"x"), L"abc");
  EXPECT_EQ(U::ReplaceString(L"ABC", L"b", L"x"), L"ABC");
  // The replacement forms a new occurrence with what follows: not searched.
  EXPECT_EQ(U::ReplaceString(L"aab", L"ab", L"a"), L"aa");
}

TEST(Replace, StringsIgnoringCase) {
  EXPECT_EQ(U::ReplaceString(L"ABC abc", L"b", L"x", true), L"AxC axc");
  EXPECT_EQ(U::ReplaceString(L"\u00C9T\u00C9", L"\u00E9", L"e", true), L"eTe");
  EXPECT_EQ(U::ReplaceString(L"\u00C9T\u00C9", L"\u00E9", L"e", false), L"\u00C9T\u00C9");
  EXPECT_EQ(U::ReplaceString(L"Aa", L"a", L"aa", true), L"aaaa");
  EXPECT_EQ(U::ReplaceString(L"\u0401\u0451", L"\u0451", L"e", true), L"ee");
}

TEST(Replace, RemovingCharacters) {
  EXPECT_EQ(U::DeleteChar(L"a-b-c-", L'-'), L"abc");
  EXPECT_EQ(U::DeleteChar(L"", L'-'), L"");
  std::wstring s = L"--a--";
  EXPECT_EQ(U::Remove(s, L'-'), L"a");
  EXPECT_EQ(s, L"a");
  s = std::wstring(L"a\0b", 3);
  EXPECT_EQ(U::Remove(s, L'\0'), L"ab");
}

TEST(Replace, AppendAndAddSpaces) {
  EXPECT_EQ(U::Append(L"a", L"b", L','), L"a,b");
  EXPECT_EQ(U::Append(L"", L"b", L','), L"b");
  EXPECT_EQ(U::Append(L"a", L"", L','), L"a");
  EXPECT_EQ(U::Append(L"", L"", L','), L"");
  EXPECT_EQ(U::AddSpaces(L"x"), L" x ");
  EXPECT_EQ(U::AddSpaces(L""), L"  ");
}
