// The one way Win32 enters the code base. Include it from .cpp files only,
// never from a header: <windows.h> defines macros (DeleteFile, CopyFile,
// GetTempFileName, ...) that would rename members of our own classes.
// After the system headers, every macro that collides with a name of ours is
// undone; call the wide-character functions by their explicit W names.
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

#include <winsock2.h>
#include <windows.h>
#include <shlobj.h>
#include <knownfolders.h>
#include <commctrl.h>
#include <tlhelp32.h>
#include <iphlpapi.h>

// Names that are also members of our classes.
#undef CopyFile
#undef CreateDirectory
#undef CreateFile
#undef DeleteFile
#undef FindResource
#undef FindResourceEx
#undef FormatMessage
#undef GetClassName
#undef GetComputerName
#undef GetCurrentDirectory
#undef GetDriveType
#undef GetEnvironmentVariable
#undef GetFileAttributes
#undef GetFullPathName
#undef GetLocaleInfo
#undef GetMessage
#undef GetModuleFileName
#undef GetModuleHandle
#undef GetObject
#undef GetTempFileName
#undef GetTempPath
#undef GetUserName
#undef GetVersionEx
#undef LoadLibrary
#undef LoadString
#undef MessageBox
#undef MoveFile
#undef PostMessage
#undef RemoveDirectory
#undef SendMessage
#undef SetCurrentDirectory
#undef SetFileAttributes
#undef Yield
#undef CompareString
#undef EnumSystemLocales
#undef GetDateFormat
#undef GetTimeFormat
#undef GetNumberFormat
#undef GetCurrencyFormat
#undef DrawText
#undef CreateFont
#undef CreateWindow
#undef LoadCursor
#undef LoadIcon
#undef LoadImage
#undef GetCommandLine
#undef CharUpper
#undef CharLower
#undef IsCharAlpha
#undef IsCharAlphaNumeric
#undef CreateEvent
#undef CreateMutex
#undef RegisterClass

// Registry roots and access masks are typed constants of the library
// (QdClasses.h); the macros would break their declarations.
#undef HKEY_CLASSES_ROOT
#undef HKEY_CURRENT_USER
#undef HKEY_LOCAL_MACHINE
#undef HKEY_USERS
#undef HKEY_PERFORMANCE_DATA
#undef HKEY_CURRENT_CONFIG
#undef KEY_READ
#undef KEY_WRITE
#undef KEY_EXECUTE
#undef KEY_ALL_ACCESS
#undef KEY_WOW64_64KEY
#undef KEY_WOW64_32KEY
