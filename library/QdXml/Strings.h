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
  S(SXmlSelfReference, 61908, "Entity \042&%s;\042 refers to itself.") \
  S(SXmlErrorParsing, 61960, "Error parsing XML data.") \
  S(SXmlInvalidTopLevel, 61961, "Invalid at the top level of the document") \
  S(SXmlNameInvalidChar, 61962, "A name contained an invalid character.") \
  S(SXmlNoData, 61963, "No data.") \
  S(SXmlNoQuote, 61964, "A string literal was expected, but no opening quote character was found.") \
  S(SXmlEndTagMismatch, 61965, "\042%0:s\042 end tag of the XML file does not match to \042%1:s\042 tag") \
  S(SXmlInvalid, 61966, "Invalid XML") \
  S(SXmlInvalidAtLine, 61967, "Invalid XML at line: \042%s\042") \
  S(SXmlOneTopLevel, 61968, "Only one top level element is allowed in an XML document.") \
  S(SXmlInvalidEndTag, 61969, "Invalid \042%s\042 end tag in the XML file") \
  S(SXmlUnknownVersion, 61970, "Unknown XML version: %s") \
  S(SXmlEncodingConflict, 61971, "Can not change the detected \042%0:s\042 encoding to the \042%1:s\042 specified by encoding attribute. The XML data is invalid.") \
  S(SXmlNotProcessMode, 61972, "XML parser is not in the process mode.") \
  S(SXmlUnexpectedEnd, 61973, "Unexpected end of the XML data.") \
  S(SXmlTooDeep, 61974, "Elements are nested deeper than %d levels.") \
  S(SXmlNotWellFormed, 61975, "The XML data is not well-formed: %s.") \
  S(SXmlNoFileName, 61980, "No filename given") \
  S(SXmlCannotWrite, 61981, "Cannot write a %0:s that contains \042%1:s\042.") \
  S(SXmlInvalidName, 61982, "Invalid XML name: \042%s\042.") \
  S(SXmlErrorMessage, 61983, "Error Message") \
  S(SXmlNoOpenElement, 61984, "No element is open.") \
  S(SXmlNoObjectElement, 61990, "The file does not contain a %s element")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Qd {
QD_XML_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Qd
#endif
