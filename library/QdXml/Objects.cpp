// TXmlObject's operations around its steps: one object as one element,
// whole objects as documents (files, streams, bytes), objects made by class
// name, and lists of objects.
#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>

#include "QdClasses/Lists.h"
#include "QdXml.h"
#include "QdXml/File.h"
#include "QdXml/Model.h"
#include "QdXml/Strings.h"
#include "runtime/Core/ClassRegistry.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Object.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/IO/Streams.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace {

// Writes the object as the document's root and closes the output; on any
// exception the output is thrown away, so a target file stays as it was.
// The document is open for output already (Rewrite), or opened by `open`.
template <class TOpen>
void WriteDocument(const TXmlObject& object, TXmlFile& xml, TOpen open) {
  try {
    open();
    object.WriteXmlClass(xml, object.GetXmlTag());
    xml.Close();
  } catch (...) {
    xml.Cancel();
    throw;
  }
}

bool IsElement(const TXmlElement& node) {
  return node.GetElementType() == xeSingle || node.GetElementType() == xeDouble;
}

}  // namespace

// --- One object as one element ---------------------------------------------------------

void TXmlObject::WriteXmlClass(TXmlFile& xml, const std::wstring& name) const {
  WriteXmlClass(xml, GetXmlBody(), name);
}

void TXmlObject::WriteXmlClass(TXmlFile& xml, TXmlBody xmlBody, const std::wstring& name) const {
  if (xmlBody == xbNone) return;
  if (xmlBody != xbSingle && xmlBody != xbValue && xmlBody != xbContainer)
    throw Rtl::Exception(Rtl::SErrorMessage);
  const std::wstring tag = name.empty() ? GetXmlTag() : name;
  TXmlAttributes attributes;
  WriteXmlClass(attributes);
  if (xmlBody == xbSingle) {
    xml.WriteSingleElement(tag, &attributes, xwSingleLine);
    return;
  }
  // A value stays on the line of its tags; a container's children and end
  // tag go on lines of their own.
  const bool container = xmlBody == xbContainer;
  xml.WriteStartTag(tag, &attributes, container, xwSingleLine);
  WriteXmlPrimary(xml);
  WriteXml(xml);
  WriteXmlSecondary(xml);
  xml.WriteEndTag(container, L"");
}

void TXmlObject::WriteXmlClass(TXmlAttributes& attributes) const {
  WriteXmlPrimaryAttributes(attributes);
  WriteXmlAttributes(attributes);
  WriteXmlSecondaryAttributes(attributes);
}

void TXmlObject::ReadXmlFrom(const TXmlElement* element) {
  if (element == nullptr) return;
  ReadXmlPrimary(*element);
  ReadXml(*element);
}

void TXmlObject::ReadXmlClass(const TXmlElement& element, const std::wstring& name) {
  const std::wstring tag = name.empty() ? GetXmlTag() : name;
  // An empty tag names no child (Find would give the element itself).
  if (tag.empty()) return;
  for (int i = 0; i < element.GetCount(); ++i) {
    const TXmlElement* child = element.GetElements(i);
    if (IsElement(*child) && child->GetName() == tag) {
      ReadXmlFrom(child);
      return;
    }
  }
}

// --- Whole documents -----------------------------------------------------------------------

void TXmlObject::SaveToFile(const std::wstring& fileName) const {
  TXmlFile xml;
  WriteDocument(*this, xml, [&] { xml.Rewrite(fileName); });
}

void TXmlObject::SaveToStream(Rtl::TStream& stream) const {
  // Written in memory first: the caller's stream cannot take back what was
  // written before a failure (not even the BOM), so it gets the document
  // only when it is complete.
  const Rtl::TBytes data = GetXmlData();
  constexpr std::size_t BLOCK_C = 1u << 30;
  for (std::size_t done = 0; done < data.size(); done += BLOCK_C)
    stream.WriteBuffer(data.data() + done, static_cast<int>(std::min(BLOCK_C, data.size() - done)));
}

Rtl::TBytes TXmlObject::GetXmlData() const {
  TXmlFile xml;
  WriteDocument(*this, xml, [&] { xml.Rewrite(); });
  return xml.GetOutputData();
}

void TXmlObject::SetXmlData(const Rtl::TBytes& value) {
  TXmlFile xml;
  xml.Load(value);
  LoadFromXml(xml);
}

void TXmlObject::LoadFromFile(const std::wstring& fileName) {
  TXmlFile xml;
  xml.Load(fileName);
  LoadFromXml(xml);
}

void TXmlObject::LoadFromStream(Rtl::TStream& stream) {
  TXmlFile xml;
  xml.Load(stream);
  LoadFromXml(xml);
}

void TXmlObject::LoadFromXml(const TXmlFile& xml) {
  const TXmlElement* root = xml.GetRoot();
  if (root == nullptr || root->GetName() != GetXmlTag())
    throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlNoObjectElement), {ClassName()}));
  ReadXmlFrom(root);
}

// --- Objects made by class -----------------------------------------------------------------

std::unique_ptr<TXmlObject> TXmlObject::Alloc(const TXmlElement& element, TXmlObjectClass classType,
                                              TXmlObjectClass Default) {
  // The class is looked up and checked first: the document chooses only
  // among the classes that the caller admits, and nothing else is made.
  TXmlObjectClass cls = Default;
  if (const Rtl::TClass* named = Rtl::GetClass(element.GetAttributes().GetString(L"class")))
    cls = TXmlObjectClass(named);  // a class that is no TXmlObject raises here
  if (!cls) return nullptr;
  if (classType && !cls->InheritsFrom(*classType)) return nullptr;
  return cls.Create();
}

std::unique_ptr<TXmlObject> TXmlObject::AllocAndRead(TXmlObjectClass objectClass, const TXmlElement* element) {
  std::unique_ptr<TXmlObject> result = objectClass.Create();
  result->ReadXmlFrom(element);
  return result;
}

std::unique_ptr<TXmlObject> TXmlObject::AllocAndRead(const std::wstring& className, const TXmlElement* element) {
  const Rtl::TClass* cls = Rtl::GetClass(className);
  if (cls == nullptr) return nullptr;
  return AllocAndRead(TXmlObjectClass(cls), element);
}

std::unique_ptr<TXmlObject> TXmlObject::AllocAndRead(TXmlObjectClass objectClass, const Rtl::TBytes& xmlData) {
  std::unique_ptr<TXmlObject> result = objectClass.Create();
  result->SetXmlData(xmlData);
  return result;
}

std::unique_ptr<TXmlObject> TXmlObject::AllocAndRead(const std::wstring& className, const Rtl::TBytes& xmlData) {
  const Rtl::TClass* cls = Rtl::GetClass(className);
  if (cls == nullptr) return nullptr;
  return AllocAndRead(TXmlObjectClass(cls), xmlData);
}

// --- Lists -------------------------------------------------------------------------------------

void TXmlObject::WriteObjectList(TXmlFile& xml, const TQdObjectList& list, const std::wstring& itemName) {
  for (const TQdObject* item : list)
    if (item != nullptr) Rtl::As<TXmlObject>(item)->WriteXmlClass(xml, itemName);
}

void TXmlObject::ReadObjectList(const TXmlElement& element, TQdObjectList& list, TXmlObjectClass itemClass,
                                const std::wstring& itemName, bool removeDuplicates) {
  for (int i = 0; i < element.GetCount(); ++i) {
    const TXmlElement* child = element.GetElements(i);
    if (!IsElement(*child) || child->GetName() != itemName) continue;
    std::unique_ptr<TXmlObject> item = itemClass.Create();
    item->ReadXml(*child);
    if (removeDuplicates && list.Find(*item) != nullptr) continue;
    list.Add(std::move(item));
  }
}

}  // namespace Qd
