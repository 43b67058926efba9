// The XML writer: exact bytes of both layouts, the generated declaration,
// the direct, typed and binary writers, values that must not end the
// markup around them, names and markup that cannot be written, ANSI output,
// and targets that a failed write must leave as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <cstdint>
#include <utility>
#include <string>
#include <thread>
#include <vector>

#include "QdClasses/DateTime.h"
#include "QdClasses/File.h"
#include "QdTextFile/TextFile.h"
#include "QdXml.h"
#include "TestSupport.h"
#include "XmlSample.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Threads.h"
#include "runtime/Text/CodePage.h"
#include "runtime/Text/StringList.h"
#include "runtime/System/Win32.h"

using namespace Qd;

namespace {

std::string Str(const Rtl::TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += static_cast<char>(c);
  return out;
}

std::string ReadAll(const std::wstring& fileName) {
  std::ifstream in(Narrow(fileName), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A document written directly into memory without declaration, as UTF-8 with CR LF.
struct TDirect {
  TXmlFile Xml;
  TDirect() {
    Xml.SetCheckHeader(false);
    Xml.GetTextFile().SetUseBom(false);
    Xml.GetTextFile().SetNewLine(nlCrLf);
    Xml.Rewrite();
  }
  std::string Text() {
    Xml.Close();
    return Str(Xml.GetOutputData());
  }
};

}  // namespace

TEST(XmlWriter, DefaultLayoutAndGeneratedDeclaration) {
  TXmlFile xml;
  xml.GetTextFile().SetUseBom(false);
  xml.GetTextFile().SetNewLine(nlCrLf);
  xml.AddRoot(L"r")->Add(L"a")->SetValue(L"1");
  const std::string four = Str(xml.WriteToBytes());
  EXPECT_EQ(four, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r>\r\n  <a>1</a>\r\n</r>\r\n");

  // A document that has no declaration node gets a generated one.
  TXmlFile standalone;
  standalone.GetTextFile().SetUseBom(false);
  standalone.GetTextFile().SetNewLine(nlCrLf);
  standalone.Rewrite();
  standalone.Close();
  EXPECT_EQ(Str(standalone.GetOutputData()), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n");
  standalone.SetStandalone(true);
  standalone.Rewrite();
  standalone.Close();
  EXPECT_EQ(Str(standalone.GetOutputData()),
            "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n");
  // Close forgets the root; the nodes stay.
  EXPECT_EQ(xml.GetRoot(), nullptr);
  EXPECT_EQ(xml.GetItemCount(), 2);

  // A childless element keeps the spaces around its value; disabled nodes go with all under them.
  TXmlFile spaced;
  ASSERT_TRUE(spaced.LoadFromString(L"<r><a> x </a><b><c/></b><d/></r>"));
  spaced.GetRoot()->GetElements(1)->SetEnabled(false);
  EXPECT_EQ(spaced.WriteToString(), L"<r>\r\n  <a> x </a>\r\n  <d/>\r\n</r>\r\n");
}

TEST(XmlWriter, KeepFormatWritesTheRecordedWhitespaceBack) {
  const std::wstring text =
      L"<r a='1'\tb = \"2\" >\r\n\t<!-- note -->\r\n\t<c  x='&apos;'/>\r\n\t<d>v</d  >\r\n</r>";
  TXmlFile xml;
  xml.SetOptions(TXmlOptions{xoKeepFormat});
  ASSERT_TRUE(xml.LoadFromString(text));
  EXPECT_EQ(xml.WriteToString(), text);

  // Mixed content and preserved space stay inline in the default layout.
  TXmlFile mixed;
  ASSERT_TRUE(mixed.LoadFromString(L"<r><p>one <b>two</b> three</p><q xml:space=\"preserve\"><s>  x </s></q></r>"));
  const std::wstring written = mixed.WriteToString();
  EXPECT_NE(written.find(L"  <p>one <b>two</b> three</p>\r\n"), std::wstring::npos) << written;
  EXPECT_NE(written.find(L"<q xml:space=\"preserve\"><s>  x </s></q>"), std::wstring::npos) << written;
}

// A text of whitespace alone, which the default reading takes for layout,
// is written as references in the default layout (but for preserved space).
TEST(XmlWriter, WhitespaceTextFromReferencesOrEntitiesSurvivesTheDefaultLayout) {
  TXmlFile kept;
  kept.SetOptions(TXmlOptions{xoKeepFormat});
  ASSERT_TRUE(kept.LoadFromString(L"<!DOCTYPE doc [<!ENTITY e \"&#13;\">]><doc>&e;</doc>"));
  EXPECT_EQ(kept.WriteToString(), L"<!DOCTYPE doc [<!ENTITY e \"&#13;\">]><doc>\r</doc>");
  kept.SetOptions(TXmlOptions{});
  const std::wstring written = kept.WriteToString();
  EXPECT_NE(written.find(L"<doc>&#xD;</doc>"), std::wstring::npos) << Narrow(written);
  TXmlFile again;
  ASSERT_TRUE(again.LoadFromString(written));
  ASSERT_NE(again.GetRoot(), nullptr);
  EXPECT_EQ(again.GetRoot()->GetValue(), L"\r");
  EXPECT_EQ(again.WriteToString(), written);

  TXmlFile preserved;
  ASSERT_TRUE(preserved.LoadFromString(L"<r xml:space=\"preserve\"><s> \t </s></r>"));
  EXPECT_NE(preserved.WriteToString().find(L"<s> \t </s>"), std::wstring::npos);
}

// Content expands the references to declared entities that attribute
// values keep: a literal "&e;" in text goes out escaped, the kept
// reference in the attribute as it came.
TEST(XmlWriter, ALiteralReferenceInTextIsNotTakenForAKeptOne) {
  const std::wstring text = L"<!DOCTYPE r [<!ENTITY e \"v\">]><r a=\"&e;\">&amp;e;<![CDATA[x]]><?pi d?>></r>";
  TXmlFile xml;
  xml.SetOptions(TXmlOptions{xoKeepFormat});
  ASSERT_TRUE(xml.LoadFromString(text));
  ASSERT_NE(xml.GetRoot(), nullptr);
  EXPECT_EQ(xml.GetRoot()->GetAttributes().GetString(L"a"), L"&e;");
  const std::wstring written = xml.WriteToString();
  EXPECT_EQ(written, text);
  TXmlFile again;
  again.SetOptions(TXmlOptions{xoKeepFormat});
  ASSERT_TRUE(again.LoadFromString(written));
  EXPECT_EQ(again.WriteToString(), written);
}

// References to the predefined characters keep the case of their
// hexadecimal digits and their leading zeros, as other references do.
TEST(XmlWriter, PredefinedCharacterReferencesKeepTheirDigits) {
  for (const wchar_t* text : {L"<r>&#x3c;</r>", L"<r>&#x3C;</r>", L"<r>&#x003c;</r>", L"<r>&#0060;</r>",
                              L"<r a='&#x3e;'>&#62;</r>", L"<r a=\"&#x00022;\">&#38;amp;</r>"}) {
    TXmlFile xml;
    xml.SetOptions(TXmlOptions{xoKeepFormat});
    ASSERT_TRUE(xml.LoadFromString(text));
    EXPECT_EQ(xml.WriteToString(), text);
  }
}

TEST(XmlWriter, DeclarationNamesTheEncodingWritten) {
  TXmlFile xml;
  ASSERT_TRUE(xml.Load(Rtl::TBytes{'<', '?', 'x', 'm', 'l', ' ', 'v', 'e', 'r', 's', 'i', 'o', 'n', '=', '"', '1', '.',
                                   '0', '"', ' ', 'e', 'n', 'c', 'o', 'd', 'i', 'n', 'g', '=', '"', 'U', 'T', 'F', '-',
                                   '8', '"', '?', '>', '<', 'r', '/', '>'}));
  xml.GetTextFile().SetFormat(tfUtf16Le);
  const Rtl::TBytes bytes = xml.WriteToBytes();
  EXPECT_EQ(xml.GetItems(0)->GetAttributes().GetItems(0)->GetName(), L"version");
  EXPECT_EQ(xml.GetItems(0)->GetAttributes().GetItems(1)->GetValue(), L"utf-16");
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes[0], '<');
  EXPECT_EQ(bytes[1], 0);

  TXmlFile other;
  ASSERT_TRUE(other.LoadFromString(L"<?xml version=\"1.0\" encoding=\"utf-8\"?><r/>"));
  const std::wstring s = other.WriteToString();
  EXPECT_EQ(s.rfind(L"<?xml version=\"1.0\" encoding=\"utf-16\"?>", 0), 0u) << s;
  // WriteToString leaves its settings on the object.
  EXPECT_FALSE(other.GetCheckHeader());
  EXPECT_FALSE(other.GetTextFile().GetUseBom());
  EXPECT_EQ(other.GetTextFile().GetFormat(), tfUtf16Le);

  TXmlFile direct;
  direct.RewriteString();
  direct.WriteString(L"a", L"1");
  direct.Close();
  EXPECT_EQ(direct.GetOutputString(), L"<a>1</a>\r\n");
  EXPECT_FALSE(direct.GetCheckHeader());
}

TEST(XmlWriter, DirectAndTypedWriters) {
  TDirect d;
  TXmlFile& x = d.Xml;
  x.WriteStartTag(L"r", L"k", L"v\"<&");
  EXPECT_EQ(x.GetStackSize(), 1);
  x.WriteBoolean(L"t", true, false, true, true);
  x.WriteBoolean(L"f", false, false, true, true);
  x.WriteInteger(L"i", -9000000000LL);
  x.WriteFloat(L"d", 2.5);
  x.WriteString(L"s", L"a<b&c]]>d");
  x.WriteDateTime(L"dt", Rtl::TDateTime(45000.5));
  Rtl::TStringList list;
  list.Add(L"a");
  list.Add(L"");
  list.Add(L"b");
  x.WriteStrings(L"list", list, L"item");
  x.WriteEnum(L"e", &Rtl::TypeInfo<TXmlSeparator>(), xsSingle, xsDouble);
  x.WriteEnum(L"n", nullptr, 3, 0);
  x.WriteComment(L" c ");
  x.WriteCData(L"<x>");
  x.WriteProcessing(L"pi data");
  x.WriteStartTag(L"m", nullptr, false, xwSingleLine);
  x.WriteText(L"1 < 2");
  x.WriteEndTag(false);
  x.WriteSingleElement(L"s", nullptr, xwNoIdent);
  x.WriteEmptyLine();
  x.WriteEndTag();
  EXPECT_EQ(d.Text(),
            "<r k=\"v&quot;&lt;&amp;\">\r\n"
            "  <t>1</t>\r\n"
            "  <i>-9000000000</i>\r\n"
            "  <d>2.5</d>\r\n"
            "  <s>a&lt;b&amp;c]]&gt;d</s>\r\n"
            "  <dt>" +
                Narrow(TQdDateTime::DateTimeToShortIso(Rtl::TDateTime(45000.5))) +
                "</dt>\r\n"
                "  <list>\r\n"
                "    <item>a</item>\r\n"
                "    <item>b</item>\r\n"
                "  </list>\r\n"
                "  <e>xsSingle</e>\r\n"
                "  <n>3</n>\r\n"
                "  <!-- c -->\r\n"
                "  <![CDATA[<x>]]>\r\n"
                "<?pi data?>\r\n"
                "  <m>1 &lt; 2</m>\r\n"
                "<s/>\r\n"
                "</r>\r\n");
}

TEST(XmlWriter, MultiLineStartTagsQuoteEveryValue) {
  TDirect d;
  TXmlAttributes attributes;
  attributes.Add(std::make_unique<TXmlAttribute>(L"a", L"x\"y"));
  attributes.Add(std::make_unique<TXmlAttribute>(L"b", L"<&"));
  d.Xml.WriteStartTag(L"r", &attributes, true, xwMultiLine);
  d.Xml.WriteEndTag();
  EXPECT_EQ(d.Text(), "<r\r\n  a=\"x&quot;y\"\r\n  b=\"&lt;&amp;\">\r\n</r>\r\n");

  // An attribute made in code with apostrophes writes its apostrophe as the entity.
  TXmlFile xml;
  xml.SetCheckHeader(false);
  auto* attribute = xml.AddRoot(L"r")->GetAttributes().Add(std::make_unique<TXmlAttribute>(L"a", L"it's"));
  attribute->SetSeparator(xsSingle);
  xml.SetWriteHeader(false);
  xml.GetItems(0)->SetEnabled(false);
  EXPECT_EQ(xml.WriteToString(), L"<r a='it&apos;s'></r>");
}

TEST(XmlWriter, BinaryLineLayouts) {
  Rtl::TBytes data(150);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  const std::string b64 = Narrow(TBase64::Encode(data));
  ASSERT_EQ(b64.size(), 200u);
  {
    TDirect d;
    d.Xml.WriteStartTag(L"r");
    d.Xml.WriteBase64(L"b", data, nullptr, 76);
    d.Xml.WriteEndTag();
    EXPECT_EQ(d.Text(), "<r>\r\n  <b>\r\n    " + b64.substr(0, 76) + "\r\n    " + b64.substr(76, 76) + "\r\n    " +
                            b64.substr(152) + "\r\n  </b>\r\n</r>\r\n");
  }
  {
    TDirect d;
    d.Xml.WriteStartTag(L"r");
    d.Xml.WriteBase64(L"b", data, nullptr, 0);
    d.Xml.WriteEndTag(false);
    EXPECT_EQ(d.Text(), "<r>\r\n<b>" + b64 + "</b></r>\r\n");
  }
  {
    Rtl::TBytes bytes(45, 0xAB);
    TDirect d;
    d.Xml.WriteBase16(L"h", bytes, nullptr, 10);
    const std::string line(40, 'x');
    std::string hex20;
    for (int i = 0; i < 20; ++i) hex20 += "AB";
    EXPECT_EQ(d.Text(), "<h>\r\n  " + hex20 + "\r\n  " + hex20 + "\r\n  ABABABABAB\r\n</h>\r\n");
  }
  {
    std::string s = "Hello World 0123456789 abcdefghij";
    TDirect d;
    d.Xml.WriteUrl(L"u", Rtl::TBytes(s.begin(), s.end()), nullptr, 30);
    const std::string url = "Hello%20World%200123456789%20abcdefghij";
    EXPECT_EQ(d.Text(), "<u>\r\n  " + url.substr(0, 30) + "\r\n  " + url.substr(30) + "\r\n</u>\r\n");
  }
  TDirect d;
  EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { d.Xml.WriteBinary(data, static_cast<TBinaryEncoding>(9)); }), L"Error Message");
}

TEST(XmlWriter, WhatCannotBeWrittenRaises) {
  const std::pair<TXmlElementType, std::wstring> cases[] = {
      {xeComment, L"a-->b"}, {xeCData, L"a]]>b"}, {xeProcessing, L"pi ?> x"}, {xeScript, L"x %> y"}};
  const wchar_t* messages[] = {L"Cannot write a comment that contains \"-->\".",
                               L"Cannot write a CDATA section that contains \"]]>\".",
                               L"Cannot write a processing instruction that contains \"?>\".",
                               L"Cannot write a script that contains \"%>\"."};
  for (int i = 0; i < 4; ++i) {
    TXmlFile xml;
    xml.AddRoot(L"r")->Add(cases[i].first, cases[i].second);
    EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { xml.WriteToString(); }), messages[i]);
  }
  for (const wchar_t* name : {L"", L"a b", L"a<b", L"a>b", L"a/b", L"a=b", L"a\"b", L"a'b", L"a&b"}) {
    TXmlFile xml;
    xml.AddRoot(L"r")->Add(L"x")->SetName(name);
    EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { xml.WriteToString(); }), L"Invalid XML name: \"" + std::wstring(name) + L"\".");
    TXmlFile attr;
    attr.AddRoot(L"r")->GetAttributes().Add(std::make_unique<TXmlAttribute>(name, L"v"));
    if (*name != 0) {
      EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { attr.WriteToString(); }), L"Invalid XML name: \"" + std::wstring(name) + L"\".");
    }
    TDirect d;
    EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { d.Xml.WriteStartTag(name); }), L"Invalid XML name: \"" + std::wstring(name) + L"\".");
  }
  TDirect d;
  EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { d.Xml.Rewrite(std::wstring()); }), L"No filename given");
  EXPECT_NE(TestSupport::MessageOf<Rtl::Exception>([&] { d.Xml.WriteEndTag(); }), L"(nothing raised)");
}

TEST(XmlWriter, RecordedPlainFormsNeverEndTheMarkup) {
  // A value read with plain quotes keeps them, but the attribute's own quote
  // and "<" are references whatever was recorded or set as default.
  TXmlFile xml;
  xml.SetOptions(TXmlOptions{xoKeepFormat});
  ASSERT_TRUE(xml.LoadFromString(L"<r a='say \"hi\"'>x &gt; y</r>"));
  TXmlAttribute* a = xml.GetRoot()->GetAttributes().GetItems(0);
  a->SetSeparator(xsDouble);
  a->SetValue(L"say \"hi\" <now> & 'then'");
  xml.GetRoot()->SetValue(L"1 < 2 & ]]> x");
  xml.SetDefaultCoding(TXmlEntityCoding{xcNone, xcNone, xcNone, xcNone, xcNone});
  const std::wstring s = xml.WriteToString();
  EXPECT_EQ(s, L"<r a=\"say &quot;hi&quot; &lt;now&gt; &amp; &apos;then&apos;\">1 &lt; 2 &amp; ]]&gt; x</r>") << s;
  TXmlFile back;
  back.AddOption(xoStrict);
  ASSERT_TRUE(back.LoadFromString(s));
  EXPECT_EQ(back.GetRoot()->GetAttributes().GetItems(0)->GetValue(), L"say \"hi\" <now> & 'then'");
  EXPECT_EQ(back.GetRoot()->GetValue(), L"1 < 2 & ]]> x");

  // xoEncodePredefined: every predefined character without a recorded form as its entity.
  TXmlFile all;
  all.AddRoot(L"r")->SetValue(L"'\"<>&");
  all.GetItems(0)->SetEnabled(false);
  all.SetWriteOptions(TXmlWriteOptions{xoEncodePredefined});
  EXPECT_EQ(all.WriteToString(), L"<r>&apos;&quot;&lt;&gt;&amp;</r>");
  EXPECT_EQ(TXmlFile::EncodeXmlString(L"a 'b' <c>x</c>"), L"a &apos;b&apos; <c>x</c>");
}

// Names and values of every length from one unit to past the writer's
// inline moves, over several output blocks, in UTF-8 as the platform
// encodes it; values with a part record keep their references around
// characters that share a bit of the writer's quick test with the
// referenced one (U+00E9, ")" and "i" all end in 0x29).
TEST(XmlWriter, PiecesOfEveryLengthAndRunsBesideRecordedReferences) {
  TXmlFile xml;
  xml.GetTextFile().SetUseBom(false);
  xml.GetTextFile().SetNewLine(nlCrLf);
  TXmlElement* root = xml.AddRoot(L"r");
  std::wstring expected = L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r>\r\n";
  const std::wstring characters[] = {L"a", L"b", L"c", L"\u00e9", L"\u65e5", L" ", L"x", L"y", L"\U0001F4C1", L"-", L"."};
  for (int i = 0; i < 3000; ++i) {
    const std::wstring name = L"n" + std::wstring(static_cast<std::size_t>(i % 41), L'x');
    std::wstring value;
    for (int k = 0; k < i % 75; ++k) value += characters[static_cast<std::size_t>(k + i) % std::size(characters)];
    // (A value of spaces alone goes out as references.)
    if (value == L" ") value = L"q";
    std::wstring written = value;
    if (i % 7 == 0) {
      value += L"&<";
      written += L"&amp;&lt;";
    }
    TXmlElement* element = root->Add(name);
    element->SetValue(value);
    if (i % 5 == 0) {
      element->GetAttributes().Add(std::make_unique<TXmlAttribute>(name, value));
      expected += L"  <" + name + L" " + name + L"=\"" + written + L"\">";
    } else {
      expected += L"  <" + name + L">";
    }
    expected += written + L"</" + name + L">\r\n";
  }
  expected += L"</r>\r\n";
  EXPECT_EQ(Str(xml.WriteToBytes()), Rtl::WideToCodePage(expected, Rtl::CODE_PAGE_UTF8_C));

  const std::wstring text =
      L"<r a=\"&#233;)i ))) iii &#233; long enough for a block\">&#233;)i&#233; text ))) iii \U0001F4C1 "
      L"&#233; and more text after it</r>";
  TXmlFile kept;
  kept.SetOptions(TXmlOptions{xoKeepFormat});
  ASSERT_TRUE(kept.LoadFromString(text));
  EXPECT_EQ(kept.WriteToString(), text);
}

TEST(XmlWriter, AnsiOutputWritesMissingCharactersAsReferences) {
  TXmlFile xml;
  xml.GetTextFile().SetEncoding(L"windows-1252");
  xml.GetTextFile().SetNewLine(nlCrLf);
  xml.AddRoot(L"r")->SetValue(L"\u00e9\u0416\u20ac");
  EXPECT_EQ(Str(xml.WriteToBytes()),
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<r>\xe9&#x416;\x80</r>");
}

TEST(XmlWriter, AFailedWriteLeavesTheTarget) {
  TestSupport::TTempDir dir(L"qdxmlw");
  const std::wstring target = dir / L"doc.xml";
  TestSupport::WriteFile(target, "old content");

  TXmlFile bad;
  bad.AddRoot(L"r")->Add(xeComment, L"x-->y");
  EXPECT_THROW(bad.WriteFile(target), Rtl::Exception);
  EXPECT_FALSE(bad.IsOpen());
  EXPECT_EQ(ReadAll(target), "old content");

  TXmlFile good;
  good.AddRoot(L"r");
  TestSupport::SetAttributes(target, true, false);
  EXPECT_THROW(good.WriteFile(target), Rtl::Exception);
  EXPECT_EQ(ReadAll(target), "old content");
  TestSupport::SetAttributes(target, false, false);
  good.AddRoot(L"r");
  good.GetTextFile().SetUseBom(false);
  good.GetTextFile().SetNewLine(nlCrLf);
  good.WriteFile(target);
  EXPECT_EQ(ReadAll(target), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r></r>");
}

namespace {

// The tree writer's threshold for a second thread, restored at the end.
class TSplitNodes {
public:
  explicit TSplitNodes(std::size_t nodes) : FSaved(GetXmlSplitWriteNodes()) { SetXmlSplitWriteNodes(nodes); }
  ~TSplitNodes() { SetXmlSplitWriteNodes(FSaved); }
  TSplitNodes(const TSplitNodes&) = delete;
  TSplitNodes& operator=(const TSplitNodes&) = delete;

private:
  std::size_t FSaved;
};

// The document written by one thread, then with the later half of the
// first element with children written by a second one.
template <class TWrite>
void ExpectSameBothWays(TWrite write, const std::string& label) {
  decltype(write()) one;
  {
    const TSplitNodes never(SIZE_MAX);
    one = write();
  }
  const TSplitNodes always(0);
  EXPECT_TRUE(write() == one) << label;
}

}  // namespace

namespace {

}  // namespace

// A large document goes to the new file beside the target while it is
// written; a fault after several blocks went there (in the direct writers,
// in the tree writer near the end of a large tree) removes the new file and
// leaves the target as it was.
TEST(XmlWriter, AFailureAfterBlocksWentToTheNewFileLeavesTheTarget) {
  TestSupport::TTempDir dir(L"qdxmlw");
  const std::wstring target = dir / L"doc.xml";
  TestSupport::WriteFile(target, "old content");
  const std::vector<std::wstring> onlyTarget{L"doc.xml"};

  TXmlFile direct;
  direct.Rewrite(target);
  direct.WriteStartTag(L"r");
  for (int i = 0; i < 40000; ++i) direct.WriteString(L"item", L"value " + std::to_wstring(i) + L" \u00e9\u4e2d");
  const std::vector<std::wstring> during = TestSupport::FolderNames(dir.Path());
  ASSERT_EQ(during.size(), 2u);
  EXPECT_EQ(during[0], L"doc.xml");
  EXPECT_TRUE(during[1].starts_with(L"~qd") && during[1].ends_with(L".tmp"));
  EXPECT_GT(TFile::GetFileSize(dir / during[1]), 1000000);
  EXPECT_THROW(direct.WriteString(L"a b", L"x"), Rtl::Exception);
  direct.Cancel();
  EXPECT_EQ(TestSupport::FolderNames(dir.Path()), onlyTarget);
  EXPECT_EQ(ReadAll(target), "old content");

  for (const std::size_t split : {std::size_t{0}, SIZE_MAX}) {
    const TSplitNodes nodes(split);
    TXmlFile tree;
    TXmlElement* root = tree.AddRoot(L"r");
    for (int i = 0; i < 40000; ++i) root->Add(L"item")->SetValue(L"value " + std::to_wstring(i));
    root->Add(xeComment, L"x-->y");
    EXPECT_THROW(tree.WriteFile(target), Rtl::Exception);
    EXPECT_EQ(TestSupport::FolderNames(dir.Path()), onlyTarget);
    EXPECT_EQ(ReadAll(target), "old content");
    root->GetElements(root->GetCount() - 1)->SetValue(L"fine");
    tree.WriteFile(target);
    EXPECT_TRUE(ReadAll(target) == Str(tree.WriteToBytes()));
    EXPECT_EQ(TestSupport::FolderNames(dir.Path()), onlyTarget);
    TestSupport::WriteFile(target, "old content");
  }
}

// A large tree is written by two threads: the bytes are those that one
// thread writes, in both layouts and both formats, with mixed content and
// preserved space (written inline) among the children; the line the writer
// ends on is the same; a fault in either half raises as one thread would
// and leaves the target as it was.
TEST(XmlWriter, TwoThreadsWriteTheSameBytesAsOne) {
  const std::string sample = XmlSample::Make(300000, 7);
  // A document on one line: the line the writer ends on spans both halves.
  std::string oneLine = "<r>";
  for (int i = 0; i < 200; ++i) oneLine += "<a b='" + std::to_string(i) + "'>x &amp; y</a>";
  oneLine += "</r>";
  for (const int kind : {0, 1, 2}) {
    const bool keep = kind != 0;
    const std::string& document = kind == 2 ? oneLine : sample;
    TXmlFile xml;
    if (keep) xml.SetOptions(TXmlOptions{xoKeepFormat});
    xml.Load(Rtl::TBytes(document.begin(), document.end()));
    TXmlElement* root = xml.GetRoot();
    ASSERT_GT(root->GetCount(), 100);
    if (kind != 2)
      root->GetElements(root->GetCount() - 1)
          ->GetAttributes()
          .Add(std::make_unique<TXmlAttribute>(L"xml:space", L"preserve"));
    const std::string label = kind == 0 ? "default layout" : kind == 1 ? "keep format" : "one line";
    ExpectSameBothWays([&] { return xml.WriteToBytes(); }, label + ", UTF-8");
    ExpectSameBothWays([&] { return xml.WriteToString(); }, label + ", UTF-16");
    // The element itself in a document written directly around it.
    ExpectSameBothWays(
        [&] {
          TXmlFile out;
          out.SetOptions(xml.GetOptions());
          out.Rewrite();
          out.WriteStartTag(L"outer", nullptr, true, xwSingleLine, L"");
          out.WriteElement(root, true);
          const std::wstring line = out.GetWriteLine();
          out.WriteEndTag(true, L"");
          out.Close();
          return std::make_pair(out.GetOutputData(), line);
        },
        label + ", written directly");
  }

  // With the spare thread taken by another job, one thread writes it all.
  {
    TXmlFile xml;
    xml.Load(Rtl::TBytes(sample.begin(), sample.end()));
    Rtl::TSpareThread* spare = XmlSpareThread();
    ASSERT_NE(spare, nullptr);
    std::atomic<bool> release{false};
    ASSERT_TRUE(spare->TryRun([&] {
      while (!release) std::this_thread::yield();
    }));
    ExpectSameBothWays([&] { return xml.WriteToBytes(); }, "spare thread taken");
    release = true;
    spare->Wait();
  }

  TestSupport::TTempDir dir(L"qdxmlsplit");
  const std::wstring target = dir / L"doc.xml";
  for (const bool late : {true, false}) {
    TestSupport::WriteFile(target, "old content");
    TXmlFile xml;
    xml.Load(Rtl::TBytes(sample.begin(), sample.end()));
    TXmlElement* root = xml.GetRoot();
    root->GetElements(late ? root->GetCount() - 2 : 1)->Add(xeComment, L"x-->y");
    std::string messages[2];
    for (const std::size_t nodes : {SIZE_MAX, std::size_t{0}}) {
      const TSplitNodes split(nodes);
      try {
        xml.WriteFile(target);
        ADD_FAILURE() << "written";
      } catch (const Rtl::Exception& e) {
        messages[nodes == 0 ? 1 : 0] = Narrow(e.Message());
      }
      EXPECT_EQ(ReadAll(target), "old content");
    }
    EXPECT_EQ(messages[0], messages[1]);
    EXPECT_NE(messages[0].find("-->"), std::string::npos) << messages[0];
  }
}

// A name is checked each time it is written, whoever set it: an element
// with children (start and end tag), in each layout, and a name that
// passed once and was set to something else through the model.
TEST(XmlWriter, EveryNameIsCheckedWhenWrittenWhateverItsPlace) {
  for (const TXmlOptions options : {TXmlOptions{}, TXmlOptions{xoKeepFormat}}) {
    for (const bool mixed : {false, true}) {
      TXmlFile xml;
      xml.SetOptions(options);
      TXmlElement* parent = xml.AddRoot(L"r")->Add(L"p");
      parent->Add(L"c")->SetValue(L"v");
      parent->SetContainsText(mixed);
      const std::wstring good = xml.WriteToString();
      EXPECT_NE(good.find(L"<p>"), std::wstring::npos) << good;
      parent->SetName(L"p q");
      EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { xml.WriteToString(); }), L"Invalid XML name: \"p q\".");
      parent->SetName(L"p");
      EXPECT_EQ(xml.WriteToString(), good);
      parent->GetElements(0)->GetAttributes().Add(std::make_unique<TXmlAttribute>(L"a", L"1"));
      EXPECT_NE(xml.WriteToString().find(L"<c a=\"1\">"), std::wstring::npos);
      parent->GetElements(0)->GetAttributes().GetItems(0)->SetName(L"a=b");
      EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { xml.WriteToString(); }), L"Invalid XML name: \"a=b\".");
    }
  }
  // An element with children in the direct writer: nothing of it is written.
  TDirect d;
  TXmlElement element(L"e/");
  element.Add(L"c");
  EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { d.Xml.WriteElement(&element, true); }), L"Invalid XML name: \"e/\".");
  EXPECT_EQ(d.Text(), "");
}

// Values with many recorded forms: each character goes out in the one form
// it was read in, also where the recorded characters are more than the
// writer's quick test compares one by one (five ASCII letters), sit at
// every place of a block of eight units, share their low bits with plain
// characters beyond ASCII, or stand beside supplementary characters.
TEST(XmlWriter, ValuesWithManyRecordedFormsKeepEachForm) {
  const std::wstring references[] = {L"&#97;", L"&#x62;", L"&#99;", L"&#x6A;", L"&#101;", L"&#233;", L"&#x1F4C1;"};
  const std::wstring plain[] = {L"X", L"Y", L" ", L"Z", L"\u0129", L"\u65e5", L"\U0001F600", L"Q", L"-", L"0", L"W"};
  for (const int kinds : {1, 4, 5, 7}) {
    std::wstring text;
    for (int i = 0; i < 300; ++i) {
      const std::size_t k = static_cast<std::size_t>(i * 7 + i / 11);
      if (i % 13 == 0) text += references[k % static_cast<std::size_t>(kinds)];
      else text += plain[k % std::size(plain)];
    }
    const std::wstring document = L"<r a=\"" + text + L"\" b='" + text + L"'>" + text + L"<c>" + text + L"</c></r>";
    TXmlFile kept;
    kept.SetOptions(TXmlOptions{xoKeepFormat});
    ASSERT_TRUE(kept.LoadFromString(document));
    const TXmlElement* c = nullptr;
    for (int i = 0; i < kept.GetRoot()->GetCount(); ++i)
      if (kept.GetRoot()->GetElements(i)->GetName() == L"c") c = kept.GetRoot()->GetElements(i);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(kept.WriteToString(), document) << kinds;

    // The same records taken over by nodes of another tree, and dropped.
    TXmlFile copy;
    copy.SetOptions(TXmlOptions{xoKeepFormat});
    copy.SetCheckHeader(false);
    TXmlElement* root = copy.AddRoot(L"r");
    TXmlElement* d = root->Add(L"c");
    d->SetValue(c->GetValue());
    d->SetPartEntities(c->GetPartEntities());
    const std::wstring copied = copy.WriteToString();
    EXPECT_EQ(copied.substr(copied.find(L"<r>")), L"<r><c>" + text + L"</c></r>") << kinds;
    TXmlPartEntities none;
    d->SetPartEntities(none);
    EXPECT_EQ(copy.WriteToString().find(L"&#"), std::wstring::npos) << kinds;
  }
}
