// Win32 extra: the common controls. From .cpp files only, as runtime/System/Win32.h.
#pragma once

#include "runtime/System/Win32.h"

#include <commctrl.h>

#include "runtime/System/Win32Undef.h"
