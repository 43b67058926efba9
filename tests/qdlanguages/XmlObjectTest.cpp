// The XML-persistable base: a class that overrides nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>

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
  // The attribute collection, document and element types come with the XML
  // model; until then a patterned buffer stands in for each: the default
  // steps must not touch it.
  alignas(16) std::array<std::uint8_t, 256> buffer{};
  for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<std::uint8_t>(i * 7 + 1);
  const auto before = buffer;
  auto& attributes = *reinterpret_cast<Qd::TXmlAttributes*>(buffer.data());
  auto& xml = *reinterpret_cast<Qd::TXmlFile*>(buffer.data());
  const auto& element = *reinterpret_cast<const Qd::TXmlElement*>(buffer.data());

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
  EXPECT_EQ(buffer, before);
  EXPECT_TRUE(object.Equals(copy.get()));
}
