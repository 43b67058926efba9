// The program's memcpy and memmove. The C runtime's are reached through a
// call into its DLL and a size dispatch; most copies of the program are of
// a few bytes (the strings of a document's nodes: names, values, their
// whitespace), where that call is most of the cost. These copy up to 64
// bytes with a few unaligned moves that overlap (loads before stores, so
// that memmove needs no direction there), up to 4 KB in 16-byte moves, and
// larger blocks with the processor's string move (forward; memmove copies
// overlapping blocks backward in 16-byte moves). Defined here, the linker takes them for every
// call of the program and of the static C++ runtime it links.
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Copies n <= 64 bytes: every load comes before any store, so the ranges
// may overlap.
[[gnu::always_inline]] inline void CopySmall(unsigned char* d, const unsigned char* s, std::size_t n) {
  if (n >= 16) {
    if (n <= 32) {
      std::uint64_t a, b, c, e;
      __builtin_memcpy(&a, s, 8);
      __builtin_memcpy(&b, s + 8, 8);
      __builtin_memcpy(&c, s + n - 16, 8);
      __builtin_memcpy(&e, s + n - 8, 8);
      __builtin_memcpy(d, &a, 8);
      __builtin_memcpy(d + 8, &b, 8);
      __builtin_memcpy(d + n - 16, &c, 8);
      __builtin_memcpy(d + n - 8, &e, 8);
      return;
    }
    std::uint64_t v[8];
    __builtin_memcpy(&v[0], s, 8);
    __builtin_memcpy(&v[1], s + 8, 8);
    __builtin_memcpy(&v[2], s + 16, 8);
    __builtin_memcpy(&v[3], s + 24, 8);
    __builtin_memcpy(&v[4], s + n - 32, 8);
    __builtin_memcpy(&v[5], s + n - 24, 8);
    __builtin_memcpy(&v[6], s + n - 16, 8);
    __builtin_memcpy(&v[7], s + n - 8, 8);
    __builtin_memcpy(d, &v[0], 8);
    __builtin_memcpy(d + 8, &v[1], 8);
    __builtin_memcpy(d + 16, &v[2], 8);
    __builtin_memcpy(d + 24, &v[3], 8);
    __builtin_memcpy(d + n - 32, &v[4], 8);
    __builtin_memcpy(d + n - 24, &v[5], 8);
    __builtin_memcpy(d + n - 16, &v[6], 8);
    __builtin_memcpy(d + n - 8, &v[7], 8);
  } else if (n >= 8) {
    std::uint64_t a, b;
    __builtin_memcpy(&a, s, 8);
    __builtin_memcpy(&b, s + n - 8, 8);
    __builtin_memcpy(d, &a, 8);
    __builtin_memcpy(d + n - 8, &b, 8);
  } else if (n >= 4) {
    std::uint32_t a, b;
    __builtin_memcpy(&a, s, 4);
    __builtin_memcpy(&b, s + n - 4, 4);
    __builtin_memcpy(d, &a, 4);
    __builtin_memcpy(d + n - 4, &b, 4);
  } else if (n >= 2) {
    std::uint16_t a, b;
    __builtin_memcpy(&a, s, 2);
    __builtin_memcpy(&b, s + n - 2, 2);
    __builtin_memcpy(d, &a, 2);
    __builtin_memcpy(d + n - 2, &b, 2);
  } else if (n == 1) {
    *d = *s;
  }
}

#if defined(__SSE2__)
// Copies n > 16 bytes in 16-byte moves from the front (d before s, or the
// ranges apart): each block is loaded before the block it overlaps is
// stored; the last block, loaded first, ends it.
inline void CopyForward(unsigned char* d, const unsigned char* s, std::size_t n) {
  const __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + n - 16));
  for (std::size_t i = 0; i + 16 < n; i += 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d + n - 16), last);
}

// The same from the back (d after s within the range).
inline void CopyBackward(unsigned char* d, const unsigned char* s, std::size_t n) {
  const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  for (std::size_t i = n; i > 16; i -= 16)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i - 16),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i - 16)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), first);
}
#else
// Without SSE2: the processor's string moves.
inline void CopyForward(unsigned char* d, const unsigned char* s, std::size_t n) {
  __asm__ volatile("rep movsb" : "+D"(d), "+S"(s), "+c"(n) : : "memory");
}

inline void CopyBackward(unsigned char* d, const unsigned char* s, std::size_t n) {
  d += n - 1;
  s += n - 1;
  __asm__ volatile("std\n\trep movsb\n\tcld" : "+D"(d), "+S"(s), "+c"(n) : : "memory");
}
#endif

// Large blocks forward: the processor's string move.
constexpr std::size_t STRING_MOVE_FROM_C = 4096;
inline void MoveForward(unsigned char* d, const unsigned char* s, std::size_t n) {
  if (n < STRING_MOVE_FROM_C) return CopyForward(d, s, n);
  __asm__ volatile("rep movsb" : "+D"(d), "+S"(s), "+c"(n) : : "memory");
}

}  // namespace

extern "C" {

void* memcpy(void* destination, const void* source, std::size_t count) {
  auto* d = static_cast<unsigned char*>(destination);
  const auto* s = static_cast<const unsigned char*>(source);
  if (count <= 64)
    CopySmall(d, s, count);
  else
    MoveForward(d, s, count);
  return destination;
}

void* memmove(void* destination, const void* source, std::size_t count) {
  auto* d = static_cast<unsigned char*>(destination);
  const auto* s = static_cast<const unsigned char*>(source);
  if (count <= 64)
    CopySmall(d, s, count);
  else if (d <= s || d >= s + count)
    MoveForward(d, s, count);
  else
    CopyBackward(d, s, count);
  return destination;
}

}  // extern "C"
