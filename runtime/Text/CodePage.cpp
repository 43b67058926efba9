#include "runtime/Text/CodePage.h"

#include <climits>
#include <cstdint>

#include "runtime/Core/Cpu.h"
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

#if defined(RTL_SSE2_PATHS)
namespace {

// EncodeUtf8's runs of ASCII from p[i], sixteen units at a time (two loads
// packed into one store), then eight; in the block with a unit beyond
// ASCII, the units before it (all sixteen stored: `out` has room for three
// bytes per unit, and what follows that unit overwrites the rest).
RTL_SSE2 void EncodeAsciiBlocks(char* out, const wchar_t* p, std::size_t count, std::size_t& i, std::size_t& n) {
  const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
  const __m128i zero = _mm_setzero_si128();
  while (i + 16 <= count) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), _mm_packus_epi16(first, second));
    // One bit per ASCII unit (the bytes of a lane agree).
    const unsigned ascii = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(
        _mm_cmpeq_epi16(_mm_and_si128(first, high), zero), _mm_cmpeq_epi16(_mm_and_si128(second, high), zero))));
    if (ascii != 0xFFFF) {
      const auto k = static_cast<std::size_t>(__builtin_ctz(~ascii));
      i += k;
      n += k;
      return;
    }
    i += 16;
    n += 16;
  }
  while (i + 8 <= count) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + n), _mm_packus_epi16(units, units));
    const unsigned ascii =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(units, high), zero)));
    if (ascii != 0xFFFF) {
      const auto k = static_cast<std::size_t>(__builtin_ctz(~ascii)) / 2;
      i += k;
      n += k;
      return;
    }
    i += 8;
    n += 8;
  }
}

}  // namespace
#endif

std::size_t EncodeUtf8(char* out, std::wstring_view text) {
  const wchar_t* p = text.data();
  const std::size_t count = text.size();
  std::size_t i = 0;
  std::size_t n = 0;
#if defined(RTL_SSE2_PATHS)
  const bool sse2 = Rtl::Cpu::HasSse2();
#endif
  while (i < count) {
    // Runs of ASCII, the bulk of markup, in blocks where the processor can.
#if defined(RTL_SSE2_PATHS)
    if (sse2 && i + 8 <= count) EncodeAsciiBlocks(out, p, count, i, n);
#endif
    while (i < count && static_cast<std::uint32_t>(p[i]) < 0x80) out[n++] = static_cast<char>(p[i++]);
    if (i == count) break;
    // Words beyond ASCII (two-byte sequences for Latin letters with
    // accents, Greek, Cyrillic, Hebrew, Arabic; three for the rest of the
    // first plane) and the ASCII among them, without going back to the
    // block test for each unit.
    auto c = static_cast<std::uint32_t>(p[i]);
    while (c < 0xD800 || c > 0xDFFF) {
      if (c < 0x80) {
        out[n++] = static_cast<char>(c);
      } else if (c < 0x800) {
        out[n] = static_cast<char>(0xC0 | (c >> 6));
        out[n + 1] = static_cast<char>(0x80 | (c & 0x3F));
        n += 2;
      } else {
        out[n] = static_cast<char>(0xE0 | (c >> 12));
        out[n + 1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[n + 2] = static_cast<char>(0x80 | (c & 0x3F));
        n += 3;
      }
      if (++i == count) return n;
      c = static_cast<std::uint32_t>(p[i]);
      // A run of ASCII long enough for the block test ends the loop.
      if (c < 0x80 && i + 8 <= count && static_cast<std::uint32_t>(p[i + 1]) < 0x80) break;
    }
    if (c < 0xD800 || c > 0xDFFF) continue;  // ASCII again
    const auto low = i + 1 < count ? static_cast<std::uint32_t>(p[i + 1]) : 0u;
    if (c > 0xDBFF || low < 0xDC00 || low > 0xDFFF) return UTF8_LONE_SURROGATE_C;
    // A pair: four bytes for its two units' six.
    const std::uint32_t v = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
    out[n++] = static_cast<char>(0xF0 | (v >> 18));
    out[n++] = static_cast<char>(0x80 | ((v >> 12) & 0x3F));
    out[n++] = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
    out[n++] = static_cast<char>(0x80 | (v & 0x3F));
    i += 2;
  }
  return n;
}

bool AppendUtf8(std::string& out, std::wstring_view text) {
  const std::size_t old = out.size();
  out.resize(old + 3 * text.size());
  const std::size_t n = EncodeUtf8(out.data() + old, text);
  out.resize(n == UTF8_LONE_SURROGATE_C ? old : old + n);
  return n != UTF8_LONE_SURROGATE_C;
}

}  // namespace Rtl
