// Typed values kept as attributes and as child elements: each type set,
// read, defaulted and read from malformed text; enumerations, sets,
// classes, binary views, localised attribute names.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "QdXml.h"
#include "runtime/Core/ClassRegistry.h"
#include "runtime/Core/DateTime.h"
#include "runtime/Core/Exceptions.h"

using namespace Qd;

namespace {

enum TFruit : std::uint8_t { frApple, frPear, frPlum };
RTL_ENUM_INFO(TFruit, L"frApple", L"frPear", L"frPlum")
using TFruits = Rtl::TSet<TFruit, frPlum>;
RTL_SET_INFO(TFruits)

class TXmlTestThing : public TQdObject {
  RTL_CLASS(TXmlTestThing, TQdObject)
};

Rtl::TBytes Bytes(int count) {
  Rtl::TBytes result;
  for (int i = 0; i < count; ++i) result.push_back(static_cast<std::uint8_t>(i * 37 + 11));
  return result;
}

}  // namespace

TEST(XmlTypedAttributes, EachTypeIsWrittenReadAndDefaulted) {
  TXmlElement e(L"e");
  TXmlAttributes& a = e.GetAttributes();
  a.ForceString(L"s", L"text").ForceChar(L"c", L'Z').ForceInteger(L"i", -1234567890123LL);
  a.ForceFloat(L"f", 2.5).ForceBoolean(L"b", true);
  EXPECT_EQ(a.GetString(L"s"), L"text");
  EXPECT_EQ(a.GetString(L"missing", L"dflt"), L"dflt");
  EXPECT_EQ(a.GetChar(L"c"), L'Z');
  EXPECT_EQ(a.GetInteger(L"i"), -1234567890123LL);
  EXPECT_EQ(a.GetString(L"f"), L"2.5");
  EXPECT_DOUBLE_EQ(a.GetFloat(L"f"), 2.5);
  EXPECT_EQ(a.GetString(L"b"), L"1");
  EXPECT_TRUE(a.GetBoolean(L"b"));
  EXPECT_EQ(a.GetInteger(L"missing", 7), 7);
  // Malformed text.
  a.ForceString(L"bad", L"12x");
  EXPECT_EQ(a.GetInteger(L"bad", 5), 0);  // the view gives 0 for no number
  a.ForceString(L"t", L"true");
  EXPECT_TRUE(a.GetBoolean(L"t", true));
  EXPECT_FALSE(a.GetBoolean(L"t", false));  // only "0" and "1" are read
  EXPECT_EQ(a.GetSmartBoolean(L"t"), sbNull);
  EXPECT_EQ(a.GetSmartBoolean(L"b"), sbTrue);
  // Optional with the default leaves an existing attribute alone.
  a.SetString(L"s", L"", L"", true);
  EXPECT_EQ(a.GetString(L"s"), L"text");
  a.SetInteger(L"i", 0, 0, true);
  EXPECT_EQ(a.GetInteger(L"i"), -1234567890123LL);
  a.SetBoolean(L"new", false, false, true);
  EXPECT_FALSE(a.DoesExist(L"new"));
  // Add always makes a new attribute; a duplicate raises.
  a.AddInteger(L"n", 1, 0);
  EXPECT_EQ(a.GetItems(0)->GetName(), L"n");
  try {
    a.AddString(L"n", L"2");
    ADD_FAILURE();
  } catch (const Rtl::Exception& ex) {
    EXPECT_EQ(ex.Message(), L"Element already contains n attribute");
  }
  try {
    a.SetString(L"", L"x");
    ADD_FAILURE();
  } catch (const Rtl::Exception& ex) {
    EXPECT_EQ(ex.Message(), L"Empty attribute name");
  }
  Rtl::TStringList lines;
  lines.Add(L"one");
  lines.Add(L"two");
  a.SetStrings(L"list", lines);
  EXPECT_EQ(a.GetString(L"list"), L"one;two");
  Rtl::TStringList back;
  a.GetStrings(L"list", back);
  EXPECT_EQ(back.Count(), 2);
  a.SetEncryptedString(L"secret", L"p\u00E4ss");
  EXPECT_NE(a.GetString(L"secret"), L"p\u00E4ss");
  EXPECT_EQ(a.GetEncryptedString(L"secret"), L"p\u00E4ss");
  a.SetAnsiString(L"ansi", "a\xE9");
  EXPECT_EQ(a.GetString(L"ansi"), L"a\u00E9");
  EXPECT_EQ(a.GetAnsiString(L"ansi"), "a\xE9");
  a.SetBase64(L"b64", Bytes(5));
  EXPECT_EQ(a.GetBase64(L"b64"), Bytes(5));
  EXPECT_TRUE(a.GetBase64(L"none").empty());
}

TEST(XmlTypedAttributes, AttributeViews) {
  TXmlAttribute attribute(L"a", L"");
  EXPECT_TRUE(attribute.GetAsBoolean());  // an empty value is True
  attribute.SetValue(L"0");
  EXPECT_FALSE(attribute.GetAsBoolean());
  EXPECT_TRUE(attribute.IsInteger());
  EXPECT_EQ(attribute.GetAsChar(), L'0');
  attribute.SetAsAnsiChar('\xE9');
  EXPECT_EQ(attribute.GetValue(), L"\u00E9");
  EXPECT_EQ(attribute.GetAsAnsiChar(), '\xE9');
  attribute.SetValue(L"say \"hi\"");
  attribute.DetectSeparator();
  EXPECT_EQ(attribute.GetSeparator(), xsSingle);
  attribute.SetValue(L"it's");
  attribute.DetectSeparator();
  EXPECT_EQ(attribute.GetSeparator(), xsDouble);
  EXPECT_TRUE(TXmlAttribute(L"xmlns:x", L"").IsNamespace());
  const Rtl::TDateTime when = Rtl::EncodeDate(2026, 12, 9) + Rtl::EncodeTime(21, 5, 30, 250);
  attribute.SetAsDateTimeMs(when);
  EXPECT_NEAR(attribute.GetAsDateTime(), when, 1e-8);
  attribute.SetAsDateTime(when);
  EXPECT_NEAR(attribute.GetAsDateTime(), Rtl::EncodeDate(2026, 12, 9) + Rtl::EncodeTime(21, 5, 30, 0), 1e-8);
  attribute.SetAsDate(when);
  EXPECT_DOUBLE_EQ(attribute.GetAsDate(), Rtl::EncodeDate(2026, 12, 9));
}

TEST(XmlTypedAttributes, AttributesEqualByNameValueQuoteAndCodings) {
  TXmlAttribute a(L"x", L"1");
  TXmlAttribute b(L"x", L"1");
  EXPECT_TRUE(a.Equals(&b));
  b.SetValue(L"2");
  EXPECT_FALSE(a.Equals(&b));
  b.SetValue(L"1");
  b.SetSeparator(xsSingle);
  EXPECT_FALSE(a.Equals(&b));
  TXmlAttribute c(L"y", L"1");
  EXPECT_FALSE(a.Equals(&c));
  TXmlElement e(L"x");
  EXPECT_FALSE(a.Equals(&e));
  TXmlAttribute copy;
  copy.Assign(b);
  EXPECT_TRUE(copy.Equals(&b));
}

TEST(XmlTypedAttributes, EnumerationsByNameAndByNumber) {
  TXmlAttributes a;
  a.SetEnum(L"fruit", frPlum, frApple);
  EXPECT_EQ(a.GetString(L"fruit"), L"frPlum");
  EXPECT_EQ(a.GetEnum(L"fruit", frApple), frPlum);
  a.ForceString(L"number", L"1");
  EXPECT_EQ(a.GetEnum(L"number", frApple), frPear);
  a.ForceString(L"outside", L"7");
  EXPECT_EQ(a.GetEnum(L"outside", frPear), frPear);
  a.ForceString(L"unknown", L"frCherry");
  EXPECT_EQ(a.GetEnum(L"unknown", frPear), frPear);
  EXPECT_EQ(a.GetEnum(L"missing", frPlum), frPlum);
  EXPECT_EQ(a.GetEnum({L"absent", L"number", L"fruit"}, Rtl::TypeInfo<TFruit>(), 0), 1);
  a.SetEnum(L"optional", frApple, frApple);
  EXPECT_FALSE(a.DoesExist(L"optional"));
  a.SetEnum(L"plain", 2, nullptr, 0);
  EXPECT_EQ(a.GetString(L"plain"), L"2");
  try {
    a.GetEnum(L"fruit", Rtl::TypeInfo<TFruits>(), 0);
    ADD_FAILURE();
  } catch (const Rtl::Exception& ex) {
    EXPECT_EQ(ex.Message(), L"Type TFruits in not an enumeration type");
  }
}

TEST(XmlTypedAttributes, SetsAndClasses) {
  TXmlElement e(L"e");
  TXmlAttributes& a = e.GetAttributes();
  a.SetSet(L"fruits", TFruits{frApple, frPlum}, TFruits{});
  EXPECT_EQ(a.GetSet(L"fruits", TFruits{}), (TFruits{frApple, frPlum}));
  EXPECT_EQ(a.GetSet(L"missing", TFruits{frPear}), TFruits{frPear});
  a.SetSet(L"same", TFruits{frPear}, TFruits{frPear});
  EXPECT_FALSE(a.DoesExist(L"same"));
  Rtl::RegisterClass(TXmlTestThing::ClassInfo);
  EXPECT_NE(a.SetClass(L"class", &TXmlTestThing::ClassInfo), nullptr);
  EXPECT_EQ(a.GetClass(L"class"), &TXmlTestThing::ClassInfo);
  EXPECT_EQ(a.SetClass(L"other", nullptr), nullptr);
  EXPECT_EQ(a.SetClass(L"other", &TXmlTestThing::ClassInfo, &TXmlTestThing::ClassInfo), nullptr);
  a.ForceString(L"nothing", L"TNoSuchClass");
  EXPECT_EQ(a.GetClass(L"nothing"), nullptr);
  Rtl::UnRegisterClass(TXmlTestThing::ClassInfo);
  EXPECT_EQ(a.GetClass(L"class"), nullptr);
}

TEST(XmlTypedElements, EachTypeIsWrittenReadAndDefaulted) {
  TXmlElement e(L"e");
  e.ForceString(L"s", L"text");
  e.SetInteger(L"i", 42);
  e.SetFloat(L"f", -0.125);
  e.SetBoolean(L"b", true);
  e.SetChar(L"c", L'q');
  e.ForceString(L"tb", L"TRUE");
  e.ForceString(L"fb", L"false");
  e.ForceString(L"junk", L"1x");
  EXPECT_EQ(e.GetString(L"s"), L"text");
  EXPECT_EQ(e.GetInteger(L"i"), 42);
  EXPECT_EQ(e.GetInteger(L"junk", 9), 9);
  EXPECT_DOUBLE_EQ(e.GetFloat(L"f"), -0.125);
  EXPECT_DOUBLE_EQ(e.GetFloat(L"junk", 1.5), 1.5);
  EXPECT_TRUE(e.GetBoolean(L"b"));
  EXPECT_TRUE(e.GetBoolean(L"tb"));
  EXPECT_FALSE(e.GetBoolean(L"fb", true));
  EXPECT_TRUE(e.GetBoolean(L"junk", true));
  EXPECT_EQ(e.GetChar(L"c"), L'q');
  EXPECT_EQ(e.GetChar(L"missing", L'd'), L'd');
  EXPECT_EQ(e.GetSmartBoolean(L"b"), sbTrue);
  EXPECT_EQ(e.GetSmartBoolean(L"tb"), sbNull);
  // Optional values equal to the default write nothing.
  e.SetInteger(L"zero", 0);
  EXPECT_FALSE(e.DoesExist(L"zero"));
  e.ForceInteger(L"zero", 0);
  EXPECT_EQ(e.GetString(L"zero"), L"0");
  // The element's own value.
  TXmlElement own(L"own");
  own.SetInteger(L"", 5, 0, false);
  EXPECT_EQ(own.GetValue(), L"5");
  EXPECT_EQ(own.GetAsInteger(), 5);
  EXPECT_EQ(own.GetCount(), 0);
  // Dates; a default of 0 means now.
  const Rtl::TDateTime when = Rtl::EncodeDate(2030, 1, 2) + Rtl::EncodeTime(3, 4, 5, 0);
  e.SetDateTime(L"d", when);
  EXPECT_NEAR(e.GetDateTime(L"d"), when, 1e-8);
  const Rtl::TDateTime now = Rtl::Now();
  EXPECT_NEAR(e.GetDateTime(L"junk"), now, 1.0 / 24);
  EXPECT_NEAR(e.GetDateTime(L"missing"), now, 1.0 / 24);
  EXPECT_DOUBLE_EQ(e.GetDateTime(L"junk", 3.0), 3.0);
  // Sets and lists of children.
  e.SetSet(L"set", TFruits{frPear}, TFruits{});
  EXPECT_EQ(e.GetSet(L"set", TFruits{}), TFruits{frPear});
  EXPECT_EQ(e.GetSet(L"nothing", TFruits{frPlum}), TFruits{frPlum});
  TXmlElement* files = e.Add(L"files");
  files->AddString(L"file", L"a.txt");
  files->AddString(L"other", L"b.txt");
  files->AddString(L"file", L"sub\\c.txt");
  Rtl::TStringList list;
  e.GetStrings(L"files", list, L"file");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[1], L"sub\\c.txt");
  e.GetFiles(L"files", L"C:\\base", list, L"file");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0], L"C:\\base\\a.txt");
  e.SetEncryptedString(L"secret", L"hidden");
  EXPECT_EQ(e.GetEncryptedString(L"secret"), L"hidden");
  EXPECT_EQ(e.GetEncryptedString(L"nosecret", L"d"), L"d");
}

TEST(XmlTypedElements, BinaryViewsAndCompression) {
  TXmlElement e(L"e");
  TXmlElement* data = e.Add(L"data");
  data->SetAsBase16(Bytes(4));
  EXPECT_EQ(data->GetValue(), L"0B30557A");
  EXPECT_EQ(e.GetBase16(L"data"), Bytes(4));
  data->SetAsBase32(Bytes(10));
  EXPECT_EQ(e.GetBase32(L"data"), Bytes(10));
  data->SetAsUrl(Bytes(10));
  EXPECT_EQ(e.GetUrl(L"data"), Bytes(10));
  EXPECT_THROW(data->SetBinary(Bytes(1), static_cast<TBinaryEncoding>(9)), Rtl::Exception);
  EXPECT_THROW(data->GetBinary(static_cast<TBinaryEncoding>(9)), Rtl::Exception);
  // Compressed: through the real zip functions.
  const Rtl::TBytes big(5000, 'a');
  data->SetAsCompressed(big);
  EXPECT_LT(data->GetValue().size(), 1000u);
  EXPECT_EQ(e.GetCompressed(L"data"), big);
  // AsBinary recognises an encoding only from 80 characters on.
  data->SetAsBase16(Bytes(40));  // 80 hexadecimal digits
  EXPECT_EQ(data->GetAsBinary(), Bytes(40));
  data->SetAsBinary(Bytes(45));  // keeps Base16
  EXPECT_EQ(data->GetValue().size(), 90u);
  EXPECT_EQ(data->GetAsBase16(), Bytes(45));
  data->SetAsBase16(Bytes(39));  // 78 digits: not recognised
  EXPECT_TRUE(data->GetAsBinary().empty());
  data->SetAsBinary(Bytes(39));  // falls back to Base64
  EXPECT_EQ(data->GetAsBase64(), Bytes(39));
}

TEST(XmlLocalisedNames, BaseNameAndLocaleFromTheSystemLanguageTable) {
  TXmlElement e(L"e");
  e.GetAttributes().ForceString(L"caption", L"Hello");
  TXmlAttribute* de = e.GetAttributes().AddString(L"caption_de", L"Hallo");
  TXmlAttribute* deAt = e.GetAttributes().AddString(L"caption_de-AT", L"Servus");
  EXPECT_EQ(de->GetBaseName(), L"caption");
  EXPECT_EQ(de->GetLocale(), L"de");
  EXPECT_EQ(deAt->GetBaseName(), L"caption");
  EXPECT_EQ(deAt->GetLocale(), L"de-AT");
  TXmlElement lonely(L"lonely");
  TXmlAttribute* alone = lonely.GetAttributes().AddString(L"caption_de", L"Hallo");
  EXPECT_EQ(alone->GetBaseName(), L"caption_de");
  EXPECT_EQ(alone->GetLocale(), L"");
  TXmlAttribute* unknown = e.GetAttributes().AddString(L"caption_qq", L"?");
  EXPECT_EQ(unknown->GetBaseName(), L"caption_qq");
  EXPECT_EQ(unknown->GetLocale(), L"");

  std::wstring base, language, country, variant;
  EXPECT_TRUE(TXmlFile::ParseBundle(L"name_de_DE", base, language, country, variant, L'_', L'_', true));
  EXPECT_EQ(base, L"name");
  EXPECT_EQ(language, L"de");
  EXPECT_EQ(country, L"DE");
  EXPECT_TRUE(TXmlFile::ParseBundle(L"x_fi", base, language, country, variant, L'_', L'-', true));
  EXPECT_EQ(base, L"x");
  // Short names: the character three back is read only where it exists.
  EXPECT_FALSE(TXmlFile::ParseBundle(L"_q", base, language, country, variant, L'_', L'_', true));
  EXPECT_EQ(base, L"_q");
  EXPECT_TRUE(TXmlFile::ParseBundle(L"a_qq", base, language, country, variant, L'_', L'-', false));
  EXPECT_FALSE(TXmlFile::ParseBundle(L"a_qq", base, language, country, variant, L'_', L'-', true));
  EXPECT_FALSE(TXmlFile::ParseBundle(L"plain", base, language, country, variant, L'_', L'-', true));
}

TEST(XmlTypedAttributes, ManyAttributesAreFoundByNameAfterEveryKindOfChange) {
  TXmlElement e(L"e");
  TXmlAttributes& a = e.GetAttributes();
  for (int i = 0; i < 100000; ++i) a.AddInteger(L"a" + std::to_wstring(i), i);  // no quadratic scan
  EXPECT_EQ(a.GetInteger(L"a99999"), 99999);
  EXPECT_THROW(a.AddInteger(L"a5", 0), Rtl::Exception);
  a.GetItems(5)->SetName(L"renamed");
  EXPECT_FALSE(a.DoesExist(L"a5"));
  EXPECT_EQ(a.FindIndex(L"renamed"), 5);
  a.Remove(L"a0");
  EXPECT_EQ(a.FindIndex(L"renamed"), 4);
  a.AddString(L"front", L"f", 0);
  EXPECT_EQ(a.FindIndex(L"renamed"), 5);
  EXPECT_EQ(a.FindIndex(L"front"), 0);
  // Emptied through the base collection and filled again to the same count.
  const int count = a.GetCount();
  a.Clear();
  for (int i = 0; i < count; ++i) a.AddInteger(L"b" + std::to_wstring(i), i);
  EXPECT_EQ(a.FindIndex(L"a7"), -1);
  EXPECT_EQ(a.GetInteger(L"b7"), 7);
  a.Delete(0);
  a.AddInteger(L"b0", 0);
  EXPECT_EQ(a.FindIndex(L"b0"), count - 1);
  TXmlElement copy(L"c");
  copy.GetAttributes().Assign(a);
  EXPECT_EQ(copy.GetAttributes().GetInteger(L"b7"), 7);
}
