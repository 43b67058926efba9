// String lists: freeing what a list owns, joining and splitting.
#include <gtest/gtest.h>

#include <memory>

#include "QdString.h"
#include "runtime/Text/StringList.h"

using U = Qd::TUnicodeString;

namespace {

// Counts its own destruction.
class TCounted : public Rtl::TObject {
public:
  explicit TCounted(int& destroyed) : FDestroyed(destroyed) {}
  ~TCounted() override { ++FDestroyed; }

private:
  int& FDestroyed;
};

std::vector<std::wstring> Items(const Rtl::TStringList& list) { return list.ToVector(); }

}  // namespace

TEST(Lists, ClearStringsFreesOwnedObjectsOnly) {
  int destroyed = 0;
  TCounted borrowed(destroyed);
  Rtl::TStringList list;
  list.AddObject(L"owned", std::make_unique<TCounted>(destroyed));
  list.AddObject(L"borrowed", &borrowed);
  list.Add(L"plain");
  U::ClearStrings(list);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(destroyed, 1);
}

TEST(Lists, FreeStringsFreesTheListToo) {
  int destroyed = 0;
  auto list = std::make_unique<Rtl::TStringList>();
  list->AddObject(L"a", std::make_unique<TCounted>(destroyed));
  list->AddObject(L"b", std::make_unique<TCounted>(destroyed));
  U::FreeStrings(list);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(destroyed, 2);
  U::FreeStrings(list);  // nothing left to free
  EXPECT_EQ(list, nullptr);
}

TEST(Lists, StringsToStringSkipsLeadingEmptyItems) {
  Rtl::TStringList list;
  EXPECT_EQ(U::StringsToString(list, L','), L"");
  list.AddStrings(std::vector<std::wstring>{L"", L"a", L"", L"b"});
  EXPECT_EQ(U::StringsToString(list, L','), L"a,,b");
  list.Clear();
  list.AddStrings(std::vector<std::wstring>{L"a", L""});
  EXPECT_EQ(U::StringsToString(list, L';'), L"a;");
  list.Clear();
  list.Add(L"only");
  EXPECT_EQ(U::StringsToString(list, L','), L"only");
}

TEST(Lists, StringToStringsPieces) {
  Rtl::TStringList list;
  list.Add(L"old");
  EXPECT_EQ(U::StringToStrings(L"a,,b", list, L','), 3);
  EXPECT_EQ(Items(list), (std::vector<std::wstring>{L"a", L"", L"b"}));
  EXPECT_EQ(U::StringToStrings(L",a", list, L','), 2);
  EXPECT_EQ(Items(list), (std::vector<std::wstring>{L"", L"a"}));
  EXPECT_EQ(U::StringToStrings(L"a,b,", list, L','), 2);  // no empty last piece
  EXPECT_EQ(Items(list), (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_EQ(U::StringToStrings(L",", list, L','), 1);
  EXPECT_EQ(Items(list), (std::vector<std::wstring>{L""}));
  EXPECT_EQ(U::StringToStrings(L" a ; b ", list, L';'), 2);  // not trimmed
  EXPECT_EQ(Items(list), (std::vector<std::wstring>{L" a ", L" b "}));
  EXPECT_EQ(U::StringToStrings(L"", list, L','), 0);
  EXPECT_EQ(list.Count(), 0);
}

TEST(Lists, StringToStringsFromAnItemOfTheSameList) {
  Rtl::TStringList list;
  list.Add(L"x|y|z");
  EXPECT_EQ(U::StringToStrings(list[0], list, L'|'), 3);
  EXPECT_EQ(Items(list), (std::vector<std::wstring>{L"x", L"y", L"z"}));
}

TEST(Lists, SplitThenJoinRoundTrips) {
  Rtl::TStringList list;
  for (const wchar_t* s : {L"a", L"a,b", L"a,,b", L"x,y,z"}) {
    U::StringToStrings(s, list, L',');
    EXPECT_EQ(U::StringsToString(list, L','), s);
  }
}
