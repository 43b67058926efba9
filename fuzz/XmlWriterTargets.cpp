// The fuzz targets of the XML writer.
// xml-writer-roundtrip: a document that loads is written in both layouts;
// when it is well-formed (it loads with xoStrict) the output is read and
// written again and must give the same bytes.
// xml-writer-trees: a tree built from the input with hostile names and
// values (quotes, "<", "&", "]]>", "-->", "?>", control characters, lone
// surrogates) is written; the write either raises one of the library's
// exceptions or gives text that reads back with the same names and values
// (strictly, unless a value holds control characters, which the writer
// writes as references that XML 1.0 does not allow).
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "Fuzz.h"
#include "QdString/UnicodeString.h"
#include "QdXml.h"
#include "runtime/Core/Exceptions.h"

namespace Fuzz {

namespace {

using namespace Qd;

std::string Narrow(const std::wstring& text) {
  std::string result;
  for (wchar_t c : text) result += static_cast<char>(c);
  return result;
}

// The tree written by one thread and by two (the later half of the first
// element with children written by a second writer): the same output, or
// the same exception, which is raised again.
template <class TWrite>
auto WriteBothWays(TWrite write) -> decltype(write()) {
  const std::size_t saved = GetXmlSplitWriteNodes();
  std::string faults[2];
  decltype(write()) outputs[2];
  for (int way = 0; way < 2; ++way) {
    SetXmlSplitWriteNodes(way == 0 ? SIZE_MAX : 0);
    try {
      outputs[way] = write();
    } catch (const Rtl::Exception& e) {
      faults[way] = Narrow(e.Message());
    }
  }
  SetXmlSplitWriteNodes(saved);
  if (faults[0] != faults[1] || outputs[0] != outputs[1])
    Fail("written by two threads, the tree gives other output (\"" + faults[0] + "\" / \"" + faults[1] + "\")");
  if (!faults[0].empty()) throw Rtl::Exception(L"not written");
  return outputs[0];
}

Rtl::TBytes WriteBack(const Rtl::TBytes& data, TXmlOptions options) {
  TXmlFile xml;
  xml.SetOptions(options);
  xml.GetEntities().SetMaxEntityExpansion(100000);
  xml.Load(data);
  return WriteBothWays([&] { return xml.WriteToBytes(); });
}

void XmlWriterRoundTrip(TInput input) {
  if (input.size() < 2) return;
  const Rtl::TBytes data(input.begin() + 1, input.end());
  const TXmlOptions options = (input[0] & 1) ? TXmlOptions{xoKeepFormat} : DEFAULT_XML_OPTIONS_C;
  Rtl::TBytes first;
  try {
    first = WriteBack(data, options);
  } catch (const Rtl::Exception&) {
    return;  // not accepted, or holding what cannot be written
  }
  // Input that is not well-formed is written as the model holds it, which
  // need not read again: the property holds for well-formed input.
  try {
    TXmlFile strict;
    strict.SetOptions(TXmlOptions{xoStrict});
    strict.GetEntities().SetMaxEntityExpansion(100000);
    strict.Load(data);
  } catch (const Rtl::Exception&) {
    return;
  }
  Rtl::TBytes second;
  try {
    second = WriteBack(first, options);
  } catch (const Rtl::Exception& e) {
    Fail("written output does not load again: " + Narrow(e.Message()));
  }
  if (second != first) Fail("writing the written output again gives other bytes");
}

std::vector<TBytes> XmlWriterSeeds() {
  return {Bytes("\x01<?xml version='1.0'?>\r\n<a x = 'y' >\t<b>&lt;&#x3c;&#60;</b><!--c--><c/></a>"),
          Bytes("\x00<r><p>mixed <b>t</b> tail</p><q xml:space=\"preserve\"> <s/> </q></r>"),
          Bytes("\x01<!DOCTYPE r [<!ENTITY e \"v\">]><r a=\"&e;\">&e;<![CDATA[x]]><?pi d?></r>")};
}

std::vector<std::string> XmlWriterDictionary() {
  return {"<", ">", "&", "]]>", "-->", "?>", "%>", "&amp;", "&#x1F600;", "'", "\"", "<![CDATA[", "<!--",
          "xml:space=\"preserve\"", "<?xml version=\"1.0\" encoding=\"utf-16\"?>", "\r\n", "\t"};
}

// Hostile pieces of names and values.
const wchar_t* const PIECES_C[] = {L"a", L"b1", L"\"", L"'", L"<", L">", L"&", L"&amp;", L"]]>", L"-->", L"?>",
                                   L"%>", L"\x01", L"\x1f", L"\xd800", L"\xdc00", L" ", L"\t", L"\r\n", L"=",
                                   L"/", L"\u00e9", L"\U0001F600", L"x:y", L"&#"};

// Names: good ones and those the writer must refuse.
const wchar_t* const NAME_PIECES_C[] = {L"a", L"b1", L"x:y", L"\u00e9", L"\U0001F600", L"n-2", L"",
                                        L" ", L"<", L">", L"/", L"=", L"\"", L"'", L"&"};

void XmlWriterTrees(TInput input) {
  std::size_t p = 0;
  const auto next = [&]() -> unsigned { return p < input.size() ? input[p++] : 0u; };
  const auto text = [&](unsigned count) {
    std::wstring s;
    for (unsigned i = 0; i < count; ++i) s += PIECES_C[next() % std::size(PIECES_C)];
    return s;
  };
  const auto name = [&](unsigned count) {
    std::wstring s = L"e";
    for (unsigned i = 0; i < count; ++i) {
      const unsigned k = next();
      s += k < 0xC0 ? L"" : NAME_PIECES_C[k % std::size(NAME_PIECES_C)];
    }
    return s;
  };
  bool looseComment = false;
  TXmlFile xml;
  if (next() & 1) xml.SetOptions(TXmlOptions{xoKeepFormat});
  TXmlElement* root = xml.AddRoot(L"r");
  std::vector<TXmlElement*> elements{root};
  while (p < input.size()) try {
    TXmlElement* parent = elements[next() % elements.size()];
    const unsigned kind = next() % 6;
    if (kind == 0) {
      auto* attribute = parent->GetAttributes().Add(std::make_unique<TXmlAttribute>(name(1 + next() % 2), text(next() % 4)));
      attribute->SetSeparator(next() & 1 ? xsSingle : xsDouble);
    } else if (kind == 1) {
      const unsigned which = next() % 3;
      std::wstring value = text(next() % 4);
      // XML has no form for "--" in a comment or a comment ending in "-":
      // the writer writes them as they are, so such a tree reads back only
      // without strict checks.
      if (which == 1 && (value.find(L"--") != std::wstring::npos || (!value.empty() && value.back() == L'-')))
        looseComment = true;
      if (which == 0) value = L"pi " + value;
      parent->Add(which == 0 ? xeProcessing : which == 1 ? xeComment : xeCData, value);
    } else {
      TXmlElement* child = parent->Add(name(1 + next() % 2));
      child->SetValue(text(next() % 4));
      elements.push_back(child);
    }
  } catch (const Rtl::Exception&) {
    // a refusal of the model (a second attribute of the same name)
  }
  std::wstring written;
  try {
    written = WriteBothWays([&] { return xml.WriteToString(); });
  } catch (const Rtl::Exception&) {
    return;  // a documented refusal: a bad name or markup holding its end
  }
  // Read back: the same names and values, node by node. Line breaks and
  // whitespace at the ends of values are normalised by reading, so values
  // are compared without CR and trimmed.
  bool loose = looseComment;
  for (std::size_t i = 0; i < written.size(); ++i) {
    const wchar_t c = written[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    const bool low = c >= 0xDC00 && c <= 0xDFFF;
    if (low || (high && (i + 1 >= written.size() || written[i + 1] < 0xDC00 || written[i + 1] > 0xDFFF))) loose = true;
    if (c < 0x20 && c != L'\t' && c != L'\r' && c != L'\n') loose = true;
    if (high && !loose) ++i;
  }
  loose = loose || written.find(L"&#x0") != std::wstring::npos || written.find(L"&#x1") != std::wstring::npos;
  TXmlFile back;
  back.SetOptions(loose ? TXmlOptions{xoKeepFormat} : TXmlOptions{xoKeepFormat, xoStrict});
  try {
    back.LoadFromString(written);
  } catch (const Rtl::Exception& e) {
    std::string m;
    for (wchar_t c : e.Message()) m += static_cast<char>(c & 0x7f);
    Fail("written tree does not read back: " + m);
  }
  const auto norm = [](std::wstring v) {
    std::wstring out;
    for (wchar_t c : v)
      if (c != L'\r') out += c;
    const std::size_t b = out.find_first_not_of(L" \t\n");
    if (b == std::wstring::npos) return std::wstring();
    return out.substr(b, out.find_last_not_of(L" \t\n") - b + 1);
  };
  if (back.GetRoot() == nullptr) Fail("written tree lost its root");
  std::vector<std::pair<const TXmlElement*, const TXmlElement*>> work{{root, back.GetRoot()}};
  while (!work.empty()) {
    auto [a, b] = work.back();
    work.pop_back();
    if (a->GetName() != b->GetName()) Fail("a name changed");
    const int n = a->HasAttributes() ? a->GetAttributes().GetCount() : 0;
    for (int i = 0; i < n; ++i) {
      const TXmlAttribute* x = a->GetAttributes().GetItems(i);
      const TXmlAttribute* y = b->HasAttributes() ? b->GetAttributes().Find(x->GetName()) : nullptr;
      if (y == nullptr) Fail("an attribute was lost");
      if (a->GetAttributes().Find(x->GetName()) == x && norm(x->GetValue()) != norm(y->GetValue()))
        Fail("an attribute value changed");
    }
    if (a->GetCount() == 0 && a->GetElementType() == xeDouble && norm(a->GetValue()) != norm(b->GetValue()))
      Fail("an element value changed");
    std::vector<const TXmlElement*> ca, cb;
    for (int i = 0; i < a->GetCount(); ++i)
      if (a->GetElements(i)->GetElementType() == xeDouble) ca.push_back(a->GetElements(i));
    for (int i = 0; i < b->GetCount(); ++i)
      if (b->GetElements(i)->GetElementType() == xeDouble || b->GetElements(i)->GetElementType() == xeSingle)
        cb.push_back(b->GetElements(i));
    if (ca.size() != cb.size()) Fail("the number of child elements changed");
    for (std::size_t i = 0; i < ca.size(); ++i) work.emplace_back(ca[i], cb[i]);
  }
}

TBytes XmlWriterTreesGenerate(std::uint64_t seed) {
  std::mt19937_64 random(seed);
  TBytes out(1 + random() % 200);
  for (auto& b : out) b = static_cast<std::uint8_t>(random());
  return out;
}

std::vector<TBytes> XmlWriterTreeSeeds() { return {TBytes{0, 0, 1, 2, 3, 4}, TBytes{1, 0, 0, 5, 6, 7, 8, 9}}; }
std::vector<std::string> NoTokens() { return {}; }

}  // namespace

TTarget XmlWriterRoundTripTarget() {
  return {"xml-writer-roundtrip", XmlWriterRoundTrip, XmlWriterSeeds, XmlWriterDictionary, 1, nullptr};
}

TTarget XmlWriterTreesTarget() {
  return {"xml-writer-trees", XmlWriterTrees, XmlWriterTreeSeeds, NoTokens, 1, XmlWriterTreesGenerate};
}

}  // namespace Fuzz
