#include "QdClasses/Shell.h"

#include <cstring>

#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32Shell.h"

namespace Qd {

namespace {

Rtl::TGuid ToGuid(const GUID& g) {
  Rtl::TGuid result;
  static_assert(sizeof(Rtl::TGuid) == sizeof(GUID));
  std::memcpy(&result, &g, sizeof result);
  return result;
}

using TSHGetKnownFolderPath = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, PWSTR*);

// shell32 is loaded when a folder is first resolved.
TSHGetKnownFolderPath KnownFolderPathFunction() {
  static const TSHGetKnownFolderPath function = []() -> TSHGetKnownFolderPath {
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    if (shell == nullptr) shell = LoadLibraryW(L"shell32.dll");
    if (shell == nullptr) return nullptr;
    return reinterpret_cast<TSHGetKnownFolderPath>(
        reinterpret_cast<void*>(GetProcAddress(shell, "SHGetKnownFolderPath")));
  }();
  return function;
}

}  // namespace

Rtl::TGuid TShell::GetGuid(TFolderType folder) {
  switch (folder) {
    case ftWindows: return ToGuid(FOLDERID_Windows);
    case ftSystem: return ToGuid(FOLDERID_System);
    case ftPrograms: return ToGuid(FOLDERID_Programs);
    case ftProgramFiles: return ToGuid(FOLDERID_ProgramFiles);
    case ftProgramFiles32: return ToGuid(FOLDERID_ProgramFilesX86);
    case ftProgramFiles64: return ToGuid(FOLDERID_ProgramFilesX64);
    case ftProgramData: return ToGuid(FOLDERID_ProgramData);
    case ftProfile: return ToGuid(FOLDERID_Profile);
    case ftDocuments: return ToGuid(FOLDERID_Documents);
    case ftPublicDocuments: return ToGuid(FOLDERID_PublicDocuments);
    case ftDesktop: return ToGuid(FOLDERID_Desktop);
    case ftStartMenu: return ToGuid(FOLDERID_StartMenu);
    case ftCommonStartMenu: return ToGuid(FOLDERID_CommonStartMenu);
    case ftCommonPrograms: return ToGuid(FOLDERID_CommonPrograms);
  }
  throw Rtl::Exception(Rtl::SErrorMessage);
}

std::wstring TShell::GetFolder(TFolderType value) {
  if (value == ftProgramFiles64) return Rtl::GetEnvironmentVariable(L"ProgramW6432");
  const Rtl::TGuid id = GetGuid(value);
  const TSHGetKnownFolderPath function = KnownFolderPathFunction();
  if (function == nullptr) return {};
  GUID guid;
  std::memcpy(&guid, &id, sizeof guid);
  PWSTR allocated = nullptr;
  function(guid, 0, nullptr, &allocated);  // on failure no path comes back
  const Rtl::TCoTaskMemory<wchar_t> path(allocated);
  return path ? std::wstring(path.Get()) : std::wstring();
}

}  // namespace Qd
