// White space: trimming, stripping and normalising runs of the full
// white-space set.
#include <algorithm>

#include "QdString/UnicodeString.h"

namespace Qd {

namespace {

// Length of the leading / trailing white-space run of str.
std::size_t LeftRun(std::wstring_view str) {
  std::size_t i = 0;
  while (i < str.size() && TUnicodeString::IsWhiteSpace(str[i])) ++i;
  return i;
}

std::size_t RightRun(std::wstring_view str) {
  std::size_t i = str.size();
  while (i > 0 && TUnicodeString::IsWhiteSpace(str[i - 1])) --i;
  return str.size() - i;
}

// str without its leading and trailing white space.
std::wstring_view Trimmed(std::wstring_view str) {
  const std::size_t left = LeftRun(str);
  str.remove_prefix(left);
  str.remove_suffix(RightRun(str));
  return str;
}

}  // namespace

std::wstring TUnicodeString::DeleteWhiteSpaceLeft(std::wstring& str) {
  std::wstring removed = str.substr(0, LeftRun(str));
  str.erase(0, removed.size());
  return removed;
}

std::wstring TUnicodeString::DeleteWhiteSpaceLeftLim(std::wstring& str, int count) {
  const std::size_t limit = count > 0 ? static_cast<std::size_t>(count) : 0;
  std::wstring removed = str.substr(0, std::min(LeftRun(str), limit));
  str.erase(0, removed.size());
  return removed;
}

std::wstring TUnicodeString::DeleteWhiteSpaceRight(std::wstring& str) {
  const std::size_t start = str.size() - RightRun(str);
  std::wstring removed = str.substr(start);
  str.erase(start);
  return removed;
}

std::wstring TUnicodeString::DeleteWhiteSpace(std::wstring& str, std::wstring& left, std::wstring& right) {
  left = DeleteWhiteSpaceLeft(str);
  right = DeleteWhiteSpaceRight(str);
  return str;
}

std::wstring TUnicodeString::DeleteWhiteSpace(std::wstring& str) {
  str.erase(str.size() - RightRun(str));
  str.erase(0, LeftRun(str));
  return str;
}

std::wstring TUnicodeString::GetWhiteSpaceDeletedValue(std::wstring_view str) { return std::wstring(Trimmed(str)); }

std::wstring TUnicodeString::RemoveWhiteSpace(std::wstring_view str) { return std::wstring(Trimmed(str)); }

std::wstring TUnicodeString::GetWhiteSpaceStrippedValue(std::wstring_view str) {
  const std::wstring_view trimmed = Trimmed(str);
  std::wstring result;
  result.reserve(trimmed.size());
  for (std::size_t i = 0; i < trimmed.size(); ++i) {
    const wchar_t c = trimmed[i];
    if (i > 0 && c == trimmed[i - 1] && IsWhiteSpace(c)) continue;
    result.push_back(c);
  }
  return result;
}

std::wstring TUnicodeString::NormalizeWhiteSpaces(std::wstring_view value) {
  std::wstring result;
  result.reserve(value.size());
  for (wchar_t c : value) {
    if (!IsWhiteSpace(c))
      result.push_back(c);
    else if (result.empty() || result.back() != L' ')
      result.push_back(L' ');
  }
  return result;
}

std::wstring TUnicodeString::DeleteAllWhiteSpaces(std::wstring& str) {
  str.erase(std::remove_if(str.begin(), str.end(), [](wchar_t c) { return IsWhiteSpace(c); }), str.end());
  return str;
}

std::wstring TUnicodeString::GetLeftWhiteSpaces(std::wstring_view str) {
  return std::wstring(str.substr(0, LeftRun(str)));
}

std::wstring TUnicodeString::GetRightWhiteSpaces(std::wstring_view str) {
  return std::wstring(str.substr(str.size() - RightRun(str)));
}

std::wstring TUnicodeString::TrimRight(std::wstring& str, wchar_t trimChar) {
  const std::size_t last = str.find_last_not_of(trimChar);
  str.erase(last == std::wstring::npos ? 0 : last + 1);
  return str;
}

}  // namespace Qd
