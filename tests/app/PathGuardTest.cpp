// The path guard on real folders of the test prefix: a small tree of
// stand-ins for the shell folders under the temporary folder, and the
// machine's own shell folders, reached through the many names a folder has.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "PathGuard.h"
#include "TestSupport.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Win32.h"

namespace {

using Korvasweep::ComparisonForm;
using Korvasweep::FileIdentity;
using Korvasweep::IsFullPath;
using Korvasweep::IsInside;
using Korvasweep::TPathGuard;
using Qd::TQdSystem;
using TestSupport::Narrow;
using TestSupport::TTempDir;

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return text;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return text;
}

// The system's short (8.3) form of an existing path.
std::wstring ShortName(const std::wstring& path) {
  wchar_t buffer[1024];
  const DWORD length = GetShortPathNameW(path.c_str(), buffer, 1024);
  return length == 0 || length >= 1024 ? std::wstring() : std::wstring(buffer, length);
}

// The name of `path` on Wine's drive Z:, the unix file system ("" where
// there is none).
std::wstring UnixDriveName(const std::wstring& path) {
  std::wstring unixName = TQdSystem::GetUnixFileName(path);
  if (unixName.empty() || GetDriveTypeW(L"Z:\\") == DRIVE_NO_ROOT_DIR) return {};
  std::replace(unixName.begin(), unixName.end(), L'/', L'\\');
  return L"Z:" + unixName;
}

// Waits until something is at `path` (`present`) or nothing is: a drive
// appears and goes with a short delay under Wine.
bool WaitFor(const std::wstring& path, bool present) {
  for (int i = 0; i < 100; ++i) {
    if ((GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) == present) return true;
    Sleep(50);
  }
  return false;
}

// Wine numbers a volume after the drive that holds the folder, and takes a
// drive made behind its mount manager's back into those numbers up to a
// second after the drive opens (measured: the volume serial number of every
// folder below the drive changes then, to 0). Waits for that change, so
// that the identities a check compares are read on the same side of it.
void SettleWineVolumes(const std::wstring& folder) {
  if (!TQdSystem::IsWine()) return;
  const std::optional<Korvasweep::TFileIdentity> before = FileIdentity(folder);
  for (int i = 0; i < 40 && FileIdentity(folder) == before; ++i) Sleep(50);
}

// A drive letter of its own for a folder, gone with the object. Windows
// makes one by subst (DefineDosDeviceW); Wine accepts that definition but
// opens nothing through it, and takes its drives from the links in its
// prefix's "dosdevices" folder, where one is made instead.
class TFolderDrive {
public:
  explicit TFolderDrive(const std::wstring& folder) : FFolder(folder) {
    const DWORD used = GetLogicalDrives();
    for (wchar_t letter = L'Y'; letter >= L'D' && FRoot.empty(); --letter) {
      if ((used & (1u << (letter - L'A'))) != 0) continue;
      FLetter = letter;
      if (TQdSystem::IsWine() ? MakeWineDrive() : DefineDosDeviceW(0, Drive().c_str(), folder.c_str()) != 0) {
        FRoot = Drive() + L"\\";
        if (!WaitFor(FRoot, true)) Remove();
        else SettleWineVolumes(FRoot);
      }
    }
  }
  ~TFolderDrive() { Remove(); }
  TFolderDrive(const TFolderDrive&) = delete;
  TFolderDrive& operator=(const TFolderDrive&) = delete;

  // "Y:\" for the folder, or "" when no drive could be made for it.
  const std::wstring& Root() const { return FRoot; }

private:
  std::wstring Drive() const { return {FLetter, L':'}; }

  // <prefix>/dosdevices/c: is drive C; a link beside it makes another drive.
  std::string WineDriveLink() const {
    const std::string c = Narrow(TQdSystem::GetUnixFileName(L"C:\\"));
    const std::string tail = "/dosdevices/c:/";
    if (!c.ends_with(tail)) return {};
    return c.substr(0, c.size() - 3) + static_cast<char>(FLetter - L'A' + 'a') + ":";
  }

  bool MakeWineDrive() const {
    const std::string link = WineDriveLink();
    const std::string target = Narrow(TQdSystem::GetUnixFileName(FFolder));
    return !link.empty() && !target.empty() && TestSupport::RunWineUnixProgram({"/bin/ln", "-s", target, link});
  }

  void Remove() {
    if (FRoot.empty()) return;
    if (TQdSystem::IsWine())
      TestSupport::RunWineUnixProgram({"/bin/rm", "-f", WineDriveLink()});
    else
      DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, Drive().c_str(), FFolder.c_str());
    if (WaitFor(FRoot, false)) SettleWineVolumes(FFolder);
    FRoot.clear();
  }

  std::wstring FFolder;
  wchar_t FLetter = 0;
  std::wstring FRoot;
};

// --- A tree of stand-ins ---------------------------------------------------------
//
//   <temp>\Start\Programs        protected (as a shell folder is)
//   <temp>\Start\Programs\Child  a product's group: not protected
//   <temp>\Start\Programs Old    a sibling sharing the name's start: not protected
//   <temp>\Win                   sealed (as the Windows folder is)
//   <temp>\Win\Fonts             inside a sealed folder: protected
//   <temp>\Win Old               a sibling sharing the name's start: not protected
//   <temp>\Holder\Inner          protected, so <temp>\Holder and <temp> hold one
//   <temp>\Holder\Other          not protected
class PathGuardTest : public ::testing::Test {
protected:
  std::wstring Make(const std::wstring& relative) {
    const std::wstring path = Temp / relative;
    TestSupport::MakeDir(path);
    return path;
  }

  TPathGuard Guard() const { return TPathGuard({Programs, Inner}, {Windows}); }

  // Every path of `paths` is (or isn't) protected by `guard`.
  static void Expect(const TPathGuard& guard, bool expected, const std::vector<std::wstring>& paths) {
    for (const std::wstring& path : paths) EXPECT_EQ(guard.IsProtected(path), expected) << Narrow(path);
  }

  TTempDir Temp{L"kvguard"};
  const std::wstring Start = Make(L"Start");
  const std::wstring Programs = Make(L"Start\\Programs");
  const std::wstring Child = Make(L"Start\\Programs\\Child");
  const std::wstring ProgramsOld = Make(L"Start\\Programs Old");
  const std::wstring Windows = Make(L"Win");
  const std::wstring Fonts = Make(L"Win\\Fonts");
  const std::wstring WindowsOld = Make(L"Win Old");
  const std::wstring Holder = Make(L"Holder");
  const std::wstring Inner = Make(L"Holder\\Inner");
  const std::wstring Other = Make(L"Holder\\Other");
};

TEST_F(PathGuardTest, FoldersWhatHoldsThemAndWhatLiesInsideSealedOnes) {
  const TPathGuard guard = Guard();
  Expect(guard, true,
         {Programs, Start, Temp.Path(), Inner, Holder, Windows, Fonts, Fonts + L"\\Missing.ttf",
          Rtl::ExtractFileDrive(Temp.Path()) + L"\\"});
  // Inside a folder that is protected but not sealed, and beside one.
  Expect(guard, false, {Child, Other, Holder + L"\\Missing", ProgramsOld, WindowsOld});
}

// A guard that compared names without their segment boundary would take
// "Programs Old" for a folder inside "Programs" or holding it.
TEST_F(PathGuardTest, SiblingsSharingTheStartOfTheNameAreNotProtected) {
  TestSupport::WriteFile(WindowsOld + L"\\Setup.exe", "x");
  Expect(Guard(), false, {ProgramsOld, ProgramsOld + L"\\Sub", WindowsOld, WindowsOld + L"\\Setup.exe"});
  Expect(TPathGuard({ProgramsOld}, {WindowsOld}), false, {Programs, Windows, Fonts});
  EXPECT_TRUE(IsInside(L"C:\\a\\b", L"C:\\a"));
  EXPECT_TRUE(IsInside(L"c:\\A\\b", L"C:\\a"));
  EXPECT_TRUE(IsInside(L"C:\\a", L"C:\\"));
  EXPECT_FALSE(IsInside(L"C:\\a b\\c", L"C:\\a"));
  EXPECT_FALSE(IsInside(L"C:\\ab", L"C:\\a"));
  EXPECT_FALSE(IsInside(L"C:\\a", L"C:\\a"));
  EXPECT_FALSE(IsInside(L"C:\\a", L"C:\\a\\b"));
}

TEST_F(PathGuardTest, DevicePrefixesSlashesAndTrailingBackslashesNameTheSameFolder) {
  const TPathGuard guard = Guard();
  for (const std::wstring& path : {Programs, Fonts, Holder}) {
    std::wstring slashes = path;
    std::replace(slashes.begin(), slashes.end(), L'\\', L'/');
    Expect(guard, true, {L"\\\\?\\" + path, L"\\\\.\\" + path, L"\\??\\" + path, slashes, path + L"\\"});
    EXPECT_EQ(ComparisonForm(L"\\\\?\\" + path), ComparisonForm(path));
  }
  Expect(guard, false, {L"\\\\?\\" + ProgramsOld, L"\\\\.\\" + Child, L"\\??\\" + WindowsOld, ProgramsOld + L"\\"});
  EXPECT_EQ(ComparisonForm(L"\\\\?\\UNC\\server\\share\\dir\\"), L"\\\\server\\share\\dir");
  EXPECT_TRUE(guard.IsProtected(L"\\\\?\\UNC\\server\\share"));  // a root
}

TEST_F(PathGuardTest, DotSegmentsDoubledBackslashesAndTrailingDotsAreResolved) {
  const TPathGuard guard = Guard();
  Expect(guard, true,
         {ProgramsOld + L"\\..\\Programs", Programs + L"\\.", Child + L"\\..", Start + L"\\\\Programs",
          Programs + L".", Programs + L" ", WindowsOld + L"\\..\\Win\\Fonts", Child + L"\\..\\..\\..\\Win\\x"});
  Expect(guard, false,
         {Programs + L"\\..\\Programs Old", Windows + L"\\..\\Win Old", Fonts + L"\\..\\..\\Holder\\Other",
          Programs + L"\\.\\Child"});
}

TEST_F(PathGuardTest, LetterCaseDoesNotMatter) {
  Expect(Guard(), true, {Upper(Programs), Lower(Fonts), Upper(Holder)});
  Expect(Guard(), false, {Upper(ProgramsOld), Lower(Child)});
}

TEST_F(PathGuardTest, ShortNamesAreTheFoldersTheyName) {
  const std::wstring shortPrograms = ShortName(Programs);
  const std::wstring shortOld = ShortName(ProgramsOld);
  // The temporary folder's long name has a short form, and so has "Programs Old".
  if (shortPrograms == Programs || shortOld == ProgramsOld) GTEST_SKIP() << "no short names here";
  const TPathGuard guard = Guard();
  Expect(guard, true, {shortPrograms, ShortName(Fonts), ShortName(Start), ShortName(Fonts) + L"\\Missing.ttf"});
  Expect(guard, false, {shortOld, ShortName(Child), ShortName(WindowsOld)});
  EXPECT_EQ(FileIdentity(shortPrograms), FileIdentity(Programs));
  EXPECT_NE(FileIdentity(shortOld), FileIdentity(Programs));
  EXPECT_FALSE(FileIdentity(Programs + L"\\Missing").has_value());
}

TEST_F(PathGuardTest, PathsThatNameNothingForSureAreProtected) {
  const TPathGuard guard = Guard();
  for (const std::wstring& path :
       {std::wstring(), std::wstring(L"Programs"), std::wstring(L"C:Programs"), std::wstring(L"\\Programs"),
        ProgramsOld + std::wstring(1, L'\0') + L"x"}) {
    EXPECT_FALSE(IsFullPath(path)) << Narrow(path);
    EXPECT_TRUE(guard.IsProtected(path)) << Narrow(path);
    EXPECT_TRUE(guard.MustKeep(path)) << Narrow(path);
  }
  EXPECT_TRUE(IsFullPath(L"\\\\?\\" + Programs));
  EXPECT_TRUE(IsFullPath(L"\\\\server\\share\\x"));
}

// An item built on a folder must lie inside it.
TEST_F(PathGuardTest, MustKeepWhatLeavesTheFolderItWasBuiltOn) {
  const TPathGuard guard = Guard();
  EXPECT_FALSE(guard.MustKeep(Child, Programs));
  EXPECT_FALSE(guard.MustKeep(Child));
  EXPECT_FALSE(guard.MustKeep(ProgramsOld));
  EXPECT_TRUE(guard.MustKeep(ProgramsOld, Programs));
  EXPECT_TRUE(guard.MustKeep(Programs + L"\\..\\Programs Old", Programs));
  EXPECT_TRUE(guard.MustKeep(Programs, Programs));
  EXPECT_TRUE(guard.MustKeep(Fonts, Windows));
}

// A drive letter of its own names the folders below the stand-ins' root
// with none of the names the guard knows: the guard is made before the
// drive (Wine names what is opened below a drive after that drive once it
// exists, and would give the guard those names too). Only their identity
// tells them.
TEST_F(PathGuardTest, FoldersReachedThroughAnotherDriveLetterAreKnownByIdentity) {
  const TPathGuard guard = Guard();
  const TFolderDrive drive(Temp.Path());
  if (drive.Root().empty()) GTEST_SKIP() << "no drive letter can be made for a folder here";
  ASSERT_EQ(FileIdentity(drive.Root() + L"Start\\Programs"), FileIdentity(Programs));
  EXPECT_NE(FileIdentity(drive.Root() + L"Start\\Programs Old"), FileIdentity(Programs));
  const std::wstring& y = drive.Root();
  Expect(guard, true,
         {y + L"Start\\Programs", y + L"Start", y + L"Holder", y + L"Holder\\Inner", y + L"Win", y + L"Win\\Fonts"});
  Expect(guard, false,
         {y + L"Start\\Programs\\Child", y + L"Start\\Programs Old", y + L"Win Old", y + L"Holder\\Other"});
}

// Under Wine a unix named pipe opens, but gives no identity: whatever can't
// be told apart from a protected folder is protected.
TEST_F(PathGuardTest, WhatOpensWithoutAnIdentityIsProtected_WineUnixFifo) {
  const std::wstring pipe = ProgramsOld + L"\\pipe";
  const std::string unixName = Narrow(TQdSystem::GetUnixFileName(pipe));
  if (unixName.empty() || !TestSupport::RunWineUnixProgram({"/usr/bin/mkfifo", unixName}))
    GTEST_SKIP() << "unix named pipes are made under Wine only";
  ASSERT_FALSE(FileIdentity(pipe).has_value());
  TestSupport::WriteFile(ProgramsOld + L"\\file.txt", "x");
  EXPECT_TRUE(Guard().IsProtected(pipe));
  EXPECT_FALSE(Guard().IsProtected(ProgramsOld + L"\\file.txt"));
  TestSupport::RunWineUnixProgram({"/bin/rm", "-f", unixName});
}

// Under Wine drive Z: shows the unix file system, where drive C is the
// folder drive_c of the prefix (also reached as dosdevices\c:): seen from
// there, the prefix and every folder above it hold the protected folders.
TEST_F(PathGuardTest, UnixDriveNamesOfFoldersAndWhatHoldsThem_WineUnixDrive) {
  const std::wstring programs = UnixDriveName(Programs);
  if (programs.empty()) GTEST_SKIP() << "no unix file system under drive Z: here (Wine only)";
  const std::wstring dosDevices = programs.substr(0, programs.find(L"\\dosdevices\\"));
  ASSERT_NE(dosDevices, programs) << Narrow(programs);
  const std::wstring prefix = dosDevices;
  const std::wstring driveC = prefix + L"\\drive_c" + programs.substr(prefix.size() + 14);  // "\dosdevices\c:"
  ASSERT_TRUE(TestSupport::IsDir(driveC)) << Narrow(driveC);
  const TPathGuard guard = Guard();
  Expect(guard, true,
         {programs, driveC, UnixDriveName(Fonts), UnixDriveName(Holder), prefix, prefix + L"\\dosdevices",
          prefix + L"\\drive_c", Rtl::ExtractFileDir(prefix)});
  Expect(guard, false, {UnixDriveName(ProgramsOld), UnixDriveName(Child), UnixDriveName(WindowsOld)});
}

// --- The machine's own shell folders -------------------------------------------------

TEST(ShellFolderGuardTest, ShellFoldersAndWhatHoldsThemButNotTheirSiblingsOrProductFolders) {
  const Korvasweep::TShellFolders folders = Korvasweep::ReadShellFolders();
  const TPathGuard guard(folders);
  for (const std::wstring& folder : folders) {
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(guard.IsProtected(folder)) << Narrow(folder);
    EXPECT_TRUE(guard.IsProtected(Rtl::ExtractFileDir(folder))) << Narrow(folder);
  }
  const std::wstring programs = folders[Qd::ftPrograms];
  const std::wstring windows = folders[Qd::ftWindows];
  EXPECT_TRUE(guard.IsProtected(windows + L"\\Fonts"));
  EXPECT_TRUE(guard.IsProtected(folders[Qd::ftSystem] + L"\\kernel32.dll"));

  const std::wstring suffix = L" " + std::to_wstring(GetCurrentProcessId());
  const std::wstring old = programs + L" Old" + suffix;  // beside the Start menu's Programs
  const std::wstring group = programs + L"\\KvGuard" + suffix;
  const std::wstring maker = folders[Qd::ftProgramFiles] + L"\\KvGuard" + suffix;
  for (const std::wstring& dir : {old, group, maker}) TestSupport::MakeDir(dir);
  EXPECT_FALSE(guard.IsProtected(old));
  EXPECT_FALSE(guard.IsProtected(group));
  EXPECT_FALSE(guard.IsProtected(maker));
  EXPECT_FALSE(guard.MustKeep(group, programs));
  for (const std::wstring& dir : {old, group, maker}) RemoveDirectoryW(dir.c_str());
}

// Made before the drive, as above.
TEST(ShellFolderGuardTest, WindowsFolderThroughAnotherDriveLetterIsProtected) {
  const Korvasweep::TShellFolders folders = Korvasweep::ReadShellFolders();
  const TPathGuard guard(folders);
  const TFolderDrive drive(folders[Qd::ftWindows]);
  if (drive.Root().empty()) GTEST_SKIP() << "no drive letter can be made for a folder here";
  const std::wstring fonts = drive.Root() + L"Fonts";
  ASSERT_TRUE(TestSupport::IsDir(fonts));
  EXPECT_TRUE(guard.IsProtected(fonts));
  EXPECT_TRUE(guard.MustKeep(fonts));
  EXPECT_TRUE(guard.IsProtected(drive.Root() + L"system32"));
}

}  // namespace
