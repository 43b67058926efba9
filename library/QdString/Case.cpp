#include "QdString/UnicodeString.h"

#include "runtime/Win32.h"

namespace Qd {

wchar_t TUnicodeString::CharUpperCase(wchar_t c) {
  CharUpperBuffW(&c, 1);
  return c;
}

wchar_t TUnicodeString::CharLowerCase(wchar_t c) {
  CharLowerBuffW(&c, 1);
  return c;
}

std::wstring TUnicodeString::MakeCapital(const std::wstring& str) {
  std::wstring result = str;
  if (result.empty()) return result;
  CharLowerBuffW(result.data(), static_cast<DWORD>(result.size()));
  CharUpperBuffW(result.data(), 1);
  return result;
}

}  // namespace Qd
