// TFile: file, directory and path helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "runtime/Core/DateTime.h"
#include "runtime/Core/Types.h"

namespace Rtl {
class TStream;
}

namespace Qd {

// The character capacity of the library's path buffers.
inline constexpr int QD_MAX_PATH = 520;

enum TDriveType : std::uint8_t { dtFixed = 0, dtRemovable, dtCdRom, dtNetwork };

class TFile {
public:
  TFile() = delete;

  // --- Removal ---------------------------------------------------------------

  // Clears a read-only attribute, then deletes the file; a link to a
  // directory is removed as a link, an entry that isn't deletable (see
  // IsDeletableEntry) is left. True when the deletion succeeded.
  static bool DeleteFile(const std::wstring& fileName);
  // True when the file is not read-only afterwards (also when it is missing).
  static bool RemoveReadOnlyAttribute(const std::wstring& fileName);
  // A file exists at `fileName` and has the read-only attribute.
  static bool IsFileReadOnly(const std::wstring& fileName);
  // Removes everything inside `dir` and, with `removeRoot`, `dir` itself.
  // A link (junction or symbolic link) is removed as a link and never
  // entered, so nothing outside the tree is touched; a link that can't be
  // removed without what it leads to is left. Failures are silent; an empty
  // `dir` raises "TFile.RemoveDir dir cannot be empty".
  static void RemoveDir(const std::wstring& dir, bool removeRoot);
  // A deletion at `path` would remove the entry there itself: false when
  // nothing is there, and for a link whose deletion would remove what it
  // leads to (Wine deletes through its unix symbolic links, also when the
  // link itself is opened).
  static bool IsDeletableEntry(const std::wstring& path);
  // The full path of what the system opens at `path`, links on the way and
  // at its end followed, in the "\\?\" form; "" when nothing can be opened.
  static std::wstring GetFinalPath(const std::wstring& path);

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

  // --- Directories, temporary names and copies ---------------------------------

  // Creates `dir` with every missing level above it ("" does nothing);
  // failures aren't reported.
  static void CreateDir(const std::wstring& dir);
  // Leaves `dir` as an empty directory (RemoveDir, then CreateDir).
  static void ClearDir(const std::wstring& dir);
  // The system's temporary directory with a trailing "\" ("" when it can't
  // be had). With `subDir`: that directory below it, followed by a new
  // identifier when `addGuid` is set, emptied or created, with a trailing
  // "\". A `subDir` that would lead out of the temporary directory (an
  // absolute path or a ".." level) or name it itself (".", "...")
  // raises EArgumentException.
  static std::wstring GetTempDir(const std::wstring& subDir = L"", bool addGuid = false);
  // A new unique name in `dir` (the temporary directory when ""): without
  // `ext` the system creates the empty file; with `ext` the name gets that
  // extension and no file is left. "" when no name can be made (a missing
  // or full directory).
  static std::wstring GetTempFileName(const std::wstring& prefix, const std::wstring& ext = L"",
                                      const std::wstring& dir = L"");
  // Copies `source` over `target`, first creating the target's directory
  // when `forceDirectories` is set. True when the copy succeeded.
  static bool CopyFile(const std::wstring& source, const std::wstring& target, bool forceDirectories = false);

  // --- More paths ----------------------------------------------------------------

  // `fileName` contains "*" or "?".
  static bool DoesContainWildCards(const std::wstring& fileName);
  // `fileName` relative to the directory `directory` (with "..\" where it
  // lies outside), without a trailing "\"; "" for the directory itself,
  // `fileName` when `directory` is "" or on another drive or share.
  static std::wstring GetRelativePath(const std::wstring& fileName, const std::wstring& directory);
  // `dir` without one trailing "\".
  static std::wstring RemoveBackSlash(const std::wstring& dir);
  // `fileName` without the extension of its last component and its period.
  static std::wstring ExtractPathNameWithoutExt(const std::wstring& fileName);

  // --- Stamps, streams and bytes ---------------------------------------------------

  // The bytes of `stamp` stand in `stream` `start` bytes after its position
  // (an empty stamp always does; a stream that ends too early never does).
  // The position is kept.
  static bool CheckStamp(Rtl::TStream& stream, const Rtl::TBytes& stamp, int start = 0);
  static bool CheckStamp(Rtl::TStream& stream, const Rtl::RawByteString& stamp, int start = 0);
  static Rtl::RawByteString BytesToBinaryString(const Rtl::TBytes& value);
  // The whole stream from its start (none: empty); the position is kept.
  // Streams of 2 GB and more raise EStreamError.
  static Rtl::TBytes StreamToBytes(Rtl::TStream* value);
  static Rtl::RawByteString StreamToBinaryString(Rtl::TStream* value);
  // The whole stream decoded as UTF-8; a byte-order mark stays as U+FEFF.
  static std::wstring StreamToString(Rtl::TStream* value);

  // --- Whole files, size and age -------------------------------------------------

  // The size in bytes; -1 when it can't be read. "File does not exists"
  // when there is no file.
  static std::int64_t GetFileSize(const std::wstring& fileName);
  // The last-write time as UTC, to the whole second; 0 when there is no file
  // or its time can't be read.
  static Rtl::TDateTime GetFileAge(const std::wstring& fileName);
  // Same size and the same age (both files must exist).
  static bool SameFileSizeAndAge(const std::wstring& fileName1, const std::wstring& fileName2);
  // The file's bytes ("File does not exists" when missing).
  static Rtl::TBytes FileToBytes(const std::wstring& fileName);
  // Writes `data` as the whole file, creating its directory. The data goes
  // to a new file beside the target that then replaces it: when anything
  // fails the old file is kept and EFCreateError or EWriteError is raised.
  // A target that is a link or has other names (hard links) is truncated
  // and written where it is, so that all its names keep showing one file.
  static void BytesToFile(const Rtl::TBytes& data, const std::wstring& fileName);
  // The file is a link or has other names (hard links): a new file put in
  // its place would leave those names with the old data.
  static bool HasOtherNames(const std::wstring& fileName);
};

// The new content of a file, written beside it and put in its place only
// when complete: the bytes go to a new file "~qd<guid>.tmp" in the target's
// directory (which must exist), and Commit flushes it to disk, closes it and
// renames it over the target. The target keeps its old content until then;
// the new file is removed when a write, the flush or the rename fails, and
// when the object goes without Commit. An old content of 1 MB or more is
// given a second name "~qd<guid>.old" before the rename (where it may be
// deleted), which the unit's thread removes just after it, so that freeing
// its blocks is not the rename's work: that name is seen beside the target
// for a moment after Commit. EFCreateError when the new file can't be made
// or can't take the target's place, EWriteError when a write fails.
class TFileReplacement {
public:
  explicit TFileReplacement(const std::wstring& fileName);
  ~TFileReplacement();
  TFileReplacement(const TFileReplacement&) = delete;
  TFileReplacement& operator=(const TFileReplacement&) = delete;

  // Appends to the new file. After a failure the new file is gone and every
  // later call raises.
  void Write(const void* data, std::size_t size);
  // Flushes, closes and renames the new file over the target; once.
  void Commit();

private:
  struct TState;
  std::unique_ptr<TState> FState;
};

}  // namespace Qd
