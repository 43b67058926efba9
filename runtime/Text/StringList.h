// The runtime's string list: strings, each with an optional attached object.
//
// An attached object is either borrowed (a plain pointer; the list never
// frees it) or owned (handed over as std::unique_ptr; the list frees it when
// the entry is deleted, replaced, cleared or the list is destroyed).
// Indexes are 0-based; an index out of bounds raises EStringListError
// "List index out of bounds (%d)".
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/Core/Object.h"

namespace Rtl {

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TObject {
public:
  using TCompare = std::function<int(const TStringList& list, int index1, int index2)>;

  TStringList();
  ~TStringList() override;
  TStringList(const TStringList&) = delete;
  TStringList& operator=(const TStringList&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  bool IsEmpty() const { return FItems.empty(); }

  const std::wstring& Strings(int index) const;
  const std::wstring& operator[](int index) const { return Strings(index); }
  void SetStrings(int index, std::wstring value);

  TObject* Objects(int index) const;
  void SetObjects(int index, TObject* value);                 // borrowed
  void SetObjects(int index, std::unique_ptr<TObject> value); // owned
  // Removes an owned object from its entry and hands it to the caller
  // (the entry keeps the string and no object).
  std::unique_ptr<TObject> TakeObject(int index);

  int Add(std::wstring value);
  int AddObject(std::wstring value, TObject* object);
  int AddObject(std::wstring value, std::unique_ptr<TObject> object);
  void Insert(int index, std::wstring value);
  void InsertObject(int index, std::wstring value, TObject* object);
  void InsertObject(int index, std::wstring value, std::unique_ptr<TObject> object);
  void AddStrings(const TStringList& strings);
  void AddStrings(const std::vector<std::wstring>& strings);
  void Assign(const TStringList& source);  // strings and borrowed objects
  void Delete(int index);
  void Clear();
  void Exchange(int index1, int index2);
  void Move(int currentIndex, int newIndex);

  // Searching: exact, or (CaseSensitive false, the default) ignoring case by
  // the system's ordinal case mapping.
  int IndexOf(std::wstring_view value) const;
  int IndexOfObject(const TObject* object) const;
  int IndexOfName(std::wstring_view name) const;
  bool Find(std::wstring_view value, int& index) const;  // sorted lists: binary search
  int CompareStrings(std::wstring_view s1, std::wstring_view s2) const;

  // "name=value" entries.
  std::wstring Names(int index) const;
  std::wstring Values(std::wstring_view name) const;
  void SetValues(std::wstring_view name, std::wstring_view value);
  std::wstring ValueFromIndex(int index) const;
  wchar_t NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(wchar_t value) { FNameValueSeparator = value; }

  // Every line followed by CR LF; setting splits at CR LF, LF or CR.
  std::wstring Text() const;
  void SetText(std::wstring_view value);
  // Comma text: the items separated by commas or blanks (control
  // characters and spaces); an item in double quotes keeps its commas and
  // blanks, and a doubled quote in it stands for one. Empty items between
  // commas count.
  void SetCommaText(std::wstring_view value);

  bool Sorted() const { return FSorted; }
  void SetSorted(bool value);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates value) { FDuplicates = value; }
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool value);
  void Sort();
  void CustomSort(const TCompare& compare);

  // Same count and the same strings, index by index (exact).
  bool Equals(const TObject* obj) const override;

  std::vector<std::wstring> ToVector() const;

  class const_iterator {
  public:
    const_iterator(const TStringList* list, int index) : FList(list), FIndex(index) {}
    const std::wstring& operator*() const { return FList->FItems[static_cast<size_t>(FIndex)].FString; }
    const_iterator& operator++() { ++FIndex; return *this; }
    bool operator!=(const const_iterator& other) const { return FIndex != other.FIndex; }
    bool operator==(const const_iterator& other) const { return FIndex == other.FIndex; }
  private:
    const TStringList* FList;
    int FIndex;
  };
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, Count()); }

private:
  struct TItem {
    std::wstring FString;
    TObject* FObject = nullptr;         // the attached object, owned or borrowed
    std::unique_ptr<TObject> FOwned;    // set when the list owns FObject
  };

  void CheckIndex(int index) const;
  int InsertItem(int index, TItem item);
  int AddItem(TItem item);
  void SortItems(const std::function<bool(const TItem&, const TItem&)>& less);

  std::vector<TItem> FItems;
  bool FSorted = false;
  bool FCaseSensitive = false;
  TDuplicates FDuplicates = dupIgnore;
  wchar_t FNameValueSeparator = L'=';
};

}  // namespace Rtl
