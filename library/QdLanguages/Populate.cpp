// Filling the system language table from the system's locale list, the
// entries that the system may lack, and the flag images.
#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "QdLanguages/Detail.h"
#include "QdLanguages/SystemLanguages.h"
#include "QdWindows.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"

namespace Qd {

namespace {

struct TLocaleName {
  std::wstring Name;
  std::uint32_t Flags;
};

// What the enumeration collects: the names, and an error that must not
// unwind through the system's frames.
struct TCollected {
  std::vector<TLocaleName> Names;
  std::exception_ptr Error;
};

int QD_WINAPI CollectLocaleName(wchar_t* name, std::uint32_t flags, std::intptr_t param) {
  auto* collected = reinterpret_cast<TCollected*>(param);
  try {
    collected->Names.push_back({name != nullptr ? name : L"", flags});
    return TRUE;
  } catch (...) {
    collected->Error = std::current_exception();
    return FALSE;
  }
}

// The user default locale for the flags of en and pt: read at most once
// while the table is being filled (a registry read is slow), else each time.
std::optional<std::int32_t>* FlagLocaleCache = nullptr;

std::int32_t FlagLocale() {
  if (FlagLocaleCache == nullptr) return TSystemLanguages::GetDefaultLocale();
  if (!*FlagLocaleCache) *FlagLocaleCache = TSystemLanguages::GetDefaultLocale();
  return **FlagLocaleCache;
}

// The bytes of the FLAG resource `name` of the executable; none when
// missing.
Rtl::TBytes LoadFlag(const std::wstring& name) {
  if (name.empty()) return {};
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC resource = FindResourceW(module, name.c_str(), FLAG_RESOURCE_C);
  if (resource == nullptr) return {};
  const HGLOBAL loaded = LoadResource(module, resource);
  const DWORD size = SizeofResource(module, resource);
  const auto* data = loaded != nullptr ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
  if (data == nullptr || size == 0) return {};
  return Rtl::TBytes(data, data + size);
}

// The English name of a new language entry, with the system's forms
// brought into the table's "Language, Qualifier" form.
std::wstring FixEnglishName(const std::wstring& language, const std::wstring& script, const std::wstring& name,
                            std::wstring& nativeName) {
  if (language == L"zh" && script == L"Hans" && name == L"Chinese") return L"Chinese, Simplified";
  if (language == L"az" && script == L"Latn" && name == L"Azerbaijani") return L"Azerbaijani, Latin";
  if (language == L"az" && script == L"Arab") return L"Azerbaijani, Arabic";
  if (language == L"bs" && script == L"Latn" && name == L"Bosnian") return L"Bosnian, Latin";
  if (language == L"iu" && script == L"Latn" && name == L"Inuktitut") return L"Inuktitut, Latin";
  if (language == L"mn" && script == L"Cyrl" && name == L"Mongolian") return L"Mongolian, Cyrillic";
  if (language == L"sr" && script == L"Cyrl" && name == L"Serbian") return L"Serbian, Cyrillic";
  if (language == L"uz" && script == L"Latn" && name == L"Uzbek") return L"Uzbek, Latin";
  if (language == L"mk" && script == L"Cyrl") return L"Macedonian";
  if (language == L"se") return L"Sami, Northern";
  if (language == L"cnr" && script == L"Latn") {
    nativeName = L"crnogorski";
    return L"Montenegrin, Latin";
  }
  if (language == L"cnr" && script == L"Cyrl") {
    nativeName = L"crnogorski";
    return L"Montenegrin, Cyrillic";
  }
  const std::size_t open = name.find(L" (");
  const std::size_t close = name.find(L')', open == std::wstring::npos ? 0 : open);
  if (open != std::wstring::npos && close != std::wstring::npos) {
    std::wstring result = name;
    result.erase(close, 1);
    result.replace(open, 2, L", ");
    return result;
  }
  return name;
}

}  // namespace

int TSystemLanguages::Populate() {
  FDefaultKeyboardLayout = reinterpret_cast<std::uintptr_t>(GetKeyboardLayout(0));
  const TEnumSystemLocalesEx enumSystemLocalesEx = TQdWindows::GetEnumSystemLocalesEx();
  if (enumSystemLocalesEx == nullptr || TQdWindows::GetLocaleNameToLCID() == nullptr ||
      TQdWindows::GetGetLocaleInfoEx() == nullptr)
    return 0;
  // The callback only collects; the work is done once the call returned.
  TCollected collected;
  enumSystemLocalesEx(&CollectLocaleName, LOCALE_ALL, reinterpret_cast<std::intptr_t>(&collected), nullptr);
  if (collected.Error) std::rethrow_exception(collected.Error);

  std::optional<std::int32_t> flagLocale;
  FlagLocaleCache = &flagLocale;
  struct TRestore {
    ~TRestore() { FlagLocaleCache = nullptr; }
  } restore;
  for (const TLocaleName& item : collected.Names) {
    TLocaleFeatures features;
    if (item.Flags & LOCALE_SUPPLEMENTAL) features.Include(lfCustom);
    if (item.Flags & LOCALE_ALTERNATE_SORTS) features.Include(lfAlternateSort);
    AddLocaleName(item.Name, features);
  }
  return static_cast<int>(collected.Names.size());
}

void TSystemLanguages::AddLocaleName(const std::wstring& name, TLocaleFeatures /*features*/) {
  std::wstring language, script, country, variant;
  ParseScriptId(name, language, script, country, variant, L"-_");
  if (language.empty() || language == L"x") return;
  // A script written by one of its aliases is kept under its ISO code.
  if (!script.empty()) {
    const std::wstring code = LanguagesDetail::FindScriptCode(script, true);
    if (!code.empty()) script = code;
  }
  // A country that is really a script: the pieces after it move up.
  if (!country.empty()) {
    const std::wstring code = LanguagesDetail::FindScriptCode(country, true);
    if (!code.empty()) {
      script = code;
      country = Rtl::AsciiUpperCase(variant);
      variant.clear();
    }
  }
  const TLocaleNameToLCID localeNameToLCID = TQdWindows::GetLocaleNameToLCID();
  std::int32_t nlsId = localeNameToLCID != nullptr ? static_cast<std::int32_t>(localeNameToLCID(name.c_str(), 0)) : 0;
  if (nlsId == 0x1000) nlsId = 0;
  if (country.empty()) nlsId = GetPrimaryFromLocale(nlsId);
  AddSystemData(language, script, country, variant, name, nlsId, L"");
}

TSystemLanguage& TSystemLanguages::NewLanguage(const std::wstring& language, const std::wstring& script,
                                               const std::wstring& id, std::int32_t nlsId) {
  auto item = std::make_unique<TSystemLanguage>();
  item->SetId(language);
  item->SetScript(script);
  item->SetPrimary(GetPrimaryFromLocale(nlsId));
  std::wstring abbreviation = GetLocaleStr(id, LOCALE_SABBREVLANGNAME, L"").substr(0, 2);
  item->SetWindowsCode(abbreviation == L"ZZ" ? L"" : abbreviation);
  std::wstring nativeName = GetLocaleStr(id, LOCALE_SNATIVELANGNAME, L"");
  const std::wstring englishName =
      FixEnglishName(language, script, GetLocaleStr(id, LOCALE_SENGLISHLANGUAGENAME, L""), nativeName);
  item->SetEnglishName(englishName);
  item->SetNativeName(nativeName);
  item->SetDisplayName(englishName);
  const auto codePage = [&](std::uint32_t type, std::int32_t ignore) {
    const std::int32_t value = GetLocaleInteger(id, type, 0);
    return value == ignore ? 0 : value;
  };
  item->SetCodePages(ecAnsi, codePage(LOCALE_IDEFAULTANSICODEPAGE, 0));
  item->SetCodePages(ecIso, GetIsoCodePage(language, script));
  item->SetCodePages(ecMac, codePage(LOCALE_IDEFAULTMACCODEPAGE, 2));
  item->SetCodePages(ecDos, codePage(LOCALE_IDEFAULTCODEPAGE, 1));
  item->SetCodePages(ecEbcdic, codePage(LOCALE_IDEFAULTEBCDICCODEPAGE, 0));
  item->SetCodePages(ecOther, GetOtherCodePage(language, script));
  item->LoadImage();
  return Add(std::move(item));
}

void TSystemLanguages::AddSystemData(const std::wstring& language, const std::wstring& script,
                                     const std::wstring& country, const std::wstring& variant,
                                     const std::wstring& id, std::int32_t nlsId, const std::wstring& countryName) {
  if (language.empty() || language == L"x" || (language == L"ccp" && script.empty())) return;
  std::wstring languageScript = script;
  if (languageScript.empty()) {
    if (Rtl::AsciiSameText(language, L"cnr"))
      languageScript = L"Latn";
    else if (Rtl::AsciiSameText(language, L"sr"))
      languageScript = L"Cyrl";
    else
      languageScript = TSystemLanguage::ScriptNamesToScript(GetLocaleStr(id, LOCALE_SSCRIPTS, L""));
  }
  TSystemLanguage* item = Find(language, languageScript);
  if (item == nullptr) item = &NewLanguage(language, languageScript, id, nlsId);
  if (item->GetEnglishName().empty()) item->SetEnglishName(GetLocaleStr(id, LOCALE_SENGLISHLANGUAGENAME, L""));
  if (item->GetDisplayName().empty()) item->SetDisplayName(item->GetEnglishName());
  if (country.empty() || (language == L"sr" && country == L"CS")) return;

  TSystemCountry* countryItem = item->Find(country);
  if (countryItem == nullptr) {
    auto newCountry = std::make_unique<TSystemCountry>();
    newCountry->SetId(country);
    newCountry->SetSub(GetSubFromLocale(nlsId));
    std::wstring englishName =
        !countryName.empty() ? countryName : GetLocaleStr(id, LOCALE_SENGLISHCOUNTRYNAME, L"");
    std::wstring nativeName = GetLocaleStr(id, LOCALE_SNATIVECTRYNAME, L"");
    if (!variant.empty()) nativeName += L", " + TQdWindows::GetVariantName(language, variant);
    if (language == L"cnr" && country == L"ME") {
      englishName = L"Montenegro";
      nativeName = L"Crna Gora";
    }
    const std::wstring abbreviation = GetLocaleStr(id, LOCALE_SABBREVLANGNAME, L"");
    newCountry->SetWindowsCode(abbreviation == L"ZZZ" ? L"" : abbreviation);
    newCountry->SetEnglishName(englishName);
    newCountry->SetNativeName(nativeName);
    newCountry->SetDisplayName(englishName);
    countryItem = &item->Add(std::move(newCountry));
    countryItem->LoadImage();
    if (item->GetImage().empty()) item->SetImage(countryItem->GetImage());
  }
  if (!variant.empty() && countryItem->Find(variant) == nullptr) {
    auto newVariant = std::make_unique<TSystemVariant>();
    newVariant->SetId(variant);
    newVariant->SetSub(GetSubFromLocale(nlsId));
    newVariant->SetWindowsCode(countryItem->GetWindowsCode());
    newVariant->SetEnglishName(variant);
    newVariant->SetDisplayName(variant);
    newVariant->SetNativeName(variant);
    countryItem->Add(std::move(newVariant));
  }
}

void TSystemLanguages::AddCustom() {
  AddSystemData(L"az", L"Arab", L"AZ", L"", L"az-Arab", MakeLangId(44, 3), L"");
  AddSystemData(L"cnr", L"Latn", L"ME", L"", L"cnr", MakeLangId(26, 11), L"");
  AddSystemData(L"cnr", L"Cyrl", L"ME", L"", L"cnr", MakeLangId(26, 12), L"");
}

void TSystemLanguages::Initialize() {
  AddCustom();
  for (const auto& item : FItems) item->LoadImage();
}

// --- Flags ---------------------------------------------------------------------

void TSystemLanguage::LoadImage() {
  if (!FImage.empty()) return;
  std::wstring name;
  if (FId == L"en")
    name = FlagLocale() == 1033 ? L"US" : L"GB";
  else if (FId == L"pt")
    name = FlagLocale() == 1046 ? L"BR" : L"PT";
  else if (FId == L"zh" && FScript == L"Hant")
    name = L"TW";
  else if (TSystemLanguages::IsLanguageSami(FId))
    name = L"lang_se";
  else
    name = L"lang_" + FId;
  FImage = LoadFlag(name);
  if (FImage.empty()) {
    std::wstring country;
    if (!FScript.empty()) country = LanguagesDetail::DefaultCountry(FId + L"-" + FScript);
    if (country.empty()) country = LanguagesDetail::DefaultCountry(FId);
    FImage = LoadFlag(country);
  }
  if (FImage.empty() && !FCountries.empty()) FImage = FCountries.front()->GetImage();
}

void TSystemCountry::LoadImage() {
  if (!FImage.empty()) return;
  FImage = LoadFlag(FId);
  if (FImage.empty() && !FId.empty()) FImage = LoadFlag(L"UN" + FId);
}

}  // namespace Qd
