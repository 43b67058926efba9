// The writer's output buffer: text not yet handed to the text writer. It
// keeps the names of std::wstring's members that the writer and the entity
// table's encoding use; a piece is appended in place (a short one with a
// few fixed-size moves), not through a call of the C library's block copy
// per piece.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace Qd {

class TXmlOutputBuffer {
public:
  std::size_t size() const { return FSize; }
  bool empty() const { return FSize == 0; }
  void clear() { FSize = 0; }
  // Takes the end back to `size` (never beyond the end).
  void resize(std::size_t size) { FSize = std::min(size, FSize); }
  operator std::wstring_view() const { return {FData.get(), FSize}; }
#if defined(__GNUC__)
  __attribute__((always_inline))
#endif
  TXmlOutputBuffer& operator+=(wchar_t c) {
    if (FSize == FCapacity) Grow(1);
    FData[FSize++] = c;
    return *this;
  }
  TXmlOutputBuffer& operator+=(std::wstring_view piece) {
    append(piece);
    return *this;
  }
// A piece from a literal is seen as an array of its length with the
// length itself unknown: the moves for longer pieces would draw warnings
// about bounds that those branches never reach.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#pragma GCC diagnostic ignored "-Wstringop-overread"
  __attribute__((always_inline))
#endif
  void append(std::wstring_view piece) {
    const std::size_t n = piece.size();
    if (FCapacity - FSize < n) Grow(n);
    wchar_t* d = FData.get() + FSize;
    const wchar_t* p = piece.data();
    // Moves that overlap cover every length from one size to the next.
    if (n > 16 && n <= 32) {
      std::memcpy(d, p, 32);
      std::memcpy(d + n - 16, p + n - 16, 32);
    } else if (n >= 8 && n <= 16) {
      std::memcpy(d, p, 16);
      std::memcpy(d + n - 8, p + n - 8, 16);
    } else if (n >= 4 && n < 8) {
      std::memcpy(d, p, 8);
      std::memcpy(d + n - 4, p + n - 4, 8);
    } else if (n >= 2 && n < 4) {
      std::memcpy(d, p, 4);
      std::memcpy(d + n - 2, p + n - 2, 4);
    } else if (n == 1) {
      *d = *p;
    } else if (n > 32) {
      std::memcpy(d, p, n * sizeof(wchar_t));
    }
    FSize += n;
  }
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  // Room for `count` units at the end, written in place and then counted
  // with Advance.
  wchar_t* Room(std::size_t count) {
    if (FCapacity - FSize < count) Grow(count);
    return FData.get() + FSize;
  }
  void Advance(std::size_t count) { FSize += count; }
  // Room for `count` units in all, as std::wstring's reserve.
  void reserve(std::size_t count) {
    if (count > FCapacity) Grow(count - FSize);
  }
  void append(std::size_t count, wchar_t c) {
    if (FCapacity - FSize < count) Grow(count);
    std::fill_n(FData.get() + FSize, count, c);
    FSize += count;
  }

private:
  // The writer hands its output on in blocks of 32K units: room for one
  // block and the piece that ends it.
  static constexpr std::size_t MIN_CAPACITY_C = 32768 + 16384;
  void Grow(std::size_t more);
  std::unique_ptr<wchar_t[]> FData;
  std::size_t FSize = 0;
  std::size_t FCapacity = 0;
};

}  // namespace Qd
