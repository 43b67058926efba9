// The resource strings of QdLocalization (numbers 61500-61599): #define
// lines only, texts narrow UTF-8 (see runtime/Core/ResStrings.h).
#pragma once

#define QD_LOCALIZATION_STRINGS(S) \
  S(SLocaleValueOutOfRange, 61500, "Locale value %s out of range (%d to %d)")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Qd {
QD_LOCALIZATION_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Qd
#endif
