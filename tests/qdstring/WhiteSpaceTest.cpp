// White space: trimming with the removed parts, stripping and normalising.
#include <gtest/gtest.h>

#include "QdString.h"

using U = Qd::TUnicodeString;

TEST(WhiteSpace, DeleteLeftAndRightReturnTheRemovedParts) {
  std::wstring s = L" \t\u00A0\u3000x y \r\n";
  EXPECT_EQ(U::DeleteWhiteSpaceLeft(s), L" \t\u00A0\u3000");
  EXPECT_EQ(s, L"x y \r\n");
  EXPECT_EQ(U::DeleteWhiteSpaceRight(s), L" \r\n");  // in text order
  EXPECT_EQ(s, L"x y");
  // A text ending in a space followed by a TAB.
  s = L"x \t";
  EXPECT_EQ(U::GetRightWhiteSpaces(s), L" \t");
  EXPECT_EQ(U::DeleteWhiteSpaceRight(s), L" \t");
  EXPECT_EQ(s, L"x");
}

TEST(WhiteSpace, NothingToRemove) {
  std::wstring s = L"\vx\f";  // VT and FF are not white space
  EXPECT_EQ(U::DeleteWhiteSpaceLeft(s), L"");
  EXPECT_EQ(U::DeleteWhiteSpaceRight(s), L"");
  EXPECT_EQ(s, L"\vx\f");
  std::wstring empty;
  EXPECT_EQ(U::DeleteWhiteSpaceLeft(empty), L"");
  EXPECT_EQ(U::DeleteWhiteSpaceRight(empty), L"");
  EXPECT_EQ(U::DeleteWhiteSpace(empty), L"");
}

TEST(WhiteSpace, DeleteLeftLimited) {
  std::wstring s = L"   x";
  EXPECT_EQ(U::DeleteWhiteSpaceLeftLim(s, 2), L"  ");
  EXPECT_EQ(s, L" x");
  EXPECT_EQ(U::DeleteWhiteSpaceLeftLim(s, 0), L"");
  EXPECT_EQ(U::DeleteWhiteSpaceLeftLim(s, -1), L"");
  EXPECT_EQ(s, L" x");
  EXPECT_EQ(U::DeleteWhiteSpaceLeftLim(s, 10), L" ");
  EXPECT_EQ(s, L"x");
}

TEST(WhiteSpace, DeleteBothSides) {
  std::wstring s = L"\r\n a b\t", left = L"old", right = L"old";
  EXPECT_EQ(U::DeleteWhiteSpace(s, left, right), L"a b");
  EXPECT_EQ(s, L"a b");
  EXPECT_EQ(left, L"\r\n ");
  EXPECT_EQ(right, L"\t");
  // All white space goes to the left part.
  s = L" \t ";
  EXPECT_EQ(U::DeleteWhiteSpace(s, left, right), L"");
  EXPECT_EQ(left, L" \t ");
  EXPECT_EQ(right, L"");
  s = L"\u3000 z \u00A0";
  EXPECT_EQ(U::DeleteWhiteSpace(s), L"z");
  EXPECT_EQ(s, L"z");
}

TEST(WhiteSpace, TrimmedCopies) {
  const std::wstring s = L"\t a \n";
  EXPECT_EQ(U::GetWhiteSpaceDeletedValue(s), L"a");
  EXPECT_EQ(U::RemoveWhiteSpace(s), L"a");
  EXPECT_EQ(s, L"\t a \n");
  EXPECT_EQ(U::GetLeftWhiteSpaces(s), L"\t ");
  EXPECT_EQ(U::GetLeftWhiteSpaces(L"a "), L"");
  EXPECT_EQ(U::GetRightWhiteSpaces(L" a"), L"");
  EXPECT_EQ(U::GetRightWhiteSpaces(L"   "), L"   ");
}

TEST(WhiteSpace, StrippedValueShrinksRepeatedCharacters) {
  EXPECT_EQ(U::GetWhiteSpaceStrippedValue(L"  a    b  "), L"a b");
  EXPECT_EQ(U::GetWhiteSpaceStrippedValue(L"a \t b"), L"a \t b");  // all different: kept
  EXPECT_EQ(U::GetWhiteSpaceStrippedValue(L"a  \t\t  b"), L"a \t b");
  EXPECT_EQ(U::GetWhiteSpaceStrippedValue(L"a\r\n\r\nb"), L"a\r\n\r\nb");
  EXPECT_EQ(U::GetWhiteSpaceStrippedValue(L"aa..b"), L"aa..b");  // only white space shrinks
  EXPECT_EQ(U::GetWhiteSpaceStrippedValue(L""), L"");
}

TEST(WhiteSpace, Normalize) {
  EXPECT_EQ(U::NormalizeWhiteSpaces(L" a  b "), L" a b ");
  EXPECT_EQ(U::NormalizeWhiteSpaces(L"a\t\r\nb"), L"a b");
  EXPECT_EQ(U::NormalizeWhiteSpaces(L"\u3000\u00A0x"), L" x");
  EXPECT_EQ(U::NormalizeWhiteSpaces(L""), L"");
  EXPECT_EQ(U::NormalizeWhiteSpaces(L"a\vb"), L"a\vb");
}

TEST(WhiteSpace, DeleteAll) {
  std::wstring s = L" a b\tc\u3000d\u00A0e\r\n";
  EXPECT_EQ(U::DeleteAllWhiteSpaces(s), L"abcde");
  EXPECT_EQ(s, L"abcde");
}

TEST(WhiteSpace, TrimRightOneCharacter) {
  std::wstring s = L"..a...";
  EXPECT_EQ(U::TrimRight(s, L'.'), L"..a");
  EXPECT_EQ(s, L"..a");
  s = L"\\\\";
  EXPECT_EQ(U::TrimRight(s, L'\\'), L"");
  s = L"a ";
  EXPECT_EQ(U::TrimRight(s, L'.'), L"a ");
  s.clear();
  EXPECT_EQ(U::TrimRight(s, L'.'), L"");
}
