// Value objects as XML: one small registered class per body kind written as
// exact bytes and read back, whole documents in files, streams and bytes
// (with the root check, missing files and writes that fail halfway), lists
// of objects, and objects made by the class that a document names, where a
// construction counter per class shows what was made.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>

#include "QdClasses/Lists.h"
#include "QdXml.h"
#include "TestSupport.h"
#include "runtime/Core/ClassRegistry.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Streams.h"

using namespace Qd;

namespace {

std::string Str(const Rtl::TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
Rtl::TBytes Bytes(const std::string& text) { return Rtl::TBytes(text.begin(), text.end()); }

std::string ReadAll(const std::wstring& fileName) {
  std::ifstream in(TestSupport::Narrow(fileName), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string BOM = "\xEF\xBB\xBF";
const std::string DECLARATION = BOM + "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";

// Writes nothing at all.
class TNothing : public TXmlObject {
  RTL_CLASS(TNothing, TXmlObject)
public:
  static inline int Made = 0;
  TNothing() { ++Made; }
  TXmlBody GetXmlBody() const override { return xbNone; }
  std::wstring GetXmlTag() const override { return L"nothing"; }
};

// Attributes only: "first" from the primary step, "name" from the ordinary
// one, "last" from the secondary one. Equal by name.
class TPoint : public TXmlObject {
  RTL_CLASS(TPoint, TXmlObject)
public:
  static inline int Made = 0;
  TPoint() { ++Made; }
  std::wstring Name;
  std::wstring First;
  bool Last = false;
  TXmlBody GetXmlBody() const override { return xbSingle; }
  std::wstring GetXmlTag() const override { return L"point"; }
  void WriteXmlPrimaryAttributes(TXmlAttributes& attributes) const override {
    attributes.SetString(L"first", First);
  }
  void WriteXmlAttributes(TXmlAttributes& attributes) const override { attributes.SetString(L"name", Name); }
  void WriteXmlSecondaryAttributes(TXmlAttributes& attributes) const override {
    attributes.SetBoolean(L"last", Last);
  }
  void ReadXmlPrimary(const TXmlElement& element) override { First = element.GetAttributes().GetString(L"first"); }
  void ReadXml(const TXmlElement& element) override {
    Name = element.GetAttributes().GetString(L"name");
    Last = element.GetAttributes().GetBoolean(L"last");
  }
  bool Equals(const Rtl::TObject* obj) const override {
    const auto* other = dynamic_cast<const TPoint*>(obj);
    return other != nullptr && other->Name == Name;
  }
};

// A value between its tags.
class TText : public TXmlObject {
  RTL_CLASS(TText, TXmlObject)
public:
  std::wstring Text;
  TXmlBody GetXmlBody() const override { return xbValue; }
  std::wstring GetXmlTag() const override { return L"text"; }
  void WriteXmlAttributes(TXmlAttributes& attributes) const override { attributes.SetString(L"lang", L"en"); }
  void WriteXml(TXmlFile& xml) const override { xml.WriteString(Text); }
  void ReadXml(const TXmlElement& element) override { Text = element.GetValue(); }
};

// Children: "head" from the primary step, a list of points, "tail" from
// the secondary step.
class TBox : public TXmlObject {
  RTL_CLASS(TBox, TXmlObject)
public:
  static inline int Made = 0;
  TBox() { ++Made; }
  std::wstring Head;
  int Tail = 0;
  TQdObjectList Points;
  // Throws after this many points (-1: never), to fail halfway.
  int FailAfter = -1;
  std::wstring GetXmlTag() const override { return L"box"; }
  void WriteXmlPrimary(TXmlFile& xml) const override { xml.WriteString(L"head", Head); }
  void WriteXml(TXmlFile& xml) const override {
    if (FailAfter < 0) {
      WriteObjectList(xml, Points, L"point");
      return;
    }
    for (int i = 0; i < Points.GetCount(); ++i) {
      if (i == FailAfter) throw std::runtime_error("halfway");
      Rtl::As<TXmlObject>(Points.GetItems(i))->WriteXmlClass(xml, L"point");
    }
  }
  void WriteXmlSecondary(TXmlFile& xml) const override { xml.WriteInteger(L"tail", Tail); }
  void ReadXmlPrimary(const TXmlElement& element) override { Head = element.GetString(L"head"); }
  void ReadXml(const TXmlElement& element) override {
    Points.Clear();
    ReadObjectList(element, Points, TPoint::ClassInfo, L"point", false);
    Tail = static_cast<int>(element.GetInteger(L"tail"));
  }
  void AddPoint(const std::wstring& name) {
    auto point = std::make_unique<TPoint>();
    point->Name = name;
    Points.Add(std::move(point));
  }
};

// A TXmlObject of another branch than TBox, for the class checks.
class TOther : public TXmlObject {
  RTL_CLASS(TOther, TXmlObject)
public:
  static inline int Made = 0;
  TOther() { ++Made; }
};

// Registered, but no TXmlObject.
class TPlain : public TQdObject {
  RTL_CLASS(TPlain, TQdObject)
public:
  static inline int Made = 0;
  TPlain() { ++Made; }
};

class XmlObjects : public ::testing::Test {
protected:
  void SetUp() override {
    Rtl::RegisterClasses({&TNothing::ClassInfo, &TPoint::ClassInfo, &TText::ClassInfo, &TBox::ClassInfo,
                          &TOther::ClassInfo, &TPlain::ClassInfo});
    TNothing::Made = TPoint::Made = TBox::Made = TOther::Made = TPlain::Made = 0;
  }
  void TearDown() override {
    Rtl::UnRegisterClasses({&TNothing::ClassInfo, &TPoint::ClassInfo, &TText::ClassInfo, &TBox::ClassInfo,
                            &TOther::ClassInfo, &TPlain::ClassInfo});
  }

  static std::unique_ptr<TBox> FullBox() {
    auto box = std::make_unique<TBox>();
    box->Head = L"h & <i>";
    box->Tail = 7;
    box->AddPoint(L"a");
    box->AddPoint(L"b");
    return box;
  }
  static const TPoint& PointAt(const TBox& box, int index) {
    return *Rtl::As<TPoint>(box.Points.GetItems(index));
  }
};

// A document element made from text.
std::unique_ptr<TXmlFile> Parse(const std::wstring& text) {
  auto xml = std::make_unique<TXmlFile>();
  xml->LoadFromString(text);
  return xml;
}

}  // namespace

TEST_F(XmlObjects, EachBodyKindAsExactBytes) {
  const TNothing nothing;
  EXPECT_EQ(Str(nothing.GetXmlData()), DECLARATION);

  TPoint point;
  point.Name = L"p\"q";
  EXPECT_EQ(Str(point.GetXmlData()), DECLARATION + "<point name=\"p&quot;q\"/>\r\n");
  // Primary, ordinary and secondary attributes, in this order.
  point.First = L"1";
  point.Last = true;
  EXPECT_EQ(Str(point.GetXmlData()), DECLARATION + "<point first=\"1\" name=\"p&quot;q\" last=\"1\"/>\r\n");

  TText text;
  text.Text = L"x < y";
  EXPECT_EQ(Str(text.GetXmlData()), DECLARATION + "<text lang=\"en\">x &lt; y</text>\r\n");

  EXPECT_EQ(Str(FullBox()->GetXmlData()), DECLARATION +
                                               "<box>\r\n"
                                               "  <head>h &amp; &lt;i&gt;</head>\r\n"
                                               "  <point name=\"a\"/>\r\n"
                                               "  <point name=\"b\"/>\r\n"
                                               "  <tail>7</tail>\r\n"
                                               "</box>\r\n");
  const TBox empty;
  EXPECT_EQ(Str(empty.GetXmlData()), DECLARATION + "<box>\r\n</box>\r\n");
}

TEST_F(XmlObjects, WriteXmlClassTakesTheBodyAndNameItIsGiven) {
  TXmlFile xml;
  xml.SetCheckHeader(false);
  xml.GetTextFile().SetUseBom(false);
  xml.Rewrite();
  xml.WriteStartTag(L"list");
  TPoint point;
  point.Name = L"n";
  point.WriteXmlClass(xml, L"renamed");
  point.WriteXmlClass(xml, xbNone, L"gone");
  point.WriteXmlClass(xml, xbValue, L"");
  point.WriteXmlClass(xml, xbContainer, L"c");
  EXPECT_THROW(point.WriteXmlClass(xml, static_cast<TXmlBody>(4), L""), Rtl::Exception);
  xml.WriteEndTag();
  xml.Close();
  EXPECT_EQ(Str(xml.GetOutputData()),
            "<list>\r\n"
            "  <renamed name=\"n\"/>\r\n"
            "  <point name=\"n\"></point>\r\n"
            "  <c name=\"n\">\r\n"
            "  </c>\r\n"
            "</list>\r\n");

  // Names that are no XML names are refused by the writer.
  TXmlFile bad;
  bad.Rewrite();
  EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { point.WriteXmlClass(bad, L"a b"); }),
            L"Invalid XML name: \"a b\".");
}

TEST_F(XmlObjects, XmlDataReadsBackIntoAnEqualObject) {
  const auto box = FullBox();
  TBox copy;
  copy.SetXmlData(box->GetXmlData());
  EXPECT_EQ(copy.Head, L"h & <i>");
  EXPECT_EQ(copy.Tail, 7);
  ASSERT_EQ(copy.Points.GetCount(), 2);
  EXPECT_EQ(PointAt(copy, 1).Name, L"b");
  EXPECT_EQ(copy.GetXmlData(), box->GetXmlData());

  TText text;
  text.Text = L"\u00e9\u20ac \U0001F600";
  TText textCopy;
  textCopy.SetXmlData(text.GetXmlData());
  EXPECT_EQ(textCopy.Text, text.Text);

  // No bytes; a document without root; a root of another name.
  TBox target;
  target.Head = L"kept";
  EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { target.SetXmlData({}); }), L"No data!");
  EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { target.SetXmlData(Bytes("<!-- only -->")); }),
            L"The file does not contain a TBox element");
  EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { target.SetXmlData(Bytes("<config><head>x</head></config>")); }),
            L"The file does not contain a TBox element");
  EXPECT_EQ(target.Head, L"kept");
}

TEST_F(XmlObjects, ReadXmlFromAndReadXmlClass) {
  const auto xml = Parse(L"<r><other/><point first=\"f\" name=\"one\"/><point name=\"two\"/>"
                         L"<p name=\"three\" last=\"1\"/></r>");
  TPoint point;
  point.ReadXmlFrom(nullptr);
  EXPECT_EQ(point.Name, L"");
  // The first child of the tag, through both read steps.
  point.ReadXmlClass(*xml->GetRoot());
  EXPECT_EQ(point.Name, L"one");
  EXPECT_EQ(point.First, L"f");
  point.ReadXmlClass(*xml->GetRoot(), L"p");
  EXPECT_EQ(point.Name, L"three");
  EXPECT_TRUE(point.Last);
  // A name that no child has leaves the object unchanged.
  point.ReadXmlClass(*xml->GetRoot(), L"missing");
  EXPECT_EQ(point.Name, L"three");
  EXPECT_EQ(point.First, L"");
}

TEST_F(XmlObjects, SaveAndLoadFiles) {
  TestSupport::TTempDir dir(L"qdxmlo");
  const std::wstring file = dir / L"box.xml";
  const auto box = FullBox();
  box->SaveToFile(file);
  EXPECT_EQ(ReadAll(file), Str(box->GetXmlData()));
  TBox loaded;
  loaded.LoadFromFile(file);
  EXPECT_EQ(loaded.GetXmlData(), box->GetXmlData());

  // A class that writes nothing leaves only the declaration.
  TNothing().SaveToFile(dir / L"nothing.xml");
  EXPECT_EQ(ReadAll(dir / L"nothing.xml"), DECLARATION);

  // A missing file has no root.
  EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { loaded.LoadFromFile(dir / L"missing.xml"); }),
            L"The file does not contain a TBox element");
  // A document of another root.
  TPoint point;
  point.SaveToFile(dir / L"point.xml");
  EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { loaded.LoadFromFile(dir / L"point.xml"); }),
            L"The file does not contain a TBox element");
  EXPECT_EQ(loaded.Points.GetCount(), 2);
  // Errors of the reader pass through.
  TestSupport::WriteFile(dir / L"broken.xml", "<box><head>x</box>");
  EXPECT_THROW(loaded.LoadFromFile(dir / L"broken.xml"), Rtl::Exception);
}

TEST_F(XmlObjects, AFailedSaveLeavesTheOldFile) {
  TestSupport::TTempDir dir(L"qdxmlo");
  const std::wstring file = dir / L"box.xml";
  TestSupport::WriteFile(file, "old content");

  // An exception while the object is written: nothing replaces the file.
  auto box = FullBox();
  box->FailAfter = 1;
  EXPECT_THROW(box->SaveToFile(file), std::runtime_error);
  EXPECT_EQ(ReadAll(file), "old content");
  Rtl::TMemoryStream stream;
  EXPECT_THROW(box->SaveToStream(stream), std::runtime_error);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_THROW(box->GetXmlData(), std::runtime_error);

  // A file that cannot be replaced fails at the call.
  box->FailAfter = -1;
  TestSupport::SetAttributes(file, true, false);
  EXPECT_THROW(box->SaveToFile(file), Rtl::Exception);
  TestSupport::SetAttributes(file, false, false);
  EXPECT_EQ(ReadAll(file), "old content");
  EXPECT_THROW(box->SaveToFile(L""), Rtl::Exception);

  box->SaveToFile(file);
  EXPECT_EQ(ReadAll(file), Str(box->GetXmlData()));
}

TEST_F(XmlObjects, SaveAndLoadStreams) {
  const auto box = FullBox();
  Rtl::TMemoryStream stream;
  box->SaveToStream(stream);
  EXPECT_EQ(stream.Bytes(), box->GetXmlData());
  stream.SetPosition(0);
  TBox loaded;
  loaded.LoadFromStream(stream);
  EXPECT_EQ(loaded.Head, box->Head);
  EXPECT_EQ(loaded.Points.GetCount(), 2);

  // A stream without a document: the reader's error passes through.
  Rtl::TMemoryStream empty;
  EXPECT_THROW(loaded.LoadFromStream(empty), Rtl::Exception);
  // Output goes after what the stream holds.
  Rtl::TMemoryStream appended;
  appended.WriteBuffer("ab", 2);
  box->SaveToStream(appended);
  EXPECT_EQ(Str(appended.Bytes()), "ab" + Str(box->GetXmlData()));
}

TEST_F(XmlObjects, ObjectLists) {
  // Items are read with ReadXml alone; other children are skipped.
  const auto xml = Parse(L"<r><point first=\"f\" name=\"a\"/><!-- c --><other name=\"x\"/>"
                         L"<point name=\"b\"/><point name=\"a\" last=\"1\"/></r>");
  TQdObjectList all;
  TXmlObject::ReadObjectList(*xml->GetRoot(), all, TPoint::ClassInfo, L"point", false);
  ASSERT_EQ(all.GetCount(), 3);
  EXPECT_EQ(Rtl::As<TPoint>(all.GetItems(0))->First, L"");
  EXPECT_EQ(Rtl::As<TPoint>(all.GetItems(2))->Name, L"a");

  // Equal objects once: the later duplicate is dropped (and freed).
  TQdObjectList unique;
  TPoint::Made = 0;
  TXmlObject::ReadObjectList(*xml->GetRoot(), unique, TPoint::ClassInfo, L"point", true);
  EXPECT_EQ(TPoint::Made, 3);
  ASSERT_EQ(unique.GetCount(), 2);
  EXPECT_EQ(Rtl::As<TPoint>(unique.GetItems(0))->Name, L"a");
  EXPECT_FALSE(Rtl::As<TPoint>(unique.GetItems(0))->Last);
  EXPECT_EQ(Rtl::As<TPoint>(unique.GetItems(1))->Name, L"b");
  // An item already in the list counts too.
  TXmlObject::ReadObjectList(*xml->GetRoot(), unique, TPoint::ClassInfo, L"point", true);
  EXPECT_EQ(unique.GetCount(), 2);

  // Writing: each item in order; an item that is no TXmlObject is refused.
  TXmlFile out;
  out.SetCheckHeader(false);
  out.GetTextFile().SetUseBom(false);
  out.Rewrite();
  TXmlObject::WriteObjectList(out, unique, L"item");
  out.Close();
  EXPECT_EQ(Str(out.GetOutputData()), "<item name=\"a\"/>\r\n<item name=\"b\"/>\r\n");
  TQdObjectList mixed;
  mixed.Add(std::make_unique<TPlain>());
  TXmlFile refused;
  refused.Rewrite();
  EXPECT_THROW(TXmlObject::WriteObjectList(refused, mixed, L"item"), Rtl::EInvalidCast);
}

TEST_F(XmlObjects, AllocMakesOnlyTheClassesTheCallerAdmits) {
  const auto xml = Parse(L"<r><o class=\"TBox\"><head>x</head></o><o class=\"tpoint\"/><o class=\"TOther\"/>"
                         L"<o class=\"TPlain\"/><o class=\"TUnknown\"/><o/></r>");
  const TXmlElement& root = *xml->GetRoot();
  auto element = [&](int i) -> const TXmlElement& { return *root.GetElements(i); };

  // The named class, found ignoring case, not read.
  std::unique_ptr<TXmlObject> made = TXmlObject::Alloc(element(0), TXmlObject::ClassInfo, TOther::ClassInfo);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassName(), L"TBox");
  EXPECT_EQ(Rtl::As<TBox>(made.get())->Head, L"");
  made = TXmlObject::Alloc(element(1), TXmlObjectClass(), TXmlObjectClass());
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassName(), L"TPoint");

  // A TXmlObject that is not the class type: none, and none was made.
  TBox::Made = TOther::Made = 0;
  EXPECT_EQ(TXmlObject::Alloc(element(2), TBox::ClassInfo, TBox::ClassInfo), nullptr);
  EXPECT_EQ(TOther::Made, 0);
  EXPECT_EQ(TBox::Made, 0);

  // Registered but no TXmlObject: the invalid cast, before anything is made.
  EXPECT_EQ(TestSupport::MessageOf<Rtl::EInvalidCast>(
                [&] { TXmlObject::Alloc(element(3), TXmlObject::ClassInfo, TOther::ClassInfo); }),
            L"Invalid class typecast");
  EXPECT_EQ(TPlain::Made, 0);
  EXPECT_EQ(TOther::Made, 0);

  // Unknown or no name: the default class, if it is the class type.
  made = TXmlObject::Alloc(element(4), TXmlObject::ClassInfo, TOther::ClassInfo);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassName(), L"TOther");
  made = TXmlObject::Alloc(element(5), TBox::ClassInfo, TBox::ClassInfo);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassName(), L"TBox");
  TOther::Made = TBox::Made = 0;
  EXPECT_EQ(TXmlObject::Alloc(element(5), TBox::ClassInfo, TOther::ClassInfo), nullptr);
  EXPECT_EQ(TXmlObject::Alloc(element(4), TBox::ClassInfo, TXmlObjectClass()), nullptr);
  EXPECT_EQ(TOther::Made, 0);
  EXPECT_EQ(TBox::Made, 0);
}

TEST_F(XmlObjects, AllocAndRead) {
  const auto xml = Parse(L"<point first=\"f\" name=\"n\"/>");
  std::unique_ptr<TXmlObject> made = TXmlObject::AllocAndRead(TPoint::ClassInfo, xml->GetRoot());
  EXPECT_EQ(Rtl::As<TPoint>(made.get())->First, L"f");
  EXPECT_EQ(Rtl::As<TPoint>(made.get())->Name, L"n");
  made = TXmlObject::AllocAndRead(L"TPoint", xml->GetRoot());
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(Rtl::As<TPoint>(made.get())->Name, L"n");
  made = TXmlObject::AllocAndRead(L"TPoint", nullptr);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(Rtl::As<TPoint>(made.get())->Name, L"");
  // The base itself is known by name from start-up.
  made = TXmlObject::AllocAndRead(L"txmlobject", xml->GetRoot());
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassName(), L"TXmlObject");
  EXPECT_EQ(TXmlObject::AllocAndRead(L"TUnknown", xml->GetRoot()), nullptr);
  EXPECT_EQ(TXmlObject::AllocAndRead(L"", xml->GetRoot()), nullptr);
  TPlain::Made = 0;
  EXPECT_THROW(TXmlObject::AllocAndRead(L"TPlain", xml->GetRoot()), Rtl::EInvalidCast);
  EXPECT_EQ(TPlain::Made, 0);

  const Rtl::TBytes data = FullBox()->GetXmlData();
  made = TXmlObject::AllocAndRead(L"TBox", data);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(Rtl::As<TBox>(made.get())->Tail, 7);
  made = TXmlObject::AllocAndRead(TBox::ClassInfo, data);
  EXPECT_EQ(Rtl::As<TBox>(made.get())->Points.GetCount(), 2);
  EXPECT_EQ(TXmlObject::AllocAndRead(L"TUnknown", data), nullptr);
  EXPECT_EQ(TestSupport::MessageOf<Rtl::Exception>([&] { TXmlObject::AllocAndRead(L"TPoint", data); }),
            L"The file does not contain a TPoint element");
}
