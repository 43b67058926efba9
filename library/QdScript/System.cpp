// What QdScript reads from the system (font signatures, locale names and
// abbreviations, the supported locales, the installed code pages), and the
// unit's state.
#include <cstring>
#include <cwchar>
#include <exception>
#include <mutex>
#include <utility>
#include <vector>

#include "QdScript/CodePages.h"
#include "QdScript/Detail.h"
#include "QdScript/Script.h"
#include "QdScript/Scripts.h"
#include "runtime/Core/Units.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/StringList.h"

namespace Qd {

namespace {

struct TQdScriptState {
  std::unique_ptr<TScripts> Scripts;
  std::unique_ptr<TCodePageDatas> CodePageDatas;
  // The ISO 639 codes of the supported locales, sorted; built on first use.
  std::once_flag KnownLanguagesBuilt;
  std::unique_ptr<Rtl::TStringList> KnownLanguages;
};

constinit Rtl::TUnitState<TQdScriptState> State{L"QdScript"};

const wchar_t* const SCRIPTS_AT_START_C[] = {
    L"Latn", L"Grek", L"Cyrl", L"Arab", L"Hans", L"Hant", L"Cans", L"Hebr", L"Jpan",
    L"Kore", L"Thai", L"Armn", L"Beng", L"Brah", L"Deva", L"Ethi", L"Geor", L"Gujr",
    L"Guru", L"Knda", L"Mlym", L"Mong", L"Orya", L"Syrc", L"Taml", L"Telu", L"Tibt",
};
static_assert(std::size(SCRIPTS_AT_START_C) == 27);

// The system's enumerations of locales and code pages pass their callbacks
// no context. The one enumeration running at a time collects the items
// into the list below, under its lock; the work on the items is done after
// the enumeration has returned. An exception must not unwind through the
// system's frames: the callback keeps it and stops the enumeration, and it
// is raised again once the call has returned.
struct TEnumeration {
  std::mutex Lock;
  std::vector<std::wstring>* Items = nullptr;  // the list being collected
  std::exception_ptr Error;
};

TEnumeration& Enumeration() {
  static TEnumeration enumeration;
  return enumeration;
}

BOOL CALLBACK CollectItem(LPWSTR text) {
  TEnumeration& enumeration = Enumeration();
  try {
    enumeration.Items->emplace_back(text);
    return TRUE;
  } catch (...) {
    enumeration.Error = std::current_exception();
    return FALSE;
  }
}

enum TSystemList { slSupportedLocales, slInstalledCodePages };

// The items of a system list as text: hexadecimal locale identifiers, or
// decimal code-page numbers.
std::vector<std::wstring> SystemList(TSystemList list) {
  std::vector<std::wstring> items;
  std::exception_ptr error;
  {
    TEnumeration& enumeration = Enumeration();
    const std::lock_guard lock(enumeration.Lock);
    enumeration.Items = &items;
    enumeration.Error = nullptr;
    if (list == slSupportedLocales)
      EnumSystemLocalesW(&CollectItem, LCID_SUPPORTED);
    else
      EnumSystemCodePagesW(&CollectItem, CP_INSTALLED);
    enumeration.Items = nullptr;
    error = std::exchange(enumeration.Error, nullptr);
  }
  if (error) std::rethrow_exception(error);
  return items;
}

std::vector<LCID> SupportedLocales() {
  std::vector<LCID> locales;
  for (const std::wstring& item : SystemList(slSupportedLocales))
    locales.push_back(static_cast<LCID>(std::wcstoul(item.c_str(), nullptr, 16)));
  return locales;
}

// One item of locale information; "" when the query fails.
std::wstring LocaleInfo(LCID locale, LCTYPE type) {
  const int size = GetLocaleInfoW(locale, type, nullptr, 0);
  if (size <= 0) return {};
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  const int written = GetLocaleInfoW(locale, type, text.data(), size);
  text.resize(written > 0 ? static_cast<std::size_t>(written - 1) : 0);
  return text;
}

void BuildKnownLanguages(TQdScriptState& state) {
  auto list = std::make_unique<Rtl::TStringList>();
  list->SetCaseSensitive(false);
  list->SetSorted(true);
  list->SetDuplicates(Rtl::dupIgnore);
  for (const LCID locale : SupportedLocales()) {
    std::wstring code = LocaleInfo(locale, LOCALE_SISO639LANGNAME);
    if (!code.empty()) list->Add(std::move(code));
  }
  state.KnownLanguages = std::move(list);
}

}  // namespace

TScripts& Scripts() { return *State.Get().Scripts; }

TCodePageDatas& CodePageDatas() { return *State.Get().CodePageDatas; }

TCodePageDatas* FindCodePageDatas() { return State.Started() ? State.Get().CodePageDatas.get() : nullptr; }

std::vector<std::int32_t> ScriptDetail::InstalledCodePages() {
  std::vector<std::int32_t> codePages;
  for (const std::wstring& item : SystemList(slInstalledCodePages))
    codePages.push_back(static_cast<std::int32_t>(std::wcstol(item.c_str(), nullptr, 10)));
  return codePages;
}

TCharsetInfo TScript::GetCharSetInfo(std::int32_t langId) {
  // The signature comes as 16 UTF-16 units holding the 32-byte record.
  wchar_t data[32] = {};
  if (GetLocaleInfoW(static_cast<LCID>(langId), LOCALE_FONTSIGNATURE, data, 32) < 16) return CHARSETSET_TO_ID_C[0];
  TLocaleFontSignature signature;
  std::memcpy(&signature, data, sizeof(signature));
  const std::uint32_t codePages = signature.fsCsbDefault[0];
  for (std::size_t bit = 0; bit < 32; ++bit)
    if ((codePages >> bit) & 1u) return CHARSETSET_TO_ID_C[bit];
  return CHARSETSET_TO_ID_C[0];
}

bool TScript::IsLanguageKnownBySystem(const std::wstring& value) {
  TQdScriptState& state = State.Get();
  // Several threads may ask first at once: one builds the list.
  std::call_once(state.KnownLanguagesBuilt, BuildKnownLanguages, std::ref(state));
  int index = 0;
  return state.KnownLanguages->Find(value, index);
}

std::wstring TScript::GetOriginalLanguageName(std::int32_t langId) {
  if ((langId & 0x3FF) == 20) return L"norsk";
  return LocaleInfo(static_cast<LCID>(langId), LOCALE_SNATIVELANGNAME);
}

std::int32_t TScript::ExtToLocale(const std::wstring& ext) {
  const std::wstring_view name = !ext.empty() && ext[0] == L'.' ? std::wstring_view(ext).substr(1) : ext;
  if (name.empty()) return 0;
  for (const LCID locale : SupportedLocales()) {
    const std::wstring abbreviation = LocaleInfo(locale, LOCALE_SABBREVLANGNAME);
    if (Rtl::AsciiSameText(abbreviation, name)) return static_cast<std::int32_t>(locale);
    if (Rtl::AsciiSameText(std::wstring_view(abbreviation).substr(0, 2), name))
      return static_cast<std::int32_t>(locale & 0x3FF);
  }
  return 0;
}

std::int32_t TScript::FileNameToLocale(const std::wstring& fileName) {
  return ExtToLocale(Rtl::ExtractFileExt(fileName));
}

std::wstring TScript::LocaleToExt(std::int32_t locale) {
  std::wstring ext = LocaleInfo(static_cast<LCID>(locale), LOCALE_SABBREVLANGNAME);
  // A neutral language: DE rather than DEU.
  if (((locale >> 10) & 0x3F) == 0 && !ext.empty()) ext.pop_back();
  return ext;
}

bool TScript::IsCodePageInstalled(std::int32_t codePage) {
  if (codePage == 0) return true;
  for (const std::wstring& item : SystemList(slInstalledCodePages))
    if (std::wcstol(item.c_str(), nullptr, 10) == codePage) return true;
  return false;
}

namespace QdScriptUnit {

void Initialization() {
  auto state = std::make_unique<TQdScriptState>();
  state->Scripts = std::make_unique<TScripts>();
  for (const wchar_t* code : SCRIPTS_AT_START_C) state->Scripts->Add(code);
  // Empty: QdString's start-up fills it, once the converters are known.
  state->CodePageDatas = std::make_unique<TCodePageDatas>();
  State.Start(std::move(state));
}

void Finalization() { State.Stop(); }

}  // namespace QdScriptUnit

}  // namespace Qd
