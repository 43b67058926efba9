#include "runtime/Text/CodePage.h"

#include <climits>

#include "runtime/Core/Exceptions.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Format.h"
#include "runtime/Text/Strings.h"

namespace Rtl {

namespace {

// The platform counts in int: the length of the input as one, or raises.
int PlatformLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX)) throw EConvertError(LoadResString(STextTooLong));
  return static_cast<int>(size);
}

[[noreturn]] void ConversionFailed(unsigned codePage, DWORD error) {
  if (error == ERROR_NO_UNICODE_TRANSLATION)
    throw EConvertError(Format(LoadResString(SInvalidCodePageText), {codePage}));
  throw EConvertError(Format(LoadResString(SCodePageFailed), {codePage, error}));
}

}  // namespace

std::wstring CodePageToWide(std::string_view bytes, unsigned codePage, TInvalidChars invalid) {
  if (bytes.empty()) return {};
  const int length = PlatformLength(bytes.size());
  const DWORD flags = invalid == icRaise ? MB_ERR_INVALID_CHARS : 0;
  const int size = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
  if (size <= 0) ConversionFailed(codePage, GetLastError());
  std::wstring result(static_cast<std::size_t>(size), L'\0');
  if (MultiByteToWideChar(codePage, flags, bytes.data(), length, result.data(), size) != size)
    ConversionFailed(codePage, GetLastError());
  return result;
}

std::string WideToCodePage(std::wstring_view text, unsigned codePage, TInvalidChars invalid) {
  if (text.empty()) return {};
  const int length = PlatformLength(text.size());
  // Default flags and no default character: the platform's best fit and
  // default character stand in for what the code page lacks.
  const int size = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) ConversionFailed(codePage, GetLastError());
  std::string result(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(codePage, 0, text.data(), length, result.data(), size, nullptr, nullptr) != size)
    ConversionFailed(codePage, GetLastError());
  // Exact means that the bytes read back as the text: that rules out best
  // fits, default characters and lone surrogates alike, in every code page,
  // whichever of the platform's flags the code page accepts.
  if (invalid == icRaise && CodePageToWide(result, codePage) != text)
    throw EConvertError(Format(LoadResString(SNotRepresentable), {codePage}));
  return result;
}

}  // namespace Rtl
