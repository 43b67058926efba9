#include "QdClasses/Lists.h"

#include <algorithm>
#include <functional>
#include <unordered_set>
#include <utility>

#include "runtime/Text/Format.h"
#include "QdClasses/Strings.h"

namespace Qd {

namespace {

// Frees an object that a list owned.
void FreeObject(Rtl::TObject* item) { const std::unique_ptr<Rtl::TObject> owned(item); }

// Frees each object once: `items` in the order given, an object standing
// more than once at its first place. A short list looks back for an
// earlier place of each item; a long one sorts a copy to see whether any
// item repeats at all (mostly none does), and only then keeps a set.
template <class T>
void FreeEach(const std::vector<T*>& items) {
  constexpr std::size_t LOOK_BACK_UP_TO_C = 16;
  if (items.size() <= LOOK_BACK_UP_TO_C) {
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i] != nullptr && std::find(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(i), items[i]) ==
                                     items.begin() + static_cast<std::ptrdiff_t>(i))
        FreeObject(items[i]);
    return;
  }
  std::vector<const T*> sorted(items.begin(), items.end());
  std::sort(sorted.begin(), sorted.end(), std::less<>());
  if (std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()) {
    for (T* item : items)
      if (item != nullptr) FreeObject(item);
    return;
  }
  std::unordered_set<const T*> freed;
  for (T* item : items)
    if (item != nullptr && freed.insert(item).second) FreeObject(item);
}

// The order of the sorted lists: Compare, with missing items first.
int CompareItems(const TQdObject* a, const TQdObject* b) {
  if (a == nullptr || b == nullptr) return (a != nullptr) - (b != nullptr);
  return a->Compare(*b);
}

bool ItemsEqual(const Rtl::TObject* a, const Rtl::TObject* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return a->Equals(b);
}

// Index by index, both items missing or equal.
template <class L>
bool SameSequence(const L& a, const L& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), ItemsEqual);
}

// The same count, and every item of `a` equals some item of `b`.
template <class L>
bool SameMembers(const L& a, const L& b) {
  if (std::distance(a.begin(), a.end()) != std::distance(b.begin(), b.end())) return false;
  return std::all_of(a.begin(), a.end(), [&b](const Rtl::TObject* item) {
    return item == nullptr || std::any_of(b.begin(), b.end(), [item](const Rtl::TObject* other) {
             return other != nullptr && item->Equals(other);
           });
  });
}

}  // namespace

// --- TQdObjectList ---------------------------------------------------------------

TQdObjectList::~TQdObjectList() { Clear(); }

void TQdObjectList::CheckIndex(int index) const {
  if (index < 0 || index >= GetCount()) throw Rtl::EListError(Rtl::Format(Rtl::LoadResString(Rtl::SListIndexError), {index}));
}

TQdObject* TQdObjectList::GetItems(int index) const {
  CheckIndex(index);
  return FItems[static_cast<std::size_t>(index)];
}

void TQdObjectList::SetItems(int index, std::unique_ptr<TQdObject> value) {
  CheckIndex(index);
  TQdObject*& entry = FItems[static_cast<std::size_t>(index)];
  if (entry == value.get()) {
    value.release();  // the list holds it already
    return;
  }
  Release(std::exchange(entry, value.release()));
}

void TQdObjectList::SetSorted(bool value) {
  if (value == FSorted) return;
  FSorted = value;
  if (FSorted && !FItems.empty()) Sort();
}

int TQdObjectList::IndexOf(const TQdObject& item) const {
  if (FSorted) {
    int low = 0;
    int high = GetCount() - 1;
    while (low <= high) {
      const int mid = (low + high) / 2;
      const int c = CompareItems(FItems[static_cast<std::size_t>(mid)], &item);
      if (c < 0)
        low = mid + 1;
      else if (c > 0)
        high = mid - 1;
      else
        return mid;
    }
    return -1;
  }
  const auto found = std::find_if(FItems.begin(), FItems.end(),
                                  [&item](const TQdObject* entry) { return entry != nullptr && entry->Equals(&item); });
  return found != FItems.end() ? static_cast<int>(found - FItems.begin()) : -1;
}

TQdObject* TQdObjectList::Find(const TQdObject& item) const {
  const int index = IndexOf(item);
  return index >= 0 ? FItems[static_cast<std::size_t>(index)] : nullptr;
}

int TQdObjectList::InsertionPoint(const TQdObject* item) const {
  const auto pos = std::lower_bound(FItems.begin(), FItems.end(), item, [](const TQdObject* entry, const TQdObject* value) {
    return CompareItems(entry, value) < 0;
  });
  return static_cast<int>(pos - FItems.begin());
}

void TQdObjectList::InsertAt(int index, std::unique_ptr<TQdObject> item) {
  FItems.insert(FItems.begin() + index, item.get());
  item.release();
}

int TQdObjectList::Add(std::unique_ptr<TQdObject> item) {
  const int index = FSorted ? InsertionPoint(item.get()) : GetCount();
  InsertAt(index, std::move(item));
  return index;
}

void TQdObjectList::Insert(int index, std::unique_ptr<TQdObject> item) {
  if (FSorted) {
    Add(std::move(item));
    return;
  }
  if (index < 0 || index > GetCount()) throw Rtl::EListError(Rtl::Format(Rtl::LoadResString(Rtl::SListIndexError), {index}));
  InsertAt(index, std::move(item));
}

void TQdObjectList::Release(TQdObject* item) {
  if (item != nullptr && std::find(FItems.begin(), FItems.end(), item) == FItems.end()) FreeObject(item);
}

void TQdObjectList::Delete(int index) {
  CheckIndex(index);
  TQdObject* item = FItems[static_cast<std::size_t>(index)];
  FItems.erase(FItems.begin() + index);
  Release(item);
}

int TQdObjectList::Remove(const TQdObject* item) {
  const auto found = std::find(FItems.begin(), FItems.end(), item);
  if (found == FItems.end()) return -1;
  const int index = static_cast<int>(found - FItems.begin());
  Delete(index);
  return index;
}

std::unique_ptr<TQdObject> TQdObjectList::Take(int index) {
  TQdObject* item = GetItems(index);
  if (item == nullptr)
    FItems.erase(FItems.begin() + index);
  else
    std::erase(FItems, item);
  return std::unique_ptr<TQdObject>(item);
}

void TQdObjectList::Clear() { FreeEach(std::exchange(FItems, {})); }

void TQdObjectList::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [](const TQdObject* a, const TQdObject* b) { return CompareItems(a, b) < 0; });
}

void TQdObjectList::SortCustom(const TCompare& compare) {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [&compare](const TQdObject* a, const TQdObject* b) { return compare(a, b) < 0; });
}

void TQdObjectList::Assign(const TQdObjectList& source) {
  if (&source == this) return;
  // Copy first, so that a failing copy leaves the list as it was.
  std::vector<std::unique_ptr<TQdObject>> copies;
  copies.reserve(source.FItems.size());
  for (const TQdObject* item : source.FItems) copies.push_back(item != nullptr ? item->Copy() : nullptr);
  Clear();
  FItems.reserve(copies.size());
  for (auto& copy : copies) FItems.push_back(copy.release());
}

bool TQdObjectList::Equals(const Rtl::TObject* obj) const {
  const TQdObjectList* other = Rtl::As<TQdObjectList>(obj);
  return other != nullptr && SameSequence(*this, *other);
}

bool TQdObjectList::SameItems(const TQdObjectList& list) const { return SameMembers(*this, list); }

// --- TCustomList -------------------------------------------------------------------

void TCustomList::MoveUp(int index) {
  if (index < 1 || index >= Count()) throw Rtl::Exception(Rtl::LoadResString(SUpperBound));
  Exchange(index, index - 1);
}

void TCustomList::MoveDown(int index) {
  if (index < 0 || index >= Count() - 1) throw Rtl::Exception(Rtl::LoadResString(SLowerBound));
  Exchange(index, index + 1);
}

// --- TObjectList --------------------------------------------------------------------

TObjectList::~TObjectList() { Clear(); }

void TObjectList::CheckOwnsItems() const {
  if (!FOwnItems) throw Rtl::EInvalidOperation(Rtl::LoadResString(SListNotOwner));
}

int TObjectList::Add(std::unique_ptr<Rtl::TObject> item) {
  CheckOwnsItems();
  const int index = Add(item.get());
  item.release();
  return index;
}

void TObjectList::Insert(int index, std::unique_ptr<Rtl::TObject> item) {
  CheckOwnsItems();
  Insert(index, item.get());
  item.release();
}

void TObjectList::Notify(Rtl::TObject* item, Rtl::TListNotification action) {
  if (action == Rtl::lnDeleted && FOwnItems && IndexOf(item) < 0) FreeObject(item);
}

void TObjectList::Clear() {
  std::vector<Rtl::TObject*> items = DetachAll();
  if (!FOwnItems) return;
  std::reverse(items.begin(), items.end());
  FreeEach(items);
}

std::unique_ptr<Rtl::TObject> TObjectList::Take(int index) {
  CheckOwnsItems();
  Rtl::TObject* item = Items(index);
  if (item == nullptr) {
    Delete(index);
    return nullptr;
  }
  while (Extract(item) != nullptr) {
  }
  return std::unique_ptr<Rtl::TObject>(item);
}

void TObjectList::Assign(const TObjectList& source) {
  if (&source == this) return;
  CheckOwnsItems();
  std::vector<std::unique_ptr<Rtl::TObject>> copies;
  copies.reserve(static_cast<std::size_t>(source.Count()));
  for (const Rtl::TObject* item : source)
    copies.push_back(item != nullptr ? Rtl::As<TQdObject>(item)->Copy() : nullptr);
  Clear();
  for (auto& copy : copies) {
    Add(copy.get());
    copy.release();
  }
}

bool TObjectList::Equals(const Rtl::TObject* obj) const {
  const TObjectList* other = Rtl::As<TObjectList>(obj);
  return other != nullptr && SameSequence(*this, *other);
}

bool TObjectList::SameItems(const TObjectList& list) const { return SameMembers(*this, list); }

// --- TQdObjects -----------------------------------------------------------------------

void TQdObjects::Assign(const Rtl::TPersistent& source) { FItems.Assign(Rtl::As<TQdObjects>(source).FItems); }

int TQdObjects::IndexOf(const TQdObject& source) const {
  if (FItems.GetSorted()) return FItems.IndexOf(source);
  const auto found = std::find_if(FItems.begin(), FItems.end(), [&source](const TQdObject* item) {
    return item != nullptr && item->Compare(source) == 0;
  });
  return found != FItems.end() ? static_cast<int>(found - FItems.begin()) : -1;
}

TQdObject* TQdObjects::Find(const TQdObject& source) const {
  const int index = IndexOf(source);
  return index >= 0 ? FItems.GetItems(index) : nullptr;
}

void TQdObjects::Remove(const TQdObject& value) {
  const int index = IndexOf(value);
  if (index >= 0) FItems.Delete(index);
}

std::unique_ptr<TQdObject> TQdObjects::TakeAway(const TQdObject& value) {
  const int index = IndexOf(value);
  return index >= 0 ? FItems.Take(index) : nullptr;
}

}  // namespace Qd
