// The resource strings of QdHtmlHelp (numbers 62200-62299); the form of the
// list: runtime/Core/Strings.h.
#pragma once

#define QD_HTMLHELP_STRINGS(S) \
  S(SHelpContextIsInteger, 62200, "Help context value is an integer value. HTMLHelp requires a string value.") \
  S(SNoTopicValue, 62201, "No topic value") \
  S(STopicAdded, 62202, "Added %s") \
  S(SHelpFileMissing, 62203, "Help file \042%s\042 does not exist") \
  S(SUnknownTopic, 62204, "Unknown topic: %0:s->%1:s") \
  S(SHelpReportFailed, 62205, "The help report %0:s could not be written: %1:s")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Qd {
QD_HTMLHELP_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Qd
#endif
