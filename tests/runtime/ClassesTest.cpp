// The runtime's class model: class references, the class registry behind
// Construct, and the type descriptions of classes, enumerations and sets.
#include <gtest/gtest.h>

#include "QdClasses.h"
#include "TestItems.h"
#include "runtime/Core/ClassRegistry.h"
#include "runtime/Core/Set.h"
#include "TestSupport.h"

using namespace QdObjectsTest;
using Qd::TQdObject;
using TestSupport::MessageOf;

namespace QdObjectsTest {

// A real enumeration of the library, described as its unit will describe it
// (here in the tests' namespace, so the look-up hook stays the unit's).
using Qd::TRegistryView;
RTL_ENUM_INFO(TRegistryView, L"rvDefault", L"rvRegistry64", L"rvRegistry32")

// An enumeration and its set, described with the look-up hook.
enum TColor : std::uint8_t { clRed, clGreen, clBlue };
RTL_ENUM_INFO(TColor, L"red", L"green", L"blue")
using TColors = Rtl::TSet<TColor, clBlue>;
RTL_SET_INFO(TColors)
RTL_SUBRANGE_INFO(TCoolColor, TColor, clGreen, clBlue)

}  // namespace QdObjectsTest

namespace {

class TAbstractItem : public TQdObject {
  RTL_CLASS(TAbstractItem, TQdObject)
public:
  virtual void Run() = 0;
};

// Another class whose name is TItem.
namespace other {
class TItem : public TQdObject {
  RTL_CLASS(TItem, TQdObject)
};
}  // namespace other

}  // namespace

// --- Class registry and Construct -------------------------------------------------

class ClassRegistry : public ::testing::Test {
protected:
  void SetUp() override { Rtl::RegisterClasses({&TItem::ClassInfo, &TNamedItem::ClassInfo}); }
  void TearDown() override {
    Rtl::UnRegisterClasses({&TItem::ClassInfo, &TNamedItem::ClassInfo, &TAbstractItem::ClassInfo,
                            &Rtl::TList::ClassInfo});
  }
};

TEST_F(ClassRegistry, ConstructMakesARegisteredDerivedClassByName) {
  const auto named = TQdObject::Construct(L"TNamedItem", false);
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(&named->ClassType(), &TNamedItem::ClassInfo);
  EXPECT_NE(dynamic_cast<TNamedItem*>(named.get()), nullptr);
  // Identifiers ignore ASCII case; the unit registers its own classes.
  EXPECT_EQ(&TQdObject::Construct(L"tnameditem", true)->ClassType(), &TNamedItem::ClassInfo);
  EXPECT_EQ(&TQdObject::Construct(L"TQdObjects", false)->ClassType(), &Qd::TQdObjects::ClassInfo);
}

TEST_F(ClassRegistry, ConstructOfUnknownAndEmptyNames) {
  EXPECT_EQ(TQdObject::Construct(L"TNoSuchItem", true), nullptr);
  EXPECT_EQ(TQdObject::Construct(L"", true), nullptr);
  EXPECT_EQ(MessageOf<Rtl::EClassNotFound>([] { TQdObject::Construct(L"TNoSuchItem", false); }),
            L"Class TNoSuchItem not found");
  EXPECT_EQ(MessageOf<Rtl::EClassNotFound>([] { TQdObject::Construct(L"", false); }), L"Class  not found");
  EXPECT_EQ(&Rtl::FindClass(L"TItem"), &TItem::ClassInfo);
  Rtl::UnRegisterClass(TItem::ClassInfo);
  EXPECT_EQ(Rtl::GetClass(L"TItem"), nullptr);
}

TEST_F(ClassRegistry, ConstructOfClassesThatCannotBeMade) {
  Rtl::RegisterClasses({&TAbstractItem::ClassInfo, &Rtl::TList::ClassInfo});
  EXPECT_THROW(TQdObject::Construct(L"TAbstractItem", true), Rtl::EAbstractError);
  // A registered class that isn't a TQdObject is a cast error, safe or not.
  EXPECT_THROW(TQdObject::Construct(L"TList", true), Rtl::EInvalidCast);
  EXPECT_THROW(TQdObject::Construct(L"TList", false), Rtl::EInvalidCast);
}

TEST_F(ClassRegistry, ANameStandsForOneClass) {
  Rtl::RegisterClass(TItem::ClassInfo);  // again: nothing changes
  EXPECT_EQ(MessageOf<Rtl::EInvalidOperation>([] { Rtl::RegisterClass(other::TItem::ClassInfo); }),
            L"A class named TItem already exists");
  EXPECT_EQ(Rtl::GetClass(L"TItem"), &TItem::ClassInfo);
}

TEST(ClassReference, RestrictedToABaseClass) {
  const Rtl::TClassOf<TItem> itemClass(TNamedItem::ClassInfo);
  EXPECT_EQ(&itemClass.Create()->ClassType(), &TNamedItem::ClassInfo);
  EXPECT_THROW(Rtl::TClassOf<TItem>(TQdObject::ClassInfo), Rtl::EInvalidCast);
  EXPECT_FALSE(Rtl::TClassOf<TItem>());
  EXPECT_THROW(Rtl::TClassOf<TItem>().Create(), Rtl::EAbstractError);
  EXPECT_THROW(TAbstractItem::ClassInfo.Create(), Rtl::EAbstractError);
}

TEST(ClassReference, IsDerivedWalksTheParentClasses) {
  EXPECT_TRUE(TQdObject::IsDerived2(&TNamedItem::ClassInfo, &TQdObject::ClassInfo));
  EXPECT_TRUE(TQdObject::IsDerived2(&TNamedItem::ClassInfo, &TNamedItem::ClassInfo));
  EXPECT_TRUE(TQdObject::IsDerived2(&TNamedItem::ClassInfo, &Rtl::TObject::ClassInfo));
  EXPECT_FALSE(TQdObject::IsDerived2(&TQdObject::ClassInfo, &TNamedItem::ClassInfo));
  EXPECT_FALSE(TQdObject::IsDerived2(&TItem::ClassInfo, &other::TItem::ClassInfo));
  EXPECT_FALSE(TQdObject::IsDerived2(nullptr, &TQdObject::ClassInfo));

  EXPECT_TRUE(TQdObject::IsDerived(&Rtl::TypeInfo<TNamedItem>(), &Rtl::TPersistent::ClassInfo));
  EXPECT_FALSE(TQdObject::IsDerived(&Rtl::TPersistent::ClassInfo, &TNamedItem::ClassInfo));
  EXPECT_TRUE(TQdObject::IsDerived(&TCoolColorInfo, &TColorInfo));
  EXPECT_FALSE(TQdObject::IsDerived(&TColorInfo, &TCoolColorInfo));
  EXPECT_FALSE(TQdObject::IsDerived(&TColorsInfo, &TQdObject::ClassInfo));
  EXPECT_FALSE(TQdObject::IsDerived(&TColorsInfo, nullptr));
}

// --- Type descriptions --------------------------------------------------------------

TEST(TypeInfo, EnumerationDescribesNamesAndRange) {
  const Rtl::TEnumInfo& info = TRegistryViewInfo;
  EXPECT_EQ(info.Kind, Rtl::tkEnumeration);
  EXPECT_STREQ(info.Name, L"TRegistryView");
  EXPECT_EQ(info.MinValue, Qd::rvDefault);
  EXPECT_EQ(info.MaxValue, Qd::rvRegistry32);
  EXPECT_EQ(info.GetEnumName(Qd::rvRegistry64), L"rvRegistry64");
  EXPECT_EQ(info.GetEnumName(3), L"");
  EXPECT_EQ(info.GetEnumName(-1), L"");
  EXPECT_EQ(info.GetEnumValue(L"rvRegistry32"), Qd::rvRegistry32);
  EXPECT_EQ(info.GetEnumValue(L"RVREGISTRY32"), Qd::rvRegistry32);
  EXPECT_EQ(info.GetEnumValue(L"rvRegistry"), -1);
  EXPECT_EQ(info.GetEnumValue(L""), -1);
  EXPECT_EQ(info.BaseType(), nullptr);
  EXPECT_EQ(&Rtl::TypeInfo<TColor>(), &TColorInfo);
}

TEST(TypeInfo, SubrangeSharesTheNamesOfItsEnumeration) {
  const Rtl::TEnumInfo& info = TCoolColorInfo;
  EXPECT_EQ(info.MinValue, clGreen);
  EXPECT_EQ(info.MaxValue, clBlue);
  EXPECT_EQ(info.GetEnumName(clBlue), L"blue");
  EXPECT_EQ(info.GetEnumName(clRed), L"");
  EXPECT_EQ(info.GetEnumValue(L"green"), clGreen);
  EXPECT_EQ(info.GetEnumValue(L"red"), -1);
  EXPECT_EQ(info.BaseType(), &TColorInfo);
}

TEST(TypeInfo, SetDescribesElementTypeAndBitLayout) {
  const Rtl::TSetInfo& info = Rtl::TypeInfo<TColors>();
  EXPECT_EQ(&info, &TColorsInfo);
  EXPECT_EQ(info.Kind, Rtl::tkSet);
  EXPECT_STREQ(info.Name, L"TColors");
  EXPECT_EQ(info.ElementType, &TColorInfo);
  EXPECT_EQ(info.Size, 1);

  // The set of red and blue is the integer 5 in one byte.
  const TColors redBlue{clRed, clBlue};
  EXPECT_EQ(sizeof(redBlue), 1u);
  EXPECT_EQ(redBlue.Data()[0], 5);

  // A set of the fourteen shell folders takes two bytes.
  using TFolderTypes = Rtl::TSet<Qd::TFolderType, Qd::ftCommonPrograms>;
  const TFolderTypes folders{Qd::ftWindows, Qd::ftProgramFiles64, Qd::ftCommonPrograms};
  EXPECT_EQ(sizeof(folders), 2u);
  EXPECT_EQ(folders.Data()[0], 0x21);  // bits 0 and 5
  EXPECT_EQ(folders.Data()[1], 0x20);  // bit 13
  EXPECT_EQ(folders.Count(), 3);
  EXPECT_EQ(TFolderTypes::All().Count(), Qd::FOLDER_TYPE_COUNT_C);
}

TEST(TypeInfo, SetOperations) {
  const TColors redBlue{clRed, clBlue};
  EXPECT_TRUE(redBlue.Contains(clBlue));
  EXPECT_FALSE(redBlue.Contains(clGreen));
  EXPECT_FALSE(redBlue.Contains(static_cast<TColor>(200)));  // outside the type: never a member
  EXPECT_EQ(redBlue + TColors{clGreen}, TColors::All());
  EXPECT_EQ(TColors::All() - redBlue, TColors{clGreen});
  EXPECT_EQ(redBlue * TColors::Range(clGreen, clBlue), TColors{clBlue});
  EXPECT_TRUE(TColors().IsEmpty());
  EXPECT_EQ(TColors(redBlue).Exclude(clRed).Exclude(clBlue), TColors());

  // Sizes of stored sets: 1, 2, 4 (not 3) and then whole bytes.
  static_assert(Rtl::TSet<TColor, 7>::Size == 1 && sizeof(Rtl::TSet<TColor, 7>) == 1);
  static_assert(Rtl::TSet<TColor, 15>::Size == 2);
  static_assert(Rtl::TSet<TColor, 16>::Size == 4 && sizeof(Rtl::TSet<TColor, 23>) == 4);
  static_assert(Rtl::TSet<TColor, 32>::Size == 5 && sizeof(Rtl::TSet<TColor, 255>) == 32);
}

