// The owning lists and collections: sorted insertion and search, which item
// each operation frees, ownership handed out, and comparisons of lists.
#include <gtest/gtest.h>

#include "QdClasses.h"
#include "TestItems.h"

using namespace QdObjectsTest;
using Qd::TObjectList;
using Qd::TQdObject;
using Qd::TQdObjectList;

namespace {

std::vector<int> Values(const TQdObjectList& list) {
  std::vector<int> values;
  for (const TQdObject* item : list) values.push_back(item != nullptr ? Rtl::As<TItem>(item)->Value() : -1);
  return values;
}

std::vector<std::wstring> Tags(const TQdObjectList& list) {
  std::vector<std::wstring> tags;
  for (const TQdObject* item : list) tags.push_back(Rtl::As<TItem>(item)->Tag());
  return tags;
}

std::vector<std::wstring> Tags(const Rtl::TList& list) {
  std::vector<std::wstring> tags;
  for (const Rtl::TObject* item : list) tags.push_back(Rtl::As<TItem>(item)->Tag());
  return tags;
}

void Fill(TQdObjectList& list, std::initializer_list<int> values) {
  for (int value : values) list.Add(Item(value, std::to_wstring(value)));
}

// Hands the list an object that it holds already (a second entry for it).
void AddAgain(TQdObjectList& list, int index) { list.Add(std::unique_ptr<TQdObject>(list.GetItems(index))); }

// Ordered by Key; equal only when Key and Payload are.
class TKeyed : public TQdObject {
  RTL_CLASS(TKeyed, TQdObject)
public:
  TKeyed() = default;
  TKeyed(int key, int payload) : Key(key), Payload(payload) {}
  bool Equals(const Rtl::TObject* obj) const override {
    const TKeyed* other = Rtl::As<TKeyed>(obj);
    return Key == other->Key && Payload == other->Payload;
  }
  int Compare(const TQdObject& item) const override { return Key - Rtl::As<TKeyed>(item).Key; }
  int Key = 0;
  int Payload = 0;
};

// A collection of TItem, sorted on request.
class TItems : public Qd::TQdObjects {
  RTL_CLASS(TItems, Qd::TQdObjects)
public:
  void Add(std::unique_ptr<TQdObject> item) { FItems.Add(std::move(item)); }
  void SetSorted(bool value) { FItems.SetSorted(value); }
  TQdObject* Items(int index) const { return FItems.GetItems(index); }
};

class Lists : public ::testing::Test {
protected:
  void SetUp() override { TDestructions::Reset(); }
};

}  // namespace

// --- TQdObjectList -------------------------------------------------------------

TEST_F(Lists, SortedAddPutsANewItemBeforeItsEquals) {
  TQdObjectList list;
  list.SetSorted(true);
  EXPECT_EQ(list.Add(Item(2, L"first 2")), 0);
  EXPECT_EQ(list.Add(Item(1, L"1")), 0);
  EXPECT_EQ(list.Add(Item(2, L"second 2")), 1);
  EXPECT_EQ(list.Add(Item(3, L"3")), 3);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 2, 3}));
  EXPECT_EQ(Tags(list), (std::vector<std::wstring>{L"1", L"second 2", L"first 2", L"3"}));

  // Insert keeps the order too; the index is ignored.
  list.Insert(0, Item(5, L"5"));
  list.Insert(4, Item(0, L"0"));
  EXPECT_EQ(Values(list), (std::vector<int>{0, 1, 2, 2, 3, 5}));
}

TEST_F(Lists, SortedFindIsABinarySearchByCompare) {
  TQdObjectList list;
  list.SetSorted(true);
  Fill(list, {5, 3, 9, 1, 7});
  EXPECT_EQ(list.IndexOf(TItem(1)), 0);
  EXPECT_EQ(list.IndexOf(TItem(7)), 3);
  EXPECT_EQ(list.IndexOf(TItem(9)), 4);
  EXPECT_EQ(list.IndexOf(TItem(4)), -1);
  EXPECT_EQ(list.Find(TItem(4)), nullptr);
  EXPECT_EQ(list.Find(TItem(5)), list.GetItems(2));

  // Compare, not Equals, decides in sorted mode.
  TQdObjectList keyed;
  keyed.SetSorted(true);
  keyed.Add(std::make_unique<TKeyed>(1, 10));
  EXPECT_EQ(keyed.IndexOf(TKeyed(1, 99)), 0);
  keyed.SetSorted(false);
  EXPECT_EQ(keyed.IndexOf(TKeyed(1, 99)), -1);
  EXPECT_EQ(keyed.IndexOf(TKeyed(1, 10)), 0);
}

TEST_F(Lists, UnsortedListAppendsAndInsertsWhereAsked) {
  TQdObjectList list;
  Fill(list, {3, 1});
  list.Insert(1, Item(8));
  list.Insert(3, Item(4));
  EXPECT_EQ(Values(list), (std::vector<int>{3, 8, 1, 4}));
  EXPECT_EQ(list.IndexOf(TItem(1)), 2);
  EXPECT_THROW(list.Insert(5, Item(0)), Rtl::EListError);
  EXPECT_THROW(list.Insert(-1, Item(0)), Rtl::EListError);
  EXPECT_EQ(list.GetCount(), 4);
}

TEST_F(Lists, TurningSortedOnSortsAtOnceAndOnlyThen) {
  TQdObjectList list;
  list.SetSorted(true);  // an empty list: nothing else happens
  list.SetSorted(false);
  Fill(list, {3, 1, 2});
  EXPECT_EQ(Values(list), (std::vector<int>{3, 1, 2}));
  list.SetSorted(true);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3}));
  // Items[index] writes don't re-sort, and setting the mode again does nothing.
  list.SetItems(0, Item(9));
  list.SetSorted(true);
  EXPECT_EQ(Values(list), (std::vector<int>{9, 2, 3}));
  list.Sort();
  EXPECT_EQ(Values(list), (std::vector<int>{2, 3, 9}));
  list.SortCustom([](const TQdObject* a, const TQdObject* b) { return b->Compare(*a); });
  EXPECT_EQ(Values(list), (std::vector<int>{9, 3, 2}));
}

TEST_F(Lists, ReplaceDeleteRemoveAndClearFreeTheRightItem) {
  {
    TQdObjectList list;
    Fill(list, {1, 2, 3, 4, 5});
    list.SetItems(1, Item(20, L"20"));
    EXPECT_EQ(TDestructions::Tags(), (std::vector<std::wstring>{L"2"}));
    list.Delete(0);
    EXPECT_EQ(TDestructions::Tags().back(), L"1");
    TQdObject* four = list.GetItems(2);
    EXPECT_EQ(list.Remove(four), 2);
    EXPECT_EQ(TDestructions::Tags().back(), L"4");
    // An object that the list doesn't hold is left alone.
    TItem outsider(7, L"outsider");
    EXPECT_EQ(list.Remove(&outsider), -1);
    EXPECT_EQ(TDestructions::Count(), 3);
    EXPECT_EQ(Tags(list), (std::vector<std::wstring>{L"20", L"3", L"5"}));
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(TDestructions::Tags(), (std::vector<std::wstring>{L"2", L"1", L"4", L"20", L"3", L"5"}));
    Fill(list, {6});
  }
  EXPECT_EQ(TDestructions::Tags().back(), L"6");  // the destructor clears
}

TEST_F(Lists, IndexOutOfBoundsRaisesTheListError) {
  TQdObjectList list;
  Fill(list, {1, 2});
  try {
    list.GetItems(2);
    FAIL() << "no error";
  } catch (const Rtl::EListError& e) {
    EXPECT_EQ(e.Message(), L"List index out of bounds (2)");
  }
  EXPECT_THROW(list.GetItems(-1), Rtl::EListError);
  EXPECT_THROW(list.SetItems(2, Item(3)), Rtl::EListError);
  EXPECT_THROW(list.Delete(5), Rtl::EListError);
  EXPECT_THROW(list.Take(-1), Rtl::EListError);
  EXPECT_EQ(list.GetCount(), 2);
}

TEST_F(Lists, TakeHandsTheItemToTheCaller) {
  std::unique_ptr<TQdObject> taken;
  {
    TQdObjectList list;
    Fill(list, {1, 2, 3});
    taken = list.Take(1);
    EXPECT_EQ(Values(list), (std::vector<int>{1, 3}));
  }
  EXPECT_EQ(TDestructions::Count(), 2);
  EXPECT_EQ(Rtl::As<TItem>(taken.get())->Value(), 2);
  taken.reset();
  EXPECT_EQ(TDestructions::Count(), 3);
}

TEST_F(Lists, AnItemHeldTwiceIsFreedOnceWhenItsLastEntryGoes) {
  TQdObjectList list;
  Fill(list, {1, 2});
  AddAgain(list, 0);  // 1, 2, 1
  TQdObject* one = list.GetItems(0);

  // Remove takes the first entry away and leaves the object to the other.
  EXPECT_EQ(list.Remove(one), 0);
  EXPECT_EQ(TDestructions::Count(), 0);
  EXPECT_EQ(Rtl::As<TItem>(list.GetItems(1))->Value(), 1);
  AddAgain(list, 1);  // 2, 1, 1
  list.Delete(2);
  EXPECT_EQ(TDestructions::Count(), 0);
  EXPECT_EQ(list.Remove(one), 1);
  EXPECT_EQ(TDestructions::Tags(), (std::vector<std::wstring>{L"1"}));

  // Storing an entry's own object in it again changes nothing.
  list.SetItems(0, std::unique_ptr<TQdObject>(list.GetItems(0)));
  EXPECT_EQ(TDestructions::Count(), 1);
  EXPECT_EQ(Values(list), (std::vector<int>{2}));

  // Replacing one of two entries keeps the object; Clear frees it once.
  AddAgain(list, 0);  // 2, 2
  list.SetItems(0, Item(3, L"3"));
  EXPECT_EQ(TDestructions::Count(), 1);
  AddAgain(list, 1);  // 3, 2, 2
  list.Clear();
  EXPECT_EQ(TDestructions::Tags(), (std::vector<std::wstring>{L"1", L"3", L"2"}));
}

TEST_F(Lists, TakeOfAnItemHeldTwiceRemovesEveryEntryOfIt) {
  TQdObjectList list;
  Fill(list, {1, 2});
  AddAgain(list, 0);  // 1, 2, 1
  const std::unique_ptr<TQdObject> taken = list.Take(2);
  EXPECT_EQ(Values(list), (std::vector<int>{2}));
  list.Clear();
  EXPECT_EQ(TDestructions::Tags(), (std::vector<std::wstring>{L"2"}));
  EXPECT_EQ(Rtl::As<TItem>(taken.get())->Value(), 1);
}

TEST_F(Lists, EqualsComparesIndexByIndex) {
  TQdObjectList a;
  TQdObjectList b;
  Fill(a, {1, 2});
  Fill(b, {1, 2, 3});
  EXPECT_FALSE(a.Equals(&b));
  EXPECT_FALSE(b.Equals(&a));
  b.Delete(2);
  EXPECT_TRUE(a.Equals(&b));
  EXPECT_TRUE(b.Equals(&a));
  TQdObjectList reversed;
  Fill(reversed, {2, 1});
  EXPECT_FALSE(a.Equals(&reversed));

  // Missing items equal missing items only.
  a.Add(nullptr);
  b.Add(nullptr);
  EXPECT_TRUE(a.Equals(&b));
  b.SetItems(2, Item(3));
  EXPECT_FALSE(a.Equals(&b));
  EXPECT_FALSE(b.Equals(&a));

  EXPECT_FALSE(a.Equals(nullptr));
  TItem item;
  EXPECT_THROW(a.Equals(&item), Rtl::EInvalidCast);
}

TEST_F(Lists, SameItemsIgnoresOrder) {
  auto list = [](std::initializer_list<int> values) {
    auto result = std::make_unique<TQdObjectList>();
    Fill(*result, values);
    return result;
  };
  EXPECT_TRUE(list({1, 2})->SameItems(*list({2, 1})));
  EXPECT_TRUE(list({1, 1})->SameItems(*list({1, 2})));  // an item may serve twice
  EXPECT_FALSE(list({1, 2})->SameItems(*list({1, 1})));
  EXPECT_FALSE(list({1, 2})->SameItems(*list({1, 2, 2})));
  EXPECT_TRUE(list({})->SameItems(*list({})));

  auto withMissing = list({1});
  withMissing->Add(nullptr);
  EXPECT_TRUE(withMissing->SameItems(*list({1, 2})));  // missing items are skipped
  EXPECT_FALSE(list({1, 2})->SameItems(*withMissing));
}

TEST_F(Lists, AssignCopiesTheItemsOfTheSource) {
  TQdObjectList source;
  source.SetSorted(true);
  auto named = std::make_unique<TNamedItem>();
  named->SetValue(2);
  named->SetName(L"two");
  source.Add(std::move(named));
  Fill(source, {1});
  source.Add(nullptr);

  TQdObjectList target;
  Fill(target, {9});
  target.Assign(source);
  EXPECT_EQ(TDestructions::Tags(), (std::vector<std::wstring>{L"9"}));
  EXPECT_FALSE(target.GetSorted());
  EXPECT_EQ(Values(target), (std::vector<int>{-1, 1, 2}));
  EXPECT_TRUE(target.Equals(&source));
  EXPECT_NE(target.GetItems(1), source.GetItems(1));
  EXPECT_EQ(Rtl::As<TNamedItem>(target.GetItems(2))->Name(), L"two");

  target.Assign(target);  // itself: nothing happens
  EXPECT_EQ(Values(target), (std::vector<int>{-1, 1, 2}));
}

// --- TCustomList and TObjectList ---------------------------------------------------

TEST_F(Lists, MoveUpAndMoveDownKeepWithinBounds) {
  TItem a(1, L"a");
  TItem b(2, L"b");
  TItem c(3, L"c");
  Qd::TCustomList list;
  for (TItem* item : {&a, &b, &c}) list.Add(item);
  try {
    list.MoveUp(0);
    FAIL() << "no error";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"Upper bound reached");
  }
  try {
    list.MoveDown(2);
    FAIL() << "no error";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"Lower bound reached");
  }
  EXPECT_THROW(list.MoveUp(3), Rtl::Exception);
  EXPECT_THROW(list.MoveDown(-1), Rtl::Exception);
  list.MoveUp(2);
  EXPECT_EQ(Tags(list), (std::vector<std::wstring>{L"a", L"c", L"b"}));
  list.MoveDown(0);
  EXPECT_EQ(Tags(list), (std::vector<std::wstring>{L"c", L"a", L"b"}));
  EXPECT_TRUE(list.GetOwnItems());  // a flag for derived lists: nothing was freed
  EXPECT_EQ(TDestructions::Count(), 0);
}

TEST_F(Lists, ObjectListFreesWhatLeavesIt) {
  {
    TObjectList list;
    for (const wchar_t* tag : {L"a", L"b", L"c", L"d", L"e", L"f"}) list.Add(Item(0, tag));
    list.DeleteAndFree(0);
    list.Delete(0);
    list.Remove(list.Items(0));
    EXPECT_EQ(TDestructions::Tags(), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    list.SetItems(0, list.Items(0));  // the same object: nothing happens
    list.SetItems(0, Item(0, L"g").release());
    EXPECT_EQ(TDestructions::Tags().back(), L"d");
    EXPECT_EQ(Tags(list), (std::vector<std::wstring>{L"g", L"e", L"f"}));
    list.Clear();
    EXPECT_EQ(TDestructions::Tags(), (std::vector<std::wstring>{L"a", L"b", L"c", L"d", L"f", L"e", L"g"}));
    list.Add(Item(0, L"h"));
  }
  EXPECT_EQ(TDestructions::Tags().back(), L"h");
}

TEST_F(Lists, ObjectListFreesAnObjectHeldTwiceOnce) {
  TObjectList list;
  list.Add(Item(0, L"a"));
  list.Add(Item(0, L"b"));
  list.Add(list.Items(0));  // a, b, a
  list.Delete(0);
  EXPECT_EQ(TDestructions::Count(), 0);
  list.Add(list.Items(1));  // b, a, a
  list.Clear();
  EXPECT_EQ(TDestructions::Tags(), (std::vector<std::wstring>{L"a", L"b"}));
  // Long lists too (they are checked otherwise): without repeats, and with
  // an item held at both ends and another held twice in the middle.
  for (const bool repeats : {false, true}) {
    const int before = TDestructions::Count();
    TObjectList many;
    for (int i = 0; i < 40; ++i) many.Add(Item(0, L"m" + std::to_wstring(i)));
    if (repeats) {
      many.Add(many.Items(0));
      many.Insert(20, many.Items(7));
    }
    many.Clear();
    EXPECT_EQ(TDestructions::Count() - before, 40) << repeats;
  }
}

TEST_F(Lists, ObjectListTakeAndOwnItems) {
  TObjectList list;
  list.Add(Item(0, L"a"));
  list.Add(Item(0, L"b"));
  list.Add(list.Items(0));
  const std::unique_ptr<Rtl::TObject> a = list.Take(2);
  EXPECT_EQ(Tags(list), (std::vector<std::wstring>{L"b"}));  // both entries of "a" went
  EXPECT_EQ(Rtl::As<TItem>(a.get())->Tag(), L"a");
  const std::unique_ptr<Rtl::TObject> b = list.Take(0);
  EXPECT_EQ(TDestructions::Count(), 0);

  // While it doesn't own its items, the list frees nothing and hands nothing out.
  TItem borrowed(0, L"borrowed");
  list.SetOwnItems(false);
  list.Add(&borrowed);
  list.Add(b.get());
  EXPECT_THROW(list.Take(1), Rtl::EInvalidOperation);
  EXPECT_THROW(list.Add(Item(0, L"refused")), Rtl::EInvalidOperation);
  list.Delete(0);
  list.Clear();
  EXPECT_EQ(TDestructions::Tags(), (std::vector<std::wstring>{L"refused"}));
  list.SetOwnItems(true);
  list.Add(Item(0, L"c"));
  list.Clear();
  EXPECT_EQ(TDestructions::Tags().back(), L"c");
}

TEST_F(Lists, ObjectListAssignEqualsAndSameItems) {
  TObjectList source;
  source.Add(Item(1, L"one"));
  source.Add(nullptr);
  source.Add(Item(2, L"two"));

  TObjectList target;
  target.Add(Item(9, L"old"));
  target.Assign(source);
  EXPECT_EQ(TDestructions::Tags(), (std::vector<std::wstring>{L"old"}));
  ASSERT_EQ(target.Count(), 3);
  EXPECT_EQ(target.Items(1), nullptr);
  EXPECT_NE(target.Items(0), source.Items(0));
  EXPECT_TRUE(target.Equals(&source));
  target.Assign(target);
  EXPECT_EQ(target.Count(), 3);

  // An entry that isn't a TQdObject can't be copied; the target stays.
  Rtl::TList plain;
  TObjectList foreign;
  foreign.Add(std::make_unique<Rtl::TList>());
  EXPECT_THROW(target.Assign(foreign), Rtl::EInvalidCast);
  EXPECT_EQ(target.Count(), 3);

  TObjectList shorter;
  shorter.Add(Item(1));
  EXPECT_FALSE(target.Equals(&shorter));
  EXPECT_FALSE(shorter.Equals(&target));
  EXPECT_THROW(target.Equals(&plain), Rtl::EInvalidCast);

  TObjectList swapped;
  swapped.Add(Item(2));
  swapped.Add(Item(1));
  TObjectList pair;
  pair.Add(Item(1));
  pair.Add(Item(2));
  EXPECT_TRUE(pair.SameItems(swapped));
  EXPECT_FALSE(pair.Equals(&swapped));
  EXPECT_FALSE(pair.SameItems(shorter));
}

// --- TQdObjects ----------------------------------------------------------------------

TEST_F(Lists, CollectionTakeAwayReturnsAUsableItem) {
  const TItem five(5, L"probe");
  const TItem two(2, L"probe");
  std::unique_ptr<TQdObject> taken;
  {
    TItems items;
    items.Add(Item(1, L"1"));
    items.Add(Item(2, L"2"));
    taken = items.TakeAway(0);
    EXPECT_EQ(items.GetCount(), 1);
    EXPECT_EQ(Rtl::As<TItem>(taken.get())->Value(), 1);
    EXPECT_EQ(items.TakeAway(five), nullptr);
    const auto taken2 = items.TakeAway(two);
    EXPECT_EQ(Rtl::As<TItem>(taken2.get())->Tag(), L"2");
    EXPECT_EQ(items.GetCount(), 0);
  }
  EXPECT_EQ(TDestructions::Tags(), (std::vector<std::wstring>{L"2"}));
  EXPECT_EQ(Rtl::As<TItem>(taken.get())->Tag(), L"1");
}

TEST_F(Lists, CollectionSearchesByCompare) {
  TItems items;
  items.Add(std::make_unique<TKeyed>(3, 30));
  items.Add(std::make_unique<TKeyed>(1, 10));
  EXPECT_EQ(items.IndexOf(TKeyed(1, 99)), 1);  // unsorted, yet by Compare
  EXPECT_EQ(items.Find(TKeyed(2, 0)), nullptr);
  items.SetSorted(true);
  EXPECT_TRUE(items.GetSorted());
  EXPECT_EQ(items.IndexOf(TKeyed(1, 99)), 0);
  EXPECT_EQ(items.Find(TKeyed(3, 0)), items.Items(1));
  items.Remove(TKeyed(3, 0));
  items.Remove(TKeyed(4, 0));
  EXPECT_EQ(items.GetCount(), 1);
  items.Delete(0);
  EXPECT_EQ(items.GetCount(), 0);
}

TEST_F(Lists, CollectionAssignAndCopy) {
  TItems items;
  items.Add(Item(1, L"1"));
  items.Add(Item(2, L"2"));
  const auto copy = Rtl::As<TItems>(items.Copy());
  ASSERT_EQ(copy->GetCount(), 2);
  EXPECT_NE(copy->Items(0), items.Items(0));
  EXPECT_EQ(Rtl::As<TItem>(copy->Items(1))->Tag(), L"2");

  TItem notACollection;
  EXPECT_THROW(items.Assign(notACollection), Rtl::EInvalidCast);
  EXPECT_EQ(items.GetCount(), 2);
  items.Clear();
  EXPECT_EQ(items.GetCount(), 0);
}
