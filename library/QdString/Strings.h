// The resource strings of QdString (numbers 60700-60799); the form of the
// list: runtime/Core/Strings.h.
#pragma once

#define QD_STRING_STRINGS(S) \
  S(SInvalidMask, 60700, "Invalid mask \042%s\042: %s at position %d") \
  S(SMaskEmptySet, 60701, "empty set") \
  S(SMaskRangeStart, 60702, "range starting with '-'") \
  S(SMaskUnterminatedSet, 60703, "unterminated set") \
  S(SMaskTooManyStars, 60704, "Invalid mask \042%s\042: more than %d '*'") \
  S(SInvalidString, 60705, "Invalid string: %s") \
  S(SUnknownCode, 60706, "Unknown code: <%s>") \
  S(SAlreadyExists, 60707, "Already exists") \
  S(SWideCharToMultiByteFailedCode, 60708, "WideCharToMultiByte failed: %d") \
  S(SWideCharToMultiByteFailed, 60709, "WideCharToMultiByte failed") \
  S(SAbstractOperation, 60710, "Abstract call of %s.%s")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Qd {
QD_STRING_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Qd
#endif
