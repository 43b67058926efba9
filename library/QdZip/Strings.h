// The resource strings of QdZip (numbers 62000-62099); the form of the
// list: runtime/Core/Strings.h.
#pragma once

#define QD_ZIP_STRINGS(S) \
  S(SZipError, 62000, "Zip archive \042%s\042: %s") \
  S(SZipUnsafeName, 62001, "The entry \042%s\042 has a name that can't be extracted safely") \
  S(SZipOutsideDir, 62002, "The entry \042%s\042 lies outside the destination directory") \
  S(SZipThroughLink, 62003, "The entry \042%s\042 would be written through a link") \
  S(SZipTooManyEntries, 62004, "The archive has more than %s entries") \
  S(SZipExtractLimit, 62005, "Extracting the entry \042%s\042 passes the limit of %s bytes") \
  S(SZipRatioLimit, 62006, "The entry \042%s\042 inflates more than %s times its compressed size") \
  S(SZipSizeMismatch, 62007, "The entry \042%s\042 is larger than its declared size") \
  S(SZipEntryError, 62008, "The entry \042%s\042 can't be read: %s") \
  S(SZipEntryNotFound, 62009, "The entry \042%s\042 is not in the archive") \
  S(SZipNotLoaded, 62010, "No zip archive is loaded")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Qd {
QD_ZIP_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Qd
#endif
