// Owners of Win32 resources: each closes or frees what it holds when it goes,
// however the scope is left. From .cpp files only, as runtime/System/Win32.h.
//
// One template, TUniqueResource, holds a value and closes it through a traits
// class that says what the value is:
//   using Type = ...;                  the value an API hands out
//   static Type Invalid() noexcept;    what the API gives on failure ("none");
//                                      it is never closed
//   static void Close(Type) noexcept;  closes or frees a value that isn't
//                                      Invalid()
// The invalid value differs per API: CreateFileW, FindFirstFileW and
// CreateToolhelp32Snapshot fail with INVALID_HANDLE_VALUE, OpenProcess,
// CreateEventW and CreateProcessW's handles with null. The owner type is
// chosen by the function that made the value.
//
// These owners (this file and Handles.cpp) are the only place that calls
// CloseHandle, FindClose, RegCloseKey, FreeLibrary, LocalFree, CoTaskMemFree,
// HeapFree, WSACleanup and WinHttpCloseHandle.
#pragma once

#include <cstdint>
#include <utility>

#include "runtime/System/Win32.h"

namespace Rtl {

// Move-only: a moved-from owner holds the invalid value and closes nothing.
template <class TTraits>
class TUniqueResource {
public:
  using Type = typename TTraits::Type;

  TUniqueResource() noexcept : FValue(TTraits::Invalid()) {}
  // Takes `value` over; the invalid value is held as nothing.
  explicit TUniqueResource(Type value) noexcept : FValue(value) {}
  ~TUniqueResource() { Reset(); }

  TUniqueResource(TUniqueResource&& other) noexcept : FValue(other.Release()) {}
  TUniqueResource& operator=(TUniqueResource&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TUniqueResource(const TUniqueResource&) = delete;
  TUniqueResource& operator=(const TUniqueResource&) = delete;

  Type Get() const noexcept { return FValue; }
  // Holds a value that isn't the invalid one.
  explicit operator bool() const noexcept { return FValue != TTraits::Invalid(); }

  // Gives the value up without closing it; the owner then holds nothing.
  [[nodiscard]] Type Release() noexcept { return std::exchange(FValue, TTraits::Invalid()); }
  // Closes the value held (if any) and holds `value` instead.
  void Reset(Type value = TTraits::Invalid()) noexcept {
    const Type old = std::exchange(FValue, value);
    if (old != TTraits::Invalid()) TTraits::Close(old);
  }

private:
  Type FValue;
};

// --- Traits ----------------------------------------------------------------------

// Kernel objects whose functions fail with null: processes and threads
// (OpenProcess, CreateProcessW), events, mutexes, ...
struct TKernelHandleTraits {
  using Type = HANDLE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type value) noexcept { CloseHandle(value); }
};

// Kernel objects whose functions fail with INVALID_HANDLE_VALUE: files and
// directories (CreateFileW), process snapshots (CreateToolhelp32Snapshot).
struct TFileHandleTraits {
  using Type = HANDLE;
  static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Type value) noexcept { CloseHandle(value); }
};

// Directory searches of FindFirstFileW.
struct TFindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Type value) noexcept { FindClose(value); }
};

// Registry keys opened or created (never a predefined root key).
struct TRegKeyTraits {
  using Type = HKEY;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type value) noexcept { RegCloseKey(value); }
};

// Modules loaded with LoadLibraryExW.
struct TLoadedModuleTraits {
  using Type = HMODULE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type value) noexcept { FreeLibrary(value); }
};

// Memory from LocalAlloc, and from the functions that allocate with it
// (FormatMessageW with FORMAT_MESSAGE_ALLOCATE_BUFFER).
template <class T>
struct TLocalMemoryTraits {
  using Type = T*;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type value) noexcept { LocalFree(value); }
};

// COM task memory (CoTaskMemAlloc, SHGetKnownFolderPath). The free function
// lives in Handles.cpp: COM's headers aren't part of the lean Win32 core.
void FreeCoTaskMemory(void* value) noexcept;

template <class T>
struct TCoTaskMemoryTraits {
  using Type = T*;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type value) noexcept { FreeCoTaskMemory(value); }
};

// Memory from the process heap (HeapAlloc(GetProcessHeap(), ...)), which is
// also where Wine's exports put the strings they return.
template <class T>
struct TProcessHeapMemoryTraits {
  using Type = T*;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type value) noexcept { HeapFree(GetProcessHeap(), 0, value); }
};

// WinHTTP sessions, connections and requests (WinHttpOpen, WinHttpConnect,
// WinHttpOpenRequest: an HINTERNET, null on failure). The close function
// lives in Handles.cpp: WinHTTP's header isn't part of the lean Win32 core.
// Declare a request's owner after its connection's and the connection's
// after the session's, so that they close in the reverse order.
void CloseInternetHandle(void* value) noexcept;

struct TInternetHandleTraits {
  using Type = void*;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type value) noexcept { CloseInternetHandle(value); }
};

// --- Owners ----------------------------------------------------------------------

using TKernelHandle = TUniqueResource<TKernelHandleTraits>;
using TFileHandle = TUniqueResource<TFileHandleTraits>;
using TFindHandle = TUniqueResource<TFindHandleTraits>;
using TRegKey = TUniqueResource<TRegKeyTraits>;
using TLoadedModule = TUniqueResource<TLoadedModuleTraits>;
using TInternetHandle = TUniqueResource<TInternetHandleTraits>;
template <class T = void>
using TLocalMemory = TUniqueResource<TLocalMemoryTraits<T>>;
template <class T = void>
using TCoTaskMemory = TUniqueResource<TCoTaskMemoryTraits<T>>;
template <class T = void>
using TProcessHeapMemory = TUniqueResource<TProcessHeapMemoryTraits<T>>;

// One use of Winsock: WSAStartup when made, WSACleanup when it goes (only
// after a start-up that succeeded). Winsock counts its users, so sessions
// may nest.
class TWinsockSession {
public:
  // `version`: the Winsock version asked for, minor version in the high byte
  // (MAKEWORD(major, minor)).
  explicit TWinsockSession(std::uint16_t version = 0x0202) noexcept;
  ~TWinsockSession();
  TWinsockSession(const TWinsockSession&) = delete;
  TWinsockSession& operator=(const TWinsockSession&) = delete;

  // Winsock started; its functions may be called.
  bool Started() const noexcept { return FStarted; }

private:
  bool FStarted;
};

}  // namespace Rtl
