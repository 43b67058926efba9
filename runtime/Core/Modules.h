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

#include <vector>

#include "runtime/Core/Types.h"

namespace Rtl {

struct TModuleEntry {
  HINST Instance = 0;
  HINST ResourceHandle = 0;
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

}  // namespace Rtl
