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

// A block of `Size` bytes, copied by the compiler in a few moves.
template <std::size_t Size>
struct TBlock {
  std::uint64_t Words[Size / 8];
};

// Copies Size <= n <= 2 * Size bytes as the first and the last `TWord`,
// both loaded before either is stored, so that the ranges may overlap.
template <class TWord>
[[gnu::always_inline]] inline void CopyEnds(unsigned char* d, const unsigned char* s, std::size_t n) {
  TWord first, last;
  __builtin_memcpy(&first, s, sizeof(TWord));
  __builtin_memcpy(&last, s + n - sizeof(TWord), sizeof(TWord));
  __builtin_memcpy(d, &first, sizeof(TWord));
  __builtin_memcpy(d + n - sizeof(TWord), &last, sizeof(TWord));
}

// Copies n <= 64 bytes; the ranges may overlap.
[[gnu::always_inline]] inline void CopySmall(unsigned char* d, const unsigned char* s, std::size_t n) {
  if (n > 32)
    CopyEnds<TBlock<32>>(d, s, n);
  else if (n >= 16)
    CopyEnds<TBlock<16>>(d, s, n);
  else if (n >= 8)
    CopyEnds<std::uint64_t>(d, s, n);
  else if (n >= 4)
    CopyEnds<std::uint32_t>(d, s, n);
  else if (n >= 2)
    CopyEnds<std::uint16_t>(d, s, n);
  else if (n == 1)
    *d = *s;
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
