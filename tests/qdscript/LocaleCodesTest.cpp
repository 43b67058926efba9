// Splitting locale codes: the older forms with a separator, and the Vista
// form with a script.
#include <gtest/gtest.h>

#include "QdScript.h"

namespace {

using Qd::TScript;

TEST(ParseLocale, SplitsAtTheSeparatorKeepingCase) {
  std::wstring language, country, variant;
  TScript::ParseLocale(L"de_AT_euro", language, country, variant, L'_');
  EXPECT_EQ(L"de", language);
  EXPECT_EQ(L"AT", country);
  EXPECT_EQ(L"euro", variant);
  TScript::ParseLocale(L"PT-br", language, country, variant, L'-');
  EXPECT_EQ(L"PT", language);
  EXPECT_EQ(L"br", country);
  EXPECT_EQ(L"", variant);
  TScript::ParseLocale(L"fr", language, country, variant, L'_');
  EXPECT_EQ(L"fr", language);
  EXPECT_EQ(L"", country);
  EXPECT_EQ(L"", variant);
  TScript::ParseLocale(L"", language, country, L'_');
  EXPECT_EQ(L"", language);
  EXPECT_EQ(L"", country);
  TScript::ParseLocale(L"en_GB", language, country, L'_');
  EXPECT_EQ(L"en", language);
  EXPECT_EQ(L"GB", country);
}

TEST(ParseVistaLocale, ScriptCountryAndVariant) {
  std::wstring language, country, variant, script;
  TScript::ParseVistaLocale(L"sr-Latn-RS", language, country, variant, script);
  EXPECT_EQ(L"sr", language);
  EXPECT_EQ(L"Latn", script);
  EXPECT_EQ(L"RS", country);
  EXPECT_EQ(L"", variant);

  TScript::ParseVistaLocale(L"en-US", language, country, variant, script);
  EXPECT_EQ(L"en", language);
  EXPECT_EQ(L"US", country);
  EXPECT_EQ(L"", script);
  EXPECT_EQ(L"", variant);

  // A second piece that is no script of the table is dropped.
  TScript::ParseVistaLocale(L"xx-latn-YY", language, country, variant, script);
  EXPECT_EQ(L"", script);
  EXPECT_EQ(L"YY", country);

  // The variant after '_'.
  TScript::ParseVistaLocale(L"de-DE_phoneb", language, country, variant, script);
  EXPECT_EQ(L"de", language);
  EXPECT_EQ(L"DE", country);
  EXPECT_EQ(L"phoneb", variant);
  TScript::ParseVistaLocale(L"zh-Hant-TW_radstr", language, country, variant, script);
  EXPECT_EQ(L"Hant", script);
  EXPECT_EQ(L"TW", country);
  EXPECT_EQ(L"radstr", variant);

  TScript::ParseVistaLocale(L"", language, country, variant, script);
  EXPECT_EQ(L"", language);
  EXPECT_EQ(L"", country);
  EXPECT_EQ(L"", variant);
  EXPECT_EQ(L"", script);
}

TEST(LocaleCharacters, LanguageAndCountryByPosition) {
  EXPECT_EQ(L"de", TScript::GetLanguageFromLocale(L"de_AT"));
  EXPECT_EQ(L"AT", TScript::GetCountryFromLocale(L"de_AT"));
  EXPECT_EQ(L"AT", TScript::GetCountryFromLocale(L"de-ATX"));
  EXPECT_EQ(L"d", TScript::GetLanguageFromLocale(L"d"));
  EXPECT_EQ(L"", TScript::GetLanguageFromLocale(L""));
  EXPECT_EQ(L"", TScript::GetCountryFromLocale(L"de"));
  EXPECT_EQ(L"A", TScript::GetCountryFromLocale(L"de_A"));
}

}  // namespace
