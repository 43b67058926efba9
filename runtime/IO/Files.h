// File-name and file-system functions of the runtime (Windows paths: the
// path delimiter is "\", the drive delimiter ":").
#pragma once

#include <string>
#include <string_view>

#include "runtime/Core/Types.h"

namespace Rtl {

inline constexpr wchar_t PathDelim = L'\\';
inline constexpr wchar_t DriveDelim = L':';

// A file that is not a directory exists at `fileName` (links followed).
bool FileExists(const std::wstring& fileName);
// A directory exists at `dir` (links followed).
bool DirectoryExists(const std::wstring& dir);
// Creates `dir` and every missing directory above it; true when it exists.
bool ForceDirectories(const std::wstring& dir);

// The text up to and including the last "\" or ":" ("" when there is none).
std::wstring ExtractFilePath(std::wstring_view fileName);
// ExtractFilePath without a trailing "\" (a drive root keeps it: "C:\").
std::wstring ExtractFileDir(std::wstring_view fileName);
// The text after the last "\" or ":".
std::wstring ExtractFileName(std::wstring_view fileName);
// The extension with its period, of the last path component ("" for none).
std::wstring ExtractFileExt(std::wstring_view fileName);
std::wstring ChangeFileExt(std::wstring_view fileName, std::wstring_view extension);
std::wstring IncludeTrailingPathDelimiter(std::wstring_view path);
std::wstring ExcludeTrailingPathDelimiter(std::wstring_view path);
// The drive of a path: "C:" of "C:\dir", "\\server\share" of a UNC path,
// "" when there is none.
std::wstring ExtractFileDrive(std::wstring_view fileName);
// `destName` relative to the directory part of `baseName` (up to its last
// "\"), with "..\" for each level above it; `destName` unchanged when the
// two lie on different drives or shares. Directories compare ignoring case.
std::wstring ExtractRelativePath(std::wstring_view baseName, std::wstring_view destName);
// Two file names are the same, letter case aside (the system's ordinal case
// mapping, as the file system compares names).
bool SameFileName(std::wstring_view name1, std::wstring_view name2);
// The absolute form of `fileName` against the current directory.
std::wstring ExpandFileName(const std::wstring& fileName);

// The full path of a loaded module (0: the program's executable).
std::wstring GetModuleFileName(HINST module = 0);
// The instance handle of the program's executable module.
HINST MainInstance();

// The value of an environment variable, "" when it isn't set.
std::wstring GetEnvironmentVariable(const std::wstring& name);

}  // namespace Rtl
