// The fuzz target of the XML reader: a document loaded from bytes with
// options chosen by the first byte, in tree mode or in event mode (with
// the handler's results chosen by the second byte). Bad input may only
// raise the library's exceptions; the limits of entity expansion and
// nesting keep every case small in memory and time.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "Fuzz.h"
#include "QdXml.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"

namespace Fuzz {

namespace {

using namespace Qd;

void XmlReader(TInput input) {
  if (input.size() < 2) return;
  const std::uint8_t flags = input[0];
  const std::uint8_t events = input[1];
  const TInput data = input.subspan(2);
  if (data.empty()) return;
  TXmlFile xml;
  TXmlOptions options;
  for (int i = 0; i <= xoNoEncodeDecode; ++i)
    if (flags & (1u << i)) options.Include(static_cast<TXmlOption>(i));
  // The strict checks in tree mode: the high bit of the events byte.
  if ((events & 0x80) && !(flags & 0x80)) options.Include(xoStrict);
  xml.SetOptions(options);
  xml.SetMakeWellFormed(flags & 0x20);
  xml.SetDoNotRaiseOnInvalidData(flags & 0x40);
  xml.GetEntities().SetMaxEntityExpansion(100000);
  if (flags & 0x80) {
    unsigned count = 0;
    xml.SetOnElement([&](TXmlFile* sender, TXmlElement* element, TXmlEventResult& result) {
      const unsigned pick = (events >> (2 * (count++ % 4))) & 3u;
      if (pick == 1) result = xrSkip;
      if (pick == 2 && count > 3) result = xrCancel;
      if (pick == 3) sender->ReadString(L"x");
      (void)element->GetName();
    });
  }
  if (flags & 0x80) {
    xml.Load(Rtl::TBytes(data.begin(), data.end()));
    if (xml.GetRoot() != nullptr) (void)xml.GetRoot()->GetCount();
    return;
  }
  // In tree mode the input is read in blocks unless someone watches the
  // reading; with a progress handler it is read chunk by chunk. Both must
  // give the same tree or the same failure at the same place.
  const auto outcome = [&](TXmlFile& file) -> std::wstring {
    try {
      const bool loaded = file.Load(Rtl::TBytes(data.begin(), data.end()));
      return (loaded ? L"loaded " : L"not loaded ") + file.WriteToString();
    } catch (const EInvalidFileException& e) {
      return e.Message() + L" @" + std::to_wstring(e.GetLineNumber()) + L":" + std::to_wstring(e.GetPosition());
    } catch (const EUft8Exception& e) {
      return L"UTF-8 @" + std::to_wstring(e.GetIndex()) + L"/" + std::to_wstring(e.GetData().size());
    } catch (const Rtl::Exception& e) {
      return e.Message();
    }
  };
  TXmlFile watched;
  watched.SetOptions(options);
  watched.SetMakeWellFormed(flags & 0x20);
  watched.SetDoNotRaiseOnInvalidData(flags & 0x40);
  watched.GetEntities().SetMaxEntityExpansion(100000);
  watched.SetOnProgress([](auto&&...) {});
  const std::wstring inBlocks = outcome(xml), inChunks = outcome(watched);
  if (inBlocks != inChunks)
  {
    std::size_t at = 0;
    while (at < inBlocks.size() && at < inChunks.size() && inBlocks[at] == inChunks[at]) ++at;
    const std::size_t from = at > 100 ? at - 100 : 0;
    Fail("reading in blocks differs from reading chunk by chunk: " + TestSupport::Narrow(inBlocks.substr(from, 300)) +
         " | " + TestSupport::Narrow(inChunks.substr(from, 300)));
  }
}

std::vector<TBytes> XmlReaderSeeds() {
  const char* documents[] = {
      "<?xml version=\"1.0\"?>\n<a x='1' y=\"&lt;&#65;\">text<b/> mixed <c>c</c><!-- note --></a>",
      "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\xE9t\xE9</a>",
      "<!DOCTYPE a [<!ENTITY e \"<b>x</b>]\"><!ENTITY f \"&e;&e;\">]><a>&f;</a>",
      "<a><![CDATA[ <not> ]]><?pi data ?><%script%></a>",
      "\xEF\xBB\xBF<a xml:space=\"preserve\">  x  </a>",
      "<a><b><c><d></d></c></b></a>",
  };
  std::vector<TBytes> seeds;
  for (const char* d : documents) {
    // Options: remove whitespace; events: a mix of enter, skip and reads.
    seeds.push_back(Bytes(std::string("\x04\x1B") + d));
  }
  return seeds;
}

std::vector<std::string> XmlReaderDictionary() {
  return {"<", ">", "&", "]]>", "-->", "<!--", "<![CDATA[", "<?xml version=\"1.0\"?>", "<!DOCTYPE a [",
          "<!ENTITY e \"&e;\">", "<!ENTITY x \"<a>\">", "&x;", "&lt;", "&#x41;", "</a>", "<a>", "/>", "'", "\"",
          "encoding=\"utf-16\"", "\xEF\xBB\xBF", "\xFF\xFE", "%>", "?>", "xml:lang=\"en_us\""};
}

// A generated document: nested elements, attributes with both quotes,
// entities, comments, CDATA and damage at a random place.
TBytes XmlReaderGenerate(std::uint64_t seed) {
  std::mt19937_64 random(seed);
  const auto pick = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
  std::string s;
  if (pick(2)) s += "<?xml version=\"1.0\"?>";
  if (pick(3) == 0) s += "<!DOCTYPE r [<!ENTITY e \"v&#60;i/>\"><!ENTITY d \"&e;&e;&e;\">]>";
  std::vector<std::string> open;
  s += "<r>";
  open.push_back("r");
  const unsigned steps = 5 + pick(60);
  for (unsigned i = 0; i < steps; ++i) {
    switch (pick(9)) {
      case 0: s += "<e" + std::to_string(pick(5)) + (pick(2) ? " a='x\"y'" : " b=\"&amp;q\"") + ">"; open.push_back(s.substr(s.rfind('<') + 1, 2)); break;
      case 1: if (open.size() > 1) { s += "</" + open.back() + ">"; open.pop_back(); } break;
      case 2: s += " text &lt; "; break;
      case 3: s += "<!-- c -->"; break;
      case 4: s += "<![CDATA[<x>]]>"; break;
      case 5: s += "&d;"; break;
      case 6: s += "<s/>"; break;
      case 7: s += "\n  "; break;
      default: s += "<?p q?>"; break;
    }
  }
  while (!open.empty()) {
    s += "</" + open.back() + ">";
    open.pop_back();
  }
  if (pick(4) == 0 && !s.empty()) s.resize(pick(static_cast<unsigned>(s.size())));
  std::string prefix(2, '\0');
  prefix[0] = static_cast<char>(random());
  prefix[1] = static_cast<char>(random());
  return Bytes(prefix + s);
}

}  // namespace

TTarget XmlReaderTarget() {
  return {"xml-reader", XmlReader, XmlReaderSeeds, XmlReaderDictionary, 8, XmlReaderGenerate};
}

}  // namespace Fuzz
