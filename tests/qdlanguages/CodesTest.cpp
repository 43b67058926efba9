// Language codes: parsing, composing, legacy forms, numeric identifiers,
// comparing and detecting the form of a code.
#include <gtest/gtest.h>

#include <string>

#include "QdLanguages.h"

using Qd::TSystemLanguages;
namespace Ql = Qd::QdLanguages;

namespace {

struct TParts {
  std::wstring Language, Script, Country, Variant;
};

TParts ParseScriptId(const std::wstring& id, const std::wstring& separators = L"-_") {
  TParts p;
  TSystemLanguages::ParseScriptId(id, p.Language, p.Script, p.Country, p.Variant, separators);
  return p;
}

TParts ParseId(const std::wstring& id) {
  TParts p;
  TSystemLanguages::ParseId(id, p.Language, p.Script, p.Country, p.Variant);
  return p;
}

std::wstring Compose(const std::wstring& l, const std::wstring& s, const std::wstring& c, const std::wstring& v,
                     Qd::TLanguageIdScript idScript = Qd::lsStandard, Qd::TLanguageIdCase idCase = Ql::lcStandard,
                     wchar_t separator = L'-') {
  return TSystemLanguages::ComposeId(l, s, c, v, separator, idCase, idScript);
}

std::wstring Legacy(const std::wstring& l, const std::wstring& s, const std::wstring& c, const std::wstring& v,
                    Qd::TLanguageIdScript idScript = Qd::lsStandard, wchar_t separator = L'-') {
  return TSystemLanguages::GetLegacyId(l, s, c, v, separator, Ql::lcStandard, idScript);
}

}  // namespace

TEST(LanguageCodes, ParseScriptIdSplitsAtEverySeparatorAndFixesTheCaseOfEachPart) {
  TParts p = ParseScriptId(L"SR_latn_rs");
  EXPECT_EQ(p.Language, L"sr");
  EXPECT_EQ(p.Script, L"Latn");
  EXPECT_EQ(p.Country, L"RS");
  EXPECT_EQ(p.Variant, L"");
  p = ParseScriptId(L"es-419");
  EXPECT_EQ(p.Script, L"");
  EXPECT_EQ(p.Country, L"419");
  p = ParseScriptId(L"de-DE-1996");
  EXPECT_EQ(p.Variant, L"1996");
  p = ParseScriptId(L"abcd-EFGH");
  EXPECT_EQ(p.Language, L"abcd");
  EXPECT_EQ(p.Script, L"Efgh");
  // Two separators: an empty country, the variant after it; further
  // pieces are ignored; a trailing separator adds no piece.
  p = ParseScriptId(L"de--1996-x-y");
  EXPECT_EQ(p.Country, L"");
  EXPECT_EQ(p.Variant, L"1996");
  p = ParseScriptId(L"de-");
  EXPECT_EQ(p.Language, L"de");
  EXPECT_EQ(p.Country, L"");
  // Without '_' as a separator the country is cut once more at '_'.
  p = ParseScriptId(L"de-DE_phoneb", L"-");
  EXPECT_EQ(p.Country, L"DE");
  EXPECT_EQ(p.Variant, L"phoneb");
  p = ParseScriptId(L"");
  EXPECT_EQ(p.Language, L"");
  p = ParseScriptId(L"-x");
  EXPECT_EQ(p.Language, L"");
  EXPECT_EQ(p.Country, L"X");
}

TEST(LanguageCodes, TheSimpleSplitsKnowNoScript) {
  std::wstring language, country, variant;
  TSystemLanguages::ParseIdSep(L"SR_latn_rs", language, country, variant, L"_");
  EXPECT_EQ(language, L"sr");
  EXPECT_EQ(country, L"LATN");
  EXPECT_EQ(variant, L"rs");
  TSystemLanguages::ParseIdNoVariant(L"pt-br", language, country, L"-");
  EXPECT_EQ(language, L"pt");
  EXPECT_EQ(country, L"BR");
  EXPECT_EQ(TSystemLanguages::UnderlineToCode(L"a_b_c"), L"a-b_c");
  EXPECT_EQ(TSystemLanguages::UnderlineToCode(L"abc"), L"abc");
  EXPECT_TRUE(Qd::TLanguage::IsMultiPartId(L"a_b"));
  EXPECT_FALSE(Qd::TLanguage::IsMultiPartId(L"ab"));
}

TEST(LanguageCodes, TheDefaultScriptsOfSerbianAzerbaijaniAndUzbekNeedNoTable) {
  EXPECT_EQ(TSystemLanguages::LanguageToScript(L""), L"");
  EXPECT_EQ(TSystemLanguages::LanguageToScript(L"sr"), L"Cyrl");
  EXPECT_EQ(TSystemLanguages::LanguageToScript(L"sr", L"RS", L"LAT"), L"Latn");
  EXPECT_EQ(TSystemLanguages::LanguageToScript(L"az"), L"Latn");
  EXPECT_EQ(TSystemLanguages::LanguageToScript(L"uz", L"UZ", L"CYR"), L"Cyrl");
  EXPECT_EQ(ParseId(L"sr-RS").Script, L"Cyrl");
  EXPECT_EQ(ParseId(L"sr-RS-LAT").Script, L"Latn");
  EXPECT_EQ(ParseId(L"uz-Cyrl-UZ").Script, L"Cyrl");
  EXPECT_EQ(TSystemLanguages::NormalizeId(L"sr"), L"sr");
  EXPECT_EQ(TSystemLanguages::NormalizeId(L"sr-Latn"), L"sr-Latn");
  EXPECT_EQ(TSystemLanguages::NormalizeId(L"sr-Cyrl"), L"sr");
  EXPECT_EQ(TSystemLanguages::NormalizeId(L"SR_latn_rs_x"), L"sr-Latn-RS-x");
  EXPECT_EQ(TSystemLanguages::RemoveVariant(L"sr-Latn-RS-x"), L"sr-Latn-RS");
  EXPECT_EQ(TSystemLanguages::GetCountryNeutralId(L"sr-Latn-RS-x"), L"sr-Latn");
}

TEST(LanguageCodes, ComposeIdWritesCountryAndVariantAndTheCaseAsAsked) {
  EXPECT_EQ(Compose(L"de", L"", L"", L"1996"), L"de--1996");
  EXPECT_EQ(Compose(L"de", L"", L"DE", L"1996"), L"de-DE-1996");
  // A country that starts with a space is no country.
  EXPECT_EQ(Compose(L"de", L"", L" DE", L""), L"de");
  EXPECT_EQ(Compose(L"de", L"", L" DE", L"1996"), L"de--1996");
  EXPECT_EQ(Compose(L"sr", L"Latn", L"RS", L"", Qd::lsStandard, Ql::lcUpper, L'_'), L"SR_LATN_RS");
  EXPECT_EQ(Compose(L"sr", L"Latn", L"RS", L"", Qd::lsStandard, Ql::lcLower), L"sr-latn-rs");
  EXPECT_EQ(Compose(L"sr", L"", L"RS", L"", Qd::lsAlways), L"sr-Cyrl-RS");
  EXPECT_EQ(TSystemLanguages::ComposeLegacyId(L"de", L"", L"1996", L'_'), L"de__1996");
  EXPECT_EQ(TSystemLanguages::ComposeLegacyId(L"de", L"AT", L"", L'_'), L"de_AT");
}

TEST(LanguageCodes, AFourCharacterCountryKeepsTheScriptBeforeIt) {
  // "sr-Cyrl-ABCD" without its default script would read back with ABCD as
  // the script.
  EXPECT_EQ(TSystemLanguages::NormalizeId(L"sr-Cyrl-ABCD"), L"sr-Cyrl-ABCD");
  EXPECT_EQ(TSystemLanguages::NormalizeId(L"sr-Cyrl-ABCD"),
            TSystemLanguages::NormalizeId(TSystemLanguages::NormalizeId(L"sr-Cyrl-ABCD")));
}

TEST(LanguageCodes, LegacyFormsExpressTheScriptByCountryAndVariant) {
  EXPECT_EQ(Legacy(L"zh", L"Hans", L"", L""), L"zh");
  EXPECT_EQ(Legacy(L"zh", L"Hant", L"", L""), L"zh-TW");
  EXPECT_EQ(Legacy(L"zh", L"Hans", L"", L"", Qd::lsMulti), L"zh-CN");
  EXPECT_EQ(Legacy(L"zh", L"Hant", L"HK", L""), L"zh-HK");
  EXPECT_EQ(Legacy(L"sr", L"Latn", L"", L""), L"sr-RS-LAT");
  EXPECT_EQ(Legacy(L"sr", L"Cyrl", L"RS", L""), L"sr-RS");
  EXPECT_EQ(Legacy(L"sr", L"Cyrl", L"RS", L"", Qd::lsAlways), L"sr-RS-CYR");
  EXPECT_EQ(Legacy(L"sr", L"Latn", L"ME", L""), L"sr-ME-LAT");
  EXPECT_EQ(Legacy(L"bs", L"Cyrl", L"", L""), L"bs-BA-CYR");
  EXPECT_EQ(Legacy(L"bs", L"Latn", L"", L"", Qd::lsMulti), L"bs-BA-LAT");
  EXPECT_EQ(Legacy(L"az", L"Cyrl", L"", L"", Qd::lsStandard, L'_'), L"az_AZ_CYR");
  EXPECT_EQ(Legacy(L"uz", L"Latn", L"", L""), L"uz");
  EXPECT_EQ(Legacy(L"de", L"Latn", L"AT", L"x"), L"de-AT-x");
}

TEST(LanguageCodes, NumericIdentifiers) {
  EXPECT_EQ(TSystemLanguages::MakeLangId(26, 3), 0x0C1A);
  EXPECT_EQ(TSystemLanguages::MakeLcId(0x0407, 1), 0x10407);
  EXPECT_EQ(TSystemLanguages::GetPrimaryFromLocale(0x10C1A), 26);
  EXPECT_EQ(TSystemLanguages::GetSubFromLocale(0x10C1A), 3);
  EXPECT_EQ(TSystemLanguages::GetSubFromLocale(0x7C1A), 31);
  EXPECT_TRUE(Qd::TLanguage::ImeAvailable(0x0411));
  EXPECT_TRUE(Qd::TLanguage::ImeAvailable(0x0804));
  EXPECT_FALSE(Qd::TLanguage::ImeAvailable(0x0407));
}

TEST(LanguageCodes, CompareIds) {
  EXPECT_EQ(Qd::TLanguage::CompareIds(L"de-DE", L"de-AT"), Qd::lmPartial);
  EXPECT_EQ(Qd::TLanguage::CompareIds(L"de", L"en"), Qd::lmNone);
  EXPECT_EQ(Qd::TLanguage::CompareIds(L"de-DE", L"de-DE"), Qd::lmExact);
  EXPECT_EQ(Qd::TLanguage::CompareIds(L"sr-Latn", L"sr-RS"), Qd::lmNone);
  EXPECT_EQ(Qd::TLanguage::CompareIds(L"sr", L"sr-Cyrl-RS"), Qd::lmPartial);
}

TEST(LanguageCodes, DetectTellsKindCaseAndScriptRule) {
  Qd::TLanguageIdKinds kinds;
  Qd::TLanguageIdCases cases;
  Qd::TLanguageIdScripts scripts;
  Qd::TLanguageId::Detect(L"DE_AT", kinds, cases, scripts);
  EXPECT_TRUE(kinds.Contains(Qd::liUnderline));
  EXPECT_FALSE(kinds.Contains(Qd::liStandard));
  EXPECT_TRUE(cases.Contains(Ql::lcUpper));
  Qd::TLanguageId::Detect(L"de-at", kinds, cases, scripts);
  EXPECT_TRUE(kinds.Contains(Qd::liStandard));
  EXPECT_TRUE(cases.Contains(Ql::lcLower));
  EXPECT_FALSE(cases.Contains(Ql::lcStandard));
  Qd::TLanguageId::Detect(L"de-AT", kinds, cases, scripts);
  EXPECT_TRUE(cases.Contains(Ql::lcStandard));
  EXPECT_TRUE(scripts.IsEmpty());
  // Nothing but the language: no case is told.
  Qd::TLanguageIdCases none;
  Qd::TLanguageId::Detect(L"de", kinds, none, scripts);
  EXPECT_TRUE(none.IsEmpty());
}

TEST(LanguageCodes, LanguageIdSettingsConvertAndSignalChanges) {
  Qd::TLanguageId settings;
  EXPECT_TRUE(settings.GetIsDefault());
  EXPECT_EQ(settings.GetXmlBody(), Qd::xbNone);
  int changes = 0;
  settings.SetOnChange([&](Rtl::TObject*) { ++changes; });
  settings.SetKind(Qd::liUnderline);
  settings.SetKind(Qd::liUnderline);
  settings.SetIdCase(Ql::lcUpper);
  EXPECT_EQ(changes, 2);
  EXPECT_FALSE(settings.GetIsDefault());
  EXPECT_NE(settings.GetXmlBody(), Qd::xbNone);
  EXPECT_EQ(settings.Convert(L"sr-Latn-RS"), L"SR_RS_LAT");
  EXPECT_EQ(Qd::TLanguageId::Convert(L"de-at", Qd::liStandard, Ql::lcStandard, Qd::lsStandard), L"de-AT");
  Qd::TLanguageId copy;
  EXPECT_FALSE(copy.Equals(&settings));
  copy.Assign(settings);
  EXPECT_TRUE(copy.Equals(&settings));
  EXPECT_EQ(Rtl::TypeInfo<Qd::TLanguageIdKind>().GetEnumName(Qd::liLegacy), L"liLegacy");
  EXPECT_EQ(Rtl::TypeInfo<Qd::TLanguageIdCase>().GetEnumName(Ql::lcUpper), L"lcUpper");
  EXPECT_EQ(Rtl::TypeInfo<Qd::TLanguageIdScript>().GetEnumName(Qd::lsMulti), L"lsMulti");
  EXPECT_EQ(Rtl::TypeInfo<Qd::TLanguageMatch>().GetEnumName(Qd::lmExact), L"lmExact");
  EXPECT_EQ(Rtl::TypeInfo<Qd::TLanguageIdCases>().ElementType, &Rtl::TypeInfo<Qd::TLanguageIdCase>());
}
