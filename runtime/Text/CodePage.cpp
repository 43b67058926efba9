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

bool AppendUtf8(std::string& out, std::wstring_view text) {
  const std::size_t old = out.size();
  std::size_t n = old;
  out.resize(n + 3 * text.size());
  char* p = out.data();
  const std::size_t count = text.size();
  for (std::size_t i = 0; i < count; ++i) {
    const auto c = static_cast<std::uint32_t>(text[i]);
    if (c < 0x80) {
      p[n++] = static_cast<char>(c);
    } else if (c < 0x800) {
      p[n++] = static_cast<char>(0xC0 | (c >> 6));
      p[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0xD800 || c > 0xDFFF) {
      p[n++] = static_cast<char>(0xE0 | (c >> 12));
      p[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      p[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      const auto low = i + 1 < count ? static_cast<std::uint32_t>(text[i + 1]) : 0u;
      if (c > 0xDBFF || low < 0xDC00 || low > 0xDFFF) {
        out.resize(old);
        return false;
      }
      // A pair: four bytes for its two units' six.
      const std::uint32_t v = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      p[n++] = static_cast<char>(0xF0 | (v >> 18));
      p[n++] = static_cast<char>(0x80 | ((v >> 12) & 0x3F));
      p[n++] = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
      p[n++] = static_cast<char>(0x80 | (v & 0x3F));
      ++i;
    }
  }
  out.resize(n);
  return true;
}

}  // namespace Rtl
