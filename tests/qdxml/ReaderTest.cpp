// The XML reader: the tree it builds from each kind of node, the whitespace
// and codings it keeps, its messages with line and position, the options,
// event mode, the encodings of real files, the external DTDs under the
// allowed sources, and hostile documents (entity bombs, deep nesting,
// truncation) that must fail clearly whatever the caller asks.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "HttpTestServer.h"
#include "QdXml.h"
#include "QdTextFile/TextFile.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"

using namespace Qd;

namespace {

// The message of the exception that loading `text` raises, or "" when it loads.
std::wstring LoadError(const std::wstring& text, TXmlFile* xml = nullptr) {
  TXmlFile own;
  TXmlFile& x = xml != nullptr ? *xml : own;
  try {
    x.LoadFromString(text);
  } catch (const Rtl::Exception& e) {
    return e.Message();
  }
  return L"";
}

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

Rtl::TBytes Bytes(const std::string& s) { return Rtl::TBytes(s.begin(), s.end()); }

}  // namespace

TEST(XmlReader, TextOnlyElementsFoldIntoTheirValue) {
  TXmlFile xml;
  ASSERT_TRUE(xml.LoadFromString(L"<a>hello</a>"));
  ASSERT_NE(xml.GetRoot(), nullptr);
  EXPECT_EQ(xml.GetRoot()->GetElementType(), xeDouble);
  EXPECT_EQ(xml.GetRoot()->GetValue(), L"hello");
  EXPECT_EQ(xml.GetRoot()->GetCount(), 0);

  TXmlFile spaced;
  ASSERT_TRUE(spaced.LoadFromString(L"<a> hello </a>"));
  EXPECT_EQ(spaced.GetRoot()->GetValue(), L"hello");
  EXPECT_EQ(spaced.GetRoot()->GetBeforeWhiteSpaces(), L" ");
  EXPECT_EQ(spaced.GetRoot()->GetAfterWhiteSpaces(), L" ");

  for (bool keep : {false, true}) {
    TXmlFile blank;
    if (keep) blank.AddOption(xoKeepFormat);
    ASSERT_TRUE(blank.LoadFromString(L"<a>  </a>"));
    EXPECT_EQ(blank.GetRoot()->GetValue(), L"  ") << keep;
    EXPECT_EQ(blank.GetRoot()->GetCount(), 0) << keep;
  }
}

TEST(XmlReader, TextReadBeforeAFaultOrAMismatchStaysInTheTree) {
  // The text of an element becomes its value only when the element ends
  // with it; a load that fails or stops first keeps it as a text child.
  TXmlFile failed;
  EXPECT_FALSE(LoadError(L"<a><b>one two </c></a>", &failed).empty());
  ASSERT_NE(failed.GetRoot(), nullptr);
  TXmlElement* b = failed.GetRoot()->Find(L"b");
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(b->GetCount(), 1);
  EXPECT_EQ(b->GetElements(0)->GetValue(), L"one two");
  EXPECT_EQ(b->GetElements(0)->GetAfterWhiteSpaces(), L" ");
  EXPECT_EQ(b->GetValue(), L"");

  TXmlFile cut;
  EXPECT_FALSE(LoadError(L"<a>text<", &cut).empty());
  ASSERT_NE(cut.GetRoot(), nullptr);
  ASSERT_EQ(cut.GetRoot()->GetCount(), 1);
  EXPECT_EQ(cut.GetRoot()->GetElements(0)->GetValue(), L"text");

  TXmlFile quiet;
  quiet.SetDoNotRaiseOnInvalidData(true);
  quiet.LoadFromString(L"<a><b> x </c><d/></a>");
  EXPECT_TRUE(quiet.GetInvalidData());
  ASSERT_NE(quiet.GetRoot(), nullptr);
  b = quiet.GetRoot()->Find(L"b");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->GetValue(), L"x");
  EXPECT_EQ(b->GetBeforeWhiteSpaces(), L" ");

  // Made well-formed, a mismatched element with text keeps it and its form.
  TXmlFile mended;
  mended.SetMakeWellFormed(true);
  ASSERT_TRUE(mended.LoadFromString(L"<a><b>kept</c></a>"));
  b = mended.GetRoot()->Find(L"b");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->GetElementType(), xeDouble);
  EXPECT_EQ(b->GetValue(), L"kept");

  // Text, then markup, then text again: two text children.
  TXmlFile mixed;
  ASSERT_TRUE(mixed.LoadFromString(L"<a>one<!--c-->two</a>"));
  ASSERT_EQ(mixed.GetRoot()->GetCount(), 3);
  EXPECT_EQ(mixed.GetRoot()->GetElements(0)->GetValue(), L"one");
  EXPECT_EQ(mixed.GetRoot()->GetElements(2)->GetValue(), L"two");
}

TEST(XmlReader, MixedContentKeepsTextNodesAndKeepFormatKeepsWhitespace) {
  TXmlFile xml;
  ASSERT_TRUE(xml.LoadFromString(L"<a><b/> hello <c/></a>"));
  TXmlElement* a = xml.GetRoot();
  ASSERT_EQ(a->GetCount(), 3);
  EXPECT_EQ(a->GetElements(0)->GetName(), L"b");
  EXPECT_EQ(a->GetElements(1)->GetElementType(), xeText);
  EXPECT_EQ(a->GetElements(1)->GetValue(), L"hello");
  EXPECT_EQ(a->GetElements(1)->GetBeforeWhiteSpaces(), L" ");
  EXPECT_EQ(a->GetElements(1)->GetAfterWhiteSpaces(), L" ");
  EXPECT_EQ(a->GetElements(2)->GetName(), L"c");
  EXPECT_TRUE(a->GetContainsText());

  TXmlFile plain, kept;
  kept.AddOption(xoKeepFormat);
  ASSERT_TRUE(plain.LoadFromString(L"<a>\n  <b/>\n</a>"));
  ASSERT_TRUE(kept.LoadFromString(L"<a>\n  <b/>\n</a>"));
  EXPECT_EQ(plain.GetRoot()->GetCount(), 1);
  ASSERT_EQ(kept.GetRoot()->GetCount(), 3);
  EXPECT_EQ(kept.GetRoot()->GetElements(0)->GetElementType(), xeWhiteSpace);
  EXPECT_EQ(kept.GetRoot()->GetElements(0)->GetValue(), L"\n  ");
  EXPECT_EQ(kept.GetRoot()->GetElements(2)->GetValue(), L"\n");
}

TEST(XmlReader, TopLevelNodesAndTheKindsOfMarkup) {
  TXmlFile xml;
  ASSERT_TRUE(xml.LoadFromString(
      L"<?xml version=\"1.0\"?><!-- before --><a><![CDATA[<x>]]><?php echo 1 ?><%= s %></a><!-- after -->"));
  ASSERT_EQ(xml.GetItemCount(), 4);
  EXPECT_EQ(xml.GetItems(0)->GetElementType(), xeDeclaration);
  EXPECT_EQ(xml.GetItems(1)->GetValue(), L" before ");
  EXPECT_EQ(xml.GetItems(3)->GetElementType(), xeComment);
  TXmlElement* a = xml.GetRoot();
  ASSERT_EQ(a->GetCount(), 3);
  EXPECT_EQ(a->GetElements(0)->GetElementType(), xeCData);
  EXPECT_EQ(a->GetElements(0)->GetValue(), L"<x>");
  EXPECT_EQ(a->GetElements(1)->GetElementType(), xeProcessing);
  EXPECT_EQ(a->GetElements(1)->GetValue(), L"php echo 1 ");
  EXPECT_EQ(a->GetElements(2)->GetElementType(), xeScript);
  EXPECT_EQ(LoadError(L"<a/><b/>"), L"Only one top level element is allowed in an XML document.");
  EXPECT_EQ(LoadError(L"</a>"), L"Invalid \"a\" end tag in the XML file");
  EXPECT_EQ(LoadError(L"<?xml version=\"1.1\"?><a/>"), L"Unknown XML version: 1.1");
  EXPECT_TRUE(Contains(LoadError(L"<a>< b</a>"), L"Invalid XML at line: \" b")) << LoadError(L"<a>< b</a>");
  EXPECT_EQ(LoadError(L"<a x='1' x='2'/>"), L"Element already contains x attribute");
}

TEST(XmlReader, AttributesKeepQuoteAndCodings) {
  TXmlFile xml;
  ASSERT_TRUE(xml.LoadFromString(L"<a q='say \"hi\"' e=\"&lt;b&gt;\"/>"));
  TXmlAttribute* q = xml.GetRoot()->GetAttributes().Find(L"q");
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->GetSeparator(), xsSingle);
  EXPECT_EQ(q->GetValue(), L"say \"hi\"");
  EXPECT_TRUE(q->GetCodings()[xeApos].Contains(xcEntity));
  TXmlAttribute* e = xml.GetRoot()->GetAttributes().Find(L"e");
  EXPECT_EQ(e->GetValue(), L"<b>");
  EXPECT_TRUE(e->GetCodings()[xeLt].Contains(xcEntity));
  EXPECT_TRUE(e->GetCodings()[xeGt].Contains(xcEntity));
  EXPECT_EQ(xml.GetRoot()->GetElementType(), xeSingle);
}

TEST(XmlReader, MessagesCarryLineAndPosition) {
  TXmlFile xml;
  try {
    xml.LoadFromString(L"<a>\n  <b>\n  </c>\n</a>");
    FAIL() << "no exception";
  } catch (const EInvalidFileException& e) {
    EXPECT_TRUE(Contains(e.Message(), L"Error parsing XML data.")) << e.Message();
    EXPECT_TRUE(Contains(e.Message(), L"\"c\" end tag of the XML file does not match to \"b\" tag")) << e.Message();
    EXPECT_EQ(e.GetLineNumber(), 3);
    EXPECT_GT(e.GetPosition(), 1);
  }
  EXPECT_TRUE(xml.GetInvalidData());
  TXmlFile quiet;
  quiet.SetDoNotRaiseOnInvalidData(true);
  EXPECT_FALSE(quiet.LoadFromString(L"<a><b></c></a>"));
  EXPECT_TRUE(quiet.GetInvalidData());
  TXmlFile repaired;
  repaired.SetMakeWellFormed(true);
  ASSERT_TRUE(repaired.LoadFromString(L"<r><a></b><c>x</d></r>"));
  EXPECT_EQ(repaired.GetRoot()->GetElements(0)->GetElementType(), xeSingle);
  // Content is never lost to the repair.
  EXPECT_EQ(repaired.GetRoot()->GetElements(1)->GetElementType(), xeDouble);
  EXPECT_EQ(repaired.GetRoot()->GetElements(1)->GetValue(), L"x");
  EXPECT_TRUE(Contains(LoadError(L"x<a/>"), L"Invalid at the top level of the document"));
  EXPECT_TRUE(Contains(LoadError(L"<a b=c/>"), L"A string literal was expected"));
  EXPECT_TRUE(Contains(LoadError(std::wstring(L"<a>") + L'\0' + L"</a>"), L"Null character not allowed"));
}

TEST(XmlReader, TruncatedInputIsReportedWhereverItStops) {
  const std::wstring cuts[] = {L"<a", L"<a x='1", L"<a><!-- c", L"<a><![CDATA[x", L"<a><?p x",
                               L"<a><%x", L"<!DOCTYPE a [<!ENTITY e 'x'>", L"<a><b>text", L"<a></a"};
  for (const std::wstring& cut : cuts) {
    TXmlFile xml;
    xml.SetDoNotRaiseOnInvalidData(true);
    try {
      EXPECT_FALSE(xml.LoadFromString(cut)) << std::string(cut.begin(), cut.end());
    } catch (const EInvalidFileException& e) {
      EXPECT_TRUE(Contains(e.Message(), L"Unexpected end of the XML data.")) << e.Message();
    }
  }
  TXmlFile partial;
  partial.AddOption(xoPartial);
  ASSERT_TRUE(partial.LoadFromString(L"text <b>bold"));
  EXPECT_EQ(partial.GetRoot()->GetName(), L"root");
}

TEST(XmlReader, InternalSubsetEndsOutsideLiteralsAndEntitiesExpandAsSources) {
  TXmlFile xml;
  ASSERT_TRUE(xml.LoadFromString(
      L"<!DOCTYPE a [<!ENTITY e \"]\"><!ENTITY m \"<b>in</b>\"><!-- ] -->]><a>x&e;y&m;</a>"));
  TXmlElement* a = xml.GetRoot();
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->GetCount(), 2);
  EXPECT_EQ(a->GetElements(0)->GetValue(), L"x]y");
  EXPECT_EQ(a->GetElements(1)->GetName(), L"b");
  EXPECT_EQ(a->GetElements(1)->GetValue(), L"in");
  EXPECT_EQ(xml.GetItems(0)->GetElementType(), xeDocType);
}

// A reference in an entity's literal is kept as written and read when the
// entity is used: "&lt;" there is a character in content, never markup,
// while a character reference ("&#60;") becomes markup when it is used.
TEST(XmlReader, EntityReferencesInLiteralsAreReadWhenTheEntityIsUsed) {
  for (const bool strict : {false, true}) {
    TXmlFile xml;
    if (strict) xml.AddOption(xoStrict);
    ASSERT_TRUE(xml.LoadFromString(L"<!DOCTYPE a [<!ENTITY e \"&lt;foo>\"><!ENTITY f \"[&e;]\">]>"
                                   L"<a v=\"&f;\" w=\"x&lt;y\">&f;</a>"))
        << strict;
    TXmlElement* a = xml.GetRoot();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetCount(), 0);
    EXPECT_EQ(a->GetValue(), L"[<foo>]");
    // (References in attribute values stay as written; "&lt;" there is a
    // character again and no markup.)
    EXPECT_EQ(a->GetAttributes().GetString(L"w"), L"x<y");
    // The table's value is the decoded text; the replacement text keeps the
    // references.
    const TXmlEntity* e = xml.GetEntities().FindName(L"e");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->GetValue(), L"<foo>");
    EXPECT_EQ(e->GetReplacementText(), L"&lt;foo>");
  }
  TXmlFile markup;
  ASSERT_TRUE(markup.LoadFromString(L"<!DOCTYPE a [<!ENTITY m \"&#60;b/>\">]><a>&m;</a>"));
  ASSERT_EQ(markup.GetRoot()->GetCount(), 1);
  EXPECT_EQ(markup.GetRoot()->GetElements(0)->GetName(), L"b");
  // "<" reached through another entity is still "<" in an attribute value.
  TXmlFile strict;
  strict.AddOption(xoStrict);
  EXPECT_TRUE(Contains(LoadError(L"<!DOCTYPE a [<!ENTITY m \"&#60;\"><!ENTITY n \"&m;\">]><a v=\"&n;\"/>", &strict),
                       L"in an attribute value"));
}

TEST(XmlReader, HostileDocumentsFailWhateverTheCallerAsks) {
  std::wstring laughs = L"<!DOCTYPE l [<!ENTITY l0 \"lol\">";
  for (int i = 1; i <= 9; ++i)
    laughs += L"<!ENTITY l" + std::to_wstring(i) + L" \"" +
              [&] {
                std::wstring s;
                for (int k = 0; k < 10; ++k) s += L"&l" + std::to_wstring(i - 1) + L";";
                return s;
              }() +
              L"\">";
  laughs += L"]><l>&l9;</l>";
  std::wstring quadratic = L"<!DOCTYPE q [<!ENTITY x \"" + std::wstring(50000, L'x') + L"\">]><q>";
  for (int i = 0; i < 5000; ++i) quadratic += L"&x;";
  quadratic += L"</q>";
  std::wstring deep;
  for (int i = 0; i < 100000; ++i) deep += L"<d>";
  for (bool quiet : {false, true}) {
    for (const std::wstring* doc : {&laughs, &quadratic, &deep}) {
      TXmlFile xml;
      xml.SetDoNotRaiseOnInvalidData(quiet);
      EXPECT_THROW(xml.LoadFromString(*doc), Rtl::Exception);
    }
  }
  TXmlFile deepXml;
  try {
    deepXml.LoadFromString(deep);
  } catch (const EInvalidFileException& e) {
    EXPECT_TRUE(Contains(e.Message(), L"Elements are nested deeper than 256 levels.")) << e.Message();
    EXPECT_EQ(e.GetLineNumber(), 1);
  }
}

TEST(XmlReader, EventModeReportsSkipsAndCancels) {
  const std::wstring doc = L"<r><a><x>1</x></a><b>2</b><c/></r>";
  std::vector<std::wstring> seen;
  TXmlFile xml;
  std::wstring activeValue;
  xml.SetOnElement([&](TXmlFile* sender, TXmlElement* element, TXmlEventResult& result) {
    seen.push_back(element->GetName());
    if (element->GetName() == L"a") result = xrSkip;
    if (element->GetName() == L"b") activeValue = sender->ReadStringValue();
  });
  ASSERT_TRUE(xml.LoadFromString(doc));
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"r", L"a", L"b", L"c"}));
  EXPECT_EQ(activeValue, L"2");
  EXPECT_EQ(xml.GetItemCount(), 0);
  EXPECT_THROW(xml.GetActiveElement(), Rtl::Exception);

  TXmlFile cancelled;
  cancelled.SetOnElement([](TXmlFile*, TXmlElement*, TXmlEventResult& result) { result = xrCancel; });
  EXPECT_FALSE(cancelled.LoadFromString(doc));
  EXPECT_TRUE(cancelled.GetCancelled());
}

TEST(XmlReader, ProgressCanCancel) {
  TestSupport::TTempDir dir;
  std::string big = "<r>";
  for (int i = 0; i < 20000; ++i) big += "<i>value</i>";
  big += "</r>";
  TestSupport::WriteFile(dir / L"big.xml", big);
  TXmlFile xml;
  int calls = 0;
  xml.SetOnProgress([&](Rtl::TObject*, std::int64_t, std::int64_t, bool& cancel) {
    if (++calls == 3) cancel = true;
  });
  EXPECT_FALSE(xml.Load(dir / L"big.xml"));
  EXPECT_TRUE(xml.GetCancelled());
  EXPECT_EQ(calls, 3);
}

TEST(XmlReader, RealFilesInEveryEncoding) {
  TestSupport::TTempDir dir;
  const std::string body = "<a>\xC3\xA9t\xC3\xA9</a>";
  TestSupport::WriteFile(dir / L"bom.xml", "\xEF\xBB\xBF<?xml version=\"1.0\"?>" + body);
  TestSupport::WriteFile(dir / L"plain.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + body);
  std::string le = "\xFF\xFE", be = "\xFE\xFF";
  for (wchar_t c : std::wstring(L"<a>\u00E9t\u00E9</a>")) {
    le += static_cast<char>(c & 0xFF);
    le += static_cast<char>(c >> 8);
    be += static_cast<char>(c >> 8);
    be += static_cast<char>(c & 0xFF);
  }
  TestSupport::WriteFile(dir / L"le.xml", le);
  TestSupport::WriteFile(dir / L"be.xml", be);
  // A non-ASCII byte right after the declaration and one 300 bytes on.
  TestSupport::WriteFile(dir / L"ansi.xml", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\xE9" +
                                                std::string(300, 'x') + "\xE9</a>");
  for (const wchar_t* name : {L"bom.xml", L"plain.xml", L"le.xml", L"be.xml"}) {
    TXmlFile xml;
    ASSERT_TRUE(xml.Load(dir / name)) << name;
    EXPECT_EQ(xml.GetRoot()->GetValue(), L"\u00E9t\u00E9") << name;
  }
  TXmlFile ansi;
  ASSERT_TRUE(ansi.Load(dir / L"ansi.xml"));
  EXPECT_EQ(ansi.GetRoot()->GetValue(), L"\u00E9" + std::wstring(300, L'x') + L"\u00E9");
  EXPECT_EQ(TXmlFile::GetFileEncoding(dir / L"ansi.xml"), L"windows-1252");
  TestSupport::WriteFile(dir / L"conflict.xml", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><a/>");
  TXmlFile conflict;
  try {
    conflict.Load(dir / L"conflict.xml");
    FAIL();
  } catch (const Rtl::Exception& e) {
    EXPECT_TRUE(Contains(e.Message(), L"\"utf-8\" encoding to the \"iso-8859-1\"")) << e.Message();
  }
  TXmlFile ignoring;
  ignoring.AddOption(xoIgnoreEncoding);
  EXPECT_TRUE(ignoring.Load(dir / L"conflict.xml"));
  TXmlFile missing;
  EXPECT_FALSE(missing.Load(dir / L"none.xml"));
  EXPECT_THROW(missing.Load(Rtl::TBytes{}), Rtl::Exception);
  TXmlFile bytes;
  EXPECT_TRUE(bytes.Load(Bytes("<a>b</a>")));
}

TEST(XmlReader, ExternalDtdAndEntitiesOnlyFromAllowedSources) {
  TestSupport::TTempDir dir;
  TestSupport::WriteFile(dir / L"local.dtd", "<!ENTITY fromdtd \"DTD\">");
  TestSupport::WriteFile(dir / L"secret.txt", "SECRET");
  TestSupport::WriteFile(dir / L"doc.xml",
                         "<!DOCTYPE a SYSTEM \"local.dtd\" [<!ENTITY s SYSTEM \"secret.txt\">]><a>&fromdtd;&s;</a>");
  TXmlFile plain;
  ASSERT_TRUE(plain.Load(dir / L"doc.xml"));
  EXPECT_EQ(plain.GetRoot()->GetValue(), L"&fromdtd;&s;");
  TXmlFile allowed;
  allowed.GetEntities().SetExternalSources(TXmlExternalSources{esFile});
  ASSERT_TRUE(allowed.Load(dir / L"doc.xml"));
  EXPECT_EQ(allowed.GetRoot()->GetValue(), L"DTDSECRET");

  TestSupport::THttpTestServer server;
  for (const wchar_t* path : {L"/test.dtd", L"/redirect", L"/big", L"/never"}) {
    for (bool http : {false, true}) {
      TXmlFile xml;
      xml.GetEntities().SetExternalTimeout(2000);
      if (http) xml.GetEntities().SetExternalSources(TXmlExternalSources{esHttp});
      const std::wstring doc = L"<!DOCTYPE a SYSTEM \"" + server.Url(path) + L"\"><a>&served;</a>";
      const auto start = std::chrono::steady_clock::now();
      ASSERT_TRUE(xml.LoadFromString(doc));
      const auto took = std::chrono::steady_clock::now() - start;
      EXPECT_LT(took, std::chrono::milliseconds(3000)) << path;
      const bool loads = http && std::wstring(path) == L"/test.dtd";
      EXPECT_EQ(xml.GetRoot()->GetValue(), loads ? L"from the test server" : L"&served;") << path << http;
    }
  }
}

TEST(XmlReader, ClassLevelFunctions) {
  EXPECT_TRUE(TXmlFile::IsXmlString(L"  <?xml version=\"1.0\"?>", true));
  EXPECT_TRUE(TXmlFile::IsXmlString(L"<a/>", false));
  EXPECT_FALSE(TXmlFile::IsXmlString(L"<HTML>", false));
  EXPECT_TRUE(TXmlFile::IsHtmlString(L"<p>", false));
  EXPECT_FALSE(TXmlFile::IsHtmlString(L"<p>", true));
  EXPECT_EQ(TXmlFile::LanguageToCode(L"en_us"), L"en-US");
  EXPECT_EQ(TXmlFile::LanguageToCode(L"pt-br"), L"pt-BR");
  EXPECT_EQ(TXmlFile::LanguageToCode(L"EN"), L"en");
  std::wstring nulls = std::wstring(L"a") + L'\0' + L"b" + L'\0';
  EXPECT_EQ(TXmlFile::RemoveNullCharacter(nulls), 3);
  EXPECT_EQ(nulls, L"ab");
  EXPECT_TRUE(TXmlFile::IsWellFormed(L"<a><b/></a>"));
  EXPECT_FALSE(TXmlFile::IsWellFormed(L"<a><b></a>"));
  EXPECT_TRUE(TXmlFile::IsXmlDataString(L"<a/>"));
  TestSupport::TTempDir dir;
  TestSupport::WriteFile(dir / L"c.xml", "<!-- c --><a/>");
  EXPECT_EQ(TXmlFile::GetFileEncoding(dir / L"c.xml"), L"");
  EXPECT_TRUE(TXmlFile::IsXmlFile(dir / L"c.xml", false));
  EXPECT_FALSE(TXmlFile::IsXmlFile(dir / L"c.xml", true));

  TXmlElement e(L"e");
  e.StringToStructure(L"x <b>y</b> z");
  ASSERT_EQ(e.GetCount(), 3);
  EXPECT_EQ(e.GetElements(1)->GetName(), L"b");
  e.StringToStructure(L"a &amp; b");
  EXPECT_EQ(e.GetValue(), L"a & b");
  e.SetRawValue(L"<i>1</i>");
  ASSERT_EQ(e.GetCount(), 1);
  EXPECT_EQ(e.GetElements(0)->GetValue(), L"1");
}

TEST(XmlReader, StrictModeSaysWhatIsNotWellFormed) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"<a>x -- ]]> y</a>", L"\"]]>\" in text"},
      {L"<a><!-- a -- b --></a>", L"\"--\" in a comment"},
      {L"<a b='<'/>", L"\"<\" in an attribute value"},
      {L"<a>&undeclared;</a>", L"undeclared entity \"undeclared\""},
      {L"<a>AT&T</a>", L"\"&\" that starts no reference"},
      {L"<1a/>", L"invalid element name \"1a\""},
      {L" <?xml version=\"1.0\"?><a/>", L"an XML declaration that is not at the start"},
      {L"<a/>text", L"text outside the root element"},
      {L"<!-- only -->", L"no root element"},
      {L"<a><?xml-stylesheet x?><?XmL y?></a>", L"a processing instruction named \"XmL\""},
      {L"<a b='1'c='2'/>", L"attributes not separated by whitespace"},
      {L"<!DOCTYPE a [<!ELEMENT a (b,|c)>]><a/>", L"invalid content model"},
      {L"<a><% script %></a>", L"a script block"},
      {L"<a>&#0;</a>", L"invalid character reference"},
      // What entities may hold and where they may be used.
      {L"<!DOCTYPE a [<!ENTITY e \"x &#x0=2f;\">]><a/>", L"invalid document type: \"&\" that starts no reference"},
      {L"<!DOCTYPE a [<!ATTLIST a b CDATA \"&e;\"><!ENTITY e \"v\">]><a/>",
       L"undeclared entity \"e\" in a default value"},
      {L"<!DOCTYPE a [<!ENTITY e SYSTEM \"e.txt\"><!ATTLIST a b CDATA \"&e;\">]><a/>",
       L"reference to external entity \"e\" in an attribute value"},
      {L"<!DOCTYPE a [<!ENTITY x SYSTEM \"x.txt\"><!ENTITY e \"&x;\">]><a b='&e;'/>",
       L"reference to external entity \"x\" in an attribute value"},
      {L"<!DOCTYPE a [<!ENTITY e \"&u;\">]><a b='&e;'/>", L"undeclared entity \"u\""},
      {L"<!DOCTYPE a [<!ENTITY e \"&#38;\">]><a b='&e;'/>", L"\"&\" that starts no reference in the replacement"},
      {L"<!DOCTYPE a [<!NOTATION n SYSTEM \"n\"><!ENTITY e SYSTEM \"e.jpg\" NDATA n>]><a>&e;</a>",
       L"reference to unparsed entity \"e\""},
      {L"<!DOCTYPE a [<!ENTITY e \"</b><b>\">]><a><b>&e;</b></a>",
       L"an end tag in entity \"e\" for an element opened outside it"},
  };
  for (const auto& [doc, what] : cases) {
    TXmlFile strict;
    strict.AddOption(xoStrict);
    const std::wstring error = LoadError(doc, &strict);
    EXPECT_TRUE(Contains(error, L"The XML data is not well-formed: ")) << doc << L" " << error;
    EXPECT_TRUE(Contains(error, what)) << doc << L" " << error;
  }
  TXmlFile fine;
  fine.AddOption(xoStrict);
  EXPECT_EQ(LoadError(L"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                      L"<!DOCTYPE a [<!ELEMENT a (#PCDATA|b)*><!ATTLIST a x CDATA #IMPLIED>"
                      L"<!ENTITY e \"v&#60;b/>\">]><a x='&lt;&#x41;'>&e;<![CDATA[]]]]><b/></a>",
                      &fine),
            L"");
  // An entity declared before the default that refers to it, an escaped
  // ampersand in an entity, and elements that an entity opens and closes;
  // with a parameter-entity reference, an undeclared entity is no longer a
  // well-formedness error.
  TXmlFile entities;
  entities.AddOption(xoStrict);
  EXPECT_EQ(LoadError(L"<!DOCTYPE a [<!ENTITY e \"v&#38;#38;\"><!ATTLIST a b CDATA \"&e;\">"
                      L"<!ENTITY f \"<c>x</c>\">]><a b='&e;'>&f;</a>",
                      &entities),
            L"");
  TXmlFile parameter;
  parameter.AddOption(xoStrict);
  EXPECT_EQ(LoadError(L"<!DOCTYPE a [<!ENTITY % p \"\">%p;<!ATTLIST a b CDATA \"&later;\">]><a/>", &parameter),
            L"");
}

TEST(XmlReader, LoadsALinkedResource) {
  TXmlFile xml;
  ASSERT_TRUE(xml.Load(L"QDXMLDOC", L""));
  ASSERT_NE(xml.GetRoot(), nullptr);
  EXPECT_EQ(xml.GetRoot()->GetValue(), L"linked");
  EXPECT_EQ(xml.GetRoot()->GetAttributes().GetString(L"a"), L"1");
  EXPECT_EQ(xml.GetEncodingAttributeValue(), L"utf-8");
  TXmlFile missing;
  EXPECT_THROW(missing.Load(L"NOSUCHDOC", L""), Rtl::Exception);
}

TEST(XmlReader, LanguageCodesOfXmlLangTellHowTheDocumentWritesThem) {
  namespace Ql = Qd::QdLanguages;
  TXmlFile xml;
  // Nothing read yet: the standard forms.
  EXPECT_TRUE(xml.GetLanguageIdKinds().IsEmpty());
  EXPECT_EQ(xml.GetLanguageIdKind(), liStandard);
  EXPECT_EQ(xml.GetLanguageIdCase(), Ql::lcStandard);
  EXPECT_EQ(xml.GetLanguageIdScript(), lsStandard);

  // Only underscores and lower case, the script always written; other
  // attributes and "lang" in another namespace do not count.
  ASSERT_TRUE(xml.LoadFromString(L"<r><t xml:lang=\"de_at\" lang=\"EN-US\"/><t xml:lang=\"de_Latn_ch\"/>"
                                 L"<t x:lang=\"FR-FR\"/></r>"));
  EXPECT_EQ(xml.GetLanguageIdKinds(), TLanguageIdKinds{liUnderline});
  EXPECT_EQ(xml.GetLanguageIdKind(), liUnderline);
  EXPECT_EQ(xml.GetLanguageIdCases(), TLanguageIdCases{Ql::lcLower});
  EXPECT_EQ(xml.GetLanguageIdCase(), Ql::lcLower);
  EXPECT_EQ(xml.GetLanguageIdScripts(), TLanguageIdScripts{lsAlways});
  EXPECT_EQ(xml.GetLanguageIdScript(), lsAlways);

  // A new load starts afresh; mixed forms give the standard ones, a
  // multi-script language written with its default script gives lsMulti.
  ASSERT_TRUE(xml.LoadFromString(L"<r xml:lang='DE-AT'><t xml:lang=\"de_AT\"/><t xml:lang=\"zh-Hans\"/></r>"));
  EXPECT_EQ(xml.GetLanguageIdKinds(), (TLanguageIdKinds{liStandard, liUnderline}));
  EXPECT_EQ(xml.GetLanguageIdKind(), liStandard);
  EXPECT_EQ(xml.GetLanguageIdCases(), (TLanguageIdCases{Ql::lcUpper, Ql::lcStandard}));
  EXPECT_EQ(xml.GetLanguageIdCase(), Ql::lcStandard);
  EXPECT_EQ(xml.GetLanguageIdScripts(), TLanguageIdScripts{lsMulti});
  EXPECT_EQ(xml.GetLanguageIdScript(), lsMulti);

  // Upper case alone; lsMulti with lsAlways still reads as lsAlways.
  ASSERT_TRUE(xml.LoadFromString(L"<r><t xml:lang=\"DE-AT\"/></r>"));
  EXPECT_EQ(xml.GetLanguageIdCase(), Ql::lcUpper);
  EXPECT_EQ(xml.GetLanguageIdScript(), lsStandard);
  xml.DetectLanguageId(L"zh-Hans");
  xml.DetectLanguageId(L"de-Latn-DE");
  EXPECT_EQ(xml.GetLanguageIdScripts(), (TLanguageIdScripts{lsMulti, lsAlways}));
  EXPECT_EQ(xml.GetLanguageIdScript(), lsAlways);
}

// --- Reading in blocks ---------------------------------------------------------

namespace {

// A UTF-8 document of about `size` bytes over many lines (CR LF), with
// multi-byte text, attributes, comments and CDATA.
std::string LargeDocument(std::size_t size) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<root>\r\n";
  for (int k = 0; s.size() < size; ++k)
    s += "  <item n=\"" + std::to_string(k) + "\" q='\xC3\xA9'>caf\xC3\xA9 \xE2\x82\xAC " + std::to_string(k) +
         "<!-- c -->&lt;<![CDATA[x<y]]></item>\r\n";
  return s + "</root>\r\n";
}

// What loading `content` from a stream gives: the document written back,
// or the failure with its line and position. With `chunked` a progress
// handler is set, so the input is read chunk by chunk up to each "<" (as
// whenever someone watches the reading); without, it is read in blocks.
std::wstring LoadOutcome(const std::string& content, bool chunked) {
  TXmlFile xml;
  if (chunked) xml.SetOnProgress([](auto&&...) {});
  Rtl::TBytesStream stream(Bytes(content));
  try {
    const bool loaded = xml.Load(stream);
    return (loaded ? L"loaded " : L"not loaded ") + xml.WriteToString();
  } catch (const EInvalidFileException& e) {
    return e.Message() + L" @" + std::to_wstring(e.GetLineNumber()) + L":" + std::to_wstring(e.GetPosition());
  } catch (const EUft8Exception& e) {
    return L"UTF-8 @" + std::to_wstring(e.GetIndex()) + L" of " + std::to_wstring(e.GetData().size());
  } catch (const Rtl::Exception& e) {
    return e.Message();
  }
}

}  // namespace

TEST(XmlReader, BlocksGiveWhatChunksGive) {
  // Several blocks of 64 KB. The text is shifted a byte at a time over the
  // length of an item, so that characters of two and three bytes lie across
  // every block edge in one of the runs.
  const std::string plain = LargeDocument(140 * 1024);
  const std::size_t after = plain.find("?>") + 2;
  for (std::size_t shift = 0; shift < 64; ++shift) {
    std::string moved = plain;
    moved.insert(after, shift, ' ');
    const std::wstring tree = LoadOutcome(moved, true);
    ASSERT_TRUE(tree.starts_with(L"loaded ")) << shift << tree.substr(0, 200);
    EXPECT_EQ(LoadOutcome(moved, false), tree) << shift;
  }
}

namespace {

// Where each element and attribute was read (its line number), in document
// order, then the fault's line and column: for a document whose line breaks
// are CR LF, LF CR, lone CR and LF, some inside entities' replacement texts
// and in the attribute lists of tags, long enough for the buffer to drop
// what it has consumed many times.
std::wstring LinesRead(bool chunked) {
  std::string doc = "<?xml version=\"1.0\"?>\r\n<!DOCTYPE r [\n<!ENTITY e \"x&#13;&#10;<i a='1'\n/>\r\ny\">\n"
                    "<!ENTITY f \"&#10;&#13;z\">]>\r\n<r>\n\r";
  for (int k = 0; k < 3000; ++k) {
    doc += "<p q='" + std::to_string(k) + "'\r\n r='2'>";
    doc += k % 3 == 0 ? "&e;\r" : k % 3 == 1 ? "\n\r&f;&e;\n" : "text\r\rmore";
    doc += "</p>";
    doc += k % 2 == 0 ? "\n\r" : "\r\n";
  }
  doc += "<a>\n&e;\r\n</b>";
  TXmlFile xml;
  if (chunked) xml.SetOnProgress([](auto&&...) {});
  Rtl::TBytesStream stream(Bytes(doc));
  std::wstring result;
  try {
    xml.Load(stream);
    result = L"loaded";
  } catch (const EInvalidFileException& e) {
    result = L"fault @" + std::to_wstring(e.GetLineNumber()) + L":" + std::to_wstring(e.GetPosition());
  }
  std::vector<const TXmlElement*> work{xml.GetRoot()};
  std::wstring lines;
  while (!work.empty()) {
    const TXmlElement* e = work.back();
    work.pop_back();
    if (e == nullptr) continue;
    lines += std::to_wstring(e->GetLineNumber()) + L" ";
    for (int i = 0; i < e->GetAttributes().GetCount(); ++i)
      lines += std::to_wstring(e->GetAttributes().GetItems(i)->GetLineNumber()) + L" ";
    for (int i = e->GetCount() - 1; i >= 0; --i) work.push_back(e->GetElements(i));
  }
  return result + L" " + lines;
}

}  // namespace

TEST(XmlReader, LinesAndColumnsCountEveryKindOfBreakWhereverItIsRead) {
  const std::wstring lines = LinesRead(false);
  EXPECT_EQ(lines, LinesRead(true));
  // The fault: the end tag "</b>" on the last line of the document.
  EXPECT_TRUE(lines.starts_with(L"fault @18013:4 ")) << lines.substr(0, 40);
  // The first nodes: the root on line 7 (the breaks of the prolog and of
  // the entity's literal count), then the items with their attributes, the
  // elements of the entities' texts and the text nodes (line 0).
  EXPECT_TRUE(Contains(lines, L" 7 8 8 9 0 10 10 0 14 14 15 0 18 18 0 22 22 23 26 26 27 ")) << lines.substr(0, 200);
  // All of them, as counted when every move of the cursor counted its text.
  std::uint64_t sum = 0;
  for (wchar_t c : lines) sum = sum * 31 + static_cast<std::uint64_t>(c);
  EXPECT_EQ(sum, 13334028017646734813u) << lines.substr(0, 300);
}

TEST(XmlReader, BlocksFailWhereChunksFail) {
  const std::string plain = LargeDocument(260 * 1024);
  // A NUL, an invalid UTF-8 byte and a cut sequence deep in the input, and
  // an element left open at the end.
  struct TCase {
    std::size_t At;
    std::string Bytes;
    const wchar_t* Expected;
  };
  for (const TCase& c : {TCase{200000, std::string(1, '\0'), L"Null character"},
                         TCase{150000, "\xFF", L"UTF-8 @"},
                         TCase{70000, "\xE2\x82", L"UTF-8 @"}}) {
    std::string bad = plain;
    bad.insert(bad.find("caf", c.At) + 3, c.Bytes);
    const std::wstring expected = LoadOutcome(bad, true);
    EXPECT_TRUE(Contains(expected, c.Expected)) << expected.substr(0, 300);
    EXPECT_EQ(LoadOutcome(bad, false), expected) << c.At;
  }
  std::string open = plain.substr(0, plain.rfind("</root>"));
  const std::wstring unexpected = LoadOutcome(open, true);
  EXPECT_TRUE(Contains(unexpected, L"Unexpected end of the XML data.")) << unexpected.substr(0, 300);
  EXPECT_EQ(LoadOutcome(open, false), unexpected);
  // The NUL's line is the one the input says.
  std::string nul = plain;
  const std::size_t at = nul.find("caf", 200000) + 3;
  nul.insert(at, 1, '\0');
  const auto line = 1 + std::count(nul.begin(), nul.begin() + static_cast<std::ptrdiff_t>(at), '\n');
  EXPECT_TRUE(Contains(LoadOutcome(nul, false), L" @" + std::to_wstring(line) + L":"));
}

TEST(XmlReader, ADeclarationDeepInTheInputSwitchesTheEncodingForWhatFollows) {
  // No BOM and ASCII at the start: the encoding is not detected, so a later
  // declaration may switch it; the byte E9 after it is then windows-1252.
  std::string doc = LargeDocument(100 * 1024);
  doc = doc.substr(0, doc.rfind("</root>"));
  doc += "<?xml version=\"1.0\" encoding=\"windows-1252\"?><last>d\xE9j\xE0</last></root>\r\n";
  for (std::size_t k = 0; k < doc.size(); ++k)
    if (static_cast<unsigned char>(doc[k]) >= 0x80 && k < doc.size() - 60) doc[k] = 'e';
  const std::wstring expected = LoadOutcome(doc, true);
  EXPECT_EQ(LoadOutcome(doc, false), expected);
  EXPECT_TRUE(Contains(expected, L"d\u00E9j\u00E0")) << expected.substr(expected.size() - std::min<std::size_t>(expected.size(), 300));
  // A document type after the start of a block: its entities are known
  // before the text that uses them is read.
  std::string typed = std::string(70000, ' ') + "<!DOCTYPE r [<!ENTITY e \"&#233;t&#233;\">]><r>&e;</r>";
  const std::wstring withEntity = LoadOutcome(typed, true);
  EXPECT_EQ(LoadOutcome(typed, false), withEntity);
}

TEST(XmlReader, ALoadThatStopsEarlyKeepsTheLineBreakOfWhatItRead) {
  // The reading stops at the invalid end tag on the first line; the LF
  // breaks after it are in the block read ahead but were never read.
  std::string doc = "<r><a></b>";
  while (doc.size() < 100000) doc += "<b>x</b>\n";
  doc += "</r>\n";
  std::wstring written[2];
  for (int chunked = 0; chunked < 2; ++chunked) {
    TXmlFile xml;
    xml.SetDoNotRaiseOnInvalidData(true);
    if (chunked == 1) xml.SetOnProgress([](auto&&...) {});
    Rtl::TBytesStream stream(Bytes(doc));
    EXPECT_FALSE(xml.Load(stream));
    written[chunked] = xml.WriteToString();
  }
  EXPECT_EQ(written[0], written[1]);
}
