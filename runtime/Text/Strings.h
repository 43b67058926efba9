// The resource strings of the runtime's text functions (numbers
// 60100-60199); the form of the list: runtime/Core/Strings.h.
#pragma once

#define RTL_TEXT_STRINGS(S) \
  S(STextTooLong, 60100, "Text too long to convert") \
  S(SInvalidCodePageText, 60101, "Invalid text for code page %d") \
  S(SCodePageFailed, 60102, "Conversion in code page %d failed (error %d)") \
  S(SNotRepresentable, 60103, "Text not representable in code page %d") \
  S(SInvalidFormat, 60104, "Format '%s' invalid or incompatible with argument") \
  S(SInvalidInteger, 60105, "'%s' is not a valid integer value") \
  S(SInvalidFloat, 60106, "'%s' is not a valid floating point value") \
  S(SDuplicateString, 60107, "String list does not allow duplicates") \
  S(SSortedListError, 60108, "Operation not allowed on sorted list")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Rtl {
RTL_TEXT_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Rtl
#endif
