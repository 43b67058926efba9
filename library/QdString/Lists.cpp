// String lists: clearing, freeing, joining and splitting.
#include <algorithm>
#include <vector>

#include "QdString/UnicodeString.h"
#include "runtime/Text/StringList.h"

namespace Qd {

void TUnicodeString::ClearStrings(Rtl::TStringList& strings) { strings.Clear(); }

void TUnicodeString::FreeStrings(std::unique_ptr<Rtl::TStringList>& strings) {
  if (!strings) return;
  ClearStrings(*strings);
  strings.reset();
}

std::wstring TUnicodeString::StringsToString(const Rtl::TStringList& strings, wchar_t separator) {
  std::wstring result;
  for (const std::wstring& item : strings) {
    if (!result.empty()) result.push_back(separator);
    result.append(item);
  }
  return result;
}

int TUnicodeString::StringToStrings(std::wstring_view value, Rtl::TStringList& strings, wchar_t separator) {
  // The pieces are cut before the list is emptied: value may be one of its
  // items.
  std::vector<std::wstring> pieces;
  std::size_t pos = 0;
  while (pos < value.size()) {
    const std::size_t end = std::min(value.find(separator, pos), value.size());
    pieces.emplace_back(value.substr(pos, end - pos));
    pos = end + 1;
  }
  strings.Clear();
  for (std::wstring& piece : pieces) strings.Add(std::move(piece));
  return strings.Count();
}

}  // namespace Qd
