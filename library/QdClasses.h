// Unit QdClasses: the library's Windows-facing and general helpers.
//
// The unit is large, so its declarations are kept in one file per subject
// under QdClasses/; this header is the unit's public face and includes them
// all. Include this header, not the parts.
#pragma once

#include "QdClasses/Shell.h"
#include "QdClasses/Registry.h"
#include "QdClasses/File.h"
#include "QdClasses/Objects.h"
#include "QdClasses/Lists.h"
#include "QdClasses/Resources.h"
#include "QdClasses/RegEx.h"
#include "QdClasses/Encodings.h"
#include "QdClasses/Unit.h"
