#include "runtime/IO/Files.h"

#include <vector>

#include "runtime/System/Handles.h"

namespace Rtl {

namespace {

size_t LastDelimiter(std::wstring_view fileName) {
  const size_t p = fileName.find_last_of(L"\\:");
  return p;
}

}  // namespace

bool FileExists(const std::wstring& fileName) {
  if (fileName.empty()) return false;
  const DWORD attributes = GetFileAttributesW(fileName.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // A link: it counts when its target is a file.
    const TFileHandle target(CreateFileW(fileName.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!target) return false;
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(target.Get(), &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }
  return true;
}

bool DirectoryExists(const std::wstring& dir) {
  if (dir.empty()) return false;
  const DWORD attributes = GetFileAttributesW(dir.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // A directory link counts only when its target exists.
    const TFileHandle target(CreateFileW(dir.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!target) return false;
  }
  return true;
}

bool ForceDirectories(const std::wstring& dir) {
  if (dir.empty()) return false;
  std::wstring path = ExcludeTrailingPathDelimiter(dir);
  if (path.size() == 2 && path[1] == L':') return DirectoryExists(path + L"\\");
  if (DirectoryExists(path)) return true;
  const std::wstring parent = ExtractFileDir(path);
  if (!parent.empty() && parent != path && !DirectoryExists(parent)) {
    if (!ForceDirectories(parent)) return false;
  }
  return CreateDirectoryW(path.c_str(), nullptr) != 0 || DirectoryExists(path);
}

std::wstring ExtractFilePath(std::wstring_view fileName) {
  const size_t p = LastDelimiter(fileName);
  return p == std::wstring_view::npos ? std::wstring() : std::wstring(fileName.substr(0, p + 1));
}

std::wstring ExtractFileDir(std::wstring_view fileName) {
  size_t p = LastDelimiter(fileName);
  if (p == std::wstring_view::npos) return {};
  if (p > 0 && fileName[p] == PathDelim && fileName[p - 1] != PathDelim && fileName[p - 1] != DriveDelim)
    return std::wstring(fileName.substr(0, p));
  return std::wstring(fileName.substr(0, p + 1));
}

std::wstring ExtractFileName(std::wstring_view fileName) {
  const size_t p = LastDelimiter(fileName);
  return std::wstring(p == std::wstring_view::npos ? fileName : fileName.substr(p + 1));
}

std::wstring ExtractFileExt(std::wstring_view fileName) {
  const size_t p = fileName.find_last_of(L".\\:");
  if (p == std::wstring_view::npos || fileName[p] != L'.') return {};
  return std::wstring(fileName.substr(p));
}

std::wstring ChangeFileExt(std::wstring_view fileName, std::wstring_view extension) {
  size_t p = fileName.find_last_of(L".\\:");
  if (p == std::wstring_view::npos || fileName[p] != L'.') p = fileName.size();
  return std::wstring(fileName.substr(0, p)) + std::wstring(extension);
}

std::wstring ExtractFileDrive(std::wstring_view fileName) {
  if (fileName.size() >= 2 && fileName[1] == DriveDelim) return std::wstring(fileName.substr(0, 2));
  if (fileName.size() >= 2 && fileName[0] == PathDelim && fileName[1] == PathDelim) {
    // "\\server\share": up to the delimiter after the share name.
    const size_t server = fileName.find(PathDelim, 2);
    if (server == std::wstring_view::npos) return std::wstring(fileName);
    const size_t share = fileName.find(PathDelim, server + 1);
    return std::wstring(fileName.substr(0, share));
  }
  return {};
}

namespace {

std::vector<std::wstring_view> SplitDirectories(std::wstring_view path) {
  std::vector<std::wstring_view> parts;
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find(PathDelim, start);
    if (end == std::wstring_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

std::wstring ExtractRelativePath(std::wstring_view baseName, std::wstring_view destName) {
  const std::wstring basePath = ExtractFilePath(baseName);
  const std::wstring destPath = ExtractFilePath(destName);
  const std::wstring baseDrive = ExtractFileDrive(basePath);
  const std::wstring destDrive = ExtractFileDrive(destPath);
  if (!SameFileName(baseDrive, destDrive)) return std::wstring(destName);

  const auto baseDirs = SplitDirectories(std::wstring_view(basePath).substr(baseDrive.size()));
  const auto destDirs = SplitDirectories(std::wstring_view(destPath).substr(destDrive.size()));
  size_t common = 0;
  while (common < baseDirs.size() && common < destDirs.size() && SameFileName(baseDirs[common], destDirs[common]))
    ++common;

  std::wstring result;
  for (size_t i = common; i < baseDirs.size(); ++i) result += L"..\\";
  for (size_t i = common; i < destDirs.size(); ++i) {
    result += destDirs[i];
    result += PathDelim;
  }
  return result + ExtractFileName(destName);
}

bool SameFileName(std::wstring_view name1, std::wstring_view name2) {
  if (name1.size() != name2.size()) return false;
  if (name1.empty()) return true;
  return CompareStringOrdinal(name1.data(), static_cast<int>(name1.size()), name2.data(),
                              static_cast<int>(name2.size()), TRUE) == CSTR_EQUAL;
}

std::wstring IncludeTrailingPathDelimiter(std::wstring_view path) {
  std::wstring result(path);
  if (result.empty() || result.back() != PathDelim) result.push_back(PathDelim);
  return result;
}

std::wstring ExcludeTrailingPathDelimiter(std::wstring_view path) {
  std::wstring result(path);
  if (!result.empty() && result.back() == PathDelim) result.pop_back();
  return result;
}

std::wstring ExpandFileName(const std::wstring& fileName) {
  if (fileName.empty()) return {};
  DWORD size = GetFullPathNameW(fileName.c_str(), 0, nullptr, nullptr);
  if (size == 0) return fileName;
  std::vector<wchar_t> buffer(size + 1);
  const DWORD length = GetFullPathNameW(fileName.c_str(), size + 1, buffer.data(), nullptr);
  if (length == 0 || length > size) return fileName;
  return std::wstring(buffer.data(), length);
}

std::wstring GetModuleFileName(HINST module) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(reinterpret_cast<HMODULE>(module), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

HINST MainInstance() { return reinterpret_cast<HINST>(GetModuleHandleW(nullptr)); }

std::wstring GetEnvironmentVariable(const std::wstring& name) {
  const DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::vector<wchar_t> buffer(size);
  const DWORD length = GetEnvironmentVariableW(name.c_str(), buffer.data(), size);
  if (length == 0 || length >= size) return {};
  return std::wstring(buffer.data(), length);
}

}  // namespace Rtl
