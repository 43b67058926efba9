// The resource strings of QdBase (numbers 60500-60599): #define lines only,
// texts narrow UTF-8 (see runtime/Core/ResStrings.h).
#pragma once

#define QD_BASE_STRINGS(S) \
  S(SNoResourceFile, 60500, "There is no available resource file. You must created them before switching a language")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Qd {
QD_BASE_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Qd
#endif
