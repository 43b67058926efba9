// Unit QdXml, private: the characters that XML counts as whitespace, those
// that the writer never copies as they are.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/Core/Cpu.h"
#include "runtime/Text/Scan.h"

namespace Qd {

constexpr bool IsXmlSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// The units that the entity table writes otherwise than as they are, one
// bit each (all below U+0040): the control characters (below U+0020 but
// TAB, LF and CR) and the predefined characters.
constexpr std::uint64_t XML_SPECIAL_UNITS_C =
    (0xFFFFFFFFull & ~((1ull << 0x09) | (1ull << 0x0A) | (1ull << 0x0D))) | (1ull << L'"') | (1ull << L'\'') |
    (1ull << L'<') | (1ull << L'>') | (1ull << L'&');

// A set of units below U+0040 given as bits (bit c for unit c), looked up
// as a byte per unit: a shift of 64 bits takes several instructions where
// a word is two registers.
struct TLowUnitSet {
  std::uint8_t Has[64];
  static constexpr TLowUnitSet Of(std::uint64_t bits) {
    TLowUnitSet set{};
    for (std::size_t c = 0; c < 64; ++c) set.Has[c] = static_cast<std::uint8_t>((bits >> c) & 1);
    return set;
  }
  // 1 when `unit` is in the set, else 0 (without a branch).
  constexpr unsigned Contains(wchar_t unit) const {
    const unsigned c = static_cast<std::uint16_t>(unit);
    return Has[c & 63] & static_cast<unsigned>(c < 64);
  }
};

inline constexpr TLowUnitSet XML_SPECIAL_UNIT_SET_C = TLowUnitSet::Of(XML_SPECIAL_UNITS_C);

constexpr bool IsXmlSpecialUnit(wchar_t c) { return XML_SPECIAL_UNIT_SET_C.Contains(c) != 0; }

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

// The scans for a few units: Rtl::FindAny (runtime/Text/Scan.h).
using Rtl::FindAny;

}  // namespace Qd
