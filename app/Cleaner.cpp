#include "Cleaner.h"

#include <algorithm>
#include <array>
#include <vector>

#include "QdString.h"
#include "QdUninstallFile.h"
#include "runtime/IO/Files.h"
#include "runtime/Text/Utf8.h"
#include "runtime/System/Win32.h"

namespace Korvasweep {

using namespace Qd;

namespace {

// The maker's registry key below HKEY_LOCAL_MACHINE and its folder name.
constexpr const wchar_t* MAKER_KEY_C = L"\\Software\\Korvanta";
constexpr const wchar_t* MAKER_FOLDER_C = L"Korvanta";

// Only A-Z are mapped to a-z; every other character stays as it is.
std::wstring AsciiLowerCase(std::wstring value) {
  for (wchar_t& c : value)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + (L'a' - L'A'));
  return value;
}

// --- Path comparison ---------------------------------------------------------
//
// Paths are compared in a comparison form: the device prefixes "\\?\",
// "\\.\" and "\??\" dropped, "/" read as "\", "." and ".." segments, doubled
// backslashes and trailing dots and blanks resolved as the system resolves
// them, short names expanded, no trailing backslash (a root keeps its own),
// compared without regard to case.

bool IsAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// The length of the root of a fully qualified path: 3 for "C:\", up to the
// share name for "\\server\share"; 0 for a path that isn't fully qualified
// (relative, drive-relative "C:x" or rooted on the current drive "\x").
size_t RootLength(const std::wstring& path) {
  if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == L':' && path[2] == L'\\') return 3;
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

// A path that names the same thing whatever the current directory is. The
// system reads a path only up to a zero character, so a text with one inside
// names no path at all.
bool IsFullPath(const std::wstring& path) {
  return path.find(L'\0') == std::wstring::npos && RootLength(WithoutDevicePrefix(path)) != 0;
}

// The comparison form of `path`, or "" when it isn't a full path.
std::wstring ComparisonForm(const std::wstring& value) {
  std::wstring path = WithoutDevicePrefix(value);
  if (RootLength(path) == 0) return {};
  path = Rtl::ExpandFileName(path);
  std::vector<wchar_t> buffer(path.size() + 1);
  for (;;) {
    const DWORD length = GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) break;  // missing: keep the name as written
    if (length < buffer.size()) {
      path.assign(buffer.data(), length);
      break;
    }
    buffer.resize(length + 1);
  }
  while (path.size() > RootLength(path) && path.back() == L'\\') path.pop_back();
  return path;
}

// The comparison form of the path that the system really opens at `path`
// (links on the way followed), or "" when nothing can be opened there.
std::wstring FinalForm(const std::wstring& path) { return ComparisonForm(TFile::GetFinalPath(path)); }

// Wine shows the unix file system through drive Z: (and any drive mapped to
// a unix directory), where the prefix that holds drive C lies: a folder is
// then also named "<drive>:\<its unix path below that drive's root>".
// Those other names, as comparison forms; none on Windows.
std::vector<std::wstring> UnixDriveForms(const std::wstring& path) {
  using TUnixFileName = char*(CDECL*)(LPCWSTR);
  static const auto unixFileName = reinterpret_cast<TUnixFileName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  std::vector<std::wstring> forms;
  if (unixFileName == nullptr || path.empty()) return forms;
  auto unixName = [](const std::wstring& name) {
    char* text = unixFileName(name.c_str());
    if (text == nullptr) return std::wstring();
    std::wstring result = Rtl::Utf8Decode(text);
    HeapFree(GetProcessHeap(), 0, text);
    return result;
  };
  const std::wstring unixPath = unixName(path);
  if (unixPath.empty()) return forms;
  const DWORD drives = GetLogicalDrives();
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    if ((drives & (1u << (letter - L'A'))) == 0) continue;
    const std::wstring root = std::wstring(1, letter) + L":\\";
    std::wstring unixRoot = unixName(root);
    if (unixRoot.empty()) continue;
    if (unixRoot.back() != L'/') unixRoot.push_back(L'/');
    if (!unixPath.starts_with(unixRoot)) continue;
    std::wstring form = root + unixPath.substr(unixRoot.size());
    std::replace(form.begin(), form.end(), L'/', L'\\');
    forms.push_back(ComparisonForm(form));
  }
  return forms;
}

bool IsRoot(const std::wstring& form) { return form.size() <= RootLength(form); }

// `inner` lies strictly inside `outer` (both comparison forms).
bool IsInside(const std::wstring& inner, const std::wstring& outer) {
  if (outer.empty() || inner.size() <= outer.size()) return false;
  if (outer.back() != L'\\' && inner[outer.size()] != L'\\') return false;
  return Rtl::SameFileName(std::wstring_view(inner).substr(0, outer.size()), outer);
}

}  // namespace

// --- What is never removed ---------------------------------------------------

// Whatever a product's values say, the engine never removes a drive root, a
// shell folder, a folder that holds a shell folder or anything inside the
// Windows folder; an item built on a shell folder must lie inside it.
class TCleaner::TGuard {
public:
  TGuard() {
    for (int i = 0; i < FOLDER_TYPE_COUNT_C; ++i) {
      const auto folder = static_cast<TFolderType>(i);
      FFolders[i] = TShell::GetFolder(folder);
      std::vector<std::wstring> forms = UnixDriveForms(FFolders[i]);
      forms.push_back(ComparisonForm(FFolders[i]));
      forms.push_back(FinalForm(FFolders[i]));
      for (const std::wstring& form : forms) {
        if (form.empty()) continue;
        FShellFolders.push_back(form);
        if (folder == ftWindows) FWindows.push_back(form);
      }
    }
  }

  // The shell folder's path as resolved ("" when it can't be resolved).
  const std::wstring& Folder(TFolderType folder) const { return FFolders[folder]; }

  // True when the existing item at `path` must be kept.
  bool MustKeep(const std::wstring& path, const std::wstring& within) const {
    const std::wstring written = ComparisonForm(path);
    if (written.empty()) return true;
    if (!within.empty() && !IsInside(written, ComparisonForm(within))) return true;
    for (const std::wstring& form : {written, FinalForm(path)})
      if (!form.empty() && IsProtected(form)) return true;
    // Not a link whose removal would remove what it leads to.
    return !TFile::IsDeletableEntry(path);
  }

private:
  bool IsProtected(const std::wstring& form) const {
    if (IsRoot(form)) return true;
    for (const std::wstring& folder : FShellFolders)
      if (Rtl::SameFileName(form, folder) || IsInside(folder, form)) return true;
    for (const std::wstring& windows : FWindows)
      if (IsInside(form, windows)) return true;
    return false;
  }

  std::array<std::wstring, FOLDER_TYPE_COUNT_C> FFolders;
  std::vector<std::wstring> FShellFolders;  // comparison forms: as written, as opened, from unix drives
  std::vector<std::wstring> FWindows;
};

// --- The three item kinds ----------------------------------------------------

struct TCleaner::TItemKind {
  bool (*Exists)(const std::wstring& path);
  void (*Remove)(const std::wstring& path);
  const wchar_t* RemoveLine;      // clean, with the kind's name as stored
  const wchar_t* KeepLine;        // clean, a protected item
  const wchar_t* FoundLine;       // scan, with the capitalised name
  const wchar_t* KeptLine;        // scan, a protected item
  const wchar_t* MissingLine;     // checked and missing
  const wchar_t* MissingKeyLine;  // checked and no value at all
};

namespace {

void RemoveDirectoryTree(const std::wstring& path) { TFile::RemoveDir(path, true); }
// A plain deletion: a read-only file stays.
void RemovePlainFile(const std::wstring& path) { DeleteFileW(path.c_str()); }
void RemoveFile(const std::wstring& path) { TFile::DeleteFile(path); }

}  // namespace

// --- The engine --------------------------------------------------------------

TCleaner::TCleaner() : FDirs(std::make_unique<Rtl::TStringList>()), FFiles(std::make_unique<Rtl::TStringList>()) {}

TCleaner::~TCleaner() {
  FFiles.reset();
  FDirs.reset();
}

void TCleaner::Add(const std::wstring& value) {
  if (FOnAction) FOnAction(*this, value);
}

void TCleaner::Add(const std::wstring& pattern, Rtl::TFormatArgs args) { Add(Rtl::Format(pattern, args)); }

void TCleaner::Clear() {
  FDirs->Clear();
  FFiles->Clear();
}

void TCleaner::Process(TCleanMode mode, TRegistryView view) {
  FMode = mode;
  const TGuard guard;
  {
    Rtl::TStringList keys;
    const std::unique_ptr<TRegistry> registry = TQdRegistry::AllocAll(HKEY_LOCAL_MACHINE, view);
    if (registry->OpenKey(MAKER_KEY_C)) {
      registry->GetKeyNames(keys);
      for (const std::wstring& key : keys) ProcessProduct(guard, *registry, view, key);
      if (FMode == cmClean) {
        Add(L"Deleting %s application key", {MAKER_KEY_C});
        registry->DeleteKey(MAKER_KEY_C);
      }
    }
  }
  // The maker's folder under the Program Files folder of this view; a folder
  // that can't be resolved names nothing.
  const std::wstring& programFiles = guard.Folder(view == rvRegistry64 ? ftProgramFiles64 : ftProgramFiles32);
  if (!programFiles.empty())
    DeleteDir(guard, dtApplication, programFiles + L"\\" + MAKER_FOLDER_C, false, programFiles);
  Add(L"");
}

void TCleaner::ProcessProduct(const TGuard& guard, TRegistry& registry, TRegistryView view, const std::wstring& key) {
  const std::wstring productKey = MAKER_KEY_C + (L"\\" + key);
  if (!registry.OpenKey(productKey)) return;
  Add(view == rvRegistry64 ? L"64-bit installation: %s" : L"32-bit installation: %s", {key});
  const std::wstring uninstallName = registry.ReadText(L"UninstallName");
  if (FMode == cmScan) Add(L"Korvanta key: HKEY_LOCAL_MACHINE\\%s", {productKey.substr(1)});
  if (!uninstallName.empty()) ProcessUninstallKey(view, uninstallName);

  DeleteDir(guard, dtApplication, registry.ReadText(L"InstallDir"), true);
  DeleteDir(guard, dtData, registry.ReadText(L"DataDir"), true);

  // The Start-menu group and the shortcuts are named after the product; an
  // empty name would name the shell folders themselves.
  if (!uninstallName.empty()) DeleteShortcuts(guard, uninstallName);
  Add(L"");
}

// A shell folder that can't be resolved names nothing: its items are skipped
// rather than taken relative to the current directory.
void TCleaner::DeleteShortcuts(const TGuard& guard, const std::wstring& uninstallName) {
  const std::wstring shortcut = uninstallName + TFile::GetPeriodExt(L"lnk");
  const std::wstring& programs = guard.Folder(ftPrograms);
  const std::wstring& desktop = guard.Folder(ftDesktop);
  const std::wstring& commonPrograms = guard.Folder(ftCommonPrograms);
  if (!programs.empty()) DeleteDir(guard, dtLink, TFile::AddBackSlash(programs) + uninstallName, false, programs);
  if (!desktop.empty()) DeleteFile(guard, ftDesktopIcon, TFile::AddBackSlash(desktop) + shortcut, false, desktop);
  if (!commonPrograms.empty())
    DeleteFolder(guard, ftCommonPrograms, TFile::AddBackSlash(commonPrograms) + shortcut, false, commonPrograms);
  if (!programs.empty()) DeleteFolder(guard, ftPrograms, TFile::AddBackSlash(programs) + shortcut, false, programs);
}

namespace {

// A name that opens a key below the uninstall list: no empty, "." or ".."
// segment (the system skips empty segments, so "\" alone would name the
// whole list), and no zero character (the system would read the name only
// up to it).
bool IsUninstallKeyName(const std::wstring& name) {
  if (name.find(L'\0') != std::wstring::npos) return false;
  size_t start = 0;
  for (;;) {
    const size_t end = std::min(name.find(L'\\', start), name.size());
    const std::wstring_view segment = std::wstring_view(name).substr(start, end - start);
    if (segment.empty() || segment == L"." || segment == L"..") return false;
    if (end == name.size()) return true;
    start = end + 1;
  }
}

}  // namespace

void TCleaner::ProcessUninstallKey(TRegistryView view, const std::wstring& uninstallName) {
  const std::wstring uninstallKey = std::wstring(APPLICATION_INSTALL_KEY_C) + L"\\" + uninstallName;
  if (!IsUninstallKeyName(uninstallName)) {
    Add(L"Uninstall key name is not valid, kept: %s", {uninstallKey});
    return;
  }
  const std::unique_ptr<TRegistry> uninstallRegistry = TQdRegistry::AllocAll(HKEY_LOCAL_MACHINE, view);
  if (!uninstallRegistry->OpenKey(uninstallKey)) {
    Add(L"Uninstall key does not exist: %s", {uninstallKey});
  } else if (FMode == cmClean) {
    Add(L"Deleting uninstall key: %s ", {uninstallKey});
    uninstallRegistry->DeleteKey(uninstallKey);
  } else {
    Add(L"Uninstall key: HKEY_LOCAL_MACHINE\\%s", {uninstallKey.substr(1)});
  }
}

// --- Item procedures ---------------------------------------------------------

void TCleaner::DeleteDir(const TGuard& guard, TDirType dirType, const std::wstring& value, bool checkExist,
                         const std::wstring& within) {
  static constexpr TItemKind kind = {
      &Rtl::DirectoryExists,
      &RemoveDirectoryTree,
      L"Remove %s dir: \"%s\"",
      L"Keep protected %s dir: \"%s\"",
      L"%s dir: \"%s\"",
      L"%s dir is protected and kept: \"%s\"",
      L"%s directory does not exist: \"%s\"",
      L"%s directory key does not exist",
  };
  DeleteItem(guard, kind, *FDirs, DIR_TYPES_C[dirType], value, checkExist, within);
}

void TCleaner::DeleteFile(const TGuard& guard, TFileType fileType, const std::wstring& value, bool checkExist,
                          const std::wstring& within) {
  static constexpr TItemKind kind = {
      &Rtl::FileExists,
      &RemovePlainFile,
      L"Remove %s file: \"%s\"",
      L"Keep protected %s file: \"%s\"",
      L"%s file: \"%s\"",
      L"%s file is protected and kept: \"%s\"",
      L"%s file does not exist: \"%s\" ",
      L"%s file key does not exist",
  };
  DeleteItem(guard, kind, *FFiles, FILE_TYPES_C[fileType], value, checkExist, within);
}

void TCleaner::DeleteFolder(const TGuard& guard, TFolderType folderType, const std::wstring& value, bool checkExist,
                            const std::wstring& within) {
  static constexpr TItemKind kind = {
      &Rtl::FileExists,
      &RemoveFile,
      L"Remove %s folder: \"%s\"",
      L"Keep protected %s folder: \"%s\"",
      L"%s folder: \"%s\"",
      L"%s folder is protected and kept: \"%s\"",
      L"%s folder does not exist: \"%s\"",
      L"%s folder key does not exist",
  };
  DeleteItem(guard, kind, *FFiles, FOLDER_TYPES_C[folderType], value, checkExist, within);
}

// Each path is handled once per pass: its lower-cased form is remembered,
// whether it existed or not. A path that isn't fully qualified names nothing
// here: it is never resolved against the current directory.
void TCleaner::DeleteItem(const TGuard& guard, const TItemKind& kind, Rtl::TStringList& list,
                          const std::wstring& kindName, const std::wstring& value, bool checkExist,
                          const std::wstring& within) {
  const std::wstring key = AsciiLowerCase(value);
  if (list.IndexOf(key) >= 0) return;
  const std::wstring capital = TUnicodeString::MakeCapital(kindName);
  if (IsFullPath(value) && kind.Exists(value)) {
    const bool keep = guard.MustKeep(value, within);
    if (FMode == cmClean) {
      Add(keep ? kind.KeepLine : kind.RemoveLine, {kindName, value});
      if (!keep) kind.Remove(value);
    } else {
      Add(keep ? kind.KeptLine : kind.FoundLine, {capital, value});
    }
  } else if (checkExist) {
    if (value.empty()) Add(kind.MissingKeyLine, {capital});
    else Add(kind.MissingLine, {capital, value});
  }
  list.Add(key);
}

}  // namespace Korvasweep
