// Unit QdXml: the XML document model (QdXml/Model.h), the entity table
// (QdXml/Entities.h) and the base of the value objects that write
// themselves to XML and read themselves back. TXmlObject gives the kind of
// element an object is written as, its tag, and the fixed order of the
// steps through which a derived class writes its attributes and content and
// reads them again. Every step does nothing here, so the class and the
// classes derived from it stand without the XML reader and writer.
#pragma once

#include <cstdint>
#include <string>

#include "QdClasses/Objects.h"
#include "QdXml/Entities.h"
#include "QdXml/File.h"
#include "QdXml/Model.h"
#include "runtime/Core/Object.h"
#include "runtime/Core/TypeInfo.h"

namespace Qd {

// What an object's element holds.
enum TXmlBody : std::uint8_t {
  xbNone,       // no element at all
  xbSingle,     // an empty-element tag: attributes only
  xbValue,      // start tag, content on the same line, end tag
  xbContainer,  // start tag, indented child elements, end tag, each on a line
};
RTL_ENUM_INFO(TXmlBody, L"xbNone", L"xbSingle", L"xbValue", L"xbContainer")

class TXmlObject : public TQdObject {
  RTL_CLASS(TXmlObject, TQdObject)
public:
  TXmlObject() = default;

  // The steps, in their fixed order. A derived class calls the step of its
  // base where it wants the base's data; the primary and secondary steps
  // put a class's own data before and after that of its base.
  virtual TXmlBody GetXmlBody() const { return xbContainer; }
  virtual std::wstring GetXmlTag() const { return L"object"; }
  virtual void WriteXmlPrimaryAttributes(TXmlAttributes& /*attributes*/) const {}
  virtual void WriteXmlAttributes(TXmlAttributes& /*attributes*/) const {}
  virtual void WriteXmlSecondaryAttributes(TXmlAttributes& /*attributes*/) const {}
  virtual void WriteXmlPrimary(TXmlFile& /*xml*/) const {}
  virtual void WriteXml(TXmlFile& /*xml*/) const {}
  virtual void WriteXmlSecondary(TXmlFile& /*xml*/) const {}
  virtual void ReadXmlPrimary(const TXmlElement& /*element*/) {}
  virtual void ReadXml(const TXmlElement& /*element*/) {}
};

using TXmlObjectClass = Rtl::TClassOf<TXmlObject>;

}  // namespace Qd
