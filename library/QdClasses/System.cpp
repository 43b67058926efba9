#include "QdClasses/System.h"

#include <cstring>
#include <vector>

#include "runtime/System/Handles.h"
#include "runtime/System/Win32Net.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Utf8.h"

namespace Qd {

namespace {

// `digits` lower-case hexadecimal digits of `value`, the highest first.
void AppendHex(std::wstring& text, std::uint32_t value, int digits) {
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) text.push_back(Rtl::HexDigitChar(value >> shift, true));
}

bool IsAdapterWithMac(DWORD interfaceType) {
  return interfaceType == IF_TYPE_ETHERNET_CSMACD || interfaceType == IF_TYPE_IEEE80211;
}

bool IsReadable(DWORD protection) {
  if ((protection & (PAGE_NOACCESS | PAGE_GUARD)) != 0) return false;
  return (protection & (PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                        PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY)) != 0;
}

}  // namespace

// --- Network -------------------------------------------------------------------

std::wstring TQdSystem::GetIpAddress() {
  const Rtl::TWinsockSession winsock(MAKEWORD(1, 1));
  if (!winsock.Started()) return {};
  std::wstring result;
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) == 0) {
    const hostent* host = gethostbyname(name);
    if (host != nullptr && host->h_addrtype == AF_INET && host->h_addr_list != nullptr &&
        host->h_addr_list[0] != nullptr) {
      in_addr address;
      std::memcpy(&address, host->h_addr_list[0], sizeof address);
      if (const char* text = inet_ntoa(address)) result = Rtl::WidenAscii(text);
    }
  }
  return result;
}

int TQdSystem::GetMacAddresses(Rtl::TStringList& values) {
  ULONG size = 0;
  GetIfTable(nullptr, &size, TRUE);
  // A table smaller than its header and one full row has no adapter.
  if (size < sizeof(MIB_IFTABLE)) return 0;
  std::vector<std::uint8_t> buffer(size);
  auto* table = reinterpret_cast<MIB_IFTABLE*>(buffer.data());
  if (GetIfTable(table, &size, TRUE) != NO_ERROR) return 0;

  int count = 0;
  for (DWORD i = 0; i < table->dwNumEntries; ++i) {
    const MIB_IFROW& row = table->table[i];
    if (!IsAdapterWithMac(row.dwType)) continue;
    std::wstring address;
    const DWORD length = row.dwPhysAddrLen < MAXLEN_PHYSADDR ? row.dwPhysAddrLen : MAXLEN_PHYSADDR;
    for (DWORD b = 0; b < length; ++b) AppendHex(address, row.bPhysAddr[b], 2);
    if (!address.empty() && values.IndexOf(address) < 0) {
      values.Add(address);
      ++count;
    }
  }
  return count;
}

std::wstring TQdSystem::GetMacAddress() {
  Rtl::TStringList values;
  return GetMacAddresses(values) > 0 ? values[0] : std::wstring();
}

bool TQdSystem::IsThisMachineMacAddresses(const std::wstring& value) {
  Rtl::TStringList values;  // compares letter case aside
  GetMacAddresses(values);
  return values.IndexOf(value) >= 0;
}

std::wstring TQdSystem::GetMacDisplayValue(const std::wstring& mac) {
  std::wstring result = mac.substr(0, 2);
  for (size_t i = 2; i < mac.size(); i += 2) result += L"-" + mac.substr(i, 2);
  return result;
}

// --- Identifiers ---------------------------------------------------------------

std::wstring TQdSystem::GetGuid() {
  GUID guid;
  if (CoCreateGuid(&guid) != S_OK) return {};
  Rtl::TGuid value;
  static_assert(sizeof value == sizeof guid);
  std::memcpy(&value, &guid, sizeof value);
  return GuidToString(value);
}

std::wstring TQdSystem::GuidToString(const Rtl::TGuid& guid) {
  std::wstring text;
  text.reserve(36);
  AppendHex(text, guid.D1, 8);
  text.push_back(L'-');
  AppendHex(text, guid.D2, 4);
  text.push_back(L'-');
  AppendHex(text, guid.D3, 4);
  text.push_back(L'-');
  for (int i = 0; i < 8; ++i) {
    if (i == 2) text.push_back(L'-');
    AppendHex(text, guid.D4[i], 2);
  }
  return text;
}

// --- Pointers --------------------------------------------------------------------

bool TQdSystem::ValidPointer(const void* value, std::size_t size) {
  if (size == 0) return true;
  if (value == nullptr) return false;
  std::uintptr_t address = reinterpret_cast<std::uintptr_t>(value);
  const std::uintptr_t end = address + size;
  if (end < address) return false;  // wraps around the address space
  while (address < end) {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof info) == 0) return false;
    if (info.State != MEM_COMMIT || !IsReadable(info.Protect)) return false;
    const std::uintptr_t regionEnd = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
    if (regionEnd <= address) return false;
    address = regionEnd;
  }
  return true;
}

bool TQdSystem::ValidObjPointer(const void* p, std::size_t instanceSize) {
  if (p == nullptr || !ValidPointer(p, 4)) return false;
  return instanceSize == 0 || ValidPointer(p, instanceSize);
}

// --- Wine ------------------------------------------------------------------------

// Wine's own exports: ntdll's version text tells Wine from Windows, and
// kernel32 maps a Windows path to its unix file name. Neither exists on
// Windows; both are looked up once.
bool TQdSystem::IsWine() {
  static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

std::wstring TQdSystem::GetUnixFileName(const std::wstring& path) {
  using TUnixFileName = char*(CDECL*)(LPCWSTR);
  static const auto unixFileName = reinterpret_cast<TUnixFileName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  // The system reads a path only up to a zero character.
  if (unixFileName == nullptr || path.empty() || path.find(L'\0') != std::wstring::npos) return {};
  // The name is UTF-8, on the process heap.
  const Rtl::TProcessHeapMemory<char> name(unixFileName(path.c_str()));
  if (!name) return {};
  return Rtl::Utf8Decode(name.Get());
}

// --- Byte order --------------------------------------------------------------------

void TByteOrderData::ChangeWordByteOrder(std::uint16_t& value) {
  value = static_cast<std::uint16_t>((value >> 8) | (value << 8));
}

void TByteOrderData::ChangeDWordByteOrder(std::uint32_t& value) {
  value = (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) | (value << 24);
}

void TByteOrderData::ChangeWideCharByteOrder(wchar_t& value) {
  std::uint16_t unit = static_cast<std::uint16_t>(value);
  ChangeWordByteOrder(unit);
  value = static_cast<wchar_t>(unit);
}

void TByteOrderData::ChangeStringByteOrder(std::wstring& value) {
  for (wchar_t& c : value) ChangeWideCharByteOrder(c);
}

void TByteOrderData::ChangeStringByteOrder(std::span<std::uint32_t> value) {
  for (std::uint32_t& element : value) ChangeDWordByteOrder(element);
}

}  // namespace Qd
