// QdLocalization: locales of codes and extensions, the process-wide
// formats, the language of the program's forms and the version check of
// resource modules.
#include <cstdlib>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "QdBase.h"
#include "QdLocalization.h"
#include "QdLocalization/Strings.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Locales.h"
#include "runtime/Core/Modules.h"
#include "runtime/Core/Units.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace {

struct TQdLocalizationState {
  // The locale of the program's own forms; 0 until it is known.
  std::int32_t FormResourceLocale = 0;
};

constinit Rtl::TUnitState<TQdLocalizationState> State{L"QdLocalization"};

// --- ExtensionToLocale -------------------------------------------------------------

// The search in progress. EnumSystemLocalesW gives its callback no context,
// so the callback finds it through a variable of the thread that runs it.
struct TExtensionSearch {
  std::wstring Extension;
  std::int32_t Locale = 0;
  std::exception_ptr Error;
};

thread_local TExtensionSearch* CurrentSearch = nullptr;

LCID LocaleOfText(const wchar_t* text) { return static_cast<LCID>(std::wcstoul(text, nullptr, 16)); }

std::wstring Info(LCID locale, LCTYPE type) {
  return GetLocaleStr(static_cast<std::int32_t>(locale), type, std::wstring());
}

// First pass: the three-letter abbreviation or language-country.
BOOL CALLBACK LocaleEnumProc(LPWSTR text) {
  TExtensionSearch& search = *CurrentSearch;
  try {
    const LCID locale = LocaleOfText(text);
    if (Rtl::AsciiSameText(Info(locale, LOCALE_SABBREVLANGNAME), search.Extension) ||
        Rtl::AsciiSameText(Info(locale, LOCALE_SISO639LANGNAME) + L"-" + Info(locale, LOCALE_SISO3166CTRYNAME),
                           search.Extension)) {
      search.Locale = static_cast<std::int32_t>(locale);
      return FALSE;
    }
    return TRUE;
  } catch (...) {
    // Nothing may unwind through the system's frames.
    search.Error = std::current_exception();
    return FALSE;
  }
}

// Second pass: the abbreviation without its last letter, or the ISO 639
// name alone; the answer is the primary language.
BOOL CALLBACK LanguageEnumProc(LPWSTR text) {
  TExtensionSearch& search = *CurrentSearch;
  try {
    const LCID locale = LocaleOfText(text);
    std::wstring abbreviation = Info(locale, LOCALE_SABBREVLANGNAME);
    if (!abbreviation.empty()) abbreviation.pop_back();
    if (Rtl::AsciiSameText(abbreviation, search.Extension) ||
        Rtl::AsciiSameText(Info(locale, LOCALE_SISO639LANGNAME), search.Extension)) {
      search.Locale = TQdBase::LocaleToPrimary(static_cast<std::int32_t>(locale));
      return FALSE;
    }
    return TRUE;
  } catch (...) {
    search.Error = std::current_exception();
    return FALSE;
  }
}

void EnumerateLocales(TExtensionSearch& search, LOCALE_ENUMPROCW proc) {
  TExtensionSearch* const outer = std::exchange(CurrentSearch, &search);
  EnumSystemLocalesW(proc, LCID_SUPPORTED);
  CurrentSearch = outer;
  if (search.Error) std::rethrow_exception(search.Error);
}

// --- The form locale ---------------------------------------------------------------

// The examination of one module's form resources.
struct TFormSearch {
  HMODULE Module = nullptr;
  std::vector<LANGID> Languages;
  bool Found = false;
  std::exception_ptr Error;
};

BOOL CALLBACK EnumResourceLanguagesProc(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  TFormSearch& search = *reinterpret_cast<TFormSearch*>(param);
  try {
    search.Languages.push_back(language);
    return TRUE;
  } catch (...) {
    search.Error = std::current_exception();
    return FALSE;
  }
}

// The resource `name` begins with the signature of a binary form stream.
bool IsFormResource(HMODULE module, LPCWSTR name) {
  HRSRC info = FindResourceW(module, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (info == nullptr) return false;
  const DWORD size = SizeofResource(module, info);
  HGLOBAL data = LoadResource(module, info);
  const void* bytes = data == nullptr ? nullptr : LockResource(data);
  return bytes != nullptr && size > 3 && std::memcmp(bytes, "TPF0", 4) == 0;
}

BOOL CALLBACK EnumResourceNamesProc(HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR param) {
  TFormSearch& search = *reinterpret_cast<TFormSearch*>(param);
  try {
    if (!IsFormResource(module, name)) return TRUE;
    search.Found = true;
    EnumResourceLanguagesW(module, MAKEINTRESOURCEW(10), name, &EnumResourceLanguagesProc, param);
    return FALSE;
  } catch (...) {
    search.Error = std::current_exception();
    return FALSE;
  }
}

// --- Version resources -------------------------------------------------------------

// The file version of a module's first version resource.
struct TFileVersion {
  bool Present = false;  // the module has a version resource
  bool Valid = false;    // ... long enough, with the fixed-info signature
  DWORD Ms = 0;          // major.minor
  DWORD Ls = 0;          // release.build
  std::exception_ptr Error;
};

constexpr DWORD FIXED_INFO_SIGNATURE_C = 0xFEEF04BD;
constexpr DWORD VERSION_MIN_SIZE_C = 56;  // up to the file version's end

BOOL CALLBACK EnumVersionLanguagesProc(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language,
                                       LONG_PTR param) {
  TFileVersion& version = *reinterpret_cast<TFileVersion*>(param);
  version.Present = true;
  HRSRC info = FindResourceExW(module, type, name, language);
  const DWORD size = info == nullptr ? 0 : SizeofResource(module, info);
  HGLOBAL data = info == nullptr ? nullptr : LoadResource(module, info);
  const auto* bytes = static_cast<const unsigned char*>(data == nullptr ? nullptr : LockResource(data));
  if (bytes != nullptr && size >= VERSION_MIN_SIZE_C) {
    DWORD signature = 0;
    std::memcpy(&signature, bytes + 40, 4);
    if (signature == FIXED_INFO_SIGNATURE_C) {
      std::memcpy(&version.Ms, bytes + 48, 4);
      std::memcpy(&version.Ls, bytes + 52, 4);
      version.Valid = true;
    }
  }
  return FALSE;  // the first language only
}

BOOL CALLBACK EnumVersionProc(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
  EnumResourceLanguagesW(module, type, name, &EnumVersionLanguagesProc, param);
  return FALSE;  // the first name only
}

TFileVersion ReadFileVersion(HMODULE module) {
  TFileVersion version;
  EnumResourceNamesW(module, MAKEINTRESOURCEW(16), &EnumVersionProc,  // RT_VERSION
                     reinterpret_cast<LONG_PTR>(&version));
  return version;
}

HMODULE AsModule(Rtl::HINST instance) { return reinterpret_cast<HMODULE>(instance); }

bool DoesModuleVersionMatch(HMODULE module) {
  const TFileVersion own = ReadFileVersion(AsModule(Rtl::MainInstance()));
  if (!own.Present || !own.Valid) return true;
  const TFileVersion other = ReadFileVersion(module);
  if (!other.Present) return true;
  return other.Valid && other.Ms == own.Ms && other.Ls == own.Ls;
}

bool DoesFileVersionMatch(const std::wstring& fileName) {
  const Rtl::TLoadedModule module(
      LoadLibraryExW(fileName.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  // A module that can't be loaded is not examined.
  if (!module) return true;
  return DoesModuleVersionMatch(module.Get());
}

// The first two letters of `code`, in lower case, are one of `prefixes`.
bool HasPrefix(const std::wstring& code, std::initializer_list<const wchar_t*> prefixes) {
  const std::wstring head = Rtl::AsciiLowerCase(code.substr(0, 2));
  for (const wchar_t* prefix : prefixes)
    if (head == prefix) return true;
  return false;
}

// A week value that must be a number in [low, high].
int StrictNumber(std::int32_t locale, LCTYPE type, int low, int high, std::exception_ptr& error) {
  const std::wstring text = GetLocaleStr(locale, type, L"0");
  try {
    const int value = Rtl::StrToInt(text);
    if (value < low || value > high)
      throw Rtl::EConvertError(Rtl::Format(Rtl::LoadResString(SLocaleValueOutOfRange), {text, low, high}));
    return value;
  } catch (const Rtl::EConvertError&) {
    if (!error) error = std::current_exception();
    return -1;
  }
}

}  // namespace

// --- TQdLocale ---------------------------------------------------------------------

std::int32_t TQdLocale::LocaleToCodePage(std::int32_t locale) {
  if (locale == 4) return 936;
  return Rtl::StrToIntDef(GetLocaleStr(locale, LOCALE_IDEFAULTANSICODEPAGE, L"0"), 0);
}

std::wstring TQdLocale::LocaleToIso639(std::int32_t locale) { return TQdBase::LocaleToIsoCode(locale); }

std::wstring TQdLocale::LocaleToIso(std::int32_t locale) {
  if (locale == 0) return {};
  const LCID id = static_cast<LCID>(locale);
  std::wstring code = Info(id, LOCALE_SISO639LANGNAME);
  if (TQdBase::LocaleToSub(locale) != 0) code += L"_" + Info(id, LOCALE_SISO3166CTRYNAME);
  return code;
}

std::int32_t TQdLocale::ExtensionToLocale(const std::wstring& value) {
  if (value.empty()) return 0;
  TExtensionSearch search;
  search.Extension = value.front() == L'.' ? value.substr(1) : value;
  EnumerateLocales(search, &LocaleEnumProc);
  if (search.Locale == 0) EnumerateLocales(search, &LanguageEnumProc);
  return search.Locale;
}

void TQdLocale::UpdateFormatSettings(const std::wstring& code) {
  UpdateFormatSettings(ExtensionToLocale(code.empty() ? DefaultLocale() : code));
}

void TQdLocale::UpdateFormatSettings(std::int32_t locale) {
  if (locale == 4) locale = TQdBase::MakeLangId(4, 2);
  Rtl::TFormatSettings& settings = Rtl::FormatSettings();
  const auto read = [locale](LCTYPE type, const std::wstring& Default) {
    return GetLocaleStr(locale, type, Default);
  };
  const auto number = [&read](LCTYPE type) { return Rtl::StrToIntDef(read(type, L"0"), 0); };
  const auto character = [&read](LCTYPE type, wchar_t Default) {
    const std::wstring text = read(type, std::wstring(1, Default));
    return text.empty() ? Default : text.front();
  };

  for (int i = 0; i < 12; ++i) {
    const auto index = static_cast<std::size_t>(i);
    settings.ShortMonthNames[index] =
        read(LOCALE_SABBREVMONTHNAME1 + static_cast<LCTYPE>(i), settings.ShortMonthNames[index]);
    settings.LongMonthNames[index] = read(LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(i), settings.LongMonthNames[index]);
  }
  // The platform's day 1 is Monday; index 0 here is Sunday.
  for (int i = 0; i < 7; ++i) {
    const auto index = static_cast<std::size_t>(i);
    const auto day = static_cast<LCTYPE>((i + 6) % 7);
    settings.ShortDayNames[index] = read(LOCALE_SABBREVDAYNAME1 + day, settings.ShortDayNames[index]);
    settings.LongDayNames[index] = read(LOCALE_SDAYNAME1 + day, settings.LongDayNames[index]);
  }
  settings.CurrencyString = read(LOCALE_SCURRENCY, L"");
  settings.CurrencyFormat = number(LOCALE_ICURRENCY);
  settings.NegCurrFormat = number(LOCALE_INEGCURR);
  settings.ThousandSeparator = character(LOCALE_STHOUSAND, L',');
  settings.DecimalSeparator = character(LOCALE_SDECIMAL, L'.');
  settings.CurrencyDecimals = number(LOCALE_ICURRDIGITS);
  settings.DateSeparator = character(LOCALE_SDATE, L'/');
  settings.ShortDateFormat = TranslateDateFormat(locale, read(LOCALE_SSHORTDATE, L"m/d/yy"));
  settings.LongDateFormat = TranslateDateFormat(locale, read(LOCALE_SLONGDATE, L"mmmm d, yyyy"));
  settings.TimeSeparator = character(LOCALE_STIME, L':');
  settings.TimeAMString = read(LOCALE_S1159, L"am");
  settings.TimePMString = read(LOCALE_S2359, L"pm");

  const std::wstring hour = number(LOCALE_ITLZERO) != 0 ? L"hh" : L"h";
  std::wstring prefix, suffix;
  if (number(LOCALE_ITIME) == 0) {  // a 12-hour clock
    if (number(LOCALE_ITIMEMARKPOSN) != 0)
      prefix = L"AMPM ";
    else
      suffix = L" AMPM";
  }
  settings.ShortTimeFormat = prefix + hour + L":mm" + suffix;
  settings.LongTimeFormat = prefix + hour + L":mm:ss" + suffix;
  settings.ListSeparator = character(LOCALE_SLIST, L',');

  // The week values are strict, and their error waits until every other
  // field is written.
  std::exception_ptr error;
  const int firstDay = StrictNumber(locale, LOCALE_IFIRSTDAYOFWEEK, wdMonday, wdSunday, error);
  const int firstWeek = StrictNumber(locale, LOCALE_IFIRSTWEEKOFYEAR, fwFirstPart, fwFirst4, error);
  if (firstDay >= 0) SetFirstDayOfWeek(static_cast<TQdDayOfWeek>(firstDay));
  if (firstWeek >= 0) SetFirstWeekOfYear(static_cast<TQdFirstWeekOfYear>(firstWeek));
  if (error) std::rethrow_exception(error);
}

void TQdLocale::CheckLocaleVariables() {
  if (!LoadedResourceLocale().empty()) UpdateFormatSettings(ExtensionToLocale(LoadedResourceLocale()));
}

std::int32_t TQdLocale::GetModuleFormLocale(Rtl::HINST module) {
  TFormSearch search;
  search.Module = AsModule(module);
  EnumResourceNamesW(search.Module, MAKEINTRESOURCEW(10), &EnumResourceNamesProc,
                     reinterpret_cast<LONG_PTR>(&search));
  if (search.Error) std::rethrow_exception(search.Error);
  if (search.Languages.size() == 1) return search.Languages.front();
  const std::int32_t user = TQdBase::GetUserLanguage();
  for (const LANGID language : search.Languages)
    if (language == user) return language;
  const std::int32_t primary = TQdBase::LocaleToPrimary(user);
  for (const LANGID language : search.Languages)
    if (language == primary) return language;
  return 0;
}

std::int32_t TQdLocale::GetFormLocale() {
  TQdLocalizationState& state = State.Get();
  if (state.FormResourceLocale == 0) state.FormResourceLocale = GetModuleFormLocale(Rtl::MainInstance());
  return state.FormResourceLocale;
}

std::wstring TQdLocale::GetPreviousLocale() {
  if (!PreviouslyLoadedResourceLocale().empty()) return PreviouslyLoadedResourceLocale();
  return TQdBase::LocaleToExtension(GetFormLocale());
}

bool TQdLocale::IsLocaleBidi(const std::wstring& code) { return HasPrefix(code, {L"ar", L"he", L"fa"}); }

bool TQdLocale::IsLocaleAsian(const std::wstring& code) { return HasPrefix(code, {L"jp", L"ch", L"ko"}); }

bool TQdLocale::IsActiveLocaleBidi() { return IsLocaleBidi(TQdResource::GetActiveLocale()); }

bool TQdLocale::IsActiveLocaleAsian() { return IsLocaleAsian(TQdResource::GetActiveLocale()); }

bool TQdLocale::IsPreviousLocaleBidi() { return IsLocaleBidi(GetPreviousLocale()); }

// --- TQdResource -------------------------------------------------------------------

std::wstring TQdResource::GetActiveLocale() {
  std::wstring result =
      TQdBase::IsLoaded() ? LoadedResourceLocale() : TQdLocale::LocaleToIso(TQdLocale::GetFormLocale());
  if (result.empty()) result = DefaultLocale();
  return result;
}

bool TQdResource::DoesVersionMatch(Rtl::HINST module) {
  // No module: the platform would examine the program itself.
  if (module == 0) return true;
  return DoesModuleVersionMatch(AsModule(module));
}

bool TQdResource::DoesVersionMatch() {
  if (!TQdBase::IsLoaded()) return true;
  return DoesVersionMatch(TQdBase::GetResourceInstance());
}

bool TQdResource::DoesLocaleVersionMatch(const std::wstring& code) {
  return DoesFileVersionMatch(TQdBase::GetLanguageFile(TQdBase::GetRunningFileName(), code));
}

bool TQdResource::DoesLocaleVersionMatchFile(const std::wstring& fileName) { return DoesFileVersionMatch(fileName); }

// --- Unit procedures ---------------------------------------------------------------

std::wstring TranslateDateFormat(std::int32_t locale, const std::wstring& format) {
  return TranslateCalendarFormat(Rtl::StrToIntDef(GetLocaleStr(locale, LOCALE_ICALENDARTYPE, L"1"), 0),
                                 Rtl::SysLocale().PriLangID, format);
}

std::wstring TranslateCalendarFormat(std::int32_t calendar, std::int32_t processLanguage, const std::wstring& format) {
  std::wstring result;
  result.reserve(format.size() + 4);
  if (calendar >= 3 && calendar <= 5) {
    const auto at = [&format](std::size_t i, std::wstring_view what) {
      return i + what.size() <= format.size() &&
             Rtl::AsciiSameText(std::wstring_view(format).substr(i, what.size()), what);
    };
    for (std::size_t i = 0; i < format.size();) {
      if (at(i, L"gg")) {
        result += L"ggg";
        i += 2;
      } else if (at(i, L"yyyy")) {
        result += L"eeee";
        i += 4;
      } else if (at(i, L"yy")) {
        result += L"ee";
        i += 2;
      } else if (format[i] == L'y' || format[i] == L'Y') {
        result += L'e';
        ++i;
      } else {
        result += format[i++];
      }
    }
    return result;
  }
  if (processLanguage == 4 || processLanguage == 17 || processLanguage == 18) {  // Chinese, Japanese, Korean
    for (const wchar_t c : format)
      if (c != L'g' && c != L'G') result += c;
    return result;
  }
  return format;
}

std::wstring GetLocaleStr(std::int32_t locale, std::uint32_t localeType, const std::wstring& Default) {
  wchar_t buffer[256];
  const int length = GetLocaleInfoW(static_cast<LCID>(locale), localeType, buffer, 256);
  if (length <= 0) return Default;
  return std::wstring(buffer, static_cast<std::size_t>(length - 1));
}

void SetInitialResourceLocale() {
  SetPreviouslyLoadedResourceLocale(std::wstring());
  if (!LoadedResourceLocale().empty()) return;
  const std::vector<Rtl::TModuleEntry> modules = Rtl::Modules();
  if (modules.empty()) return;
  wchar_t fileName[261];
  const DWORD length = GetModuleFileNameW(AsModule(modules.front().Instance), fileName, 261);
  if (length == 0 || length >= 261) return;
  SetLoadedResourceLocale(Rtl::GetLocaleOverride(std::wstring(fileName, length)));
}

}  // namespace Qd

namespace Qd::QdLocalizationUnit {

void Initialization() {
  // The process locale is fixed at start-up: the user's default locale.
  Rtl::SysLocale();
  State.Start(std::make_unique<TQdLocalizationState>());
  SetInitialResourceLocale();
}

void Finalization() { State.Stop(); }

}  // namespace Qd::QdLocalizationUnit
