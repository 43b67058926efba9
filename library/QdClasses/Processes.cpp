// TQdSystem: running processes and their windows.
#include <memory>
#include <vector>

#include "QdClasses/System.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32ToolHelp.h"

namespace Qd {

namespace {

struct TProcessEntry {
  std::wstring ExeFile;  // the executable's name
  DWORD ProcessId;
};

std::vector<TProcessEntry> RunningProcesses() {
  std::vector<TProcessEntry> result;
  // A snapshot fails with INVALID_HANDLE_VALUE, as a file does.
  const Rtl::TFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return result;
  PROCESSENTRY32W entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry))
    result.push_back({Rtl::ExtractFileName(entry.szExeFile), entry.th32ProcessID});
  return result;
}

// The full path of a process's executable, "" when it can't be read.
std::wstring ProcessImagePath(DWORD processId) {
  const Rtl::TKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return {};
  std::vector<wchar_t> buffer(32768);
  DWORD length = static_cast<DWORD>(buffer.size());
  if (!QueryFullProcessImageNameW(process.Get(), 0, buffer.data(), &length)) return {};
  return std::wstring(buffer.data(), length);
}

struct TWindowSearch {
  DWORD ProcessId;
  HWND Found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TWindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->ProcessId && IsWindowVisible(window) && IsWindowEnabled(window)) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::uint32_t TQdSystem::KillProcess(std::uint32_t dwProcID, std::uint32_t wait) {
  const Rtl::TKernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, dwProcID));
  if (!process) return GetLastError();
  if (TerminateProcess(process.Get(), 1)) {
    const DWORD result = WaitForSingleObject(process.Get(), wait);
    if (result != WAIT_FAILED) return result;
  }
  return GetLastError();
}

Rtl::THandle TQdSystem::GetHWndByPID(std::uint32_t hPID) {
  if (hPID == 0) return 0;
  TWindowSearch search{hPID, nullptr};
  EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
  return reinterpret_cast<Rtl::THandle>(search.Found);
}

void TQdSystem::GetRunningProcesses(Rtl::TStringList& fileNames) {
  for (const TProcessEntry& entry : RunningProcesses())
    fileNames.AddObject(entry.ExeFile, std::make_unique<TProcessId>(entry.ProcessId));
}

bool TQdSystem::GetRunningProcess(const std::wstring& fileName, std::wstring& pathName, std::uint32_t& processId) {
  if (fileName.empty()) return false;
  const std::wstring name = Rtl::ExtractFileName(fileName);
  const bool withDirectory = name.size() != fileName.size();
  const std::wstring fullName = withDirectory ? Rtl::ExpandFileName(fileName) : fileName;
  for (const TProcessEntry& entry : RunningProcesses()) {
    if (!Rtl::SameFileName(entry.ExeFile, name)) continue;
    const std::wstring path = ProcessImagePath(entry.ProcessId);
    if (withDirectory && !Rtl::SameFileName(path, fullName)) continue;
    pathName = path.empty() ? entry.ExeFile : path;
    processId = entry.ProcessId;
    return true;
  }
  return false;
}

std::wstring TQdSystem::DeleteRunningProcess(const std::wstring& fileName) {
  std::wstring pathName;
  std::uint32_t processId = 0;
  if (GetRunningProcess(fileName, pathName, processId)) {
    const Rtl::TKernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
    if (process) TerminateProcess(process.Get(), 0);
  }
  return {};
}

}  // namespace Qd
