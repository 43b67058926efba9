// Case: the platform's one-unit case mappings, kept in lazily built tables,
// and the case operations of TUnicodeString.
#include <array>
#include <memory>

#include "QdString/Detail.h"
#include "QdString/UnicodeString.h"
#include "runtime/System/Win32.h"

namespace Qd {

namespace StringDetail {

namespace {

constexpr std::size_t UNITS_C = 0x10000;
constexpr std::size_t SURROGATE_FIRST_C = 0xD800;
constexpr std::size_t SURROGATE_END_C = 0xE000;

struct TCaseTables {
  std::array<wchar_t, UNITS_C> Lower;
  std::array<wchar_t, UNITS_C> Upper;
};

// Maps a whole table with one platform call per block. Surrogates are left
// out and map to themselves: taken one unit at a time they have no case, and
// a buffer with adjacent high and low halves could be read as pairs.
void MapTable(std::array<wchar_t, UNITS_C>& table, DWORD(WINAPI* map)(LPWSTR, DWORD)) {
  for (std::size_t i = 0; i < UNITS_C; ++i) table[i] = static_cast<wchar_t>(i);
  map(table.data(), static_cast<DWORD>(SURROGATE_FIRST_C));
  map(table.data() + SURROGATE_END_C, static_cast<DWORD>(UNITS_C - SURROGATE_END_C));
}

std::unique_ptr<TCaseTables> BuildCaseTables() {
  auto tables = std::make_unique<TCaseTables>();
  MapTable(tables->Lower, &CharLowerBuffW);
  MapTable(tables->Upper, &CharUpperBuffW);
  return tables;
}

const TCaseTables& CaseTables() {
  static const std::unique_ptr<TCaseTables> tables = BuildCaseTables();
  return *tables;
}

}  // namespace

const wchar_t* LowerTable() { return CaseTables().Lower.data(); }
const wchar_t* UpperTable() { return CaseTables().Upper.data(); }

void LowerInPlace(std::wstring& str) {
  const wchar_t* lower = LowerTable();
  for (wchar_t& c : str) c = lower[Unit(c)];
}

}  // namespace StringDetail

using StringDetail::Unit;

wchar_t TUnicodeString::NonAsciiUpperCase(wchar_t c) { return StringDetail::UpperTable()[Unit(c)]; }

wchar_t TUnicodeString::NonAsciiLowerCase(wchar_t c) { return StringDetail::LowerTable()[Unit(c)]; }

wchar_t TUnicodeString::CharToggleCase(wchar_t c) {
  const wchar_t lower = CharLowerCase(c);
  if (lower == c) return CharUpperCase(c);
  if (CharUpperCase(c) == c) return lower;
  return c;
}

std::wstring TUnicodeString::ToggleCase(std::wstring_view str) {
  std::wstring result(str);
  for (wchar_t& c : result) c = CharToggleCase(c);
  return result;
}

bool TUnicodeString::IsLowerCase(std::wstring_view str) {
  if (str.empty()) return false;
  const wchar_t* lower = StringDetail::LowerTable();
  for (wchar_t c : str)
    if (lower[Unit(c)] != c) return false;
  return true;
}

bool TUnicodeString::IsUpperCase(std::wstring_view str) {
  if (str.empty()) return false;
  const wchar_t* upper = StringDetail::UpperTable();
  for (wchar_t c : str)
    if (upper[Unit(c)] != c) return false;
  return true;
}

bool TUnicodeString::IsCapital(std::wstring_view str) {
  return str.size() >= 2 && IsCharUpperCase(str[0]) && IsCharLowerCase(str[1]);
}

std::wstring TUnicodeString::MakeCapital(std::wstring_view str) {
  std::wstring result(str);
  if (result.empty()) return result;
  StringDetail::LowerInPlace(result);
  result[0] = CharUpperCase(result[0]);
  return result;
}

std::wstring TUnicodeString::MakeCamel(std::wstring_view str) {
  std::wstring result(str);
  if (!result.empty()) result[0] = CharLowerCase(result[0]);
  return result;
}

}  // namespace Qd
