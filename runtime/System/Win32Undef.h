// Undoes the Win32 macros that collide with names of ours. Included by
// runtime/System/Win32.h and again by each extra after its system headers
// (deliberately without an include guard).

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
