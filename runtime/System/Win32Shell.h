// Win32 extra: known folders, the shell and COM task memory. From .cpp files only, as runtime/System/Win32.h.
#pragma once

#include "runtime/System/Win32.h"

#include <shlobj.h>
#include <knownfolders.h>

#include "runtime/System/Win32Undef.h"
