// The resource strings of the runtime core (numbers 60000-60099). The list
// is read by the C++ code (RTL_DECLARE_RESSTRING) and by library/QdStrings.rc
// (RTL_RC_STRING): #define lines only, texts narrow UTF-8, a double quote
// written \042 (see runtime/Core/ResStrings.h).
#pragma once

#define RTL_CORE_STRINGS(S) \
  S(SInvalidCast, 60000, "Invalid class typecast") \
  S(SDivByZero, 60001, "Division by zero") \
  S(SClassNotFound, 60002, "Class %s not found") \
  S(SListIndexError, 60003, "List index out of bounds (%d)") \
  S(SUnitNotStarted, 60004, "%s is not started") \
  S(SDateEncodeError, 60005, "Invalid argument to date encode (year %d, month %d, day %d)") \
  S(STimeEncodeError, 60006, "Invalid argument to time encode (hour %d, minute %d, second %d, millisecond %d)") \
  S(SNoSystemTime, 60007, "The date %.4d-%.2d-%.2d can't be a system time") \
  S(SEmptyClassReference, 60008, "Cannot create an instance of an empty class reference") \
  S(SOSError, 60009, "System Error.  Code: %d.\r\n%s") \
  S(SUnkOSError, 60010, "A call to an OS function failed") \
  S(SAbstractInstance, 60011, "Cannot create an instance of %s") \
  S(SAssignError, 60012, "Cannot assign a %s to a %s") \
  S(SDuplicateClass, 60013, "A class named %s already exists") \
  S(SInvalidImage, 60014, "Invalid stream format") \
  S(SArgumentOutOfRange, 60015, "Argument out of range") \
  S(SThreadStarted, 60016, "The thread has been started already") \
  S(SAbstractError, 60017, "Abstract error")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Rtl {
RTL_CORE_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Rtl
#endif
