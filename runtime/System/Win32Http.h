// Win32 extra: WinHTTP, the system's HTTP client. From .cpp files only, as runtime/System/Win32.h.
#pragma once

#include "runtime/System/Win32.h"

#include <winhttp.h>

#include "runtime/System/Win32Undef.h"
