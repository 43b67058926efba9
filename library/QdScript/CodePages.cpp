#include "QdScript/CodePages.h"

#include <algorithm>
#include <iterator>

#include "QdScript/Detail.h"
#include "QdScript/Script.h"
#include "QdScript/Scripts.h"
#include "QdScript/Strings.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"
#include "runtime/Text/StringList.h"

namespace Qd {

namespace {

struct TCodePageRow {
  TEncodingCategory Category;
  const wchar_t* Script;
  std::int32_t Value;
  const wchar_t* Codes;  // ';'-separated, the primary name first
  const Rtl::TResStringRec* Name;
  const wchar_t* Language;
};

// The built-in rows in the order they are applied: the Windows, ISO, Mac,
// DOS, EBCDIC and other code pages, then UTF-16, UTF-7, UTF-8 and, last,
// GB18030.
const TCodePageRow CODE_PAGES_C[] = {
    {ecAnsi, L"Latn", 1252, L"windows-1252", &SCodePage1252, L""},
    {ecAnsi, L"Latn", 1250, L"windows-1250", &SCodePage1250, L""},
    {ecAnsi, L"Cyrl", 1251, L"windows-1251", &SCodePage1251, L""},
    {ecAnsi, L"Grek", 1253, L"windows-1253", &SCodePage1253, L"el"},
    {ecAnsi, L"Latn", 1254, L"windows-1254", &SCodePage1254, L"tr"},
    {ecAnsi, L"Hebr", 1255, L"windows-1255", &SCodePage1255, L"he"},
    {ecAnsi, L"Arab", 1256, L"windows-1256", &SCodePage1256, L"ar"},
    {ecAnsi, L"Latn", 1257, L"windows-1257", &SCodePage1257, L""},
    {ecAnsi, L"Latn", 1258, L"windows-1258", &SCodePage1258, L"vi"},
    {ecAnsi, L"Thai", 874, L"windows-874", &SCodePage874, L"th"},
    {ecAnsi, L"Jpan", 932, L"shift_jis;MS_Kanji;csShiftJIS", &SCodePage932, L"ja"},
    {ecAnsi, L"Hans", 936, L"gb2312", &SCodePage936, L"zh"},
    {ecAnsi, L"Kore", 949, L"ks_c_5601-1987", &SCodePage949, L"ko"},
    {ecAnsi, L"Hant", 950, L"big5", &SCodePage950, L"zh-Hant"},
    {ecIso, L"Latn", 28591, L"iso-8859-1;iso-ir-100;ISO_8859-1;latin1;l1;IBM819;CP819;csISOLatin1", &SCodePage28591, L""},
    {ecIso, L"Latn", 28592, L"iso-8859-2", &SCodePage28592, L""},
    {ecIso, L"Latn", 28593, L"iso-8859-3", &SCodePage28593, L""},
    {ecIso, L"Latn", 28594, L"iso-8859-4", &SCodePage28594, L""},
    {ecIso, L"Cyrl", 28595, L"iso-8859-5", &SCodePage28595, L""},
    {ecIso, L"Arab", 28596, L"iso-8859-6", &SCodePage28596, L""},
    {ecIso, L"Grek", 28597, L"iso-8859-7", &SCodePage28597, L""},
    {ecIso, L"Hebr", 28598, L"iso-8859-8", &SCodePage28598, L""},
    {ecIso, L"Latn", 28599, L"iso-8859-9", &SCodePage28599, L""},
    {ecIso, L"Latn", 28603, L"iso-8859-13", &SCodePage28603, L""},
    {ecIso, L"Latn", 28605, L"iso-8859-15", &SCodePage28605, L""},
    {ecIso, L"Hebr", 38598, L"iso-8859-8-i", &SCodePage38598, L""},
    {ecIso, L"Jpan", 50220, L"iso-2022-jp", &SCodePage50220, L""},
    {ecIso, L"Jpan", 50221, L"csISO2022JP", &SCodePage50221, L""},
    {ecIso, L"Jpan", 50222, L"iso-2022-jpX", &SCodePage50222, L""},
    {ecIso, L"Kore", 50225, L"iso-2022-kr", &SCodePage50225, L""},
    {ecIso, L"Hans", 50227, L"iso-2022-cn", &SCodePage50227, L""},
    {ecIso, L"Hant", 50229, L"iso-2022-tw", &SCodePage50229, L""},
    {ecIso, L"Latn", 20269, L"x-cp20269", &SCodePage20269, L""},
    {ecMac, L"Latn", 10000, L"macintosh", &SCodePage10000, L""},
    {ecMac, L"Jpan", 10001, L"x-mac-japanese", &SCodePage10001, L""},
    {ecMac, L"Hant", 10002, L"x-mac-chinesetrad", &SCodePage10002, L""},
    {ecMac, L"Kore", 10003, L"x-mac-korean", &SCodePage10003, L""},
    {ecMac, L"Arab", 10004, L"x-mac-arabic", &SCodePage10004, L""},
    {ecMac, L"Hebr", 10005, L"x-mac-hebrew", &SCodePage10005, L""},
    {ecMac, L"Grek", 10006, L"x-mac-greek", &SCodePage10006, L""},
    {ecMac, L"Cyrl", 10007, L"x-mac-cyrillic", &SCodePage10007, L""},
    {ecMac, L"Hans", 10008, L"x-mac-chinesesimp", &SCodePage10008, L""},
    {ecMac, L"Latn", 10010, L"x-mac-romania", &SCodePage10010, L""},
    {ecMac, L"Cyrl", 10017, L"x-mac-ukraine", &SCodePage10017, L""},
    {ecMac, L"Thai", 10021, L"x-mac-thai", &SCodePage10021, L""},
    {ecMac, L"Latn", 10029, L"x-mac-latin", &SCodePage10029, L""},
    {ecMac, L"Latn", 10079, L"x-mac-icelandic", &SCodePage10079, L""},
    {ecMac, L"Latn", 10081, L"x-mac-turkish", &SCodePage10081, L""},
    {ecMac, L"Latn", 10082, L"x-mac-croatian", &SCodePage10082, L""},
    {ecDos, L"Latn", 437, L"IBM437", &SCodePage437, L""},
    {ecDos, L"Arab", 708, L"ASMO-708", &SCodePage708, L""},
    {ecDos, L"Arab", 720, L"DOS-720", &SCodePage720, L""},
    {ecDos, L"Grek", 737, L"ibm737", &SCodePage737, L""},
    {ecDos, L"Latn", 775, L"ibm775", &SCodePage775, L""},
    {ecDos, L"Latn", 850, L"ibm850", &SCodePage850, L""},
    {ecDos, L"Latn", 852, L"ibm852", &SCodePage852, L""},
    {ecDos, L"Cyrl", 855, L"IBM855", &SCodePage855, L""},
    {ecDos, L"Latn", 857, L"ibm857", &SCodePage857, L""},
    {ecDos, L"Latn", 858, L"IBM00858", &SCodePage858, L""},
    {ecDos, L"Latn", 860, L"IBM860", &SCodePage860, L""},
    {ecDos, L"Latn", 861, L"ibm861", &SCodePage861, L""},
    {ecDos, L"Hebr", 862, L"DOS-862", &SCodePage862, L""},
    {ecDos, L"Latn", 863, L"IBM863", &SCodePage863, L""},
    {ecDos, L"Arab", 864, L"IBM864", &SCodePage864, L""},
    {ecDos, L"Latn", 865, L"IBM865", &SCodePage865, L""},
    {ecDos, L"Cyrl", 866, L"cp866", &SCodePage866, L""},
    {ecDos, L"Grek", 869, L"ibm869", &SCodePage869, L""},
    {ecEbcdic, L"Latn", 37, L"IBM037", &SCodePage37, L""},
    {ecEbcdic, L"Latn", 500, L"IBM500", &SCodePage500, L""},
    {ecEbcdic, L"Latn", 870, L"IBM870", &SCodePage870, L""},
    {ecEbcdic, L"Grek", 875, L"x-Ebcdic-GreekModern", &SCodePage875, L""},
    {ecEbcdic, L"Latn", 1026, L"CP1026", &SCodePage1026, L""},
    {ecEbcdic, L"Latn", 1047, L"ebcdic-1047", &SCodePage1047, L""},
    {ecEbcdic, L"Latn", 1140, L"x-ebcdic-cp-us-euro", &SCodePage1140, L""},
    {ecEbcdic, L"Latn", 1141, L"x-ebcdic-germany-euro", &SCodePage1141, L""},
    {ecEbcdic, L"Latn", 1142, L"x-ebcdic-denmarknorway-euro", &SCodePage1142, L""},
    {ecEbcdic, L"Latn", 1143, L"x-ebcdic-finlandsweden-euro", &SCodePage1143, L""},
    {ecEbcdic, L"Latn", 1144, L"x-ebcdic-italy-euro", &SCodePage1144, L""},
    {ecEbcdic, L"Latn", 1145, L"x-ebcdic-spain-euro", &SCodePage1145, L""},
    {ecEbcdic, L"Latn", 1146, L"x-ebcdic-uk-euro", &SCodePage1146, L""},
    {ecEbcdic, L"Latn", 1147, L"x-ebcdic-france-euro", &SCodePage1147, L""},
    {ecEbcdic, L"Latn", 1148, L"x-ebcdic-international-euro", &SCodePage1148, L""},
    {ecEbcdic, L"Latn", 1149, L"x-ebcdic-icelandic-euro", &SCodePage1149, L""},
    {ecEbcdic, L"Latn", 20273, L"x-Ebcdic-Germany", &SCodePage20273, L""},
    {ecEbcdic, L"Latn", 20277, L"x-Ebcdic-DenmarkNorway", &SCodePage20277, L""},
    {ecEbcdic, L"Latn", 20278, L"x-Ebcdic-FinlandSweden", &SCodePage20278, L""},
    {ecEbcdic, L"Latn", 20280, L"x-Ebcdic-Italy", &SCodePage20280, L""},
    {ecEbcdic, L"Latn", 20284, L"X-Ebcdic-Spain", &SCodePage20284, L""},
    {ecEbcdic, L"Latn", 20285, L"x-Ebcdic-UK", &SCodePage20285, L""},
    {ecEbcdic, L"Jpan", 20290, L"x-Ebcdic-JapaneseKatakana", &SCodePage20290, L""},
    {ecEbcdic, L"Latn", 20297, L"x-Ebcdic-France", &SCodePage20297, L""},
    {ecEbcdic, L"Arab", 20420, L"x-Ebcdic-Arabic", &SCodePage20420, L""},
    {ecEbcdic, L"Grek", 20423, L"x-Ebcdic-Greek", &SCodePage20423, L""},
    {ecEbcdic, L"Hebr", 20424, L"x-Ebcdic-Hebrew", &SCodePage20424, L""},
    {ecEbcdic, L"Kore", 20833, L"x-Ebcdic-KoreanExtended", &SCodePage20833, L""},
    {ecEbcdic, L"Thai", 20838, L"x-Ebcdic-Thai", &SCodePage20838, L""},
    {ecEbcdic, L"Latn", 20871, L"x-Ebcdic-Icelandic", &SCodePage20871, L""},
    {ecEbcdic, L"Cyrl", 20880, L"x-Ebcdic-CyrillicRussian", &SCodePage20880, L""},
    {ecEbcdic, L"Latn", 20905, L"x-Ebcdic-Turkish", &SCodePage20905, L""},
    {ecEbcdic, L"Latn", 20924, L"IBM00924", &SCodePage20924, L""},
    {ecEbcdic, L"Cyrl", 21025, L"x-Ebcdic-CyrillicSerbianBulgarian", &SCodePage21025, L""},
    {ecEbcdic, L"Jpan", 50930, L"x-Ebcdic-JapaneseAndKana", &SCodePage50930, L""},
    {ecEbcdic, L"Jpan", 50931, L"x-Ebcdic-JapaneseAndUSCanada", &SCodePage50931, L""},
    {ecEbcdic, L"Kore", 50933, L"x-Ebcdic-KoreanAndKoreanExtended", &SCodePage50933, L""},
    {ecEbcdic, L"Hans", 50935, L"x-Ebcdic-SimplifiedChinese", &SCodePage50935, L""},
    {ecEbcdic, L"Hant", 50937, L"x-Ebcdic-TraditionalChinese", &SCodePage50937, L""},
    {ecEbcdic, L"Jpan", 50939, L"x-Ebcdic-JapaneseAndJapaneseLatin", &SCodePage50939, L""},
    {ecOther, L"Deva", 57002, L"x-iscii-de", &SCodePage57002, L""},
    {ecOther, L"Beng", 57003, L"x-iscii-be", &SCodePage57003, L""},
    {ecOther, L"Taml", 57004, L"x-iscii-ta", &SCodePage57004, L""},
    {ecOther, L"Telu", 57005, L"x-iscii-te", &SCodePage57005, L""},
    {ecOther, L"Beng", 57006, L"x-iscii-as", &SCodePage57006, L""},
    {ecOther, L"Orya", 57007, L"x-iscii-or", &SCodePage57007, L""},
    {ecOther, L"Knda", 57008, L"x-iscii-ka", &SCodePage57008, L""},
    {ecOther, L"Mlym", 57009, L"x-iscii-ma", &SCodePage57009, L""},
    {ecOther, L"Gujr", 57010, L"x-iscii-gu", &SCodePage57010, L""},
    {ecOther, L"Guru", 57011, L"x-iscii-pa", &SCodePage57011, L""},
    {ecOther, L"Kore", 1361, L"Johab", &SCodePage1361, L""},
    {ecOther, L"Hant", 20000, L"x-Chinese-CNS", &SCodePage20000, L""},
    {ecOther, L"Hant", 20001, L"x-cp20001", &SCodePage20001, L""},
    {ecOther, L"Hant", 20002, L"x-Chinese-Eten", &SCodePage20002, L""},
    {ecOther, L"Hant", 20003, L"x-cp20003", &SCodePage20003, L""},
    {ecOther, L"Hant", 20004, L"x-cp20004", &SCodePage20004, L""},
    {ecOther, L"Hant", 20005, L"x-cp20005", &SCodePage20005, L""},
    {ecOther, L"Latn", 20105, L"x-IA5", &SCodePage20105, L""},
    {ecOther, L"Latn", 20106, L"x-IA5-German", &SCodePage20106, L""},
    {ecOther, L"Latn", 20107, L"x-IA5-Swedish", &SCodePage20107, L""},
    {ecOther, L"Latn", 20108, L"x-IA5-Norwegian", &SCodePage20108, L""},
    {ecOther, L"Latn", 20127, L"us-ascii", &SCodePage20127, L""},
    {ecOther, L"Latn", 20261, L"x-cp20261", &SCodePage20261, L""},
    {ecOther, L"Cyrl", 20866, L"koi8-r", &SCodePage20866, L""},
    {ecOther, L"Jpan", 20932, L"jisx", &SCodePage20932, L""},
    {ecOther, L"Hans", 20936, L"gbk", &SCodePage20936, L""},
    {ecOther, L"Kore", 20949, L"wansung", &SCodePage20949, L""},
    {ecOther, L"Latn", 21027, L"cp21027", &SCodePage21027, L""},
    {ecOther, L"Cyrl", 21866, L"koi8-u", &SCodePage21866, L""},
    {ecOther, L"Jpan", 50932, L"JISAUTO", &SCodePage50932, L""},
    {ecOther, L"Kore", 50949, L"_AutoDetect_kr", &SCodePage50949, L""},
    {ecOther, L"Jpan", 51932, L"euc-jp", &SCodePage51932, L""},
    {ecOther, L"Hans", 51936, L"euc-cn", &SCodePage51936, L""},
    {ecOther, L"Kore", 51949, L"euc-kr", &SCodePage51949, L""},
    {ecOther, L"Hant", 51950, L"euc-tw", &SCodePage51950, L""},
    {ecOther, L"Hans", 52936, L"hz-gb-2312", &SCodePage52936, L""},
    {ecUtf16Le, L"", 1200, L"unicode", &SCodePage1200, L""},
    {ecUtf16Be, L"", 1201, L"unicodeFFFE", &SCodePage1201, L""},
    {ecUtf8, L"", 65000, L"utf-7", &SCodePage65000, L""},
    {ecUtf8, L"", 65001, L"utf-8", &SCodePage65001, L""},
    {ecOther, L"Hans", 54936, L"GB18030", &SCodePage54936, L""},};
static_assert(std::size(CODE_PAGES_C) == 148);

const Rtl::TResStringRec* const CATEGORY_NAMES_C[] = {
    &SCategoryUtf8, &SCategoryUtf16Le, &SCategoryUtf16Be, &SCategoryUtf32Le, &SCategoryUtf32Be, &SCategoryGb18030,
    &SCategoryAnsi, &SCategoryIso,     &SCategoryMac,     &SCategoryDos,     &SCategoryEbcdic,  &SCategoryOther,
};
static_assert(std::size(CATEGORY_NAMES_C) == ecOther + 1);

// `value` without spaces, '-' and '_'.
std::wstring Squeeze(const std::wstring& value) {
  std::wstring result;
  result.reserve(value.size());
  for (wchar_t c : value)
    if (c != L' ' && c != L'-' && c != L'_') result.push_back(c);
  return result;
}

bool InCategories(TEncodingCategories categories, TEncodingCategory category) {
  return categories.IsEmpty() || categories.Contains(category);
}

}  // namespace

// --- TCodePageObject ---------------------------------------------------------

TCodePageObject::TCodePageObject() : FCodes(std::make_unique<Rtl::TStringList>()) {}

TCodePageObject::~TCodePageObject() = default;

const std::wstring& TCodePageObject::GetCodes(int index) const { return (*FCodes)[index]; }

int TCodePageObject::GetCodeCount() const { return FCodes->Count(); }

std::wstring TCodePageObject::GetCode() const { return FCodes->Count() > 0 ? (*FCodes)[0] : std::wstring(); }

void TCodePageObject::SetAllCodes(const std::wstring& value) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = value.find(L';', start);
    FCodes->Add(value.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
}

std::wstring TCodePageObject::GetEncodingCaption() const { return ComposeEncodingCaption(FName, FValue, false); }

int TCodePageObject::Compare(const TQdObject& item) const {
  const std::int32_t other = Rtl::As<TCodePageObject>(item).FValue;
  return FValue < other ? -1 : FValue > other ? 1 : 0;
}

bool TCodePageObject::DoesContainCode(const std::wstring& value) const {
  for (int i = 0; i < FCodes->Count(); ++i)
    if (Rtl::AsciiSameText((*FCodes)[i], value)) return true;
  return false;
}

bool TCodePageObject::DoesContainSimilarCode(const std::wstring& value) const {
  const std::wstring squeezed = Squeeze(value);
  for (int i = 0; i < FCodes->Count(); ++i)
    if (Rtl::AsciiSameText(Squeeze((*FCodes)[i]), squeezed)) return true;
  return false;
}

std::wstring TCodePageObject::ComposeEncodingCaption(const std::wstring& name, std::int32_t codePage, bool bom) {
  if (codePage > 0) return Rtl::Format(L"%s (%d)", {name, codePage});
  return Rtl::Format(Rtl::LoadResString(bom ? SEncodingWithBom : SEncodingWithoutBom), {name});
}

std::wstring TCodePageObject::GetCategoryName(TEncodingCategory value) {
  if (static_cast<unsigned>(value) >= std::size(CATEGORY_NAMES_C)) throw Rtl::Exception(Rtl::SErrorMessage);
  return Rtl::LoadResString(*CATEGORY_NAMES_C[value]);
}

// --- TCodePageDatas: filling ----------------------------------------------------

TCodePageDatas::TCodePageDatas() = default;

TCodePageDatas::~TCodePageDatas() = default;

TCodePageObject& TCodePageDatas::GetItems(int index) const {
  if (index < 0 || index >= GetCount())
    throw Rtl::EListError(Rtl::Format(Rtl::LoadResString(Rtl::SListIndexError), {index}));
  return *FItems[static_cast<std::size_t>(index)];
}

TCodePageObject& TCodePageDatas::FindOrAdd(std::int32_t value) {
  const auto at = std::lower_bound(FItems.begin(), FItems.end(), value,
                                   [](const auto& item, std::int32_t v) { return item->GetValue() < v; });
  if (at != FItems.end() && (*at)->GetValue() == value) return **at;
  auto item = std::make_unique<TCodePageObject>();
  item->SetValue(value);
  return **FItems.insert(at, std::move(item));
}

void TCodePageDatas::Populate() {
  if (!FItems.empty()) return;
  for (const std::int32_t codePage : ScriptDetail::InstalledCodePages()) InitCodePage(codePage, {});
  if (TCodePageConverters* converters = FindCodePageConverters()) {
    for (int i = 0; i < converters->GetCount(); ++i) {
      TCodePageConverter* converter = converters->GetItems(i);
      const TCodePageConverterClass converterClass(converter->ClassType());
      try {
        converter->GetCodePages([this, converterClass](TCodePageConverter&, std::int32_t value, const std::wstring&,
                                                      const std::wstring&) { InitCodePage(value, converterClass); });
      } catch (const Rtl::EAbstractError&) {
        // A converter that only detects code pages converts none.
      }
    }
  }
  for (const TCodePageRow& row : CODE_PAGES_C)
    SetValue(row.Category, row.Script, row.Value, row.Codes, Rtl::LoadResString(*row.Name), row.Language);
}

void TCodePageDatas::InitCodePage(std::int32_t codePage, TCodePageConverterClass converter) {
  if (codePage == 50000) return;
  FindOrAdd(codePage).GetConverters().Add(converter);
}

void TCodePageDatas::SetValue(TEncodingCategory category, const std::wstring& script, std::int32_t value,
                              const std::wstring& codes, const std::wstring& name, const std::wstring& language) {
  TCodePageObject& item = FindOrAdd(value);
  item.SetCategory(category);
  item.SetScript(script);
  item.SetName(name);
  item.SetLanguage(language);
  item.SetAllCodes(codes);
}

void TCodePageDatas::SetAnsi(const std::wstring& script, std::int32_t value, const std::wstring& codes,
                             const std::wstring& name, const std::wstring& language) {
  SetValue(ecAnsi, script, value, codes, name, language);
}

void TCodePageDatas::SetIso(const std::wstring& script, std::int32_t value, const std::wstring& codes,
                            const std::wstring& name, const std::wstring& language) {
  SetValue(ecIso, script, value, codes, name, language);
}

void TCodePageDatas::SetMac(const std::wstring& script, std::int32_t value, const std::wstring& codes,
                            const std::wstring& name, const std::wstring& language) {
  SetValue(ecMac, script, value, codes, name, language);
}

void TCodePageDatas::SetOem(const std::wstring& script, std::int32_t value, const std::wstring& codes,
                            const std::wstring& name, const std::wstring& language) {
  SetValue(ecDos, script, value, codes, name, language);
}

void TCodePageDatas::SetEbcdic(const std::wstring& script, std::int32_t value, const std::wstring& codes,
                               const std::wstring& name, const std::wstring& language) {
  SetValue(ecEbcdic, script, value, codes, name, language);
}

void TCodePageDatas::SetOther(const std::wstring& script, std::int32_t value, const std::wstring& codes,
                              const std::wstring& name, const std::wstring& language) {
  SetValue(ecOther, script, value, codes, name, language);
}

void TCodePageDatas::Clear() { FItems.clear(); }

// --- TCodePageDatas: lookups -----------------------------------------------------

TCodePageObject* TCodePageDatas::GetCodePageData(std::int32_t value) const {
  const auto at = std::lower_bound(FItems.begin(), FItems.end(), value,
                                   [](const auto& item, std::int32_t v) { return item->GetValue() < v; });
  return at != FItems.end() && (*at)->GetValue() == value ? at->get() : nullptr;
}

TCodePageObject* TCodePageDatas::GetCodePageData(const std::wstring& encoding) const {
  if (encoding.empty()) return nullptr;
  for (const auto& item : FItems)
    if (item->DoesContainCode(encoding)) return item.get();
  for (const auto& item : FItems)
    if (item->DoesContainSimilarCode(encoding)) return item.get();
  return nullptr;
}

bool TCodePageDatas::GetCodePageData(const std::wstring& encoding, std::int32_t& codePage) const {
  const TCodePageObject* item = GetCodePageData(encoding);
  codePage = item != nullptr ? item->GetValue() : 0;
  return item != nullptr;
}

std::wstring TCodePageDatas::CodePageToEncoding(std::int32_t value) const {
  const TCodePageObject* item = value != 0 ? GetCodePageData(value) : nullptr;
  return item != nullptr ? item->GetCode() : std::wstring();
}

std::int32_t TCodePageDatas::EncodingToCodePage(const std::wstring& value) const {
  const TCodePageObject* item = GetCodePageData(value);
  return item != nullptr ? item->GetValue() : 0;
}

TEncodingCategory TCodePageDatas::CodePageToEncodingCategory(std::int32_t value) const {
  const TCodePageObject* item = GetCodePageData(value);
  return item != nullptr ? item->GetCategory() : ecOther;
}

std::wstring TCodePageDatas::CodePageToLanguage(std::int32_t value) const {
  const TCodePageObject* item = value != 0 ? GetCodePageData(value) : nullptr;
  return item != nullptr ? item->GetLanguage() : std::wstring();
}

std::wstring TCodePageDatas::CodePageToScript(std::int32_t codePage) const {
  const TCodePageObject* item = codePage != 0 ? GetCodePageData(codePage) : nullptr;
  return item != nullptr ? item->GetScript() : std::wstring();
}

TEncodingCategory TCodePageDatas::EncodingStringToEncodingCategory(const std::wstring& value) const {
  using Rtl::AsciiSameText;
  if (AsciiSameText(value, L"utf-8")) return ecUtf8;
  if (AsciiSameText(value, L"utf-16") || AsciiSameText(value, L"unicode") ||
      AsciiSameText(value, L"ISO-10646-UCS-2") || AsciiSameText(value, L"ucs-2"))
    return ecUtf16Le;
  if (AsciiSameText(value, L"unicodeFFFE")) return ecUtf16Be;
  if (AsciiSameText(value, L"UTF-32LE")) return ecUtf32Le;
  if (AsciiSameText(value, L"UTF-32BE")) return ecUtf32Be;
  if (AsciiSameText(value, L"GB18030")) return ecGb18030;
  const TCodePageObject* item = GetCodePageData(value);
  return item != nullptr ? item->GetCategory() : ecOther;
}

bool TCodePageDatas::IsBomEncoding(const std::wstring& value) {
  static const wchar_t* const BOM_ENCODINGS_C[] = {L"utf-8",    L"unicode", L"unicodeFFFE",
                                                   L"UTF-32LE", L"UTF-32BE", L"GB18030",
                                                   L"utf-16",   L"ISO-10646-UCS-2", L"ucs-2"};
  for (const wchar_t* encoding : BOM_ENCODINGS_C)
    if (Rtl::AsciiSameText(value, encoding)) return true;
  return false;
}

const TCodePageConverterClasses* TCodePageDatas::GetConverters(std::int32_t codePage) const {
  const TCodePageObject* item = GetCodePageData(codePage);
  return item != nullptr ? &item->GetConverters() : nullptr;
}

TCodePageConverterClass TCodePageDatas::GetConverter(std::int32_t codePage) const {
  if (const TCodePageConverterClasses* converters = GetConverters(codePage))
    for (int i = 0; i < converters->GetCount(); ++i)
      if (const TCodePageConverterClass converter = converters->GetItems(i)) return converter;
  return {};
}

int TCodePageDatas::GetCodePages(std::vector<TCodePageObject*>& codePageDatas, const TScripts& scripts,
                                 TEncodingCategories categories, bool onlySupported) const {
  const bool anyScript = scripts.GetValue().empty();
  int count = 0;
  for (int category = ecUtf8; category <= ecOther; ++category) {
    if (!InCategories(categories, static_cast<TEncodingCategory>(category))) continue;
    for (const auto& item : FItems) {
      if (item->GetCategory() != category || item->GetName().empty()) continue;
      if (!anyScript && (item->GetScript().empty() || !scripts.Exists(item->GetScript()))) continue;
      if (onlySupported && item->GetConverters().GetCount() == 0) continue;
      codePageDatas.push_back(item.get());
      ++count;
    }
  }
  return count;
}

std::int32_t TCodePageDatas::GetDefaultAnsiCodePage(const std::wstring& language) {
  static const wchar_t* const CENTRAL_EUROPE_C[] = {L"pl", L"cs", L"sk", L"hu", L"sl",
                                                    L"hr", L"bs", L"cnr", L"sq"};
  for (const wchar_t* code : CENTRAL_EUROPE_C)
    if (language == code) return 1250;
  if (language == L"et" || language == L"lv" || language == L"lt") return 1257;
  if (language == L"tr") return 1254;
  return 1252;
}

std::int32_t TCodePageDatas::ScriptToCodePage(const std::wstring& language, const std::wstring& script,
                                              TEncodingCategories categories) const {
  const std::int32_t preferred = GetDefaultAnsiCodePage(language);
  std::int32_t lowest = 0;
  for (const auto& item : FItems) {
    if (item->GetScript() != script || !InCategories(categories, item->GetCategory())) continue;
    if (item->GetValue() == preferred) return preferred;
    if (lowest == 0) lowest = item->GetValue();  // the items ascend
  }
  return lowest;
}

std::int32_t TCodePageDatas::ScriptToAnsiCodePage(const std::wstring& language, const std::wstring& script) const {
  return ScriptToCodePage(language, script, {ecAnsi});
}

bool TCodePageDatas::DoesScriptHasAnsiCodePage(const std::wstring& script) const {
  return std::any_of(FItems.begin(), FItems.end(),
                     [&](const auto& item) { return item->GetCategory() == ecAnsi && item->GetScript() == script; });
}

std::wstring TCodePageDatas::GetDefaultEncodingFromScript(const std::wstring& script,
                                                          TEncodingCategories categories) const {
  for (const auto& item : FItems)
    if (item->GetScript() == script && InCategories(categories, item->GetCategory())) return item->GetCode();
  return {};
}

std::wstring TCodePageDatas::GetCodepageName(std::int32_t value) const {
  const TCodePageObject* item = GetCodePageData(value);
  return item != nullptr ? FormatCodepageName(item->GetName(), value) : std::wstring();
}

std::wstring TCodePageDatas::FormatCodepageName(const std::wstring& name, std::int32_t value) {
  return Rtl::Format(L"%s - %d", {name, value});
}

}  // namespace Qd

// --- The Unicode encodings -------------------------------------------------------

namespace Qd {

namespace {

struct TUnicodeRow {
  const wchar_t* Code;
  const Rtl::TResStringRec* Name;
  TEncodingCategory Category;
};

const TUnicodeRow UNICODE_ENCODINGS_C[] = {
    {L"utf-8", &SUnicodeUtf8, ecUtf8},          {L"unicode", &SUnicodeUtf16Le, ecUtf16Le},
    {L"unicodeFFFE", &SUnicodeUtf16Be, ecUtf16Be}, {L"UTF-32LE", &SUnicodeUtf32Le, ecUtf32Le},
    {L"UTF-32BE", &SUnicodeUtf32Be, ecUtf32Be},  {L"GB18030", &SUnicodeGb18030, ecGb18030},
};

TEncodingData ToData(const TUnicodeRow& row) { return {row.Code, Rtl::LoadResString(*row.Name), row.Category}; }

}  // namespace

int TScript::GetUnicodeCount() { return static_cast<int>(std::size(UNICODE_ENCODINGS_C)); }

TEncodingData TScript::GetUnicodeData(int index) {
  if (index < 0 || index >= GetUnicodeCount()) throw Rtl::Exception(Rtl::SErrorMessage);
  return ToData(UNICODE_ENCODINGS_C[index]);
}

bool TScript::GetUnicodeData(const std::wstring& encoding, TEncodingData& data) {
  for (const TUnicodeRow& row : UNICODE_ENCODINGS_C)
    if (encoding == row.Code) {
      data = ToData(row);
      return true;
    }
  return false;
}

bool TScript::IsUnicodeEncoding(const std::wstring& encoding) {
  return std::any_of(std::begin(UNICODE_ENCODINGS_C), std::end(UNICODE_ENCODINGS_C),
                     [&](const TUnicodeRow& row) { return Rtl::AsciiSameText(encoding, row.Code); });
}

TEncodingData TScript::FindUnicodeData(TEncodingCategory category) {
  for (const TUnicodeRow& row : UNICODE_ENCODINGS_C)
    if (row.Category == category) return ToData(row);
  return ToData(UNICODE_ENCODINGS_C[0]);
}

bool TScript::GetEncodingData(const std::wstring& encoding, TEncodingData& data) {
  const TCodePageDatas* datas = FindCodePageDatas();
  if (const TCodePageObject* item = datas != nullptr ? datas->GetCodePageData(encoding) : nullptr) {
    data = CodePageDataToEncodingData(*item);
    return true;
  }
  return GetUnicodeData(encoding, data);
}

TEncodingData TScript::CodePageDataToEncodingData(const TCodePageObject& codePage) {
  return {codePage.GetCode(), codePage.GetName(), codePage.GetCategory()};
}

TEncodingCategories TScript::GetAllEncodingCategories() { return TEncodingCategories::Range(ecUtf8, ecOther); }

}  // namespace Qd
