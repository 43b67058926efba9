// Display names of languages from the platform's locale data (Wine reports
// Windows 7, so the display-name items answer), and translated names from
// the current resources.
#include <gtest/gtest.h>

#include "QdBase.h"
#include "QdWindows.h"
#include "runtime/Core/Modules.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"

using namespace Qd;

namespace {

std::wstring Name(std::int32_t locale, TQdLanguageName kind, TQdLanguageNameCase nameCase = lcDefault) {
  const std::wstring id = TQdBase::LocaleToIsoCode(locale);
  return TQdWindows::GetDisplayName(id, locale, kind, nameCase);
}

TEST(DisplayName, EveryKindOnWine) {
  ASSERT_TRUE(TQdWindows::Is7());
  EXPECT_EQ(Name(0x0407, lnEnglish), L"German (Germany)");
  EXPECT_EQ(Name(0x0407, lnNative), L"Deutsch (Deutschland)");
  EXPECT_EQ(Name(0x0407, lnSystem), L"German (Germany)");
  // No translated name in the program's resources: the English one.
  EXPECT_EQ(Name(0x0407, lnLocalized), L"German (Germany)");
  EXPECT_EQ(Name(0x0407, lnBoth), L"Deutsch (Deutschland) - German (Germany)");
  EXPECT_EQ(Name(0x07, lnEnglish), L"German");
  EXPECT_EQ(Name(0x040B, lnNative), L"suomi (Suomi)");
  // Only the first letter changes case.
  EXPECT_EQ(Name(0x040B, lnNative, lcUpper), L"Suomi (Suomi)");
  EXPECT_EQ(Name(0x0407, lnNative, lcLower), L"deutsch (Deutschland)");
  EXPECT_EQ(Name(0x0407, lnBoth, lcLower), L"deutsch (Deutschland) - German (Germany)");
  // A locale the platform doesn't know: nothing, and no error.
  EXPECT_EQ(TQdWindows::GetDisplayName(L"xx-XX", 0x7FFF, lnEnglish, lcDefault), L"");
}

TEST(DisplayName, LocalizedNamesComeFromTheCurrentResources) {
  const std::wstring file = Rtl::ExtractFilePath(Rtl::GetModuleFileName()) + L"LanguageNames.dll";
  const Rtl::TLoadedModule module(LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module);
  const Rtl::HINST instance = Rtl::MainInstance();
  ASSERT_TRUE(Rtl::SetResourceHInstance(instance, reinterpret_cast<Rtl::HINST>(module.Get())));
  const std::wstring localized = Name(0x0407, lnLocalized);
  const std::wstring both = Name(0x0407, lnBoth, lcLower);
  const std::wstring other = Name(0x040C, lnLocalized);
  Rtl::SetResourceHInstance(instance, instance);
  EXPECT_EQ(localized, L"Deutsch (übersetzt)");
  EXPECT_EQ(both, L"deutsch (Deutschland) - Deutsch (übersetzt)");
  EXPECT_EQ(other, L"French (France)");  // not translated
}

}  // namespace
