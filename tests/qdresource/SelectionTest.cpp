// Choosing the current language: the exact id, then the shorter forms of a
// code; DefaultLocale after loading; LoadedResourceLocale.
#include <gtest/gtest.h>

#include "QdBase.h"
#include "QdResource.h"
#include "runtime/IO/Streams.h"
#include "tools/ResourceImage.h"

namespace {

// A collection of languages with these ids (each with its id as the Win32
// string 1), loaded with DefaultLocale `defaultLocale`.
class TSelection : public ::testing::Test {
protected:
  void TearDown() override {
    Qd::SetDefaultLocale(FSavedDefault);
    Qd::SetLoadedResourceLocale(FSavedLoaded);
  }

  void Load(const std::vector<std::string>& ids, const std::wstring& defaultLocale = L"en") {
    ResourceTools::TContainerModel model;
    for (const std::string& id : ids) {
      ResourceTools::TImageModel image;
      image.Win32Strings = {{1, std::wstring(id.begin(), id.end())}};
      model.Languages.emplace_back(id, image);
    }
    Qd::SetDefaultLocale(defaultLocale);
    Rtl::TBytesStream stream(ResourceTools::WriteContainer(model));
    Resources.LoadFromStream(stream);
  }

  std::wstring Select(const std::wstring& id) {
    Resources.SetLanguageId(id);
    return Resources.GetLanguageId();
  }

  Qd::TQdDelphiResources Resources;

private:
  std::wstring FSavedDefault = Qd::DefaultLocale();
  std::wstring FSavedLoaded = Qd::LoadedResourceLocale();
};

TEST_F(TSelection, ACountryFallsBackToItsLanguage) {
  Load({"de", "de-AT", "fi"});
  EXPECT_EQ(Select(L"de-AT"), L"de-AT");
  EXPECT_EQ(Select(L"de-CH"), L"de");
  EXPECT_EQ(Qd::LoadedResourceLocale(), L"de");
  EXPECT_EQ(Resources.GetCurrent()->FindStringWin(1), L"de");
  Load({"de"});
  EXPECT_EQ(Select(L"de-AT"), L"de");
  // The code is split at "_" as well.
  EXPECT_EQ(Select(L"de_AT"), L"de");
}

TEST_F(TSelection, AScriptAndCountryFallBackStepByStep) {
  Load({"sr", "sr-Latn"});
  EXPECT_EQ(Select(L"sr-Latn-RS"), L"sr-Latn");
  Load({"sr"});
  EXPECT_EQ(Select(L"sr-Latn-RS"), L"sr");
  Load({"zh", "zh-Hant-TW"});
  EXPECT_EQ(Select(L"zh-Hant"), L"zh");
  EXPECT_EQ(Select(L"zh-Hant-TW"), L"zh-Hant-TW");
}

TEST_F(TSelection, IdsCompareExactly) {
  Load({"de"});
  Qd::SetLoadedResourceLocale(L"before");
  EXPECT_EQ(Select(L"DE"), L"");
  EXPECT_EQ(Resources.GetCurrent(), nullptr);
  EXPECT_EQ(Select(L"fi"), L"");
  EXPECT_EQ(Select(L""), L"");
  // Nothing matched: LoadedResourceLocale keeps its value.
  EXPECT_EQ(Qd::LoadedResourceLocale(), L"before");
  EXPECT_EQ(Resources.Find(L"de"), 0);
  EXPECT_EQ(Resources.Find(L"De"), -1);
}

TEST_F(TSelection, TheDefaultLocaleIsSelectedAfterLoading) {
  Load({"de", "fi"}, L"en");
  EXPECT_EQ(Resources.GetCount(), 2);
  EXPECT_TRUE(Resources.GetEnabled());
  EXPECT_EQ(Resources.GetCurrent(), nullptr);
  EXPECT_EQ(Resources.GetLanguageId(), L"");
  Load({"de", "fi"}, L"fi");
  EXPECT_EQ(Resources.GetLanguageId(), L"fi");
  Load({"de", "fi"}, L"de-AT");
  EXPECT_EQ(Resources.GetLanguageId(), L"de");
  Load({"de", "fi"}, L"");
  EXPECT_EQ(Resources.GetCurrent(), nullptr);
}

TEST_F(TSelection, LookupsGoToTheCurrentOrTheNamedLanguage) {
  Load({"de", "fi"}, L"fi");
  static constexpr Rtl::TResStringRec one{&Rtl::ThisImage, 1, "one"};
  EXPECT_EQ(Resources.GetString(one), L"fi");
  EXPECT_EQ(Resources.GetStringInLanguage(L"de", one), L"de");
  EXPECT_EQ(Resources.GetStringInLanguage(L"sv", one), L"");
  EXPECT_EQ(Resources.GetStringInLanguage(L"sv", L"original", L"id", L"group"), L"original");
  EXPECT_EQ(Resources.GetString(L"original", L"id", L"group"), L"original");
}

TEST(DisplayNamesTest, EntriesAreRegisteredAndFoundByExactId) {
  Qd::TQdDelphiResources resources;
  resources.Translate(L"German", L"de")->AddImage(L"flag-de");
  resources.Add(L"Finnish", L"suomi", L"Finnisch", L"fi");
  EXPECT_EQ(resources.GetOriginals(L"de"), L"German");
  EXPECT_EQ(resources.GetLanguageImages(L"de"), L"flag-de");
  EXPECT_EQ(resources.GetNatives(L"de"), L"");
  EXPECT_EQ(resources.GetNatives(L"fi"), L"suomi");
  EXPECT_EQ(resources.GetLocalizeds(L"fi"), L"Finnisch");
  EXPECT_EQ(resources.FindLanguage(L"FI"), nullptr);
  EXPECT_EQ(resources.GetOriginals(L"sv"), L"");
  // None of it loads the set.
  EXPECT_FALSE(resources.GetLoaded());
}

}  // namespace
