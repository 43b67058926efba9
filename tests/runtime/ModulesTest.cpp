// The module list (runtime/Core/Modules.h) and the resource strings that
// are loaded through it (runtime/Core/ResStrings.h), with the real string
// table of this executable and a real second module.
#include <gtest/gtest.h>

#include <string>

#include "runtime/Core/Modules.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Core/Strings.h"
#include "runtime/IO/Files.h"
#include "runtime/IO/Strings.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Strings.h"
#include "runtime/Text/Utf8.h"
#include "runtime/Toolkit/Strings.h"
#include "QdClasses/Strings.h"
#include "QdString/Strings.h"
#include "QdWindows/Strings.h"
#include "QdScript/Strings.h"
#include "QdLocalization/Strings.h"
#include "QdBase/Strings.h"
#include "QdResource/Strings.h"
#include "QdLanguages/Strings.h"
#include "QdZip/Strings.h"
#include "QdTextFile/Strings.h"
#include "QdHtmlHelp/Strings.h"
#include "QdXml/Strings.h"

namespace {

Rtl::HINST Inst(HMODULE module) { return reinterpret_cast<Rtl::HINST>(module); }

// A module of the system loaded as a data file: its resources, no code run.
struct TDataModule {
  HMODULE Module = LoadLibraryExW(L"user32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ~TDataModule() {
    if (Module != nullptr) FreeLibrary(Module);
  }
};

TEST(ModuleList, ExecutableIsListedAndASecondModuleBecomesTheHeadUntilUnregistered) {
  const Rtl::HINST exe = Rtl::MainInstance();
  ASSERT_FALSE(Rtl::Modules().empty());
  EXPECT_EQ(Rtl::Modules().front().Instance, exe);
  EXPECT_EQ(Rtl::FindResourceHInstance(exe), exe);

  const Rtl::HINST other = Inst(GetModuleHandleW(L"kernel32.dll"));
  Rtl::RegisterModule(other);
  const auto list = Rtl::Modules();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].Instance, other);
  EXPECT_EQ(list[0].ResourceHandle, other);
  EXPECT_EQ(list[1].Instance, exe);

  // Registering a listed module again moves it to the head, keeping its
  // resource handle.
  const TDataModule data;
  ASSERT_NE(data.Module, nullptr);
  EXPECT_TRUE(Rtl::SetResourceHInstance(exe, Inst(data.Module)));
  Rtl::RegisterModule(exe);
  EXPECT_EQ(Rtl::Modules().front().Instance, exe);
  EXPECT_EQ(Rtl::Modules().front().ResourceHandle, Inst(data.Module));
  Rtl::RegisterModule(other);

  Rtl::UnregisterModule(other);
  ASSERT_EQ(Rtl::Modules().size(), 1u);
  EXPECT_EQ(Rtl::Modules().front().Instance, exe);
  EXPECT_EQ(Rtl::FindResourceHInstance(exe), Inst(data.Module));
  EXPECT_TRUE(Rtl::SetResourceHInstance(exe, 0));
  EXPECT_EQ(Rtl::FindResourceHInstance(exe), exe);
  // Unlisted modules: their own handle, and nothing to set.
  EXPECT_EQ(Rtl::FindResourceHInstance(other), other);
  EXPECT_FALSE(Rtl::SetResourceHInstance(other, exe));
  Rtl::UnregisterModule(other);
  EXPECT_EQ(Rtl::Modules().size(), 1u);
}

// Every declared resource string is in this executable's own string table
// with the record's text: the lists and the string table can't drift apart,
// and the table is linked in at all.
TEST(ResStrings, EveryDeclaredStringIsInTheExecutablesTableWithItsText) {
  int count = 0;
  const auto check = [&count](const Rtl::TResStringRec& rec, const char* name) {
    ++count;
    EXPECT_EQ(rec.Module(), Rtl::MainInstance()) << name;
    const wchar_t* data = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), rec.Identifier, reinterpret_cast<LPWSTR>(&data), 0);
    ASSERT_GT(length, 0) << name << " (" << rec.Identifier << ") is missing";
    EXPECT_EQ(std::wstring(data, static_cast<std::size_t>(length)), Rtl::Utf8Decode(rec.Text)) << name;
    EXPECT_EQ(Rtl::LoadResString(rec), Rtl::Utf8Decode(rec.Text)) << name;
  };
#define CHECK_STRING(name, number, text) check(name, #name);
  {
    using namespace Rtl;
    RTL_CORE_STRINGS(CHECK_STRING)
    RTL_TEXT_STRINGS(CHECK_STRING)
    RTL_IO_STRINGS(CHECK_STRING)
    RTL_TOOLKIT_STRINGS(CHECK_STRING)
  }
  {
    using namespace Qd;
    QD_CLASSES_STRINGS(CHECK_STRING)
    QD_STRING_STRINGS(CHECK_STRING)
    QD_WINDOWS_STRINGS(CHECK_STRING)
    QD_SCRIPT_STRINGS(CHECK_STRING)
    QD_LOCALIZATION_STRINGS(CHECK_STRING)
    QD_BASE_STRINGS(CHECK_STRING)
    QD_RESOURCE_STRINGS(CHECK_STRING)
    QD_LANGUAGES_STRINGS(CHECK_STRING)
    QD_ZIP_STRINGS(CHECK_STRING)
    QD_TEXTFILE_STRINGS(CHECK_STRING)
    QD_HTMLHELP_STRINGS(CHECK_STRING)
    QD_XML_STRINGS(CHECK_STRING)
  }
#undef CHECK_STRING
  EXPECT_GT(count, 109);
  // Texts with a double quote and a line break survive both readers.
  EXPECT_EQ(Rtl::LoadResString(Rtl::SFOpenError), L"Cannot open file \"%s\". %s");
  EXPECT_EQ(Rtl::LoadResString(Rtl::SOSError), L"System Error.  Code: %d.\r\n%s");
}

// A resource module that lacks a number leaves the executable's text, or
// the record's when the executable lacks it too (the translated case is in
// tests/toolkit/TranslationTest.cpp).
TEST(ResStrings, ModuleWithoutOurNumbersLeavesTheExecutablesTexts) {
  const Rtl::HINST exe = Rtl::MainInstance();
  // A number that neither this executable nor user32 defines.
  static constexpr Rtl::TResStringRec absent{&Rtl::ThisImage, 59990, "Only in the record"};
  Rtl::ClearResStringCache();
  EXPECT_EQ(Rtl::LoadResString(absent), L"Only in the record");
  EXPECT_EQ(Rtl::LoadResString(Rtl::SDivByZero), L"Division by zero");

  // user32 stands in for a resource module: it lacks our numbers, so every
  // text stays the executable's.
  const TDataModule data;
  ASSERT_NE(data.Module, nullptr);
  ASSERT_TRUE(Rtl::SetResourceHInstance(exe, Inst(data.Module)));
  Rtl::ClearResStringCache();
  EXPECT_EQ(Rtl::LoadResString(Rtl::SDivByZero), L"Division by zero");
  EXPECT_EQ(Rtl::LoadResString(absent), L"Only in the record");
  ASSERT_TRUE(Rtl::SetResourceHInstance(exe, 0));
  Rtl::ClearResStringCache();
}

}  // namespace
