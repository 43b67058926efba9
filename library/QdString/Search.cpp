// Searching and comparing: exact, ASCII-insensitive and Unicode-insensitive
// searches, kept apart.
#include <algorithm>

#include "QdString/Detail.h"
#include "QdString/UnicodeString.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/StringList.h"

namespace Qd {

namespace StringDetail {

std::size_t FindIgnoreCase(std::wstring_view subStr, std::wstring_view str, std::size_t from) {
  const std::size_t m = subStr.size();
  if (m == 0 || from > str.size() || str.size() - from < m) return std::wstring_view::npos;
  const wchar_t* lower = LowerTable();
  // Both sides are lower-cased unit by unit as they are read: no copies.
  const wchar_t* pattern = subStr.data();
  const wchar_t* text = str.data();
  const wchar_t first = lower[Unit(pattern[0])];
  const std::size_t last = str.size() - m;
  for (std::size_t i = from; i <= last; ++i) {
    if (lower[Unit(text[i])] != first) continue;
    std::size_t k = 1;
    while (k < m && lower[Unit(text[i + k])] == lower[Unit(pattern[k])]) ++k;
    if (k == m) return i;
  }
  return std::wstring_view::npos;
}

}  // namespace StringDetail

using StringDetail::Position;

int TUnicodeString::PosIgnoreCase(std::wstring_view subStr, std::wstring_view str, int offset) {
  const std::size_t from = offset > 1 ? static_cast<std::size_t>(offset) - 1 : 0;
  return Position(StringDetail::FindIgnoreCase(subStr, str, from));
}

int TUnicodeString::IndexOfChars(std::wstring_view str, std::wstring_view chars) {
  if (chars.empty()) return 0;
  return Position(str.find_first_of(chars));
}

int TUnicodeString::IndexOfWhiteSpaces(std::wstring_view str) { return Position(str.find_first_of(L" \t\r\n")); }

int TUnicodeString::IndexOfWhiteSpace(std::wstring_view str) {
  const auto it = std::find_if(str.begin(), str.end(), [](wchar_t c) { return IsWhiteSpace(c); });
  return it == str.end() ? 0 : static_cast<int>(it - str.begin()) + 1;
}

int TUnicodeString::CountChar(std::wstring_view str, wchar_t c) {
  return static_cast<int>(std::count(str.begin(), str.end(), c));
}

int TUnicodeString::Occurrences(std::wstring_view substring, std::wstring_view text) {
  if (substring.empty()) return 0;
  int count = 0;
  for (std::size_t p = text.find(substring); p != std::wstring_view::npos;
       p = text.find(substring, p + substring.size()))
    ++count;
  return count;
}

int TUnicodeString::FindLast(std::wstring_view str, wchar_t c) { return Position(str.rfind(c)); }

bool TUnicodeString::Starts(std::wstring_view str, std::wstring_view subStr) {
  return !subStr.empty() && str.starts_with(subStr);
}

bool TUnicodeString::EndsWith(std::wstring_view str, std::wstring_view subStr, bool ignoreCase) {
  if (subStr.size() > str.size()) return false;
  const std::wstring_view tail = str.substr(str.size() - subStr.size());
  return ignoreCase ? Rtl::AsciiSameText(tail, subStr) : tail == subStr;
}

bool TUnicodeString::IsRight(std::wstring_view str, std::wstring_view right) { return EndsWith(str, right, false); }

bool TUnicodeString::IsRightIgnoreCase(std::wstring_view str, std::wstring_view right) {
  return EndsWith(str, right, true);
}

int TUnicodeString::IndexOfIgnoreCase(std::wstring_view str, const Rtl::TStringList& strings) {
  for (int i = 0; i < strings.Count(); ++i)
    if (Rtl::AsciiSameText(strings[i], str)) return i;
  return -1;
}

int TUnicodeString::IndexOfIgnoreCasePartialMatch(std::wstring_view str, const Rtl::TStringList& strings) {
  for (int i = 0; i < strings.Count(); ++i)
    if (StringDetail::FindIgnoreCase(str, strings[i], 0) != std::wstring_view::npos) return i;
  return -1;
}

bool TString::ArrayContains(std::wstring_view value, const std::vector<std::wstring>& values) {
  return std::any_of(values.begin(), values.end(),
                     [value](const std::wstring& item) { return Rtl::AsciiSameText(item, value); });
}

}  // namespace Qd
