// Shared internals of the QdString sources (not part of the unit's public
// face): the platform's case and letter tables and the Substring rule. ASCII
// folding is the runtime's (runtime/Text/Ascii.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <memory>

namespace Qd {
class TCodePageConverters;
}

namespace Qd::StringDetail {

// The platform's one-unit lower- and upper-case mappings of every UTF-16
// code unit, built on first use (thread-safe) and kept for the process.
// Index with the unsigned code unit: table[static_cast<std::uint16_t>(c)].
const wchar_t* LowerTable();
const wchar_t* UpperTable();

// The platform's letter classification of every code unit, built on first
// use: bit ccAlpha for IsCharAlphaW, ccAlphaNumeric for IsCharAlphaNumericW.
enum : std::uint8_t { ccAlpha = 1, ccAlphaNumeric = 2 };
const std::uint8_t* ClassTable();

inline std::size_t Unit(wchar_t c) { return static_cast<std::uint16_t>(c); }

// Lower-cases a text in place by the platform's mapping.
void LowerInPlace(std::wstring& str);

// The 0-based index of the first Unicode-insensitive occurrence of subStr
// (not empty) in str at or after from; npos if none.
std::size_t FindIgnoreCase(std::wstring_view subStr, std::wstring_view str, std::size_t from);

// Substring(s, index, count) with 1-based index: an index below 1 counts as
// 1 without shortening count; an index past the end or a negative count
// gives ""; a count beyond the end is cut.
std::wstring_view Substring(std::wstring_view s, int index, int count);

// A position or count as a 1-based int result (0 for npos).
inline int Position(std::size_t index) {
  return index == std::wstring_view::npos ? 0 : static_cast<int>(index) + 1;
}

// --- Code pages ---------------------------------------------------------------

// The answers of DoesCodePageSupport, kept per code page for the unit's
// lifetime: 0 not yet known, 1 supported, 2 not.
class TSupportCache {
public:
  TSupportCache();
  ~TSupportCache();
  TSupportCache(const TSupportCache&) = delete;
  TSupportCache& operator=(const TSupportCache&) = delete;
  // The answers of one code page (65536 entries), made on first use when
  // `keep` says so for the code page (so that numbers no system knows take
  // no memory); none otherwise.
  std::atomic<std::uint8_t>* Answers(std::int32_t codePage, bool (*keep)(std::int32_t codePage));

private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

// The registry while QdString is started; none before and after.
TCodePageConverters* StartedConverters();
// The cache while QdString is started; none before and after.
TSupportCache* SupportCache();

}  // namespace Qd::StringDetail
