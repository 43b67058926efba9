// Unit QdXml, private: the characters that XML counts as whitespace, those
// that the writer never copies as they are, and the scan for a few units.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/Core/Cpu.h"

namespace Qd {

constexpr bool IsXmlSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// The units that the entity table writes otherwise than as they are, one
// bit each (all below U+0040): the control characters (below U+0020 but
// TAB, LF and CR) and the predefined characters.
constexpr std::uint64_t XML_SPECIAL_UNITS_C =
    (0xFFFFFFFFull & ~((1ull << 0x09) | (1ull << 0x0A) | (1ull << 0x0D))) | (1ull << L'"') | (1ull << L'\'') |
    (1ull << L'<') | (1ull << L'>') | (1ull << L'&');

constexpr bool IsXmlSpecialUnit(wchar_t c) { return c < 64 && ((XML_SPECIAL_UNITS_C >> c) & 1) != 0; }

#if defined(RTL_SSE2_PATHS)
// The units of the block that IsXmlSpecialUnit finds, as a mask of 16-bit lanes.
RTL_SSE2 inline __m128i XmlSpecialUnits(__m128i u) {
  const __m128i control = _mm_andnot_si128(
      _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(u, _mm_set1_epi16(0x09)), _mm_cmpeq_epi16(u, _mm_set1_epi16(0x0A))),
                   _mm_cmpeq_epi16(u, _mm_set1_epi16(0x0D))),
      _mm_cmpeq_epi16(_mm_and_si128(u, _mm_set1_epi16(static_cast<short>(0xFFE0))), _mm_setzero_si128()));
  const __m128i predefined =
      _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(u, _mm_set1_epi16(L'&')), _mm_cmpeq_epi16(u, _mm_set1_epi16(L'<'))),
                   _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(u, _mm_set1_epi16(L'>')),
                                             _mm_cmpeq_epi16(u, _mm_set1_epi16(L'"'))),
                                _mm_cmpeq_epi16(u, _mm_set1_epi16(L'\''))));
  return _mm_or_si128(control, predefined);
}
#endif

#if defined(RTL_SSE2_PATHS)
// FindAny's blocks of eight units (sixteen bytes): the offset of the first
// unit found (`found` set), else the end of the last whole block.
template <class... TUnits>
RTL_SSE2 inline std::size_t FindAnyBlocks(const wchar_t* p, std::size_t n, bool& found, TUnits... units) {
  static_assert(sizeof(wchar_t) == 2);
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i hit = (_mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(units))) | ...);
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (mask != 0) {
      found = true;
      return i + static_cast<std::size_t>(__builtin_ctz(mask)) / 2;
    }
  }
  return i;
}

template <class... TUnits>
RTL_SSE2 inline std::size_t FindAnyBlocks(const std::uint8_t* p, std::size_t n, bool& found, TUnits... units) {
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i hit = (_mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(units))) | ...);
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (mask != 0) {
      found = true;
      return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
  }
  return i;
}
#endif

// The offset of the first unit of p[0, n) that is one of `units`, or n.
// The reader's and the writer's scans for "<", "&", quotes and line breaks
// go through here: with SSE2, eight units are compared at a time.
template <class... TUnits>
inline std::size_t FindAny(const wchar_t* p, std::size_t n, TUnits... units) {
  std::size_t i = 0;
#if defined(RTL_SSE2_PATHS)
  if (n >= 8 && Rtl::Cpu::HasSse2()) {
    bool found = false;
    i = FindAnyBlocks(p, n, found, units...);
    if (found) return i;
  }
#endif
  for (; i < n; ++i)
    if (((p[i] == units) || ...)) return i;
  return n;
}

// The same for bytes, sixteen at a time.
template <class... TUnits>
inline std::size_t FindAny(const std::uint8_t* p, std::size_t n, TUnits... units) {
  std::size_t i = 0;
#if defined(RTL_SSE2_PATHS)
  if (n >= 16 && Rtl::Cpu::HasSse2()) {
    bool found = false;
    i = FindAnyBlocks(p, n, found, units...);
    if (found) return i;
  }
#endif
  for (; i < n; ++i)
    if (((p[i] == static_cast<std::uint8_t>(units)) || ...)) return i;
  return n;
}

}  // namespace Qd
