// The resource strings of QdResource (numbers 60900-60999); the form of the
// list: runtime/Core/Strings.h.
#pragma once

#define QD_RESOURCE_STRINGS(S) \
  S(SQdResourceNotFound, 60900, "Resource %s not found")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Qd {
QD_RESOURCE_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Qd
#endif
