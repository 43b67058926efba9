// Unit QdXml, private: the characters that XML counts as whitespace, and
// those that the writer never copies as they are.
#pragma once

#include <cstdint>

namespace Qd {

constexpr bool IsXmlSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// The units that the entity table writes otherwise than as they are, one
// bit each (all below U+0040): the control characters (below U+0020 but
// TAB, LF and CR) and the predefined characters.
constexpr std::uint64_t XML_SPECIAL_UNITS_C =
    (0xFFFFFFFFull & ~((1ull << 0x09) | (1ull << 0x0A) | (1ull << 0x0D))) | (1ull << L'"') | (1ull << L'\'') |
    (1ull << L'<') | (1ull << L'>') | (1ull << L'&');

constexpr bool IsXmlSpecialUnit(wchar_t c) { return c < 64 && ((XML_SPECIAL_UNITS_C >> c) & 1) != 0; }

}  // namespace Qd
