// The translation resource modules found beside an executable, on real
// files: executables ("MZ") are found by locale name, other files only by
// the language, language-country and abbreviation of each locale.
#include <gtest/gtest.h>

#include "QdBase.h"
#include "QdWindows.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/System/Elevation.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"

using namespace Qd;
using TestSupport::TTempDir;

namespace {

const std::string PE_C = std::string("MZ") + std::string(62, '\0');

struct TFound {
  std::wstring Code;
  std::int32_t Id;
  std::wstring File;
  bool operator==(const TFound&) const = default;
};

std::vector<TFound> Available(const std::wstring& exe, const std::wstring& dir = L"") {
  TQdLanguages languages;
  const int count = TQdWindows::GetAvailable(languages, exe, false, false, dir);
  std::vector<TFound> found;
  for (int i = 0; i < languages.GetCount(); ++i) {
    const TQdLanguage* language = languages.GetItems(i);
    found.push_back({language->GetCode(), language->GetId(), language->GetFileName()});
  }
  EXPECT_EQ(count, languages.GetCount());
  return found;
}

void PrintTo(const TFound& found, std::ostream* os) {
  *os << TestSupport::Narrow(found.Code) << " " << found.Id << " " << TestSupport::Narrow(found.File);
}

TEST(GetAvailable, ExecutablesByLocaleNameOtherFilesByLocale) {
  TTempDir dir;
  const std::wstring exe = dir / L"Tool.exe";
  TestSupport::WriteFile(exe, PE_C);
  TestSupport::WriteFile(dir / L"Tool.de", PE_C);       // a module: by its locale name
  TestSupport::WriteFile(dir / L"Tool.fr-CA", PE_C);
  TestSupport::WriteFile(dir / L"Tool.FIN", "no module");  // by abbreviation only
  TestSupport::WriteFile(dir / L"Tool.txt", PE_C);
  const std::vector<TFound> found = Available(exe);
  const std::vector<TFound> expected = {
      {L"de", 0x07, dir / L"Tool.de"},
      {L"fr-CA", 0x0C0C, dir / L"Tool.fr-CA"},
      {L"fi-FI", 0x040B, dir / L"Tool.FIN"},
  };
  EXPECT_EQ(found, expected);
}

TEST(GetAvailable, AFileThatIsNoModuleIsFoundByItsLanguage) {
  TTempDir dir;
  TestSupport::WriteFile(dir / L"Tool.de", "not an executable");
  const std::vector<TFound> found = Available(dir / L"Tool.exe");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], (TFound{L"de", 0x07, dir / L"Tool.de"}));
}

TEST(GetAvailable, NothingThere) {
  TTempDir dir;
  EXPECT_TRUE(Available(dir / L"Tool.exe").empty());
}

TEST(GetAvailable, SubfolderAndResourceFolder) {
  TTempDir dir;
  TestSupport::MakeDir(dir / L"lang");
  TestSupport::WriteFile(dir / L"lang\\Tool.de", PE_C);
  EXPECT_EQ(Available(dir / L"Tool.exe", L"lang"), (std::vector<TFound>{{L"de", 0x07, dir / L"lang\\Tool.de"}}));
  // An absolute folder.
  EXPECT_EQ(Available(dir / L"Tool.exe", dir / L"lang"),
            (std::vector<TFound>{{L"de", 0x07, dir / L"lang\\Tool.de"}}));

  // The resource folder, relative to the executable's folder.
  TestSupport::MakeDir(dir / L"res");
  TestSupport::WriteFile(dir / L"res\\Tool.DEU", "module");
  const std::wstring saved = ResourceDllDir();
  SetResourceDllDir(L"res");
  const std::vector<TFound> found = Available(dir / L"Tool.exe");
  SetResourceDllDir(saved);
  EXPECT_EQ(found, (std::vector<TFound>{{L"de-DE", 0x0407, dir / L"res\\Tool.DEU"}}));
}

TEST(GetAvailable, TheDocumentsFolderIsNotSearchedByAnElevatedProcess) {
  ASSERT_TRUE(Rtl::IsElevated());
  const std::wstring folder = TQdBase::GetFolderPath(5) + L"\\Korvanta";
  TestSupport::MakeDir(folder);
  const std::wstring file = folder + L"\\QdAvailableTool.de";
  TestSupport::WriteFile(file, PE_C);
  TTempDir dir;
  const std::vector<TFound> found = Available(dir / L"QdAvailableTool.exe");
  DeleteFileW(file.c_str());
  EXPECT_TRUE(found.empty());
}

TEST(GetAvailable, ACandidateThatCantBeOpenedRaisesAfterTheSearch) {
  TTempDir dir;
  const std::wstring file = dir / L"Tool.de";
  TestSupport::WriteFile(file, PE_C);
  const Rtl::TFileHandle locked(
      CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(locked);
  TQdLanguages languages;
  EXPECT_THROW(TQdWindows::GetAvailable(languages, dir / L"Tool.exe", false, false, L""), Rtl::EFOpenError);
}

}  // namespace
