// The runtime's plain list: references only, never ownership.
#include <gtest/gtest.h>

#include "QdClasses.h"
#include "TestItems.h"
#include "runtime/Core/Classes.h"

using namespace QdObjectsTest;

namespace {

std::vector<std::wstring> Tags(const Rtl::TList& list) {
  std::vector<std::wstring> tags;
  for (const Rtl::TObject* item : list) tags.push_back(Rtl::As<TItem>(item)->Tag());
  return tags;
}

class Lists : public ::testing::Test {
protected:
  void SetUp() override { TDestructions::Reset(); }
};

}  // namespace

TEST_F(Lists, PlainListKeepsReferencesOnly) {
  TItem a(1, L"a");
  TItem b(2, L"b");
  TItem c(3, L"c");
  Rtl::TList list;
  list.Add(&a);
  list.Insert(0, &b);
  list.Insert(2, &c);
  EXPECT_EQ(Tags(list), (std::vector<std::wstring>{L"b", L"a", L"c"}));
  list.Move(0, 2);
  EXPECT_EQ(Tags(list), (std::vector<std::wstring>{L"a", L"c", L"b"}));
  list.Sort([](Rtl::TObject* x, Rtl::TObject* y) { return Rtl::As<TItem>(y)->Value() - Rtl::As<TItem>(x)->Value(); });
  EXPECT_EQ(Tags(list), (std::vector<std::wstring>{L"c", L"b", L"a"}));
  EXPECT_EQ(list.Extract(&b), &b);
  EXPECT_EQ(list.Extract(&b), nullptr);
  EXPECT_EQ(list.Remove(&a), 1);
  EXPECT_THROW(list.Insert(2, &a), Rtl::EListError);
  EXPECT_THROW(list.Move(0, 1), Rtl::EListError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(TDestructions::Count(), 0);
}
