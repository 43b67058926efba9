// The Windows SDK's LANG_ and SUBLANG_ constants.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "QdScript.h"

namespace {

using Qd::TScript;

TEST(NlsTables, CountsAndTheLanguageColumn) {
  EXPECT_EQ(134u, std::size(Qd::NLS_PRIMARIES_C));
  EXPECT_EQ(125u, std::size(Qd::NLS_SUB_C));
  // Only primary 26 names languages.
  for (const Qd::TPrimaryData& row : Qd::NLS_PRIMARIES_C)
    EXPECT_EQ(row.Primary == 26, !row.Language.empty()) << std::wstring(row.Name);
  for (const Qd::TSubData& row : Qd::NLS_SUB_C)
    EXPECT_EQ(row.Primary == 26, !row.Language.empty()) << std::wstring(row.Name);
  EXPECT_EQ(L"LANG_NEUTRAL", Qd::NLS_PRIMARIES_C[0].Name);
  EXPECT_EQ(L"LANG_ZULU", Qd::NLS_PRIMARIES_C[133].Name);
  EXPECT_EQ(L"SUBLANG_NEUTRAL", Qd::NLS_SUB_C[0].Name);
  EXPECT_EQ(L"SUBLANG_UZBEK_CYRILLIC", Qd::NLS_SUB_C[124].Name);
}

TEST(NlsTables, RowsOfPrimary26ForEachLanguage) {
  std::vector<std::pair<std::wstring, std::wstring>> primaries;
  for (const Qd::TPrimaryData& row : Qd::NLS_PRIMARIES_C)
    if (row.Primary == 26) primaries.emplace_back(row.Name, row.Language);
  const std::vector<std::pair<std::wstring, std::wstring>> expectedPrimaries = {
      {L"LANG_BOSNIAN", L"bs"}, {L"LANG_CROATIAN", L"hr"}, {L"LANG_SERBIAN", L"cnr"}, {L"LANG_SERBIAN", L"sr"}};
  EXPECT_EQ(expectedPrimaries, primaries);

  std::map<std::wstring, std::set<int>> subs;
  for (const Qd::TSubData& row : Qd::NLS_SUB_C)
    if (row.Primary == 26) subs[std::wstring(row.Language)].insert(row.Sub);
  EXPECT_EQ((std::set<int>{5, 8}), subs[L"bs"]);
  EXPECT_EQ((std::set<int>{1, 4}), subs[L"hr"]);
  EXPECT_EQ((std::set<int>{1, 2, 3, 6, 7, 11, 12}), subs[L"sr"]);
  EXPECT_EQ((std::set<int>{11, 12}), subs[L"cnr"]);
  EXPECT_EQ(4u, subs.size());

  EXPECT_EQ(L"LANG_BOSNIAN", TScript::IdToPrimaryConst(26, L"bs"));
  EXPECT_EQ(L"LANG_CROATIAN", TScript::IdToPrimaryConst(26, L"hr"));
  EXPECT_EQ(L"LANG_SERBIAN", TScript::IdToPrimaryConst(26, L"sr"));
  EXPECT_EQ(L"LANG_SERBIAN", TScript::IdToPrimaryConst(26, L"cnr"));
  EXPECT_EQ(L"LANG_NEUTRAL", TScript::IdToPrimaryConst(26, L""));
  EXPECT_EQ(L"LANG_NEUTRAL", TScript::IdToPrimaryConst(26, L"HR"));

  EXPECT_EQ(L"SUBLANG_BOSNIAN_BOSNIA_HERZEGOVINA_LATIN", TScript::IdToSubConst(26, 5, L"bs"));
  EXPECT_EQ(L"SUBLANG_BOSNIAN_BOSNIA_HERZEGOVINA_CYRILLIC", TScript::IdToSubConst(26, 8, L"bs"));
  EXPECT_EQ(L"SUBLANG_CROATIAN_CROATIA", TScript::IdToSubConst(26, 1, L"hr"));
  EXPECT_EQ(L"SUBLANG_CROATIAN_BOSNIA_HERZEGOVINA_LATIN", TScript::IdToSubConst(26, 4, L"hr"));
  EXPECT_EQ(L"SUBLANG_SERBIAN_CROATIA", TScript::IdToSubConst(26, 1, L"sr"));
  EXPECT_EQ(L"SUBLANG_SERBIAN_CYRILLIC", TScript::IdToSubConst(26, 3, L"sr"));
  EXPECT_EQ(L"SUBLANG_SERBIAN_MONTENEGRO_LATIN", TScript::IdToSubConst(26, 11, L"cnr"));
  EXPECT_EQ(L"SUBLANG_SERBIAN_MONTENEGRO_CYRILLIC", TScript::IdToSubConst(26, 12, L"cnr"));
  // Every row of 26 names a language: without one, the defaults.
  EXPECT_EQ(L"SUBLANG_DEFAULT", TScript::IdToSubConst(26, 1, L""));
  EXPECT_EQ(L"SUBLANG_NEUTRAL", TScript::IdToSubConst(26, 3, L""));
  EXPECT_EQ(L"SUBLANG_NEUTRAL", TScript::IdToSubConst(26, 5, L"hr"));
}

TEST(NlsConstants, NamesToNumbersIgnoreAsciiCase) {
  EXPECT_EQ(7, TScript::PrimaryConstToId(L"LANG_GERMAN"));
  EXPECT_EQ(7, TScript::PrimaryConstToId(L"lang_german"));
  EXPECT_EQ(127, TScript::PrimaryConstToId(L"LANG_INVARIANT"));
  EXPECT_EQ(-1, TScript::PrimaryConstToId(L"LANG_KLINGON"));
  EXPECT_EQ(-1, TScript::PrimaryConstToId(L""));
  EXPECT_EQ(3, TScript::SubConstToId(L"SUBLANG_GERMAN_AUSTRIAN"));
  EXPECT_EQ(21, TScript::SubConstToId(L"sublang_spanish_us"));
  EXPECT_EQ(18, TScript::SubConstToId(L"SUBLANG_ENGLISH_SINGAPORE"));
  EXPECT_EQ(-1, TScript::SubConstToId(L"SUBLANG_NONE"));
  // Every name gives the number of its first row.
  for (const Qd::TPrimaryData& row : Qd::NLS_PRIMARIES_C) {
    const std::wstring name(row.Name);
    for (const Qd::TPrimaryData& first : Qd::NLS_PRIMARIES_C)
      if (first.Name == row.Name) {
        EXPECT_EQ(first.Primary, TScript::PrimaryConstToId(name)) << name;
        break;
      }
  }
  for (const Qd::TSubData& row : Qd::NLS_SUB_C) {
    const std::wstring name(row.Name);
    for (const Qd::TSubData& first : Qd::NLS_SUB_C)
      if (first.Name == row.Name) {
        EXPECT_EQ(first.Sub, TScript::SubConstToId(name)) << name;
        break;
      }
  }
}

TEST(NlsConstants, NumbersToNamesTakeTheFirstMatchingRow) {
  EXPECT_EQ(L"LANG_BANGLA", TScript::IdToPrimaryConst(69, L""));
  EXPECT_EQ(L"LANG_CATALAN", TScript::IdToPrimaryConst(3, L""));
  EXPECT_EQ(L"LANG_FARSI", TScript::IdToPrimaryConst(41, L""));
  EXPECT_EQ(L"LANG_LOWER_SORBIAN", TScript::IdToPrimaryConst(46, L""));
  EXPECT_EQ(L"LANG_SAKHA", TScript::IdToPrimaryConst(133, L""));
  // A language asked for doesn't hide rows without one.
  EXPECT_EQ(L"LANG_GERMAN", TScript::IdToPrimaryConst(7, L"hr"));
  EXPECT_EQ(L"LANG_NEUTRAL", TScript::IdToPrimaryConst(0, L""));
  EXPECT_EQ(L"LANG_NEUTRAL", TScript::IdToPrimaryConst(999, L""));

  EXPECT_EQ(L"SUBLANG_NEUTRAL", TScript::IdToSubConst(9, 14, L""));
  EXPECT_EQ(L"SUBLANG_ENGLISH_US", TScript::IdToSubConst(9, 1, L""));
  EXPECT_EQ(L"SUBLANG_ENGLISH_INDIA", TScript::IdToSubConst(9, 16, L""));
  EXPECT_EQ(L"SUBLANG_NEUTRAL", TScript::IdToSubConst(7, 9, L""));
  EXPECT_EQ(L"SUBLANG_GERMAN", TScript::IdToSubConst(7, 1, L""));
  EXPECT_EQ(L"SUBLANG_DEFAULT", TScript::IdToSubConst(0, 1, L""));
  EXPECT_EQ(L"SUBLANG_PORTUGUESE_BRAZILIAN", TScript::IdToSubConst(22, 1, L""));
  EXPECT_EQ(L"SUBLANG_PORTUGUESE", TScript::IdToSubConst(22, 2, L""));
  EXPECT_EQ(L"SUBLANG_DEFAULT", TScript::IdToSubConst(200, 1, L""));
  EXPECT_EQ(L"SUBLANG_NEUTRAL", TScript::IdToSubConst(200, 2, L""));
}

}  // namespace
