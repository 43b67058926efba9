// The tables of the GB18030 converter, generated at build time from the
// build machine's GB18030 character map (tools/gb18030tables). Internal to
// QdString.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Qd::Gb18030 {

// Four-byte sequences 81 30 81 30 to 84 39 FE 39, counted with the last
// byte fastest, stand for characters of the Basic Multilingual Plane; from
// 90 30 81 30 on they count U+10000 to U+10FFFF.
inline constexpr std::uint32_t FOUR_BYTE_BMP_COUNT_C = 39420;
inline constexpr std::uint32_t FOUR_BYTE_SUPPLEMENTARY_C = 189000;

struct TSupplementaryPair {
  std::uint32_t CodePoint;
  std::uint32_t Bytes;  // the two bytes, the first in bits 8-15
};

// The number of mappings of the map, ranges expanded.
extern const std::size_t MAPPINGS_C;
// A byte: its character, -1 when it is no character of its own.
extern const std::int32_t ONE_BYTE_C[256];
// A first byte 0x81-0xFE and a second 0x40-0xFE, at (first - 0x81) * 191 +
// (second - 0x40): the character, 0 when the map has none.
extern const std::uint32_t TWO_BYTE_C[126 * 191];
// A four-byte sequence of the plane by its count: the character, 0 when none.
extern const std::uint16_t FOUR_BYTE_C[FOUR_BYTE_BMP_COUNT_C];
// A character of the plane: its bytes (a value below 0x100 one byte, below
// 0x10000 two, else four, the first byte highest); 0 when the map has none
// (U+0000 is the byte 0).
extern const std::uint32_t ENCODE_C[65536];
// Characters outside the plane that the map gives a two-byte sequence
// (instead of the computed four-byte one), ascending.
extern const std::size_t SUPPLEMENTARY_COUNT_C;
extern const TSupplementaryPair SUPPLEMENTARY_C[];

}  // namespace Qd::Gb18030
