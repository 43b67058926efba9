#include "QdClasses/File.h"

#include <vector>

#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Handles.h"
#include "QdClasses/Strings.h"

namespace Qd {

namespace {

bool IsDirectoryLink(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The path of what a handle opened at `path` with `flags` refers to, as the
// file system names it ("\\?\" form), or "" when nothing can be opened.
std::wstring FinalPathName(const std::wstring& path, DWORD flags) {
  const Rtl::TFileHandle handle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
  if (!handle) return {};
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length = 0;
  for (;;) {
    length =
        GetFinalPathNameByHandleW(handle.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), VOLUME_NAME_DOS);
    if (length < buffer.size()) break;
    buffer.resize(length + 1);
  }
  return std::wstring(buffer.data(), length);
}

// A deletion of `path`, the entry `name` of the directory whose final path
// is `dirFinal`, removes that entry itself. Windows deletes a link as a
// link; Wine deletes what its unix symbolic links lead to (also through a
// handle opened on the link itself), so there the entry opens elsewhere and
// is left alone.
bool DeletesItself(const std::wstring& path, const std::wstring& dirFinal, const std::wstring& name) {
  if (dirFinal.empty()) return false;
  const std::wstring own = FinalPathName(path, FILE_FLAG_OPEN_REPARSE_POINT);
  return !own.empty() && Rtl::SameFileName(own, Rtl::IncludeTrailingPathDelimiter(dirFinal) + name);
}

void RemoveEntries(const std::wstring& dir, const std::wstring& dirFinal);

}  // namespace

bool TFile::IsDeletableEntry(const std::wstring& path) {
  std::wstring full = Rtl::ExpandFileName(path);
  while (full.size() > 1 && full.back() == Rtl::PathDelim && full[full.size() - 2] != Rtl::DriveDelim) full.pop_back();
  if (full.empty() || DoesContainWildCards(Rtl::ExtractFileName(full))) return false;
  WIN32_FIND_DATAW data;
  // Only the entry's data is needed: the search is closed at once.
  if (!Rtl::TFindHandle(FindFirstFileW(full.c_str(), &data))) return false;
  return DeletesItself(full, FinalPathName(Rtl::ExtractFileDir(full), 0), data.cFileName);
}

std::wstring TFile::GetFinalPath(const std::wstring& path) { return FinalPathName(path, 0); }

// --- Removal -----------------------------------------------------------------

// A file that exists (as Rtl::FileExists: not a folder; a link only when
// its target is a file) with the read-only attribute. The attributes are
// read once; only a link needs the look at its target.
bool TFile::IsFileReadOnly(const std::wstring& fileName) {
  if (fileName.empty()) return false;
  const DWORD attributes = GetFileAttributesW(fileName.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && !Rtl::FileExists(fileName)) return false;
  return (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool TFile::RemoveReadOnlyAttribute(const std::wstring& fileName) {
  if (!IsFileReadOnly(fileName)) return true;
  const DWORD attributes = GetFileAttributesW(fileName.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES)
    SetFileAttributesW(fileName.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  return !IsFileReadOnly(fileName);
}

bool TFile::DeleteFile(const std::wstring& fileName) {
  if (!IsDeletableEntry(fileName)) return false;
  RemoveReadOnlyAttribute(fileName);
  const DWORD attributes = GetFileAttributesW(fileName.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && IsDirectoryLink(attributes))
    return RemoveDirectoryW(fileName.c_str()) != 0;
  return DeleteFileW(fileName.c_str()) != 0;
}

void TFile::RemoveDir(const std::wstring& dir, bool removeRoot) {
  if (dir.empty()) throw Rtl::Exception(Rtl::LoadResString(SRemoveDirEmpty));

  // A link is removed as a link: what lies behind it isn't ours.
  const DWORD rootAttributes = GetFileAttributesW(dir.c_str());
  if (rootAttributes != INVALID_FILE_ATTRIBUTES && IsDirectoryLink(rootAttributes)) {
    if (removeRoot && IsDeletableEntry(dir)) RemoveDirectoryW(dir.c_str());
    return;
  }
  RemoveEntries(dir, FinalPathName(dir, 0));
  if (removeRoot) RemoveDirectoryW(dir.c_str());
}

namespace {

// Removes the entries of `dir`; an entry that a deletion wouldn't remove
// itself (a link that leads elsewhere) is left, and no link is entered.
void RemoveEntries(const std::wstring& dir, const std::wstring& dirFinal) {
  WIN32_FIND_DATAW data;
  const Rtl::TFindHandle find(FindFirstFileW((dir + L"\\*.*").c_str(), &data));
  if (!find) return;
  do {
    const std::wstring entry = data.cFileName;
    if (entry == L"." || entry == L"..") continue;
    const std::wstring name = dir + L"\\" + entry;
    if (!DeletesItself(name, dirFinal, entry)) continue;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      TFile::RemoveReadOnlyAttribute(name);
      DeleteFileW(name.c_str());
    } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      RemoveDirectoryW(name.c_str());
    } else {
      RemoveEntries(name, Rtl::IncludeTrailingPathDelimiter(dirFinal) + entry);
      RemoveDirectoryW(name.c_str());
    }
  } while (FindNextFileW(find.Get(), &data));
}

}  // namespace

// --- Paths -------------------------------------------------------------------

std::wstring TFile::AddBackSlash(const std::wstring& dir) {
  if (dir.empty() || dir.back() == Rtl::PathDelim) return dir;
  return dir + Rtl::PathDelim;
}

std::wstring TFile::GetPeriodExt(const std::wstring& ext) {
  if (ext.empty() || ext[0] == L'.') return ext;
  return L"." + ext;
}

std::wstring TFile::GetDir() {
  SetLastError(0);
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return {};
  std::vector<wchar_t> buffer(size);
  const DWORD length = GetCurrentDirectoryW(size, buffer.data());
  if (length == 0 || length >= size) return {};
  return std::wstring(buffer.data(), length);
}

bool TFile::IsSubPath(const std::wstring& fileName) {
  if (fileName.empty()) return false;
  if (fileName[0] == Rtl::PathDelim) return false;
  if (fileName.size() >= 2 && fileName[1] == Rtl::DriveDelim) return false;
  return true;
}

std::wstring TFile::SimplifyPath(const std::wstring& path) {
  wchar_t buffer[QD_MAX_PATH];
  const DWORD length = GetFullPathNameW(path.c_str(), QD_MAX_PATH, buffer, nullptr);
  // Zero is failure; a length of the buffer or more means it didn't fit and
  // the buffer holds nothing usable.
  if (length == 0 || length >= static_cast<DWORD>(QD_MAX_PATH)) return path;
  return std::wstring(buffer, length);
}

// 1. An empty `directory` stands for the current directory.
// 2. "." gives the directory; "" gives it only with processEmptyFileName.
// 3. A bare name is joined to the directory unchanged (also "..").
// 4. A relative path with a directory part is joined, and normalised when it
//    contains "..". 5. An absolute path is returned unchanged.
std::wstring TFile::GetFullPath(const std::wstring& fileName, const std::wstring& directory,
                                bool processEmptyFileName) {
  const std::wstring dir = directory.empty() ? GetDir() : directory;
  if (fileName == L".") return dir;
  if (fileName.empty()) return processEmptyFileName ? dir : std::wstring();
  if (Rtl::ExtractFilePath(fileName).empty()) return dir.empty() ? fileName : AddBackSlash(dir) + fileName;
  if (IsSubPath(fileName)) {
    const std::wstring joined = AddBackSlash(dir) + fileName;
    return joined.find(L"..") != std::wstring::npos ? SimplifyPath(joined) : joined;
  }
  return fileName;
}

TDriveType TFile::GetDriveType(const std::wstring& dir) {
  const std::wstring root = dir.substr(0, 2);
  switch (GetDriveTypeW(root.c_str())) {
    case DRIVE_REMOVABLE: return dtRemovable;
    case DRIVE_REMOTE: return dtNetwork;
    case DRIVE_CDROM:
    case DRIVE_RAMDISK: return dtCdRom;
    default: return dtFixed;
  }
}

}  // namespace Qd
