// Language codes in file names, against the system table of the test
// prefix: a suffix in the name (bundle files) and a folder named after the
// language beside the original (localized files), with real files.
#include <gtest/gtest.h>

#include <string>

#include "QdLanguages.h"
#include "TestSupport.h"
#include "runtime/System/Win32.h"

namespace {

struct TBundle {
  bool Found = false;
  std::wstring BaseName, Id, Language, Script, Country, Variant;
};

TBundle Bundle(const std::wstring& fileName, wchar_t languageSeparator = L'_', wchar_t countrySeparator = L'_',
               bool strictCheck = true) {
  TBundle result;
  result.Found = Qd::SystemLanguages().ParseBundleFile(fileName, result.BaseName, result.Language, result.Country,
                                                       result.Variant, languageSeparator, countrySeparator,
                                                       strictCheck);
  return result;
}

TBundle ScriptBundle(const std::wstring& fileName, wchar_t languageSeparator, wchar_t countrySeparator,
                     bool strictCheck = true) {
  TBundle result, withoutId;
  result.Found = Qd::SystemLanguages().ParseBundleFile(fileName, result.BaseName, result.Id, result.Language,
                                                       result.Script, result.Country, result.Variant,
                                                       languageSeparator, countrySeparator, strictCheck);
  withoutId.Found = Qd::SystemLanguages().ParseBundleFile(fileName, withoutId.BaseName, withoutId.Language,
                                                          withoutId.Script, withoutId.Country, withoutId.Variant,
                                                          languageSeparator, countrySeparator, strictCheck);
  EXPECT_EQ(withoutId.Found, result.Found);
  EXPECT_EQ(withoutId.BaseName, result.BaseName);
  EXPECT_EQ(withoutId.Script, result.Script);
  return result;
}

struct TLocalized {
  bool Found = false;
  std::wstring BaseName = L"untouched", Language, Script, Country, Variant;
};

TLocalized Localized(const std::wstring& fileName) {
  TLocalized result;
  result.Found = Qd::SystemLanguages().ParseLocalizedFile(fileName, result.BaseName, result.Language,
                                                          result.Script, result.Country, result.Variant);
  return result;
}

}  // namespace

TEST(BundleFile, ALanguageAndCountrySuffixWithOneSeparatorForBoth) {
  TBundle b = Bundle(L"app_de_DE.properties");
  EXPECT_TRUE(b.Found);
  EXPECT_EQ(b.Language, L"de");
  EXPECT_EQ(b.Country, L"DE");
  EXPECT_EQ(b.Variant, L"");
  EXPECT_EQ(b.BaseName, L"app.properties");

  b = Bundle(L"C:\\data\\my_app_fr_CA.txt");
  EXPECT_TRUE(b.Found);
  EXPECT_EQ(b.Language, L"fr");
  EXPECT_EQ(b.Country, L"CA");
  EXPECT_EQ(b.BaseName, L"C:\\data\\my_app.txt");

  b = Bundle(L"app_de.properties");
  EXPECT_TRUE(b.Found);
  EXPECT_EQ(b.Language, L"de");
  EXPECT_EQ(b.Country, L"");
  EXPECT_EQ(b.BaseName, L"app.properties");

  // Upper and lower case are put right; no extension is fine.
  b = Bundle(L"strings_DE_at");
  EXPECT_TRUE(b.Found);
  EXPECT_EQ(b.Language, L"de");
  EXPECT_EQ(b.Country, L"AT");
  EXPECT_EQ(b.BaseName, L"strings");
}

TEST(BundleFile, OtherSeparatorsTakeTheCodeAfterTheLastLanguageSeparator) {
  // The extension goes first, so '.' may separate the code too.
  TBundle b = Bundle(L"app.de-DE.xml", L'.', L'-');
  EXPECT_TRUE(b.Found);
  EXPECT_EQ(b.Language, L"de");
  EXPECT_EQ(b.BaseName, L"app.xml");
  b = Bundle(L"app~de-DE.xml", L'~', L'-');
  EXPECT_TRUE(b.Found);
  EXPECT_EQ(b.Language, L"de");
  EXPECT_EQ(b.Country, L"DE");
  EXPECT_EQ(b.BaseName, L"app.xml");
  // Separators differ, so "x_y_de-DE" takes only what follows the last '_'.
  b = Bundle(L"x_y_de-DE.txt", L'_', L'-');
  EXPECT_TRUE(b.Found);
  EXPECT_EQ(b.BaseName, L"x_y.txt");
}

TEST(BundleFile, TheScanStopsAtTheFolderOrDrive) {
  EXPECT_FALSE(Bundle(L"C:\\dir_x\\file.txt").Found);
  EXPECT_EQ(Bundle(L"C:\\dir_x\\file.txt").BaseName, L"C:\\dir_x\\file.txt");
  EXPECT_FALSE(Bundle(L"C:\\dir_de\\file.txt").Found);
  EXPECT_FALSE(Bundle(L"de_DE:stream.txt").Found);
  EXPECT_FALSE(Bundle(L"plain.txt").Found);
  EXPECT_FALSE(Bundle(L"").Found);
  EXPECT_FALSE(Bundle(L"app_.txt").Found);
}

TEST(BundleFile, StrictCheckAndTheLengthOfTheLanguage) {
  // Unknown two-letter codes pass only without the strict check.
  EXPECT_FALSE(Bundle(L"app_qq.txt").Found);
  TBundle b = Bundle(L"app_qq.txt", L'_', L'_', false);
  EXPECT_TRUE(b.Found);
  EXPECT_EQ(b.Language, L"qq");
  EXPECT_EQ(b.BaseName, L"app.txt");
  // A three-letter language must be known either way.
  EXPECT_FALSE(Bundle(L"app_qqq.txt", L'_', L'_', false).Found);
  // A known language with a country it does not have.
  EXPECT_FALSE(Bundle(L"app_de_JP.txt").Found);
  EXPECT_TRUE(Bundle(L"app_de_JP.txt", L'_', L'_', false).Found);
}

TEST(BundleFile, TheScriptFormsReadAScriptAndGiveTheCode) {
  TBundle b = ScriptBundle(L"ui_sr-Latn-RS.dll", L'_', L'-');
  EXPECT_TRUE(b.Found);
  EXPECT_EQ(b.Id, L"sr-Latn-RS");
  EXPECT_EQ(b.Language, L"sr");
  EXPECT_EQ(b.Script, L"Latn");
  EXPECT_EQ(b.Country, L"RS");
  EXPECT_EQ(b.BaseName, L"ui.dll");

  b = ScriptBundle(L"ui_zh-hant.dll", L'_', L'-');
  EXPECT_TRUE(b.Found);
  EXPECT_EQ(b.Id, L"zh-hant");
  EXPECT_EQ(b.Script, L"Hant");
  EXPECT_EQ(b.Country, L"");

  b = ScriptBundle(L"app_de_DE.properties", L'_', L'_');
  EXPECT_TRUE(b.Found);
  EXPECT_EQ(b.Id, L"de_DE");
  EXPECT_EQ(b.Script, L"");
  EXPECT_EQ(b.Country, L"DE");

  EXPECT_FALSE(ScriptBundle(L"C:\\a_b\\ui.dll", L'_', L'-').Found);
}

TEST(LocalizedFile, AFolderNamedAfterAKnownLanguageBesideTheOriginal) {
  TestSupport::TTempDir dir;
  TestSupport::MakeDir(dir / L"app\\de-DE");
  TestSupport::MakeDir(dir / L"app\\sr-Latn");
  TestSupport::MakeDir(dir / L"app\\qq");
  TestSupport::MakeDir(dir / L"app\\de-QQ");
  TestSupport::WriteFile(dir / L"app\\readme.txt", "original");
  for (const wchar_t* folder : {L"de-DE", L"sr-Latn", L"qq", L"de-QQ"})
    TestSupport::WriteFile(dir / (L"app\\" + std::wstring(folder) + L"\\readme.txt"), "translated");
  TestSupport::WriteFile(dir / L"app\\de-DE\\only.txt", "no original");

  TLocalized l = Localized(dir / L"app\\de-DE\\readme.txt");
  EXPECT_TRUE(l.Found);
  EXPECT_EQ(l.Language, L"de");
  EXPECT_EQ(l.Script, L"Latn");
  EXPECT_EQ(l.Country, L"DE");
  EXPECT_EQ(l.BaseName, L"untouched");

  l = Localized(dir / L"app\\sr-Latn\\readme.txt");
  EXPECT_TRUE(l.Found);
  EXPECT_EQ(l.Language, L"sr");
  EXPECT_EQ(l.Script, L"Latn");
  EXPECT_EQ(l.Country, L"");

  // No original one level up; an unknown language; an unknown country.
  EXPECT_FALSE(Localized(dir / L"app\\de-DE\\only.txt").Found);
  EXPECT_FALSE(Localized(dir / L"app\\qq\\readme.txt").Found);
  EXPECT_FALSE(Localized(dir / L"app\\de-QQ\\readme.txt").Found);
  EXPECT_FALSE(Localized(dir / L"app\\readme.txt").Found);  // its folder "app" is no language
}

TEST(LocalizedFile, AFileWithoutAFolderAboveItsOwnIsNotLocalized) {
  // A file at the root of a drive, with a file of its name in the current
  // folder's drive root: nothing above the root is looked at.
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  const std::wstring name = L"qd_localized_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  const std::wstring atRoot = L"C:\\" + name;
  TestSupport::WriteFile(atRoot, "root");
  EXPECT_FALSE(Localized(atRoot).Found);
  EXPECT_FALSE(Localized(L"C:" + name).Found);
  DeleteFileW(atRoot.c_str());

  // A relative folder name has no parent to look in either, even with the
  // file in the current folder.
  TestSupport::TTempDir dir;
  TestSupport::MakeDir(dir / L"de");
  TestSupport::WriteFile(dir / L"de\\readme.txt", "translated");
  TestSupport::WriteFile(dir / L"readme.txt", "original");
  ASSERT_TRUE(SetCurrentDirectoryW(dir.Path().c_str()));
  EXPECT_FALSE(Localized(L"de\\readme.txt").Found);
  EXPECT_TRUE(Localized(dir / L"de\\readme.txt").Found);
  SetCurrentDirectoryW(current);
  EXPECT_FALSE(Localized(L"readme.txt").Found);
  EXPECT_FALSE(Localized(L"").Found);
}
