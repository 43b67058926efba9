// TQdBase: locale ids, language codes, the running module and its
// resources.
#include <cstdlib>
#include <exception>
#include <utility>

#include "QdBase.h"
#include "QdWindows.h"
#include "runtime/Core/Modules.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/IO/Files.h"
#include "runtime/System/Handles.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"

namespace Qd {

namespace {

// One item of locale information of a locale id; empty when the query
// fails.
std::wstring LocaleInfo(LCID locale, LCTYPE type) {
  const int size = GetLocaleInfoW(locale, type, nullptr, 0);
  if (size <= 0) return {};
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  const int length = GetLocaleInfoW(locale, type, text.data(), size);
  if (length <= 0) return {};
  text.resize(static_cast<std::size_t>(length - 1));  // the answer counts the zero
  return text;
}

// Takes the next part off `rest`: up to the first of `separators` (which
// goes), or all of it.
std::wstring NextPart(std::wstring_view& rest, std::wstring_view separators) {
  const std::size_t end = rest.find_first_of(separators);
  std::wstring part(rest.substr(0, end));
  rest = end == std::wstring_view::npos ? std::wstring_view() : rest.substr(end + 1);
  return part;
}

// The search of IsoLanguageToLocale. EnumSystemLocalesW passes its callback
// no context, so the search in progress is found through a variable of the
// thread that runs it.
struct TLocaleSearch {
  std::wstring Language;
  std::wstring Country;
  LCID Found = 0;
  std::exception_ptr Error;
};

thread_local TLocaleSearch* CurrentSearch = nullptr;

BOOL CALLBACK SearchLocale(LPWSTR text) {
  TLocaleSearch& search = *CurrentSearch;
  // An exception must not unwind through the system's frames: it is kept
  // and raised again once the enumeration has returned.
  try {
    const LCID locale = static_cast<LCID>(std::wcstoul(text, nullptr, 16));
    if (!Rtl::AsciiSameText(LocaleInfo(locale, LOCALE_SISO639LANGNAME), search.Language)) return TRUE;
    if (!search.Country.empty() &&
        !Rtl::AsciiSameText(LocaleInfo(locale, LOCALE_SISO3166CTRYNAME), search.Country))
      return TRUE;
    search.Found = locale;
    return FALSE;
  } catch (...) {
    search.Error = std::current_exception();
    return FALSE;
  }
}

using TSHGetFolderPathW = HRESULT(WINAPI*)(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path);

}  // namespace

std::wstring TQdBase::GetLanguageFile(const std::wstring& exeFile, const std::wstring& code) {
  return Rtl::ChangeFileExt(exeFile, L"." + code);
}

std::wstring TQdBase::GetCurrentLanguageFile() {
  return GetLanguageFile(GetRunningFileName(), LoadedResourceLocale());
}

std::wstring TQdBase::GetRunningFileName() { return Rtl::GetModuleFileName(Rtl::ThisImage()); }

bool TQdBase::IsLoaded() {
  const std::vector<Rtl::TModuleEntry> modules = Rtl::Modules();
  if (modules.empty()) return false;
  const Rtl::TModuleEntry& head = modules.front();
  return head.ResourceHandle != 0 && head.ResourceHandle != head.Instance;
}

Rtl::HINST TQdBase::GetResourceInstance() {
  const std::vector<Rtl::TModuleEntry> modules = Rtl::Modules();
  return modules.empty() ? Rtl::MainInstance() : modules.front().ResourceHandle;
}

bool TQdBase::IsLocaleCompatible(std::int32_t /*locale*/) { return true; }

std::wstring TQdBase::GetFolderPath(int folder) {
  // Loaded by its full path in the system directory: found by its bare
  // name, a shfolder.dll put beside the program or in the current directory
  // would run with the program's rights.
  wchar_t systemDir[MAX_PATH];
  const UINT length = GetSystemDirectoryW(systemDir, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  const std::wstring libraryName = std::wstring(systemDir, length) + L"\\shfolder.dll";
  const Rtl::TLoadedModule library(LoadLibraryExW(libraryName.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!library) return {};
  const auto getFolderPath = reinterpret_cast<TSHGetFolderPathW>(
      reinterpret_cast<void*>(GetProcAddress(library.Get(), "SHGetFolderPathW")));
  if (getFolderPath == nullptr) return {};
  wchar_t path[MAX_PATH] = {};
  if (FAILED(getFolderPath(nullptr, folder, nullptr, 0, path))) return {};
  return path;
}

std::int32_t TQdBase::MakeLangId(std::int32_t primary, std::int32_t sub) { return primary | (sub << 10); }

std::int32_t TQdBase::LocaleToPrimary(std::int32_t locale) { return locale & 0x3FF; }

std::int32_t TQdBase::LocaleToSub(std::int32_t locale) { return (locale >> 10) & 0x3F; }

void TQdBase::ParseLocaleId(const std::wstring& code, std::wstring& language, std::wstring& script,
                            std::wstring& country, std::wstring& variant) {
  std::wstring_view rest = code;
  language = Rtl::AsciiLowerCase(NextPart(rest, L"-_"));
  std::wstring second = NextPart(rest, L"-_");
  if (second.size() == 4) {
    script = Rtl::AsciiLowerCase(second);
    script[0] = Rtl::AsciiUpper(script[0]);
    country = NextPart(rest, L"-_");
  } else {
    script.clear();
    country = std::move(second);
  }
  variant = NextPart(rest, L"-_");
  country = Rtl::AsciiUpperCase(country);
}

void TQdBase::ParseLocaleString(const std::wstring& code, std::wstring& language, std::wstring& country,
                                std::wstring& variant) {
  std::wstring_view rest = code;
  language = NextPart(rest, L"-");
  country = NextPart(rest, L"-");
  variant = NextPart(rest, L"-");
}

std::wstring TQdBase::GetDefaultLanguage() { return LocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME); }

std::wstring TQdBase::GetDefaultLocale() {
  return GetDefaultLanguage() + LOCALE_SEPARATOR + LocaleInfo(LOCALE_USER_DEFAULT, LOCALE_SISO3166CTRYNAME);
}

std::int32_t TQdBase::GetUserLanguage() { return GetUserDefaultUILanguage(); }

std::int32_t TQdBase::GetSystemLanguage() { return GetSystemDefaultUILanguage(); }

std::wstring TQdBase::LocaleToIsoCode(std::int32_t locale) {
  const LCID id = static_cast<LCID>(locale);
  std::wstring code = LocaleInfo(id, LOCALE_SISO639LANGNAME);
  if (LocaleToSub(locale) != 0) code += LOCALE_SEPARATOR + LocaleInfo(id, LOCALE_SISO3166CTRYNAME);
  return code;
}

std::int32_t TQdBase::IsoLanguageToLocale(const std::wstring& language, const std::wstring& country) {
  TLocaleSearch search{language, country};
  TLocaleSearch* const outer = std::exchange(CurrentSearch, &search);
  EnumSystemLocalesW(&SearchLocale, LCID_SUPPORTED);
  CurrentSearch = outer;
  if (search.Error) std::rethrow_exception(search.Error);
  const std::int32_t found = static_cast<std::int32_t>(search.Found);
  return country.empty() ? LocaleToPrimary(found) : found;
}

std::int32_t TQdBase::IsoToLocale(const std::wstring& code) { return TQdWindows::CodeToId(code); }

std::wstring TQdBase::LocaleToExtension(std::int32_t locale) {
  if (locale == 0) return {};
  std::wstring extension = LocaleInfo(static_cast<LCID>(locale), LOCALE_SABBREVLANGNAME);
  // A neutral language: DE rather than DEU.
  if (LocaleToSub(locale) == 0 && !extension.empty()) extension.pop_back();
  return extension;
}

}  // namespace Qd
