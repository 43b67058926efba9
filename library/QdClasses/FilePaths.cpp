// TFile: directories, temporary directories and names, copies, relative
// paths and extensions.
#include "QdClasses/File.h"
#include "QdClasses/System.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Files.h"
#include "runtime/Text/Format.h"
#include "runtime/System/Win32.h"
#include "QdClasses/Strings.h"

namespace Qd {

namespace {

// The system's temporary directory with its trailing "\", "" when the
// system can't give one that fits.
std::wstring SystemTempDir() {
  wchar_t buffer[QD_MAX_PATH + 1];
  const DWORD length = GetTempPathW(QD_MAX_PATH + 1, buffer);
  if (length == 0 || length > static_cast<DWORD>(QD_MAX_PATH)) return {};
  return std::wstring(buffer, length);
}

// A relative path that stays below the directory it is joined to: no drive,
// no ".." level, and a full form strictly inside `base` (the system reads
// ".", "..." or " " as naming `base` itself).
bool StaysBelow(const std::wstring& subDir, const std::wstring& base) {
  if (!TFile::IsSubPath(subDir) || subDir.find(Rtl::DriveDelim) != std::wstring::npos) return false;
  size_t start = 0;
  while (start <= subDir.size()) {
    size_t end = subDir.find_first_of(L"\\/", start);
    if (end == std::wstring::npos) end = subDir.size();
    if (subDir.compare(start, end - start, L"..") == 0) return false;
    start = end + 1;
  }
  const std::wstring fullBase = TFile::AddBackSlash(Rtl::ExpandFileName(base));
  const std::wstring full = TFile::RemoveBackSlash(Rtl::ExpandFileName(base + subDir));
  return full.size() > fullBase.size() && Rtl::SameFileName(full.substr(0, fullBase.size()), fullBase);
}

}  // namespace

// --- Directories, temporary names and copies ---------------------------------

void TFile::CreateDir(const std::wstring& dir) {
  if (!dir.empty()) Rtl::ForceDirectories(dir);
}

void TFile::ClearDir(const std::wstring& dir) {
  RemoveDir(dir, true);
  CreateDir(dir);
}

std::wstring TFile::GetTempDir(const std::wstring& subDir, bool addGuid) {
  const std::wstring temp = SystemTempDir();
  if (subDir.empty() || temp.empty()) return temp;
  const std::wstring name = subDir + (addGuid ? TQdSystem::GetGuid() : std::wstring());
  // The directory is emptied: it must be one of the temporary directory's.
  if (!StaysBelow(name, temp))
    throw Rtl::EArgumentException(
        Rtl::Format(Rtl::LoadResString(SNotTempSubDir), {subDir}));
  const std::wstring dir = temp + name;
  ClearDir(RemoveBackSlash(dir));
  return AddBackSlash(dir);
}

std::wstring TFile::GetTempFileName(const std::wstring& prefix, const std::wstring& ext, const std::wstring& dir) {
  const std::wstring directory = dir.empty() ? SystemTempDir() : dir;
  if (directory.empty()) return {};
  wchar_t buffer[QD_MAX_PATH + 1];
  if (GetTempFileNameW(directory.c_str(), prefix.c_str(), 0, buffer) == 0) return {};
  const std::wstring name(buffer);
  if (ext.empty()) return name;
  DeleteFileW(name.c_str());
  return Rtl::ChangeFileExt(name, GetPeriodExt(ext));
}

bool TFile::CopyFile(const std::wstring& source, const std::wstring& target, bool forceDirectories) {
  if (forceDirectories) CreateDir(Rtl::ExtractFileDir(target));
  return CopyFileW(source.c_str(), target.c_str(), FALSE) != 0;
}

// --- More paths ----------------------------------------------------------------

bool TFile::DoesContainWildCards(const std::wstring& fileName) {
  return fileName.find_first_of(L"*?") != std::wstring::npos;
}

// A directory given with or without its trailing "\" is the same directory.
std::wstring TFile::GetRelativePath(const std::wstring& fileName, const std::wstring& directory) {
  if (directory.empty()) return fileName;
  if (Rtl::SameFileName(RemoveBackSlash(fileName), RemoveBackSlash(directory))) return {};
  return RemoveBackSlash(Rtl::ExtractRelativePath(AddBackSlash(directory), fileName));
}

std::wstring TFile::RemoveBackSlash(const std::wstring& dir) {
  if (!dir.empty() && dir.back() == Rtl::PathDelim) return dir.substr(0, dir.size() - 1);
  return dir;
}

std::wstring TFile::ExtractPathNameWithoutExt(const std::wstring& fileName) {
  return Rtl::ChangeFileExt(fileName, L"");
}

}  // namespace Qd
