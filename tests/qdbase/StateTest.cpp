// The language globals of QdBase, and the running module's language file.
#include <gtest/gtest.h>

#include "QdBase.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/TypeInfo.h"
#include "runtime/IO/Files.h"
#include "runtime/Text/StringList.h"

namespace {

using Qd::TQdBase;

TEST(BaseStateTest, StartValues) {
  EXPECT_EQ(L"", Qd::ResourceDllDir());
  EXPECT_EQ(L"", Qd::LoadedResourceLocale());
  EXPECT_EQ(L"", Qd::PreviouslyLoadedResourceLocale());
  EXPECT_EQ(Qd::wdMonday, Qd::FirstDayOfWeek());
  EXPECT_EQ(Qd::fwFirstPart, Qd::FirstWeekOfYear());
  EXPECT_EQ(Qd::laLeftToRight, Qd::UiLayout());
  EXPECT_EQ(L"en", Qd::OriginalLanguage());
  EXPECT_EQ(L"en", Qd::DefaultLocale());
  EXPECT_EQ(L"", Qd::SystemLanguage());
  EXPECT_EQ(0, Qd::ExtractedResourceFiles().Count());
}

// A restart begins afresh; in between every global refuses to be read.
TEST(BaseStateTest, ShutdownClearsAndRestartBeginsAfresh) {
  Qd::SetLoadedResourceLocale(L"DEU");
  Qd::SetUiLayout(Qd::laRightToLeft);
  Qd::ExtractedResourceFiles().Add(L"C:\\x.DEU");
  Qd::QdBaseUnit::Finalization();
  const std::wstring notStarted = L"QdBase is not started";
  EXPECT_EQ(notStarted, TestSupport::MessageOf<Rtl::Exception>([] { Qd::LoadedResourceLocale(); }));
  EXPECT_EQ(notStarted, TestSupport::MessageOf<Rtl::Exception>([] { Qd::SetDefaultLocale(L"de"); }));
  EXPECT_EQ(notStarted, TestSupport::MessageOf<Rtl::Exception>([] { Qd::ExtractedResourceFiles(); }));
  Qd::QdBaseUnit::Initialization();
  EXPECT_EQ(L"", Qd::LoadedResourceLocale());
  EXPECT_EQ(Qd::laLeftToRight, Qd::UiLayout());
  EXPECT_EQ(0, Qd::ExtractedResourceFiles().Count());
}

TEST(BaseStateTest, EnumerationsAreDescribed) {
  EXPECT_EQ(L"wdSunday", Rtl::TypeInfo<Qd::TQdDayOfWeek>().GetEnumName(Qd::wdSunday));
  EXPECT_EQ(L"fwFirst4", Rtl::TypeInfo<Qd::TQdFirstWeekOfYear>().GetEnumName(Qd::fwFirst4));
  EXPECT_EQ(L"laRightToLeft", Rtl::TypeInfo<Qd::TQdLayout>().GetEnumName(Qd::laRightToLeft));
  EXPECT_EQ(L"lnSystem", Rtl::TypeInfo<Qd::TQdLanguageName>().GetEnumName(Qd::lnSystem));
  EXPECT_EQ(L"lcLower", Rtl::TypeInfo<Qd::TQdLanguageNameCase>().GetEnumName(Qd::lcLower));
}

TEST(LanguageFileTest, ExtensionReplacedByTheCode) {
  EXPECT_EQ(L"C:\\App.v2\\Prog.DEU", TQdBase::GetLanguageFile(L"C:\\App.v2\\Prog.exe", L"DEU"));
  EXPECT_EQ(L"C:\\App\\Prog.de-AT", TQdBase::GetLanguageFile(L"C:\\App\\Prog", L"de-AT"));
  Qd::SetLoadedResourceLocale(L"FIN");
  const std::wstring file = TQdBase::GetCurrentLanguageFile();
  Qd::SetLoadedResourceLocale(L"");
  EXPECT_EQ(Rtl::ChangeFileExt(Rtl::GetModuleFileName(), L".FIN"), file);
  EXPECT_TRUE(TQdBase::IsLocaleCompatible(0x0407));
}

}  // namespace
