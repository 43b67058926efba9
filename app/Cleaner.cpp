#include "Cleaner.h"

#include <algorithm>

#include "QdString.h"
#include "QdUninstallFile.h"
#include "PathGuard.h"
#include "runtime/IO/Files.h"
#include "runtime/Text/Ascii.h"
#include "runtime/System/Win32.h"

namespace Korvasweep {

using namespace Qd;

namespace {

// The maker's registry key below HKEY_LOCAL_MACHINE and its folder name.
constexpr const wchar_t* MAKER_KEY_C = L"\\Software\\Korvanta";
constexpr const wchar_t* MAKER_FOLDER_C = L"Korvanta";

}  // namespace

// What one Process call works with: the shell folders as resolved at its
// start, and the guard over them.
struct TCleaner::TPass {
  TShellFolders Folders = ReadShellFolders();
  TPathGuard Guard{Folders};
  // The shell folder's path as resolved ("" when it can't be resolved).
  const std::wstring& Folder(TFolderType folder) const { return Folders[folder]; }
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
  const TPass pass;
  {
    Rtl::TStringList keys;
    const std::unique_ptr<TRegistry> registry = TQdRegistry::AllocAll(HKEY_LOCAL_MACHINE, view);
    if (registry->OpenKey(MAKER_KEY_C)) {
      registry->GetKeyNames(keys);
      for (const std::wstring& key : keys) ProcessProduct(pass, *registry, view, key);
      if (FMode == cmClean) {
        Add(L"Deleting %s application key", {MAKER_KEY_C});
        registry->DeleteKey(MAKER_KEY_C);
      }
    }
  }
  // The maker's folder under the Program Files folder of this view; a folder
  // that can't be resolved names nothing.
  const std::wstring& programFiles = pass.Folder(view == rvRegistry64 ? ftProgramFiles64 : ftProgramFiles32);
  if (!programFiles.empty())
    DeleteDir(pass, dtApplication, programFiles + L"\\" + MAKER_FOLDER_C, false, programFiles);
  Add(L"");
}

void TCleaner::ProcessProduct(const TPass& pass, TRegistry& registry, TRegistryView view, const std::wstring& key) {
  const std::wstring productKey = MAKER_KEY_C + (L"\\" + key);
  if (!registry.OpenKey(productKey)) return;
  Add(view == rvRegistry64 ? L"64-bit installation: %s" : L"32-bit installation: %s", {key});
  const std::wstring uninstallName = registry.ReadText(L"UninstallName");
  if (FMode == cmScan) Add(L"Korvanta key: HKEY_LOCAL_MACHINE\\%s", {productKey.substr(1)});
  if (!uninstallName.empty()) ProcessUninstallKey(view, uninstallName);

  DeleteDir(pass, dtApplication, registry.ReadText(L"InstallDir"), true);
  DeleteDir(pass, dtData, registry.ReadText(L"DataDir"), true);

  // The Start-menu group and the shortcuts are named after the product; an
  // empty name would name the shell folders themselves.
  if (!uninstallName.empty()) DeleteShortcuts(pass, uninstallName);
  Add(L"");
}

// A shell folder that can't be resolved names nothing: its items are skipped
// rather than taken relative to the current directory.
void TCleaner::DeleteShortcuts(const TPass& pass, const std::wstring& uninstallName) {
  const std::wstring shortcut = uninstallName + TFile::GetPeriodExt(L"lnk");
  const std::wstring& programs = pass.Folder(ftPrograms);
  const std::wstring& desktop = pass.Folder(ftDesktop);
  const std::wstring& commonPrograms = pass.Folder(ftCommonPrograms);
  if (!programs.empty()) DeleteDir(pass, dtLink, TFile::AddBackSlash(programs) + uninstallName, false, programs);
  if (!desktop.empty()) DeleteFile(pass, ftDesktopIcon, TFile::AddBackSlash(desktop) + shortcut, false, desktop);
  if (!commonPrograms.empty())
    DeleteFolder(pass, ftCommonPrograms, TFile::AddBackSlash(commonPrograms) + shortcut, false, commonPrograms);
  if (!programs.empty()) DeleteFolder(pass, ftPrograms, TFile::AddBackSlash(programs) + shortcut, false, programs);
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

void TCleaner::DeleteDir(const TPass& pass, TDirType dirType, const std::wstring& value, bool checkExist,
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
  DeleteItem(pass, kind, *FDirs, DIR_TYPES_C[dirType], value, checkExist, within);
}

void TCleaner::DeleteFile(const TPass& pass, TFileType fileType, const std::wstring& value, bool checkExist,
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
  DeleteItem(pass, kind, *FFiles, FILE_TYPES_C[fileType], value, checkExist, within);
}

void TCleaner::DeleteFolder(const TPass& pass, TFolderType folderType, const std::wstring& value, bool checkExist,
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
  DeleteItem(pass, kind, *FFiles, FOLDER_TYPES_C[folderType], value, checkExist, within);
}

// Each path is handled once per pass: its lower-cased form is remembered,
// whether it existed or not. A path that isn't fully qualified names nothing
// here: it is never resolved against the current directory.
void TCleaner::DeleteItem(const TPass& pass, const TItemKind& kind, Rtl::TStringList& list,
                          const std::wstring& kindName, const std::wstring& value, bool checkExist,
                          const std::wstring& within) {
  const std::wstring key = Rtl::AsciiLowerCase(value);
  if (list.IndexOf(key) >= 0) return;
  const std::wstring capital = TUnicodeString::MakeCapital(kindName);
  if (IsFullPath(value) && kind.Exists(value)) {
    const bool keep = pass.Guard.MustKeep(value, within);
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
