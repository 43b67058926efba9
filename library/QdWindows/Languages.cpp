// TQdWindows: display names of languages, and the translation resource
// modules that lie beside an executable. These serve the language switching
// when no translation collection is loaded; they use the language records
// and locale helpers of QdBase and the version check of QdLocalization.
#include <cstdlib>
#include <exception>
#include <utility>

#include "QdBase.h"
#include "QdBase/Documents.h"
#include "QdLocalization.h"
#include "QdWindows.h"
#include "QdWindows/Strings.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Elevation.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"

namespace Qd {

namespace {

constexpr std::uint32_t LOCALE_SLOCALIZEDDISPLAYNAME_C = 0x02;
constexpr std::uint32_t LOCALE_SENGLISHDISPLAYNAME_C = 0x72;
constexpr std::uint32_t LOCALE_SNATIVEDISPLAYNAME_C = 0x73;

// "name (country)" from the older locale items, with the Spanish sort orders
// named after the country.
std::wstring LegacyName(const std::wstring& id, std::int32_t locale, TQdLanguageName languageName,
                        std::uint32_t languageItem, std::uint32_t countryItem) {
  std::wstring name = TQdWindows::GetLocaleStr(id, locale, languageItem, L"");
  if (TQdBase::LocaleToSub(locale) == 0) return name;
  std::wstring country = TQdWindows::GetLocaleStr(id, locale, countryItem, L"");
  if (country.empty()) return name;
  if (locale == 0x040A)
    country += languageName == lnNative ? L", Alfabetización tradicional"
                                        : L", " + Rtl::LoadResString(SVariantTraditional);
  else if (locale == 0x0C0A)
    country += languageName == lnNative ? L", Alfabetización internacional"
                                        : L", " + Rtl::LoadResString(SVariantInternational);
  return name + L" (" + country + L")";
}

std::wstring NativeName(const std::wstring& id, std::int32_t locale) {
  if (TQdWindows::Is7()) return TQdWindows::GetLocaleStr(id, locale, LOCALE_SNATIVEDISPLAYNAME_C, L"");
  return LegacyName(id, locale, lnNative, LOCALE_SNATIVELANGNAME, LOCALE_SNATIVECTRYNAME);
}

std::wstring EnglishName(const std::wstring& id, std::int32_t locale) {
  if (TQdWindows::Is7()) return TQdWindows::GetLocaleStr(id, locale, LOCALE_SENGLISHDISPLAYNAME_C, L"");
  return LegacyName(id, locale, lnEnglish, LOCALE_SENGLISHLANGUAGENAME, LOCALE_SENGLISHCOUNTRYNAME);
}

// The translated name: the string numbered by the locale in the current
// resources, read from the module itself (not through the cache of
// resource strings, which keeps the strings of the library's numbers).
std::wstring LocalizedName(const std::wstring& id, std::int32_t locale) {
  if (locale > 0 && locale <= 0xFFFF) {
    wchar_t buffer[4096];
    const int length = LoadStringW(reinterpret_cast<HINSTANCE>(TQdBase::GetResourceInstance()),
                                   static_cast<UINT>(locale), buffer, 4096);
    if (length > 0) return std::wstring(buffer, static_cast<std::size_t>(length));
  }
  return EnglishName(id, locale);
}

// --- GetAvailable ------------------------------------------------------------------

// The state of one search; the enumeration callbacks reach it through their
// parameter, or (the classic enumeration has none) through a variable of
// the thread that runs it.
struct TAvailableSearch {
  TQdLanguages* Languages = nullptr;
  std::wstring ExeFileName;
  bool CompatibleOnly = false;
  bool CheckVersions = false;
  bool Elevated = true;
  std::exception_ptr Error;
};

thread_local TAvailableSearch* CurrentSearch = nullptr;

std::wstring WithExtension(const std::wstring& fileName, const std::wstring& ext) {
  return Rtl::ChangeFileExt(fileName, L"." + ext);
}

// Adds the resource module of extension `ext`, when there is one and the
// filters let it through.
void TryFile(TAvailableSearch& search, const std::wstring& ext, const std::wstring& code, std::int32_t id,
             bool checkIfExists) {
  std::wstring fileName = WithExtension(search.ExeFileName, ext);
  if (!Rtl::FileExists(fileName)) {
    const std::wstring& resourceDir = ResourceDllDir();
    if (resourceDir.empty()) return;
    const std::wstring resourceFileName = WithExtension(Rtl::ExtractFileName(search.ExeFileName), ext);
    // A relative folder is taken against the executable's folder, and for
    // an elevated process only there: never against the current directory.
    fileName = resourceDir + L"\\" + resourceFileName;
    if ((search.Elevated && TQdWindows::IsSubPath(resourceDir)) || !Rtl::FileExists(fileName)) {
      fileName = Rtl::ExtractFilePath(search.ExeFileName) + resourceDir + L"\\" + resourceFileName;
      if (!Rtl::FileExists(fileName)) return;
    }
  }
  if (search.CompatibleOnly && !TQdBase::IsLocaleCompatible(id)) return;
  if (search.CheckVersions && !TQdResource::DoesLocaleVersionMatchFile(fileName)) return;
  if (checkIfExists) {
    for (int i = 0; i < search.Languages->GetCount(); ++i)
      if (search.Languages->GetItems(i)->GetCode() == code) return;
  }
  search.Languages->Add(code, id, fileName);
}

// A locale name of the Vista enumeration ("en-US", "en").
void LocaleNameStep(TAvailableSearch& search, const std::wstring& name) {
  // The enumeration lists the invariant locale first, with an empty name.
  if (name.empty()) return;
  const std::wstring fileName = WithExtension(search.ExeFileName, name);
  if (Rtl::FileExists(fileName) && IsPeFile(fileName))
    search.Languages->Add(name, TQdWindows::CodeToId(name), fileName);
}

// A locale identifier of the classic enumeration (eight hexadecimal digits).
void LocaleIdStep(TAvailableSearch& search, const wchar_t* text) {
  const auto id = static_cast<std::int32_t>(std::wcstoul(text, nullptr, 16));
  const std::int32_t primary = TQdBase::LocaleToPrimary(id);
  const std::wstring language = GetLocaleStr(id, LOCALE_SISO639LANGNAME, L"");
  TryFile(search, language, language, primary, true);
  const std::wstring code = language + L"-" + GetLocaleStr(id, LOCALE_SISO3166CTRYNAME, L"");
  TryFile(search, code, code, id, false);
  std::wstring abbreviation = GetLocaleStr(id, LOCALE_SABBREVLANGNAME, L"");
  TryFile(search, abbreviation, code, id, false);
  if (!abbreviation.empty()) abbreviation.pop_back();
  if (!Rtl::AsciiSameText(abbreviation, language)) TryFile(search, abbreviation, language, primary, true);
}

int QD_WINAPI EnumLocaleNamesProc(wchar_t* name, std::uint32_t, std::intptr_t param) {
  TAvailableSearch& search = *reinterpret_cast<TAvailableSearch*>(param);
  try {
    LocaleNameStep(search, name);
    return TRUE;
  } catch (...) {
    // Nothing may unwind through the system's frames.
    search.Error = std::current_exception();
    return FALSE;
  }
}

BOOL CALLBACK EnumLocaleIdsProc(LPWSTR text) {
  TAvailableSearch& search = *CurrentSearch;
  try {
    LocaleIdStep(search, text);
    return TRUE;
  } catch (...) {
    search.Error = std::current_exception();
    return FALSE;
  }
}

void EnumerateNames(TAvailableSearch& search, TEnumSystemLocalesEx enumSystemLocalesEx) {
  enumSystemLocalesEx(&EnumLocaleNamesProc, 0, reinterpret_cast<std::intptr_t>(&search), nullptr);
  if (search.Error) std::rethrow_exception(search.Error);
}

void EnumerateIds(TAvailableSearch& search) {
  TAvailableSearch* const outer = std::exchange(CurrentSearch, &search);
  EnumSystemLocalesW(&EnumLocaleIdsProc, LCID_SUPPORTED);
  CurrentSearch = outer;
  if (search.Error) std::rethrow_exception(search.Error);
}

}  // namespace

std::wstring TQdWindows::GetDisplayName(const std::wstring& id, std::int32_t locale, TQdLanguageName languageName,
                                        TQdLanguageNameCase languageNameCase) {
  std::wstring name;
  switch (languageName) {
    case lnNative:
      name = NativeName(id, locale);
      break;
    case lnLocalized:
      name = LocalizedName(id, locale);
      break;
    case lnBoth:
      name = TQdLanguage::GetBoth(NativeName(id, locale), LocalizedName(id, locale));
      break;
    case lnEnglish:
      name = EnglishName(id, locale);
      break;
    case lnSystem:
      name = IsVista() ? GetLocaleStr(id, locale, LOCALE_SLOCALIZEDDISPLAYNAME_C, L"")
                       : LegacyName(id, locale, lnSystem, LOCALE_SLANGUAGE, LOCALE_SCOUNTRY);
      break;
  }
  return TQdLanguage::CheckCase(name, languageNameCase);
}

int TQdWindows::GetAvailable(TQdLanguages& languages, const std::wstring& exeFileName, bool compatibleOnly,
                             bool checkVersions, const std::wstring& dir) {
  const std::wstring exe = exeFileName.empty() ? TQdBase::GetRunningFileName() : exeFileName;
  TAvailableSearch search;
  search.Languages = &languages;
  search.CompatibleOnly = compatibleOnly;
  search.CheckVersions = checkVersions;
  search.Elevated = Rtl::IsElevated();
  const std::wstring exeName = Rtl::ExtractFileName(exe);
  if (dir.empty())
    search.ExeFileName = exe;
  else if (IsSubPath(dir))
    search.ExeFileName = Rtl::ExtractFilePath(exe) + dir + L"\\" + exeName;
  else
    search.ExeFileName = dir + L"\\" + exeName;
  // The documents folder is the user's to write: an elevated process never
  // takes translations from there.
  const std::wstring documents =
      search.Elevated ? std::wstring() : MakerDocumentsFolder();
  const std::wstring documentsExe = documents + L"\\" + exeName;

  if (const TEnumSystemLocalesEx enumSystemLocalesEx = GetEnumSystemLocalesEx()) {
    EnumerateNames(search, enumSystemLocalesEx);
    if (languages.GetCount() == 0 && !documents.empty()) {
      search.ExeFileName = documentsExe;
      EnumerateNames(search, enumSystemLocalesEx);
    }
  }
  search.ExeFileName = exe;
  EnumerateIds(search);
  if (languages.GetCount() == 0 && !documents.empty()) {
    search.ExeFileName = documentsExe;
    EnumerateIds(search);
  }
  return languages.GetCount();
}

}  // namespace Qd
