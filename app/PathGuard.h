// Unit PathGuard: what the cleaning engine never removes, whatever a
// product's registry values say. A drive root, the Windows folder with
// everything inside it, every shell folder and every folder that holds a
// shell folder are protected.
//
// A folder has many names: "\\?\C:\x", "C:\X\", "C:\y\..\x", short 8.3
// names, links, other drive letters for the same folder, an administrative
// share, and under Wine the unix file system seen through drive Z:. Paths
// are therefore compared in a comparison form (below), also as the system
// opens them (links followed) and under Wine through every drive mapped to
// a unix directory; and where the names still differ, by the identity of
// what the system opens (the volume's serial number and the file index).
// A path that exists but whose identity, or the identity of a folder above
// it, can't be read is protected.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "QdClasses.h"

namespace Korvasweep {

// --- Path forms --------------------------------------------------------------

// A path that names the same thing whatever the current directory is: fully
// qualified ("C:\...", "\\server\share...", also behind a device prefix
// "\\?\", "\\.\" or "\??\") and without a zero character (the system reads
// a path only up to it).
bool IsFullPath(const std::wstring& path);

// The comparison form of a full path: the device prefixes dropped, "/" read
// as "\", "." and ".." segments, doubled backslashes and trailing dots and
// blanks resolved as the system resolves them, short names of existing
// folders expanded, no trailing backslash (a root keeps its own). "" for a
// path that isn't full. Forms are compared without regard to case.
std::wstring ComparisonForm(const std::wstring& path);

// `inner` lies strictly inside `outer` (both comparison forms): `outer`
// followed by a backslash begins `inner`, so "C:\a b" is not inside "C:\a".
bool IsInside(const std::wstring& inner, const std::wstring& outer);

// What a file or folder is, whatever it is called: the serial number of its
// volume and its file index.
struct TFileIdentity {
  std::uint32_t Volume = 0;
  std::uint64_t Index = 0;
  bool operator==(const TFileIdentity&) const = default;
};

// The identity of what the system opens at `path` (links followed); none
// when nothing can be opened there or the system gives no identity.
std::optional<TFileIdentity> FileIdentity(const std::wstring& path);

// --- The guard ---------------------------------------------------------------

// The shell folders by TFolderType, as TShell::GetFolder resolves them ("" for
// one that can't be resolved).
using TShellFolders = std::array<std::wstring, Qd::FOLDER_TYPE_COUNT_C>;
TShellFolders ReadShellFolders();

class TPathGuard {
public:
  // The policy of the engine: the shell folders and what holds them are
  // protected, the Windows folder also with everything inside it.
  explicit TPathGuard(const TShellFolders& folders);
  // The same policy over other folders: each of `folders` and `sealed` is
  // protected with every folder that holds it, each of `sealed` also with
  // everything inside it. Drive roots are always protected; "" is skipped.
  TPathGuard(const std::vector<std::wstring>& folders, const std::vector<std::wstring>& sealed);

  // `path` must never be removed: it isn't a full path, is a root, is or
  // holds a protected folder or lies inside a sealed one, by any of its
  // names or by its identity; or it exists and its identity (or that of a
  // folder above it) can't be read. Where nothing is, only names count.
  bool IsProtected(const std::wstring& path) const;

  // The existing item at `path` must be kept: it is protected, it doesn't
  // lie inside `within` (when given: the folder the item's path was built
  // on), or it is a link whose deletion would remove what it leads to.
  bool MustKeep(const std::wstring& path, const std::wstring& within = {}) const;

private:
  // A folder known by identity: its path and its file index. The whole
  // identity is read again when a path with the same index is checked, as
  // the serial number of a volume may change while drives come and go
  // (Wine numbers volumes after the drives that hold them).
  struct TKnownFolder {
    std::wstring Path;
    std::uint64_t Index;
  };
  struct TKnownFolders {
    std::vector<TKnownFolder> Kept;    // the protected folders and every folder above them
    std::vector<TKnownFolder> Sealed;  // the sealed folders
  };

  // A drive that shows a unix directory under Wine, and that directory
  // ("/" at its end).
  struct TUnixDrive {
    std::wstring Root;
    std::wstring UnixRoot;
  };

  static std::vector<TUnixDrive> ReadUnixDrives();  // none on Windows
  std::vector<std::wstring> AllForms(const std::wstring& folder) const;
  void AddFolder(const std::wstring& folder, bool sealed);
  bool IsProtectedForm(const std::wstring& form) const;
  bool IsProtectedIdentity(const std::wstring& path, const std::wstring& written) const;
  // Read on the first check that compares identities; most never do.
  const TKnownFolders& Known() const;
  static bool IsKnown(const std::vector<TKnownFolder>& folders, const TFileIdentity& identity);

  std::vector<TUnixDrive> FUnixDrives;     // as the guard was made
  std::vector<std::wstring> FFolders;      // comparison forms: as written, as opened, through unix drives
  std::vector<std::wstring> FSealed;       // the same for the sealed folders
  std::vector<std::wstring> FKeptPaths;    // the paths of Known().Kept, each once
  std::vector<std::wstring> FSealedPaths;  // the paths of Known().Sealed
  mutable std::optional<TKnownFolders> FKnown;
};

}  // namespace Korvasweep
