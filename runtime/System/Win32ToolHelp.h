// Win32 extra: process snapshots. From .cpp files only, as runtime/System/Win32.h.
#pragma once

#include "runtime/System/Win32.h"

#include <tlhelp32.h>

#include "runtime/System/Win32Undef.h"
