// The resource strings of the GUI toolkit (numbers 60300-60399); the form
// of the list: runtime/Core/Strings.h.
#pragma once

#define RTL_TOOLKIT_STRINGS(S) \
  S(SFormLoaded, 60300, "Form %s is loaded already") \
  S(SFormStreamClass, 60301, "Invalid form stream: it describes a %s, not a %s") \
  S(SNoChildControls, 60302, "Error reading %s: a %s holds no controls") \
  S(SDuplicateName, 60303, "A component named %s already exists") \
  S(SControlMissing, 60304, "Error reading %s: the control %s is missing") \
  S(SControlWrongClass, 60305, "Error reading %s: %s is of the wrong class") \
  S(SPropertyError, 60306, "Error reading %s.%s: %s") \
  S(SUnknownProperty, 60307, "Error reading %s.%s: Property %s does not exist") \
  S(SInvalidPropertyValue, 60308, "Invalid property value") \
  S(SMethodNotFound, 60309, "Method %s not found") \
  S(SApplicationExists, 60310, "An application object exists already") \
  S(SUnknownException, 60311, "Unknown exception") \
  S(SInvalidFormStream, 60312, "Invalid form stream: %s at byte %d") \
  S(SNoFormSignature, 60313, "the signature TPF0 is missing") \
  S(SUnexpectedStreamEnd, 60314, "unexpected end of the stream") \
  S(SNegativeLength, 60315, "negative length %d") \
  S(SListsTooDeep, 60316, "lists nested too deep") \
  S(SUnsupportedValueType, 60317, "unsupported value type %d") \
  S(SUnknownValueType, 60318, "unknown value type %d") \
  S(SObjectsTooDeep, 60319, "objects nested too deep") \
  S(SChildPositionType, 60320, "the child position is not an integer") \
  S(SNoClassName, 60321, "an object without a class name") \
  S(SNoControlClass, 60322, "Class %s is no control") \
  S(SMsgDlgWarning, 60330, "Warning") \
  S(SMsgDlgError, 60331, "Error") \
  S(SMsgDlgInformation, 60332, "Information") \
  S(SMsgDlgConfirm, 60333, "Confirm") \
  S(SMsgDlgYes, 60334, "&Yes") \
  S(SMsgDlgNo, 60335, "&No") \
  S(SMsgDlgOK, 60336, "OK") \
  S(SMsgDlgCancel, 60337, "Cancel") \
  S(SMsgDlgAbort, 60338, "&Abort") \
  S(SMsgDlgRetry, 60339, "&Retry") \
  S(SMsgDlgIgnore, 60340, "&Ignore") \
  S(SMsgDlgAll, 60341, "A&ll") \
  S(SMsgDlgNoToAll, 60342, "N&o to All") \
  S(SMsgDlgYesToAll, 60343, "Y&es to All") \
  S(SMsgDlgHelp, 60344, "&Help") \
  S(SMsgDlgClose, 60345, "&Close")

#ifndef RC_INVOKED
#include "runtime/Core/ResStrings.h"
namespace Rtl {
RTL_TOOLKIT_STRINGS(RTL_DECLARE_RESSTRING)
}  // namespace Rtl
#endif
