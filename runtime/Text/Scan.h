// Header-only: the scan of a text (16-bit units) or of bytes for the first
// of a few values, sixteen bytes at a time where the processor has SSE2.
// The XML reader's and writer's scans for "<", "&", quotes and line breaks
// and the text reader's search for NUL or a line's end go through here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/Core/Cpu.h"

namespace Rtl {

#if defined(RTL_SSE2_PATHS)
// FindAny's whole blocks of sixteen bytes: the offset of the first unit
// found (`found` set), else the end of the last whole block.
template <class TUnit, class... TValues>
RTL_SSE2 inline std::size_t FindAnyBlocks(const TUnit* p, std::size_t n, bool& found, TValues... values) {
  static_assert(sizeof(TUnit) == 1 || sizeof(TUnit) == 2);
  constexpr std::size_t PER_BLOCK_C = 16 / sizeof(TUnit);
  std::size_t i = 0;
  for (; i + PER_BLOCK_C <= n; i += PER_BLOCK_C) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    __m128i hit;
    if constexpr (sizeof(TUnit) == 2)
      hit = (_mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(values))) | ...);
    else
      hit = (_mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(values))) | ...);
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (mask != 0) {
      found = true;
      return i + static_cast<std::size_t>(__builtin_ctz(mask)) / sizeof(TUnit);
    }
  }
  return i;
}
#endif

// The offset of the first unit of p[0, n) that equals one of `values`, or
// n. TUnit: wchar_t (UTF-16) or std::uint8_t.
template <class TUnit, class... TValues>
inline std::size_t FindAny(const TUnit* p, std::size_t n, TValues... values) {
  std::size_t i = 0;
#if defined(RTL_SSE2_PATHS)
  if (n >= 16 / sizeof(TUnit) && Cpu::HasSse2()) {
    bool found = false;
    i = FindAnyBlocks(p, n, found, values...);
    if (found) return i;
  }
#endif
  for (; i < n; ++i)
    if (((p[i] == static_cast<TUnit>(values)) || ...)) return i;
  return n;
}

}  // namespace Rtl
