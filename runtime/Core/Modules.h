// The module list: the modules of the process that share the runtime's
// resource mechanism (the executable and any library module built with this
// runtime), the most recently registered first. Each has its instance
// handle and its resource handle, the module that its forms and resource
// strings are loaded from: normally the module itself, or a resource module
// installed for it (a translation). The runtime never installs a resource
// module by itself; the language switching of the library, or a caller,
// does. The list is guarded by a lock: resource strings are loaded on any
// thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/Core/Types.h"

namespace Rtl {

struct TModuleEntry {
  HINST Instance = 0;
  HINST ResourceHandle = 0;
  // The file of a resource module that the list loaded and owns
  // (InstallResourceModule); empty otherwise.
  std::wstring ResourceFileName;
};

// Puts a module at the head of the list (its resource handle is the module
// itself); a module that is listed already moves to the head. The
// executable registers itself at the first use of the list.
void RegisterModule(HINST instance);
// Takes a module off the list; a module that isn't listed is ignored.
void UnregisterModule(HINST instance);

// A copy of the list, head first.
std::vector<TModuleEntry> Modules();

// The resource handle of a listed module; an unlisted module's own handle.
HINST FindResourceHInstance(HINST instance);
// Sets the resource handle of a listed module (0 gives back the module
// itself); false when the module isn't listed. The caller owns a resource
// module it installs, and frees it after setting the handle back.
bool SetResourceHInstance(HINST instance, HINST resourceHandle);

// Loads `fileName` as a data file and installs it as the resource module of
// a listed module, freeing the one the list loaded before; the list owns
// it. Returns its handle, or 0 when the file can't be loaded or the module
// isn't listed (nothing changes then).
HINST InstallResourceModule(HINST instance, const std::wstring& fileName);
// Gives a listed module its own resources back, freeing a resource module
// that the list loaded for it.
void RestoreOwnResources(HINST instance);

// The file that a module's resources come from: for the listed module whose
// file is `moduleName` (letter case aside), the resource module that the
// list loaded for it; otherwise `moduleName` itself. `hostName`, the
// executable, isn't needed.
std::wstring GetResourceModuleName(const std::wstring& hostName, const std::wstring& moduleName);

// The user-interface language names of a language id, most specific first,
// comma-separated: "de-DE,de"; a neutral id gives "de", 0 nothing.
std::wstring GetUILanguages(std::uint16_t languageId);

}  // namespace Rtl
