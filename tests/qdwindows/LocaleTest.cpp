// Locale names and identifiers through the Vista locale functions, and
// locale information by name.
#include <gtest/gtest.h>

#include "QdWindows.h"
#include "runtime/System/Win32.h"

namespace {

using Qd::TQdWindows;

TEST(CodeToIdTest, NeutralNamesGiveThePrimaryLanguageOnly) {
  EXPECT_EQ(7, TQdWindows::CodeToId(L"de"));
  EXPECT_EQ(9, TQdWindows::CodeToId(L"en"));
  EXPECT_EQ(0x0407, TQdWindows::CodeToId(L"de-DE"));
  EXPECT_EQ(0x0C07, TQdWindows::CodeToId(L"de-AT"));
  EXPECT_EQ(0, TQdWindows::CodeToId(L"xx-YY"));
  EXPECT_EQ(0, TQdWindows::CodeToId(L"qq"));
}

TEST(GetLocaleStrTest, ReadsByNameAndFallsBackToTheDefault) {
  EXPECT_EQ(L"DEU", TQdWindows::GetLocaleStr(L"de-DE", 0x0407, LOCALE_SABBREVLANGNAME, L"none"));
  EXPECT_EQ(L"AT", TQdWindows::GetLocaleStr(L"de-AT", 0x0C07, LOCALE_SISO3166CTRYNAME, L"none"));
  // An item no locale has, and a locale name that doesn't exist.
  EXPECT_EQ(L"none", TQdWindows::GetLocaleStr(L"de-DE", 0x0407, 0x7FFF, L"none"));
  EXPECT_EQ(L"none", TQdWindows::GetLocaleStr(L"xx-YY", 0, LOCALE_SABBREVLANGNAME, L"none"));
}

TEST(IsSubPathTest, RelativeNamesOnly) {
  EXPECT_TRUE(TQdWindows::IsSubPath(L"lang\\de"));
  EXPECT_TRUE(TQdWindows::IsSubPath(L"a"));
  EXPECT_FALSE(TQdWindows::IsSubPath(L""));
  EXPECT_FALSE(TQdWindows::IsSubPath(L"\\lang"));
  EXPECT_FALSE(TQdWindows::IsSubPath(L"\\\\server\\share"));
  EXPECT_FALSE(TQdWindows::IsSubPath(L"C:\\lang"));
  EXPECT_FALSE(TQdWindows::IsSubPath(L"C:lang"));
}

}  // namespace
