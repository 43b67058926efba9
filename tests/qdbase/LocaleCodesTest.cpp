// Locale ids and language codes against the system's locale functions.
#include <gtest/gtest.h>

#include <thread>

#include "QdBase.h"
#include "QdClasses.h"

namespace {

using Qd::TQdBase;

TEST(IsoLanguageToLocaleTest, FirstSupportedLocaleOfLanguageAndCountry) {
  EXPECT_EQ(0x0407, TQdBase::IsoLanguageToLocale(L"de", L"DE"));
  EXPECT_EQ(0x0C07, TQdBase::IsoLanguageToLocale(L"DE", L"at"));
  EXPECT_EQ(0x0409, TQdBase::IsoLanguageToLocale(L"en", L"US"));
  // Without a country only the primary language counts.
  EXPECT_EQ(7, TQdBase::IsoLanguageToLocale(L"de", L""));
  EXPECT_EQ(0x0C, TQdBase::IsoLanguageToLocale(L"fr", L""));
  EXPECT_EQ(0, TQdBase::IsoLanguageToLocale(L"qq", L""));
  EXPECT_EQ(0, TQdBase::IsoLanguageToLocale(L"de", L"JP"));
}

TEST(IsoLanguageToLocaleTest, SearchesOfTwoThreadsDontMix) {
  std::int32_t other = -1;
  std::thread thread([&other] {
    for (int i = 0; i < 20; ++i) other = TQdBase::IsoLanguageToLocale(L"fr", L"CA");
  });
  std::int32_t own = -1;
  for (int i = 0; i < 20; ++i) own = TQdBase::IsoLanguageToLocale(L"de", L"CH");
  thread.join();
  EXPECT_EQ(0x0C0C, other);
  EXPECT_EQ(0x0807, own);
}

TEST(IsoToLocaleTest, ByLocaleName) {
  EXPECT_EQ(7, TQdBase::IsoToLocale(L"de"));
  EXPECT_EQ(0x0407, TQdBase::IsoToLocale(L"de-DE"));
  EXPECT_EQ(0, TQdBase::IsoToLocale(L"xx-YY"));
}

TEST(LocaleToIsoCodeTest, CountryOnlyWithASublanguage) {
  EXPECT_EQ(L"de-DE", TQdBase::LocaleToIsoCode(0x0407));
  EXPECT_EQ(L"de-AT", TQdBase::LocaleToIsoCode(0x0C07));
  EXPECT_EQ(L"de", TQdBase::LocaleToIsoCode(0x0007));
  EXPECT_EQ(L"fi-FI", TQdBase::LocaleToIsoCode(0x040B));
}

TEST(LocaleToExtensionTest, ThreeLettersOrTwoForANeutralLocale) {
  EXPECT_EQ(L"", TQdBase::LocaleToExtension(0));
  EXPECT_EQ(L"DEU", TQdBase::LocaleToExtension(0x0407));
  EXPECT_EQ(L"DEA", TQdBase::LocaleToExtension(0x0C07));
  EXPECT_EQ(L"DE", TQdBase::LocaleToExtension(0x0007));
  EXPECT_EQ(L"EN", TQdBase::LocaleToExtension(0x0009));
}

TEST(FolderPathTest, DocumentsFolderIsTheShellsOne) {
  const std::wstring documents = TQdBase::GetFolderPath(5);
  EXPECT_FALSE(documents.empty());
  EXPECT_EQ(Qd::TShell::GetFolder(Qd::ftDocuments), documents);
}

TEST(FolderPathTest, UnknownFolderGivesEmptyText) { EXPECT_EQ(L"", TQdBase::GetFolderPath(0x7F)); }

TEST(DefaultLocaleTest, GermanEnvironmentGivesGermanGermany) {
  EXPECT_EQ(L"de", TQdBase::GetDefaultLanguage());
  EXPECT_EQ(L"de-DE", TQdBase::GetDefaultLocale());
  EXPECT_EQ(0x0407, TQdBase::GetUserLanguage());
  EXPECT_EQ(0x0407, TQdBase::GetSystemLanguage());
}

}  // namespace
