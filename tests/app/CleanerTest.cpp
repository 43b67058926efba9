// The cleaning engine against the real registry (both views) and the real
// shell folders and files of the test prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Cleaner.h"
#include "QdUninstallFile.h"
#include "TestSupport.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Files.h"
#include "runtime/Text/Utf8.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"

namespace {

using namespace Korvasweep;
using Qd::rvRegistry32;
using Qd::rvRegistry64;
using Qd::TRegistryView;
using Qd::TShell;
using TestSupport::Exists;
using TestSupport::TTempDir;
using TestSupport::TTestKey;
using Lines = std::vector<std::wstring>;

const std::wstring UNINSTALL_C = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool SamePathText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// A name of this run: shortcuts land in folders that other programs share.
std::wstring RunName(const std::wstring& name) {
  return L"KvTest " + name + L" " + std::to_wstring(GetCurrentProcessId());
}

class CleanerTest : public ::testing::Test {
protected:
  void SetUp() override {
    DeleteMakerKeys();
    Programs = TShell::GetFolder(Qd::ftPrograms);
    Desktop = TShell::GetFolder(Qd::ftDesktop);
    CommonPrograms = TShell::GetFolder(Qd::ftCommonPrograms);
    ProgramFiles64 = TShell::GetFolder(Qd::ftProgramFiles64);
    ProgramFiles32 = TShell::GetFolder(Qd::ftProgramFiles32);
    ASSERT_FALSE(Programs.empty());
    ASSERT_FALSE(Desktop.empty());
    ASSERT_FALSE(CommonPrograms.empty());
    ASSERT_FALSE(ProgramFiles64.empty());
    ASSERT_FALSE(ProgramFiles32.empty());
    Cleaner.SetOnAction([this](TCleaner& sender, const std::wstring& line) {
      EXPECT_EQ(&sender, &Cleaner);
      Output.push_back(line);
    });
  }

  void TearDown() override {
    DeleteMakerKeys();
    for (const TTestKey& key : Keys) key.DeleteTree();
    for (const std::wstring& path : Paths) {
      if (TestSupport::IsDir(path)) Qd::TFile::RemoveDir(path, true);
      else if (Exists(path)) Qd::TFile::DeleteFile(path);
    }
  }

  static void DeleteMakerKeys() {
    TTestKey(rvRegistry64, L"Software\\Korvanta").DeleteTree();
    TTestKey(rvRegistry32, L"Software\\Korvanta").DeleteTree();
  }

  // A product key with string values (an empty text leaves the value out).
  TTestKey Product(TRegistryView view, const std::wstring& key, const std::wstring& uninstallName,
                   const std::wstring& installDir, const std::wstring& dataDir) {
    TTestKey product(view, L"Software\\Korvanta\\" + key);
    product.Create();
    if (!uninstallName.empty()) product.WriteString(L"UninstallName", uninstallName);
    if (!installDir.empty()) product.WriteString(L"InstallDir", installDir);
    if (!dataDir.empty()) product.WriteString(L"DataDir", dataDir);
    return product;
  }

  TTestKey UninstallEntry(TRegistryView view, const std::wstring& name) {
    TTestKey key(view, UNINSTALL_C + L"\\" + name);
    key.WriteString(L"DisplayName", name);
    TTestKey(view, key.Path() + L"\\Child").WriteString(L"Value", L"x");  // a tree, not one key
    Keys.push_back(key);
    return key;
  }

  // Files and directories made here are removed after the test.
  std::wstring MakeFile(const std::wstring& path) {
    Paths.push_back(path);
    TestSupport::WriteFile(path, "shortcut");
    return path;
  }
  std::wstring MakeDir(const std::wstring& path) {
    Paths.push_back(path);
    TestSupport::MakeDir(path);
    TestSupport::WriteFile(path + L"\\content.txt", "content");
    return path;
  }

  // Group and shortcuts of a product in the shell folders.
  void MakeShortcuts(const std::wstring& name) {
    MakeDir(Programs + L"\\" + name);
    MakeFile(Desktop + L"\\" + name + L".lnk");
    MakeFile(CommonPrograms + L"\\" + name + L".lnk");
    MakeFile(Programs + L"\\" + name + L".lnk");
  }

  Lines Run(TCleanMode mode, TRegistryView view) {
    Output.clear();
    Cleaner.Process(mode, view);
    return Output;
  }

  // One pass as the main window runs it: both views with the lists shared.
  Lines Pass(TCleanMode mode) {
    Cleaner.Clear();
    Lines lines = Run(mode, rvRegistry64);
    const Lines second = Run(mode, rvRegistry32);
    lines.insert(lines.end(), second.begin(), second.end());
    return lines;
  }

  std::wstring Programs, Desktop, CommonPrograms, ProgramFiles64, ProgramFiles32;
  TCleaner Cleaner;
  Lines Output;
  std::vector<TTestKey> Keys;
  std::vector<std::wstring> Paths;
};

// --- Full products in each view ------------------------------------------------

class CleanerViewTest : public CleanerTest, public ::testing::WithParamInterface<TRegistryView> {
protected:
  void SetUp() override {
    CleanerTest::SetUp();
    View = GetParam();
    Bits = View == rvRegistry64 ? L"64" : L"32";
    Name = RunName(L"Full " + Bits);
    ProgramFiles = View == rvRegistry64 ? ProgramFiles64 : ProgramFiles32;
    Install = Temp / L"Install";
    Data = Temp / L"Data";
    TestSupport::MakeDir(Install + L"\\bin");
    TestSupport::WriteFile(Install + L"\\bin\\product.exe", "exe");
    TestSupport::WriteFile(Install + L"\\readonly.txt", "ro");
    TestSupport::SetAttributes(Install + L"\\readonly.txt", true, true);
    TestSupport::WriteFile(Data + L"\\settings.xml", "<x/>");
    TestSupport::WriteFile(Temp / L"Sibling\\content.txt", "sibling");
    Product(View, L"Full", Name, Install, Data);
    UninstallEntry(View, Name);
    Unrelated = UninstallEntry(View, RunName(L"Unrelated"));
    MakeShortcuts(Name);
    MakeDir(ProgramFiles + L"\\Korvanta");
    UninstallKey = L"\\" + UNINSTALL_C + L"\\" + Name;
  }

  // A pass's lines when only this view holds the product: the other view,
  // which runs second for the 64-bit one and first otherwise, adds a blank.
  Lines InPass(const Lines& product) const {
    Lines expected = product;
    if (View == rvRegistry64) expected.push_back(L"");
    else expected.insert(expected.begin(), L"");
    return expected;
  }

  TRegistryView View = rvRegistry64;
  std::wstring Bits, Name, ProgramFiles, Install, Data, UninstallKey;
  TTempDir Temp{L"kvclean"};
  TTestKey Unrelated{rvRegistry64, L""};
};

TEST_P(CleanerViewTest, ScanReportsEveryItemOfTheProduct) {
  const Lines product = {
      Bits + L"-bit installation: Full",
      L"Korvanta key: HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Full",
      L"Uninstall key: HKEY_LOCAL_MACHINE" + UninstallKey,
      L"Application dir: " + Quoted(Install),
      L"Data dir: " + Quoted(Data),
      L"Link dir: " + Quoted(Programs + L"\\" + Name),
      L"Desktop icon file: " + Quoted(Desktop + L"\\" + Name + L".lnk"),
      L"Commonprograms folder: " + Quoted(CommonPrograms + L"\\" + Name + L".lnk"),
      L"Programs folder: " + Quoted(Programs + L"\\" + Name + L".lnk"),
      L"",
      L"Application dir: " + Quoted(ProgramFiles + L"\\Korvanta"),
      L"",
  };
  EXPECT_EQ(Pass(cmScan), InPass(product));
  // A scan changes nothing.
  EXPECT_TRUE(Exists(Install + L"\\bin\\product.exe"));
  EXPECT_TRUE(TTestKey(View, L"Software\\Korvanta\\Full").Exists());
}

TEST_P(CleanerViewTest, CleanRemovesEveryItemAndNothingElse) {
  const Lines product = {
      Bits + L"-bit installation: Full",
      L"Deleting uninstall key: " + UninstallKey + L" ",
      L"Remove application dir: " + Quoted(Install),
      L"Remove data dir: " + Quoted(Data),
      L"Remove link dir: " + Quoted(Programs + L"\\" + Name),
      L"Remove desktop icon file: " + Quoted(Desktop + L"\\" + Name + L".lnk"),
      L"Remove CommonPrograms folder: " + Quoted(CommonPrograms + L"\\" + Name + L".lnk"),
      L"Remove Programs folder: " + Quoted(Programs + L"\\" + Name + L".lnk"),
      L"",
      L"Deleting \\Software\\Korvanta application key",
      L"Remove application dir: " + Quoted(ProgramFiles + L"\\Korvanta"),
      L"",
  };
  EXPECT_EQ(Pass(cmClean), InPass(product));

  // Nothing of the product remains ...
  EXPECT_FALSE(Exists(Install));
  EXPECT_FALSE(Exists(Data));
  EXPECT_FALSE(Exists(Programs + L"\\" + Name));
  EXPECT_FALSE(Exists(Desktop + L"\\" + Name + L".lnk"));
  EXPECT_FALSE(Exists(CommonPrograms + L"\\" + Name + L".lnk"));
  EXPECT_FALSE(Exists(Programs + L"\\" + Name + L".lnk"));
  EXPECT_FALSE(Exists(ProgramFiles + L"\\Korvanta"));
  EXPECT_FALSE(TTestKey(View, UNINSTALL_C + L"\\" + Name).Exists());
  EXPECT_FALSE(TTestKey(View, L"Software\\Korvanta").Exists());
  // ... and nothing else was touched.
  EXPECT_TRUE(Exists(Temp / L"Sibling\\content.txt"));
  EXPECT_TRUE(Exists(Temp.Path()));
  EXPECT_TRUE(TestSupport::IsDir(Programs));
  EXPECT_TRUE(TestSupport::IsDir(ProgramFiles));
  EXPECT_TRUE(Unrelated.Exists());
  EXPECT_TRUE(TTestKey(View, UNINSTALL_C).Exists());

  // The scan that follows a clean finds nothing but blank lines.
  EXPECT_EQ(Pass(cmScan), (Lines{L"", L""}));
}

INSTANTIATE_TEST_SUITE_P(Views, CleanerViewTest, ::testing::Values(rvRegistry64, rvRegistry32),
                         [](const auto& param) { return param.param == rvRegistry64 ? "View64" : "View32"; });

// --- One report per path and pass ------------------------------------------------

TEST_F(CleanerTest, PathsNamedInBothViewsAreReportedOncePerPass) {
  TTempDir temp(L"kvboth");
  const std::wstring install = temp / L"Install";
  TestSupport::MakeDir(install);
  const std::wstring name = RunName(L"Both");
  // The 32-bit view names the same directories in another letter case; its
  // data directory differs from the 64-bit one by a trailing backslash only.
  Product(rvRegistry64, L"Both", name, install, temp.Path());
  Product(rvRegistry32, L"Both", name, Rtl::AsciiUpperCase(install), temp.Path() + L"\\");
  MakeShortcuts(name);

  const Lines scan = Pass(cmScan);
  const Lines expected = {
      L"64-bit installation: Both",
      L"Korvanta key: HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Both",
      L"Uninstall key does not exist: \\" + UNINSTALL_C + L"\\" + name,
      L"Application dir: " + Quoted(install),
      L"Data dir: " + Quoted(temp.Path()),
      L"Link dir: " + Quoted(Programs + L"\\" + name),
      L"Desktop icon file: " + Quoted(Desktop + L"\\" + name + L".lnk"),
      L"Commonprograms folder: " + Quoted(CommonPrograms + L"\\" + name + L".lnk"),
      L"Programs folder: " + Quoted(Programs + L"\\" + name + L".lnk"),
      L"",
      L"",
      L"32-bit installation: Both",
      L"Korvanta key: HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Both",
      L"Uninstall key does not exist: \\" + UNINSTALL_C + L"\\" + name,
      L"Data dir: " + Quoted(temp.Path() + L"\\"),  // a trailing backslash makes another path
      L"",
      L"",
  };
  EXPECT_EQ(scan, expected);
  // The next pass starts afresh.
  EXPECT_EQ(Pass(cmScan), expected);
  // Without Clear the paths of the previous pass stay handled.
  Output.clear();
  Cleaner.Process(cmScan, rvRegistry64);
  EXPECT_EQ(Output, (Lines{L"64-bit installation: Both", L"Korvanta key: HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Both",
                           L"Uninstall key does not exist: \\" + UNINSTALL_C + L"\\" + name, L"", L""}));
}

TEST_F(CleanerTest, TwoProductsSharingADirectoryRemoveItOnce) {
  TTempDir temp(L"kvshare");
  const std::wstring shared = temp / L"Shared";
  TestSupport::MakeDir(shared);
  Product(rvRegistry32, L"One", RunName(L"One"), shared, temp / L"DataOne");
  Product(rvRegistry32, L"Two", RunName(L"Two"), shared, temp / L"DataTwo");
  Cleaner.Clear();
  const Lines lines = Run(cmClean, rvRegistry32);
  int removals = 0;
  for (const std::wstring& line : lines)
    if (line == L"Remove application dir: " + Quoted(shared)) ++removals;
  EXPECT_EQ(removals, 1);
  // Each product's own missing data directory is reported (in a clean too).
  EXPECT_NE(std::find(lines.begin(), lines.end(), L"Data directory does not exist: " + Quoted(temp / L"DataOne")),
            lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), L"Data directory does not exist: " + Quoted(temp / L"DataTwo")),
            lines.end());
  EXPECT_FALSE(Exists(shared));
}

// --- Missing values and folders ----------------------------------------------

TEST_F(CleanerTest, MissingDirectoryValuesAreReportedOnceAsMissingKeys) {
  const std::wstring first = RunName(L"First");
  Product(rvRegistry64, L"First", first, L"", L"");
  Product(rvRegistry32, L"Second", RunName(L"Second"), L"", L"C:\\KvTest Missing Data");
  const Lines expected = {
      L"64-bit installation: First",
      L"Korvanta key: HKEY_LOCAL_MACHINE\\Software\\Korvanta\\First",
      L"Uninstall key does not exist: \\" + UNINSTALL_C + L"\\" + first,
      L"Application directory key does not exist",
      // The empty value is remembered like a path: the missing "DataDir"
      // and every later missing directory value of the pass say nothing.
      L"",
      L"",
      L"32-bit installation: Second",
      L"Korvanta key: HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Second",
      L"Uninstall key does not exist: \\" + UNINSTALL_C + L"\\" + RunName(L"Second"),
      L"Data directory does not exist: \"C:\\KvTest Missing Data\"",
      L"",
      L"",
  };
  EXPECT_EQ(Pass(cmScan), expected);
  const Lines clean = Pass(cmClean);
  ASSERT_EQ(clean.size(), 12u);
  EXPECT_EQ(clean[2], L"Application directory key does not exist");
  EXPECT_EQ(clean[8], L"Data directory does not exist: \"C:\\KvTest Missing Data\"");
}

TEST_F(CleanerTest, WithoutMakerKeyOnlyTheProgramFilesFoldersCount) {
  EXPECT_EQ(Pass(cmScan), (Lines{L"", L""}));
  EXPECT_EQ(Pass(cmClean), (Lines{L"", L""}));

  MakeDir(ProgramFiles64 + L"\\Korvanta");
  MakeDir(ProgramFiles32 + L"\\Korvanta");
  const std::wstring folder64 = Quoted(ProgramFiles64 + L"\\Korvanta");
  const std::wstring folder32 = Quoted(ProgramFiles32 + L"\\Korvanta");
  EXPECT_EQ(Pass(cmScan), (Lines{L"Application dir: " + folder64, L"", L"Application dir: " + folder32, L""}));
  EXPECT_EQ(Pass(cmClean),
            (Lines{L"Remove application dir: " + folder64, L"", L"Remove application dir: " + folder32, L""}));
  EXPECT_FALSE(Exists(ProgramFiles64 + L"\\Korvanta"));
  EXPECT_FALSE(Exists(ProgramFiles32 + L"\\Korvanta"));
  EXPECT_TRUE(TestSupport::IsDir(ProgramFiles64));
  EXPECT_TRUE(TestSupport::IsDir(ProgramFiles32));
}

TEST_F(CleanerTest, EmptyUninstallNameSkipsTheStartMenuItems) {
  TTempDir temp(L"kvnoname");
  TTestKey product = Product(rvRegistry64, L"Nameless", L"", temp.Path(), L"");
  product.WriteString(L"UninstallName", L"");
  const std::wstring sentinel = MakeFile(Programs + L"\\" + RunName(L"Sentinel") + L".lnk");
  MakeFile(Desktop + L"\\.lnk");
  const Lines expected = {
      L"64-bit installation: Nameless",
      L"Korvanta key: HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Nameless",
      L"Application dir: " + Quoted(temp.Path()),
      L"Data directory key does not exist",
      L"",
      L"",
      L"",
  };
  EXPECT_EQ(Pass(cmScan), expected);
  Pass(cmClean);
  EXPECT_FALSE(Exists(temp.Path()));
  EXPECT_TRUE(Exists(sentinel));
  EXPECT_TRUE(Exists(Desktop + L"\\.lnk"));
  EXPECT_TRUE(TestSupport::IsDir(Programs));
}

TEST_F(CleanerTest, ReadOnlyDesktopIconStaysWhileReadOnlyStartMenuShortcutGoes) {
  const std::wstring name = RunName(L"ReadOnly");
  Product(rvRegistry32, L"ReadOnly", name, L"", L"");
  const std::wstring desktop = MakeFile(Desktop + L"\\" + name + L".lnk");
  const std::wstring common = MakeFile(CommonPrograms + L"\\" + name + L".lnk");
  TestSupport::SetAttributes(desktop, true, false);
  TestSupport::SetAttributes(common, true, false);
  Pass(cmClean);
  EXPECT_TRUE(Exists(desktop));
  EXPECT_FALSE(Exists(common));
  TestSupport::SetAttributes(desktop, false, false);
}

// --- Values of other types ------------------------------------------------------

TEST_F(CleanerTest, NumberAndBinaryValuesAreReadAsText) {
  TTestKey product(rvRegistry64, L"Software\\Korvanta\\Typed");
  product.WriteDword(L"UninstallName", 7);
  product.WriteDword(L"InstallDir", 42);
  product.WriteBinary(L"DataDir", {0xC0, 0x01});
  const Lines expected = {
      L"64-bit installation: Typed",
      L"Korvanta key: HKEY_LOCAL_MACHINE\\Software\\Korvanta\\Typed",
      L"Uninstall key does not exist: \\" + UNINSTALL_C + L"\\7",
      // Not full paths: never looked up in the current directory.
      L"Application directory does not exist: \"42\"",
      L"Data directory does not exist: \"C001\"",
      L"",
      L"",
      L"",
  };
  EXPECT_EQ(Pass(cmScan), expected);
}

TEST_F(CleanerTest, ExpandableStringIsTakenAsStored) {
  TTempDir temp(L"kvexpand");
  TTestKey product(rvRegistry64, L"Software\\Korvanta\\Expand");
  product.WriteExpandString(L"InstallDir", temp.Path());
  product.WriteExpandString(L"DataDir", L"%SystemRoot%\\KvTest");
  const Lines lines = Pass(cmScan);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[2], L"Application dir: " + Quoted(temp.Path()));
  EXPECT_EQ(lines[3], L"Data directory does not exist: \"%SystemRoot%\\KvTest\"");
}

TEST_F(CleanerTest, RelativeDirectoryIsNeverTakenFromTheCurrentDirectory) {
  TTempDir cwd(L"kvcwd");
  TestSupport::MakeDir(cwd / L"Product");
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(cwd.Path().c_str()));
  Product(rvRegistry64, L"Relative", L"", L"Product", L".");
  const Lines scan = Pass(cmScan);
  const Lines clean = Pass(cmClean);
  SetCurrentDirectoryW(previous);
  ASSERT_GE(scan.size(), 4u);
  EXPECT_EQ(scan[2], L"Application directory does not exist: \"Product\"");
  EXPECT_EQ(scan[3], L"Data directory does not exist: \".\"");
  EXPECT_EQ(clean[1], L"Application directory does not exist: \"Product\"");
  EXPECT_TRUE(TestSupport::IsDir(cwd / L"Product"));
}

// --- What is never removed -------------------------------------------------------

class CleanerProtectionTest : public CleanerTest {
protected:
  // Scans, then (only when the scan kept it) cleans a product whose
  // "InstallDir" is `dir`; `dir` must survive.
  void ExpectKept(const std::wstring& dir, const std::wstring& existing) {
    SCOPED_TRACE(TestSupport::Narrow(dir));
    DeleteMakerKeys();
    Product(rvRegistry64, L"Danger", L"", dir, L"");
    const Lines scan = Pass(cmScan);
    ASSERT_GE(scan.size(), 3u);
    ASSERT_EQ(scan[2], L"Application dir is protected and kept: " + Quoted(dir));
    const Lines clean = Pass(cmClean);
    ASSERT_GE(clean.size(), 2u);
    EXPECT_EQ(clean[1], L"Keep protected application dir: " + Quoted(dir));
    EXPECT_TRUE(TestSupport::IsDir(existing));
  }
};

TEST_F(CleanerProtectionTest, ShellFoldersRootsAndTheWindowsFolderAreKept) {
  const std::wstring windows = TShell::GetFolder(Qd::ftWindows);
  const std::wstring publicDocuments = TShell::GetFolder(Qd::ftPublicDocuments);
  const std::wstring profile = TShell::GetFolder(Qd::ftProfile);
  for (int i = 0; i < Qd::FOLDER_TYPE_COUNT_C; ++i) {
    const std::wstring folder = TShell::GetFolder(static_cast<Qd::TFolderType>(i));
    ASSERT_FALSE(folder.empty()) << i;
    ExpectKept(folder, folder);
  }
  ExpectKept(L"C:\\", L"C:\\");
  ExpectKept(Qd::TFile::AddBackSlash(ProgramFiles64), ProgramFiles64);
  ExpectKept(ProgramFiles64 + L"\\.", ProgramFiles64);
  ExpectKept(ProgramFiles64 + L"\\Korvanta\\..", ProgramFiles64);
  ExpectKept(ProgramFiles64 + L".", ProgramFiles64);
  ExpectKept(L"C:\\PROGRAM FILES", ProgramFiles64);
  ExpectKept(L"\\\\?\\" + ProgramFiles64, ProgramFiles64);
  ExpectKept(L"C:/Program Files/", ProgramFiles64);
  const std::wstring inside = MakeDir(windows + L"\\" + RunName(L"Inside"));
  ExpectKept(inside, inside);
  ExpectKept(windows + L"\\Fonts", windows + L"\\Fonts");
  // Folders that hold shell folders.
  ExpectKept(Rtl::ExtractFileDir(profile), Rtl::ExtractFileDir(profile));
  ExpectKept(Rtl::ExtractFileDir(publicDocuments), publicDocuments);
}

// Wine links the user's desktop and documents folders to the home directory
// outside drive C; what such a link leads to is as protected as the link.
TEST_F(CleanerProtectionTest, TargetsOfLinkedShellFoldersAreKept_WineLinksThemHome) {
  int linked = 0;
  for (Qd::TFolderType folder : {Qd::ftDesktop, Qd::ftDocuments}) {
    const std::wstring path = TShell::GetFolder(folder);
    if ((GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) == 0) continue;
    const Rtl::TFileHandle h(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(h);
    wchar_t target[MAX_PATH];
    const DWORD length = GetFinalPathNameByHandleW(h.Get(), target, MAX_PATH, VOLUME_NAME_DOS);
    ASSERT_GT(length, 4u);
    const std::wstring dir(target + 4, length - 4);  // without "\\?\"
    if (SamePathText(dir, path)) continue;
    ++linked;
    ExpectKept(dir, dir);
  }
  if (linked == 0) GTEST_SKIP() << "no shell folder here is a link";
}

// Under Wine drive Z: shows the unix file system, where the prefix that
// holds drive C lies: seen from there, the prefix holds the shell folders.
TEST_F(CleanerProtectionTest, FoldersHoldingTheShellFoldersSeenFromDriveZAreKept_WineUnixDrive) {
  if (!Qd::TQdSystem::IsWine() || GetDriveTypeW(L"Z:\\") == DRIVE_NO_ROOT_DIR)
    GTEST_SKIP() << "no unix file system under drive Z: here (Wine only)";
  const std::wstring drive = Qd::TQdSystem::GetUnixFileName(L"C:\\");
  ASSERT_FALSE(drive.empty());
  std::wstring prefix = L"Z:" + drive;  // <prefix>/dosdevices/c:/
  std::replace(prefix.begin(), prefix.end(), L'/', L'\\');
  prefix = prefix.substr(0, prefix.rfind(L"\\dosdevices\\"));
  ASSERT_TRUE(TestSupport::IsDir(prefix + L"\\drive_c")) << TestSupport::Narrow(prefix);
  ExpectKept(prefix, prefix + L"\\drive_c");
  ExpectKept(Rtl::ExtractFileDir(prefix), prefix + L"\\drive_c");
}

// Wine deletes what a unix symbolic link leads to: a shortcut that is one
// is kept, and so is its target.
TEST_F(CleanerProtectionTest, ShortcutThatIsAUnixLinkIsKept_WineUnixLinks) {
  TTempDir outside(L"kvoutside");
  const std::wstring target = outside / L"target.lnk";
  TestSupport::WriteFile(target, "precious");
  const std::wstring name = RunName(L"Linked");
  const std::wstring icon = Desktop + L"\\" + name + L".lnk";
  if (!TestSupport::MakeWineUnixLink(icon, target)) GTEST_SKIP() << "unix symbolic links are made under Wine only";
  Product(rvRegistry64, L"Linked", name, L"", L"");
  const Lines scan = Pass(cmScan);
  EXPECT_NE(std::find(scan.begin(), scan.end(), L"Desktop icon file is protected and kept: " + Quoted(icon)),
            scan.end());
  Pass(cmClean);
  EXPECT_TRUE(Exists(target));
  TestSupport::RemoveWineUnixLink(icon);
}

TEST_F(CleanerProtectionTest, ShortcutNamesThatLeaveTheirFolderAreKept) {
  const std::wstring startMenu = TShell::GetFolder(Qd::ftStartMenu);
  const std::wstring escape = RunName(L"Escape");
  MakeDir(startMenu + L"\\" + escape);
  MakeFile(startMenu + L"\\" + escape + L".lnk");
  Product(rvRegistry64, L"Escape", L"..\\" + escape, L"", L"");
  const std::wstring group = Programs + L"\\..\\" + escape;
  const Lines scan = Pass(cmScan);
  ASSERT_GE(scan.size(), 6u);
  ASSERT_EQ(scan[4], L"Link dir is protected and kept: " + Quoted(group));
  ASSERT_EQ(scan[5], L"Programs folder is protected and kept: " + Quoted(group + L".lnk"));
  const Lines clean = Pass(cmClean);
  EXPECT_NE(std::find(clean.begin(), clean.end(), L"Keep protected link dir: " + Quoted(group)), clean.end());
  EXPECT_NE(std::find(clean.begin(), clean.end(), L"Keep protected Programs folder: " + Quoted(group + L".lnk")),
            clean.end());
  EXPECT_TRUE(Exists(startMenu + L"\\" + escape + L"\\content.txt"));
  EXPECT_TRUE(Exists(startMenu + L"\\" + escape + L".lnk"));
}

// The system reads a path only up to a zero character: a value with one
// inside would name another file than the one it reports.
TEST_F(CleanerProtectionTest, ValuesWithAZeroCharacterNameNothing) {
  const std::wstring name = RunName(L"Zero");
  const std::wstring other = MakeFile(Desktop + L"\\" + name);  // no ".lnk"
  const std::wstring install = MakeDir(Programs + L"\\" + name);
  const TTestKey entry = UninstallEntry(rvRegistry64, name);
  Product(rvRegistry64, L"Zero", name + std::wstring(1, L'\0') + L"x", install + std::wstring(1, L'\0') + L"y",
          L"");
  Pass(cmScan);
  Pass(cmClean);
  EXPECT_TRUE(Exists(other));
  EXPECT_TRUE(Exists(install + L"\\content.txt"));
  EXPECT_TRUE(entry.Exists());
}

TEST_F(CleanerProtectionTest, UninstallNameOfOnlyBackslashesKeepsTheUninstallList) {
  Product(rvRegistry64, L"Slash", L"\\", L"", L"");
  UninstallEntry(rvRegistry64, RunName(L"Unrelated"));
  const std::wstring key = L"\\" + UNINSTALL_C + L"\\\\";
  const Lines scan = Pass(cmScan);
  ASSERT_GE(scan.size(), 5u);
  ASSERT_EQ(scan[2], L"Uninstall key name is not valid, kept: " + key);
  // The group would be the programs folder itself.
  ASSERT_EQ(scan[4], L"Link dir is protected and kept: " + Quoted(Programs + L"\\\\"));
  const Lines clean = Pass(cmClean);
  EXPECT_EQ(clean[1], L"Uninstall key name is not valid, kept: " + key);
  EXPECT_TRUE(TTestKey(rvRegistry64, UNINSTALL_C).Exists());
  EXPECT_TRUE(TTestKey(rvRegistry64, UNINSTALL_C + L"\\" + RunName(L"Unrelated")).Exists());
  EXPECT_TRUE(TestSupport::IsDir(Programs));
}

TEST_F(CleanerProtectionTest, UnresolvedProgramFilesFolderNamesNothing) {
  // Without "ProgramW6432" the 64-bit Program Files folder can't be
  // resolved; "\Korvanta" on the current drive must not be taken instead.
  TTempDir cwd(L"kvdrive");
  const std::wstring onDrive = cwd.Path().substr(0, 2) + L"\\Korvanta";
  ASSERT_FALSE(Exists(onDrive));
  MakeDir(onDrive);
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(cwd.Path().c_str()));
  const std::wstring saved = Rtl::GetEnvironmentVariable(L"ProgramW6432");
  SetEnvironmentVariableW(L"ProgramW6432", nullptr);
  const Lines scan = Run(cmScan, rvRegistry64);
  const Lines clean = Run(cmClean, rvRegistry64);
  SetEnvironmentVariableW(L"ProgramW6432", saved.c_str());
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(scan, Lines{L""});
  EXPECT_EQ(clean, Lines{L""});
  EXPECT_TRUE(Exists(onDrive + L"\\content.txt"));
}

// --- The event and errors -------------------------------------------------------

TEST_F(CleanerTest, UnassignedEventRunsSilentlyAndAddFormats) {
  TTempDir temp(L"kvsilent");
  Product(rvRegistry32, L"Silent", L"", temp.Path(), L"");
  Cleaner.SetOnAction(nullptr);
  EXPECT_FALSE(Cleaner.GetOnAction());
  Cleaner.Clear();
  Cleaner.Process(cmClean, rvRegistry32);
  EXPECT_EQ(Cleaner.GetMode(), cmClean);
  EXPECT_TRUE(Output.empty());
  EXPECT_FALSE(Exists(temp.Path()));

  Lines lines;
  Cleaner.SetOnAction([&lines](TCleaner&, const std::wstring& line) { lines.push_back(line); });
  Cleaner.Add(L"%s and %s", {std::wstring(L"50%"), L"x"});
  Cleaner.Add(L"plain %s");
  EXPECT_EQ(lines, (Lines{L"50% and x", L"plain %s"}));
}

TEST_F(CleanerTest, ErrorsOfTheLowerLayersReachTheCaller) {
  Product(rvRegistry64, L"Any", L"", L"", L"");
  try {
    Cleaner.Process(cmScan, static_cast<TRegistryView>(7));
    FAIL() << "no exception";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"Error Message");
  }
  EXPECT_TRUE(Output.empty());
}

}  // namespace
