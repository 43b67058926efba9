// The language switching end to end, on real resource modules: the German
// module beside this program (test_switching.de), copies of it in
// temporary folders, and a probe that unpacks the modules embedded in it.
// Forms are made into real windows (under Xvfb in the test run).
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "GuiSupport.h"
#include "QdBase.h"
#include "QdClasses/File.h"
#include "QdWindows.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Locales.h"
#include "runtime/Core/Modules.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Elevation.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/StringList.h"
#include "runtime/Toolkit/Forms.h"

using namespace Qd;
using TestSupport::TTempDir;

namespace {

class TSwitchForm : public Rtl::TForm {
  RTL_CLASS(TSwitchForm, Rtl::TForm)
};

// The program's own string, and a fixed number of the library's lists.
constexpr Rtl::TResStringRec SGoodMorning{&Rtl::ThisImage, 40000, "Good morning"};
constexpr Rtl::TResStringRec STraditionalSort{&Rtl::ThisImage, 65067, "traditional sort"};

std::wstring Program() { return Rtl::GetModuleFileName(Rtl::MainInstance()); }
std::wstring GermanModule() { return Rtl::ChangeFileExt(Program(), L".de"); }

std::wstring MissingFileMessage() {
  try {
    TFile::GetFileSize(L"C:\\no such folder\\no such file.txt");
  } catch (const Rtl::Exception& e) {
    return e.Message();
  }
  return L"(nothing raised)";
}

std::wstring CurrentDir() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, buffer);
  return std::wstring(buffer, length);
}

std::wstring Caption(Rtl::TForm* form) { return GuiSupport::WindowText(form->Handle()); }

// Each case starts and ends on the original resources, with the language
// globals as they were. The application's main form asks the message loop
// to end when its window goes (WM_QUIT); the test has no loop, so it takes
// the request back.
class Switching : public testing::Test {
protected:
  void SetUp() override { TQdBase::DisableResourceDlls(); }
  void TearDown() override {
    TQdBase::DisableResourceDlls();
    SetLoadedResourceLocale(FLoaded);
    SetPreviouslyLoadedResourceLocale(FPrevious);
    SetDefaultLocale(FDefault);
    Qd::SetResourceDllDir(FResourceDir);
    FApplication.reset();
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  std::wstring FLoaded = LoadedResourceLocale();
  std::wstring FPrevious = PreviouslyLoadedResourceLocale();
  std::wstring FDefault = DefaultLocale();
  std::wstring FResourceDir = ResourceDllDir();
  std::optional<Rtl::TApplication> FApplication{std::in_place};
};

TEST_F(Switching, LoadNewTranslatesWhatIsMadeAfterwardsUntilDisabled) {
  TSwitchForm* before = nullptr;
  FApplication->CreateForm(before);
  ASSERT_NE(before, nullptr);
  EXPECT_EQ(Caption(before), L"English Window");
  EXPECT_EQ(Rtl::LoadResString(SGoodMorning), L"Good morning");

  const Rtl::HINST handle = TQdBase::LoadNew(L"de", L"");
  EXPECT_NE(handle, Rtl::MainInstance());
  EXPECT_EQ(LoadedResourceLocale(), L"de");
  EXPECT_EQ(PreviouslyLoadedResourceLocale(), L"");
  EXPECT_TRUE(TQdBase::IsLoaded());
  EXPECT_EQ(TQdBase::GetActiveLocale(), L"de");
  EXPECT_TRUE(Rtl::AsciiSameText(Rtl::GetResourceModuleName(Program(), Program()), GermanModule()));

  TSwitchForm* after = nullptr;
  FApplication->CreateForm(after);
  ASSERT_NE(after, nullptr);
  EXPECT_EQ(Caption(after), L"Deutsches Fenster");
  EXPECT_EQ(Caption(before), L"English Window");  // windows that exist stay
  EXPECT_EQ(Rtl::LoadResString(SGoodMorning), L"Guten Morgen");
  EXPECT_EQ(MissingFileMessage(), L"Datei existiert nicht");
  EXPECT_EQ(TQdWindows::GetVariantName(L"es", L"tradnl"), L"traditionelle Sortierung");
  EXPECT_EQ(TQdWindows::GetDisplayName(L"de-DE", 1031, lnLocalized, lcDefault), L"Deutsch");
  // What the module lacks stays English.
  EXPECT_EQ(Rtl::LoadResString(Rtl::SDivByZero), L"Division by zero");

  TQdBase::DisableResourceDlls();
  EXPECT_FALSE(TQdBase::IsLoaded());
  EXPECT_EQ(LoadedResourceLocale(), L"");
  EXPECT_EQ(PreviouslyLoadedResourceLocale(), L"de");
  EXPECT_EQ(TQdBase::GetActiveLocale(), DefaultLocale());
  EXPECT_EQ(Rtl::GetResourceModuleName(Program(), Program()), Program());
  EXPECT_EQ(Rtl::LoadResString(SGoodMorning), L"Good morning");
  EXPECT_EQ(MissingFileMessage(), L"File does not exists");
  EXPECT_EQ(TQdWindows::GetDisplayName(L"de-DE", 1031, lnLocalized, lcDefault), L"German (Germany)");
  TSwitchForm* english = nullptr;
  FApplication->CreateForm(english);
  ASSERT_NE(english, nullptr);
  EXPECT_EQ(Caption(english), L"English Window");
}

TEST_F(Switching, CodesFallBackToTheirLanguage) {
  TTempDir dir;
  const std::wstring tool = dir / L"Tool.exe";
  TestSupport::WriteFile(tool, "stands for the program's file");
  ASSERT_TRUE(CopyFileW(GermanModule().c_str(), (dir / L"Tool.de").c_str(), FALSE));
  TQdBase::LoadNew(L"de-AT", tool);
  EXPECT_EQ(LoadedResourceLocale(), L"de");
  EXPECT_EQ(Rtl::LoadResString(SGoodMorning), L"Guten Morgen");
  TQdBase::LoadNew(L"sr-Latn-RS", tool);
  EXPECT_EQ(LoadedResourceLocale(), L"");

  TTempDir other;
  const std::wstring tool2 = other / L"Tool.exe";
  TestSupport::WriteFile(tool2, "");
  ASSERT_TRUE(CopyFileW(GermanModule().c_str(), (other / L"Tool.DE").c_str(), FALSE));
  TQdBase::LoadNew(L"DEU", tool2);
  EXPECT_EQ(LoadedResourceLocale(), L"DE");

  // No module: the program's own resources.
  TQdBase::LoadNew(L"fr", tool2);
  EXPECT_EQ(LoadedResourceLocale(), L"");
  EXPECT_EQ(PreviouslyLoadedResourceLocale(), L"DE");
  EXPECT_FALSE(TQdBase::IsLoaded());
  EXPECT_EQ(Rtl::LoadResString(SGoodMorning), L"Good morning");

  // A file that is no module is not loaded.
  TestSupport::WriteFile(dir / L"Tool.fi", "not a module");
  TQdBase::LoadNew(L"fi", tool);
  EXPECT_EQ(LoadedResourceLocale(), L"");
}

TEST_F(Switching, ResourceFolderAndTheCandidatesOrder) {
  TTempDir dir;
  const std::wstring tool = dir / L"Tool.exe";
  TestSupport::WriteFile(tool, "");
  TestSupport::MakeDir(dir / L"lang");
  TestSupport::WriteFile(dir / L"lang\\Tool.de", "in the resource folder");
  TestSupport::WriteFile(dir / L"Tool.de", "beside");
  EXPECT_EQ(TQdBase::GetResourceFile(tool, L"de"), dir / L"Tool.de");
  Qd::SetResourceDllDir(L"lang");  // relative: under the program's folder
  EXPECT_EQ(TQdBase::GetResourceFile(tool, L"de"), dir / L"lang\\Tool.de");
  Qd::SetResourceDllDir(dir / L"lang");  // absolute
  EXPECT_EQ(TQdBase::GetResourceFile(tool, L"de"), dir / L"lang\\Tool.de");
  EXPECT_EQ(TQdBase::GetResourceFile(tool, L"fr"), L"");
  EXPECT_TRUE(TQdBase::ResourceFileExist(tool, L"de"));
  EXPECT_FALSE(TQdBase::ResourceFileExist(tool, L"fr"));

  // An elevated process never takes a relative folder against the current
  // directory, nor a module from the user's documents.
  ASSERT_TRUE(Rtl::IsElevated());
  TTempDir current;
  TestSupport::MakeDir(current / L"lang");
  TestSupport::WriteFile(current / L"lang\\Other.de", "");
  const std::wstring saved = CurrentDir();
  SetCurrentDirectoryW(current.Path().c_str());
  Qd::SetResourceDllDir(L"lang");
  const std::wstring found = TQdBase::GetResourceFile(dir / L"Other.exe", L"de");
  SetCurrentDirectoryW(saved.c_str());
  EXPECT_EQ(found, L"");
  const std::wstring documents = TQdBase::GetFolderPath(5) + L"\\Korvanta";
  TestSupport::MakeDir(documents);
  TestSupport::WriteFile(documents + L"\\QdSwitchTool.de", "");
  const std::wstring inDocuments = TQdBase::GetResourceFile(dir / L"QdSwitchTool.exe", L"de");
  DeleteFileW((documents + L"\\QdSwitchTool.de").c_str());
  EXPECT_EQ(inDocuments, L"");
}

TEST_F(Switching, CodesThatAreNoPlainCodesNameNoFile) {
  TTempDir dir;
  const std::wstring tool = dir / L"sub\\Tool.exe";
  TestSupport::MakeDir(dir / L"sub");
  TestSupport::WriteFile(tool, "");
  TestSupport::WriteFile(dir / L"x", "");
  TestSupport::WriteFile(dir / L"sub\\Tool.de x", "");
  for (const wchar_t* code : {L"de\\..\\..\\x", L"..\\x", L"de x", L"de/x", L"de:x", L"", L"d\u00e9"})
    EXPECT_EQ(TQdBase::GetResourceFile(tool, code), L"") << TestSupport::Narrow(code);
  EXPECT_TRUE(TQdBase::IsPlainCode(L"sr-Latn_RS1"));
  EXPECT_TRUE(TQdBase::IsPlainCode(std::wstring(85, L'a')));
  EXPECT_FALSE(TQdBase::IsPlainCode(std::wstring(86, L'a')));
  TQdBase::LoadNew(L"de\\..\\..\\x", tool);
  EXPECT_EQ(LoadedResourceLocale(), L"");
}

TEST_F(Switching, InitialLocaleOfAnEnglishUser) {
  if (TQdBase::LocaleToPrimary(TQdBase::GetUserLanguage()) != 0x09) GTEST_SKIP() << "not an English user";
  // en-US has no module and isn't the default; en is the default and has
  // no module: the original resources.
  TQdBase::SetInitialLocale(lsUI, L"en");
  EXPECT_EQ(DefaultLocale(), L"en");
  EXPECT_EQ(LoadedResourceLocale(), L"");
  EXPECT_FALSE(TQdBase::IsLoaded());
  TQdBase::SetInitialLocale(lsSettings, L"en");
  EXPECT_FALSE(TQdBase::IsLoaded());

  // The override registered for the program wins.
  Rtl::SetLocaleOverride(Program(), L"de");
  TQdBase::SetInitialLocale(lsUI, L"en");
  Rtl::SetLocaleOverride(Program(), L"");
  EXPECT_EQ(LoadedResourceLocale(), L"de");
  EXPECT_EQ(Rtl::LoadResString(SGoodMorning), L"Guten Morgen");
}

TEST_F(Switching, RuntimeLanguageServices) {
  EXPECT_EQ(Rtl::GetUILanguages(0x0407), L"de-DE,de");
  EXPECT_EQ(Rtl::GetUILanguages(0x07), L"de");
  EXPECT_EQ(Rtl::GetUILanguages(0x0C0C), L"fr-CA,fr");
  EXPECT_EQ(Rtl::GetUILanguages(0), L"");
  Rtl::TStringList list;
  list.SetCommaText(L"de-DE, de \"a, b\" ,,\"say \"\"hi\"\"\"");
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list[0], L"de-DE");
  EXPECT_EQ(list[1], L"de");
  EXPECT_EQ(list[2], L"a, b");
  EXPECT_EQ(list[3], L"");
  EXPECT_EQ(list[4], L"say \"hi\"");
}

TEST_F(Switching, AvailableLanguagesAndHasWriteAccess) {
  TQdLanguages languages;
  EXPECT_GE(TQdBase::GetAvailable(languages, L"", false, false), 1);
  bool german = false;
  for (int i = 0; i < languages.GetCount(); ++i) german = german || languages.GetItems(i)->GetCode() == L"de";
  EXPECT_TRUE(german);
  EXPECT_NO_THROW(TQdBase::CheckThatDllsExist());

  TTempDir dir;
  const std::wstring saved = CurrentDir();
  EXPECT_TRUE(TQdBase::HasWriteAccess(dir.Path()));
  EXPECT_TRUE(TQdBase::HasWriteAccess(dir / L"new"));
  EXPECT_FALSE(Rtl::DirectoryExists(dir / L"new"));
  EXPECT_FALSE(TQdBase::HasWriteAccess(dir / L"missing\\new"));
  EXPECT_EQ(CurrentDir(), saved);  // never changed
  EXPECT_TRUE(TestSupport::IsDir(dir.Path()));
}

// The probe, copied into a temporary folder with nothing beside it.
class TProbe {
public:
  TProbe() {
    const std::wstring probe = Rtl::ExtractFilePath(Program()) + L"switching_probe.exe";
    FProbe = FDir / L"Tool.exe";
    if (!CopyFileW(probe.c_str(), FProbe.c_str(), FALSE)) ADD_FAILURE() << "can't copy the probe";
  }
  std::string Run(const std::wstring& arguments, bool limited = false) const {
    const std::wstring report = FDir / L"report.txt";
    DeleteFileW(report.c_str());
    const std::wstring command = L"\"" + FProbe + L"\" \"" + report + L"\" " + arguments;
    const int code = limited ? TestSupport::RunProcessLimited(command) : TestSupport::RunProcess(command);
    if (code != 0) return "exit code " + std::to_string(code);
    std::ifstream file(TestSupport::Narrow(report), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }
  std::wstring File(const std::wstring& name) const { return FDir / name; }

private:
  TTempDir FDir{L"qdprobe"};
  std::wstring FProbe;
};

FILETIME WriteTime(const std::wstring& fileName) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(fileName.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

TEST(ExtractFiles, UnpacksEmbeddedModulesBesideTheProgram) {
  const TProbe probe;
  EXPECT_EQ(probe.Run(L"check"),
            "There is no available resource file. You must created them before switching a language");
  EXPECT_EQ(probe.Run(L"extract"), "2 ");
  ASSERT_TRUE(TestSupport::Exists(probe.File(L"Tool.DE")));
  ASSERT_TRUE(TestSupport::Exists(probe.File(L"Tool.FI")));
  const FILETIME stamp = WriteTime(probe.File(L"Tool.exe"));
  const FILETIME written = WriteTime(probe.File(L"Tool.DE"));
  EXPECT_EQ(CompareFileTime(&stamp, &written), 0);
  EXPECT_EQ(probe.Run(L"check"), "ok");
  // Written with the program's time: not again.
  EXPECT_EQ(probe.Run(L"extract check-date"), "0 ");
  // A module in use is unloaded, replaced and loaded again.
  EXPECT_EQ(probe.Run(L"extract load-de"), "2 DE");
  // Listed for removal: gone after shutdown.
  EXPECT_EQ(probe.Run(L"extract remove"), "2 ");
  EXPECT_FALSE(TestSupport::Exists(probe.File(L"Tool.DE")));
  EXPECT_FALSE(TestSupport::Exists(probe.File(L"Tool.FI")));
}

// The documents folder's "Korvanta" folder is the user's to write: only a
// process with the limited token takes resource modules from there.
TEST(DocumentsFolder, OnlyALimitedProcessFindsModulesThere) {
  const std::wstring folder = TQdBase::GetFolderPath(5) + L"\\Korvanta";
  TestSupport::MakeDir(folder);
  const std::wstring module = folder + L"\\QdSwitchDocs.fi";
  ASSERT_TRUE(CopyFileW(GermanModule().c_str(), module.c_str(), FALSE));
  const TProbe probe;
  TTempDir dir;
  const std::wstring exe = L"\"" + (dir / L"QdSwitchDocs.exe") + L"\"";
  const std::string elevated = probe.Run(L"available " + exe);
  const std::string limited = probe.Run(L"available " + exe, true);
  DeleteFileW(module.c_str());
  EXPECT_EQ(elevated, "elevated=1");
  EXPECT_EQ(limited, "elevated=0 fi");
}

// Run in the entry switching_de, whose user is German.
TEST(GermanUser, InitialLocaleLoadsGerman) {
  ASSERT_EQ(TQdBase::GetUserLanguage(), 0x0407) << "run under LC_ALL=de_DE.UTF-8";
  const std::wstring saved = DefaultLocale();
  TQdBase::SetInitialLocale(lsUI, L"en");
  const std::wstring loaded = LoadedResourceLocale();
  const std::wstring morning = Rtl::LoadResString(SGoodMorning);
  TQdBase::SetInitialLocale(lsSettings, L"en");
  const std::wstring bySettings = LoadedResourceLocale();
  TQdBase::DisableResourceDlls();
  SetDefaultLocale(saved);
  EXPECT_EQ(loaded, L"de");  // de-DE has no module; de has
  EXPECT_EQ(morning, L"Guten Morgen");
  EXPECT_EQ(bySettings, L"de");
}

}  // namespace
