// Shell folders resolved through the system's known-folder identifiers.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/Core/Types.h"

namespace Qd {

// The shell folders that can be resolved.
enum TFolderType : std::uint8_t {
  ftWindows = 0,
  ftSystem,
  ftPrograms,          // the current user's Start-menu programs folder
  ftProgramFiles,
  ftProgramFiles32,
  ftProgramFiles64,    // from the environment variable "ProgramW6432"
  ftProgramData,
  ftProfile,
  ftDocuments,
  ftPublicDocuments,
  ftDesktop,
  ftStartMenu,
  ftCommonStartMenu,
  ftCommonPrograms,    // the all-users Start-menu programs folder
};

inline constexpr int FOLDER_TYPE_COUNT_C = ftCommonPrograms + 1;

class TShell {
public:
  TShell() = delete;

  // The known-folder identifier of `folder`; "Error Message" for a value
  // outside the enumeration.
  static Rtl::TGuid GetGuid(TFolderType folder);

  // The folder's full path without a trailing backslash, or "" when it
  // can't be resolved. Never fails.
  static std::wstring GetFolder(TFolderType value);
};

}  // namespace Qd
