// The resource strings of QdClasses (numbers 60600-60699); the form of the
// list: runtime/Core/Strings.h.
#pragma once

#define QD_CLASSES_STRINGS(S) \
  S(SInvalidResolution, 60600, "Invalid resolution value (%d) provided.") \
  S(SUpperBound, 60601, "Upper bound reached") \
  S(SLowerBound, 60602, "Lower bound reached") \
  S(SListNotOwner, 60603, "The list does not own its items") \
  S(SRemoveDirEmpty, 60604, "TFile.RemoveDir dir cannot be empty") \
  S(SResourceNotFound, 60605, "%s.%s resource was not found") \
  S(SStreamTooLarge, 60606, "Streams of 2 GB and more can't be read into memory") \
  S(SFileNotExists, 60607, "File does not exists") \
  S(SFileTooLarge, 60608, "File \042%s\042 is too large to be read into memory") \
  S(SInvalidRegEx, 60609, "Invalid regular expression at position %d: %s") \
  S(SOutOfMemory, 60610, "Out of memory") \
  S(SRegExMatchFailed, 60611, "Regular expression match failed: %s") \
  S(SInvalidRegDataType, 60612, "Invalid data type for '%s'") \
  S(SNotTempSubDir, 60613, "\042%s\042 is not a subdirectory name for the temporary directory") \
  S(SNoRtlClass, 60614, "A class derived from %s does not declare RTL_CLASS")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Qd {
QD_CLASSES_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Qd
#endif
