// The XML-persistable base: a class that overrides nothing.
#include <gtest/gtest.h>

#include "QdXml.h"
#include "runtime/Core/TypeInfo.h"

namespace {

class TPlainXmlObject : public Qd::TXmlObject {
  RTL_CLASS(TPlainXmlObject, Qd::TXmlObject)
};

}  // namespace

TEST(XmlObject, AClassThatOverridesNothingIsAContainerTaggedObject) {
  const Qd::TXmlObjectClass cls = TPlainXmlObject::ClassInfo;
  const std::unique_ptr<Qd::TXmlObject> object = cls.Create();
  EXPECT_EQ(object->ClassType().ClassName(), L"TPlainXmlObject");
  EXPECT_EQ(object->GetXmlBody(), Qd::xbContainer);
  EXPECT_EQ(object->GetXmlTag(), L"object");
  EXPECT_TRUE(object->GetIsDefault());
  EXPECT_EQ(Rtl::TypeInfo<Qd::TXmlBody>().GetEnumName(Qd::xbSingle), L"xbSingle");
  EXPECT_EQ(Rtl::TypeInfo<Qd::TXmlBody>().GetEnumValue(L"xbContainer"), 3);
}

TEST(XmlObject, TheDefaultStepsLeaveWhatTheyAreGivenAsItWas) {
  Qd::TXmlElement element(L"object");
  element.GetAttributes().SetString(L"kept", L"1");
  element.AddString(L"child", L"value");
  Qd::TXmlElement before;
  before.Assign(element);
  Qd::TXmlAttributes& attributes = element.GetAttributes();
  Qd::TXmlFile xml;

  TPlainXmlObject object;
  const auto copy = object.Copy();
  object.WriteXmlPrimaryAttributes(attributes);
  object.WriteXmlAttributes(attributes);
  object.WriteXmlSecondaryAttributes(attributes);
  object.WriteXmlPrimary(xml);
  object.WriteXml(xml);
  object.WriteXmlSecondary(xml);
  object.ReadXmlPrimary(element);
  object.ReadXml(element);
  ASSERT_EQ(attributes.GetCount(), 1);
  EXPECT_TRUE(attributes.GetItems(0)->Equals(before.GetAttributes().GetItems(0)));
  ASSERT_EQ(element.GetCount(), 1);
  EXPECT_EQ(element.GetString(L"child"), L"value");
  EXPECT_TRUE(object.Equals(copy.get()));
}
