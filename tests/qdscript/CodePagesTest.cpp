// The code-page table: its built-in rows after start-up, the lookups by
// number and by name, the listings, captions and the Unicode encodings; and
// the answers of a fresh, empty table.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "QdScript.h"
#include "QdString.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"

using namespace Qd;

namespace {

std::vector<TCodePageObject*> Listed(const TScripts& scripts, TEncodingCategories categories, bool onlySupported) {
  std::vector<TCodePageObject*> items;
  const int count = CodePageDatas().GetCodePages(items, scripts, categories, onlySupported);
  EXPECT_EQ(count, static_cast<int>(items.size()));
  return items;
}

}  // namespace

TEST(CodePageTable, StartUpFillsTheRowsWithTheirCategoriesCodesAndNames) {
  const TCodePageDatas& datas = CodePageDatas();
  std::map<TEncodingCategory, int> perCategory;
  std::set<std::int32_t> numbers;
  int named = 0;
  for (int i = 0; i < datas.GetCount(); ++i) {
    const TCodePageObject& item = datas.GetItems(i);
    if (i > 0) {
      EXPECT_LT(datas.GetItems(i - 1).GetValue(), item.GetValue());  // sorted, no duplicates
    }
    if (item.GetName().empty()) continue;
    ++named;
    ++perCategory[item.GetCategory()];
    EXPECT_FALSE(item.GetCode().empty()) << item.GetValue();
  }
  EXPECT_EQ(named, 148);
  EXPECT_EQ(perCategory[ecUtf8], 2);
  EXPECT_EQ(perCategory[ecUtf16Le], 1);
  EXPECT_EQ(perCategory[ecUtf16Be], 1);
  EXPECT_EQ(perCategory[ecAnsi], 14);
  EXPECT_EQ(perCategory[ecIso], 19);
  EXPECT_EQ(perCategory[ecMac], 16);
  EXPECT_EQ(perCategory[ecDos], 18);
  EXPECT_EQ(perCategory[ecEbcdic], 40);
  EXPECT_EQ(perCategory[ecOther], 37);
  EXPECT_EQ(perCategory.count(ecUtf32Le) + perCategory.count(ecGb18030), 0u);

  const TCodePageObject* latin1 = datas.GetCodePageData(28591);
  ASSERT_NE(latin1, nullptr);
  EXPECT_EQ(latin1->GetCodeCount(), 8);
  EXPECT_EQ(latin1->GetCodes(0), L"iso-8859-1");
  EXPECT_EQ(latin1->GetCodes(7), L"csISOLatin1");
  EXPECT_EQ(latin1->GetName(), L"ISO 8859-1 Latin 1");
  EXPECT_EQ(latin1->GetScript(), L"Latn");
  const TCodePageObject* japanese = datas.GetCodePageData(932);
  ASSERT_NE(japanese, nullptr);
  EXPECT_EQ(japanese->GetCodeCount(), 3);
  EXPECT_EQ(japanese->GetCodes(1), L"MS_Kanji");
  EXPECT_EQ(japanese->GetLanguage(), L"ja");
  EXPECT_EQ(japanese->GetEncodingCaption(), L"Windows Japanese, Shift-JIS (932)");
  EXPECT_EQ(datas.GetCodePageData(20932)->GetName(), L"JIS X 0208-1990 & 0212-1990");
  EXPECT_EQ(datas.GetCodePageData(950)->GetLanguage(), L"zh-Hant");
  EXPECT_EQ(datas.GetCodePageData(1200)->GetCategory(), ecUtf16Le);
  EXPECT_EQ(datas.GetCodePageData(1201)->GetCode(), L"unicodeFFFE");
  EXPECT_EQ(datas.GetCodePageData(65000)->GetCategory(), ecUtf8);
  // Only the Windows code pages belong to a language.
  for (int i = 0; i < datas.GetCount(); ++i) {
    const TCodePageObject& item = datas.GetItems(i);
    if (item.GetCategory() != ecAnsi) {
      EXPECT_TRUE(item.GetLanguage().empty()) << item.GetValue();
    }
  }
  // Code page 50000 never gets a row of its own.
  EXPECT_EQ(datas.GetCodePageData(50000), nullptr);
}

TEST(CodePageTable, LookupsByNumberAndByName) {
  const TCodePageDatas& datas = CodePageDatas();
  EXPECT_EQ(datas.CodePageToEncoding(932), L"shift_jis");
  EXPECT_EQ(datas.CodePageToEncoding(0), L"");
  EXPECT_EQ(datas.CodePageToEncoding(12345), L"");
  EXPECT_EQ(datas.EncodingToCodePage(L"csShiftJIS"), 932);
  EXPECT_EQ(datas.EncodingToCodePage(L"CSSHIFTJIS"), 932);
  // The similar-code rule: spaces, '-' and '_' don't count.
  EXPECT_EQ(datas.EncodingToCodePage(L"ISO8859_1"), 28591);
  EXPECT_EQ(datas.EncodingToCodePage(L"latin-1"), 28591);
  EXPECT_EQ(datas.EncodingToCodePage(L"ISO 8859 1"), 28591);
  EXPECT_EQ(datas.EncodingToCodePage(L"UTF8"), 65001);
  EXPECT_EQ(datas.EncodingToCodePage(L"windows-1252"), 1252);
  EXPECT_EQ(datas.EncodingToCodePage(L"no-such-encoding"), 0);
  EXPECT_EQ(datas.EncodingToCodePage(L""), 0);
  std::int32_t codePage = -1;
  EXPECT_TRUE(datas.GetCodePageData(L"KOI8-R", codePage));
  EXPECT_EQ(codePage, 20866);
  EXPECT_FALSE(datas.GetCodePageData(L"koi9", codePage));
  EXPECT_EQ(codePage, 0);

  EXPECT_EQ(datas.CodePageToEncodingCategory(54936), ecOther);
  EXPECT_EQ(datas.CodePageToEncoding(54936), L"GB18030");
  EXPECT_EQ(datas.CodePageToEncodingCategory(99999), ecOther);
  EXPECT_EQ(datas.CodePageToEncodingCategory(437), ecDos);
  EXPECT_EQ(datas.CodePageToLanguage(1254), L"tr");
  EXPECT_EQ(datas.CodePageToLanguage(28599), L"");
  EXPECT_EQ(datas.CodePageToScript(1251), L"Cyrl");
  EXPECT_EQ(datas.CodePageToScript(0), L"");

  EXPECT_EQ(datas.EncodingStringToEncodingCategory(L"UCS-2"), ecUtf16Le);
  EXPECT_EQ(datas.EncodingStringToEncodingCategory(L"utf-16"), ecUtf16Le);
  EXPECT_EQ(datas.EncodingStringToEncodingCategory(L"UNICODEfffe"), ecUtf16Be);
  EXPECT_EQ(datas.EncodingStringToEncodingCategory(L"utf-32be"), ecUtf32Be);
  EXPECT_EQ(datas.EncodingStringToEncodingCategory(L"gb18030"), ecGb18030);
  EXPECT_EQ(datas.EncodingStringToEncodingCategory(L"big5"), ecAnsi);
  EXPECT_EQ(datas.EncodingStringToEncodingCategory(L"x-mac-thai"), ecMac);
  EXPECT_EQ(datas.EncodingStringToEncodingCategory(L"nonsense"), ecOther);
  EXPECT_TRUE(TCodePageDatas::IsBomEncoding(L"ISO-10646-UCS-2"));
  EXPECT_TRUE(TCodePageDatas::IsBomEncoding(L"Utf-8"));
  EXPECT_FALSE(TCodePageDatas::IsBomEncoding(L"windows-1252"));
}

TEST(CodePageTable, ScriptsAndDefaultCodePages) {
  const TCodePageDatas& datas = CodePageDatas();
  EXPECT_EQ(datas.ScriptToAnsiCodePage(L"pl", L"Latn"), 1250);
  EXPECT_EQ(datas.ScriptToAnsiCodePage(L"en", L"Latn"), 1252);
  EXPECT_EQ(datas.ScriptToAnsiCodePage(L"lt", L"Latn"), 1257);
  EXPECT_EQ(datas.ScriptToAnsiCodePage(L"ru", L"Cyrl"), 1251);
  EXPECT_EQ(datas.ScriptToAnsiCodePage(L"hi", L"Deva"), 0);
  // Not the language's default: the lowest number of the script.
  EXPECT_EQ(datas.ScriptToCodePage(L"el", L"Grek", {ecDos}), 737);
  EXPECT_EQ(datas.ScriptToCodePage(L"el", L"Grek", {}), 737);
  EXPECT_TRUE(datas.DoesScriptHasAnsiCodePage(L"Thai"));
  EXPECT_FALSE(datas.DoesScriptHasAnsiCodePage(L"Deva"));
  EXPECT_EQ(datas.GetDefaultEncodingFromScript(L"Deva", {}), L"x-iscii-de");
  EXPECT_EQ(datas.GetDefaultEncodingFromScript(L"Cyrl", {ecMac}), L"x-mac-cyrillic");
  EXPECT_EQ(datas.GetDefaultEncodingFromScript(L"Zzzz", {}), L"");
  EXPECT_EQ(TCodePageDatas::GetDefaultAnsiCodePage(L"cnr"), 1250);
  EXPECT_EQ(TCodePageDatas::GetDefaultAnsiCodePage(L"PL"), 1252);  // exact comparison
}

TEST(CodePageTable, ListingsFilterByCategoryScriptAndSupport) {
  const auto all = Listed(TScripts(), {}, false);
  EXPECT_EQ(all.size(), 148u);
  // Category by category in enumeration order, ascending within one.
  for (std::size_t i = 1; i < all.size(); ++i) {
    const auto a = all[i - 1], b = all[i];
    EXPECT_TRUE(a->GetCategory() < b->GetCategory() ||
                (a->GetCategory() == b->GetCategory() && a->GetValue() < b->GetValue()));
  }
  EXPECT_EQ(Listed(TScripts(), {ecAnsi}, false).size(), 14u);
  EXPECT_EQ(Listed(TScripts(), {ecEbcdic, ecMac}, false).size(), 56u);
  TScripts cyrillic;
  cyrillic.Add(L"Cyrl");
  const auto cyrl = Listed(cyrillic, {}, false);
  EXPECT_EQ(cyrl.size(), 10u);  // 1251, 28595, 10007, 10017, 855, 866, 20880, 21025, 20866, 21866
  for (const auto* item : cyrl) EXPECT_EQ(item->GetScript(), L"Cyrl");
  // A row without a script never matches a non-empty script set.
  for (const auto* item : Listed(cyrillic, {ecUtf8}, false)) ADD_FAILURE() << item->GetValue();
  // Appends to what the list holds.
  std::vector<TCodePageObject*> items(3, nullptr);
  EXPECT_EQ(CodePageDatas().GetCodePages(items, TScripts(), {ecUtf16Le}, false), 1);
  EXPECT_EQ(items.size(), 4u);
}

TEST(CodePageTable, WineConvertsSeventyCodePagesAndTheLibraryGb18030_Wine) {
  const auto supported = Listed(TScripts(), {}, true);
  std::set<std::int32_t> numbers;
  for (const auto* item : supported) numbers.insert(item->GetValue());
  // The installed code pages and the library's converter of 54936; 65000
  // and 65001 convert but aren't listed as installed.
  EXPECT_TRUE(numbers.count(1252) && numbers.count(932) && numbers.count(54936));
  EXPECT_EQ(supported.size(), 69u);  // the 68 installed ones and 54936
  // Wine lists 68 installed code pages, each recorded with the system's
  // (empty) entry.
  int installed = 0;
  for (int i = 0; i < CodePageDatas().GetCount(); ++i)
    if (CodePageDatas().GetItems(i).GetConverters().Exists({})) ++installed;
  EXPECT_EQ(installed, 68);
  EXPECT_FALSE(numbers.count(65001));
  EXPECT_FALSE(numbers.count(50220));
  const TCodePageConverterClass converter = CodePageDatas().GetConverter(54936);
  ASSERT_TRUE(converter);
  EXPECT_EQ(converter.Get(), &TGb18030Converter::ClassInfo);
  EXPECT_FALSE(CodePageDatas().GetConverter(1252));
  ASSERT_NE(CodePageDatas().GetConverters(1252), nullptr);
  EXPECT_EQ(CodePageDatas().GetConverters(1252)->GetCount(), 1);  // the system's empty entry
  EXPECT_EQ(CodePageDatas().GetConverters(99999), nullptr);
}

TEST(CodePageTable, CaptionsAndCategoryNames) {
  EXPECT_EQ(TCodePageObject::ComposeEncodingCaption(L"UTF-8", 0, true), L"UTF-8, with BOM");
  EXPECT_EQ(TCodePageObject::ComposeEncodingCaption(L"UTF-8", 0, false), L"UTF-8, without BOM");
  EXPECT_EQ(TCodePageObject::ComposeEncodingCaption(L"UTF-8", 65001, true), L"UTF-8 (65001)");
  EXPECT_EQ(CodePageDatas().GetCodepageName(1252), L"Windows Western Europe - 1252");
  EXPECT_EQ(CodePageDatas().GetCodepageName(4711), L"");
  EXPECT_EQ(TCodePageDatas::FormatCodepageName(L"X", 7), L"X - 7");
  EXPECT_EQ(TCodePageObject::GetCategoryName(ecUtf16Be), L"UTF-16, big-endian");
  EXPECT_EQ(TCodePageObject::GetCategoryName(ecEbcdic), L"EBCDIC code page");
  EXPECT_EQ(TCodePageObject::GetCategoryName(ecOther), L"Other code page");
  try {
    TCodePageObject::GetCategoryName(static_cast<TEncodingCategory>(12));
    FAIL() << "no exception";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"Error Message");
  }
}

TEST(CodePageTable, AFreshTableAnswersAsForUnknownCodePages) {
  TCodePageDatas datas;
  EXPECT_EQ(datas.GetCount(), 0);
  EXPECT_EQ(datas.CodePageToEncoding(1252), L"");
  EXPECT_EQ(datas.EncodingToCodePage(L"utf-8"), 0);
  EXPECT_EQ(datas.CodePageToEncodingCategory(1252), ecOther);
  EXPECT_EQ(datas.EncodingStringToEncodingCategory(L"UTF-8"), ecUtf8);
  EXPECT_EQ(datas.CodePageToScript(1252), L"");
  EXPECT_EQ(datas.ScriptToAnsiCodePage(L"en", L"Latn"), 0);
  EXPECT_FALSE(datas.GetConverter(54936));
  EXPECT_EQ(datas.GetCodepageName(1252), L"");

  datas.InitCodePage(50000, {});
  EXPECT_EQ(datas.GetCount(), 0);
  datas.InitCodePage(437, {});
  datas.InitCodePage(437, {});
  datas.InitCodePage(437, TCodePageConverterClass(TGb18030Converter::ClassInfo));
  ASSERT_EQ(datas.GetCount(), 1);
  EXPECT_EQ(datas.GetItems(0).GetConverters().GetCount(), 2);  // each class once
  EXPECT_EQ(datas.GetItems(0).GetCategory(), ecUtf8);           // no row yet: the zero value
  // Populate fills only an empty table.
  datas.Populate();
  EXPECT_EQ(datas.GetCount(), 1);
  datas.Clear();
  datas.Populate();
  EXPECT_EQ(datas.GetCount(), CodePageDatas().GetCount());
  // Rows complete what is there; codes are appended, empty items included.
  datas.SetOem(L"Latn", 437, L"cp437;;x", L"Other name", L"");
  EXPECT_EQ(datas.GetCodePageData(437)->GetCodeCount(), 4);
  EXPECT_EQ(datas.GetCodePageData(437)->GetName(), L"Other name");
}

TEST(UnicodeEncodings, TheSixEntries) {
  ASSERT_EQ(TScript::GetUnicodeCount(), 6);
  EXPECT_EQ(TScript::GetUnicodeData(0).Code, L"utf-8");
  EXPECT_EQ(TScript::GetUnicodeData(1).Name, L"UTF-16, little-endian");
  EXPECT_EQ(TScript::GetUnicodeData(4).Category, ecUtf32Be);
  EXPECT_EQ(TScript::GetUnicodeData(5).Code, L"GB18030");
  EXPECT_THROW(TScript::GetUnicodeData(6), Rtl::Exception);
  TEncodingData data;
  EXPECT_TRUE(TScript::GetUnicodeData(L"UTF-32LE", data));
  EXPECT_EQ(data.Category, ecUtf32Le);
  EXPECT_FALSE(TScript::GetUnicodeData(L"utf-32le", data));  // exact
  EXPECT_TRUE(TScript::IsUnicodeEncoding(L"utf-32le"));
  EXPECT_FALSE(TScript::IsUnicodeEncoding(L"utf-16"));
  EXPECT_EQ(TScript::FindUnicodeData(ecGb18030).Code, L"GB18030");
  EXPECT_EQ(TScript::FindUnicodeData(ecAnsi).Code, L"utf-8");
  // The table first: its primary name and display name.
  EXPECT_TRUE(TScript::GetEncodingData(L"latin1", data));
  EXPECT_EQ(data.Code, L"iso-8859-1");
  EXPECT_EQ(data.Name, L"ISO 8859-1 Latin 1");
  EXPECT_EQ(data.Category, ecIso);
  EXPECT_TRUE(TScript::GetEncodingData(L"UTF-32BE", data));
  EXPECT_EQ(data.Name, L"UTF-32, big-endian");
  EXPECT_FALSE(TScript::GetEncodingData(L"nonsense", data));
  EXPECT_EQ(TScript::GetAllEncodingCategories().Count(), 12);
}
