// The language records and their owning list.
#include <gtest/gtest.h>

#include <memory>

#include "QdBase.h"
#include "runtime/Core/Exceptions.h"

namespace {

using Qd::TQdLanguage;
using Qd::TQdLanguages;

TEST(LanguagesTest, AddSkipsAFileListedAlreadyInAnyCase) {
  TQdLanguages list;
  TQdLanguage* german = list.Add(L"de", 0, L"C:\\App\\Prog.DEU");
  ASSERT_NE(nullptr, german);
  EXPECT_EQ(L"de", german->GetCode());
  EXPECT_EQ(7, german->GetId());  // from the code
  EXPECT_EQ(nullptr, list.Add(L"de-DE", 0x0407, L"c:\\app\\prog.deu"));
  EXPECT_EQ(1, list.GetCount());
  EXPECT_EQ(german, list.FindByFile(L"C:\\APP\\PROG.deu"));
  EXPECT_EQ(nullptr, list.FindByFile(L"C:\\App\\Prog.FRA"));
  // Languages without a file are all added; a positive id is kept.
  TQdLanguage* first = list.Add(L"fi", 0x040B, L"");
  TQdLanguage* second = list.Add(L"fi", 0x040B, L"");
  EXPECT_NE(first, second);
  EXPECT_EQ(0x040B, second->GetId());
  EXPECT_EQ(3, list.GetCount());
  EXPECT_EQ(first, list.GetItems(1));
  EXPECT_THROW(list.GetItems(3), Rtl::EListError);
  EXPECT_THROW(list.GetItems(-1), Rtl::EListError);
}

TEST(LanguagesTest, AddTakesALanguageAndAddDefaultTheDefaultLocale) {
  TQdLanguages list;
  auto own = std::make_unique<TQdLanguage>();
  own->SetCode(L"sv");
  TQdLanguage* added = list.Add(std::move(own));
  EXPECT_EQ(L"sv", list.GetItems(0)->GetCode());
  EXPECT_EQ(added, list.GetItems(0));
  TQdLanguage* fallback = list.AddDefault();
  ASSERT_NE(nullptr, fallback);
  EXPECT_EQ(L"en", fallback->GetCode());
  EXPECT_EQ(9, fallback->GetId());
  EXPECT_EQ(L"", fallback->GetFileName());
  Qd::SetDefaultLocale(L"de-AT");
  TQdLanguage* austrian = list.AddDefault();
  Qd::SetDefaultLocale(L"en");
  EXPECT_EQ(L"de-AT", austrian->GetCode());
  EXPECT_EQ(0x0C07, austrian->GetId());
}

TEST(LanguageTest, ActiveCodeIsTheFilesExtensionWhenThereIsAFile) {
  TQdLanguage language;
  language.SetCode(L"de");
  EXPECT_EQ(L"de", language.GetActiveCode());
  language.SetFileName(L"C:\\App.v2\\Prog.DEU");
  EXPECT_EQ(L"DEU", language.GetActiveCode());
  language.SetFileName(L"C:\\App.v2\\Prog");
  EXPECT_EQ(L"", language.GetActiveCode());
}

TEST(LanguageTest, CheckCaseChangesTheFirstAsciiLetterOnly) {
  EXPECT_EQ(L"Deutsch", TQdLanguage::CheckCase(L"deutsch", Qd::lcUpper));
  EXPECT_EQ(L"deutsch", TQdLanguage::CheckCase(L"Deutsch", Qd::lcLower));
  EXPECT_EQ(L"deutsch", TQdLanguage::CheckCase(L"deutsch", Qd::lcDefault));
  EXPECT_EQ(L"\u00e9esti", TQdLanguage::CheckCase(L"\u00e9esti", Qd::lcUpper));
  EXPECT_EQ(L"\u00c9ESTI", TQdLanguage::CheckCase(L"\u00c9ESTI", Qd::lcLower));
  EXPECT_EQ(L"", TQdLanguage::CheckCase(L"", Qd::lcUpper));
}

TEST(LanguageTest, GetBothJoinsNativeAndLocalized) {
  EXPECT_EQ(L"Deutsch - German", TQdLanguage::GetBoth(L"Deutsch", L"German"));
  EXPECT_EQ(L"%s - ", TQdLanguage::GetBoth(L"%s", L""));
}

}  // namespace
