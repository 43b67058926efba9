// TResources: finding, loading and extracting the Windows resources of a
// module: the program's own (instance 0), another loaded module, or a file
// loaded as data only (its code never runs).
//
// Types and names are strings; "#10" names the numbered type or resource 10
// (RT_RCDATA is "#10"). The forms with zero-terminated names also take
// numbered identifiers as the system's integer resource pointers. A language
// id of 0 accepts the resource in any language.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/Core/Types.h"

namespace Qd {

class TResources {
public:
  TResources() = delete;

  // False when no file exists at `fileName`, the name holds "*" or "?", or
  // the file can't be loaded as a data file; otherwise whether it has the
  // resource. Never raises.
  static bool DoesExist(const std::wstring& fileName, const std::wstring& resType,
                        const std::wstring& resName, std::uint16_t langId = 0);
  // Whether the module has the resource. Never raises.
  static bool DoesExist(const std::wstring& resType, const std::wstring& resName,
                        Rtl::HINST instance = 0, std::uint16_t langId = 0);

  // Writes the resource's bytes (any language) into `fileName`, creating
  // its directory with all missing levels and replacing an existing file.
  // A missing resource raises "%s.%s resource was not found" (type, name);
  // file errors pass to the caller.
  static void CopyToFile(const std::wstring& resName, const std::wstring& resType,
                         const std::wstring& fileName, Rtl::HINST instance = 0);

  // The resource's bytes; none when the file doesn't exist, can't be loaded
  // as a data file, or lacks the resource.
  static Rtl::TBytes Load(const std::wstring& fileName, const std::wstring& resType,
                          const std::wstring& resName);
  // The resource's bytes; none when the module lacks it.
  static Rtl::TBytes Load(const std::wstring& resType, const std::wstring& resName,
                          Rtl::HINST instance = 0);
  static Rtl::TBytes Load(const wchar_t* resType, const wchar_t* resName, Rtl::HINST instance = 0);
};

}  // namespace Qd
