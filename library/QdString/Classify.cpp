// Classification: character sets, the platform's letter classes (kept in a
// lazily built table) and the shape tests of whole texts.
#include <algorithm>
#include <array>
#include <memory>

#include "QdString/Detail.h"
#include "QdString/UnicodeString.h"
#include "runtime/Text/Format.h"
#include "runtime/System/Win32.h"

namespace Qd {

namespace StringDetail {

namespace {

using TClassTable = std::array<std::uint8_t, 0x10000>;

std::unique_ptr<TClassTable> BuildClassTable() {
  auto table = std::make_unique<TClassTable>();
  for (std::size_t i = 0; i < table->size(); ++i) {
    const auto c = static_cast<WCHAR>(i);
    (*table)[i] = static_cast<std::uint8_t>((IsCharAlphaW(c) ? ccAlpha : 0) |
                                            (IsCharAlphaNumericW(c) ? ccAlphaNumeric : 0));
  }
  return table;
}

}  // namespace

const std::uint8_t* ClassTable() {
  static const std::unique_ptr<TClassTable> table = BuildClassTable();
  return table->data();
}

}  // namespace StringDetail

using StringDetail::Unit;

bool TUnicodeString::IsWhiteSpaces(std::wstring_view str) {
  return std::all_of(str.begin(), str.end(), [](wchar_t c) { return IsWhiteSpace(c); });
}

bool TUnicodeString::IsAscii(std::wstring_view str) {
  return std::all_of(str.begin(), str.end(), [](wchar_t c) { return c < 0x80; });
}

bool TUnicodeString::IsAlpha(wchar_t c) { return (StringDetail::ClassTable()[Unit(c)] & StringDetail::ccAlpha) != 0; }

bool TUnicodeString::IsAlphaNumeric(wchar_t c) {
  return (StringDetail::ClassTable()[Unit(c)] & StringDetail::ccAlphaNumeric) != 0;
}

bool TUnicodeString::IsAllAlpha(std::wstring_view value) {
  if (value.empty()) return false;
  const std::uint8_t* classes = StringDetail::ClassTable();
  return std::all_of(value.begin(), value.end(),
                     [classes](wchar_t c) { return (classes[Unit(c)] & StringDetail::ccAlpha) != 0; });
}

bool TUnicodeString::IsHex(std::wstring_view value, bool acceptWhiteSpaces) {
  if (value.empty()) return false;
  return std::all_of(value.begin(), value.end(), [acceptWhiteSpaces](wchar_t c) {
    return IsHexChar(c) || (acceptWhiteSpaces && IsWhiteSpace(c));
  });
}

bool TUnicodeString::HasSurrogate(std::wstring_view value) {
  return std::any_of(value.begin(), value.end(), [](wchar_t c) { return IsSurrogate(c); });
}

bool TUnicodeString::HasControlCharacters(std::wstring_view str) {
  return std::any_of(str.begin(), str.end(), [](wchar_t c) { return IsControlCharacter(c); });
}

bool TUnicodeString::IsNumber(std::wstring_view str) {
  int value;
  return Rtl::TryStrToInt(str, value);
}

bool TUnicodeString::IsGenericFloat(std::wstring_view str) {
  if (str.empty()) return false;
  return std::all_of(str.begin(), str.end(), [](wchar_t c) { return IsDigit(c) || c == L'.' || c == L','; });
}

bool TUnicodeString::IsVersionNumber(std::wstring_view value) {
  return value.find(L'.') != std::wstring_view::npos &&
         std::all_of(value.begin(), value.end(), [](wchar_t c) { return IsDigit(c) || c == L'.'; });
}

bool TUnicodeString::IsMask(std::wstring_view mask) { return mask.find_first_of(L"*?") != std::wstring_view::npos; }

}  // namespace Qd
