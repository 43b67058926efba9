// The table of the system's languages as Wine's locale list fills it, and
// single names fed to the table.
#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "QdLanguages.h"
#include "QdScript.h"
#include "runtime/Text/StringList.h"

using Qd::TSystemLanguages;

namespace {

const TSystemLanguages& Table() { return Qd::SystemLanguages(); }

Qd::TSystemLanguage& Language(const wchar_t* code, const wchar_t* script = L"") {
  Qd::TSystemLanguage* item = Table().Find(code, script);
  if (item == nullptr) throw std::runtime_error("no table entry");
  return *item;
}

}  // namespace

TEST(SystemTable, WinesListGivesTheTableItsCounts_Wine) {
  int countries = 0, variants = 0;
  for (const auto& language : Table()) {
    variants += static_cast<int>(language->GetVariants().size());
    for (const auto& country : language->GetCountries()) {
      ++countries;
      variants += static_cast<int>(country->GetVariants().size());
    }
  }
  std::cout << "[ table    ] " << Table().GetCount() << " languages, " << countries << " countries, " << variants
            << " variants\n";
  EXPECT_GT(Table().GetCount(), 200);
  EXPECT_GT(countries, 300);
  EXPECT_GE(variants, 10);
  EXPECT_NE(Table().GetDefaultKeyboardLayout(), 0u);
}

TEST(SystemTable, GermanHasItsNamesIdentifiersAndCodePages) {
  Qd::TSystemLanguage& de = Language(L"de");
  EXPECT_EQ(de.GetScript(), L"Latn");
  EXPECT_EQ(de.GetEnglishName(), L"German");
  EXPECT_EQ(de.GetDisplayName(), L"German");
  EXPECT_EQ(de.GetNativeName(), L"Deutsch");
  EXPECT_EQ(de.GetWindowsCode(), L"DE");
  EXPECT_EQ(de.GetPrimary(), 7);
  EXPECT_EQ(de.GetFullId(), L"de");
  EXPECT_EQ(de.GetCodePages(Qd::ecAnsi), 1252);
  EXPECT_EQ(de.GetCodePages(Qd::ecIso), 28591);
  EXPECT_EQ(de.GetCodePages(Qd::ecMac), 10000);
  EXPECT_EQ(de.GetCodePages(Qd::ecDos), 850);
  EXPECT_EQ(de.GetCodePages(Qd::ecEbcdic), 20273);
  EXPECT_EQ(de.GetCodePages(Qd::ecOther), 0);
  EXPECT_EQ(de.GetCodePage(), 1252);
  const Qd::TSystemCountry* germany = de.Find(L"DE");
  ASSERT_NE(germany, nullptr);
  EXPECT_EQ(germany->GetLanguage(), &de);
  EXPECT_EQ(germany->GetSub(), 1);
  EXPECT_EQ(germany->GetLocaleId(), 0x0407);
  EXPECT_EQ(germany->GetEnglishName(), L"Germany");
  EXPECT_EQ(germany->GetWindowsCode(), L"DEU");
  EXPECT_EQ(germany->GetFullId(), L"de-DE");
  // The alternate sort is a variant of the country.
  const Qd::TSystemVariant* phoneb = germany->Find(L"phoneb");
  ASSERT_NE(phoneb, nullptr);
  EXPECT_EQ(phoneb->GetCountry(), germany);
  EXPECT_EQ(phoneb->GetLanguage(), &de);
  EXPECT_EQ(phoneb->GetFullId(), L"de-DE-phoneb");
  EXPECT_EQ(Table().FindId(L"de-DE-phoneb"), phoneb);
  EXPECT_EQ(Table().FindId(L"de-DE"), germany);
  EXPECT_EQ(Table().FindId(L"de-QQ"), nullptr);
  EXPECT_EQ(Table().FindId(L"de"), &de);
  EXPECT_TRUE(Table().IsIdKnown(L"de-DE-phoneb"));
  EXPECT_FALSE(Table().IsIdKnown(L"de-DE-none"));
  EXPECT_EQ(Table().GetLocaleName(L"de-AT", false), L"German (Austria)");
  EXPECT_EQ(Table().GetLocaleName(L"de-QQ", false), L"German (QQ)");
  EXPECT_EQ(Table().GetLocaleName(L"qqq", true), L"Unknown language qqq");
  EXPECT_EQ(Table().EnglishNameToId(L"german"), L"de");
  EXPECT_EQ(Table().EnglishNameToId(L"Austria"), L"de-AT");
  EXPECT_EQ(Table().WindowsCodeToId(L"DEA"), L"de-AT");
  EXPECT_EQ(Table().WindowsCodeToId(L"DE"), L"de");
}

TEST(SystemTable, SerbianChineseJapaneseAndChakma) {
  EXPECT_EQ(Language(L"sr", L"Cyrl").GetEnglishName(), L"Serbian, Cyrillic");
  EXPECT_EQ(Language(L"sr", L"Latn").GetEnglishName(), L"Serbian, Latin");
  EXPECT_EQ(Language(L"sr", L"Cyrl").GetDisplayName(), L"Serbian, Cyrillic");
  EXPECT_EQ(Language(L"zh").GetScript(), L"Hans");
  EXPECT_EQ(Language(L"zh").GetEnglishName(), L"Chinese, Simplified");
  EXPECT_NE(Table().Find(L"zh", L"Hant"), nullptr);
  EXPECT_EQ(Table().GetScriptCount(L"zh"), 2);
  EXPECT_EQ(Language(L"ja").GetScript(), L"Jpan");
  EXPECT_EQ(Language(L"ja").GetCodePage(), 932);
  EXPECT_NE(Table().Find(L"ccp", L"Cakm"), nullptr);
  EXPECT_EQ(Table().Find(L"x", L""), nullptr);
  EXPECT_EQ(Table().Find(L"", L""), nullptr);
  EXPECT_TRUE(Table().UseScript(L"sr"));
  EXPECT_FALSE(Table().UseScript(L"de"));
}

TEST(SystemTable, DefaultAndFirstCountries) {
  EXPECT_EQ(Table().GetFirstCountry(L"en", L""), L"001");
  EXPECT_EQ(Table().GetDefaultCountry(L"en", L""), L"US");
  EXPECT_EQ(Table().GetDefaultCountry(L"pt", L""), L"BR");
  EXPECT_EQ(Table().GetDefaultCountry(L"ja", L""), Table().GetFirstCountry(L"ja", L""));
  EXPECT_EQ(Table().GetDefaultCountry(L"ja", L""), L"JP");
  EXPECT_EQ(Table().GetFirstCountry(L"qqq", L""), L"");
  const Rtl::TStringList& defaults = Qd::DefaultCountries();
  EXPECT_EQ(defaults.Count(), 31);
  EXPECT_EQ(defaults.Values(L"zh-Hant"), L"TW");
  EXPECT_EQ(defaults.Values(L"ur"), L"PK");
}

TEST(SystemTable, NumericIdentifiersBothWays) {
  EXPECT_EQ(Table().LanguageToNlsLocale(L"de", L"", L"", L"DE"), 0x0407);
  EXPECT_EQ(Table().NlsToId(0x0407), L"de-DE");
  EXPECT_EQ(Table().NlsToId(0x0007), L"de");
  EXPECT_EQ(Table().LanguageToNlsLocale(L"sr", L"", L"", L""), TSystemLanguages::MakeLangId(26, 3));
  EXPECT_EQ(Table().LanguageToNlsLocale(L"sr", L"Latn", L"", L""), TSystemLanguages::MakeLangId(26, 2));
  EXPECT_EQ(Table().NlsToId(TSystemLanguages::MakeLangId(26, 3)), L"sr");
  EXPECT_EQ(Table().NlsToId(TSystemLanguages::MakeLangId(26, 2)), L"sr-Latn");
  EXPECT_EQ(Table().NlsToId(TSystemLanguages::MakeLangId(26, 0)), L"hr");
  EXPECT_EQ(Table().NlsToId(0), L"");
  EXPECT_EQ(Table().CodeToNlsLocale(L"1031"), 1031);
  EXPECT_EQ(Table().CodeToNlsLocale(L"fr-FR"), 0x040C);
  EXPECT_EQ(Table().LanguageToNlsLocale(L"qqq", L"", L"", L""), 0);
  for (const wchar_t* code : {L"fr-FR", L"ja-JP", L"ru-RU", L"es-ES", L"pt-BR"})
    EXPECT_EQ(Table().NlsToId(Table().CodeToNlsLocale(code)), code);
  EXPECT_EQ(Table().LangIdToCodePage(0x0419), 1251);
  EXPECT_EQ(Table().LanguageToCodePage(L"el"), 1253);
  EXPECT_EQ(Table().LanguageToCodePage(L""), 0);
}

TEST(SystemTable, FixedCodePageTables) {
  EXPECT_EQ(TSystemLanguages::GetIsoCodePage(L"bs", L"Cyrl"), 28595);
  EXPECT_EQ(TSystemLanguages::GetIsoCodePage(L"bs", L"Latn"), 28592);
  EXPECT_EQ(TSystemLanguages::GetIsoCodePage(L"xx", L""), 0);
  EXPECT_EQ(TSystemLanguages::GetIsoCodePage(L"zh", L"Hant"), 50229);
  EXPECT_EQ(TSystemLanguages::GetIsoCodePage(L"zh", L"Hans"), 50227);
  EXPECT_EQ(TSystemLanguages::GetIsoCodePage(L"ha", L"Latn"), 28591);
  EXPECT_EQ(TSystemLanguages::GetIsoCodePage(L"ha", L"Arab"), 0);
  EXPECT_EQ(TSystemLanguages::GetIsoCodePage(L"ur", L""), 28596);
  EXPECT_EQ(TSystemLanguages::GetOtherCodePage(L"uk", L""), 21866);
  EXPECT_EQ(TSystemLanguages::GetOtherCodePage(L"zh", L"Hans"), 54936);
  EXPECT_EQ(TSystemLanguages::GetOtherCodePage(L"zh", L"Hant"), 51950);
  EXPECT_EQ(TSystemLanguages::GetOtherCodePage(L"sr", L"Latn"), 0);
  EXPECT_EQ(TSystemLanguages::GetOtherCodePage(L"sr", L"Cyrl"), 20866);
  EXPECT_TRUE(TSystemLanguages::IsArabicScript(L"prs"));
  EXPECT_TRUE(TSystemLanguages::IsAsianScript(L"ko"));
  EXPECT_FALSE(TSystemLanguages::IsAsianScript(L"KO"));
  EXPECT_EQ(TSystemLanguages::GetScriptType(L"ar"), Qd::csBiDirectional);
}

TEST(SystemTable, DefaultEncodings) {
  const std::wstring ansi = Qd::CodePageDatas().CodePageToEncoding(1252);
  ASSERT_FALSE(ansi.empty());
  EXPECT_EQ(Table().GetDefaultEncoding(L"de", L"", Qd::TEncodingCategories{Qd::ecAnsi}, L"none"), ansi);
  EXPECT_EQ(Table().GetDefaultEncoding(L"de-AT", Qd::TEncodingCategories{Qd::ecAnsi}, L"none"), ansi);
  EXPECT_EQ(Table().GetDefaultEncoding(L"de", L"", {}, L"none"), L"utf-8");
  EXPECT_EQ(Table().GetDefaultEncoding(L"de", L"", Qd::TEncodingCategories{Qd::ecUtf16Be}, L"none"),
            L"unicodeFFFE");
  EXPECT_EQ(Table().GetDefaultEncoding(L"de", L"", Qd::TEncodingCategories{Qd::ecOther}, L"none"), L"none");
  EXPECT_EQ(Table().GetDefaultEncoding(L"qqq", L"", {}, L"none"), L"none");
  EXPECT_EQ(Qd::CodePageDatas().GetDefaultEncoding(L"ru-RU", Qd::TEncodingCategories{Qd::ecAnsi}),
            Qd::CodePageDatas().GetDefaultEncodingFromScript(L"Cyrl", Qd::TEncodingCategories{Qd::ecAnsi}));
}

TEST(SystemTable, LanguageAndCountryIdsValidForTheScriptClass) {
  EXPECT_TRUE(Qd::TScript::AreLanguageAndCountryIdsValid(L"es", L"ES"));
  EXPECT_TRUE(Qd::TScript::AreLanguageAndCountryIdsValid(L"sr", L"RS"));
  EXPECT_TRUE(Qd::TScript::AreLanguageAndCountryIdsValid(L"de", L""));
  EXPECT_FALSE(Qd::TScript::AreLanguageAndCountryIdsValid(L"es", L"419"));
  EXPECT_FALSE(Qd::TScript::AreLanguageAndCountryIdsValid(L"es", L"QQ"));
  EXPECT_FALSE(Qd::TScript::AreLanguageAndCountryIdsValid(L"qq", L""));
  EXPECT_FALSE(Qd::TScript::AreLanguageAndCountryIdsValid(L"d1", L""));
  EXPECT_FALSE(Qd::TScript::AreLanguageAndCountryIdsValid(L"deut", L""));
}

TEST(SystemTable, AddCustomAddsMontenegrinAndArabicScriptAzerbaijani) {
  TSystemLanguages table;
  table.AddCustom();
  ASSERT_EQ(table.GetCount(), 3);
  const Qd::TSystemLanguage* latin = table.Find(L"cnr", L"Latn");
  const Qd::TSystemLanguage* cyrillic = table.Find(L"cnr", L"Cyrl");
  const Qd::TSystemLanguage* arabic = table.Find(L"az", L"Arab");
  ASSERT_TRUE(latin != nullptr && cyrillic != nullptr && arabic != nullptr);
  EXPECT_EQ(latin->GetEnglishName(), L"Montenegrin, Latin");
  EXPECT_EQ(latin->GetNativeName(), L"crnogorski");
  EXPECT_EQ(cyrillic->GetEnglishName(), L"Montenegrin, Cyrillic");
  EXPECT_EQ(arabic->GetEnglishName(), L"Azerbaijani, Arabic");
  EXPECT_EQ(latin->GetPrimary(), 26);
  const Qd::TSystemCountry* montenegro = latin->Find(L"ME");
  ASSERT_NE(montenegro, nullptr);
  EXPECT_EQ(montenegro->GetEnglishName(), L"Montenegro");
  EXPECT_EQ(montenegro->GetNativeName(), L"Crna Gora");
  EXPECT_EQ(montenegro->GetSub(), 11);
  EXPECT_EQ(cyrillic->Find(L"ME")->GetSub(), 12);
  EXPECT_EQ(arabic->Find(L"AZ")->GetLocaleId(), TSystemLanguages::MakeLangId(44, 3));
  EXPECT_EQ(table.GetScripts(L"cnr"), L"Latn;Cyrl");
  EXPECT_EQ(table.LanguageToNlsLocale(L"cnr", L"Cyrl", L"", L""), TSystemLanguages::MakeLangId(26, 12));
}

TEST(SystemTable, FedNamesFollowTheRulesOfTheList) {
  TSystemLanguages table;
  table.AddLocaleName(L"x");
  table.AddLocaleName(L"x-IV_mathan");
  table.AddLocaleName(L"");
  table.AddLocaleName(L"ccp");
  EXPECT_EQ(table.GetCount(), 0);
  // The language comes, the old country of Serbia and Montenegro doesn't.
  table.AddLocaleName(L"sr-Latn-CS");
  ASSERT_EQ(table.GetCount(), 1);
  EXPECT_EQ(table.GetItems(0).GetScript(), L"Latn");
  EXPECT_TRUE(table.GetItems(0).GetCountries().empty());
  // A script written by an alias is kept under its code; a country that is
  // really a script moves the pieces after it up.
  table.AddLocaleName(L"ja-Hira-JP");
  const Qd::TSystemLanguage* japanese = table.Find(L"ja", L"");
  ASSERT_NE(japanese, nullptr);
  EXPECT_EQ(japanese->GetScript(), L"Jpan");
  EXPECT_NE(japanese->Find(L"JP"), nullptr);
  table.AddLocaleName(L"sr-Latn-Cyrl-RS");
  const Qd::TSystemLanguage* cyrillic = table.Find(L"sr", L"Cyrl");
  ASSERT_NE(cyrillic, nullptr);
  EXPECT_NE(cyrillic->Find(L"RS"), nullptr);
  // A name the system lacks still gets its entry, with empty names.
  table.AddLocaleName(L"qqq-Latn-QQ");
  const Qd::TSystemLanguage* unknown = table.Find(L"qqq", L"Latn");
  ASSERT_NE(unknown, nullptr);
  EXPECT_EQ(unknown->GetEnglishName(), L"");
  EXPECT_EQ(unknown->GetCodePage(), 0);
  EXPECT_NE(unknown->Find(L"QQ"), nullptr);
}

TEST(SystemTable, EntriesCompareCopyAndSort) {
  Qd::TSystemLanguage a;
  a.SetId(L"de");
  a.SetEnglishName(L"German");
  Qd::TSystemLanguage b;
  b.Assign(a);
  EXPECT_TRUE(a.Equals(&b));
  b.SetMarked(true);
  EXPECT_TRUE(a.Equals(&b));
  b.SetNativeName(L"Deutsch");
  EXPECT_FALSE(a.Equals(&b));
  Qd::TSystemLanguage numeric;
  numeric.SetId(L"1031");
  EXPECT_EQ(numeric.GetPrimary(), 1031);
  EXPECT_EQ(numeric.GetWindowsCode(), L"1031");
  EXPECT_EQ(Qd::TSystemLanguage::ScriptNamesToScript(L";Hani;latn;Cyrl"), L"latn");
  EXPECT_EQ(Qd::TSystemLanguage::ScriptNamesToScript(L"Hani;Hira"), L"");
  TSystemLanguages table;
  table.AddLocaleName(L"fr-FR");
  table.AddLocaleName(L"de-DE");
  table.AddLocaleName(L"de-AT");
  table.Sort();
  EXPECT_EQ(table.GetItems(0).GetId(), L"de");
  table.Delete(0);
  EXPECT_EQ(table.GetItems(0).GetId(), L"fr");
  EXPECT_THROW(table.GetItems(5), Rtl::EListError);
}
