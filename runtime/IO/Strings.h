// The resource strings of the runtime's streams and files (numbers
// 60200-60299); the form of the list: runtime/Core/Strings.h.
#pragma once

#define RTL_IO_STRINGS(S) \
  S(SStreamSetSize, 60200, "Stream size can't be changed") \
  S(SReadError, 60201, "Stream read error") \
  S(SWriteError, 60202, "Stream write error") \
  S(SFOpenError, 60203, "Cannot open file \042%s\042. %s") \
  S(SFCreateError, 60204, "Cannot create file \042%s\042. %s") \
  S(SInvalidMode, 60205, "Invalid mode") \
  S(SResNotFound, 60206, "Resource %s not found") \
  S(SCantWriteResourceStream, 60207, "Can't write to a read-only resource stream")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Rtl {
RTL_IO_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Rtl
#endif
