#include "QdVersion.h"

#include "runtime/Core/Exceptions.h"
#include "runtime/System/Win32.h"

namespace Qd {

bool TVersion::Is64Bit() {
  // A 64-bit program only runs on 64-bit Windows; a 32-bit one asks whether
  // it runs under the system's 32-bit emulation.
  if constexpr (sizeof(void*) == 8) return true;
  using TIsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto isWow64Process = reinterpret_cast<TIsWow64Process>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
  if (isWow64Process == nullptr) return false;
  BOOL wow64 = FALSE;
  if (!isWow64Process(GetCurrentProcess(), &wow64)) throw Rtl::Exception(Rtl::SInvalidHandle);
  return wow64 != FALSE;
}

}  // namespace Qd
