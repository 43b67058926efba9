// Unit QdXml, private: the characters that XML counts as whitespace.
#pragma once

namespace Qd {

constexpr bool IsXmlSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

}  // namespace Qd
