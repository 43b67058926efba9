// Unit QdXml: the XML document model (QdXml/Model.h), the entity table
// (QdXml/Entities.h) and the base of the value objects that write
// themselves to XML and read themselves back. TXmlObject gives the kind of
// element an object is written as, its tag, and the fixed order of the
// steps through which a derived class writes its attributes and content and
// reads them again. Every step does nothing here; the operations around
// them (QdXml/Objects.cpp) write and read whole objects, documents and
// lists of objects with the XML reader and writer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "QdClasses/Objects.h"
#include "QdXml/Entities.h"
#include "QdXml/File.h"
#include "QdXml/Model.h"
#include "runtime/Core/Object.h"
#include "runtime/Core/TypeInfo.h"
#include "runtime/Core/Types.h"

namespace Rtl {
class TStream;
}

namespace Qd {

// What an object's element holds.
enum TXmlBody : std::uint8_t {
  xbNone,       // no element at all
  xbSingle,     // an empty-element tag: attributes only
  xbValue,      // start tag, content on the same line, end tag
  xbContainer,  // start tag, indented child elements, end tag, each on a line
};
RTL_ENUM_INFO(TXmlBody, L"xbNone", L"xbSingle", L"xbValue", L"xbContainer")

class TQdObjectList;
class TXmlObject;
using TXmlObjectClass = Rtl::TClassOf<TXmlObject>;

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

  // --- One object as one element.
  // WriteXmlClass(xml, XmlBody, name).
  void WriteXmlClass(TXmlFile& xml, const std::wstring& name = L"") const;
  // Nothing for xbNone; otherwise the element `name` (XmlTag when empty)
  // with the attributes of the three attribute steps, and for xbValue and
  // xbContainer the content of the three content steps: a value on the
  // line of its tags, children on lines of their own.
  void WriteXmlClass(TXmlFile& xml, TXmlBody xmlBody, const std::wstring& name) const;
  // The primary, ordinary and secondary attributes, in this order.
  void WriteXmlClass(TXmlAttributes& attributes) const;
  // ReadXmlPrimary, then ReadXml; nothing for no element.
  void ReadXmlFrom(const TXmlElement* element);
  // ReadXmlFrom of the first child of `element` named `name` (XmlTag when
  // empty); nothing when there is none.
  void ReadXmlClass(const TXmlElement& element, const std::wstring& name = L"");

  // --- The object as a whole document, its root named XmlTag.
  // The output is closed here: a failure to replace the file raises at the
  // call, and an exception while the object is written cancels the output,
  // so an existing file keeps its content.
  void SaveToFile(const std::wstring& fileName) const;
  void SaveToStream(Rtl::TStream& stream) const;
  // The document's bytes (UTF-8 with a BOM, a generated declaration).
  Rtl::TBytes GetXmlData() const;
  // Loads the bytes ("No data!" for none) and reads the root.
  void SetXmlData(const Rtl::TBytes& value);
  // Load, then LoadFromXml: a file that does not exist has no root.
  void LoadFromFile(const std::wstring& fileName);
  void LoadFromStream(Rtl::TStream& stream);
  // The root check: "The file does not contain a %s element" with the
  // class name when the document has no root or one of another name than
  // XmlTag; otherwise ReadXmlFrom(root).
  void LoadFromXml(const TXmlFile& xml);

  // --- Objects made by class.
  // An unread instance of the class that the element's "class" attribute
  // names, checked before anything is made: an empty or unknown name gives
  // an instance of `Default` (none for an empty reference); a registered
  // class that is not a TXmlObject raises Rtl::EInvalidCast; a class (or
  // `Default`) that is not a `classType` gives none. An empty `classType`
  // admits every TXmlObject.
  static std::unique_ptr<TXmlObject> Alloc(const TXmlElement& element, TXmlObjectClass classType,
                                           TXmlObjectClass Default);
  // A new instance of the class, read with ReadXmlFrom(element).
  static std::unique_ptr<TXmlObject> AllocAndRead(TXmlObjectClass objectClass, const TXmlElement* element);
  // The same for the class registered under `className`: none when there is
  // no such class, Rtl::EInvalidCast when it is not a TXmlObject.
  static std::unique_ptr<TXmlObject> AllocAndRead(const std::wstring& className, const TXmlElement* element);
  // A new instance of the class whose XmlData is set to the bytes.
  static std::unique_ptr<TXmlObject> AllocAndRead(TXmlObjectClass objectClass, const Rtl::TBytes& xmlData);
  static std::unique_ptr<TXmlObject> AllocAndRead(const std::wstring& className, const Rtl::TBytes& xmlData);

  // --- Lists.
  // WriteXmlClass(xml, itemName) of each object, in order (each must be a
  // TXmlObject; missing items are skipped).
  static void WriteObjectList(TXmlFile& xml, const TQdObjectList& list, const std::wstring& itemName);
  // For each child element named `itemName`: a new `itemClass` read with
  // ReadXml alone, appended to the list, or with `removeDuplicates`
  // dropped when the list already holds an equal object (Find).
  static void ReadObjectList(const TXmlElement& element, TQdObjectList& list, TXmlObjectClass itemClass,
                             const std::wstring& itemName, bool removeDuplicates);
};

}  // namespace Qd
