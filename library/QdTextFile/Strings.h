// The resource strings of QdTextFile (numbers 62100-62199); the form of the
// list: runtime/Core/Strings.h.
#pragma once

#define QD_TEXTFILE_STRINGS(S) \
  S(STextFormatAnsi, 62100, "ANSI") \
  S(STextFormatUtf8, 62101, "UTF-8") \
  S(STextFormatUtf16Le, 62102, "UTF-16, little-endian") \
  S(STextFormatUtf16Be, 62103, "UTF-16, big-endian") \
  S(STextFormatUtf32Le, 62104, "UTF-32, little-endian") \
  S(STextFormatUtf32Be, 62105, "UTF-32, big-endian") \
  S(STextFormatGb18030, 62106, "GB18030") \
  S(SInvalidUtf8Character, 62110, "Invalid UTF-8 character at position %d in string:") \
  S(SNotAnsiFile, 62111, "\042%s\042 file is not an ANSI file") \
  S(STargetReadOnly, 62112, "Could not create the file \042%s\042 because it is read-only") \
  S(SCopyTempFailed, 62113, "Could not copy the temporary \042%0:s\042 file to the target file \042%1:s\042") \
  S(SInvalidFileName, 62114, "Invalid file: %s") \
  S(SAtPosition, 62115, "At position %d") \
  S(SAtPositionOnLine, 62116, "At position %d, on line %d") \
  S(SInvalidUtf32Value, 62117, "Invalid UTF-32 value $%.8X at byte position %d") \
  S(SCodePageNotServed, 62118, "Text in code page %d can't be converted on this system")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Qd {
QD_TEXTFILE_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Qd
#endif
