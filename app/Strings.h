// The program's resource strings (numbers 60800-60895), in the program's
// own string table (Korvasweep.rc). That table is a script of its own
// beside the library's, so its numbers keep to whole blocks of 16 that no
// other list uses. The form of the list: runtime/Core/Strings.h.
#pragma once

#define KORVASWEEP_STRINGS(S) \
  S(SCleaningComplete, 60800, "Cleaning complete")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Korvasweep {
KORVASWEEP_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Korvasweep
#endif
