#include "runtime/Core/Locales.h"

#include "runtime/Core/Exceptions.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"

namespace Rtl {

namespace {

constexpr const wchar_t* LOCALES_KEY_C = L"Software\\Korvanta\\Locales";

// The root key of the current user (Win32.h leaves the registry roots to
// the library's typed constants).
HKEY CurrentUserRoot() { return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u)); }

}  // namespace

std::wstring GetLocaleOverride(const std::wstring& fileName) {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(CurrentUserRoot(), LOCALES_KEY_C, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return {};
  const TRegKey key(raw);
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key.Get(), fileName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ || size < sizeof(wchar_t))
    return {};
  std::wstring code(size / sizeof(wchar_t), L'\0');
  if (RegQueryValueExW(key.Get(), fileName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(code.data()),
                       &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  // The stored text may or may not end with its zero.
  code.resize(size / sizeof(wchar_t));
  const std::size_t end = code.find(L'\0');
  if (end != std::wstring::npos) code.resize(end);
  return code;
}

void SetLocaleOverride(const std::wstring& fileName, const std::wstring& code) {
  HKEY raw = nullptr;
  LSTATUS status = RegCreateKeyExW(CurrentUserRoot(), LOCALES_KEY_C, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                   &raw, nullptr);
  if (status != ERROR_SUCCESS) RaiseLastOSError(static_cast<std::uint32_t>(status));
  const TRegKey key(raw);
  if (code.empty()) {
    status = RegDeleteValueW(key.Get(), fileName.c_str());
    if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
  } else {
    status = RegSetValueExW(key.Get(), fileName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(code.c_str()),
                            static_cast<DWORD>((code.size() + 1) * sizeof(wchar_t)));
  }
  if (status != ERROR_SUCCESS) RaiseLastOSError(static_cast<std::uint32_t>(status));
}

}  // namespace Rtl
