// Small services of the machine and its processes (TQdSystem) and byte
// swapping (TByteOrderData). None of them raises for a system failure: they
// answer empty, 0, false or an error code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "runtime/Core/Object.h"
#include "runtime/Text/StringList.h"
#include "runtime/Core/Types.h"

namespace Qd {

// The process identifier attached to each entry of
// TQdSystem::GetRunningProcesses.
class TProcessId : public Rtl::TObject {
public:
  explicit TProcessId(std::uint32_t id) : FId(id) {}
  std::uint32_t GetId() const { return FId; }

private:
  std::uint32_t FId;
};

class TQdSystem {
public:
  TQdSystem() = delete;

  // --- Network -------------------------------------------------------------

  // The dotted IPv4 address of the first address of this host's name, or "".
  static std::wstring GetIpAddress();
  // Adds the hardware addresses of the Ethernet and wireless adapters (12
  // lower-case hexadecimal digits each) that `values` doesn't hold yet;
  // returns how many were added.
  static int GetMacAddresses(Rtl::TStringList& values);
  // The first address of GetMacAddresses, or "".
  static std::wstring GetMacAddress();
  // `value` is one of this machine's addresses (letter case aside).
  static bool IsThisMachineMacAddresses(const std::wstring& value);
  // The address in pairs joined by "-" ("001122aabbcc" gives
  // "00-11-22-aa-bb-cc").
  static std::wstring GetMacDisplayValue(const std::wstring& mac);

  // --- Identifiers ---------------------------------------------------------

  // A new identifier as GuidToString text, or "" when none can be made.
  static std::wstring GetGuid();
  // 36 lower-case hexadecimal characters grouped 8-4-4-4-12, no braces.
  static std::wstring GuidToString(const Rtl::TGuid& guid);

  // --- Processes and windows -----------------------------------------------

  // Terminates the process (exit code 1) and waits up to `wait` ms for it:
  // the wait result (0 when it ended), or the system error code when it
  // can't be opened, terminated or waited for.
  static std::uint32_t KillProcess(std::uint32_t dwProcID, std::uint32_t wait);
  // The first visible and enabled top-level window of the process, in the
  // system's window order, or 0 (also for process 0).
  static Rtl::THandle GetHWndByPID(std::uint32_t hPID);
  // Appends the executable file name of every running process, each with a
  // TProcessId owned by the list attached.
  static void GetRunningProcesses(Rtl::TStringList& fileNames);
  // Finds the first running process whose executable is `fileName`: a bare
  // name is compared with the executable's name, a name with a directory
  // with its full path, both whole and letter case aside ("note" never finds
  // "notepad.exe"). Sets `pathName` to the executable's full path (its bare
  // name when the path can't be read) and `processId`.
  static bool GetRunningProcess(const std::wstring& fileName, std::wstring& pathName, std::uint32_t& processId);
  // Terminates (exit code 0) the process that GetRunningProcess finds;
  // errors aren't reported and the result is always "".
  static std::wstring DeleteRunningProcess(const std::wstring& fileName);

  // --- Pointers ------------------------------------------------------------

  // The `size` bytes at `value` can be read (committed, readable memory).
  static bool ValidPointer(const void* value, std::size_t size);
  // `p` isn't null, its first 4 bytes can be read and, when `instanceSize`
  // is given (the size of the class expected), that many bytes as well.
  static bool ValidObjPointer(const void* p, std::size_t instanceSize = 0);
  template <class T>
  static bool ValidObjPointer(const T* p) {
    return ValidObjPointer(static_cast<const void*>(p), sizeof(T));
  }

  // --- Wine ----------------------------------------------------------------

  // The process runs under Wine rather than on Windows.
  static bool IsWine();
  // The unix file name that Wine gives `path` (its drive's unix directory
  // followed by the rest of the path, "/" separated; links on the way are
  // not resolved). "" on Windows and for a path that Wine can't map.
  static std::wstring GetUnixFileName(const std::wstring& path);
};

class TByteOrderData {
public:
  TByteOrderData() = delete;

  static void ChangeWordByteOrder(std::uint16_t& value);
  static void ChangeDWordByteOrder(std::uint32_t& value);
  static void ChangeWideCharByteOrder(wchar_t& value);
  // Swaps the bytes of every code unit.
  static void ChangeStringByteOrder(std::wstring& value);
  // Reverses the bytes of every element.
  static void ChangeStringByteOrder(std::span<std::uint32_t> value);
};

}  // namespace Qd
