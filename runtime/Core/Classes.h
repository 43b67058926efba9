// The runtime's general classes: the notification event, the assignable
// persistent base class and the plain list of object references.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "runtime/Core/Object.h"

namespace Rtl {

// A notification bound to an object, taking the sender.
using TNotifyEvent = std::function<void(TObject* sender)>;

// The writer and reader of persistent objects' extra data (declared for
// DefineProperties; the runtime has no filer of its own yet).
class TFiler;

// The base of objects that can be assigned from one another. Assign(source)
// asks `source` to assign itself to this object (AssignTo); a pair of
// classes that know nothing of each other raises EConvertError
// "Cannot assign a %s to a %s".
class TPersistent : public TObject {
  RTL_CLASS(TPersistent, TObject)
public:
  virtual void Assign(const TPersistent& source);

protected:
  virtual void AssignTo(TPersistent& dest) const;
  // Declares data that a filer stores besides the object's properties.
  virtual void DefineProperties(TFiler& filer);
};

enum TListNotification : std::uint8_t { lnAdded, lnExtracted, lnDeleted };

// A plain list of object references. The list itself never frees what it
// refers to; a derived class that owns its items frees them in Notify, which
// the list calls after an entry has gone (lnDeleted: deleted, replaced or
// cleared; lnExtracted: handed back by Extract) or come (lnAdded). Null
// entries are allowed and notify nothing. An index out of bounds raises
// EListError "List index out of bounds (%d)".
class TList : public TObject {
  RTL_CLASS(TList, TObject)
public:
  using TCompare = std::function<int(TObject* item1, TObject* item2)>;
  using const_iterator = std::vector<TObject*>::const_iterator;

  TList() = default;
  ~TList() override;
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  TObject* Items(int index) const;
  // Replaces the entry; storing the object it already holds changes nothing.
  void SetItems(int index, TObject* item);
  TObject* First() const { return Items(0); }
  TObject* Last() const { return Items(Count() - 1); }

  int Add(TObject* item);
  void Insert(int index, TObject* item);  // 0 <= index <= Count
  void Delete(int index);
  // Deletes the first entry that refers to `item`; its index, or -1.
  int Remove(const TObject* item);
  // Removes the first entry that refers to `item` and returns it (none when
  // there is no such entry).
  TObject* Extract(const TObject* item);
  int IndexOf(const TObject* item) const;
  void Exchange(int index1, int index2);
  void Move(int currentIndex, int newIndex);
  // Removes every entry, from the last to the first.
  virtual void Clear();
  // A stable sort by `compare` (negative, 0 or positive).
  void Sort(const TCompare& compare);

  const_iterator begin() const { return FItems.begin(); }
  const_iterator end() const { return FItems.end(); }

protected:
  virtual void Notify(TObject* item, TListNotification action);
  void CheckIndex(int index) const;
  // Empties the list without notifications and returns what it held.
  std::vector<TObject*> DetachAll();

private:
  std::vector<TObject*> FItems;
};

}  // namespace Rtl
