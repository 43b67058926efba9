#include "runtime/System/Elevation.h"

#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"

namespace Rtl {

bool IsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
  const TKernelHandle owner(token);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!GetTokenInformation(owner.Get(), TokenElevation, &elevation, sizeof(elevation), &size)) return true;
  return elevation.TokenIsElevated != 0;
}

}  // namespace Rtl
