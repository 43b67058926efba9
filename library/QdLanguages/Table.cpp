// The system language table: list maintenance, lookups, numeric
// identifiers and code pages.
#include <algorithm>
#include <string>

#include "QdLanguages/Detail.h"
#include "QdLanguages/SystemLanguages.h"
#include "QdLanguages/Strings.h"
#include "QdScript/CodePages.h"
#include "QdString/UnicodeString.h"
#include "QdWindows.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace {

bool IsOneOf(const std::wstring& value, std::initializer_list<const wchar_t*> items) {
  for (const wchar_t* item : items)
    if (value == item) return true;
  return false;
}

}  // namespace

TSystemLanguages::TSystemLanguages() = default;

TSystemLanguages::~TSystemLanguages() { LanguagesDetail::NoteEntriesRemoved(); }

TSystemLanguage& TSystemLanguages::GetItems(int index) const {
  if (index < 0 || index >= GetCount())
    throw Rtl::EListError(Rtl::Format(Rtl::LoadResString(Rtl::SListIndexError), {index}));
  return *FItems[static_cast<std::size_t>(index)];
}

TSystemLanguage& TSystemLanguages::Add(std::unique_ptr<TSystemLanguage> value) {
  FItems.push_back(std::move(value));
  return *FItems.back();
}

void TSystemLanguages::Remove(const TSystemLanguage* value) {
  const auto i = std::find_if(FItems.begin(), FItems.end(), [value](const auto& p) { return p.get() == value; });
  if (i == FItems.end()) return;
  FItems.erase(i);
  LanguagesDetail::NoteEntriesRemoved();
}

void TSystemLanguages::Delete(int index) {
  GetItems(index);
  FItems.erase(FItems.begin() + index);
  LanguagesDetail::NoteEntriesRemoved();
}

void TSystemLanguages::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(), [](const auto& a, const auto& b) { return a->Compare(*b) < 0; });
}

// --- Finding ------------------------------------------------------------------

TSystemLanguage* TSystemLanguages::Find(const std::wstring& language, const std::wstring& script) const {
  for (const auto& item : FItems)
    if (Rtl::AsciiSameText(item->GetId(), language) &&
        (script.empty() || Rtl::AsciiSameText(item->GetScript(), script)))
      return item.get();
  return nullptr;
}

TSystemLanguage* TSystemLanguages::Find(std::int32_t primary, std::int32_t sub) const {
  for (const auto& item : FItems)
    if (item->GetPrimary() == primary && item->Find(sub) != nullptr) return item.get();
  return nullptr;
}

TSystemLanguage* TSystemLanguages::FindLanguage(const std::wstring& id) const {
  std::wstring language, script, country;
  ParseId(id, language, script, country);
  return Find(language, script);
}

bool TSystemLanguages::FindId(const std::wstring& id, TSystemLanguage*& language, TSystemVariant*& variant,
                              TSystemCountry*& country) const {
  std::wstring languageCode, script, countryCode, variantCode;
  ParseId(id, languageCode, script, countryCode, variantCode);
  language = Find(languageCode, script);
  country = nullptr;
  variant = nullptr;
  if (language == nullptr) return false;
  if (!countryCode.empty()) {
    country = language->Find(countryCode);
    if (country != nullptr && !variantCode.empty()) variant = country->Find(variantCode);
  } else if (!variantCode.empty()) {
    variant = language->FindVariant(variantCode);
  }
  return true;
}

TSystemLocale* TSystemLanguages::FindId(const std::wstring& id) const {
  TSystemLanguage* language = nullptr;
  TSystemVariant* variant = nullptr;
  TSystemCountry* country = nullptr;
  if (!FindId(id, language, variant, country)) return nullptr;
  std::wstring languageCode, script, countryCode, variantCode;
  ParseId(id, languageCode, script, countryCode, variantCode);
  if (!countryCode.empty()) {
    if (country == nullptr) return nullptr;
    if (variant != nullptr) return variant;
    return country;
  }
  return language;
}

TSystemCountry* TSystemLanguages::FindCountry(const std::wstring& language, const std::wstring& script,
                                              const std::wstring& country) const {
  const TSystemLanguage* item = Find(language, script);
  return item != nullptr ? item->Find(country) : nullptr;
}

TSystemVariant* TSystemLanguages::FindVariant(const std::wstring& language, const std::wstring& script,
                                              const std::wstring& variant, const std::wstring& country) const {
  const TSystemLanguage* item = Find(language, script);
  if (item == nullptr) return nullptr;
  if (country.empty()) return item->FindVariant(variant);
  const TSystemCountry* countryItem = item->Find(country);
  return countryItem != nullptr ? countryItem->Find(variant) : nullptr;
}

bool TSystemLanguages::IsLanguageKnown(const std::wstring& language) const {
  return !language.empty() && Find(language, L"") != nullptr;
}

bool TSystemLanguages::IsCountryKnown(const std::wstring& language, const std::wstring& script,
                                      const std::wstring& country) const {
  const TSystemLanguage* item = Find(language, script);
  return item != nullptr && (country.empty() || item->Find(country) != nullptr);
}

bool TSystemLanguages::IsVariantKnown(const std::wstring& language, const std::wstring& script,
                                      const std::wstring& variant, const std::wstring& country) const {
  if (!IsCountryKnown(language, script, country)) return false;
  return variant.empty() || FindVariant(language, script, variant, country) != nullptr;
}

bool TSystemLanguages::IsIdKnown(const std::wstring& id) const {
  std::wstring language, script, country, variant;
  ParseId(id, language, script, country, variant);
  return IsVariantKnown(language, script, variant, country);
}

bool TSystemLanguages::IsCountryKnownNoScript(const std::wstring& language, const std::wstring& country) const {
  for (const auto& item : FItems)
    if (Rtl::AsciiSameText(item->GetId(), language) && (country.empty() || item->Find(country) != nullptr))
      return true;
  return false;
}

std::wstring TSystemLanguages::GetScripts(const std::wstring& language) const {
  std::wstring result;
  bool first = true;
  for (const auto& item : FItems)
    if (item->GetId() == language) {
      if (!first) result += L';';
      result += item->GetScript();
      first = false;
    }
  return result;
}

int TSystemLanguages::GetScriptCount(const std::wstring& language) const {
  int count = 0;
  for (const auto& item : FItems)
    if (item->GetId() == language) ++count;
  return count;
}

bool TSystemLanguages::UseScript(const std::wstring& language) const {
  const TSystemLanguage* item = Find(language, L"");
  return item != nullptr && item->GetUseScript();
}

std::wstring TSystemLanguages::GetDefaultCountry(const std::wstring& language, const std::wstring& script) const {
  static const wchar_t* const FIXED_C[][2] = {{L"en", L"US"}, {L"af", L"ZA"}, {L"pt", L"BR"}, {L"es", L"ES"},
                                              {L"fr", L"FR"}, {L"de", L"DE"}, {L"nl", L"NL"}, {L"sv", L"SE"},
                                              {L"it", L"IT"}, {L"ru", L"RU"}};
  for (const auto& row : FIXED_C)
    if (Rtl::AsciiSameText(language, row[0])) return row[1];
  return GetFirstCountry(language, script);
}

std::wstring TSystemLanguages::GetFirstCountry(const std::wstring& language, const std::wstring& script) const {
  const TSystemLanguage* item = Find(language, script);
  return item != nullptr && !item->GetCountries().empty() ? item->GetCountries().front()->GetId() : L"";
}

std::wstring TSystemLanguages::EnglishNameToId(const std::wstring& name) const {
  for (const auto& item : FItems)
    if (Rtl::AsciiSameText(item->GetEnglishName(), name)) return item->GetId();
  for (const auto& item : FItems)
    for (const auto& country : item->GetCountries())
      if (Rtl::AsciiSameText(country->GetEnglishName(), name)) return country->GetFullId();
  return L"";
}

std::wstring TSystemLanguages::DisplayNameToId(const std::wstring& value) const {
  for (const auto& item : FItems)
    if (Rtl::AsciiSameText(item->GetDisplayName(), value)) return item->GetFullId();
  for (const auto& item : FItems)
    for (const auto& country : item->GetCountries())
      if (Rtl::AsciiSameText(country->GetDisplayName(), value)) return country->GetFullId();
  return L"";
}

std::wstring TSystemLanguages::WindowsCodeToId(const std::wstring& code) const {
  for (const auto& item : FItems)
    if (Rtl::AsciiSameText(item->GetWindowsCode(), code)) return item->GetId();
  if (code.size() < 2) return L"";
  const std::wstring prefix = code.substr(0, 2);
  for (const auto& item : FItems)
    if (item->GetWindowsCode().size() >= 2 && Rtl::AsciiSameText(item->GetWindowsCode().substr(0, 2), prefix))
      for (const auto& country : item->GetCountries())
        if (Rtl::AsciiSameText(country->GetWindowsCode(), code)) return country->GetFullId();
  return L"";
}

std::wstring TSystemLanguages::GetLanguageName(const std::wstring& language, const std::wstring& script) const {
  TSystemLanguage* item = Find(language, script);
  return item != nullptr ? item->GetDisplayName() : L"";
}

std::wstring TSystemLanguages::GetLanguageName(const std::wstring& id) const {
  std::wstring language, script, country;
  ParseId(id, language, script, country);
  return GetLanguageName(language, script);
}

std::wstring TSystemLanguages::GetCountryName(const std::wstring& language, const std::wstring& script,
                                              const std::wstring& country) const {
  TSystemCountry* item = FindCountry(language, script, country);
  return item != nullptr ? item->GetDisplayName() : L"";
}

std::wstring TSystemLanguages::GetLocaleName(const std::wstring& language, const std::wstring& script,
                                             const std::wstring& country, const std::wstring& variant) const {
  std::wstring result = GetLanguageName(language, script);
  if (!country.empty()) {
    std::wstring countryName = GetCountryName(language, script, country);
    if (countryName.empty()) countryName = country;
    result += L" (" + countryName;
    if (!variant.empty()) result += L", " + TQdWindows::GetVariantName(language, variant);
    result += L")";
  } else if (!variant.empty()) {
    result += L", " + TQdWindows::GetVariantName(language, variant);
  }
  return result;
}

std::wstring TSystemLanguages::GetLocaleName(const std::wstring& id, bool useUnknown) const {
  std::wstring language, script, country, variant;
  ParseId(id, language, script, country, variant);
  std::wstring result = GetLocaleName(language, script, country, variant);
  if (result.empty() && useUnknown) result = Rtl::Format(Rtl::LoadResString(SUnknownLanguage), {id});
  return result;
}

TCharacterScriptType TSystemLanguages::GetScriptType(const std::wstring& language) {
  return TScript::ScriptToType(IdToScript(language));
}

bool TSystemLanguages::IsArabicScript(const std::wstring& language) {
  return IsOneOf(language, {L"ar", L"fa", L"ps", L"ur", L"ug", L"prs"});
}

bool TSystemLanguages::IsAsianScript(const std::wstring& language) { return IsOneOf(language, {L"ja", L"zh", L"ko"}); }

bool TSystemLanguages::IsLanguageSami(const std::wstring& language) {
  return IsOneOf(language, {L"se", L"smn", L"sma", L"smj", L"sms"});
}

// --- Numeric identifiers and code pages -----------------------------------------

std::int32_t TSystemLanguages::LanguageToNlsLocale(const std::wstring& language, const std::wstring& script,
                                                   const std::wstring& variant, const std::wstring& country) const {
  const TSystemLanguage* item = Find(language, script);
  if (item == nullptr) return 0;
  const bool multiScript = GetScriptCount(item->GetId()) >= 2;
  const auto firstSub = [&] { return item->GetCountries().empty() ? 0 : item->GetCountries().front()->GetSub(); };
  std::int32_t sub = 0;
  if (!country.empty()) {
    if (const TSystemCountry* countryItem = item->Find(country)) {
      const TSystemVariant* variantItem = variant.empty() ? nullptr : countryItem->Find(variant);
      sub = variantItem != nullptr ? variantItem->GetSub() : countryItem->GetSub();
    } else if (multiScript) {
      sub = firstSub();
    }
  } else if (language == L"sr") {
    sub = script == L"Latn" ? 2 : (script.empty() || script == L"Cyrl") ? 3 : (multiScript ? firstSub() : 0);
  } else if (multiScript) {
    sub = firstSub();
  }
  return MakeLangId(item->GetPrimary(), sub);
}

std::int32_t TSystemLanguages::CodeToNlsLocale(const std::wstring& code) const {
  if (!code.empty() && code.size() <= 9 && std::all_of(code.begin(), code.end(), Rtl::IsAsciiDigit))
    return std::stoi(code);
  std::wstring language, script, country, variant;
  ParseId(code, language, script, country, variant);
  return LanguageToNlsLocale(language, script, variant, country);
}

std::wstring TSystemLanguages::NlsToId(std::int32_t locale) const {
  if (locale == 0) return L"";
  const std::int32_t primary = GetPrimaryFromLocale(locale);
  const std::int32_t sub = GetSubFromLocale(locale);
  if (primary == 26) {
    if (sub == 2) return L"sr-Latn";
    if (sub == 3) return L"sr";
    if (sub == 0) return L"hr";
  }
  for (const auto& item : FItems) {
    if (item->GetPrimary() != primary) continue;
    if (sub == 0) return item->GetId();
    if (const TSystemCountry* country = item->Find(sub)) return country->GetFullId();
  }
  for (const auto& item : FItems)
    if (item->GetPrimary() == locale) return item->GetId();
  return L"";
}

std::int32_t TSystemLanguages::LanguageToCodePage(const std::wstring& language, const std::wstring& script) const {
  const TSystemLanguage* item = Find(language, script);
  return item != nullptr ? item->GetCodePage() : 0;
}

std::int32_t TSystemLanguages::LanguageToCodePage(const std::wstring& id) const {
  if (id.empty()) return 0;
  std::wstring language, script, country;
  ParseId(id, language, script, country);
  return LanguageToCodePage(language, script);
}

std::int32_t TSystemLanguages::LangIdToCodePage(std::int32_t langId) const {
  wchar_t data[16] = {};
  if (GetLocaleInfoW(static_cast<LCID>(langId), LOCALE_IDEFAULTANSICODEPAGE, data, 16) > 0) {
    const std::int32_t codePage = static_cast<std::int32_t>(std::wcstol(data, nullptr, 10));
    if (codePage != 0) return codePage;
  }
  const TSystemLanguage* item = Find(GetPrimaryFromLocale(langId), GetSubFromLocale(langId));
  return item != nullptr ? item->GetCodePage() : 0;
}

std::int32_t TSystemLanguages::GetIsoCodePage(const std::wstring& language, const std::wstring& script) {
  if (IsOneOf(language, {L"de", L"it", L"sv", L"pt", L"nl", L"ms", L"en", L"fr", L"es", L"se", L"sma", L"smn",
                         L"sms", L"smj", L"qu", L"af", L"eu", L"ca", L"da", L"fo", L"fil", L"fi", L"fy", L"gl",
                         L"is", L"id", L"ga", L"lb", L"mt", L"mi", L"arn", L"moh", L"nb", L"nn", L"rm", L"gd",
                         L"nso", L"tn", L"sw", L"ts", L"cy", L"xh", L"zu", L"gsw", L"br", L"co", L"oc", L"kl",
                         L"ig", L"yo", L"qut", L"rw", L"tzm", L"wo", L"hsb", L"dsb", L"eo"}) ||
      (IsOneOf(language, {L"ha", L"iu"}) && script == L"Latn"))
    return 28591;
  if (IsOneOf(language, {L"sq", L"cs", L"hu", L"pl", L"sk", L"sl", L"ro", L"tk", L"hr"}) ||
      (IsOneOf(language, {L"bs", L"sr"}) && script == L"Latn"))
    return 28592;
  if (language == L"ja") return 50220;
  if (language == L"zh") return script == L"Hant" ? 50229 : 50227;
  if (language == L"ko") return 50225;
  if (IsArabicScript(language)) return 28596;
  if (language == L"he") return 28598;
  if (language == L"el") return 28597;
  if (language == L"tr") return 28599;
  if (IsOneOf(language, {L"et", L"lv", L"lt"})) return 28594;
  if (IsOneOf(language, {L"ru", L"uk", L"be", L"bg", L"kk", L"ky", L"mk", L"ba", L"tg", L"sah", L"tt"}) ||
      (IsOneOf(language, {L"sr", L"bs", L"az", L"uz", L"mn"}) && script == L"Cyrl"))
    return 28595;
  return 0;
}

std::int32_t TSystemLanguages::GetOtherCodePage(const std::wstring& language, const std::wstring& script) {
  if (language == L"ja") return 51932;
  if (language == L"zh") return script == L"Hant" ? 51950 : 54936;
  if (language == L"ko") return 51949;
  if (IsOneOf(language, {L"ru", L"be", L"bg", L"kk", L"ky", L"mk", L"ba", L"tg", L"sah", L"tt"}) ||
      (IsOneOf(language, {L"sr", L"az", L"uz", L"mn"}) && script == L"Cyrl"))
    return 20866;
  if (language == L"uk") return 21866;
  return 0;
}

std::wstring TSystemLanguages::GetDefaultEncoding(const std::wstring& language, const std::wstring& script,
                                                  TEncodingCategories categories,
                                                  const std::wstring& Default) const {
  const TSystemLanguage* item = Find(language, script);
  if (item == nullptr) return Default;
  const TCodePageDatas* codePages = FindCodePageDatas();
  for (int i = ecUtf8; i <= ecOther; ++i) {
    const auto category = static_cast<TEncodingCategory>(i);
    if (!categories.IsEmpty() && !categories.Contains(category)) continue;
    switch (category) {
      case ecUtf8: return L"utf-8";
      case ecUtf16Le: return L"unicode";
      case ecUtf16Be: return L"unicodeFFFE";
      case ecUtf32Le: return L"UTF-32LE";
      case ecUtf32Be: return L"UTF-32BE";
      case ecGb18030: return L"GB18030";
      default: {
        const std::int32_t codePage = item->GetCodePages(category);
        if (codePage != 0 && codePages != nullptr) {
          std::wstring name = codePages->CodePageToEncoding(codePage);
          if (!name.empty()) return name;
        }
      }
    }
  }
  return Default;
}

std::wstring TSystemLanguages::GetDefaultEncoding(const std::wstring& id, TEncodingCategories categories,
                                                  const std::wstring& Default) const {
  std::wstring language, script, country;
  ParseId(id, language, script, country);
  return GetDefaultEncoding(language, script, categories, Default);
}

std::wstring TSystemLanguages::GetLocaleStr(const std::wstring& id, std::uint32_t localeType,
                                            const std::wstring& Default) {
  const TGetLocaleInfoEx getLocaleInfoEx = TQdWindows::GetGetLocaleInfoEx();
  if (getLocaleInfoEx == nullptr) return Default;
  wchar_t buffer[512];
  const int written = getLocaleInfoEx(id.c_str(), localeType, buffer, 512);
  if (written <= 0) return Default;
  return std::wstring(buffer, static_cast<std::size_t>(written - 1));
}

std::int32_t TSystemLanguages::GetLocaleInteger(const std::wstring& id, std::uint32_t localeType,
                                                std::int32_t Default) {
  const std::wstring text = GetLocaleStr(id, localeType, L"");
  if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), Rtl::IsAsciiDigit)) return Default;
  return static_cast<std::int32_t>(std::stol(text));
}

// --- Operations of other classes that need the table -----------------------------

std::wstring TCodePageDatas::GetDefaultEncoding(const std::wstring& id, TEncodingCategories categories) const {
  return GetDefaultEncodingFromScript(TSystemLanguages::IdToScript(id), categories);
}

bool TScript::AreLanguageAndCountryIdsValid(const std::wstring& language, const std::wstring& country) {
  const auto letters = [](const std::wstring& value) {
    return (value.size() == 2 || value.size() == 3) &&
           std::all_of(value.begin(), value.end(), [](wchar_t c) { return TUnicodeString::IsAlpha(c); });
  };
  const TSystemLanguages* table = FindSystemLanguages();
  if (table == nullptr || !letters(language) || !table->IsLanguageKnown(language)) return false;
  return country.empty() || (letters(country) && table->IsCountryKnownNoScript(language, country));
}

}  // namespace Qd
