// Directory listings and the services on them, on real folders of the test
// prefix: kinds and filters, sizes beyond 4 GB, local times, the current
// directory, missing directories, links that must not be walked, copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "QdClasses/File.h"
#include "QdDirectory.h"
#include "TestSupport.h"
#include "runtime/Core/DateTime.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/StringList.h"

#include <winioctl.h>

using namespace Qd;
using TestSupport::Narrow;
using TestSupport::TTempDir;
using TestSupport::WriteFile;

namespace {

std::vector<std::wstring> Names(const TQdDirectory& directory) {
  std::vector<std::wstring> names;
  for (const TQdDirectoryItem* item : directory) names.push_back(item->GetName());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::wstring> Lines(const Rtl::TStringList& list) {
  std::vector<std::wstring> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list[i]);
  return lines;
}

// A tree: a.txt, b.log, .hidden (hidden), ro.txt (read-only), sub\c.txt,
// sub\deeper\d.txt, other\ (empty).
void MakeTree(const std::wstring& root) {
  WriteFile(root + L"\\a.txt", "aaa");
  WriteFile(root + L"\\b.log", "bb");
  WriteFile(root + L"\\.hidden", "h");
  TestSupport::SetAttributes(root + L"\\.hidden", false, true);
  WriteFile(root + L"\\ro.txt", "r");
  TestSupport::SetAttributes(root + L"\\ro.txt", true, false);
  WriteFile(root + L"\\sub\\c.txt", "c");
  WriteFile(root + L"\\sub\\deeper\\d.txt", "d");
  TestSupport::MakeDir(root + L"\\other");
}

void SetWriteTime(const std::wstring& fileName, const FILETIME& time) {
  HANDLE file = CreateFileW(fileName.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
  CloseHandle(file);
}

FILETIME UtcFileTime(int year, int month, int day, int hour) {
  SYSTEMTIME utc{};
  utc.wYear = static_cast<WORD>(year);
  utc.wMonth = static_cast<WORD>(month);
  utc.wDay = static_cast<WORD>(day);
  utc.wHour = static_cast<WORD>(hour);
  FILETIME time{};
  SystemTimeToFileTime(&utc, &time);
  return time;
}

}  // namespace

TEST(DirectoryTest, KindsFiltersAndItems) {
  TTempDir temp(L"qddir");
  MakeTree(temp.Path());
  TQdDirectory directory;
  EXPECT_EQ(directory.GetAttributes(), 511);
  EXPECT_EQ(directory.GetFilter(), L"*.*");
  directory.SetPath(temp.Path());
  directory.Open();
  // Hidden and read-only entries are listed; "." and ".." never.
  EXPECT_EQ(Names(directory),
            (std::vector<std::wstring>{L".hidden", L"a.txt", L"b.log", L"other", L"ro.txt", L"sub"}));
  for (const TQdDirectoryItem* item : directory) {
    SCOPED_TRACE(Narrow(item->GetName()));
    const bool isDir = item->GetName() == L"sub" || item->GetName() == L"other";
    EXPECT_EQ(item->GetKind(), isDir ? fkDirectory : fkFile);
    EXPECT_EQ(item->GetFileName(), temp.Path() + L"\\" + item->GetName());
    if (item->GetName() == L"a.txt") {
      EXPECT_EQ(item->GetSize(), 3);
      EXPECT_EQ(item->GetExt(), L".txt");
    }
  }
  directory.Close();

  directory.SetKind(fkDirectory);
  directory.SetFilter(L"*");
  directory.Open();
  EXPECT_EQ(Names(directory), (std::vector<std::wstring>{L"other", L"sub"}));
  directory.Close();

  directory.SetKind(fkFile);
  directory.SetFilter(L"*.txt");
  directory.Open();
  EXPECT_EQ(Names(directory), (std::vector<std::wstring>{L"a.txt", L"ro.txt"}));
  // The enumerator, and Delete.
  auto enumerator = directory.GetEnumerator();
  int seen = 0;
  while (enumerator->MoveNext()) {
    EXPECT_NE(enumerator->GetCurrent(), nullptr);
    ++seen;
  }
  EXPECT_EQ(seen, 2);
  directory.Delete(0);
  EXPECT_EQ(directory.GetCount(), 1);
  directory.Close();
  EXPECT_FALSE(TQdDirectoryEnumerator(nullptr).MoveNext());

  // A name without an extension.
  directory.SetFilter(L".hidden");
  directory.Open();
  ASSERT_EQ(directory.GetCount(), 1);
  EXPECT_EQ(directory.GetItems(0)->GetExt(), L".hidden");
  directory.SetFilter(L"sub");
  directory.SetKind(fkDirectory);
  directory.Open();
  ASSERT_EQ(directory.GetCount(), 1);
  EXPECT_EQ(directory.GetItems(0)->GetExt(), L"");
}

TEST(DirectoryTest, SizesBeyondFourGigabytes) {
  TTempDir temp(L"qddir");
  const std::wstring name = temp / L"big.bin";
  {
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = (std::int64_t{5} << 30) + 3;
    EXPECT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
  }
  TQdDirectory directory;
  directory.SetPath(temp.Path());
  directory.Open();
  ASSERT_EQ(directory.GetCount(), 1);
  EXPECT_EQ(directory.GetItems(0)->GetSize(), (std::int64_t{5} << 30) + 3);
}

// Runs in the entry with TZ=Europe/Berlin only: a summer and a winter time
// each get the offset of their own date, whatever the season now.
TEST(DirectoryTimeTest, CentralEuropeanDaylightSavingChanges) {
  TIME_ZONE_INFORMATION zone;
  GetTimeZoneInformation(&zone);
  ASSERT_EQ(zone.Bias, -60) << "this case needs the zone Europe/Berlin";
  TTempDir temp(L"qddir");
  WriteFile(temp / L"summer.txt", "s");
  WriteFile(temp / L"winter.txt", "w");
  WriteFile(temp / L"change.txt", "c");
  SetWriteTime(temp / L"summer.txt", UtcFileTime(2021, 7, 1, 12));
  SetWriteTime(temp / L"winter.txt", UtcFileTime(2021, 1, 15, 12));
  // 27 March 2022, 01:30 UTC: half an hour after the change to summer time.
  SYSTEMTIME change{};
  change.wYear = 2022;
  change.wMonth = 3;
  change.wDay = 27;
  change.wHour = 1;
  change.wMinute = 30;
  FILETIME changeTime;
  SystemTimeToFileTime(&change, &changeTime);
  SetWriteTime(temp / L"change.txt", changeTime);
  TQdDirectory directory;
  directory.SetPath(temp.Path());
  directory.Open();
  ASSERT_EQ(directory.GetCount(), 3);
  for (const TQdDirectoryItem* item : directory) {
    SCOPED_TRACE(Narrow(item->GetName()));
    const Rtl::TDateTime expected = item->GetName() == L"summer.txt"   ? Rtl::EncodeDateTime(2021, 7, 1, 14, 0, 0, 0)
                                    : item->GetName() == L"winter.txt" ? Rtl::EncodeDateTime(2021, 1, 15, 13, 0, 0, 0)
                                                                       : Rtl::EncodeDateTime(2022, 3, 27, 3, 30, 0, 0);
    EXPECT_NEAR(item->GetTime(), expected, 1.0 / 86400 / 10);
  }
}

TEST(DirectoryServicesTest, FilesComeBeforeSubdirectoriesDepthFirst) {
  TTempDir temp(L"qddir");
  MakeTree(temp.Path());
  Rtl::TStringList files;
  TQdDirectory::GetFiles(temp.Path(), L"*.txt", files, true);
  const std::vector<std::wstring> lines = Lines(files);
  ASSERT_EQ(lines.size(), 4u);
  // The two files of the root (in the file system's order), then sub, then
  // sub\deeper.
  std::vector<std::wstring> root(lines.begin(), lines.begin() + 2);
  std::sort(root.begin(), root.end());
  EXPECT_EQ(root, (std::vector<std::wstring>{temp / L"a.txt", temp / L"ro.txt"}));
  EXPECT_EQ(lines[2], temp / L"sub\\c.txt");
  EXPECT_EQ(lines[3], temp / L"sub\\deeper\\d.txt");

  files.Clear();
  TQdDirectory::GetFiles(temp / L"*.log", files, true);
  EXPECT_EQ(Lines(files), (std::vector<std::wstring>{temp / L"b.log"}));
  files.Clear();
  TQdDirectory::GetFiles(temp.Path(), L"d.txt", files, false);
  EXPECT_TRUE(Lines(files).empty());

  EXPECT_EQ(TQdDirectory::GetFileCount(temp.Path(), L"*.txt", true), 4);
  EXPECT_EQ(TQdDirectory::GetFileCount(temp.Path(), L"*.*", false), 4);
  EXPECT_EQ(TQdDirectory::GetFirstFile(temp.Path(), L"d.txt", true), temp / L"sub\\deeper\\d.txt");
  EXPECT_EQ(TQdDirectory::GetFirstFile(temp / L"c.*", true), temp / L"sub\\c.txt");
  EXPECT_EQ(TQdDirectory::GetFirstFile(temp.Path(), L"d.txt", false), L"");
  EXPECT_EQ(TQdDirectory::GetFirstFile(temp.Path(), L"*.log", false), temp / L"b.log");
  EXPECT_EQ(TQdDirectory::GetDirCount(temp.Path()), 2);
  Rtl::TStringList dirs;
  TQdDirectory::GetSubDirs(temp.Path(), dirs);
  std::vector<std::wstring> subDirs = Lines(dirs);
  std::sort(subDirs.begin(), subDirs.end());
  EXPECT_EQ(subDirs, (std::vector<std::wstring>{L"other", L"sub"}));
  EXPECT_EQ(TQdDirectory::GetFirstSub(temp / L"sub"), temp / L"sub\\deeper");
  EXPECT_EQ(TQdDirectory::GetFirstSub(temp / L"other"), L"");
  EXPECT_FALSE(TQdDirectory::IsEmpty(temp.Path()));
  EXPECT_FALSE(TQdDirectory::IsEmpty(temp / L"sub\\deeper"));
  EXPECT_TRUE(TQdDirectory::IsEmpty(temp / L"other"));
}

TEST(DirectoryServicesTest, MissingDirectory) {
  TTempDir temp(L"qddir");
  const std::wstring missing = temp / L"missing";
  const std::wstring before = TFile::GetDir();
  TQdDirectory directory;
  directory.SetPath(missing);
  directory.Open();
  EXPECT_EQ(directory.GetCount(), 0);
  EXPECT_EQ(TFile::GetDir(), before);
  Rtl::TStringList files;
  TQdDirectory::GetFiles(missing, L"*", files, true);
  EXPECT_EQ(files.Count(), 0);
  EXPECT_EQ(TQdDirectory::GetFileCount(missing, L"*", true), 0);
  EXPECT_EQ(TQdDirectory::GetDirCount(missing), 0);
  EXPECT_EQ(TQdDirectory::GetFirstFile(missing, L"*", true), L"");
  EXPECT_EQ(TQdDirectory::GetFirstSub(missing), L"");
  EXPECT_TRUE(TQdDirectory::IsEmpty(missing));
  EXPECT_EQ(TQdDirectory::CopyFiles(missing + L"\\*", temp / L"target", false), 0);
}

TEST(DirectoryServicesTest, CurrentDirectoryIsRestored) {
  TTempDir temp(L"qddir");
  MakeTree(temp.Path());
  const std::wstring before = TFile::GetDir();
  {
    TQdDirectory directory;
    directory.SetPath(temp / L"sub");
    directory.Open();
    // The documented change while the listing is open...
    EXPECT_TRUE(Rtl::SameFileName(TFile::RemoveBackSlash(TFile::GetDir()), temp / L"sub"));
    directory.Open();  // a second Open still goes back to the first directory
    directory.Close();
    EXPECT_EQ(TFile::GetDir(), before);
    directory.Open();
  }
  // ... undone by the destructor.
  EXPECT_EQ(TFile::GetDir(), before);

  Rtl::TStringList list;
  TQdDirectory::GetFiles(temp.Path(), L"*", list, true);
  EXPECT_EQ(TFile::GetDir(), before);
  TQdDirectory::GetFirstFile(temp.Path(), L"d.txt", true);
  EXPECT_EQ(TFile::GetDir(), before);
  TQdDirectory::GetFileCount(temp.Path(), L"*", true);
  EXPECT_EQ(TFile::GetDir(), before);
  TQdDirectory::GetDirCount(temp.Path());
  TQdDirectory::IsEmpty(temp.Path());
  TQdDirectory::GetSubDirs(temp.Path(), list);
  TQdDirectory::GetFirstSub(temp.Path());
  TQdDirectory::CopyFiles(temp / L"*.txt", temp / L"copies", false);
  EXPECT_EQ(TFile::GetDir(), before);

  // An exception that leaves a service (a sorted list that refuses a
  // duplicate) restores it as well.
  Rtl::TStringList sorted;
  sorted.SetSorted(true);
  sorted.SetDuplicates(Rtl::dupError);
  sorted.Add(temp / L"sub\\c.txt");
  EXPECT_THROW(TQdDirectory::GetFiles(temp.Path(), L"*.txt", sorted, true), Rtl::Exception);
  EXPECT_EQ(TFile::GetDir(), before);
}

TEST(DirectoryServicesTest, RelativePathsResolveAgainstTheCallersDirectory) {
  TTempDir temp(L"qddir");
  MakeTree(temp.Path());
  const std::wstring before = TFile::GetDir();
  ASSERT_TRUE(SetCurrentDirectoryW(temp.Path().c_str()));
  Rtl::TStringList files;
  TQdDirectory::GetFiles(L"sub", L"*.txt", files, true);
  const int copied = TQdDirectory::CopyFiles(L"sub\\*.txt", L"copies", false);
  const std::wstring current = TFile::GetDir();
  SetCurrentDirectoryW(before.c_str());
  EXPECT_EQ(Lines(files), (std::vector<std::wstring>{temp / L"sub\\c.txt", temp / L"sub\\deeper\\d.txt"}));
  EXPECT_EQ(copied, 1);
  EXPECT_TRUE(TestSupport::Exists(temp / L"copies\\c.txt"));
  EXPECT_TRUE(Rtl::SameFileName(TFile::RemoveBackSlash(current), temp.Path()));
}

TEST(DirectoryServicesTest, LinkToAParentIsListedButNotWalked_Wine) {
  TTempDir temp(L"qddir");
  const std::wstring root = temp / L"tree";
  WriteFile(root + L"\\top.txt", "t");
  WriteFile(root + L"\\a\\inner.txt", "i");
  if (!TestSupport::MakeWineUnixLink(root + L"\\a\\up", root))
    GTEST_SKIP() << "unix symbolic links are made under Wine only";
  Rtl::TStringList files;
  TQdDirectory::GetFiles(root, L"*.txt", files, true);
  TestSupport::RemoveWineUnixLink(root + L"\\a\\up");
  EXPECT_EQ(Lines(files), (std::vector<std::wstring>{root + L"\\top.txt", root + L"\\a\\inner.txt"}));
  ASSERT_TRUE(TestSupport::MakeWineUnixLink(root + L"\\a\\up", root));
  EXPECT_EQ(TQdDirectory::GetFileCount(root, L"*.txt", true), 2);
  EXPECT_EQ(TQdDirectory::GetFirstFile(root, L"none.*", true), L"");
  Rtl::TStringList dirs;
  TQdDirectory::GetSubDirs(root + L"\\a", dirs);
  TestSupport::RemoveWineUnixLink(root + L"\\a\\up");
  EXPECT_EQ(Lines(dirs), (std::vector<std::wstring>{L"up"}));
}

TEST(DirectoryServicesTest, CopyFilesCountsOnlySuccessfulCopies) {
  TTempDir temp(L"qddir");
  WriteFile(temp / L"src\\one.txt", "1");
  WriteFile(temp / L"src\\two.txt", "22");
  WriteFile(temp / L"src\\skip.log", "x");
  const std::wstring target = temp / L"dst\\new";
  // Into a missing directory: both copied.
  EXPECT_EQ(TQdDirectory::CopyFiles(temp / L"src\\*.txt", target, false), 2);
  EXPECT_EQ(TQdDirectory::GetFileCount(target, L"*", false), 2);
  // The copies keep size and time: with the check nothing is copied again,
  // without it everything is.
  EXPECT_EQ(TQdDirectory::CopyFiles(temp / L"src\\*.txt", target, true), 0);
  EXPECT_EQ(TQdDirectory::CopyFiles(temp / L"src\\*.txt", target, false), 2);
  // A target of another size is copied again.
  WriteFile(target + L"\\two.txt", "changed");
  EXPECT_EQ(TQdDirectory::CopyFiles(temp / L"src\\*.txt", target, true), 1);
  EXPECT_EQ(TFile::GetFileSize(target + L"\\two.txt"), 2);
  // A target held open without sharing can't be replaced: not counted.
  HANDLE held = CreateFileW((target + L"\\one.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const int copied = TQdDirectory::CopyFiles(temp / L"src\\*.txt", target, false);
  CloseHandle(held);
  EXPECT_EQ(copied, 1);
}
