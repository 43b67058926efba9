// The owners of Win32 resources (runtime/System/Handles.h), on real kernel
// objects: whether a handle is still open is asked of the system
// (GetHandleInformation fails on a closed one).
#include <gtest/gtest.h>

#include <utility>

#include "TestSupport.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32Net.h"

namespace {

using Rtl::TFileHandle;
using Rtl::TFindHandle;
using Rtl::TKernelHandle;

bool IsOpen(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != FALSE;
}

HANDLE NewEvent() {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  EXPECT_NE(event, nullptr);
  return event;
}

TEST(Handles, OwnerClosesItsHandleWhenItGoes) {
  const HANDLE event = NewEvent();
  {
    const TKernelHandle owner(event);
    EXPECT_TRUE(owner);
    EXPECT_EQ(owner.Get(), event);
    EXPECT_TRUE(IsOpen(event));
  }
  EXPECT_FALSE(IsOpen(event));
}

TEST(Handles, FileIsClosedWithItsOwnerAndCanThenBeDeleted) {
  TestSupport::TTempDir dir;
  const std::wstring name = dir / L"file.txt";
  HANDLE handle = INVALID_HANDLE_VALUE;
  {
    // No sharing: while open, the file can't be deleted.
    const TFileHandle file(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(file);
    handle = file.Get();
    EXPECT_TRUE(IsOpen(handle));
  }
  EXPECT_FALSE(IsOpen(handle));
  EXPECT_TRUE(DeleteFileW(name.c_str()));
}

TEST(Handles, MovedFromOwnerClosesNothing) {
  const HANDLE event = NewEvent();
  TKernelHandle assigned;
  {
    TKernelHandle first(event);
    TKernelHandle second(std::move(first));
    EXPECT_FALSE(first);  // the moved-from state is what is tested
    assigned = std::move(second);
    EXPECT_FALSE(second);
  }
  EXPECT_TRUE(IsOpen(event));  // neither moved-from owner closed it
  EXPECT_EQ(assigned.Get(), event);
  assigned = TKernelHandle();  // moving nothing in closes what was held
  EXPECT_FALSE(IsOpen(event));
}

TEST(Handles, ResetClosesTheOldHandleAndHoldsTheNewOne) {
  const HANDLE first = NewEvent();
  const HANDLE second = NewEvent();
  {
    TKernelHandle owner(first);
    owner.Reset(second);
    EXPECT_FALSE(IsOpen(first));
    EXPECT_TRUE(IsOpen(second));
    EXPECT_EQ(owner.Get(), second);
  }
  EXPECT_FALSE(IsOpen(second));
}

TEST(Handles, ReleaseHandsTheHandleOverOpen) {
  const HANDLE event = NewEvent();
  HANDLE released = nullptr;
  {
    TKernelHandle owner(event);
    released = owner.Release();
    EXPECT_FALSE(owner);
  }
  EXPECT_EQ(released, event);
  EXPECT_TRUE(IsOpen(event));
  TKernelHandle(released).Reset();
  EXPECT_FALSE(IsOpen(event));
}

// A function that fails gives null or INVALID_HANDLE_VALUE, each owner type
// the one of its functions: that value is held as nothing and never closed.
// Closing null or an invalid search sets ERROR_INVALID_HANDLE, so a close of
// it would show in the last error.
TEST(Handles, FailedFunctionsValueIsHeldAsNothingAndNotClosed) {
  TestSupport::TTempDir dir;
  const std::wstring missing = dir / L"missing.txt";

  SetLastError(ERROR_SUCCESS);
  CloseHandle(nullptr);
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE)) << "a close of null shows here";
  SetLastError(ERROR_SUCCESS);
  FindClose(INVALID_HANDLE_VALUE);
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE)) << "a close of no search shows here";

  {
    const TKernelHandle event(OpenEventW(SYNCHRONIZE, FALSE, L"QdHandlesTest-no-such-event"));
    EXPECT_FALSE(event);
    EXPECT_EQ(event.Get(), nullptr);
    SetLastError(ERROR_SUCCESS);
  }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

  {
    WIN32_FIND_DATAW data;
    const TFindHandle find(FindFirstFileW(missing.c_str(), &data));
    EXPECT_FALSE(find);
    EXPECT_EQ(find.Get(), INVALID_HANDLE_VALUE);
    SetLastError(ERROR_SUCCESS);
  }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

  {
    const TFileHandle file(CreateFileW(missing.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(file);
    EXPECT_EQ(file.Get(), INVALID_HANDLE_VALUE);
  }
  EXPECT_FALSE(TFileHandle());
  EXPECT_FALSE(TKernelHandle());
}

TEST(Handles, RegistryKeyIsClosedWithItsOwner) {
  // HKEY_LOCAL_MACHINE, sign-extended as the system defines it.
  const HKEY machine = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000002u)));
  HKEY opened = nullptr;
  ASSERT_EQ(RegOpenKeyExW(machine, L"Software", 0, Qd::KEY_READ, &opened), ERROR_SUCCESS);
  {
    const Rtl::TRegKey key(opened);
    DWORD subKeys = 0;
    EXPECT_EQ(RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
  }
  EXPECT_NE(RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
}

// Winsock counts its users: every session that started ends with one
// cleanup, and after the last one Winsock refuses to work.
TEST(Handles, WinsockSessionEndsWithItsOwner) {
  {
    const Rtl::TWinsockSession outer;
    ASSERT_TRUE(outer.Started());
    {
      const Rtl::TWinsockSession inner(MAKEWORD(1, 1));
      EXPECT_TRUE(inner.Started());
    }
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_NE(s, INVALID_SOCKET) << "the outer session still holds Winsock";
    if (s != INVALID_SOCKET) closesocket(s);
  }
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  EXPECT_EQ(s, INVALID_SOCKET);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  if (s != INVALID_SOCKET) closesocket(s);
}

}  // namespace
