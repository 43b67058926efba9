// New lines of the string toolbox: detecting, writing and changing the
// CR LF, LF CR, CR and LF conventions.
#include "QdString/UnicodeString.h"
#include "runtime/Core/Exceptions.h"

namespace Qd {

namespace {

std::wstring_view NewLineText(TNewLine newLine) {
  if (newLine > nlLf) throw Rtl::Exception(Rtl::SErrorMessage);
  return NEW_LINES_C[newLine];
}

}  // namespace

TNewLine TUnicodeString::GetNewLine(std::wstring_view str, TNewLine Default) {
  const size_t p = str.find_first_of(L"\r\n");
  if (p == std::wstring_view::npos) return Default;
  const wchar_t next = p + 1 < str.size() ? str[p + 1] : L'\0';
  if (str[p] == L'\r') return next == L'\n' ? nlCrLf : nlCr;
  return next == L'\r' ? nlLfCr : nlLf;
}

std::wstring TUnicodeString::NewLineToString(TNewLine newLine) { return std::wstring(NewLineText(newLine)); }

std::wstring TUnicodeString::SetNewLines(std::wstring_view str, TNewLine newLine) {
  const std::wstring_view target = NewLineText(newLine);
  std::wstring result;
  result.reserve(str.size() + 16);
  const size_t n = str.size();
  for (size_t i = 0; i < n; ++i) {
    const wchar_t c = str[i];
    if (c != L'\r' && c != L'\n') {
      result.push_back(c);
      continue;
    }
    // CR LF and LF CR are one new line each.
    const wchar_t partner = c == L'\r' ? L'\n' : L'\r';
    if (i + 1 < n && str[i + 1] == partner) ++i;
    result += target;
  }
  return result;
}

std::wstring TUnicodeString::ChangeNewLines(std::wstring_view str, TNewLine source, TNewLine target) {
  const std::wstring_view from = NewLineText(source);
  const std::wstring_view to = NewLineText(target);
  std::wstring result;
  result.reserve(str.size() + 16);
  const size_t n = str.size();
  for (size_t i = 0; i < n; ++i) {
    const wchar_t c = str[i];
    if (c != from[0]) {
      result.push_back(c);
      continue;
    }
    if (from.size() == 2) {
      // A two-character convention: the first character counts as a new
      // line when its partner follows or when it ends the text.
      if (i + 1 < n && str[i + 1] != from[1]) {
        result.push_back(c);
        continue;
      }
      ++i;
    }
    result += to;
  }
  return result;
}

std::wstring TUnicodeString::ReplaceNewLines(std::wstring_view str, wchar_t replaceChar) {
  std::wstring result(str);
  for (wchar_t& c : result)
    if (c == L'\r' || c == L'\n') c = replaceChar;
  return result;
}

std::wstring TUnicodeString::RemoveNewLines(std::wstring_view str) {
  std::wstring result;
  result.reserve(str.size());
  for (wchar_t c : str)
    if (c != L'\r' && c != L'\n') result.push_back(c);
  return result;
}

}  // namespace Qd
