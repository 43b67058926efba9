// The language of forms, the version check of resource modules, the active
// language and the language override read at start-up, on real modules
// beside the test program (built with it; see CMakeLists.txt). The test
// program itself has the version 1.2.3.4 and no form.
#include <gtest/gtest.h>

#include "QdBase.h"
#include "QdLocalization.h"
#include "TestSupport.h"
#include "runtime/Core/Locales.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"

using namespace Qd;

namespace {

std::wstring ModuleFile(const std::wstring& name) {
  return Rtl::ExtractFilePath(TQdBase::GetRunningFileName()) + name + L".dll";
}

// A module beside the test program, loaded as data.
class TDataModule {
public:
  explicit TDataModule(const std::wstring& name)
      : FModule(LoadLibraryExW(ModuleFile(name).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
    if (!FModule) ADD_FAILURE() << "can't load " << TestSupport::Narrow(name);
  }
  Rtl::HINST Get() const { return reinterpret_cast<Rtl::HINST>(FModule.Get()); }

private:
  Rtl::TLoadedModule FModule;
};

TEST(FormLocale, OneLanguageOrTheUsersOfSeveral) {
  EXPECT_EQ(TQdLocale::GetModuleFormLocale(TDataModule(L"FormsOne").Get()), 0x0407);
  const std::int32_t user = TQdBase::GetUserLanguage();
  // English (United States) and German: the user's language when it is one
  // of them.
  const std::int32_t two = TQdLocale::GetModuleFormLocale(TDataModule(L"FormsTwo").Get());
  EXPECT_EQ(two, user == 0x0409 || user == 0x0407 ? user : 0);
  // Neutral English and French: the user's primary language.
  const std::int32_t neutral = TQdLocale::GetModuleFormLocale(TDataModule(L"FormsNeutral").Get());
  EXPECT_EQ(neutral, TQdBase::LocaleToPrimary(user) == 0x09 ? 0x09 : (user == 0x040C ? 0x040C : 0));
  // Finnish and French, neither the user's: undetermined.
  if (user != 0x040B && user != 0x040C) {
    EXPECT_EQ(TQdLocale::GetModuleFormLocale(TDataModule(L"FormsForeign").Get()), 0);
  }
  // Resources that are no forms.
  EXPECT_EQ(TQdLocale::GetModuleFormLocale(TDataModule(L"NoVersion").Get()), 0);
}

TEST(FormLocale, AProgramWithoutFormsHasTheDefaultLocaleActive) {
  EXPECT_EQ(TQdLocale::GetFormLocale(), 0);
  ASSERT_FALSE(TQdBase::IsLoaded());
  EXPECT_EQ(TQdResource::GetActiveLocale(), DefaultLocale());
  EXPECT_FALSE(TQdLocale::IsActiveLocaleBidi());
  const std::wstring saved = PreviouslyLoadedResourceLocale();
  SetPreviouslyLoadedResourceLocale(L"ARA");
  EXPECT_EQ(TQdLocale::GetPreviousLocale(), L"ARA");
  EXPECT_TRUE(TQdLocale::IsPreviousLocaleBidi());
  SetPreviouslyLoadedResourceLocale(L"");
  EXPECT_EQ(TQdLocale::GetPreviousLocale(), L"");  // the extension of no form locale
  SetPreviouslyLoadedResourceLocale(saved);
}

TEST(VersionMatch, ModulesAgainstTheProgramsVersion) {
  EXPECT_TRUE(TQdResource::DoesVersionMatch(TDataModule(L"SameVersion").Get()));
  EXPECT_FALSE(TQdResource::DoesVersionMatch(TDataModule(L"OtherVersion").Get()));
  // A module without a version resource isn't examined.
  EXPECT_TRUE(TQdResource::DoesVersionMatch(TDataModule(L"NoVersion").Get()));
  // A malformed one doesn't match: too short, or without the signature.
  EXPECT_FALSE(TQdResource::DoesVersionMatch(TDataModule(L"BadVersion").Get()));
  EXPECT_FALSE(TQdResource::DoesVersionMatch(TDataModule(L"NoSignature").Get()));
  // No module: the program itself.
  EXPECT_TRUE(TQdResource::DoesVersionMatch(Rtl::HINST{0}));
  // Nothing loaded.
  EXPECT_TRUE(TQdResource::DoesVersionMatch());
}

TEST(VersionMatch, FilesAndCodes) {
  EXPECT_TRUE(TQdResource::DoesLocaleVersionMatchFile(ModuleFile(L"SameVersion")));
  EXPECT_FALSE(TQdResource::DoesLocaleVersionMatchFile(ModuleFile(L"OtherVersion")));
  EXPECT_TRUE(TQdResource::DoesLocaleVersionMatchFile(ModuleFile(L"Missing")));
  // No resource module of that code beside the program.
  EXPECT_TRUE(TQdResource::DoesLocaleVersionMatch(L"xx"));

  // A resource module of the code, beside a copy of the program.
  TestSupport::TTempDir dir;
  const std::wstring program = dir / L"Tool.exe";
  ASSERT_TRUE(CopyFileW(TQdBase::GetRunningFileName().c_str(), program.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(ModuleFile(L"OtherVersion").c_str(), (dir / L"Tool.de").c_str(), FALSE));
  EXPECT_FALSE(TQdResource::DoesLocaleVersionMatchFile(dir / L"Tool.de"));
}

// The override is registered for the head module's file.
class OverrideTest : public testing::Test {
protected:
  void TearDown() override {
    Rtl::SetLocaleOverride(FProgram, L"");
    SetLoadedResourceLocale(FLoaded);
    SetPreviouslyLoadedResourceLocale(FPrevious);
  }

  std::wstring FProgram = TQdBase::GetRunningFileName();
  std::wstring FLoaded = LoadedResourceLocale();
  std::wstring FPrevious = PreviouslyLoadedResourceLocale();
};

TEST_F(OverrideTest, StartUpTakesTheRegisteredLanguage) {
  EXPECT_EQ(Rtl::GetLocaleOverride(FProgram), L"");
  Rtl::SetLocaleOverride(FProgram, L"de");
  EXPECT_EQ(Rtl::GetLocaleOverride(FProgram), L"de");
  EXPECT_EQ(Rtl::GetLocaleOverride(FProgram + L"x"), L"");

  SetLoadedResourceLocale(L"");
  SetPreviouslyLoadedResourceLocale(L"fi");
  SetInitialResourceLocale();
  EXPECT_EQ(LoadedResourceLocale(), L"de");
  EXPECT_EQ(PreviouslyLoadedResourceLocale(), L"");

  // A language already set stays.
  SetLoadedResourceLocale(L"fr");
  SetInitialResourceLocale();
  EXPECT_EQ(LoadedResourceLocale(), L"fr");

  // Cleared: nothing.
  Rtl::SetLocaleOverride(FProgram, L"");
  Rtl::SetLocaleOverride(FProgram, L"");  // twice is no error
  SetLoadedResourceLocale(L"");
  SetInitialResourceLocale();
  EXPECT_EQ(LoadedResourceLocale(), L"");
}

}  // namespace
