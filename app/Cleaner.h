// Unit Cleaner: the cleaning engine. It finds the maker's products registered
// under HKEY_LOCAL_MACHINE\Software\Korvanta in one registry view and reports
// (scan) or removes (clean) what each installation left behind, one line of
// text per finding through its OnAction event.
#pragma once

#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "QdClasses.h"
#include "runtime/Text/Format.h"
#include "runtime/Core/Object.h"
#include "runtime/Text/StringList.h"

namespace Korvasweep {

enum TCleanMode : std::uint8_t {
  cmScan = 0,   // report what exists
  cmClean = 1,  // remove what exists
};

// The kinds of items, with their display names below.
enum TFileType : std::uint8_t { ftDesktopIcon = 0 };
enum TDirType : std::uint8_t { dtApplication = 0, dtData = 1, dtLink = 2 };

inline constexpr const wchar_t* FILE_TYPES_C[] = {L"desktop icon"};
inline constexpr const wchar_t* DIR_TYPES_C[] = {L"application", L"data", L"link"};
inline constexpr const wchar_t* FOLDER_TYPES_C[] = {
    L"Windows",         L"System",          L"Programs",   L"ProgramFiles",    L"ProgramFiles32",
    L"ProgramFiles64",  L"ProgramData",     L"Profile",    L"Documents",       L"PublicDocuments",
    L"Desktop",         L"StartMenu",       L"CommonStartMenu", L"CommonPrograms",
};
static_assert(std::size(FOLDER_TYPES_C) == Qd::FOLDER_TYPE_COUNT_C);

class TCleaner;

// Receives one output line; an empty line asks for a blank separator line.
using TCleanActionEvent = std::function<void(TCleaner& sender, const std::wstring& line)>;

class TCleaner : public Rtl::TObject {
public:
  TCleaner();
  ~TCleaner() override;
  TCleaner(const TCleaner&) = delete;
  TCleaner& operator=(const TCleaner&) = delete;

  TCleanMode GetMode() const { return FMode; }
  void SetMode(TCleanMode value) { FMode = value; }
  const TCleanActionEvent& GetOnAction() const { return FOnAction; }
  // An empty function unassigns the receiver.
  void SetOnAction(TCleanActionEvent value) { FOnAction = std::move(value); }

  // Hands `value` to the receiver, if any.
  void Add(const std::wstring& value);
  // Formats `pattern` (placeholders "%s") with `args` and hands it on.
  void Add(const std::wstring& pattern, Rtl::TFormatArgs args);

  // Forgets the paths handled so far; called once at the start of a pass,
  // never between the two views of one pass.
  void Clear();

  // One scan or clean of one registry view (rvRegistry64 or rvRegistry32).
  void Process(TCleanMode mode, Qd::TRegistryView view);

private:
  struct TPass;     // the shell folders and the path guard of one Process call
  struct TItemKind; // what differs between the three item procedures

  void ProcessProduct(const TPass& pass, Qd::TRegistry& registry, Qd::TRegistryView view, const std::wstring& key);
  void ProcessUninstallKey(Qd::TRegistryView view, const std::wstring& uninstallName);
  void DeleteShortcuts(const TPass& pass, const std::wstring& uninstallName);

  // The item procedures of Process. `within`, when given, is the shell folder
  // on which `value` was built: the item must lie inside it.
  void DeleteDir(const TPass& pass, TDirType dirType, const std::wstring& value, bool checkExist,
                 const std::wstring& within = {});
  void DeleteFile(const TPass& pass, TFileType fileType, const std::wstring& value, bool checkExist,
                  const std::wstring& within = {});
  void DeleteFolder(const TPass& pass, Qd::TFolderType folderType, const std::wstring& value, bool checkExist,
                    const std::wstring& within = {});
  void DeleteItem(const TPass& pass, const TItemKind& kind, Rtl::TStringList& list, const std::wstring& kindName,
                  const std::wstring& value, bool checkExist, const std::wstring& within);

  std::unique_ptr<Rtl::TStringList> FDirs;   // lower-cased directories handled in this pass
  std::unique_ptr<Rtl::TStringList> FFiles;  // lower-cased files handled in this pass
  TCleanMode FMode = cmScan;
  TCleanActionEvent FOnAction;
};

}  // namespace Korvasweep
