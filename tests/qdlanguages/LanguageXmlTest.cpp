// The XML forms of TLanguageId ("kind", "case", "script") and TLanguage
// ("id", "enabled"): exact bytes, what is left out, and what reading makes
// of names, numbers and anything else.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "QdLanguages.h"
#include "QdXml.h"

using namespace Qd;
namespace Ql = Qd::QdLanguages;

namespace {

std::string Str(const Rtl::TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

const std::string DECLARATION = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";

// The element of one start tag.
std::unique_ptr<TXmlFile> Parse(const std::wstring& text) {
  auto xml = std::make_unique<TXmlFile>();
  xml->LoadFromString(text);
  return xml;
}

std::unique_ptr<TLanguageId> ReadId(const std::wstring& text) {
  const auto xml = Parse(text);
  auto id = std::make_unique<TLanguageId>();
  id->SetKind(liLegacy);  // reading replaces every field, also with 0
  id->ReadXmlFrom(xml->GetRoot());
  return id;
}

}  // namespace

TEST(LanguageXml, ALanguageIdWritesItsMembersByNameAndLeavesOutZeros) {
  TLanguageId id;
  EXPECT_EQ(Str(id.GetXmlData()), DECLARATION);  // default: no element at all
  id.SetScript(lsAlways);
  EXPECT_EQ(Str(id.GetXmlData()), DECLARATION + "<object script=\"lsAlways\">\r\n</object>\r\n");
  id.SetKind(liUnderline);
  id.SetIdCase(Ql::lcLower);
  EXPECT_EQ(Str(id.GetXmlData()),
            DECLARATION + "<object kind=\"liUnderline\" case=\"lcLower\" script=\"lsAlways\">\r\n</object>\r\n");
  TLanguageId copy;
  copy.SetXmlData(id.GetXmlData());
  EXPECT_TRUE(copy.Equals(&id));
}

TEST(LanguageXml, ALanguageIdReadsNamesOrNumbersAndFallsBackToZero) {
  auto id = ReadId(L"<object kind=\"liLegacy\" case=\"2\" script=\"LSMULTI\"/>");
  EXPECT_EQ(id->GetKind(), liLegacy);
  EXPECT_EQ(id->GetIdCase(), Ql::lcUpper);
  EXPECT_EQ(id->GetScript(), lsMulti);
  // Unknown names, numbers out of range, other text, missing attributes.
  id = ReadId(L"<object kind=\"liNothing\" case=\"3\" script=\"-1\"/>");
  EXPECT_TRUE(id->GetIsDefault());
  id = ReadId(L"<object kind=\"\" case=\"99999999999999999999\" script=\"1.0\"/>");
  EXPECT_TRUE(id->GetIsDefault());
  id = ReadId(L"<object/>");
  EXPECT_TRUE(id->GetIsDefault());
  // A change is signalled once per changed field.
  const auto xml = Parse(L"<object kind=\"1\" case=\"1\"/>");
  TLanguageId watched;
  int changes = 0;
  watched.SetOnChange([&](Rtl::TObject*) { ++changes; });
  watched.ReadXmlFrom(xml->GetRoot());
  EXPECT_EQ(changes, 2);
  watched.ReadXmlFrom(xml->GetRoot());
  EXPECT_EQ(changes, 2);
}

TEST(LanguageXml, ALanguageWritesItsIdAndEnabledOnlyWhenFalse) {
  TLanguage language(L"sr_latn_rs");
  EXPECT_EQ(Str(language.GetXmlData()), DECLARATION + "<object id=\"sr-Latn-RS\">\r\n</object>\r\n");
  language.SetEnabled(false);
  EXPECT_EQ(Str(language.GetXmlData()),
            DECLARATION + "<object id=\"sr-Latn-RS\" enabled=\"0\">\r\n</object>\r\n");
  // Always an element, even for an empty code.
  const TLanguage empty;
  EXPECT_EQ(Str(empty.GetXmlData()), DECLARATION + "<object>\r\n</object>\r\n");

  TLanguage copy(L"de");
  copy.SetXmlData(language.GetXmlData());
  EXPECT_EQ(copy.GetId(), L"sr-Latn-RS");
  EXPECT_FALSE(copy.GetEnabled());
}

TEST(LanguageXml, ALanguageReadsItsCodeAndEnabled) {
  TLanguage language(L"fr-FR");
  language.SetEnabled(false);
  auto xml = Parse(L"<object id=\"de_AT\"/>");
  language.ReadXmlFrom(xml->GetRoot());
  EXPECT_EQ(language.GetId(), L"de-AT");
  EXPECT_TRUE(language.GetEnabled());  // missing: true
  xml = Parse(L"<object id=\"en-US\" enabled=\"0\"/>");
  language.ReadXmlFrom(xml->GetRoot());
  EXPECT_EQ(language.GetId(), L"en-US");
  EXPECT_FALSE(language.GetEnabled());
  // Only "0" and "1" are booleans: anything else is the default.
  xml = Parse(L"<object id=\"en-US\" enabled=\"no\"/>");
  language.ReadXmlFrom(xml->GetRoot());
  EXPECT_TRUE(language.GetEnabled());
  // No "id": the code is emptied.
  xml = Parse(L"<object/>");
  language.ReadXmlFrom(xml->GetRoot());
  EXPECT_EQ(language.GetId(), L"");
  // Text that is no code is taken apart as the parser does, without raising.
  xml = Parse(L"<object id=\"--__-x-\u4E2D-\"/>");
  EXPECT_NO_THROW(language.ReadXmlFrom(xml->GetRoot()));
}
