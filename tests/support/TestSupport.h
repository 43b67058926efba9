// Helpers shared by the tests: real temporary directories and real registry
// keys of the test prefix, written in an explicit view.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "QdClasses/Registry.h"

namespace TestSupport {

// A fresh, empty directory under the system's temporary folder, removed with
// everything in it when the object goes.
class TTempDir {
public:
  explicit TTempDir(const std::wstring& prefix = L"qdtest");
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::wstring& Path() const { return FPath; }
  // Path() + "\" + relative.
  std::wstring operator/(const std::wstring& relative) const { return FPath + L"\\" + relative; }

private:
  std::wstring FPath;
};

// Files and directories.
void WriteFile(const std::wstring& fileName, const std::string& content = "");
void MakeDir(const std::wstring& dir);  // with missing parents
// The names in a folder (not "." and ".."), sorted.
std::vector<std::wstring> FolderNames(const std::wstring& dir);
bool Exists(const std::wstring& path);  // anything at path
bool IsDir(const std::wstring& path);
void SetAttributes(const std::wstring& path, bool readOnly, bool hidden);
// Makes a directory junction or symbolic link at `link` to `target`; false
// when the system here can't make one (check before relying on it).
bool MakeDirectoryLink(const std::wstring& link, const std::wstring& target);
// Makes a unix symbolic link at `link` to `target` (a file or a directory)
// by running "ln -s" through Wine; false where Wine isn't underneath.
// Wine deletes through such a link, so RemoveWineUnixLink removes it.
bool MakeWineUnixLink(const std::wstring& link, const std::wstring& target);
void RemoveWineUnixLink(const std::wstring& link);
// Runs a unix program through Wine with `arguments` as they are (the
// program's path first; file names as unix names) and waits for it; false
// where Wine isn't underneath or the program failed.
bool RunWineUnixProgram(std::vector<std::string> arguments);

// Registry keys below HKEY_LOCAL_MACHINE (or another root), in one view.
// Paths have no leading backslash.
class TTestKey {
public:
  TTestKey(Qd::TRegistryView view, std::wstring path, Qd::TRootKey root = Qd::HKEY_LOCAL_MACHINE);

  void WriteString(const std::wstring& name, const std::wstring& value) const;
  void WriteExpandString(const std::wstring& name, const std::wstring& value) const;
  void WriteDword(const std::wstring& name, std::uint32_t value) const;
  void WriteBinary(const std::wstring& name, const std::vector<std::uint8_t>& value) const;
  void WriteMultiString(const std::wstring& name, const std::vector<std::wstring>& values) const;
  void Create() const;  // the key alone
  bool Exists() const;
  void DeleteTree() const;  // no error when missing

  const std::wstring& Path() const { return FPath; }

private:
  void Write(const std::wstring& name, std::uint32_t type, const void* data, std::uint32_t size) const;
  Qd::TRegistryView FView;
  std::wstring FPath;
  Qd::TRootKey FRoot;
};

// Runs a program and waits for it; returns its exit code (or -1).
int RunProcess(const std::wstring& commandLine, const std::wstring& currentDir = L"",
               unsigned timeoutMs = 60000);

// RunProcess with the limited (not elevated) token linked to the process's
// token: TokenLinkedToken, duplicated as a primary token, to
// CreateProcessAsUserW. -2 when the process has no linked token (it isn't
// elevated, or the system keeps none).
int RunProcessLimited(const std::wstring& commandLine, const std::wstring& currentDir = L"",
                      unsigned timeoutMs = 60000);

// A text in UTF-8, for readable assertion messages.
std::string Narrow(const std::wstring& text);

// The system's strict UTF-8 decoding (MultiByteToWideChar with
// MB_ERR_INVALID_CHARS); none when it refuses the bytes.
std::optional<std::wstring> SystemStrictUtf8(std::string_view bytes);

// The message of the exception of class E that `f` raises, or
// "(nothing raised)".
template <class E, class F>
std::wstring MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return L"(nothing raised)";
}

// The registry view that this process reads without a view flag, by its
// bitness (the 32-bit view for the 32-bit build), and the other one.
constexpr Qd::TRegistryView OwnView() { return sizeof(void*) == 8 ? Qd::rvRegistry64 : Qd::rvRegistry32; }
constexpr Qd::TRegistryView OtherView() { return sizeof(void*) == 8 ? Qd::rvRegistry32 : Qd::rvRegistry64; }

}  // namespace TestSupport
