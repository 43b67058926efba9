#include "QdDirectory.h"

#include <cstring>

#include "QdClasses/File.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"

namespace Qd {

namespace {

// The last-write time in local time by the zone's rules on that date (a
// summer date gets the summer offset whatever the season now); 0 when it
// can't be converted.
Rtl::TDateTime LocalFileTime(const FILETIME& fileTime) {
  SYSTEMTIME utc, local;
  if (!FileTimeToSystemTime(&fileTime, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return 0;
  Rtl::TSystemTime value;
  static_assert(sizeof value == sizeof local);
  std::memcpy(&value, &local, sizeof value);
  return Rtl::SystemTimeToDateTime(value);
}

// A directory with the given settings, opened; its destructor restores the
// current directory, also when an exception leaves the caller.
std::unique_ptr<TQdDirectory> OpenDirectory(const std::wstring& path, const std::wstring& filter, TQdFileKind kind) {
  auto directory = std::make_unique<TQdDirectory>();
  directory->SetPath(path);
  directory->SetFilter(filter);
  directory->SetKind(kind);
  directory->Open();
  return directory;
}

// The subdirectories of `path` that a walk may enter: links are left out,
// by their attribute, and so is a directory that opens somewhere else than
// where it is listed (Wine shows its unix links as plain directories).
std::unique_ptr<TQdDirectory> WalkableSubDirs(const std::wstring& path) {
  auto directory = OpenDirectory(path, L"*", fkDirectory);
  const std::wstring dirFinal = directory->GetCount() > 0 ? TFile::GetFinalPath(directory->GetPath()) : L"";
  for (int i = directory->GetCount() - 1; i >= 0; --i) {
    const TQdDirectoryItem* item = directory->GetItems(i);
    bool walkable = !item->GetIsLink();
    if (walkable && !dirFinal.empty()) {
      const std::wstring own = TFile::GetFinalPath(item->GetFileName());
      walkable = !own.empty() && Rtl::SameFileName(own, Rtl::IncludeTrailingPathDelimiter(dirFinal) + item->GetName());
    }
    if (!walkable) directory->Delete(i);
  }
  return directory;
}

// The directory part and the name part of a masked file name.
void SplitMask(const std::wstring& maskedFileName, std::wstring& path, std::wstring& filter) {
  path = Rtl::ExtractFilePath(maskedFileName);
  filter = Rtl::ExtractFileName(maskedFileName);
}

}  // namespace

// --- TQdDirectoryItem ------------------------------------------------------------

std::wstring TQdDirectoryItem::GetExt() const { return Rtl::ExtractFileExt(FName); }

std::wstring TQdDirectoryItem::GetFileName() const {
  return TFile::AddBackSlash(FParent != nullptr ? FParent->GetPath() : L"") + FName;
}

// --- TQdDirectoryEnumerator ----------------------------------------------------------

bool TQdDirectoryEnumerator::MoveNext() {
  if (FDirectory == nullptr || FIndex + 1 >= FDirectory->GetCount()) return false;
  ++FIndex;
  return true;
}

TQdDirectoryItem* TQdDirectoryEnumerator::GetCurrent() const { return FDirectory->GetItems(FIndex); }

// --- TQdDirectory -----------------------------------------------------------------------

TQdDirectory::~TQdDirectory() {
  try {
    Close();
  } catch (...) {
    // A destructor raises nothing; the directory may be gone.
  }
}

TQdDirectoryItem* TQdDirectory::GetItems(int index) const { return static_cast<TQdDirectoryItem*>(FItems.Items(index)); }

void TQdDirectory::Open() {
  FItems.Clear();
  // A relative path would resolve against the current directory, which
  // Open changes: the listing keeps the full path.
  FPath = FPath.empty() ? TFile::GetDir() : Rtl::ExpandFileName(FPath);
  if (!Rtl::DirectoryExists(FPath)) return;
  // A second Open keeps the directory of the first as the one to go back to.
  if (FCurrentDir.empty()) FCurrentDir = TFile::GetDir();
  SetCurrentDirectoryW(FPath.c_str());

  WIN32_FIND_DATAW data;
  const Rtl::TFindHandle find(FindFirstFileW((TFile::AddBackSlash(FPath) + FFilter).c_str(), &data));
  if (!find) return;
  do {
    const std::wstring name = data.cFileName;
    const bool isDir = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isDir ? !FKinds.Contains(fkDirectory) || name == L"." || name == L".." : !FKinds.Contains(fkFile)) continue;
    const std::int64_t size = static_cast<std::int64_t>(static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 |
                                                        data.nFileSizeLow);
    FItems.Add(std::make_unique<TQdDirectoryItem>(this, isDir ? fkDirectory : fkFile, name, size,
                                                  LocalFileTime(data.ftLastWriteTime),
                                                  (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0));
  } while (FindNextFileW(find.Get(), &data));
}

void TQdDirectory::Close() {
  if (FCurrentDir.empty()) return;
  const std::wstring dir = std::move(FCurrentDir);
  FCurrentDir.clear();
  SetCurrentDirectoryW(dir.c_str());
}

// --- Class-level services ------------------------------------------------------------------

void TQdDirectory::GetFiles(const std::wstring& path, const std::wstring& filter, Rtl::TStringList& files,
                            bool subDirs) {
  {
    const auto directory = OpenDirectory(path, filter, fkFile);
    for (const TQdDirectoryItem* item : *directory) files.Add(item->GetFileName());
  }
  if (!subDirs) return;
  const auto dirs = WalkableSubDirs(path);
  for (const TQdDirectoryItem* item : *dirs) GetFiles(item->GetFileName(), filter, files, true);
}

void TQdDirectory::GetFiles(const std::wstring& maskedFileName, Rtl::TStringList& files, bool subDirs) {
  std::wstring path, filter;
  SplitMask(maskedFileName, path, filter);
  GetFiles(path, filter, files, subDirs);
}

std::wstring TQdDirectory::GetFirstFile(const std::wstring& path, const std::wstring& filter, bool subDirs) {
  {
    const auto directory = OpenDirectory(path, filter, fkFile);
    if (directory->GetCount() > 0) return directory->GetItems(0)->GetFileName();
  }
  if (!subDirs) return {};
  const auto dirs = WalkableSubDirs(path);
  for (const TQdDirectoryItem* item : *dirs) {
    std::wstring found = GetFirstFile(item->GetFileName(), filter, true);
    if (!found.empty()) return found;
  }
  return {};
}

std::wstring TQdDirectory::GetFirstFile(const std::wstring& maskedFileName, bool subDirs) {
  std::wstring path, filter;
  SplitMask(maskedFileName, path, filter);
  return GetFirstFile(path, filter, subDirs);
}

int TQdDirectory::GetFileCount(const std::wstring& path, const std::wstring& filter, bool subDirs) {
  int count = OpenDirectory(path, filter, fkFile)->GetCount();
  if (!subDirs) return count;
  const auto dirs = WalkableSubDirs(path);
  for (const TQdDirectoryItem* item : *dirs) count += GetFileCount(item->GetFileName(), filter, true);
  return count;
}

int TQdDirectory::GetDirCount(const std::wstring& path) { return OpenDirectory(path, L"*", fkDirectory)->GetCount(); }

bool TQdDirectory::IsEmpty(const std::wstring& path) {
  TQdDirectory directory;
  directory.SetPath(path);
  directory.SetFilter(L"*");
  directory.Open();
  return directory.GetCount() == 0;
}

void TQdDirectory::GetSubDirs(const std::wstring& path, Rtl::TStringList& dirs) {
  const auto directory = OpenDirectory(path, L"*", fkDirectory);
  for (const TQdDirectoryItem* item : *directory) dirs.Add(item->GetName());
}

std::wstring TQdDirectory::GetFirstSub(const std::wstring& path) {
  const auto directory = OpenDirectory(path, L"*", fkDirectory);
  return directory->GetCount() > 0 ? path + L"\\" + directory->GetItems(0)->GetName() : L"";
}

int TQdDirectory::CopyFiles(const std::wstring& sourceMask, const std::wstring& targetDir, bool checkDateAndSize) {
  std::wstring path, filter;
  SplitMask(sourceMask, path, filter);
  // Made full before the listing changes the current directory.
  const std::wstring fullTargetDir = targetDir.empty() ? targetDir : Rtl::ExpandFileName(targetDir);
  const auto directory = OpenDirectory(path, filter, fkFile);
  int count = 0;
  for (const TQdDirectoryItem* item : *directory) {
    const std::wstring source = TFile::AddBackSlash(directory->GetPath()) + item->GetName();
    const std::wstring target = TFile::AddBackSlash(fullTargetDir) + item->GetName();
    if (Rtl::FileExists(target) && checkDateAndSize && TFile::SameFileSizeAndAge(source, target)) continue;
    // Only a copy that succeeded counts.
    if (TFile::CopyFile(source, target, true)) ++count;
  }
  return count;
}

}  // namespace Qd
