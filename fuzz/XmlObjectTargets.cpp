// The fuzz target of the value objects read from XML: a document's bytes
// read into a TLanguageId and a TLanguage (XmlData), and every child of its
// root made by the class it names (Alloc) and read. The first byte chooses
// the root's tag. What was read is written and read again into an equal
// object; a made object is always of a class the caller admits.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <random>
#include <memory>
#include <string>
#include <vector>

#include "Fuzz.h"
#include "QdLanguages.h"
#include "QdXml.h"
#include "runtime/Core/ClassRegistry.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Ascii.h"

namespace Fuzz {

namespace {

using namespace Qd;

void LanguageIdFrom(const Rtl::TBytes& data) {
  TLanguageId id;
  try {
    id.SetXmlData(data);
  } catch (const Rtl::Exception&) {
    return;
  }
  if (id.GetIsDefault()) {
    // No element is written for the default: nothing to read again.
    if (id.GetXmlBody() != xbNone) Fail("a default language id has an element");
    return;
  }
  TLanguageId again;
  again.SetXmlData(id.GetXmlData());
  if (!again.Equals(&id)) Fail("a language id reads back as another");
}

void LanguageFrom(const Rtl::TBytes& data) {
  TLanguage language;
  try {
    language.SetXmlData(data);
  } catch (const Rtl::Exception&) {
    return;
  }
  TLanguage again;
  again.SetXmlData(language.GetXmlData());
  if (again.GetEnabled() != language.GetEnabled()) Fail("a language's Enabled reads back as another");
  // A code made of a code's characters reads back as itself (other text is
  // taken apart by the code parser, which this target doesn't judge).
  const std::wstring id = language.GetId();
  const bool codeCharacters = std::all_of(id.begin(), id.end(), [](wchar_t c) {
    return Rtl::IsAsciiLetter(c) || Rtl::IsAsciiDigit(c) || c == L'-' || c == L'_';
  });
  if (codeCharacters && again.GetId() != id) Fail("a language's code reads back as another");
}

void AllocEach(const Rtl::TBytes& data) {
  TXmlFile xml;
  try {
    xml.Load(data);
  } catch (const Rtl::Exception&) {
    return;
  }
  const TXmlElement* root = xml.GetRoot();
  if (root == nullptr) return;
  // A language id may be made by name; registering again does nothing.
  Rtl::RegisterClass(TLanguageId::ClassInfo);
  for (int i = 0; i < root->GetCount() && i < 64; ++i) {
    const TXmlElement& child = *root->GetElements(i);
    std::unique_ptr<TXmlObject> made;
    try {
      made = TXmlObject::Alloc(child, TLanguageId::ClassInfo, TLanguageId::ClassInfo);
    } catch (const Rtl::EInvalidCast&) {
      continue;  // a registered class that is no TXmlObject
    }
    if (made && !made->InheritsFrom(TLanguageId::ClassInfo)) Fail("Alloc made a class the caller did not admit");
    if (made) made->ReadXmlFrom(&child);
  }
}

void XmlObjects(TInput input) {
  if (input.size() < 2) return;
  Rtl::TBytes data(input.size() - 1);
  std::memcpy(data.data(), input.data() + 1, data.size());
  switch (input[0] % 3) {
    case 0: LanguageIdFrom(data); break;
    case 1: LanguageFrom(data); break;
    default: AllocEach(data); break;
  }
}

// The selector byte, then the document.
TBytes Seed(char selector, const std::string& document) { return Bytes(std::string(1, selector) + document); }

std::vector<TBytes> XmlObjectSeeds() {
  return {
      Seed(0, "<object kind=\"liLegacy\" case=\"2\" script=\"lsMulti\"/>"),
      Seed(0, "<object kind=\"1\"><x/></object>"),
      Seed(1, "<object id=\"sr-Latn-RS\" enabled=\"0\"/>"),
      Seed(1, "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<object id=\"de_AT\">\r\n</object>\r\n"),
      Seed(2, "<r><o class=\"TLanguageId\" kind=\"2\"/><o class=\"TQdObject\"/><o class=\"TXmlObject\"/><o/></r>"),
  };
}

std::vector<std::string> XmlObjectTokens() {
  return {"<object", "/>", "</object>", " id=\"", " enabled=\"", " kind=\"", " case=\"", " script=\"", " class=\"",
          "liUnderline", "lcUpper", "lsAlways", "TLanguageId", "TQdObject", "TXmlObject", "\"", "-", "_",
          "Latn", "&#x41;", "0", "1", "3", "-1"};
}

// A well-formed document of the kind the selector reads: attributes with
// member names, numbers, codes and junk; for Alloc, children naming classes.
TBytes XmlObjectGenerate(std::uint64_t seed) {
  std::mt19937_64 random(seed);
  const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  static const char* const values[] = {
      "liStandard", "liLegacy", "liUnderline", "LCUPPER", "lsAlways", "0", "1", "2", "3", "-1", "4294967297", "",
      "sr-Latn-RS", "de_AT", "zh-Hant-TW", "en--1996", "x", "--", "_-_", "qaa-Qaaa-AA-var", "&#xE9;", "&lt;",
      "TLanguageId", "TQdObject", "TXmlObject", "tlanguageid", "TUnknown", " 1", "1.0", "yes"};
  static const char* const names[] = {"kind", "case", "script", "id", "enabled", "class", "other"};
  const auto attributes = [&] {
    std::string text;
    bool used[std::size(names)] = {};
    for (std::size_t i = pick(5); i > 0; --i) {
      const std::size_t name = pick(std::size(names));
      if (used[name]) continue;
      used[name] = true;
      text += std::string(" ") + names[name] + "=\"" + values[pick(std::size(values))] + "\"";
    }
    return text;
  };
  const char selector = static_cast<char>(pick(3));
  std::string document = pick(2) ? "<?xml version=\"1.0\"?>" : "";
  const std::string root = pick(8) ? "object" : "languages";
  document += "<" + root + attributes() + ">";
  for (std::size_t i = pick(6); i > 0; --i) document += "<o" + attributes() + "/>";
  document += "</" + root + ">";
  return Bytes(std::string(1, selector) + document);
}

}  // namespace

TTarget XmlObjectTarget() {
  return {"xml-objects", XmlObjects, XmlObjectSeeds, XmlObjectTokens, 1, XmlObjectGenerate};
}

}  // namespace Fuzz
