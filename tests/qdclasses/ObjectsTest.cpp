// TQdObject and EQdException.
#include <gtest/gtest.h>

#include "QdClasses.h"
#include "TestItems.h"
#include "TestSupport.h"

using namespace QdObjectsTest;
using Qd::TQdObject;
using TestSupport::MessageOf;

namespace {

// A class that forgets to declare itself.
class TUndeclaredItem : public TItem {};

class TLines : public Qd::EQdException {
public:
  explicit TLines(std::vector<std::wstring> lines) : EQdException(L"lines"), FLines(std::move(lines)) {}
  void GetLines(Rtl::TStringList& lines) const override { lines.AddStrings(FLines); }

private:
  std::vector<std::wstring> FLines;
};

}  // namespace

// --- TQdObject -----------------------------------------------------------------

TEST(QdObject, BaseObjectEqualsAnyAndIsDefault) {
  TQdObject a;
  TQdObject b;
  EXPECT_TRUE(a.Equals(&b));
  EXPECT_EQ(a.Compare(b), 0);
  EXPECT_TRUE(a.GetIsDefault());
  EXPECT_EQ(a.ClassName(), L"TQdObject");
}

TEST(QdObject, IsDefaultOfFreshChangedAndResetObject) {
  TItem item;
  EXPECT_TRUE(item.GetIsDefault());
  item.SetValue(3);
  EXPECT_FALSE(item.GetIsDefault());
  item.SetDefault();
  EXPECT_TRUE(item.GetIsDefault());
}

TEST(QdObject, CopyGivesTheDerivedClassWithItsValues) {
  TNamedItem item;
  item.SetValue(7);
  item.SetName(L"seven");
  int changes = 0;
  item.SetOnChange([&changes](Rtl::TObject*) { ++changes; });

  const std::unique_ptr<TNamedItem> copy = Rtl::As<TNamedItem>(item.Copy());
  EXPECT_EQ(&copy->ClassType(), &TNamedItem::ClassInfo);
  EXPECT_NE(copy.get(), &item);
  EXPECT_EQ(copy->Value(), 7);
  EXPECT_EQ(copy->Name(), L"seven");
  EXPECT_FALSE(copy->GetOnChange());  // the event belongs to the original
  EXPECT_EQ(&item.CreateInstance()->ClassType(), &TNamedItem::ClassInfo);
}

TEST(QdObject, CopyOfAClassThatDoesNotDeclareItselfRaises) {
  TUndeclaredItem item;
  EXPECT_THROW(item.Copy(), Rtl::EInvalidOperation);
  EXPECT_THROW(item.GetIsDefault(), Rtl::EInvalidOperation);
}

TEST(QdObject, ChangeEventGetsTheObjectAsSender) {
  TItem item;
  item.SetValue(1);  // unbound: nothing happens
  std::vector<Rtl::TObject*> senders;
  item.SetOnChange([&senders](Rtl::TObject* sender) { senders.push_back(sender); });
  item.SetValue(2);
  item.ValueChanged();
  ASSERT_EQ(senders.size(), 2u);
  EXPECT_EQ(senders[0], &item);
  EXPECT_EQ(senders[1], &item);
  item.SetOnChange(nullptr);
  item.Changed();
  EXPECT_EQ(senders.size(), 2u);
}

TEST(QdObject, CastsOfTheWrongKindRaiseInvalidCast) {
  TQdObject base;
  TItem item(1);
  Rtl::TObject* none = nullptr;
  EXPECT_EQ(MessageOf<Rtl::EInvalidCast>([&] { Rtl::As<TItem>(base); }), L"Invalid class typecast");
  EXPECT_EQ(Rtl::As<TItem>(none), nullptr);
  EXPECT_EQ(&Rtl::As<TQdObject>(item), &item);
  // An assignment between unrelated persistent classes.
  Rtl::TPersistent persistent;
  EXPECT_EQ(MessageOf<Rtl::EConvertError>([&] { persistent.Assign(base); }),
            L"Cannot assign a TQdObject to a TPersistent");
  EXPECT_THROW(item.Assign(base), Rtl::EInvalidCast);
}

// --- EQdException -------------------------------------------------------------------

TEST(QdException, TextJoinsTheLinesWithCrLf) {
  EXPECT_EQ(TLines({L"a", L"b"}).GetText(), L"a\r\nb");
  EXPECT_EQ(TLines({L"only"}).GetText(), L"only");
  EXPECT_EQ(TLines({}).GetText(), L"");
  EXPECT_EQ(TLines({L"", L""}).GetText(), L"\r\n");
}

TEST(QdException, DivisionByZeroRaisesTheRuntimeError) {
  EXPECT_EQ(MessageOf<Rtl::EIntError>([] { Qd::EQdException::DivisionByZero(); }), L"Division by zero");
  EXPECT_THROW(Qd::EQdException::DivisionByZero(), Rtl::EDivByZero);
  // Nobody holds both mouse buttons down here.
  EXPECT_NO_THROW(Qd::EQdException::DivisionByZeroIfMouseDown());
}
