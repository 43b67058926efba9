// Cutting text apart: copies by position, taking parts off the caller's
// string, and cutting at strings and at characters of a set.
#include <algorithm>
#include <cstdint>

#include "QdString/Detail.h"
#include "QdString/UnicodeString.h"

namespace Qd {

namespace StringDetail {

std::wstring_view Substring(std::wstring_view s, int index, int count) {
  if (count < 0) return {};
  const std::size_t start = index > 1 ? static_cast<std::size_t>(index) - 1 : 0;
  if (start >= s.size()) return {};
  return s.substr(start, static_cast<std::size_t>(count));
}

}  // namespace StringDetail

namespace {

constexpr std::size_t NPOS = std::wstring_view::npos;

std::size_t Count(int count) { return count > 0 ? static_cast<std::size_t>(count) : 0; }

// Moves the first n characters of str (n at most its length) to the result.
std::wstring MoveLeft(std::wstring& str, std::size_t n) {
  std::wstring result = str.substr(0, n);
  str.erase(0, n);
  return result;
}

// Moves everything from index start on to the result.
std::wstring MoveRight(std::wstring& str, std::size_t start) {
  std::wstring result = str.substr(start);
  str.erase(start);
  return result;
}

// All of str to the result; str becomes "".
std::wstring MoveAll(std::wstring& str) {
  std::wstring result = std::move(str);
  str.clear();
  return result;
}

}  // namespace

std::wstring TUnicodeString::Copy(std::wstring_view str, int index) {
  return std::wstring(StringDetail::Substring(str, index, static_cast<int>(str.size())));
}

std::wstring TUnicodeString::CopyRight(std::wstring_view str, int len) { return Right(str, len); }

std::wstring TUnicodeString::Left(std::wstring_view str, int count) {
  return std::wstring(StringDetail::Substring(str, 1, count));
}

std::wstring TUnicodeString::Right(std::wstring_view str, int count) {
  const std::size_t n = std::min(Count(count), str.size());
  return std::wstring(str.substr(str.size() - n));
}

wchar_t TUnicodeString::GetLast(std::wstring_view str) { return str.empty() ? L'\0' : str.back(); }

std::wstring TUnicodeString::Take(std::wstring& str, int first, int count) {
  const std::size_t start = first > 1 ? static_cast<std::size_t>(first) - 1 : 0;
  if (start >= str.size() || count <= 0) return {};
  const std::size_t n = std::min(Count(count), str.size() - start);
  std::wstring result = str.substr(start, n);
  str.erase(start, n);
  return result;
}

std::wstring TUnicodeString::TakeLeft(std::wstring& str, int count) {
  return MoveLeft(str, std::min(Count(count), str.size()));
}

std::wstring TUnicodeString::TakeRight(std::wstring& str, int count) {
  return MoveRight(str, str.size() - std::min(Count(count), str.size()));
}

std::wstring TUnicodeString::DeleteLeft(std::wstring& str, int count) {
  str.erase(0, std::min(Count(count), str.size()));
  return str;
}

std::wstring TUnicodeString::DeleteRight(std::wstring& str, int count) {
  str.erase(str.size() - std::min(Count(count), str.size()));
  return str;
}

std::wstring TUnicodeString::TakeLeftUpToWhiteSpace(std::wstring& str, bool removeTrailingWhiteSpaces) {
  const auto space = std::find_if(str.begin(), str.end(), [](wchar_t c) { return IsWhiteSpace(c); });
  std::wstring result = MoveLeft(str, static_cast<std::size_t>(space - str.begin()));
  if (removeTrailingWhiteSpaces) DeleteWhiteSpaceLeft(str);
  return result;
}

std::wstring TUnicodeString::TakeLeftString(std::wstring& str, std::wstring_view upToString, bool includeString) {
  const std::size_t length = upToString.size();
  const std::size_t p = length == 0 ? NPOS : str.find(upToString);
  if (p == NPOS) return MoveAll(str);
  return MoveLeft(str, includeString ? p + length : p);
}

std::wstring TUnicodeString::TakeRightString(std::wstring& str, std::wstring_view downToString,
                                             bool includeString) {
  const std::size_t length = downToString.size();
  const std::size_t p = length == 0 ? NPOS : str.rfind(downToString);
  if (p == NPOS) return MoveAll(str);
  return MoveRight(str, includeString ? p : p + length);
}

std::wstring TUnicodeString::ParseUpToChar(std::wstring& str, std::wstring_view upToString) {
  const std::size_t length = upToString.size();
  const std::size_t p = length == 0 ? NPOS : str.find(upToString);
  if (p == NPOS) return MoveAll(str);
  std::wstring result = str.substr(0, p);
  str.erase(0, p + length);
  return result;
}

std::wstring TUnicodeString::GetUpToChar(std::wstring_view str, std::wstring_view limitChars) {
  const std::size_t p = limitChars.empty() ? NPOS : str.find_first_of(limitChars);
  return std::wstring(str.substr(0, p));
}

std::wstring TUnicodeString::GetDownToChar(std::wstring_view str, std::wstring_view limitChars, int startAt) {
  const std::size_t end = startAt <= 0 ? str.size() : std::min(static_cast<std::size_t>(startAt), str.size());
  const std::size_t p = limitChars.empty() ? NPOS : str.substr(0, end).find_last_of(limitChars);
  if (p == NPOS) return std::wstring(str);
  return std::wstring(str.substr(p + 1, end - (p + 1)));
}

std::wstring TUnicodeString::TakeLeftUpToChar(std::wstring& str, std::wstring_view limitChars, bool includeChar) {
  const std::size_t p = limitChars.empty() ? NPOS : str.find_first_of(limitChars);
  if (p == NPOS) return MoveAll(str);
  std::wstring result = str.substr(0, p);
  str.erase(0, includeChar ? p + 1 : p);
  return result;
}

std::wstring TUnicodeString::TakeRightDownToChar(std::wstring& str, std::wstring_view limitChars,
                                                 bool includeChar) {
  const std::size_t p = limitChars.empty() ? NPOS : str.find_last_of(limitChars);
  if (p == NPOS) return MoveAll(str);
  std::wstring result = str.substr(p + 1);
  str.erase(includeChar ? p : p + 1);
  return result;
}

int TUnicodeString::GetNumber(std::wstring& str) {
  std::uint32_t value = 0;
  std::size_t i = 0;
  for (; i < str.size() && IsDigit(str[i]); ++i) value = value * 10u + static_cast<std::uint32_t>(CharToInt(str[i]));
  str.erase(0, i);
  return static_cast<int>(value);
}

std::wstring TUnicodeString::GetNextName(std::wstring_view name) {
  std::size_t digits = name.size();
  while (digits > 0 && IsDigit(name[digits - 1])) --digits;
  // The number is incremented as decimal text, so it never overflows.
  std::wstring number(name.substr(digits));
  number.erase(0, std::min(number.find_first_not_of(L'0'), number.size()));
  std::size_t i = number.size();
  while (i > 0 && number[i - 1] == L'9') number[--i] = L'0';
  if (i == 0)
    number.insert(number.begin(), L'1');
  else
    ++number[i - 1];
  std::wstring result(name.substr(0, digits));
  return result.append(number);
}

std::wstring TUnicodeString::MakeReverse(std::wstring_view str) { return std::wstring(str.rbegin(), str.rend()); }

}  // namespace Qd
