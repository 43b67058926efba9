// Unit QdString: the UTF-16 string toolbox (TString, TUnicodeString) and the
// code-page converter registry.
//
// Declarations are kept in one file per subject under QdString/; this header
// is the unit's public face and includes them all.
#pragma once

#include "QdString/Converters.h"
#include "QdString/Gb18030.h"
#include "QdString/String.h"
#include "QdString/UnicodeString.h"
