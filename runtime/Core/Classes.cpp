#include "runtime/Core/Classes.h"

#include <algorithm>
#include <utility>

#include "runtime/Text/Format.h"

namespace Rtl {

// --- TPersistent --------------------------------------------------------------

void TPersistent::Assign(const TPersistent& source) { source.AssignTo(*this); }

void TPersistent::AssignTo(TPersistent& dest) const {
  throw EConvertError(Format(LoadResString(SAssignError), {ClassName(), dest.ClassName()}));
}

void TPersistent::DefineProperties(TFiler&) {}

// --- TList ----------------------------------------------------------------------

TList::~TList() = default;

void TList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format(LoadResString(SListIndexError), {index}));
}

TObject* TList::Items(int index) const {
  CheckIndex(index);
  return FItems[static_cast<std::size_t>(index)];
}

void TList::SetItems(int index, TObject* item) {
  CheckIndex(index);
  TObject* old = std::exchange(FItems[static_cast<std::size_t>(index)], item);
  if (old == item) return;
  if (item != nullptr) Notify(item, lnAdded);
  if (old != nullptr) Notify(old, lnDeleted);
}

int TList::Add(TObject* item) {
  Insert(Count(), item);
  return Count() - 1;
}

void TList::Insert(int index, TObject* item) {
  if (index < 0 || index > Count()) throw EListError(Format(LoadResString(SListIndexError), {index}));
  FItems.insert(FItems.begin() + index, item);
  if (item != nullptr) Notify(item, lnAdded);
}

void TList::Delete(int index) {
  CheckIndex(index);
  TObject* item = FItems[static_cast<std::size_t>(index)];
  FItems.erase(FItems.begin() + index);
  if (item != nullptr) Notify(item, lnDeleted);
}

int TList::Remove(const TObject* item) {
  const int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

TObject* TList::Extract(const TObject* item) {
  const int index = IndexOf(item);
  if (index < 0) return nullptr;
  TObject* result = FItems[static_cast<std::size_t>(index)];
  FItems.erase(FItems.begin() + index);
  if (result != nullptr) Notify(result, lnExtracted);
  return result;
}

int TList::IndexOf(const TObject* item) const {
  const auto found = std::find(FItems.begin(), FItems.end(), item);
  return found != FItems.end() ? static_cast<int>(found - FItems.begin()) : -1;
}

void TList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(FItems[static_cast<std::size_t>(index1)], FItems[static_cast<std::size_t>(index2)]);
}

void TList::Move(int currentIndex, int newIndex) {
  if (currentIndex == newIndex) return;
  CheckIndex(currentIndex);
  CheckIndex(newIndex);
  TObject* item = FItems[static_cast<std::size_t>(currentIndex)];
  FItems.erase(FItems.begin() + currentIndex);
  FItems.insert(FItems.begin() + newIndex, item);
}

void TList::Clear() {
  while (!FItems.empty()) {
    TObject* item = FItems.back();
    FItems.pop_back();
    if (item != nullptr) Notify(item, lnDeleted);
  }
}

void TList::Sort(const TCompare& compare) {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [&compare](TObject* a, TObject* b) { return compare(a, b) < 0; });
}

void TList::Notify(TObject*, TListNotification) {}

std::vector<TObject*> TList::DetachAll() { return std::exchange(FItems, {}); }

}  // namespace Rtl
