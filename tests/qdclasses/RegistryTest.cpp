// The registry object and its views, against the real registry of the test
// prefix.
#include <gtest/gtest.h>

#include <algorithm>

#include "QdClasses.h"
#include "TestSupport.h"
#include "runtime/System/Handles.h"

using namespace Qd;
using TestSupport::TTestKey;

namespace {

const std::wstring ROOT_C = L"Software\\QdRegistryTest";
const HKEY HKEY_LOCAL_MACHINE_HANDLE_C = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u));
constexpr REGSAM KEY_WOW64_64KEY_C = 0x0100;

class RegistryTest : public ::testing::Test {
protected:
  void TearDown() override {
    TTestKey(rvRegistry64, ROOT_C).DeleteTree();
    TTestKey(rvRegistry32, ROOT_C).DeleteTree();
  }

  static std::unique_ptr<TRegistry> Open(TRegistryView view, const std::wstring& key) {
    auto registry = TQdRegistry::AllocAll(HKEY_LOCAL_MACHINE, view);
    EXPECT_TRUE(registry->OpenKey(key)) << TestSupport::Narrow(key);
    return registry;
  }
};

std::vector<std::wstring> Sorted(const Rtl::TStringList& list) {
  auto v = list.ToVector();
  std::sort(v.begin(), v.end());
  return v;
}

}  // namespace

TEST_F(RegistryTest, ViewsAreSeparate) {
  TTestKey(rvRegistry32, ROOT_C + L"\\Only32").Create();
  TTestKey(rvRegistry64, ROOT_C + L"\\Only64").Create();

  auto r64 = TQdRegistry::AllocAll(HKEY_LOCAL_MACHINE, rvRegistry64);
  auto r32 = TQdRegistry::AllocAll(HKEY_LOCAL_MACHINE, rvRegistry32);
  EXPECT_TRUE(r32->OpenKey(L"\\" + ROOT_C + L"\\Only32"));
  EXPECT_FALSE(r64->OpenKey(L"\\" + ROOT_C + L"\\Only32"));
  EXPECT_TRUE(r64->OpenKey(L"\\" + ROOT_C + L"\\Only64"));
  EXPECT_FALSE(r32->OpenKey(L"\\" + ROOT_C + L"\\Only64"));

  // The program's own view is the one of its bitness.
  const bool is64 = TestSupport::OwnView() == rvRegistry64;
  auto own = TQdRegistry::AllocAll(HKEY_LOCAL_MACHINE, rvDefault);
  EXPECT_EQ(own->OpenKey(L"\\" + ROOT_C + L"\\Only32"), !is64);
  EXPECT_EQ(own->OpenKey(L"\\" + ROOT_C + L"\\Only64"), is64);
}

TEST_F(RegistryTest, DeleteKeyRemovesTheTreeInItsViewOnly) {
  for (TRegistryView view : {rvRegistry32, rvRegistry64}) {
    TTestKey(view, ROOT_C + L"\\Product\\A\\Deep\\Deeper").WriteString(L"x", L"1");
    TTestKey(view, ROOT_C + L"\\Product\\B").WriteDword(L"y", 2);
    TTestKey(view, ROOT_C + L"\\Sibling").Create();
  }

  auto r64 = TQdRegistry::AllocAll(HKEY_LOCAL_MACHINE, rvRegistry64);
  EXPECT_TRUE(r64->DeleteKey(L"\\" + ROOT_C + L"\\Product"));

  EXPECT_FALSE(TTestKey(rvRegistry64, ROOT_C + L"\\Product").Exists());
  EXPECT_TRUE(TTestKey(rvRegistry64, ROOT_C + L"\\Sibling").Exists());
  EXPECT_TRUE(TTestKey(rvRegistry32, ROOT_C + L"\\Product\\A\\Deep\\Deeper").Exists());
  EXPECT_TRUE(TTestKey(rvRegistry32, ROOT_C + L"\\Product\\B").Exists());

  // A key that isn't there is not deleted.
  EXPECT_FALSE(r64->DeleteKey(L"\\" + ROOT_C + L"\\Product"));
}

TEST_F(RegistryTest, DeleteKeyRelativeToTheCurrentKeyWhileItIsOpen) {
  TTestKey(rvRegistry32, ROOT_C + L"\\Maker\\P1\\Sub").Create();
  TTestKey(rvRegistry32, ROOT_C + L"\\Maker\\P2").Create();
  auto registry = Open(rvRegistry32, L"\\" + ROOT_C);
  EXPECT_TRUE(registry->DeleteKey(L"Maker"));
  EXPECT_FALSE(TTestKey(rvRegistry32, ROOT_C + L"\\Maker").Exists());
  EXPECT_TRUE(TTestKey(rvRegistry32, ROOT_C).Exists());
}

TEST_F(RegistryTest, OpenKeyAbsoluteRelativeAndFailing) {
  TTestKey(rvRegistry32, ROOT_C + L"\\A\\B").Create();
  auto registry = TQdRegistry::AllocAll(HKEY_LOCAL_MACHINE, rvRegistry32);
  EXPECT_FALSE(registry->HasCurrentKey());

  ASSERT_TRUE(registry->OpenKey(L"\\" + ROOT_C));
  EXPECT_EQ(registry->CurrentPath(), ROOT_C);
  ASSERT_TRUE(registry->OpenKey(L"A"));  // relative to the current key
  EXPECT_EQ(registry->CurrentPath(), ROOT_C + L"\\A");

  // A failed open leaves the current key as it was; nothing is created.
  EXPECT_FALSE(registry->OpenKey(L"Missing"));
  EXPECT_EQ(registry->CurrentPath(), ROOT_C + L"\\A");
  EXPECT_FALSE(TTestKey(rvRegistry32, ROOT_C + L"\\A\\Missing").Exists());

  Rtl::TStringList names;
  registry->GetKeyNames(names);
  EXPECT_EQ(names.ToVector(), std::vector<std::wstring>{L"B"});

  ASSERT_TRUE(registry->OpenKey(L"\\" + ROOT_C));  // absolute again
  EXPECT_EQ(registry->CurrentPath(), ROOT_C);
}

TEST_F(RegistryTest, KeyNamesOfTheCurrentKey) {
  for (const wchar_t* name : {L"Gamma", L"alpha", L"Beta"}) TTestKey(rvRegistry64, ROOT_C + L"\\" + name).Create();
  auto registry = Open(rvRegistry64, L"\\" + ROOT_C);
  Rtl::TStringList names;
  names.Add(L"stale");
  registry->GetKeyNames(names);
  EXPECT_EQ(Sorted(names), (std::vector<std::wstring>{L"Beta", L"Gamma", L"alpha"}));
}

TEST_F(RegistryTest, ValuesAsText) {
  TTestKey key(rvRegistry32, ROOT_C + L"\\Values");
  key.WriteString(L"Sz", L"C:\\Apps\\X");
  key.WriteString(L"EmptySz", L"");
  key.WriteExpandString(L"Expand", L"%SystemRoot%\\Korvanta");
  key.WriteDword(L"Dword", 42);
  key.WriteDword(L"BigDword", 0xFFFFFFFFu);
  key.WriteBinary(L"Binary", {0x00, 0x1F, 0xAB, 0xFF});
  key.WriteBinary(L"EmptyBinary", {});
  key.WriteMultiString(L"Multi", {L"a"});

  auto registry = Open(rvRegistry32, L"\\" + key.Path());
  EXPECT_EQ(registry->ReadText(L"Sz"), L"C:\\Apps\\X");
  EXPECT_EQ(registry->ReadText(L"EmptySz"), L"");
  EXPECT_EQ(registry->ReadText(L"Expand"), L"%SystemRoot%\\Korvanta");  // not expanded
  EXPECT_EQ(registry->ReadText(L"Dword"), L"42");
  EXPECT_EQ(registry->ReadText(L"BigDword"), L"4294967295");
  EXPECT_EQ(registry->ReadText(L"Binary"), L"001FABFF");
  EXPECT_EQ(registry->ReadText(L"EmptyBinary"), L"");
  EXPECT_EQ(registry->ReadText(L"Multi"), L"610000000000");  // other data: its bytes
  EXPECT_EQ(registry->ReadText(L"Missing"), L"");

  EXPECT_EQ(registry->ReadString(L"Sz"), L"C:\\Apps\\X");
  EXPECT_EQ(registry->ReadString(L"Expand"), L"%SystemRoot%\\Korvanta");
  EXPECT_EQ(registry->ReadString(L"Missing"), L"");
  try {
    registry->ReadString(L"Dword");
    FAIL() << "a number read as a string must raise";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), L"Invalid data type for 'Dword'");
  }
  EXPECT_THROW(registry->ReadString(L"Binary"), ERegistryException);

  EXPECT_EQ(registry->GetDataType(L"Sz"), rdString);
  EXPECT_EQ(registry->GetDataType(L"Expand"), rdExpandString);
  EXPECT_EQ(registry->GetDataType(L"Dword"), rdInteger);
  EXPECT_EQ(registry->GetDataType(L"Binary"), rdBinary);
  EXPECT_EQ(registry->GetDataType(L"Multi"), rdUnknown);
  EXPECT_EQ(registry->GetDataType(L"Missing"), rdUnknown);

  EXPECT_TRUE(TQdRegistry::IsStringValue(*registry, L"Sz"));
  EXPECT_TRUE(TQdRegistry::IsStringValue(*registry, L"Expand"));
  EXPECT_FALSE(TQdRegistry::IsStringValue(*registry, L"Dword"));
  EXPECT_FALSE(TQdRegistry::IsStringValue(*registry, L"Missing"));
}

TEST_F(RegistryTest, LongStringValueIsReadWhole) {
  const std::wstring text(40000, L'k');
  TTestKey(rvRegistry64, ROOT_C).WriteString(L"Long", text);
  auto registry = Open(rvRegistry64, L"\\" + ROOT_C);
  EXPECT_EQ(registry->ReadString(L"Long"), text);
}

TEST_F(RegistryTest, ViewFlagsAndAccessMask) {
  EXPECT_EQ(TQdRegistry::ViewAccessFlag(rvDefault), 0u);
  EXPECT_EQ(TQdRegistry::ViewAccessFlag(rvRegistry64), 0x100u);
  EXPECT_EQ(TQdRegistry::ViewAccessFlag(rvRegistry32), 0x200u);
  try {
    TQdRegistry::ViewAccessFlag(static_cast<TRegistryView>(3));
    FAIL() << "a view outside the enumeration must raise";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"Error Message");
  }
  EXPECT_THROW(TQdRegistry::AllocAll(HKEY_LOCAL_MACHINE, static_cast<TRegistryView>(9)), Rtl::Exception);

  auto registry = TQdRegistry::AllocAll(HKEY_LOCAL_MACHINE, rvRegistry64);
  EXPECT_EQ(registry->Access(), 0xF013Fu);
  EXPECT_EQ(registry->RootKey(), HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(registry->HasCurrentKey());
}

namespace {

// A registry link (as the system makes for its own aliases) at `path` in the
// 64-bit view of HKEY_LOCAL_MACHINE, leading to `target` there.
bool MakeRegistryLink(const std::wstring& path, const std::wstring& target) {
  HKEY created = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE_HANDLE_C, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                      KEY_SET_VALUE | KEY_CREATE_LINK | KEY_WOW64_64KEY_C, nullptr, &created, nullptr) != ERROR_SUCCESS)
    return false;
  const Rtl::TRegKey link(created);
  const std::wstring to = L"\\Registry\\Machine\\" + target;
  return RegSetValueExW(link.Get(), L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(to.data()),
                        static_cast<DWORD>(to.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

TEST_F(RegistryTest, DeleteKeyRemovesALinkAsALinkAndKeepsWhatItLeadsTo) {
  TTestKey(rvRegistry64, ROOT_C + L"\\Target\\Child").WriteString(L"x", L"1");
  TTestKey(rvRegistry64, ROOT_C + L"\\Maker\\Product").Create();
  ASSERT_TRUE(MakeRegistryLink(ROOT_C + L"\\Maker\\Link", ROOT_C + L"\\Target"));
  ASSERT_TRUE(MakeRegistryLink(ROOT_C + L"\\Alias", ROOT_C + L"\\Target"));
  ASSERT_TRUE(TTestKey(rvRegistry64, ROOT_C + L"\\Maker\\Link\\Child").Exists());
  auto registry = TQdRegistry::AllocAll(HKEY_LOCAL_MACHINE, rvRegistry64);
  EXPECT_TRUE(registry->DeleteKey(L"\\" + ROOT_C + L"\\Maker"));
  EXPECT_TRUE(registry->DeleteKey(L"\\" + ROOT_C + L"\\Alias"));
  EXPECT_FALSE(TTestKey(rvRegistry64, ROOT_C + L"\\Maker").Exists());
  EXPECT_FALSE(TTestKey(rvRegistry64, ROOT_C + L"\\Alias").Exists());
  EXPECT_TRUE(TTestKey(rvRegistry64, ROOT_C + L"\\Target\\Child").Exists());
}

TEST_F(RegistryTest, DeleteKeyRefusesEmptySegments) {
  TTestKey(rvRegistry32, ROOT_C + L"\\Keep\\Child").Create();
  auto registry = TQdRegistry::AllocAll(HKEY_LOCAL_MACHINE, rvRegistry32);
  // Each of these would name the key "Keep" itself to the system.
  EXPECT_FALSE(registry->DeleteKey(L"\\" + ROOT_C + L"\\Keep\\"));
  EXPECT_FALSE(registry->DeleteKey(L"\\" + ROOT_C + L"\\Keep\\\\"));
  EXPECT_FALSE(registry->DeleteKey(L"\\" + ROOT_C + L"\\\\Keep"));
  EXPECT_FALSE(registry->DeleteKey(L"\\"));
  EXPECT_TRUE(TTestKey(rvRegistry32, ROOT_C + L"\\Keep\\Child").Exists());
}
