#include "runtime/Text/StringList.h"

#include <algorithm>

#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Format.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Strings.h"

namespace Rtl {

TStringList::TStringList() = default;
TStringList::~TStringList() = default;

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw EStringListError(Format(LoadResString(SListIndexError), {index}));
}

const std::wstring& TStringList::Strings(int index) const {
  CheckIndex(index);
  return FItems[static_cast<size_t>(index)].FString;
}

void TStringList::SetStrings(int index, std::wstring value) {
  CheckIndex(index);
  FItems[static_cast<size_t>(index)].FString = std::move(value);
}

TObject* TStringList::Objects(int index) const {
  CheckIndex(index);
  return FItems[static_cast<size_t>(index)].FObject;
}

void TStringList::SetObjects(int index, TObject* value) {
  CheckIndex(index);
  TItem& item = FItems[static_cast<size_t>(index)];
  if (item.FObject == value) return;  // the same object: keep it as it is held
  std::unique_ptr<TObject> old = std::move(item.FOwned);
  item.FObject = value;
}

void TStringList::SetObjects(int index, std::unique_ptr<TObject> value) {
  CheckIndex(index);
  TItem& item = FItems[static_cast<size_t>(index)];
  if (item.FOwned && item.FOwned == value) return;
  std::unique_ptr<TObject> old = std::move(item.FOwned);
  item.FObject = value.get();
  item.FOwned = std::move(value);
}

std::unique_ptr<TObject> TStringList::TakeObject(int index) {
  CheckIndex(index);
  TItem& item = FItems[static_cast<size_t>(index)];
  item.FObject = nullptr;
  return std::move(item.FOwned);
}

int TStringList::AddItem(TItem item) {
  if (!FSorted) {
    FItems.push_back(std::move(item));
    return Count() - 1;
  }
  int index;
  if (Find(item.FString, index)) {
    if (FDuplicates == dupIgnore) return index;
    if (FDuplicates == dupError) throw EStringListError(LoadResString(SDuplicateString));
  }
  FItems.insert(FItems.begin() + index, std::move(item));
  return index;
}

int TStringList::InsertItem(int index, TItem item) {
  if (FSorted) throw EStringListError(LoadResString(SSortedListError));
  if (index < 0 || index > Count())
    throw EStringListError(Format(LoadResString(SListIndexError), {index}));
  FItems.insert(FItems.begin() + index, std::move(item));
  return index;
}

int TStringList::Add(std::wstring value) { return AddItem(TItem{std::move(value), nullptr, nullptr}); }

int TStringList::AddObject(std::wstring value, TObject* object) {
  return AddItem(TItem{std::move(value), object, nullptr});
}

int TStringList::AddObject(std::wstring value, std::unique_ptr<TObject> object) {
  TObject* raw = object.get();
  return AddItem(TItem{std::move(value), raw, std::move(object)});
}

void TStringList::Insert(int index, std::wstring value) {
  InsertItem(index, TItem{std::move(value), nullptr, nullptr});
}

void TStringList::InsertObject(int index, std::wstring value, TObject* object) {
  InsertItem(index, TItem{std::move(value), object, nullptr});
}

void TStringList::InsertObject(int index, std::wstring value, std::unique_ptr<TObject> object) {
  TObject* raw = object.get();
  InsertItem(index, TItem{std::move(value), raw, std::move(object)});
}

void TStringList::AddStrings(const TStringList& strings) {
  if (&strings == this) {
    const int n = Count();
    for (int i = 0; i < n; ++i) AddObject(FItems[static_cast<size_t>(i)].FString, nullptr);
    return;
  }
  for (const TItem& item : strings.FItems) AddObject(item.FString, item.FObject);
}

void TStringList::AddStrings(const std::vector<std::wstring>& strings) {
  for (const auto& s : strings) Add(s);
}

void TStringList::Assign(const TStringList& source) {
  if (&source == this) return;
  Clear();
  AddStrings(source);
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  FItems.erase(FItems.begin() + index);
}

void TStringList::Clear() {
  // Owned objects go first to last; the strings go with them.
  std::vector<TItem> items = std::move(FItems);
  FItems.clear();
  for (TItem& item : items) item.FOwned.reset();
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(FItems[static_cast<size_t>(index1)], FItems[static_cast<size_t>(index2)]);
}

void TStringList::Move(int currentIndex, int newIndex) {
  if (currentIndex == newIndex) return;
  CheckIndex(currentIndex);
  CheckIndex(newIndex);
  TItem item = std::move(FItems[static_cast<size_t>(currentIndex)]);
  FItems.erase(FItems.begin() + currentIndex);
  FItems.insert(FItems.begin() + newIndex, std::move(item));
}

int TStringList::CompareStrings(std::wstring_view s1, std::wstring_view s2) const {
  if (FCaseSensitive) return s1.compare(s2) < 0 ? -1 : (s1 == s2 ? 0 : 1);
  const int r = CompareStringOrdinal(s1.data(), static_cast<int>(s1.size()), s2.data(),
                                     static_cast<int>(s2.size()), TRUE);
  return r - CSTR_EQUAL;
}

int TStringList::IndexOf(std::wstring_view value) const {
  if (FSorted) {
    int index;
    return Find(value, index) ? index : -1;
  }
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(FItems[static_cast<size_t>(i)].FString, value) == 0) return i;
  return -1;
}

int TStringList::IndexOfObject(const TObject* object) const {
  for (int i = 0; i < Count(); ++i)
    if (FItems[static_cast<size_t>(i)].FObject == object) return i;
  return -1;
}

bool TStringList::Find(std::wstring_view value, int& index) const {
  int low = 0, high = Count() - 1;
  bool found = false;
  while (low <= high) {
    const int mid = (low + high) / 2;
    const int c = CompareStrings(FItems[static_cast<size_t>(mid)].FString, value);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) {
        found = true;
        if (FDuplicates != dupAccept) low = mid;
      }
    }
  }
  index = low;
  return found;
}

int TStringList::IndexOfName(std::wstring_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::wstring& s = FItems[static_cast<size_t>(i)].FString;
    const auto p = s.find(FNameValueSeparator);
    if (p != std::wstring::npos && CompareStrings(std::wstring_view(s).substr(0, p), name) == 0) return i;
  }
  return -1;
}

std::wstring TStringList::Names(int index) const {
  const std::wstring& s = Strings(index);
  const auto p = s.find(FNameValueSeparator);
  return p == std::wstring::npos ? std::wstring() : s.substr(0, p);
}

std::wstring TStringList::ValueFromIndex(int index) const {
  const std::wstring& s = Strings(index);
  const auto p = s.find(FNameValueSeparator);
  return p == std::wstring::npos ? std::wstring() : s.substr(p + 1);
}

std::wstring TStringList::Values(std::wstring_view name) const {
  const int i = IndexOfName(name);
  return i < 0 ? std::wstring() : ValueFromIndex(i);
}

void TStringList::SetValues(std::wstring_view name, std::wstring_view value) {
  const int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  std::wstring entry = std::wstring(name) + FNameValueSeparator + std::wstring(value);
  if (i < 0)
    Add(std::move(entry));
  else
    FItems[static_cast<size_t>(i)].FString = std::move(entry);
}

std::wstring TStringList::Text() const {
  size_t size = 0;
  for (const TItem& item : FItems) size += item.FString.size() + 2;
  std::wstring result;
  result.reserve(size);
  for (const TItem& item : FItems) {
    result += item.FString;
    result += L"\r\n";
  }
  return result;
}

void TStringList::SetCommaText(std::wstring_view value) {
  Clear();
  const auto blank = [](wchar_t c) { return c > 0 && c <= L' '; };
  std::size_t i = 0;
  while (i < value.size() && blank(value[i])) ++i;
  while (i < value.size()) {
    std::wstring item;
    if (value[i] == L'"') {
      ++i;
      while (i < value.size()) {
        if (value[i] == L'"') {
          if (i + 1 < value.size() && value[i + 1] == L'"') {
            item += L'"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += value[i++];
      }
    } else {
      while (i < value.size() && value[i] != L',' && !blank(value[i])) item += value[i++];
    }
    Add(std::move(item));
    while (i < value.size() && blank(value[i])) ++i;
    if (i < value.size() && value[i] == L',') {
      ++i;
      while (i < value.size() && blank(value[i])) ++i;
      // A comma at the end still ends an (empty) item.
      if (i == value.size()) Add(std::wstring());
    }
  }
}

void TStringList::SetText(std::wstring_view value) {
  Clear();
  size_t start = 0;
  const size_t n = value.size();
  while (start < n) {
    size_t end = start;
    while (end < n && value[end] != L'\r' && value[end] != L'\n') ++end;
    Add(std::wstring(value.substr(start, end - start)));
    if (end < n && value[end] == L'\r') ++end;
    if (end < n && value[end] == L'\n') ++end;
    start = end;
  }
}

void TStringList::SortItems(const std::function<bool(const TItem&, const TItem&)>& less) {
  std::stable_sort(FItems.begin(), FItems.end(), less);
}

void TStringList::Sort() {
  SortItems([this](const TItem& a, const TItem& b) { return CompareStrings(a.FString, b.FString) < 0; });
}

void TStringList::CustomSort(const TCompare& compare) {
  // Sort a permutation so that the comparer sees the list's own indexes.
  std::vector<int> order(FItems.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return compare(*this, a, b) < 0; });
  std::vector<TItem> sorted;
  sorted.reserve(FItems.size());
  for (int i : order) sorted.push_back(std::move(FItems[static_cast<size_t>(i)]));
  FItems = std::move(sorted);
}

void TStringList::SetSorted(bool value) {
  if (value == FSorted) return;
  if (value) Sort();
  FSorted = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == FCaseSensitive) return;
  FCaseSensitive = value;
  if (FSorted) Sort();
}

bool TStringList::Equals(const TObject* obj) const {
  const auto* other = dynamic_cast<const TStringList*>(obj);
  if (other == nullptr) return false;
  if (other->Count() != Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (FItems[static_cast<size_t>(i)].FString != other->FItems[static_cast<size_t>(i)].FString) return false;
  return true;
}

std::vector<std::wstring> TStringList::ToVector() const {
  std::vector<std::wstring> result;
  result.reserve(FItems.size());
  for (const TItem& item : FItems) result.push_back(item.FString);
  return result;
}

}  // namespace Rtl
