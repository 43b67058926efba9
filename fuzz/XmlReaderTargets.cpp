// The fuzz targets of the XML reader: a document loaded from bytes with
// options chosen by the first byte, in tree mode or in event mode (with
// the handler's results chosen by the second byte); and a large document
// read by one thread and by two. Bad input may only
// raise the library's exceptions; the limits of entity expansion and
// nesting keep every case small in memory and time.
#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "Fuzz.h"
#include "QdXml.h"
#include "TestSupport.h"
#include "XmlDescription.h"
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

// A large document read by one thread and by two (the later part on the
// spare thread): the input's first byte chooses the options; the rest, up
// to a byte 0x01, is put before the root (a declaration, a document type),
// and what follows twice among the root's children, around the places where
// the second thread's part starts (halfway) and ends. Both loads must
// record the same or fail with the same message.
void XmlSplitReader(TInput input) {
  if (input.empty()) return;
  const std::uint8_t flags = input[0];
  const std::string text(input.begin() + 1, input.end());
  const std::size_t cut = text.find('\x01');
  const std::string prologue = cut == std::string::npos ? std::string() : text.substr(0, cut);
  const std::string middle = cut == std::string::npos ? text : text.substr(cut + 1);
  const auto items = [](int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += "  <i>x</i>\n";
    return out;
  };
  const std::string document =
      prologue + "<r>\n" + items(60) + middle + items(3) + middle + items(60) + (flags & 0x80 ? "" : "</r>");
  TXmlOptions options;
  if (flags & 1) options.Include(xoKeepFormat);
  if (flags & 2) options.Include(xoRemoveWhiteSpace);
  if (flags & 4) options.Include(xoNoEncodeDecode);
  const auto outcome = [&](std::size_t splitBytes) -> std::wstring {
    const std::size_t saved = GetXmlSplitReadBytes();
    SetXmlSplitReadBytes(splitBytes);
    TXmlFile xml;
    xml.SetOptions(options);
    xml.SetDoNotRaiseOnInvalidData(flags & 8);
    if (flags & 0x10) xml.SetMaxDepth(4);
    xml.GetEntities().SetMaxEntityExpansion(flags & 0x20 ? 200 : 100000);
    std::wstring result;
    try {
      result = xml.Load(Rtl::TBytes(document.begin(), document.end())) ? L"loaded\n" : L"not loaded\n";
    } catch (const EInvalidFileException& e) {
      result = e.Message() + L" @" + std::to_wstring(e.GetLineNumber()) + L":" + std::to_wstring(e.GetPosition());
    } catch (const Rtl::Exception& e) {
      result = e.Message();
    }
    SetXmlSplitReadBytes(saved);
    return result + XmlDescription::Describe(xml);
  };
  const std::wstring one = outcome(SIZE_MAX), two = outcome(0);
  if (one != two) {
    std::size_t at = 0;
    while (at < one.size() && at < two.size() && one[at] == two[at]) ++at;
    const std::size_t from = at > 100 ? at - 100 : 0;
    Fail("two threads read otherwise than one: " + TestSupport::Narrow(one.substr(from, 300)) + " | " +
         TestSupport::Narrow(two.substr(from, 300)));
  }
}

std::vector<TBytes> XmlSplitReaderSeeds() {
  const char* inputs[] = {
      "\x02<?xml version=\"1.0\"?>\x01  <a x='1'>text &lt; <b/> &#x41;</a>\n",
      "\x01<!DOCTYPE r [<!ENTITY e \"v&#10;w\">]>\x01<a>&e;&e;</a> loose <!-- c --><![CDATA[<i>]]>",
      "\x03\x01<a xml:space=\"preserve\"> <i> x </i> </a><x xml:lang=\"de-DE\"/>",
      "\x12\x01<a><b><c><d><e/></d></c></b></a>",
      "\x02\x01<a></b>",
      "\x82\x01<a>",
      "\x02\xEF\xBB\xBF\x01<a>caf\xC3\xA9 \xF0\x9F\x93\x81</a>",
  };
  std::vector<TBytes> seeds;
  for (const char* input : inputs) seeds.push_back(Bytes(input));
  return seeds;
}

// A generated document of the reader's target: what comes before its root
// becomes the prologue, the root the middle.
TBytes XmlSplitReaderGenerate(std::uint64_t seed) {
  const TBytes generated = XmlReaderGenerate(seed);
  const std::string text(generated.begin() + 2, generated.end());
  const std::size_t root = std::min(text.find("<r>"), text.size());
  return Bytes(std::string(1, static_cast<char>(generated[0] & 0xBF)) + text.substr(0, root) + "\x01" +
               text.substr(root));
}

}  // namespace

TTarget XmlSplitReaderTarget() {
  return {"xml-split-reader", XmlSplitReader, XmlSplitReaderSeeds, XmlReaderDictionary, 1, XmlSplitReaderGenerate};
}

TTarget XmlReaderTarget() {
  return {"xml-reader", XmlReader, XmlReaderSeeds, XmlReaderDictionary, 8, XmlReaderGenerate};
}

}  // namespace Fuzz
