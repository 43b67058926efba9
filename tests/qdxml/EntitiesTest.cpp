// The entity table: references decoded and encoded again in the form they
// were read, unknown entities and literal ampersands kept, declarations.
#include <gtest/gtest.h>

#include <string>

#include "QdXml.h"
#include "runtime/Core/Exceptions.h"

using namespace Qd;

namespace {

const TXmlEntityFormats ALL_C = XML_DEFAULT_ENTITYFORMATS_C;

// Decodes and encodes `text` with one table and one part record.
std::wstring RoundTrip(const std::wstring& text, std::wstring* decoded = nullptr) {
  TXmlFileEntities entities;
  TXmlPartEntities part;
  const std::wstring value = entities.DecodeString(text, ALL_C, &part);
  if (decoded != nullptr) *decoded = value;
  return entities.EncodeString(value, ALL_C, &part);
}

}  // namespace

TEST(XmlEntities, PredefinedEntityIsDecodedRecordedAndWrittenBack) {
  TXmlFileEntities entities;
  const std::wstring value = entities.DecodeString(L"a &lt; b", ALL_C, nullptr);
  EXPECT_EQ(value, L"a < b");
  EXPECT_TRUE(entities.GetThisCodings()[xeLt].Contains(xcEntity));
  EXPECT_TRUE(entities.GetPredefinedCodings()[xeLt].Contains(xcEntity));
  EXPECT_EQ(entities.EncodeString(value, ALL_C, nullptr), L"a &lt; b");
  // A later string without "<" has empty codings of its own, the
  // document's stay.
  entities.DecodeString(L"plain", ALL_C, nullptr);
  EXPECT_TRUE(entities.GetThisCodings()[xeLt].IsEmpty());
  EXPECT_TRUE(entities.GetPredefinedCodings()[xeLt].Contains(xcEntity));
}

TEST(XmlEntities, EachFormOfAReferenceComesBackAsItWasRead) {
  for (const std::wstring text : {L"caf&#xe9;", L"caf&#xE9;", L"caf&#233;", L"line&#x0a;break", L"&#x1F600;!",
                                  L"&#128512;", L"x &#60; y", L"x &#x3C; y", L"q&quot;q", L"a&apos;b"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(RoundTrip(text), text);
  }
  std::wstring decoded;
  RoundTrip(L"&#x1F600;", &decoded);
  EXPECT_EQ(decoded, L"\U0001F600");  // a surrogate pair
  RoundTrip(L"caf&#xe9;", &decoded);
  EXPECT_EQ(decoded, L"caf\u00E9");
}

TEST(XmlEntities, PartRecordHoldsFormCaseAndLeadingZeros) {
  TXmlFileEntities entities;
  TXmlPartEntities part;
  entities.DecodeString(L"&#xe9;&#x0A;&#65;&#x1f600;", ALL_C, &part);
  ASSERT_NE(part.Find(0xE9), nullptr);
  EXPECT_TRUE(part.Find(0xE9)->Codings.Contains(xcHex));
  EXPECT_TRUE(part.Find(0xE9)->Cases.Contains(hcLower));
  EXPECT_FALSE(part.Find(0xE9)->LeadingZeros);
  EXPECT_TRUE(part.Find(0x0A)->LeadingZeros);
  EXPECT_TRUE(part.Find(U'A')->Codings.Contains(xcNumber));
  ASSERT_NE(part.Find(0x1F600), nullptr);  // keyed by code point, not by half
  EXPECT_EQ(part.GetCount(), 4);
  // A predefined character goes to the part record as well.
  TXmlPartEntities quotes;
  entities.DecodeString(L"&#60;", ALL_C, &quotes);
  EXPECT_NE(quotes.Find(U'<'), nullptr);
  // Decoding clears the record first.
  entities.DecodeString(L"plain", ALL_C, &part);
  EXPECT_EQ(part.GetCount(), 0);
}

TEST(XmlEntities, UnknownEntitiesAndLiteralAmpersandsAreKept) {
  TXmlFileEntities entities;
  const std::wstring value = entities.DecodeString(L"&unknown; & &; &#; &x", ALL_C, nullptr);
  EXPECT_EQ(value, L"&unknown; & &; &#; &x");
  EXPECT_EQ(entities.GetUnknownCodes().count(L"unknown"), 1u);
  EXPECT_EQ(entities.GetUnknownCodes().size(), 1u);
  // The unknown reference goes out as read, every literal "&" as "&amp;".
  EXPECT_EQ(entities.EncodeString(value, ALL_C, nullptr), L"&unknown; &amp; &amp;; &amp;#; &amp;x");
  // A literal ampersand before a known name was "&amp;" in the text.
  EXPECT_EQ(entities.EncodeString(L"&lt;", ALL_C, nullptr), L"&amp;lt;");
}

TEST(XmlEntities, UnknownEntityRaisesWhenAsked) {
  SetRaiseExceptionOnUnknownEntity(true);
  TXmlFileEntities entities;
  try {
    entities.DecodeString(L"a &copy; b", ALL_C, nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"Entity \"&copy;\" is unknown. Use plain characters (e.g. \"A\") or numeric entities "
                           L"(e.g. \"&#65;\" or \"&#x41;\").");
  }
  SetRaiseExceptionOnUnknownEntity(false);
  EXPECT_EQ(entities.DecodeString(L"a &copy; b", ALL_C, nullptr), L"a &copy; b");
}

TEST(XmlEntities, MalformedAndForbiddenCharacterReferencesFail) {
  TXmlFileEntities entities;
  for (const std::wstring text : {L"&#12a;", L"&#xZZ;", L"&#0;", L"&#xD800;", L"&#x110000;", L"&#99999999999;",
                                  L"&#x;"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(entities.DecodeString(text, ALL_C, nullptr), Rtl::EConvertError);
  }
  // Without the predefined format a character reference stays as written
  // and goes out unchanged.
  const std::wstring kept = entities.DecodeString(L"&#65;", TXmlEntityFormats{xfLocal}, nullptr);
  EXPECT_EQ(kept, L"&#65;");
  EXPECT_EQ(entities.EncodeString(kept, TXmlEntityFormats{xfLocal}, nullptr), L"&#65;");
}

TEST(XmlEntities, EncoderFastPathAndControlCharacters) {
  TXmlFileEntities entities;
  EXPECT_EQ(entities.EncodeString(L"nothing special here", ALL_C, nullptr), L"nothing special here");
  EXPECT_EQ(entities.EncodeString(L"a\x01" L"b", ALL_C, nullptr), L"a&#x01;b");
  // Default coding: the apostrophe stays plain.
  EXPECT_EQ(entities.EncodeString(L"<'\">&", ALL_C, nullptr), L"&lt;'&quot;&gt;&amp;");
  // Without formats nothing is encoded.
  EXPECT_EQ(entities.EncodeString(L"<&>", TXmlEntityFormats{}, nullptr), L"<&>");
  // ANSI output: characters the code page lacks become references.
  EXPECT_EQ(entities.EncodeString(L"a\u0416b", ALL_C, nullptr, 1252), L"a&#x416;b");
  EXPECT_EQ(entities.EncodeString(L"a\u00E9b", ALL_C, nullptr, 1252), L"a\u00E9b");
}

TEST(XmlEntities, LocalEntitiesExpandOnlyWithTheirFormat) {
  TXmlFileEntities entities;
  entities.SetData(L"<!ENTITY co \"Korvanta &amp; Co\"> <!-- a comment --> <!ELEMENT x (#PCDATA)>");
  ASSERT_EQ(entities.GetCount(), 6);
  const TXmlEntity* co = entities.FindName(L"co");
  ASSERT_NE(co, nullptr);
  EXPECT_EQ(co->GetFormat(), xfLocal);
  EXPECT_EQ(co->GetValue(), L"Korvanta & Co");
  EXPECT_EQ(entities.DecodeString(L"[&co;]", ALL_C, nullptr), L"[Korvanta & Co]");
  EXPECT_TRUE(co->GetUsed());
  // With predefined entities only, the reference stays and is written back.
  const std::wstring kept = entities.DecodeString(L"[&co;]", TXmlEntityFormats{xfPredefined}, nullptr);
  EXPECT_EQ(kept, L"[&co;]");
  EXPECT_EQ(entities.EncodeString(kept, TXmlEntityFormats{xfPredefined}, nullptr), L"[&co;]");
  // Single-quoted literals are read too, and a character that is a whole
  // entity's value is written as the entity when asked.
  entities.SetData(L"<!ENTITY copy '&#169;'>");
  EXPECT_EQ(entities.FindName(L"copy")->GetValue(), L"\u00A9");
  EXPECT_EQ(entities.FindChar(0xA9), entities.FindName(L"copy"));  // rebuilt after Add
  entities.SetStoreEntities(true);
  EXPECT_EQ(entities.EncodeString(L"\u00A9 2026", ALL_C, nullptr), L"&copy; 2026");
}

TEST(XmlEntities, ExternalEntitiesAreNotLoadedUnlessTheirSourceIsAllowed) {
  TXmlFileEntities entities;
  EXPECT_TRUE(entities.GetExternalSources().IsEmpty());
  entities.SetData(L"<!ENTITY ext SYSTEM \"http://example.invalid/x.ent\"><!ENTITY pub PUBLIC \"-//x\" 'y.ent'>");
  const TXmlEntity* ext = entities.FindName(L"ext");
  ASSERT_NE(ext, nullptr);
  EXPECT_EQ(ext->GetFormat(), xfExternal);
  EXPECT_FALSE(ext->GetLoaded());
  EXPECT_NE(entities.FindName(L"pub"), nullptr);
  const std::wstring kept = entities.DecodeString(L"a &ext; b", ALL_C, nullptr);
  EXPECT_EQ(kept, L"a &ext; b");
  EXPECT_EQ(entities.EncodeString(kept, ALL_C, nullptr), L"a &ext; b");
}

TEST(XmlEntities, ParameterEntitiesAreParsedInTurn) {
  TXmlFileEntities entities;
  entities.SetData(L"<!ENTITY % decl '<!ENTITY inner \"deep\">'> %decl; <!ENTITY after \"x\">");
  EXPECT_EQ(entities.GetInternalCount(), 1);
  ASSERT_NE(entities.FindInternal(L"decl"), nullptr);
  ASSERT_NE(entities.FindName(L"inner"), nullptr);
  EXPECT_EQ(entities.FindName(L"inner")->GetValue(), L"deep");
  EXPECT_NE(entities.FindName(L"after"), nullptr);
}

TEST(XmlEntities, ClassLevelFunctions) {
  EXPECT_EQ(TXmlFile::CharToEntity(L'<', true), L"&lt;");
  EXPECT_EQ(TXmlFile::CharToEntity(L'<', false), L"lt");
  EXPECT_EQ(TXmlFile::CharToEntity(L'a', true), L"a");
  EXPECT_EQ(TXmlFile::EntityToChar(L"quot"), L'"');
  EXPECT_EQ(TXmlFile::EntityToChar(L"copy"), L'\0');
  EXPECT_EQ(TXmlFile::EntityEncode(L"a<b>&'\""), L"a&lt;b&gt;&amp;&apos;&quot;");
  TXmlEntityCodings codings = XML_EMPTY_CODINGS_C;
  EXPECT_TRUE(TXmlFile::CodingsEquals(codings, XML_EMPTY_CODINGS_C));
  codings[xeLt] = TXmlCodings{xcNumber, xcHex};
  codings[xeGt] = TXmlCodings{xcNone};
  EXPECT_FALSE(TXmlFile::CodingsEquals(codings, XML_EMPTY_CODINGS_C));
  TXmlEntityCoding coding{};
  TXmlFile::CodingsToCoding(codings, XML_ALL_CODING_C, coding);
  EXPECT_EQ(coding[xeLt], xcHex);
  EXPECT_EQ(coding[xeGt], xcNone);
  EXPECT_EQ(coding[xeAmp], xcEntity);
  EXPECT_TRUE(TXmlFileEntities::IsHttpFileName(L"HTTP://x"));
  EXPECT_FALSE(TXmlFileEntities::IsHttpFileName(L"c:\\x.dtd"));
  EXPECT_EQ(TXmlEntity(xfLocal, L"b", L"").Compare(TXmlEntity(xfLocal, L"a", L"")), 1);
}

TEST(XmlEntities, AForwardReferenceInADeclaredValueStaysLiteralText) {
  TXmlFileEntities entities;
  entities.SetData(L"<!ENTITY a \"[&b;]\"><!ENTITY b \"1\">");
  EXPECT_TRUE(entities.GetUnknownCodes().empty());
  ASSERT_EQ(entities.FindName(L"a")->GetKeptReferences().size(), 1u);
  const std::wstring value = entities.DecodeString(L"&a;&b;", ALL_C, nullptr);
  EXPECT_EQ(value, L"[&b;]1");
  // Written so that reading it again gives the same text.
  const std::wstring written = entities.EncodeString(value, ALL_C, nullptr);
  EXPECT_EQ(written, L"[&amp;b;]1");
  EXPECT_EQ(entities.DecodeString(written, ALL_C, nullptr), value);
  // The first declaration of a name binds.
  entities.SetData(L"<!ENTITY b \"2\">");
  EXPECT_EQ(entities.DecodeString(L"&b;", ALL_C, nullptr), L"1");
}
