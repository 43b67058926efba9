// Language codes split into their parts, and the bits of a locale id.
#include <gtest/gtest.h>

#include <string>

#include "QdBase.h"

namespace {

using Qd::TQdBase;

struct TParts {
  std::wstring Language, Script, Country, Variant;
  bool operator==(const TParts&) const = default;
};

void PrintTo(const TParts& p, std::ostream* os) {
  *os << '[' << std::string(p.Language.begin(), p.Language.end()) << '|'
      << std::string(p.Script.begin(), p.Script.end()) << '|' << std::string(p.Country.begin(), p.Country.end())
      << '|' << std::string(p.Variant.begin(), p.Variant.end()) << ']';
}

TParts Id(const std::wstring& code) {
  TParts p{L"?", L"?", L"?", L"?"};
  TQdBase::ParseLocaleId(code, p.Language, p.Script, p.Country, p.Variant);
  return p;
}

TParts String(const std::wstring& code) {
  TParts p{L"?", L"", L"?", L"?"};
  TQdBase::ParseLocaleString(code, p.Language, p.Country, p.Variant);
  return p;
}

TEST(ParseLocaleIdTest, ScriptCountryAndVariant) {
  EXPECT_EQ((TParts{L"sr", L"Latn", L"RS", L""}), Id(L"sr-Latn-RS"));
  EXPECT_EQ((TParts{L"de", L"", L"AT", L""}), Id(L"de_at"));
  EXPECT_EQ((TParts{L"zh", L"Hant", L"", L""}), Id(L"zh-hant"));
  EXPECT_EQ((TParts{L"en", L"", L"US", L"POSIX"}), Id(L"en-US-POSIX"));
  EXPECT_EQ((TParts{L"de", L"", L"CH", L"1996"}), Id(L"de-CH-1996"));
  EXPECT_EQ((TParts{L"sr", L"Cyrl", L"BA", L"x"}), Id(L"SR_CYRL_ba-x"));
  // The first separator of either kind ends a part; the variant keeps its
  // case; parts beyond the variant are dropped.
  EXPECT_EQ((TParts{L"es", L"", L"ES", L"tradnl"}), Id(L"ES-es_tradnl-extra"));
  EXPECT_EQ((TParts{L"de", L"", L"", L""}), Id(L"DE"));
  EXPECT_EQ((TParts{L"", L"", L"", L""}), Id(L""));
  // Three or five letters are no script.
  EXPECT_EQ((TParts{L"en", L"", L"ABC", L""}), Id(L"en-abc"));
  EXPECT_EQ((TParts{L"en", L"", L"ABCDE", L""}), Id(L"en-abcde"));
  // Only ASCII letters change case.
  EXPECT_EQ((TParts{L"\u00c4b", L"\u00e4bcd", L"\u00e4X", L""}), Id(L"\u00c4B-\u00e4BCD-\u00e4x"));
}

TEST(ParseLocaleStringTest, SplitsAtHyphensOnlyAndKeepsCase) {
  EXPECT_EQ((TParts{L"de", L"", L"AT", L""}), String(L"de-AT"));
  EXPECT_EQ((TParts{L"de_at", L"", L"", L""}), String(L"de_at"));
  EXPECT_EQ((TParts{L"EN", L"", L"us", L"Posix"}), String(L"EN-us-Posix"));
  EXPECT_EQ((TParts{L"sr", L"", L"Latn", L"RS"}), String(L"sr-Latn-RS"));
  EXPECT_EQ((TParts{L"", L"", L"", L""}), String(L""));
}

TEST(LocaleIdBitsTest, PrimaryAndSubLanguage) {
  EXPECT_EQ(0x0407, TQdBase::MakeLangId(7, 1));
  EXPECT_EQ(0x0C07, TQdBase::MakeLangId(7, 3));
  EXPECT_EQ(7, TQdBase::LocaleToPrimary(0x0C07));
  EXPECT_EQ(3, TQdBase::LocaleToSub(0x0C07));
  EXPECT_EQ(0x3FF, TQdBase::LocaleToPrimary(0x7FFFF));
  EXPECT_EQ(0x3F, TQdBase::LocaleToSub(0x7FFFF));  // sort bits above 15 are not the sublanguage
  EXPECT_EQ(0, TQdBase::LocaleToSub(0x0009));
}

}  // namespace
