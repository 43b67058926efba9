// Locales of codes and extensions, the process-wide formats and the era
// letters of date patterns, against the platform's real locale data.
#include <gtest/gtest.h>

#include "QdBase.h"
#include "QdLocalization.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Format.h"

using namespace Qd;

namespace {

constexpr std::int32_t GERMAN_GERMANY = 0x0407;
constexpr std::int32_t GERMAN = 0x07;

TEST(ExtensionToLocale, SpecificAndNeutralCodes) {
  EXPECT_EQ(TQdLocale::ExtensionToLocale(L".DEU"), GERMAN_GERMANY);
  EXPECT_EQ(TQdLocale::ExtensionToLocale(L"DEU"), GERMAN_GERMANY);
  EXPECT_EQ(TQdLocale::ExtensionToLocale(L"de-DE"), GERMAN_GERMANY);
  EXPECT_EQ(TQdLocale::ExtensionToLocale(L"DE-de"), GERMAN_GERMANY);
  EXPECT_EQ(TQdLocale::ExtensionToLocale(L"fr-CA"), 0x0C0C);
  // The second pass: the abbreviation without its last letter, or the ISO
  // name alone, give only the language.
  EXPECT_EQ(TQdLocale::ExtensionToLocale(L"DE"), GERMAN);
  EXPECT_EQ(TQdLocale::ExtensionToLocale(L"de"), GERMAN);
  EXPECT_EQ(TQdLocale::ExtensionToLocale(L"fi"), 0x0B);
  EXPECT_EQ(TQdLocale::ExtensionToLocale(L""), 0);
  EXPECT_EQ(TQdLocale::ExtensionToLocale(L"xx-YY"), 0);
  EXPECT_EQ(TQdLocale::ExtensionToLocale(L"."), 0);
}

TEST(LocaleNames, IsoFormsAndCodePages) {
  EXPECT_EQ(TQdLocale::LocaleToIso(GERMAN_GERMANY), L"de_DE");
  EXPECT_EQ(TQdLocale::LocaleToIso639(GERMAN_GERMANY), L"de-DE");
  EXPECT_EQ(TQdLocale::LocaleToIso(GERMAN), L"de");
  EXPECT_EQ(TQdLocale::LocaleToIso639(GERMAN), L"de");
  EXPECT_EQ(TQdLocale::LocaleToIso(0), L"");

  // 4 is not a locale the platform knows: the answer is fixed.
  EXPECT_EQ(TQdLocale::LocaleToCodePage(4), 936);
  EXPECT_EQ(TQdLocale::LocaleToCodePage(GERMAN_GERMANY), 1252);
  EXPECT_EQ(TQdLocale::LocaleToCodePage(0x0411), 932);
  EXPECT_EQ(TQdLocale::LocaleToCodePage(0x0419), 1251);
}

TEST(LocaleNames, BidiAndAsianGoByTheFirstTwoLetters) {
  for (const wchar_t* code : {L"ar-SA", L"HEB", L"FAR", L"he", L"fa-IR", L"AR"})
    EXPECT_TRUE(TQdLocale::IsLocaleBidi(code)) << code;
  for (const wchar_t* code : {L"ur", L"en", L"", L"a"}) EXPECT_FALSE(TQdLocale::IsLocaleBidi(code)) << code;
  // The three-letter extensions (JPN, CHS, CHT, KOR), and ko.
  for (const wchar_t* code : {L"JPN", L"KOR", L"CHS", L"CHT", L"ko-KR"})
    EXPECT_TRUE(TQdLocale::IsLocaleAsian(code)) << code;
  for (const wchar_t* code : {L"ja", L"zh-CN", L"zh", L"vi", L""}) EXPECT_FALSE(TQdLocale::IsLocaleAsian(code)) << code;
}

// Keeps the process-wide formats and the week globals, and puts them back.
class FormatSettingsTest : public testing::Test {
protected:
  void TearDown() override {
    Rtl::FormatSettings() = FSaved;
    SetFirstDayOfWeek(FDay);
    SetFirstWeekOfYear(FWeek);
  }

  Rtl::TFormatSettings FSaved = Rtl::FormatSettings();
  TQdDayOfWeek FDay = FirstDayOfWeek();
  TQdFirstWeekOfYear FWeek = FirstWeekOfYear();
};

TEST_F(FormatSettingsTest, UnitedStates) {
  TQdLocale::UpdateFormatSettings(L"en-US");
  const Rtl::TFormatSettings& s = Rtl::FormatSettings();
  EXPECT_EQ(s.CurrencyString, L"$");
  EXPECT_EQ(s.DecimalSeparator, L'.');
  EXPECT_EQ(s.ThousandSeparator, L',');
  EXPECT_EQ(s.CurrencyDecimals, 2);
  EXPECT_EQ(s.DateSeparator, L'/');
  EXPECT_EQ(s.ShortDateFormat, L"M/d/yyyy");
  EXPECT_EQ(s.TimeAMString, L"AM");
  // A 12-hour clock with its marker after the time, no leading zero.
  EXPECT_EQ(s.ShortTimeFormat, L"h:mm AMPM");
  EXPECT_EQ(s.LongTimeFormat, L"h:mm:ss AMPM");
  EXPECT_EQ(s.ShortMonthNames[0], L"Jan");
  EXPECT_EQ(s.LongMonthNames[11], L"December");
  // Index 0 is Sunday, although the platform counts from Monday.
  EXPECT_EQ(s.LongDayNames[0], L"Sunday");
  EXPECT_EQ(s.ShortDayNames[1], L"Mon");
  EXPECT_EQ(s.LongDayNames[6], L"Saturday");
  EXPECT_EQ(FirstDayOfWeek(), wdSunday);
  EXPECT_EQ(Rtl::FloatToStr(1234.5), L"1234.5");
  EXPECT_EQ(Rtl::Format(L"%n", {1234.5}), L"1,234.50");
}

TEST_F(FormatSettingsTest, Germany) {
  TQdLocale::UpdateFormatSettings(GERMAN_GERMANY);
  const Rtl::TFormatSettings& s = Rtl::FormatSettings();
  EXPECT_EQ(s.CurrencyString, L"€");
  EXPECT_EQ(s.DecimalSeparator, L',');
  EXPECT_EQ(s.ThousandSeparator, L'.');
  EXPECT_EQ(s.DateSeparator, L'.');
  EXPECT_EQ(s.ShortDateFormat, L"d.M.yyyy");
  // A 24-hour clock with leading zeros.
  EXPECT_EQ(s.ShortTimeFormat, L"hh:mm");
  EXPECT_EQ(s.LongTimeFormat, L"hh:mm:ss");
  EXPECT_EQ(s.LongMonthNames[2], L"März");
  EXPECT_EQ(s.LongDayNames[0], L"Sonntag");
  EXPECT_EQ(s.ShortDayNames[3], L"Mi.");
  EXPECT_EQ(s.ListSeparator, L';');
  EXPECT_EQ(FirstDayOfWeek(), wdMonday);
  EXPECT_EQ(FirstWeekOfYear(), fwFirst4);
  // Number formatting follows.
  EXPECT_EQ(Rtl::FloatToStr(1234.5), L"1234,5");
  EXPECT_EQ(Rtl::Format(L"%n", {1234.5}), L"1.234,50");
  EXPECT_EQ(Rtl::StrToFloat(L"2,5"), 2.5);
}

TEST_F(FormatSettingsTest, KoreaPutsTheMarkerBeforeTheTime) {
  TQdLocale::UpdateFormatSettings(L"ko-KR");
  const Rtl::TFormatSettings& s = Rtl::FormatSettings();
  EXPECT_EQ(s.ShortTimeFormat, L"AMPM h:mm");
  EXPECT_EQ(s.LongTimeFormat, L"AMPM h:mm:ss");
  EXPECT_FALSE(s.TimeAMString.empty());
}

TEST_F(FormatSettingsTest, EmptyCodeFollowsTheDefaultLocaleAndFourIsChinaPrc) {
  const std::wstring saved = DefaultLocale();
  SetDefaultLocale(L"de-DE");
  TQdLocale::UpdateFormatSettings(L"");
  SetDefaultLocale(saved);
  EXPECT_EQ(Rtl::FormatSettings().DecimalSeparator, L',');

  TQdLocale::UpdateFormatSettings(4);
  EXPECT_EQ(Rtl::FormatSettings().CurrencyString, L"¥");
}

TEST_F(FormatSettingsTest, CheckLocaleVariablesFollowsTheLoadedLanguage) {
  const std::wstring saved = LoadedResourceLocale();
  SetLoadedResourceLocale(L"");
  TQdLocale::CheckLocaleVariables();  // nothing loaded: nothing changes
  EXPECT_EQ(Rtl::FormatSettings().DecimalSeparator, FSaved.DecimalSeparator);
  SetLoadedResourceLocale(L"DEU");
  TQdLocale::CheckLocaleVariables();
  SetLoadedResourceLocale(saved);
  EXPECT_EQ(Rtl::FormatSettings().DecimalSeparator, L',');
}

TEST(TranslateCalendarFormat, EraCalendarsRewriteYearsAndEras) {
  for (const int calendar : {3, 4, 5}) {
    EXPECT_EQ(TranslateCalendarFormat(calendar, 9, L"gg yyyy/MM/dd"), L"ggg eeee/MM/dd");
    EXPECT_EQ(TranslateCalendarFormat(calendar, 9, L"GG YY-M-d y"), L"ggg ee-M-d e");
    EXPECT_EQ(TranslateCalendarFormat(calendar, 17, L"yyyyy g"), L"eeeee g");
  }
  // Gregorian: the era letters go only in a Chinese, Japanese or Korean
  // process.
  EXPECT_EQ(TranslateCalendarFormat(1, 9, L"gg yyyy/MM/dd"), L"gg yyyy/MM/dd");
  for (const int language : {4, 17, 18})
    EXPECT_EQ(TranslateCalendarFormat(1, language, L"gg yyyy/MM/dd G"), L" yyyy/MM/dd ");
  EXPECT_EQ(TranslateCalendarFormat(2, 9, L"ggyy"), L"ggyy");
}

// Run in the entry qdlocalization_ja, whose process locale is Japanese.
TEST(JapaneseProcessTest, GregorianPatternsLoseTheirEraLetters) {
  ASSERT_EQ(Rtl::SysLocale().PriLangID, 17) << "run under LC_ALL=ja_JP.UTF-8";
  EXPECT_EQ(TranslateDateFormat(0x0409, L"gg yyyy/MM/dd"), L" yyyy/MM/dd");
  EXPECT_EQ(TranslateDateFormat(0x0411, L"ggyyyy'年'M'月'd'日'"), L"yyyy'年'M'月'd'日'");
}

TEST(TranslateDateFormat, LeavesGregorianPatternsOfOtherProcessesAlone) {
  if (Rtl::SysLocale().PriLangID == 4 || Rtl::SysLocale().PriLangID == 17 || Rtl::SysLocale().PriLangID == 18)
    GTEST_SKIP() << "a Chinese, Japanese or Korean process";
  EXPECT_EQ(TranslateDateFormat(GERMAN_GERMANY, L"gg dd.MM.yyyy"), L"gg dd.MM.yyyy");
}

TEST(GetLocaleStr, DefaultWhenThePlatformHasNoValue) {
  EXPECT_EQ(GetLocaleStr(GERMAN_GERMANY, 0x59, L"?"), L"de");  // the ISO 639 name
  EXPECT_EQ(GetLocaleStr(0x7FFF0000, 0x59, L"?"), L"?");       // no such locale
  EXPECT_EQ(GetLocaleStr(GERMAN_GERMANY, 0x0FFFFFFF, L"none"), L"none");
}

}  // namespace
