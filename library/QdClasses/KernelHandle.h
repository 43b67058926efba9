// Closes a kernel handle when it goes. Internal to the unit's .cpp files
// (it brings in runtime/System/Win32.h; no public header includes it).
#pragma once

#include "runtime/System/Win32.h"

namespace Qd {

class TKernelHandle {
public:
  // INVALID_HANDLE_VALUE and null both stand for no handle.
  explicit TKernelHandle(HANDLE handle) : FHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~TKernelHandle() {
    if (FHandle != nullptr) CloseHandle(FHandle);
  }
  TKernelHandle(const TKernelHandle&) = delete;
  TKernelHandle& operator=(const TKernelHandle&) = delete;
  HANDLE Get() const { return FHandle; }
  explicit operator bool() const { return FHandle != nullptr; }

private:
  HANDLE FHandle;
};

}  // namespace Qd
