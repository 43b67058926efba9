// Owning lists and collections: TQdObjectList (of TQdObject, optionally
// sorted), TCustomList and TObjectList (of any object), TQdObjects (a
// collection that is itself a TQdObject).
//
// Ownership. An owning list owns every item from the moment it is added
// until the entry is deleted, replaced, removed or cleared (the item is
// freed) or taken (the caller gets it as std::unique_ptr), or the list goes.
// An object may stand in a list more than once (when a caller hands the
// list an object it already holds); it is freed once, when the last entry
// that refers to it goes, and Take hands it out together with every entry
// that refers to it, so that no list keeps an object that it doesn't own.
// Storing an entry's own object in it again changes nothing. Entries may be
// missing (null). Indexes out of bounds raise Rtl::EListError.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "QdClasses/Objects.h"
#include "runtime/Core/Classes.h"

namespace Qd {

class TQdObjectList : public Rtl::TObject {
  RTL_CLASS(TQdObjectList, Rtl::TObject)
public:
  using TCompare = std::function<int(const TQdObject* item1, const TQdObject* item2)>;
  using const_iterator = std::vector<TQdObject*>::const_iterator;

  TQdObjectList() = default;
  ~TQdObjectList() override;
  TQdObjectList(const TQdObjectList&) = delete;
  TQdObjectList& operator=(const TQdObjectList&) = delete;

  int GetCount() const { return static_cast<int>(FItems.size()); }
  TQdObject* GetItems(int index) const;
  // Frees the item at `index` and stores `value` there (no re-sorting).
  void SetItems(int index, std::unique_ptr<TQdObject> value);
  bool GetSorted() const { return FSorted; }
  // Turning the mode on sorts the list.
  void SetSorted(bool value);

  // Sorted: binary search by Compare; unsorted: the first item that Equals
  // `item`. -1 when not found.
  int IndexOf(const TQdObject& item) const;
  TQdObject* Find(const TQdObject& item) const;
  // Sorted: inserts before the first item that compares greater than or
  // equal to `item`; unsorted: appends. Returns the index.
  int Add(std::unique_ptr<TQdObject> item);
  // Sorted: Add (the index is ignored); unsorted: inserts at `index`
  // (0 to Count).
  void Insert(int index, std::unique_ptr<TQdObject> item);
  void Delete(int index);
  // Deletes the first entry that refers to `item`; its index, or -1 (an
  // object that the list doesn't hold is not the list's to free).
  int Remove(const TQdObject* item);
  std::unique_ptr<TQdObject> Take(int index);
  // Frees every item in index order, then empties the list.
  void Clear();
  // Orders the items by Compare (missing items first; equal items keep
  // their order).
  void Sort();
  void SortCustom(const TCompare& compare);

  // Copies of the items of `source`, in its order, replace the items (the
  // Sorted mode stays; nothing happens when `source` is this list).
  void Assign(const TQdObjectList& source);
  // `obj` must be a TQdObjectList (Rtl::EInvalidCast otherwise): the same
  // count, and index by index both items missing or equal.
  bool Equals(const Rtl::TObject* obj) const override;
  // The same count, and every item of this list equals some item of `list`.
  bool SameItems(const TQdObjectList& list) const;

  const_iterator begin() const { return FItems.begin(); }
  const_iterator end() const { return FItems.end(); }

private:
  void CheckIndex(int index) const;
  int InsertionPoint(const TQdObject* item) const;
  void InsertAt(int index, std::unique_ptr<TQdObject> item);
  // Frees `item` unless an entry still refers to it.
  void Release(TQdObject* item);

  std::vector<TQdObject*> FItems;  // owned, see above
  bool FSorted = false;
};

// A plain list of references that can move entries; OwnItems (true at
// creation) tells derived lists whether they own what they hold.
class TCustomList : public Rtl::TList {
  RTL_CLASS(TCustomList, Rtl::TList)
public:
  bool GetOwnItems() const { return FOwnItems; }
  void SetOwnItems(bool value) { FOwnItems = value; }

  // One place towards the start (1 <= index < Count) or the end
  // (0 <= index < Count - 1); "Upper bound reached" / "Lower bound reached".
  void MoveUp(int index);
  void MoveDown(int index);

protected:
  bool FOwnItems = true;
};

// A list of any objects that frees them while OwnItems is true: every entry
// that goes by Delete, DeleteAndFree, Remove, SetItems or Clear frees its
// object then (once, see above). Objects are handed in as std::unique_ptr,
// or as plain pointers, which an owning list takes over.
class TObjectList : public TCustomList {
  RTL_CLASS(TObjectList, TCustomList)
public:
  TObjectList() = default;
  ~TObjectList() override;

  using TCustomList::Add;
  using TCustomList::Insert;
  // Rtl::EInvalidOperation "The list does not own its items" (and `item` is
  // freed) when OwnItems is off.
  int Add(std::unique_ptr<Rtl::TObject> item);
  void Insert(int index, std::unique_ptr<Rtl::TObject> item);

  // Frees the items from the last to the first (when OwnItems), then
  // empties the list.
  void Clear() override;
  void DeleteAndFree(int index) { Delete(index); }
  // Removes the entry and hands its object to the caller; only a list that
  // owns its items can (Rtl::EInvalidOperation otherwise).
  std::unique_ptr<Rtl::TObject> Take(int index);
  // Copies of the entries of `source` (each a TQdObject, else
  // Rtl::EInvalidCast; missing entries stay missing) replace the entries.
  void Assign(const TObjectList& source);
  bool Equals(const Rtl::TObject* obj) const override;
  bool SameItems(const TObjectList& list) const;

protected:
  void Notify(Rtl::TObject* item, Rtl::TListNotification action) override;

private:
  using TCustomList::Extract;  // would hand out an owned object as a plain pointer
  void CheckOwnsItems() const;
};

// An owning collection of TQdObject that is itself a TQdObject. Derived
// collections add their items through FItems.
class TQdObjects : public TQdObject {
  RTL_CLASS(TQdObjects, TQdObject)
public:
  int GetCount() const { return FItems.GetCount(); }
  bool GetSorted() const { return FItems.GetSorted(); }

  // `source` must be a TQdObjects (Rtl::EInvalidCast otherwise).
  void Assign(const Rtl::TPersistent& source) override;
  void Clear() { FItems.Clear(); }
  // Sorted: binary search; unsorted: the first item that compares 0 with
  // `source`. -1 when not found.
  int IndexOf(const TQdObject& source) const;
  TQdObject* Find(const TQdObject& source) const;
  // Deletes the item found by IndexOf(value), if any.
  void Remove(const TQdObject& value);
  void Delete(int index) { FItems.Delete(index); }
  std::unique_ptr<TQdObject> TakeAway(int index) { return FItems.Take(index); }
  // The item found by IndexOf(value), or none.
  std::unique_ptr<TQdObject> TakeAway(const TQdObject& value);
  virtual void Sort() { FItems.Sort(); }

protected:
  TQdObjectList FItems;
};

}  // namespace Qd
