// TFile: file, directory and path helpers.
#pragma once

#include <cstdint>
#include <string>

namespace Qd {

// The character capacity of the library's path buffers.
inline constexpr int QD_MAX_PATH = 520;

enum TDriveType : std::uint8_t { dtFixed = 0, dtRemovable, dtCdRom, dtNetwork };

class TFile {
public:
  TFile() = delete;

  // --- Removal ---------------------------------------------------------------

  // Clears a read-only attribute, then deletes the file; a link to a
  // directory is removed as a link. True when the deletion succeeded.
  static bool DeleteFile(const std::wstring& fileName);
  // True when the file is not read-only afterwards (also when it is missing).
  static bool RemoveReadOnlyAttribute(const std::wstring& fileName);
  // A file exists at `fileName` and has the read-only attribute.
  static bool IsFileReadOnly(const std::wstring& fileName);
  // Removes everything inside `dir` and, with `removeRoot`, `dir` itself.
  // A directory link (junction or symbolic link) is removed as a link and
  // never entered, so nothing outside the tree is touched. Failures are
  // silent; an empty `dir` raises "TFile.RemoveDir dir cannot be empty".
  static void RemoveDir(const std::wstring& dir, bool removeRoot);

  // --- Paths -----------------------------------------------------------------

  // `dir` with one trailing "\" added when it lacks one ("" stays "").
  static std::wstring AddBackSlash(const std::wstring& dir);
  // The extension with a leading period ("lnk" gives ".lnk").
  static std::wstring GetPeriodExt(const std::wstring& ext);
  // `fileName` made absolute against `directory` (the current directory
  // when empty); see the rules in File.cpp.
  static std::wstring GetFullPath(const std::wstring& fileName, const std::wstring& directory = L"",
                                  bool processEmptyFileName = false);
  // The process's current directory.
  static std::wstring GetDir();
  // True when `fileName` is a relative path.
  static bool IsSubPath(const std::wstring& fileName);
  // `path` normalised by the system; unchanged when that fails or the full
  // form wouldn't fit QD_MAX_PATH characters.
  static std::wstring SimplifyPath(const std::wstring& path);
  // The type of the drive of `dir` (its first two characters).
  static TDriveType GetDriveType(const std::wstring& dir);
};

}  // namespace Qd
