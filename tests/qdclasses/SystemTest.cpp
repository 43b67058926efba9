// Machine and process services on the real system: this test's own process,
// processes it starts, a window it creates (under the test display) and its
// own memory; and byte swapping.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "QdClasses.h"
#include "TestSupport.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Handles.h"

using namespace Qd;
using TestSupport::Narrow;

namespace {

bool IsLowerHex(const std::wstring& text) {
  for (wchar_t c : text)
    if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
  return true;
}

bool IsGuidText(const std::wstring& text) {
  if (text.size() != 36) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? text[i] != L'-' : !IsLowerHex(text.substr(i, 1))) return false;
  }
  return true;
}

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  return text;
}

// A copy of this test program under another name, started suspended so that
// it does nothing but exist; terminated when the object goes.
class TIdleProcess {
public:
  TIdleProcess(const TestSupport::TTempDir& dir, const std::wstring& name) : FPath(dir / name) {
    if (!CopyFileW(Rtl::GetModuleFileName().c_str(), FPath.c_str(), FALSE)) return;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + FPath + L"\"";
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(FPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &info))
      return;
    FProcess.Reset(info.hProcess);
    Rtl::TKernelHandle(info.hThread).Reset();  // only the process is needed
    FId = info.dwProcessId;
  }
  ~TIdleProcess() {
    if (!FProcess) return;
    if (IsRunning()) TerminateProcess(FProcess.Get(), 9);
    WaitForSingleObject(FProcess.Get(), 5000);
  }
  TIdleProcess(const TIdleProcess&) = delete;
  TIdleProcess& operator=(const TIdleProcess&) = delete;

  bool Started() const { return static_cast<bool>(FProcess); }
  std::uint32_t Id() const { return FId; }
  const std::wstring& Path() const { return FPath; }
  bool IsRunning() const { return WaitForSingleObject(FProcess.Get(), 0) == WAIT_TIMEOUT; }
  // The exit code once it has ended (waits up to 5 s), else -1.
  long ExitCode() const {
    if (WaitForSingleObject(FProcess.Get(), 5000) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(FProcess.Get(), &code);
    return static_cast<long>(code);
  }

private:
  std::wstring FPath;
  Rtl::TKernelHandle FProcess;
  std::uint32_t FId = 0;
};

std::wstring VictimName(const wchar_t* stem) {
  return stem + std::to_wstring(GetCurrentProcessId()) + L".exe";
}

// A plain top-level window of this process, shown.
class TTestWindow {
public:
  TTestWindow() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QdSystemTestWindow";
    RegisterClassW(&windowClass);
    FWindow = CreateWindowExW(0, windowClass.lpszClassName, L"Qd system test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              10, 10, 200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
  }
  ~TTestWindow() {
    if (FWindow != nullptr) DestroyWindow(FWindow);
  }
  TTestWindow(const TTestWindow&) = delete;
  TTestWindow& operator=(const TTestWindow&) = delete;
  HWND Get() const { return FWindow; }

private:
  HWND FWindow = nullptr;
};

}  // namespace

// --- Identifiers and addresses ----------------------------------------------------------

TEST(QdSystemTest, GuidTexts) {
  EXPECT_EQ(TQdSystem::GuidToString(Rtl::TGuid{}), L"00000000-0000-0000-0000-000000000000");
  const Rtl::TGuid guid{0x12345678, 0x9ABC, 0xDEF0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
  EXPECT_EQ(TQdSystem::GuidToString(guid), L"12345678-9abc-def0-0123-456789abcdef");
  const std::wstring first = TQdSystem::GetGuid();
  const std::wstring second = TQdSystem::GetGuid();
  EXPECT_TRUE(IsGuidText(first)) << Narrow(first);
  EXPECT_TRUE(IsGuidText(second)) << Narrow(second);
  EXPECT_NE(first, second);
}

TEST(QdSystemTest, MacDisplayValue) {
  EXPECT_EQ(TQdSystem::GetMacDisplayValue(L"001122aabbcc"), L"00-11-22-aa-bb-cc");
  EXPECT_EQ(TQdSystem::GetMacDisplayValue(L""), L"");
  EXPECT_EQ(TQdSystem::GetMacDisplayValue(L"0011"), L"00-11");
}

TEST(QdSystemTest, MacAddressesOfThisMachine) {
  Rtl::TStringList values;
  const int count = TQdSystem::GetMacAddresses(values);
  ASSERT_EQ(count, values.Count());
  for (const std::wstring& address : values) {
    EXPECT_TRUE(!address.empty() && address.size() % 2 == 0 && IsLowerHex(address)) << Narrow(address);
    EXPECT_TRUE(TQdSystem::IsThisMachineMacAddresses(Upper(address))) << Narrow(address);
  }
  EXPECT_FALSE(TQdSystem::IsThisMachineMacAddresses(L"not an address"));
  EXPECT_EQ(TQdSystem::GetMacAddress(), count > 0 ? values[0] : std::wstring());
  // Addresses already in the list are neither added again nor counted.
  EXPECT_EQ(TQdSystem::GetMacAddresses(values), 0);
  EXPECT_EQ(values.Count(), count);
}

TEST(QdSystemTest, IpAddressIsEmptyOrDottedQuad) {
  const std::wstring address = TQdSystem::GetIpAddress();
  if (address.empty()) return;
  unsigned a, b, c, d;
  wchar_t rest;
  ASSERT_EQ(swscanf(address.c_str(), L"%u.%u.%u.%u%lc", &a, &b, &c, &d, &rest), 4) << Narrow(address);
  EXPECT_TRUE(a < 256 && b < 256 && c < 256 && d < 256) << Narrow(address);
}

// --- Processes ------------------------------------------------------------------------------

TEST(ProcessTest, RunningProcessesCarryTheirIds) {
  Rtl::TStringList names;
  names.Add(L"kept");
  TQdSystem::GetRunningProcesses(names);
  ASSERT_GT(names.Count(), 1);
  EXPECT_EQ(names[0], L"kept");
  const std::wstring ownName = Rtl::ExtractFileName(Rtl::GetModuleFileName());
  bool foundSelf = false;
  for (int i = 1; i < names.Count(); ++i) {
    const auto* id = dynamic_cast<const TProcessId*>(names.Objects(i));
    ASSERT_NE(id, nullptr) << Narrow(names[i]);
    if (id->GetId() == GetCurrentProcessId()) {
      foundSelf = true;
      EXPECT_TRUE(Rtl::SameFileName(names[i], ownName)) << Narrow(names[i]);
    }
  }
  EXPECT_TRUE(foundSelf);
}

TEST(ProcessTest, FindsAProcessByItsWholeNameOrPath) {
  TestSupport::TTempDir temp;
  const std::wstring name = VictimName(L"qdidle");
  TIdleProcess idle(temp, name);
  ASSERT_TRUE(idle.Started());

  std::wstring pathName;
  std::uint32_t processId = 0;
  ASSERT_TRUE(TQdSystem::GetRunningProcess(name, pathName, processId));
  EXPECT_EQ(processId, idle.Id());
  EXPECT_TRUE(Rtl::SameFileName(pathName, idle.Path())) << Narrow(pathName);

  processId = 0;
  EXPECT_TRUE(TQdSystem::GetRunningProcess(Upper(name), pathName, processId));
  EXPECT_EQ(processId, idle.Id());
  EXPECT_TRUE(TQdSystem::GetRunningProcess(Upper(idle.Path()), pathName, processId));
  EXPECT_EQ(processId, idle.Id());

  // Parts of the name, or the name in another directory, are other programs.
  EXPECT_FALSE(TQdSystem::GetRunningProcess(L"qdidle", pathName, processId));
  EXPECT_FALSE(TQdSystem::GetRunningProcess(name.substr(1), pathName, processId));
  EXPECT_FALSE(TQdSystem::GetRunningProcess(Rtl::ChangeFileExt(name, L""), pathName, processId));
  EXPECT_FALSE(TQdSystem::GetRunningProcess(temp / (L"other\\" + name), pathName, processId));
  EXPECT_FALSE(TQdSystem::GetRunningProcess(L"", pathName, processId));
}

TEST(ProcessTest, DeleteRunningProcessEndsOnlyTheNamedProcess) {
  TestSupport::TTempDir temp;
  const std::wstring name = VictimName(L"qdvictim");
  TIdleProcess victim(temp, name);
  ASSERT_TRUE(victim.Started());

  EXPECT_EQ(TQdSystem::DeleteRunningProcess(L"qdvictim"), L"");
  EXPECT_EQ(TQdSystem::DeleteRunningProcess(L"victim" + std::to_wstring(GetCurrentProcessId()) + L".exe"), L"");
  EXPECT_TRUE(victim.IsRunning());

  EXPECT_EQ(TQdSystem::DeleteRunningProcess(name), L"");
  EXPECT_EQ(victim.ExitCode(), 0);
}

TEST(ProcessTest, KillProcessWaitsForTheEnd) {
  TestSupport::TTempDir temp;
  TIdleProcess victim(temp, VictimName(L"qdkill"));
  ASSERT_TRUE(victim.Started());
  EXPECT_EQ(TQdSystem::KillProcess(victim.Id(), 5000), 0u);
  EXPECT_FALSE(victim.IsRunning());
  EXPECT_EQ(victim.ExitCode(), 1);
  // A process that isn't there: the system's error code.
  EXPECT_NE(TQdSystem::KillProcess(0xFFFFFFF0u, 0), 0u);
}

// --- Windows ------------------------------------------------------------------------------

TEST(WindowTest, FirstVisibleEnabledWindowOfTheProcess) {
  EXPECT_EQ(TQdSystem::GetHWndByPID(0), 0u);
  TTestWindow window;
  ASSERT_NE(window.Get(), nullptr);
  const Rtl::THandle handle = reinterpret_cast<Rtl::THandle>(window.Get());
  EXPECT_EQ(TQdSystem::GetHWndByPID(GetCurrentProcessId()), handle);

  EnableWindow(window.Get(), FALSE);
  EXPECT_NE(TQdSystem::GetHWndByPID(GetCurrentProcessId()), handle);
  EnableWindow(window.Get(), TRUE);
  ShowWindow(window.Get(), SW_HIDE);
  EXPECT_NE(TQdSystem::GetHWndByPID(GetCurrentProcessId()), handle);
}

// --- Pointers ------------------------------------------------------------------------------

namespace {

// Memory of the test: one readable page followed by a reserved one.
class TPages {
public:
  TPages() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    FPageSize = info.dwPageSize;
    FBase = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, 3 * FPageSize, MEM_RESERVE, PAGE_NOACCESS));
    if (FBase != nullptr) {
      VirtualAlloc(FBase, FPageSize, MEM_COMMIT, PAGE_READWRITE);
      VirtualAlloc(FBase + 2 * FPageSize, FPageSize, MEM_COMMIT, PAGE_NOACCESS);
    }
  }
  ~TPages() {
    if (FBase != nullptr) VirtualFree(FBase, 0, MEM_RELEASE);
  }
  TPages(const TPages&) = delete;
  TPages& operator=(const TPages&) = delete;
  std::uint8_t* Readable() const { return FBase; }
  std::uint8_t* Reserved() const { return FBase + FPageSize; }
  std::uint8_t* NoAccess() const { return FBase + 2 * FPageSize; }
  std::size_t PageSize() const { return FPageSize; }

private:
  std::uint8_t* FBase = nullptr;
  std::size_t FPageSize = 0;
};

struct TSample {
  int Values[16];
};

}  // namespace

TEST(PointerTest, ReadableMemoryOnly) {
  TPages pages;
  ASSERT_NE(pages.Readable(), nullptr);
  EXPECT_TRUE(TQdSystem::ValidPointer(pages.Readable(), pages.PageSize()));
  EXPECT_FALSE(TQdSystem::ValidPointer(pages.Readable(), pages.PageSize() + 1));
  EXPECT_FALSE(TQdSystem::ValidPointer(pages.Reserved(), 1));
  EXPECT_FALSE(TQdSystem::ValidPointer(pages.NoAccess(), 1));
  EXPECT_FALSE(TQdSystem::ValidPointer(nullptr, 1));
  EXPECT_TRUE(TQdSystem::ValidPointer(nullptr, 0));
  const std::vector<int> heap(1000, 7);
  EXPECT_TRUE(TQdSystem::ValidPointer(heap.data(), heap.size() * sizeof(int)));
  EXPECT_FALSE(TQdSystem::ValidPointer(reinterpret_cast<const void*>(~std::uintptr_t{0} - 2), 16));
}

TEST(PointerTest, ObjectPointers) {
  TPages pages;
  ASSERT_NE(pages.Readable(), nullptr);
  const TSample sample{};
  EXPECT_TRUE(TQdSystem::ValidObjPointer(&sample));
  EXPECT_FALSE(TQdSystem::ValidObjPointer(static_cast<const TSample*>(nullptr)));
  EXPECT_FALSE(TQdSystem::ValidObjPointer(pages.Reserved()));
  // The last bytes of a readable page: 4 can be read, a whole TSample can't.
  const std::uint8_t* nearEnd = pages.Readable() + pages.PageSize() - 8;
  EXPECT_TRUE(TQdSystem::ValidObjPointer(nearEnd));
  EXPECT_FALSE(TQdSystem::ValidObjPointer(reinterpret_cast<const TSample*>(nearEnd)));
}

// --- Byte order ----------------------------------------------------------------------------

TEST(ByteOrderTest, SwapsEachUnit) {
  std::uint16_t word = 0x1234;
  TByteOrderData::ChangeWordByteOrder(word);
  EXPECT_EQ(word, 0x3412);
  std::uint32_t dword = 0x12345678;
  TByteOrderData::ChangeDWordByteOrder(dword);
  EXPECT_EQ(dword, 0x78563412u);
  wchar_t c = L'\u20AC';
  TByteOrderData::ChangeWideCharByteOrder(c);
  EXPECT_EQ(c, static_cast<wchar_t>(0xAC20));

  std::wstring text = L"A\u00e9\u20ac";
  TByteOrderData::ChangeStringByteOrder(text);
  EXPECT_EQ(text, (std::wstring{static_cast<wchar_t>(0x4100), static_cast<wchar_t>(0xE900),
                                static_cast<wchar_t>(0xAC20)}));
  TByteOrderData::ChangeStringByteOrder(text);
  EXPECT_EQ(text, L"A\u00e9\u20ac");

  std::vector<std::uint32_t> values{0x01020304u, 0xA0B0C0D0u, 0};
  TByteOrderData::ChangeStringByteOrder(values);
  EXPECT_EQ(values, (std::vector<std::uint32_t>{0x04030201u, 0xD0C0B0A0u, 0}));
  std::wstring empty;
  TByteOrderData::ChangeStringByteOrder(empty);
  EXPECT_TRUE(empty.empty());
}

// Under Wine every Windows path has a unix file name, and drive Z: shows the
// unix file system: the name leads back to the same file from there.
TEST(WineTest, UnixFileNamesLeadBackThroughDriveZ_Wine) {
  if (!TQdSystem::IsWine()) {
    EXPECT_EQ(TQdSystem::GetUnixFileName(L"C:\\"), L"");
    GTEST_SKIP() << "not under Wine";
  }
  TestSupport::TTempDir temp(L"qdunix");
  const std::wstring file = temp / L"Name \u00e9\u20ac.txt";
  TestSupport::WriteFile(file, "unix");
  const std::wstring unixName = TQdSystem::GetUnixFileName(file);
  ASSERT_FALSE(unixName.empty());
  EXPECT_EQ(unixName.front(), L'/') << Narrow(unixName);
  EXPECT_TRUE(unixName.ends_with(L"/Name \u00e9\u20ac.txt")) << Narrow(unixName);
  if (GetDriveTypeW(L"Z:\\") != DRIVE_NO_ROOT_DIR) {
    std::wstring seenFromZ = L"Z:" + unixName;
    std::replace(seenFromZ.begin(), seenFromZ.end(), L'/', L'\\');
    EXPECT_TRUE(Rtl::FileExists(seenFromZ)) << Narrow(seenFromZ);
  }
  // What isn't there yet has its name too: the drive maps every path.
  EXPECT_EQ(TQdSystem::GetUnixFileName(temp / L"Missing.txt"),
            unixName.substr(0, unixName.rfind(L'/')) + L"/Missing.txt");
  EXPECT_EQ(TQdSystem::GetUnixFileName(L""), L"");
  EXPECT_EQ(TQdSystem::GetUnixFileName(file + std::wstring(1, L'\0') + L"x"), L"");
}
