// Replacing and removing characters and strings.
#include <iterator>
#include <algorithm>

#include "QdString/Detail.h"
#include "QdString/UnicodeString.h"

namespace Qd {

std::wstring TUnicodeString::ReplaceAll(std::wstring_view value, wchar_t replaceChar) {
  return std::wstring(value.size(), replaceChar);
}

std::wstring TUnicodeString::ReplaceChar(std::wstring_view value, wchar_t existingChar, wchar_t replaceChar) {
  std::wstring result(value);
  std::replace(result.begin(), result.end(), existingChar, replaceChar);
  return result;
}

int TUnicodeString::Replace(std::wstring& str, wchar_t existingChar, wchar_t replaceChar) {
  int count = 0;
  for (wchar_t& c : str) {
    if (c != existingChar) continue;
    c = replaceChar;
    ++count;
  }
  return count;
}

std::wstring TUnicodeString::ReplaceString(std::wstring_view value, wchar_t existingChar,
                                           std::wstring_view replaceValue) {
  return ReplaceString(value, std::wstring_view(&existingChar, 1), replaceValue, false);
}

// The result is built in one pass: text between occurrences is copied and
// each occurrence is written as replaceValue. Searching on after the
// occurrence in value is the same as searching the result after the inserted
// text, which is thus never searched again.
std::wstring TUnicodeString::ReplaceString(std::wstring_view value, std::wstring_view existingValue,
                                           std::wstring_view replaceValue, bool ignoreCase) {
  if (existingValue.empty()) return std::wstring(value);
  const auto find = [&](std::size_t from) {
    return ignoreCase ? StringDetail::FindIgnoreCase(existingValue, value, from) : value.find(existingValue, from);
  };
  std::size_t p = find(0);
  if (p == std::wstring_view::npos) return std::wstring(value);
  std::wstring result;
  result.reserve(value.size());
  std::size_t done = 0;
  for (; p != std::wstring_view::npos; p = find(done)) {
    result.append(value.substr(done, p - done)).append(replaceValue);
    done = p + existingValue.size();
  }
  result.append(value.substr(done));
  return result;
}

std::wstring TUnicodeString::DeleteChar(std::wstring_view value, wchar_t removeChar) {
  std::wstring result;
  result.reserve(value.size());
  std::copy_if(value.begin(), value.end(), std::back_inserter(result),
               [removeChar](wchar_t c) { return c != removeChar; });
  return result;
}

std::wstring TUnicodeString::Remove(std::wstring& str, wchar_t removeChar) {
  str.erase(std::remove(str.begin(), str.end(), removeChar), str.end());
  return str;
}

std::wstring TUnicodeString::Append(std::wstring_view str, std::wstring_view appendStr, wchar_t separator) {
  std::wstring result(str);
  if (!str.empty() && !appendStr.empty()) result.push_back(separator);
  return result.append(appendStr);
}

std::wstring TUnicodeString::AddSpaces(std::wstring_view str) {
  std::wstring result;
  result.reserve(str.size() + 2);
  return result.append(1, L' ').append(str).append(1, L' ');
}

}  // namespace Qd
