// Quoting: adding, doubling, undoubling and removing quote characters.
#include "QdString/UnicodeString.h"

namespace Qd {

namespace {

// The quote character of a kind; NUL for sqNone.
wchar_t QuoteChar(TStringQuote quote) {
  switch (quote) {
    case sqSingle:
      return L'\'';
    case sqDouble:
      return L'"';
    case sqNone:
      break;
  }
  return L'\0';
}

}  // namespace

std::wstring TUnicodeString::Quote(std::wstring_view str, TStringQuote quote) {
  const wchar_t q = QuoteChar(quote);
  if (q == L'\0') return std::wstring(str);
  std::wstring result;
  result.reserve(str.size() + 2);
  return result.append(1, q).append(str).append(1, q);
}

std::wstring TUnicodeString::QuoteCode(std::wstring_view str, TStringQuote quote) {
  const wchar_t q = QuoteChar(quote);
  if (q == L'\0') return std::wstring(str);
  std::wstring result;
  result.reserve(str.size());
  for (wchar_t c : str) {
    result.push_back(c);
    if (c == q) result.push_back(c);
  }
  return result;
}

std::wstring TUnicodeString::QuoteDecode(std::wstring_view str, TStringQuote quote) {
  const wchar_t q = QuoteChar(quote);
  if (q == L'\0') return std::wstring(str);
  std::wstring result;
  result.reserve(str.size());
  for (std::size_t i = 0; i < str.size(); ++i) {
    result.push_back(str[i]);
    if (str[i] == q && i + 1 < str.size() && str[i + 1] == q) ++i;
  }
  return result;
}

std::wstring TUnicodeString::RemoveQuotes(std::wstring_view str, TStringQuote quote) {
  const wchar_t q = QuoteChar(quote);
  if (q == L'\0') return std::wstring(str);
  if (!str.empty() && str.front() == q) str.remove_prefix(1);
  if (!str.empty() && str.back() == q) str.remove_suffix(1);
  return std::wstring(str);
}

std::wstring TUnicodeString::DeleteQuotes(std::wstring_view item, TStringQuote& quote) {
  quote = sqNone;
  if (item.empty() || item.front() != item.back()) return std::wstring(item);
  if (item.front() == L'\'')
    quote = sqSingle;
  else if (item.front() == L'"')
    quote = sqDouble;
  else
    return std::wstring(item);
  const wchar_t q = item.front();
  item.remove_prefix(1);
  if (!item.empty() && item.back() == q) item.remove_suffix(1);
  return std::wstring(item);
}

std::wstring TUnicodeString::RemoveQuotes(std::wstring_view item) {
  TStringQuote quote;
  return DeleteQuotes(item, quote);
}

}  // namespace Qd
