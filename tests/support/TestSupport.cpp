#include "QdClasses.h"
#include "TestSupport.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "runtime/IO/Files.h"
#include "runtime/Text/Utf8.h"
#include "runtime/System/Handles.h"

namespace TestSupport {

namespace {

HKEY RootHandle(Qd::TRootKey root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<std::uint32_t>(root))));
}

REGSAM ViewFlag(Qd::TRegistryView view) { return Qd::TQdRegistry::ViewAccessFlag(view); }

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

}  // namespace

TTempDir::TTempDir(const std::wstring& prefix) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0) Fail("no temporary folder");
  static unsigned counter = 0;
  for (;;) {
    FPath = std::wstring(temp, length) + prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter) + L"-" + std::to_wstring(GetTickCount());
    if (CreateDirectoryW(FPath.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) Fail("can't create a temporary directory");
  }
}

TTempDir::~TTempDir() {
  try {
    Qd::TFile::RemoveDir(FPath, true);
  } catch (...) {
  }
}

void WriteFile(const std::wstring& fileName, const std::string& content) {
  MakeDir(Rtl::ExtractFileDir(fileName));
  const Rtl::TFileHandle file(
      CreateFileW(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) Fail("can't create " + Narrow(fileName));
  DWORD written = 0;
  if (!content.empty()) ::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

void MakeDir(const std::wstring& dir) {
  if (dir.empty()) return;
  if (!Rtl::ForceDirectories(dir)) Fail("can't create directory " + Narrow(dir));
}

std::vector<std::wstring> FolderNames(const std::wstring& dir) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsDir(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void SetAttributes(const std::wstring& path, bool readOnly, bool hidden) {
  DWORD a = GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) Fail("no such file " + Narrow(path));
  a &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NORMAL);
  if (readOnly) a |= FILE_ATTRIBUTE_READONLY;
  if (hidden) a |= FILE_ATTRIBUTE_HIDDEN;
  if (a == 0) a = FILE_ATTRIBUTE_NORMAL;
  SetFileAttributesW(path.c_str(), a);
}

bool MakeDirectoryLink(const std::wstring& link, const std::wstring& target) {
  using TCreateSymbolicLinkW = BOOLEAN(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
  const auto create = reinterpret_cast<TCreateSymbolicLinkW>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateSymbolicLinkW")));
  if (create != nullptr) create(link.c_str(), target.c_str(), 1 /* SYMBOLIC_LINK_FLAG_DIRECTORY */);
  // Some systems report success and make nothing: only a link that is there
  // and leads to the target counts.
  const DWORD a = GetFileAttributesW(link.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

namespace {

// Runs a unix command through Wine with `paths` given as unix file names
// after `command`; false where Wine isn't underneath or the command failed.
bool RunWineUnixCommand(std::vector<std::string> command, const std::vector<std::wstring>& paths) {
  for (const std::wstring& path : paths) {
    const std::wstring name = Qd::TQdSystem::GetUnixFileName(path);
    if (name.empty()) return false;
    command.push_back(Narrow(name));
  }
  return RunWineUnixProgram(std::move(command));
}

}  // namespace

bool RunWineUnixProgram(std::vector<std::string> arguments) {
  using TUnixSpawn = LONG(WINAPI*)(char* const*, int);  // a system call thunk
  const auto spawn = reinterpret_cast<TUnixSpawn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
  if (spawn == nullptr || arguments.empty()) return false;
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  return spawn(argv.data(), 1) == 0;
}

bool MakeWineUnixLink(const std::wstring& link, const std::wstring& target) {
  return RunWineUnixCommand({"/bin/ln", "-s"}, {target, link}) &&
         GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveWineUnixLink(const std::wstring& link) { RunWineUnixCommand({"/bin/rm", "-f"}, {link}); }

TTestKey::TTestKey(Qd::TRegistryView view, std::wstring path, Qd::TRootKey root)
    : FView(view), FPath(std::move(path)), FRoot(root) {}

namespace {

// The key at `path`, in `view`, opened with `access`; none when it doesn't
// open.
Rtl::TRegKey OpenTestKey(Qd::TRootKey root, const std::wstring& path, Qd::TRegistryView view, REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(RootHandle(root), path.c_str(), 0, access | ViewFlag(view), &key) != ERROR_SUCCESS) return {};
  return Rtl::TRegKey(key);
}

// The key at `path`, in `view`, opened with `access` and created when
// missing.
Rtl::TRegKey CreateTestKey(Qd::TRootKey root, const std::wstring& path, Qd::TRegistryView view, REGSAM access) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(RootHandle(root), path.c_str(), 0, nullptr, 0, access | ViewFlag(view), nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    Fail("can't create key " + Narrow(path));
  return Rtl::TRegKey(key);
}

}  // namespace

void TTestKey::Write(const std::wstring& name, std::uint32_t type, const void* data, std::uint32_t size) const {
  const Rtl::TRegKey key = CreateTestKey(FRoot, FPath, FView, KEY_SET_VALUE);
  if (RegSetValueExW(key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
    Fail("can't write value " + Narrow(name));
}

void TTestKey::WriteString(const std::wstring& name, const std::wstring& value) const {
  Write(name, REG_SZ, value.c_str(), static_cast<std::uint32_t>((value.size() + 1) * sizeof(wchar_t)));
}

void TTestKey::WriteExpandString(const std::wstring& name, const std::wstring& value) const {
  Write(name, REG_EXPAND_SZ, value.c_str(), static_cast<std::uint32_t>((value.size() + 1) * sizeof(wchar_t)));
}

void TTestKey::WriteDword(const std::wstring& name, std::uint32_t value) const {
  Write(name, REG_DWORD, &value, sizeof value);
}

void TTestKey::WriteBinary(const std::wstring& name, const std::vector<std::uint8_t>& value) const {
  Write(name, REG_BINARY, value.data(), static_cast<std::uint32_t>(value.size()));
}

void TTestKey::WriteMultiString(const std::wstring& name, const std::vector<std::wstring>& values) const {
  std::wstring data;
  for (const auto& v : values) {
    data += v;
    data.push_back(L'\0');
  }
  data.push_back(L'\0');
  Write(name, REG_MULTI_SZ, data.data(), static_cast<std::uint32_t>(data.size() * sizeof(wchar_t)));
}

void TTestKey::Create() const { CreateTestKey(FRoot, FPath, FView, Qd::KEY_READ); }

bool TTestKey::Exists() const { return static_cast<bool>(OpenTestKey(FRoot, FPath, FView, Qd::KEY_READ)); }

void TTestKey::DeleteTree() const {
  {
    const Rtl::TRegKey key = OpenTestKey(FRoot, FPath, FView, Qd::KEY_ALL_ACCESS);
    if (!key) return;
    // Children first, then the key itself (closed before it is deleted).
    for (;;) {
      wchar_t name[256];
      DWORD length = 256;
      if (RegEnumKeyExW(key.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      TTestKey(FView, FPath + L"\\" + std::wstring(name, length), FRoot).DeleteTree();
    }
  }
  RegDeleteKeyExW(RootHandle(FRoot), FPath.c_str(), ViewFlag(FView), 0);
}

namespace {

// Waits for a started process and takes over its handles; its exit code,
// or -1 after ending it when the time is up.
int WaitForExit(const PROCESS_INFORMATION& pi, unsigned timeoutMs) {
  DWORD code = static_cast<DWORD>(-1);
  const Rtl::TKernelHandle process(pi.hProcess);
  const Rtl::TKernelHandle thread(pi.hThread);
  if (WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process.Get(), &code);
  else TerminateProcess(process.Get(), 1);
  return static_cast<int>(code);
}

}  // namespace

int RunProcess(const std::wstring& commandLine, const std::wstring& currentDir, unsigned timeoutMs) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring cmd = commandLine;
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      currentDir.empty() ? nullptr : currentDir.c_str(), &si, &pi))
    return -1;
  return WaitForExit(pi, timeoutMs);
}

int RunProcessLimited(const std::wstring& commandLine, const std::wstring& currentDir, unsigned timeoutMs) {
  HANDLE own = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own)) return -2;
  const Rtl::TKernelHandle ownToken(own);
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0;
  if (!GetTokenInformation(ownToken.Get(), TokenLinkedToken, &linked, sizeof linked, &size) ||
      linked.LinkedToken == nullptr)
    return -2;
  const Rtl::TKernelHandle linkedToken(linked.LinkedToken);
  HANDLE primary = nullptr;
  if (!DuplicateTokenEx(linkedToken.Get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary, &primary))
    return -2;
  const Rtl::TKernelHandle primaryToken(primary);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring cmd = commandLine;
  if (!CreateProcessAsUserW(primaryToken.Get(), nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            currentDir.empty() ? nullptr : currentDir.c_str(), &si, &pi))
    return -1;
  return WaitForExit(pi, timeoutMs);
}

std::optional<std::wstring> SystemStrictUtf8(std::string_view bytes) {
  if (bytes.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                    nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::string Narrow(const std::wstring& text) { return Rtl::Utf8Encode(text); }

}  // namespace TestSupport
