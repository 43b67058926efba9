// The language switching with a translation collection loaded: the active
// language, the languages available and their display names come from it.
#include <gtest/gtest.h>

#include "QdBase.h"
#include "QdResource.h"
#include "runtime/IO/Streams.h"
#include "tools/ResourceImage.h"

using namespace Qd;

namespace {

void LoadContainer(const ResourceTools::TContainerModel& model) {
  const ResourceTools::TBytes bytes = ResourceTools::WriteContainer(model);
  Rtl::TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream.SetPosition(0);
  QdResources().LoadFromStream(stream);
}

// Loads the fixture container (de and fi) with German as the default, and
// empties the collection afterwards.
class WithContainer : public testing::Test {
protected:
  void SetUp() override {
    SetDefaultLocale(L"de");
    LoadContainer(ResourceTools::FixtureContainer());
  }
  void TearDown() override {
    LoadContainer(ResourceTools::TContainerModel{});
    SetDefaultLocale(FDefault);
    SetLoadedResourceLocale(FLoaded);
  }

  std::wstring FDefault = DefaultLocale();
  std::wstring FLoaded = LoadedResourceLocale();
};

TEST_F(WithContainer, ActiveLocaleAndAvailableLanguagesComeFromTheCollection) {
  ASSERT_TRUE(QdResources().GetEnabled());
  EXPECT_EQ(TQdBase::GetActiveLocale(), L"de");
  QdResources().SetLanguageId(L"fi");
  EXPECT_EQ(TQdBase::GetActiveLocale(), L"fi");

  TQdLanguages languages;
  EXPECT_EQ(TQdBase::GetAvailable(languages, L"", false, false), 2);
  ASSERT_EQ(languages.GetCount(), 2);
  EXPECT_EQ(languages.GetItems(0)->GetCode(), L"de");
  EXPECT_EQ(languages.GetItems(1)->GetCode(), L"fi");
  EXPECT_EQ(languages.GetItems(1)->GetFileName(), L"");
  EXPECT_EQ(TQdBase::GetAvailableCount(L"", false, false), 2);
}

TEST_F(WithContainer, DisplayNamesComeFromTheCollection) {
  QdResources().Add(L"German", L"deutsch", L"saksa", L"de");
  SetLoadedResourceLocale(L"");
  EXPECT_EQ(TQdLanguage::GetDisplayName(L"de", 7, lnEnglish, lcUpper), L"German");
  EXPECT_EQ(TQdLanguage::GetDisplayName(L"de", 7, lnNative, lcUpper), L"Deutsch");
  // Nothing loaded: the original name.
  EXPECT_EQ(TQdLanguage::GetDisplayName(L"de", 7, lnLocalized, lcDefault), L"German");
  SetLoadedResourceLocale(L"fi");
  EXPECT_EQ(TQdLanguage::GetDisplayName(L"de", 7, lnLocalized, lcDefault), L"saksa");
  EXPECT_EQ(TQdLanguage::GetDisplayName(L"de", 7, lnBoth, lcDefault), L"deutsch - saksa");
  // No system-language text: the native name.
  EXPECT_EQ(TQdLanguage::GetDisplayName(L"de", 7, lnSystem, lcDefault), L"deutsch");

  TQdLanguage language;
  language.SetCode(L"de");
  language.SetId(7);
  language.SetLanguageNameCase(lcUpper);
  EXPECT_EQ(language.GetNativeName(), L"Deutsch");
  EXPECT_EQ(language.GetEnglishName(), L"German");
}

TEST(WithoutContainer, TheActiveLocaleIsTheDefaultAndNamesComeFromThePlatform) {
  ASSERT_FALSE(QdResources().GetEnabled());
  ASSERT_FALSE(TQdBase::IsLoaded());
  EXPECT_EQ(TQdBase::GetActiveLocale(), DefaultLocale());
  EXPECT_EQ(TQdLanguage::GetDisplayName(L"de-DE", 0x0407, lnEnglish, lcDefault), L"German (Germany)");
}

}  // namespace
