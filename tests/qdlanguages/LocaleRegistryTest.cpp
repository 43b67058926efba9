// The user default locale in the registry of the test prefix, and the
// keyboard layouts. These cases change what every Wine process reads when
// it starts, so they run in an entry of their own, alone.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "QdLanguages.h"
#include "QdStartup.h"
#include "runtime/System/Win32.h"

using Qd::TSystemLanguages;

namespace {

const HKEY CURRENT_USER_C = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000001u)));
const wchar_t* const KEY_C = L"Control Panel\\International";

std::wstring ReadValue(const wchar_t* name) {
  wchar_t data[128] = {};
  DWORD size = sizeof(data) - sizeof(wchar_t);
  if (RegGetValueW(CURRENT_USER_C, KEY_C, name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return L"?";
  return data;
}

void WriteValue(const wchar_t* name, const std::wstring& value) {
  RegSetKeyValueW(CURRENT_USER_C, KEY_C, name, REG_SZ, value.c_str(),
                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// Keeps the user's two values and puts them back, whatever the case did.
class LocaleRegistry : public ::testing::Test {
protected:
  void SetUp() override {
    FLocale = ReadValue(L"Locale");
    FLocaleName = ReadValue(L"LocaleName");
    ASSERT_NE(FLocale, L"?");
    ASSERT_NE(FLocaleName, L"?");
  }
  void TearDown() override {
    TSystemLanguages::RestoreDefaultLocale(0);
    WriteValue(L"Locale", FLocale);
    WriteValue(L"LocaleName", FLocaleName);
  }
  std::wstring FLocale;
  std::wstring FLocaleName;
};

}  // namespace

TEST_F(LocaleRegistry, SetDefaultLocaleWritesBothValuesAndRemembersTheOldOne_Wine) {
  EXPECT_EQ(FLocale, L"00000409");
  EXPECT_EQ(FLocaleName, L"en-US");
  EXPECT_EQ(TSystemLanguages::GetDefaultLocale(), 0x0409);
  TSystemLanguages::SetDefaultLocale(0x0407);
  EXPECT_EQ(ReadValue(L"Locale"), L"00000407");
  EXPECT_EQ(ReadValue(L"LocaleName"), L"de-DE");
  EXPECT_EQ(TSystemLanguages::GetDefaultLocale(), 0x0407);
  EXPECT_EQ(Qd::OldDefaultLocale(), 0x0409);
  TSystemLanguages::RestoreDefaultLocale(0);
  EXPECT_EQ(ReadValue(L"Locale"), FLocale);
  EXPECT_EQ(ReadValue(L"LocaleName"), FLocaleName);
  // A sub-language of 0 is read as 1.
  TSystemLanguages::SetDefaultLocale(0x000C);
  EXPECT_EQ(ReadValue(L"Locale"), L"0000040C");
}

TEST_F(LocaleRegistry, TwoChangesAndOneRestoreGiveTheUsersValueBack) {
  TSystemLanguages::SetDefaultLocale(0x0407);
  TSystemLanguages::SetDefaultLocale(0x040C);
  EXPECT_EQ(ReadValue(L"LocaleName"), L"fr-FR");
  EXPECT_EQ(Qd::OldDefaultLocale(), TSystemLanguages::MakeLangId(9, 1));
  TSystemLanguages::RestoreDefaultLocale(0);
  EXPECT_EQ(ReadValue(L"Locale"), FLocale);
  EXPECT_EQ(ReadValue(L"LocaleName"), FLocaleName);
  // Nothing is pending any more: a second restore writes nothing.
  WriteValue(L"Locale", L"00000407");
  TSystemLanguages::RestoreDefaultLocale(0);
  EXPECT_EQ(ReadValue(L"Locale"), L"00000407");
}

TEST_F(LocaleRegistry, TheLocaleNameComesBackAsItWasWritten) {
  WriteValue(L"Locale", L"0000241A");
  WriteValue(L"LocaleName", L"sr-Latn-RS");
  TSystemLanguages::SetDefaultLocale(0x0407);
  EXPECT_EQ(ReadValue(L"LocaleName"), L"de-DE");
  TSystemLanguages::RestoreDefaultLocale(0);
  EXPECT_EQ(ReadValue(L"Locale"), L"0000241A");
  EXPECT_EQ(ReadValue(L"LocaleName"), L"sr-Latn-RS");
}

TEST_F(LocaleRegistry, ZeroAndUnknownIdentifiersWriteNothing) {
  TSystemLanguages::SetDefaultLocale(0);
  TSystemLanguages::SetDefaultLocale(0x03FF);
  EXPECT_EQ(ReadValue(L"Locale"), FLocale);
  EXPECT_EQ(ReadValue(L"LocaleName"), FLocaleName);
}

TEST_F(LocaleRegistry, ADelayedRestoreReturnsAtOnceAndRestoresLater) {
  TSystemLanguages::SetDefaultLocale(0x0407);
  TSystemLanguages::RestoreDefaultLocale(2);
  EXPECT_EQ(ReadValue(L"Locale"), L"00000407");
  // Generous: the restore is due after two seconds.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (ReadValue(L"Locale") != FLocale && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(ReadValue(L"Locale"), FLocale);
  EXPECT_EQ(ReadValue(L"LocaleName"), FLocaleName);
}

TEST_F(LocaleRegistry, ANewChangeFinishesAPendingRestoreFirst) {
  TSystemLanguages::SetDefaultLocale(0x0407);
  TSystemLanguages::RestoreDefaultLocale(3600);
  TSystemLanguages::SetDefaultLocale(0x040C);
  EXPECT_EQ(ReadValue(L"Locale"), L"0000040C");
  EXPECT_EQ(Qd::OldDefaultLocale(), 0x0409);  // the user's, not the first change's
  TSystemLanguages::RestoreDefaultLocale(0);
  EXPECT_EQ(ReadValue(L"Locale"), FLocale);
}

TEST_F(LocaleRegistry, TheUnitsShutdownRestoresAPendingChangeAtOnce) {
  TSystemLanguages::SetDefaultLocale(0x0407);
  TSystemLanguages::RestoreDefaultLocale(3600);
  EXPECT_EQ(ReadValue(L"Locale"), L"00000407");
  Qd::ShutDown();
  const std::wstring locale = ReadValue(L"Locale");
  const std::wstring localeName = ReadValue(L"LocaleName");
  Qd::StartUp();
  EXPECT_EQ(locale, FLocale);
  EXPECT_EQ(localeName, FLocaleName);
  EXPECT_GT(Qd::SystemLanguages().GetCount(), 0);
}

TEST(KeyboardLayout, TheInstalledLayoutIsActivated_Wine) {
  HKL layouts[8] = {};
  const int count = GetKeyboardLayoutList(8, layouts);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(layouts[0]) & 0xFFFFFFFFu, 0x04090409u);
  const TSystemLanguages& table = Qd::SystemLanguages();
  const std::uintptr_t previous = table.SetKeyboardLayout(0x0409);
  EXPECT_EQ(previous & 0xFFFF, 0x0409u);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(GetKeyboardLayout(0)) & 0xFFFF, 0x0409u);
  // No layout for German: the default layout stays active.
  table.SetKeyboardLayout(0x0407);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(GetKeyboardLayout(0)), table.GetDefaultKeyboardLayout());
}
