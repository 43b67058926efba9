// Cutting text apart: the Substring rule at both ends, in/out parameters,
// cutting at strings and at characters.
#include <gtest/gtest.h>

#include "QdString.h"

using U = Qd::TUnicodeString;

TEST(Cut, CopyFollowsTheSubstringRule) {
  EXPECT_EQ(U::Copy(L"abc", 1), L"abc");
  EXPECT_EQ(U::Copy(L"abc", 0), L"abc");
  EXPECT_EQ(U::Copy(L"abc", -5), L"abc");
  EXPECT_EQ(U::Copy(L"abc", 3), L"c");
  EXPECT_EQ(U::Copy(L"abc", 4), L"");
  EXPECT_EQ(U::Copy(L"", 1), L"");
  EXPECT_EQ(U::Left(L"abc", 2), L"ab");
  EXPECT_EQ(U::Left(L"abc", 5), L"abc");
  EXPECT_EQ(U::Left(L"abc", 0), L"");
  EXPECT_EQ(U::Left(L"abc", -1), L"");
}

TEST(Cut, RightAndCopyRight) {
  EXPECT_EQ(U::Right(L"ab", 5), L"ab");
  EXPECT_EQ(U::Right(L"ab", 2), L"ab");
  EXPECT_EQ(U::Right(L"ab", 1), L"b");
  EXPECT_EQ(U::Right(L"ab", 0), L"");
  EXPECT_EQ(U::Right(L"ab", -1), L"");
  EXPECT_EQ(U::CopyRight(L"abc", 2), L"bc");
  EXPECT_EQ(U::CopyRight(L"abc", 9), L"abc");
  EXPECT_EQ(U::GetLast(L"abc"), L'c');
  EXPECT_EQ(U::GetLast(L""), L'\0');
}

TEST(Cut, TakeRemovesWhatItReturns) {
  std::wstring s = L"abcdef";
  EXPECT_EQ(U::Take(s, 2, 3), L"bcd");
  EXPECT_EQ(s, L"aef");
  EXPECT_EQ(U::Take(s, 0, 2), L"ae");  // first below 1 counts as 1, count not shortened
  EXPECT_EQ(s, L"f");
  EXPECT_EQ(U::Take(s, 2, 1), L"");  // past the end
  EXPECT_EQ(U::Take(s, 1, -1), L"");
  EXPECT_EQ(U::Take(s, 1, 0), L"");
  EXPECT_EQ(s, L"f");
  EXPECT_EQ(U::Take(s, 1, 10), L"f");
  EXPECT_EQ(s, L"");
}

TEST(Cut, TakeLeftAndTakeRight) {
  std::wstring s = L"abcdef";
  EXPECT_EQ(U::TakeLeft(s, 2), L"ab");
  EXPECT_EQ(U::TakeRight(s, 2), L"ef");
  EXPECT_EQ(s, L"cd");
  EXPECT_EQ(U::TakeLeft(s, 0), L"");
  EXPECT_EQ(U::TakeRight(s, -3), L"");
  EXPECT_EQ(s, L"cd");
  EXPECT_EQ(U::TakeRight(s, 2), L"cd");  // at least the length: everything
  EXPECT_EQ(s, L"");
  s = L"xy";
  EXPECT_EQ(U::TakeLeft(s, 99), L"xy");
  EXPECT_EQ(s, L"");
}

TEST(Cut, DeleteLeftAndDeleteRight) {
  std::wstring s = L"abcdef";
  EXPECT_EQ(U::DeleteLeft(s, 2), L"cdef");
  EXPECT_EQ(U::DeleteRight(s, 1), L"cde");
  EXPECT_EQ(U::DeleteLeft(s, -1), L"cde");
  EXPECT_EQ(U::DeleteRight(s, 0), L"cde");
  EXPECT_EQ(U::DeleteRight(s, 10), L"");
  EXPECT_EQ(s, L"");
}

TEST(Cut, TakeLeftUpToWhiteSpace) {
  std::wstring s = L"key \t\u00A0value rest";
  EXPECT_EQ(U::TakeLeftUpToWhiteSpace(s, true), L"key");
  EXPECT_EQ(s, L"value rest");
  EXPECT_EQ(U::TakeLeftUpToWhiteSpace(s, false), L"value");
  EXPECT_EQ(s, L" rest");
  EXPECT_EQ(U::TakeLeftUpToWhiteSpace(s, false), L"");  // starts with white space
  EXPECT_EQ(s, L" rest");
  s = L"single";
  EXPECT_EQ(U::TakeLeftUpToWhiteSpace(s, true), L"single");
  EXPECT_EQ(s, L"");
}

TEST(Cut, TakeLeftString) {
  std::wstring s = L"key=value";
  EXPECT_EQ(U::TakeLeftString(s, L"=", false), L"key");
  EXPECT_EQ(s, L"=value");
  s = L"key=value";
  EXPECT_EQ(U::TakeLeftString(s, L"=", true), L"key=");
  EXPECT_EQ(s, L"value");
  s = L"a--b--c";
  EXPECT_EQ(U::TakeLeftString(s, L"--", true), L"a--");
  EXPECT_EQ(s, L"b--c");
  s = L"abc";
  EXPECT_EQ(U::TakeLeftString(s, L"x", false), L"abc");
  EXPECT_EQ(s, L"");
  s = L"abc";
  EXPECT_EQ(U::TakeLeftString(s, L"", true), L"abc");
  EXPECT_EQ(s, L"");
  s = L"=x";
  EXPECT_EQ(U::TakeLeftString(s, L"=", false), L"");
  EXPECT_EQ(s, L"=x");
}

TEST(Cut, TakeRightString) {
  std::wstring s = L"a.b.c";
  EXPECT_EQ(U::TakeRightString(s, L".", false), L"c");
  EXPECT_EQ(s, L"a.b.");
  s = L"a.b.c";
  EXPECT_EQ(U::TakeRightString(s, L".", true), L".c");
  EXPECT_EQ(s, L"a.b");
  s = L"abc";
  EXPECT_EQ(U::TakeRightString(s, L".", true), L"abc");
  EXPECT_EQ(s, L"");
  s = L"abc.";
  EXPECT_EQ(U::TakeRightString(s, L".", false), L"");
  EXPECT_EQ(s, L"abc.");
}

TEST(Cut, ParseUpToChar) {
  std::wstring s = L"key=value";
  EXPECT_EQ(U::ParseUpToChar(s, L"="), L"key");
  EXPECT_EQ(s, L"value");
  s = L"a::b::c";
  EXPECT_EQ(U::ParseUpToChar(s, L"::"), L"a");
  EXPECT_EQ(s, L"b::c");
  s = L"none";
  EXPECT_EQ(U::ParseUpToChar(s, L"="), L"none");
  EXPECT_EQ(s, L"");
  s = L"x=";
  EXPECT_EQ(U::ParseUpToChar(s, L"="), L"x");
  EXPECT_EQ(s, L"");
}

TEST(Cut, GetUpToCharAndGetDownToChar) {
  EXPECT_EQ(U::GetUpToChar(L"name=value;x", L";="), L"name");
  EXPECT_EQ(U::GetUpToChar(L"name", L";="), L"name");
  EXPECT_EQ(U::GetUpToChar(L"name", L""), L"name");
  EXPECT_EQ(U::GetDownToChar(L"C:\\dir\\file.txt", L"\\/"), L"file.txt");
  EXPECT_EQ(U::GetDownToChar(L"C:\\dir\\file.txt", L"\\", 6), L"dir");
  EXPECT_EQ(U::GetDownToChar(L"C:\\dir\\file.txt", L"\\", 7), L"");  // the limit character itself
  EXPECT_EQ(U::GetDownToChar(L"abcdef", L"x", 3), L"abcdef");  // none: not cut at startAt
  EXPECT_EQ(U::GetDownToChar(L"a.b", L".", 99), L"b");
  EXPECT_EQ(U::GetDownToChar(L"", L"."), L"");
}

TEST(Cut, TakeLeftUpToChar) {
  std::wstring s = L"a=b=c";
  EXPECT_EQ(U::TakeLeftUpToChar(s, L"=", false), L"a");
  EXPECT_EQ(s, L"=b=c");
  EXPECT_EQ(U::TakeLeftUpToChar(s, L"=", true), L"");  // the limit never goes into the result
  EXPECT_EQ(s, L"b=c");
  EXPECT_EQ(U::TakeLeftUpToChar(s, L";=", true), L"b");
  EXPECT_EQ(s, L"c");
  EXPECT_EQ(U::TakeLeftUpToChar(s, L"=", true), L"c");
  EXPECT_EQ(s, L"");
}

TEST(Cut, TakeRightDownToChar) {
  std::wstring s = L"a.b.c";
  EXPECT_EQ(U::TakeRightDownToChar(s, L".", false), L"c");
  EXPECT_EQ(s, L"a.b.");
  s = L"a.b.c";
  EXPECT_EQ(U::TakeRightDownToChar(s, L".", true), L"c");
  EXPECT_EQ(s, L"a.b");
  s = L"abc";
  EXPECT_EQ(U::TakeRightDownToChar(s, L".", true), L"abc");
  EXPECT_EQ(s, L"");
}

TEST(Cut, GetNumber) {
  std::wstring s = L"123abc";
  EXPECT_EQ(U::GetNumber(s), 123);
  EXPECT_EQ(s, L"abc");
  EXPECT_EQ(U::GetNumber(s), 0);
  EXPECT_EQ(s, L"abc");
  s = L"007";
  EXPECT_EQ(U::GetNumber(s), 7);
  EXPECT_EQ(s, L"");
  s = L"-5";
  EXPECT_EQ(U::GetNumber(s), 0);
  EXPECT_EQ(s, L"-5");
  s = L"4294967297x";  // no overflow check: wraps around 2^32
  EXPECT_EQ(U::GetNumber(s), 1);
  EXPECT_EQ(s, L"x");
}

TEST(Cut, GetNextName) {
  EXPECT_EQ(U::GetNextName(L"Item"), L"Item1");
  EXPECT_EQ(U::GetNextName(L"Item9"), L"Item10");
  EXPECT_EQ(U::GetNextName(L"Item12"), L"Item13");
  EXPECT_EQ(U::GetNextName(L"Item009"), L"Item10");
  EXPECT_EQ(U::GetNextName(L"Item0"), L"Item1");
  EXPECT_EQ(U::GetNextName(L"7"), L"8");
  EXPECT_EQ(U::GetNextName(L""), L"1");
  EXPECT_EQ(U::GetNextName(L"v1.9"), L"v1.10");
  // A long number is incremented exactly, without overflow.
  EXPECT_EQ(U::GetNextName(L"Item99999999999999999999"), L"Item100000000000000000000");
  EXPECT_EQ(U::GetNextName(L"Item4294967295"), L"Item4294967296");
}

TEST(Cut, MakeReverseWorksUnitByUnit) {
  EXPECT_EQ(U::MakeReverse(L"abc"), L"cba");
  EXPECT_EQ(U::MakeReverse(L""), L"");
  EXPECT_EQ(U::MakeReverse(L"a\xD83D\xDE00"), std::wstring(L"\xDE00\xD83D") + L"a");
}
