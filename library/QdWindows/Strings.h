// The resource strings of QdWindows: the names of the sort-order variants
// of languages (fixed numbers). QdWindows' own strings take 60400-60499;
// the form of the list: runtime/Core/Strings.h.
#pragma once

#define QD_WINDOWS_STRINGS(S)                        \
  S(SVariantPhoneBook, 65040, "phone book sort")     \
  S(SVariantStroke, 65041, "stroke sort")            \
  S(SVariantRadicalStroke, 65042, "radical/stroke sort") \
  S(SVariantBopomofo, 65043, "Bopomofo sort")        \
  S(SVariantTraditional, 65067, "traditional sort")  \
  S(SVariantInternational, 65068, "international sort") \
  S(SVariantModern, 65069, "modern")                 \
  S(SVariantValencia, 65070, "Valencia")             \
  S(SVariantTechnical, 65071, "technical sort")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Qd {
QD_WINDOWS_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Qd
#endif
