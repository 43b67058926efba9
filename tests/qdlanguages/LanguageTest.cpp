// TLanguage: its parts, caches, copies and change notification, and the
// localized name tables.
#include <gtest/gtest.h>

#include <string>

#include "QdLanguages.h"
#include "QdLanguages/NameTables.h"

using Qd::TLanguage;
using Qd::TSystemLanguages;
namespace Ql = Qd::QdLanguages;

TEST(Language, CreateParsesTheCodeAndTheDefaultsAreSet) {
  TLanguage language(L"SR_latn_rs");
  EXPECT_EQ(language.GetLanguage(), L"sr");
  EXPECT_EQ(language.GetScript(), L"Latn");
  EXPECT_EQ(language.GetCountry(), L"RS");
  EXPECT_EQ(language.GetId(), L"sr-Latn-RS");
  EXPECT_EQ(language.GetLegacyId(), L"sr-RS-LAT");
  EXPECT_EQ(language.GetUnderlineId(), L"sr_RS_LAT");
  EXPECT_TRUE(language.GetEnabled());
  EXPECT_FALSE(language.GetSelected());
  EXPECT_EQ(language.GetTag(), -1);
  EXPECT_EQ(language.GetTag2(), -1);
  EXPECT_FALSE(language.GetMapped());
  language.SetTag(0);
  EXPECT_TRUE(language.GetMapped());
  EXPECT_FALSE(language.GetNeutral());
  EXPECT_TRUE(language.GetUseCase());
  const auto value = TLanguage::CreateValue(L"XX", L"", L"yy");
  EXPECT_EQ(value->GetLanguage(), L"XX");  // stored as given
  EXPECT_EQ(value->GetCountry(), L"yy");
}

TEST(Language, ChangesOfThePartsSignalOnceAndIdenticalValuesNot) {
  TLanguage language(L"de-DE");
  int changes = 0;
  language.SetOnChange([&](Rtl::TObject*) { ++changes; });
  language.SetId(L"de-DE");
  language.SetCountry(L"DE");
  EXPECT_EQ(changes, 0);
  language.SetCountry(L"AT");
  language.SetLanguage(L"fr");
  language.SetScript(L"Latn");  // the parsed default already
  language.SetScript(L"Cyrl");
  language.SetId(L"en-GB");
  EXPECT_EQ(changes, 4);
  language.SetVariant(L"x");  // the variant is no change of the language
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(language.GetId(), L"en-GB-x");
}

TEST(Language, AssignCopiesThePartsTagsAndCounterButNotSelectionOrTheOtherCounters) {
  TLanguage source(L"de-AT");
  source.SetTag(5);
  source.SetTag2(6);
  source.SetEnabled(false);
  source.SetSelected(true);
  source.SetCodePage(1252);
  source.IncCounter();
  source.IncClearCounter();
  source.IncImportCounter();
  EXPECT_EQ(source.IncOverwriteCounter(), 1);
  TLanguage target;
  int changes = 0;
  target.SetOnChange([&](Rtl::TObject*) { ++changes; });
  target.Assign(source);
  EXPECT_EQ(target.GetId(), L"de-AT");
  EXPECT_EQ(target.GetTag(), 5);
  EXPECT_EQ(target.GetTag2(), 6);
  EXPECT_FALSE(target.GetEnabled());
  EXPECT_FALSE(target.GetSelected());
  EXPECT_EQ(target.GetCodePage(), 1252);
  EXPECT_EQ(target.GetCounter(), 1);
  EXPECT_EQ(target.GetClearCounter(), 0);
  EXPECT_EQ(target.GetImportCounter(), 0);
  EXPECT_EQ(target.GetOverwriteCounter(), 0);
  EXPECT_EQ(changes, 0);
  const auto enabled = source.AllocEnabledLanguage(true);
  EXPECT_TRUE(enabled->GetEnabled());
  EXPECT_EQ(enabled->GetTag(), 5);
  source.ClearCounters();
  EXPECT_EQ(source.GetCounter() + source.GetClearCounter() + source.GetImportCounter() +
                source.GetOverwriteCounter(),
            0);
}

TEST(Language, CompareSameAndParents) {
  const TLanguage de(L"de"), deAt(L"de-AT"), deAtX(L"de-AT-x"), en(L"en");
  EXPECT_LT(de.Compare(deAt), 0);
  EXPECT_EQ(deAt.Compare(TLanguage(L"de-AT")), 0);
  EXPECT_GT(en.Compare(deAt), 0);
  EXPECT_TRUE(deAt.IsSame(L"DE_at"));
  EXPECT_TRUE(de.IsSame(L"DE"));
  EXPECT_FALSE(de.IsSame(L"de-AT"));
  EXPECT_TRUE(deAt.IsSame(L"de", L"", L"at", L""));
  EXPECT_TRUE(de.IsParentLanguage(deAt));
  EXPECT_FALSE(deAt.IsParentLanguage(deAtX));
  EXPECT_TRUE(deAt.IsParentCountry(deAtX));
  EXPECT_FALSE(deAtX.IsParentCountry(deAtX));
  EXPECT_EQ(TLanguage::CompareLanguages(deAt, deAtX), Qd::lmPartial);
}

TEST(Language, TheCachedEntriesAndCodePageFollowTheCode) {
  TLanguage language(L"de-DE");
  ASSERT_NE(language.GetSystemLanguage(), nullptr);
  EXPECT_EQ(language.GetSystemLanguage()->GetId(), L"de");
  ASSERT_NE(language.GetSystemCountry(), nullptr);
  EXPECT_EQ(language.GetSystemCountry()->GetId(), L"DE");
  EXPECT_EQ(language.GetCodePage(), 1252);
  EXPECT_EQ(language.GetLangId(), 0x0407);
  EXPECT_EQ(language.GetWindowsCode(), L"DEU");
  language.SetId(L"ru-RU");
  EXPECT_EQ(language.GetSystemLanguage()->GetId(), L"ru");
  EXPECT_EQ(language.GetSystemCountry()->GetId(), L"RU");
  EXPECT_EQ(language.GetCodePage(), 1251);  // the former language's page is forgotten
  EXPECT_EQ(language.GetLangId(), 0x0419);
  language.SetId(L"de-DE-phoneb");
  ASSERT_NE(language.GetSystemVariant(), nullptr);
  EXPECT_EQ(language.GetSystemVariant()->GetId(), L"phoneb");
  language.SetVariant(L"other");
  EXPECT_EQ(language.GetSystemVariant(), nullptr);
  language.SetLangId(0x0C0A);
  EXPECT_EQ(language.GetId(), L"es-ES");
  EXPECT_EQ(TLanguage(L"ar-SA").GetRightToLeft(), true);
  EXPECT_EQ(TLanguage(L"de").GetRightToLeft(), false);
  EXPECT_EQ(TLanguage(L"ja").GetScriptType(), Qd::csIdeographic);
}

TEST(Language, IdWithCountryAndTheMultiScriptRule) {
  EXPECT_EQ(TLanguage(L"de").GetIdWithCountry(), L"de-DE");
  EXPECT_EQ(TLanguage(L"en").GetIdWithCountry(), L"en-US");
  EXPECT_EQ(TLanguage(L"fr-CA").GetIdWithCountry(), L"fr-CA");
  EXPECT_EQ(TLanguage(L"ja").GetIdWithCountry(), L"ja-JP");
  EXPECT_EQ(TSystemLanguages::LanguageToScript(L"zh"), L"Hans");
  EXPECT_EQ(TSystemLanguages::LanguageToScript(L"zh", L"TW"), L"Hant");
  EXPECT_EQ(TSystemLanguages::LanguageToScript(L"de"), L"Latn");
  EXPECT_EQ(TSystemLanguages::LanguageToScript(L"DE"), L"Latn");
  EXPECT_EQ(TSystemLanguages::LanguageToScript(L"qqq"), L"");
  TLanguage zh(L"zh");
  EXPECT_EQ(zh.GetLanguageId(Qd::liStandard, Ql::lcStandard, Qd::lsMulti), L"zh-Hans");
  EXPECT_EQ(zh.GetId(), L"zh");
  TLanguage zhCn(L"zh-CN");
  EXPECT_EQ(zhCn.GetLanguageId(Qd::liStandard, Ql::lcStandard, Qd::lsMulti), L"zh-CN");
  EXPECT_EQ(TLanguage(L"de-AT").GetLanguageId(Qd::liStandard, Ql::lcStandard, Qd::lsMulti), L"de-AT");
  EXPECT_EQ(TLanguage(L"de-AT").GetLanguageId(Qd::liStandard, Ql::lcStandard, Qd::lsAlways), L"de-Latn-AT");
  Qd::TLanguageId settings;
  settings.SetScript(Qd::lsMulti);
  EXPECT_EQ(zh.GetIds(settings), L"zh-Hans");
  EXPECT_EQ(TLanguage(L"en-us").GetScript(), L"Latn");
  EXPECT_EQ(TLanguage(L"en-us").GetId(), L"en-US");
}

TEST(Language, DetectTheScriptRuleFromTheTable) {
  Qd::TLanguageIdKinds kinds;
  Qd::TLanguageIdCases cases;
  Qd::TLanguageIdScripts scripts;
  Qd::TLanguageId::Detect(L"de-Latn-DE", kinds, cases, scripts);
  EXPECT_TRUE(scripts.Contains(Qd::lsAlways));
  EXPECT_FALSE(scripts.Contains(Qd::lsMulti));
  Qd::TLanguageIdScripts multi;
  Qd::TLanguageId::Detect(L"zh-Hans", kinds, cases, multi);
  EXPECT_TRUE(multi.Contains(Qd::lsMulti));
}

TEST(LanguageNames, TheTablesHoldEveryCodeOnce) {
  EXPECT_EQ(std::size(Qd::LanguageNames::LANGUAGE_NAMES_C), 128u);
  EXPECT_EQ(std::size(Qd::LanguageNames::COUNTRY_NAMES_C), 125u);
  for (const auto& row : Qd::LanguageNames::LANGUAGE_NAMES_C)
    EXPECT_FALSE(TSystemLanguages::GetLocalizedLanguageName(row.Code, L"").empty()) << row.Code;
  for (const auto& row : Qd::LanguageNames::COUNTRY_NAMES_C)
    EXPECT_FALSE(TSystemLanguages::GetLocalizedCountryName(row.Code).empty()) << row.Code;
}

TEST(LanguageNames, QualifiersAndUnknownCodes) {
  const auto name = [](const wchar_t* language, const wchar_t* script) {
    return TSystemLanguages::GetLocalizedLanguageName(language, script);
  };
  EXPECT_EQ(name(L"sr", L"Cyrl"), L"Serbian (Cyrillic)");
  EXPECT_EQ(name(L"sr", L"Latn"), L"Serbian (Latin)");
  EXPECT_EQ(name(L"sr", L"Arab"), L"Serbian");
  EXPECT_EQ(name(L"uz", L""), L"Uzbek");
  EXPECT_EQ(name(L"zh", L"Hant"), L"Chinese (Traditional)");
  EXPECT_EQ(name(L"zh", L""), L"Chinese (Simplified)");
  EXPECT_EQ(name(L"ha", L"Arab"), L"Hausa (Arabic)");
  EXPECT_EQ(name(L"ha", L"Latn"), L"Hausa (Latin)");
  EXPECT_EQ(name(L"iu", L"Cans"), L"Inuktitut (Syllabics)");
  EXPECT_EQ(name(L"iu", L""), L"Inuktitut (Latin)");
  EXPECT_EQ(name(L"no", L""), L"Norwegian");
  EXPECT_EQ(name(L"nb", L""), L"Norwegian (Bokm\u00E5l)");
  EXPECT_EQ(name(L"nn", L""), L"Norwegian (Nynorsk)");
  EXPECT_EQ(name(L"smj", L""), L"Sami (Lule)");
  EXPECT_EQ(name(L"se", L""), L"Sami (Northern)");
  EXPECT_EQ(name(L"qut", L""), L"K'iche'");
  EXPECT_EQ(name(L"xx", L""), L"");
  EXPECT_EQ(name(L"DE", L""), L"");  // codes compare exactly
  EXPECT_EQ(TSystemLanguages::GetLocalizedCountryName(L"AX"), L"\u00C5land Islands");
  EXPECT_EQ(TSystemLanguages::GetLocalizedCountryName(L"419"), L"Latin America");
  EXPECT_EQ(TSystemLanguages::GetLocalizedCountryName(L"ZZ"), L"");
  EXPECT_EQ(TSystemLanguages::GetLocalizedCountryName(L"us"), L"");
}
