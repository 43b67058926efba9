// The one way Win32 enters the code base. Include it from .cpp files only,
// never from a header: <windows.h> defines macros (DeleteFile, CopyFile,
// GetTempFileName, ...) that would rename members of our own classes.
// After the system headers, every macro that collides with a name of ours is
// undone; call the wide-character functions by their explicit W names.
//
// This is the lean core (<windows.h> alone). The rest of the API comes in
// through the extras beside it, included only where used:
//   Win32Shell.h     known folders, the shell and COM task memory
//   Win32Net.h       Winsock and the IP helper
//   Win32ToolHelp.h  process snapshots
//   Win32Controls.h  the common controls
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef STRICT
#define STRICT
#endif

#include <windows.h>

#include "runtime/System/Win32Undef.h"
