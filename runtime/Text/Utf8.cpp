#include "runtime/Text/Utf8.h"

#include "runtime/System/Win32.h"

namespace Rtl {

std::string Utf8Encode(std::wstring_view value) {
  if (value.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, value.data(), static_cast<int>(value.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size), '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, value.data(), static_cast<int>(value.size()), result.data(),
                        size, nullptr, nullptr);
  return result;
}

std::wstring Utf8Decode(std::string_view value) {
  if (value.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, value.data(), static_cast<int>(value.size()), nullptr, 0);
  std::wstring result(static_cast<size_t>(size), L'\0');
  if (size > 0)
    MultiByteToWideChar(CP_UTF8, 0, value.data(), static_cast<int>(value.size()), result.data(),
                        size);
  return result;
}

}  // namespace Rtl
