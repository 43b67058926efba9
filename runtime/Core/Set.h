// Sets of enumeration members, stored as bits: member e is bit e mod 8 of
// byte e div 8. The set of an enumeration whose highest value is High takes
// High div 8 + 1 bytes (3 become 4), the layout that stored sets and their
// integer and byte forms use (TSetInfo describes it, runtime/Core/TypeInfo.h).
//
//   using TColors = Rtl::TSet<TColor, clBlue>;
//   TColors colors{clRed, clBlue};
//   if (colors.Contains(clRed)) ...
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

namespace Rtl {

template <class E, int High>
class TSet {
  static_assert(High >= 0 && High <= 255, "a set holds members of the values 0 to 255");

public:
  using TElement = E;
  static constexpr int MaxValue = High;
  static constexpr int Size = High / 8 + 1 == 3 ? 4 : High / 8 + 1;

  constexpr TSet() noexcept = default;
  constexpr TSet(std::initializer_list<E> members) noexcept {
    for (E member : members) Include(member);
  }
  // Every member from `first` to `last`.
  static constexpr TSet Range(E first, E last) noexcept {
    TSet result;
    for (int e = static_cast<int>(first); e <= static_cast<int>(last); ++e) result.Include(static_cast<E>(e));
    return result;
  }
  static constexpr TSet All() noexcept { return Range(static_cast<E>(0), static_cast<E>(High)); }

  // Members outside 0..High are never in the set.
  constexpr bool Contains(E member) const noexcept {
    const int e = static_cast<int>(member);
    return InRange(e) && (FBits[static_cast<unsigned>(e / 8)] & Bit(e)) != 0;
  }
  constexpr TSet& Include(E member) noexcept {
    const int e = static_cast<int>(member);
    if (InRange(e)) FBits[static_cast<unsigned>(e / 8)] |= Bit(e);
    return *this;
  }
  constexpr TSet& Exclude(E member) noexcept {
    const int e = static_cast<int>(member);
    if (InRange(e)) FBits[static_cast<unsigned>(e / 8)] &= static_cast<std::uint8_t>(~Bit(e));
    return *this;
  }
  constexpr bool IsEmpty() const noexcept {
    for (std::uint8_t b : FBits)
      if (b != 0) return false;
    return true;
  }
  constexpr int Count() const noexcept {
    int count = 0;
    for (int e = 0; e <= High; ++e) count += Contains(static_cast<E>(e)) ? 1 : 0;
    return count;
  }

  constexpr TSet& operator+=(const TSet& other) noexcept { return Combine(other, [](auto a, auto b) { return a | b; }); }
  constexpr TSet& operator-=(const TSet& other) noexcept { return Combine(other, [](auto a, auto b) { return a & ~b; }); }
  constexpr TSet& operator*=(const TSet& other) noexcept { return Combine(other, [](auto a, auto b) { return a & b; }); }
  friend constexpr TSet operator+(TSet a, const TSet& b) noexcept { return a += b; }  // union
  friend constexpr TSet operator-(TSet a, const TSet& b) noexcept { return a -= b; }  // difference
  friend constexpr TSet operator*(TSet a, const TSet& b) noexcept { return a *= b; }  // intersection
  friend constexpr bool operator==(const TSet&, const TSet&) noexcept = default;

  // The set's bytes, Size of them.
  std::uint8_t* Data() noexcept { return FBits.data(); }
  const std::uint8_t* Data() const noexcept { return FBits.data(); }

private:
  static constexpr bool InRange(int e) noexcept { return e >= 0 && e <= High; }
  static constexpr std::uint8_t Bit(int e) noexcept { return static_cast<std::uint8_t>(1u << (e % 8)); }
  template <class F>
  constexpr TSet& Combine(const TSet& other, F op) noexcept {
    for (std::size_t i = 0; i < FBits.size(); ++i) FBits[i] = static_cast<std::uint8_t>(op(FBits[i], other.FBits[i]));
    return *this;
  }

  std::array<std::uint8_t, Size> FBits{};
};

}  // namespace Rtl
