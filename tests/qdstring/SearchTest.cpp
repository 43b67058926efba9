// Searching and comparing: positions at the ends, offsets, and the three
// kinds of comparison kept apart.
#include <gtest/gtest.h>

#include <memory>

#include "QdString.h"
#include "runtime/Text/StringList.h"

using U = Qd::TUnicodeString;

namespace {

std::unique_ptr<Rtl::TStringList> List(std::initializer_list<const wchar_t*> items) {
  auto list = std::make_unique<Rtl::TStringList>();
  for (const wchar_t* item : items) list->Add(item);
  return list;
}

}  // namespace

TEST(Search, PosIgnoreCasePositionsAndOffsets) {
  EXPECT_EQ(U::PosIgnoreCase(L"LO", L"hello"), 4);
  EXPECT_EQ(U::PosIgnoreCase(L"H", L"hello"), 1);
  EXPECT_EQ(U::PosIgnoreCase(L"hello", L"HELLO"), 1);
  EXPECT_EQ(U::PosIgnoreCase(L"l", L"hello", 4), 4);
  EXPECT_EQ(U::PosIgnoreCase(L"l", L"hello", 5), 0);
  EXPECT_EQ(U::PosIgnoreCase(L"o", L"hello", 5), 5);
  EXPECT_EQ(U::PosIgnoreCase(L"o", L"hello", 6), 0);
  EXPECT_EQ(U::PosIgnoreCase(L"e", L"hello", 0), 2);
  EXPECT_EQ(U::PosIgnoreCase(L"e", L"hello", -7), 2);
  EXPECT_EQ(U::PosIgnoreCase(L"e", L"hello", 1000), 0);
  EXPECT_EQ(U::PosIgnoreCase(L"AA", L"aaa", 2), 2);  // overlapping candidates
  EXPECT_EQ(U::PosIgnoreCase(L"aab", L"aaaab"), 3);
}

TEST(Search, PosIgnoreCaseEmptyAndTooLong) {
  EXPECT_EQ(U::PosIgnoreCase(L"", L"abc"), 0);
  EXPECT_EQ(U::PosIgnoreCase(L"", L""), 0);
  EXPECT_EQ(U::PosIgnoreCase(L"a", L""), 0);
  EXPECT_EQ(U::PosIgnoreCase(L"abcd", L"abc"), 0);
}

TEST(Search, PosIgnoreCaseFoldsNonAsciiLetters) {
  EXPECT_EQ(U::PosIgnoreCase(L"\u00C9", L"caf\u00E9"), 4);
  EXPECT_EQ(U::PosIgnoreCase(L"\u03C3\u03BF", L"\u03A3\u039F\u03A6\u0399\u0391"), 1);
  EXPECT_EQ(U::PosIgnoreCase(L"\u043B\u043A", L"\u0401\u041B\u041A\u0410"), 2);
  EXPECT_EQ(U::PosIgnoreCase(L"\u0451", L"\u0401"), 1);
  // Surrogate halves compare as themselves.
  EXPECT_EQ(U::PosIgnoreCase(L"\xDE00", L"a\xD83D\xDE00"), 3);
  EXPECT_EQ(U::PosIgnoreCase(L"\xD83D\xDE01", L"a\xD83D\xDE00"), 0);
}

TEST(Search, ThreeComparisonsAreKeptApart) {
  // ASCII-insensitive: é and É differ, e and E don't.
  EXPECT_EQ(U::IndexOfIgnoreCase(L"CAF\u00C9", *List({L"caf\u00E9", L"caf\u00C9"})), 1);
  EXPECT_EQ(U::IndexOfIgnoreCase(L"CAFE", *List({L"x", L"cafe"})), 1);
  EXPECT_FALSE(U::EndsWith(L"CAF\u00C9", L"\u00E9", true));
  EXPECT_TRUE(U::EndsWith(L"CAFE", L"fe", true));
  EXPECT_FALSE(U::IsRightIgnoreCase(L"\u0401", L"\u0451"));
  EXPECT_FALSE(Qd::TString::ArrayContains(L"\u00C9T\u00C9", {L"\u00E9t\u00E9"}));
  EXPECT_TRUE(Qd::TString::ArrayContains(L"ete", {L"x", L"ETE"}));
  // Unicode-insensitive: é and É fold too.
  EXPECT_EQ(U::IndexOfIgnoreCasePartialMatch(L"\u00C9", *List({L"abc", L"caf\u00E9!"})), 1);
  EXPECT_EQ(U::PosIgnoreCase(L"\u00C9T\u00C9", L"\u00E9t\u00E9"), 1);
  // Exact: nothing folds.
  EXPECT_FALSE(U::Starts(L"Abc", L"a"));
  EXPECT_FALSE(U::EndsWith(L"abC", L"c"));
  EXPECT_FALSE(U::IsRight(L"abC", L"c"));
  EXPECT_EQ(U::Occurrences(L"a", L"AaA"), 1);
}

TEST(Search, IndexOfChars) {
  EXPECT_EQ(U::IndexOfChars(L"a,b;c", L";,"), 2);
  EXPECT_EQ(U::IndexOfChars(L"abc", L"c"), 3);
  EXPECT_EQ(U::IndexOfChars(L"abc", L"xyz"), 0);
  EXPECT_EQ(U::IndexOfChars(L"abc", L""), 0);
  EXPECT_EQ(U::IndexOfChars(L"", L"a"), 0);
}

TEST(Search, IndexOfWhiteSpacesSkipsNoBreakSpace) {
  EXPECT_EQ(U::IndexOfWhiteSpaces(L"a\u00A0b\u3000c d"), 6);
  EXPECT_EQ(U::IndexOfWhiteSpace(L"a\u00A0b\u3000c d"), 2);
  EXPECT_EQ(U::IndexOfWhiteSpaces(L"ab\n"), 3);
  EXPECT_EQ(U::IndexOfWhiteSpace(L"\r"), 1);
  EXPECT_EQ(U::IndexOfWhiteSpaces(L"\u00A0"), 0);
  EXPECT_EQ(U::IndexOfWhiteSpace(L"a\vb"), 0);
  EXPECT_EQ(U::IndexOfWhiteSpace(L""), 0);
}

TEST(Search, CountCharAndFindLast) {
  EXPECT_EQ(U::CountChar(L"a.b.c.", L'.'), 3);
  EXPECT_EQ(U::CountChar(L"", L'.'), 0);
  EXPECT_EQ(U::CountChar(std::wstring(L"\0a\0", 3), L'\0'), 2);
  EXPECT_EQ(U::FindLast(L"a.b.c.", L'.'), 6);
  EXPECT_EQ(U::FindLast(L".abc", L'.'), 1);
  EXPECT_EQ(U::FindLast(L"abc", L'.'), 0);
  EXPECT_EQ(U::FindLast(L"", L'.'), 0);
}

TEST(Search, OccurrencesDoNotOverlap) {
  EXPECT_EQ(U::Occurrences(L"aa", L"aaaa"), 2);
  EXPECT_EQ(U::Occurrences(L"aa", L"aaa"), 1);
  EXPECT_EQ(U::Occurrences(L"aba", L"ababa"), 1);
  EXPECT_EQ(U::Occurrences(L"", L"aaa"), 0);
  EXPECT_EQ(U::Occurrences(L"abc", L"ab"), 0);
  EXPECT_EQ(U::Occurrences(L"x", L"x"), 1);
}

TEST(Search, StartsEndsWithAndIsRight) {
  EXPECT_FALSE(U::Starts(L"abc", L""));
  EXPECT_FALSE(U::Starts(L"", L""));
  EXPECT_TRUE(U::Starts(L"abc", L"abc"));
  EXPECT_FALSE(U::Starts(L"ab", L"abc"));
  EXPECT_TRUE(U::EndsWith(L"abc", L""));
  EXPECT_TRUE(U::EndsWith(L"", L""));
  EXPECT_FALSE(U::EndsWith(L"ab", L"abc"));
  EXPECT_FALSE(U::EndsWith(L"ab", L"XAB", true));
  EXPECT_TRUE(U::EndsWith(L"ab", L"ab"));
  EXPECT_TRUE(U::IsRight(L"file.txt", L".txt"));
  EXPECT_FALSE(U::IsRight(L"file.TXT", L".txt"));
  EXPECT_TRUE(U::IsRightIgnoreCase(L"file.TXT", L".txt"));
  EXPECT_TRUE(U::IsRight(L"abc", L""));
  EXPECT_FALSE(U::IsRight(L"bc", L"abc"));
}

TEST(Search, ListLookups) {
  const Rtl::TStringList empty;
  EXPECT_EQ(U::IndexOfIgnoreCase(L"a", empty), -1);
  EXPECT_EQ(U::IndexOfIgnoreCasePartialMatch(L"a", empty), -1);
  const auto owner = List({L"Alpha", L"beta", L"ALPHA"});
  const Rtl::TStringList& list = *owner;
  EXPECT_EQ(U::IndexOfIgnoreCase(L"alpha", list), 0);
  EXPECT_EQ(U::IndexOfIgnoreCase(L"alph", list), -1);  // whole items only
  EXPECT_EQ(U::IndexOfIgnoreCasePartialMatch(L"ET", list), 1);
  EXPECT_EQ(U::IndexOfIgnoreCasePartialMatch(L"gamma", list), -1);
  EXPECT_FALSE(Qd::TString::ArrayContains(L"a", {}));
}
