#include "PathGuard.h"

#include <algorithm>

#include "runtime/IO/Files.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"

namespace Korvasweep {

using namespace Qd;

namespace {

// --- Path forms ----------------------------------------------------------------


// The length of the root of a fully qualified path: 3 for "C:\", up to the
// share name for "\\server\share"; 0 for a path that isn't fully qualified
// (relative, drive-relative "C:x" or rooted on the current drive "\x").
size_t RootLength(const std::wstring& path) {
  if (path.size() >= 3 && Rtl::IsAsciiLetter(path[0]) && path[1] == L':' && path[2] == L'\\') return 3;
  if (path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\\') {
    const size_t server = path.find(L'\\', 2);
    if (server == std::wstring::npos) return path.size();
    const size_t share = path.find(L'\\', server + 1);
    return share == std::wstring::npos ? path.size() : share;
  }
  return 0;
}

std::wstring WithoutDevicePrefix(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
  if (path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\") || path.starts_with(L"\\??\\"))
    return path.substr(4);
  return path;
}

bool IsRoot(const std::wstring& form) { return form.size() <= RootLength(form); }

// The comparison form of the path that the system really opens at `path`
// (links on the way followed), or "" when nothing can be opened there.
std::wstring FinalForm(const std::wstring& path) { return ComparisonForm(TFile::GetFinalPath(path)); }

// The folders above a comparison form, nearest first, down to its root.
std::vector<std::wstring> Parents(const std::wstring& form) {
  std::vector<std::wstring> parents;
  const size_t root = RootLength(form);
  std::wstring parent = form;
  while (root != 0 && parent.size() > root) {
    const size_t end = parent.rfind(L'\\');
    if (end == std::wstring::npos || end + 1 < root) break;
    // "C:\" keeps its backslash; "\\server\share" has none of its own.
    parent.resize(std::max(end, root));
    parents.push_back(parent);
  }
  return parents;
}

void AddOnce(std::vector<std::wstring>& paths, const std::wstring& path) {
  const auto same = [&path](const std::wstring& other) { return Rtl::SameFileName(other, path); };
  if (std::find_if(paths.begin(), paths.end(), same) == paths.end()) paths.push_back(path);
}

// The long form of an existing path, without a trailing backslash (a root
// keeps its own); "" when nothing is there.
std::wstring LongPathName(const std::wstring& path) {
  std::vector<wchar_t> buffer(path.size() + 1);
  for (;;) {
    const DWORD length = GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      std::wstring result(buffer.data(), length);
      while (result.size() > RootLength(result) && result.back() == L'\\') result.pop_back();
      return result;
    }
    buffer.resize(length + 1);
  }
}

// Something is at `path`: the system reads its attributes or opens it.
bool IsThere(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const Rtl::TFileHandle handle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return static_cast<bool>(handle);
}

}  // namespace

bool IsFullPath(const std::wstring& path) {
  return path.find(L'\0') == std::wstring::npos && RootLength(WithoutDevicePrefix(path)) != 0;
}

std::wstring ComparisonForm(const std::wstring& value) {
  std::wstring path = WithoutDevicePrefix(value);
  if (RootLength(path) == 0 || path.find(L'\0') != std::wstring::npos) return {};
  path = Rtl::ExpandFileName(path);
  while (path.size() > RootLength(path) && path.back() == L'\\') path.pop_back();
  // Short names are expanded as far as the path exists; the missing rest is
  // kept as written.
  std::wstring existing = path;
  std::wstring missing;
  while (existing.size() > RootLength(existing) && GetFileAttributesW(existing.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const size_t end = existing.rfind(L'\\');
    missing = existing.substr(end) + missing;
    existing.resize(std::max(end, RootLength(existing)));
  }
  if (existing.size() <= RootLength(existing)) return path;
  const std::wstring longName = LongPathName(existing);
  return longName.empty() ? path : longName + missing;
}

bool IsInside(const std::wstring& inner, const std::wstring& outer) {
  if (outer.empty() || inner.size() <= outer.size()) return false;
  if (outer.back() != L'\\' && inner[outer.size()] != L'\\') return false;
  return Rtl::SameFileName(std::wstring_view(inner).substr(0, outer.size()), outer);
}

std::optional<TFileIdentity> FileIdentity(const std::wstring& path) {
  if (path.empty() || path.find(L'\0') != std::wstring::npos) return std::nullopt;
  // No access asked for: only the identity is read, and an open for no access
  // is granted also where another process holds the file without sharing it.
  // Backup semantics open a directory as well.
  const Rtl::TFileHandle handle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle.Get(), &information)) return std::nullopt;
  return TFileIdentity{information.dwVolumeSerialNumber,
                       (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

TShellFolders ReadShellFolders() {
  TShellFolders folders;
  for (int i = 0; i < FOLDER_TYPE_COUNT_C; ++i) folders[i] = TShell::GetFolder(static_cast<TFolderType>(i));
  return folders;
}

// --- The guard -------------------------------------------------------------------

TPathGuard::TPathGuard(const TShellFolders& folders) : FUnixDrives(ReadUnixDrives()) {
  for (int i = 0; i < FOLDER_TYPE_COUNT_C; ++i) AddFolder(folders[i], i == ftWindows);
}

TPathGuard::TPathGuard(const std::vector<std::wstring>& folders, const std::vector<std::wstring>& sealed)
    : FUnixDrives(ReadUnixDrives()) {
  for (const std::wstring& folder : folders) AddFolder(folder, false);
  for (const std::wstring& folder : sealed) AddFolder(folder, true);
}

// Wine shows the unix file system through drive Z: (and any drive mapped to
// a unix directory), where the prefix that holds drive C lies: a folder is
// then also named "<drive>:\<its unix path below that drive's root>".
std::vector<TPathGuard::TUnixDrive> TPathGuard::ReadUnixDrives() {
  std::vector<TUnixDrive> drives;
  if (!TQdSystem::IsWine()) return drives;
  const DWORD letters = GetLogicalDrives();
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    if ((letters & (1u << (letter - L'A'))) == 0) continue;
    const std::wstring root = std::wstring(1, letter) + L":\\";
    std::wstring unixRoot = TQdSystem::GetUnixFileName(root);
    if (unixRoot.empty()) continue;
    if (unixRoot.back() != L'/') unixRoot.push_back(L'/');
    drives.push_back({root, unixRoot});
  }
  return drives;
}

// Every name by which the guard knows a folder, as comparison forms: as
// written, as opened and through the unix drives.
std::vector<std::wstring> TPathGuard::AllForms(const std::wstring& folder) const {
  std::vector<std::wstring> forms = {ComparisonForm(folder), FinalForm(folder)};
  const std::wstring unixPath = FUnixDrives.empty() ? std::wstring() : TQdSystem::GetUnixFileName(folder);
  for (const TUnixDrive& drive : FUnixDrives) {
    if (unixPath.empty() || !unixPath.starts_with(drive.UnixRoot)) continue;
    std::wstring form = drive.Root + unixPath.substr(drive.UnixRoot.size());
    std::replace(form.begin(), form.end(), L'/', L'\\');
    forms.push_back(ComparisonForm(form));
  }
  std::erase_if(forms, [](const std::wstring& form) { return form.empty(); });
  return forms;
}

void TPathGuard::AddFolder(const std::wstring& folder, bool sealed) {
  if (folder.empty()) return;
  AddOnce(FKeptPaths, folder);
  if (sealed) AddOnce(FSealedPaths, folder);
  for (const std::wstring& form : AllForms(folder)) {
    FFolders.push_back(form);
    if (sealed) FSealed.push_back(form);
    // What holds the folder by any of its names.
    for (const std::wstring& parent : Parents(form)) AddOnce(FKeptPaths, parent);
  }
}

const TPathGuard::TKnownFolders& TPathGuard::Known() const {
  if (!FKnown) {
    TKnownFolders known;
    // A folder that isn't there can't be reached by another name.
    for (const std::wstring& path : FKeptPaths)
      if (const std::optional<TFileIdentity> identity = FileIdentity(path)) known.Kept.push_back({path, identity->Index});
    for (const std::wstring& path : FSealedPaths)
      if (const std::optional<TFileIdentity> identity = FileIdentity(path))
        known.Sealed.push_back({path, identity->Index});
    FKnown = std::move(known);
  }
  return *FKnown;
}

bool TPathGuard::IsKnown(const std::vector<TKnownFolder>& folders, const TFileIdentity& identity) {
  for (const TKnownFolder& folder : folders)
    if (folder.Index == identity.Index && FileIdentity(folder.Path) == identity) return true;
  return false;
}

bool TPathGuard::IsProtectedForm(const std::wstring& form) const {
  if (IsRoot(form)) return true;
  for (const std::wstring& folder : FFolders)
    if (Rtl::SameFileName(form, folder) || IsInside(folder, form)) return true;
  for (const std::wstring& sealed : FSealed)
    if (IsInside(form, sealed)) return true;
  return false;
}

// The names of `path` (`written` is its comparison form) matched no protected
// folder; what the system opens there, and above it, may still be one.
bool TPathGuard::IsProtectedIdentity(const std::wstring& path, const std::wstring& written) const {
  const std::optional<TFileIdentity> identity = FileIdentity(path);
  if (!identity) return IsThere(path);
  if (IsKnown(Known().Kept, *identity)) return true;
  for (const std::wstring& parent : Parents(written)) {
    const std::optional<TFileIdentity> parentIdentity = FileIdentity(parent);
    if (!parentIdentity || IsKnown(Known().Sealed, *parentIdentity)) return true;
  }
  return false;
}

bool TPathGuard::IsProtected(const std::wstring& path) const {
  const std::wstring written = ComparisonForm(path);
  if (written.empty()) return true;
  for (const std::wstring& form : {written, FinalForm(path)})
    if (!form.empty() && IsProtectedForm(form)) return true;
  return IsProtectedIdentity(path, written);
}

bool TPathGuard::MustKeep(const std::wstring& path, const std::wstring& within) const {
  if (!within.empty() && !IsInside(ComparisonForm(path), ComparisonForm(within))) return true;
  if (IsProtected(path)) return true;
  // Not a link whose removal would remove what it leads to.
  return !TFile::IsDeletableEntry(path);
}

}  // namespace Korvasweep
