// The keep-format round trip: every document of the corpus (every node
// kind, both quotes, every form of entity and character reference, whitespace
// in tags and the declaration, with and without BOM, UTF-8, UTF-16 LE/BE,
// windows-1252, CR LF and LF) and the benchmark's two documents come back
// byte for byte. The default layout reads back strictly, and writing what
// was read from a written document gives the same output again.
#include <gtest/gtest.h>

#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>

#include "QdXml.h"
#include "XmlSample.h"
#include "runtime/Core/Exceptions.h"

using namespace Qd;

namespace {

Rtl::TBytes ReadBytes(const std::wstring& fileName) {
  std::string narrow;
  for (wchar_t c : fileName) narrow += static_cast<char>(c);
  std::ifstream in(narrow, std::ios::binary);
  return Rtl::TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Entity formats of the reading: references to entities of the document
// type are expanded with the default ones.
TXmlEntityFormats GFormats = XML_DEFAULT_ENTITYFORMATS_C;

Rtl::TBytes Rewrite(const Rtl::TBytes& input, TXmlOptions options) {
  TXmlFile xml;
  xml.SetOptions(options);
  xml.SetEntityFormats(GFormats);
  EXPECT_TRUE(xml.Load(input));
  return xml.WriteToBytes();
}

// The first place where two byte strings differ, for the failure message.
std::string Difference(const Rtl::TBytes& a, const Rtl::TBytes& b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  const auto piece = [i](const Rtl::TBytes& s) {
    const std::size_t from = i > 20 ? i - 20 : 0;
    std::string out;
    for (std::size_t k = from; k < s.size() && k < i + 40; ++k) out += s[k] >= 32 && s[k] < 127 ? char(s[k]) : '.';
    return out;
  };
  return "at byte " + std::to_string(i) + ": [" + piece(a) + "] vs [" + piece(b) + "]";
}

// `exact`: the document holds nothing the model cannot keep (one character
// written in two forms within one text, references to entities of the
// document type, whitespace other than one space after "<!DOCTYPE").
void CheckDocument(const Rtl::TBytes& input, const std::string& label, bool exact = true) {
  SCOPED_TRACE(label);
  const Rtl::TBytes kept = Rewrite(input, TXmlOptions{xoKeepFormat});
  if (exact) {
    EXPECT_TRUE(kept == input) << Difference(kept, input);
  }

  // The default layout reads back strictly and is stable.
  const Rtl::TBytes layout = Rewrite(input, DEFAULT_XML_OPTIONS_C);
  TXmlFile strict;
  strict.SetOptions(TXmlOptions{xoStrict, xoRemoveWhiteSpace});
  EXPECT_NO_THROW(strict.Load(layout));
  const Rtl::TBytes again = Rewrite(layout, DEFAULT_XML_OPTIONS_C);
  EXPECT_TRUE(again == layout) << Difference(again, layout);
  const Rtl::TBytes keptAgain = Rewrite(kept, TXmlOptions{xoKeepFormat});
  EXPECT_TRUE(keptAgain == kept) << Difference(keptAgain, kept);
}

}  // namespace

TEST(XmlRoundTrip, CorpusComesBackByteForByte) {
  for (const wchar_t* name : {L"utf8-bom-crlf.xml", L"utf8-lf.xml", L"utf16le-bom-crlf.xml", L"utf16be-bom-lf.xml",
                              L"windows-1252-crlf.xml", L"no-declaration.xml"}) {
    const Rtl::TBytes input = ReadBytes(std::wstring(QD_XMLDATA_DIR) + L"\\" + name);
    ASSERT_FALSE(input.empty()) << std::string(name, name + std::wcslen(name));
    std::string label;
    for (const wchar_t* c = name; *c != 0; ++c) label += static_cast<char>(*c);
    CheckDocument(input, label);
  }
}

TEST(XmlRoundTrip, BenchmarkDocumentsComeBackByteForByte) {
  const std::string sample = XmlSample::Make(XmlSample::BENCH_SIZE_C, XmlSample::BENCH_SEED_C);
  // The generated document writes some characters both plainly and as
  // references within one text, which the model keeps one form of: its
  // written form is checked to be stable. Its references to entities of
  // its document type are kept as references.
  GFormats.Exclude(xfLocal);
  CheckDocument(Rtl::TBytes(sample.begin(), sample.end()), "generated", false);
  GFormats = XML_DEFAULT_ENTITYFORMATS_C;
  const Rtl::TBytes mime = ReadBytes(L"Z:\\usr\\share\\mime\\packages\\freedesktop.org.xml");
  if (mime.empty()) GTEST_SKIP() << "the MIME database is not installed";
  CheckDocument(mime, "MIME database");
}

// References come back as they were read: any number of leading zeros,
// decimal or hexadecimal, and an attribute's own quote written as a
// character reference, which the reader's default entity form of that
// quote must not replace.
TEST(XmlRoundTrip, CharacterReferencesKeepTheirDigitsAndForm) {
  for (const char* text :
       {"<doc>&#00000000000000000000000000000000065;</doc>", "<doc>&#x0000000000000000000000000000000000000041;</doc>",
        "<doc>&#066; and &#x0041;x</doc>", "<doc a=\"&#34;\"></doc>", "<doc a='&#x27;' b=\"&#x22;\"/>",
        "<doc a=\"&quot;\"></doc>"}) {
    const std::string s(text);
    CheckDocument(Rtl::TBytes(s.begin(), s.end()), s);
  }
}

// The writer's own UTF-8 encoder: supplementary characters as four bytes,
// and a lone surrogate as the platform's conversion writes it (U+FFFD),
// also when the output is collected in blocks.
TEST(XmlRoundTrip, Utf8OutputOfSurrogates) {
  TXmlFile xml;
  xml.GetTextFile().SetUseBom(false);
  xml.SetWriteHeader(false);
  std::wstring big(40000, L'x');
  xml.AddRoot(L"r")->SetValue(big + L"\U0001F4C1" + big + L"\xD800" + L"y");
  const Rtl::TBytes bytes = xml.WriteToBytes();
  const std::string out(bytes.begin(), bytes.end());
  EXPECT_NE(out.find("x\xF0\x9F\x93\x81x"), std::string::npos);
  EXPECT_NE(out.find("x\xEF\xBF\xBDy"), std::string::npos);
}
