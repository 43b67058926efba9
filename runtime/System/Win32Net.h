// Win32 extra: Winsock and the IP helper. From .cpp files only, as runtime/System/Win32.h.
#pragma once

#include "runtime/System/Win32.h"

#include <winsock2.h>
#include <iphlpapi.h>

#include "runtime/System/Win32Undef.h"
