// Rtl::IsElevated against the token that the system reports.
#include <gtest/gtest.h>

#include "runtime/System/Elevation.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"

namespace {

// Wine gives every process an elevated token (an administrator's), so the
// answer there is known; on Windows it follows the token.
TEST(Elevation, WineProcessRunsElevated_WineTokensAreElevated) {
  EXPECT_TRUE(Rtl::IsElevated());
}

TEST(Elevation, AgreesWithTheTokenElevationType) {
  HANDLE opened = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened));
  const Rtl::TKernelHandle token(opened);
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD size = 0;
  const BOOL ok = GetTokenInformation(token.Get(), TokenElevationType, &type, sizeof(type), &size);
  ASSERT_TRUE(ok);
  // A split token's full half is elevated, its limited half is not.
  if (type == TokenElevationTypeFull) {
    EXPECT_TRUE(Rtl::IsElevated());
  }
  if (type == TokenElevationTypeLimited) {
    EXPECT_FALSE(Rtl::IsElevated());
  }
}

}  // namespace
