// The resource strings of QdXml (numbers 61900-61999); the form of the list:
// runtime/Core/Strings.h.
#pragma once

#define QD_XML_STRINGS(S) \
  S(SXmlAttributeExists, 61900, "Element already contains %s attribute") \
  S(SXmlEmptyAttributeName, 61901, "Empty attribute name") \
  S(SXmlNotEnumeration, 61902, "Type %s in not an enumeration type") \
  S(SXmlUnknownEntity, 61903, "Entity \042&%s;\042 is unknown. Use plain characters (e.g. \042A\042) or numeric entities (e.g. \042&#65;\042 or \042&#x41;\042).") \
  S(SXmlIncludeNotFound, 61904, "Could not find the include file: %s") \
  S(SXmlEmptyElementChanged, 61905, "The empty element cannot be changed") \
  S(SXmlExpansionLimit, 61906, "Entity expansion exceeds %d characters.") \
  S(SXmlNestingLimit, 61907, "Entity references are nested deeper than %d levels.") \
  S(SXmlSelfReference, 61908, "Entity \042&%s;\042 refers to itself.")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Qd {
QD_XML_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Qd
#endif
