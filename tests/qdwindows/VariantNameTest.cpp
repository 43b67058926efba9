// The names of the sort-order variants: translatable strings of the
// executable's string table, found ignoring ASCII case.
#include <gtest/gtest.h>

#include <string>

#include "QdWindows.h"
#include "runtime/Core/Units.h"
#include "runtime/System/Win32.h"

namespace {

using Qd::TQdWindows;

TEST(VariantNameTest, KnownVariantsGiveTheirNamesInAnyCase) {
  EXPECT_EQ(L"traditional sort", TQdWindows::GetVariantName(L"x", L"TRADNL"));
  EXPECT_EQ(L"traditional sort", TQdWindows::GetVariantName(L"es", L"tradnl"));
  EXPECT_EQ(L"phone book sort", TQdWindows::GetVariantName(L"de", L"phoneb"));
  EXPECT_EQ(L"radical/stroke sort", TQdWindows::GetVariantName(L"zh", L"RadStr"));
  EXPECT_EQ(L"Bopomofo sort", TQdWindows::GetVariantName(L"zh", L"pronun"));
  EXPECT_EQ(L"Valencia", TQdWindows::GetVariantName(L"ca", L"valencia"));
  EXPECT_EQ(L"technical sort", TQdWindows::GetVariantName(L"hu", L"technl"));
  EXPECT_EQ(L"modern", TQdWindows::GetVariantName(L"es", L"MODERN"));
  EXPECT_EQ(L"stroke sort", TQdWindows::GetVariantName(L"zh", L"stroke"));
}

TEST(VariantNameTest, UnknownVariantComesBackUnchanged) {
  EXPECT_EQ(L"Posix", TQdWindows::GetVariantName(L"en", L"Posix"));
  EXPECT_EQ(L"", TQdWindows::GetVariantName(L"en", L""));
  // Only A-Z and a-z fold: a dotless capital I is another letter.
  EXPECT_EQ(L"trad\u0130nl", TQdWindows::GetVariantName(L"es", L"trad\u0130nl"));
}

// The names are in the executable's string table under their fixed numbers.
TEST(VariantNameTest, NamesAreInTheStringTable) {
  const wchar_t* text = nullptr;
  const int length = LoadStringW(GetModuleHandleW(nullptr), 65067, reinterpret_cast<LPWSTR>(&text), 0);
  ASSERT_GT(length, 0);
  EXPECT_EQ(L"traditional sort", std::wstring(text, static_cast<std::size_t>(length)));
}

// A unit that starts after QdWindows may name variants in its start-up.
TEST(VariantNameTest, WorksDuringALaterUnitsStartUp) {
  static std::wstring name;
  name.clear();
  const Rtl::TUnit units[] = {
      {L"Later", [] { name = TQdWindows::GetVariantName(L"es", L"tradnl"); }, nullptr},
  };
  Rtl::TUnitList list;
  list.Initialize(units);
  list.Finalize();
  EXPECT_EQ(L"traditional sort", name);
}

}  // namespace
