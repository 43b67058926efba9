#include "runtime/System/Handles.h"

#include "runtime/System/Win32Http.h"
#include "runtime/System/Win32Net.h"
#include "runtime/System/Win32Shell.h"

namespace Rtl {

void FreeCoTaskMemory(void* value) noexcept { CoTaskMemFree(value); }

void CloseInternetHandle(void* value) noexcept { WinHttpCloseHandle(value); }

TWinsockSession::TWinsockSession(std::uint16_t version) noexcept {
  WSADATA data;
  FStarted = WSAStartup(version, &data) == 0;
}

TWinsockSession::~TWinsockSession() {
  if (FStarted) WSACleanup();
}

}  // namespace Rtl
