// Unit QdBase: the language state of the localization framework (which
// language is loaded, which one the program was written in, which one is
// the default), the language records and their list, and the conversions
// between locale ids and language codes.
//
// A locale id is the platform's 32-bit language identifier: bits 0-9 the
// primary language, bits 10-15 the sublanguage. A language code is text such
// as "de", "de-AT", "sr-Latn-RS" or a three-letter abbreviation ("DEU").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/Core/Object.h"
#include "runtime/Core/TypeInfo.h"
#include "runtime/Core/Types.h"

namespace Rtl {
class TStringList;
}

namespace Qd {

enum TQdDayOfWeek : std::uint8_t { wdMonday, wdTuesday, wdWednesday, wdThursday, wdFriday, wdSaturday, wdSunday };
RTL_ENUM_INFO(TQdDayOfWeek, L"wdMonday", L"wdTuesday", L"wdWednesday", L"wdThursday", L"wdFriday",
              L"wdSaturday", L"wdSunday")

enum TQdFirstWeekOfYear : std::uint8_t { fwFirstPart, fwFirstFull, fwFirst4 };
RTL_ENUM_INFO(TQdFirstWeekOfYear, L"fwFirstPart", L"fwFirstFull", L"fwFirst4")

enum TQdLayout : std::uint8_t { laLeftToRight, laRightToLeft };
RTL_ENUM_INFO(TQdLayout, L"laLeftToRight", L"laRightToLeft")

enum TQdLanguageName : std::uint8_t { lnNative, lnLocalized, lnBoth, lnEnglish, lnSystem };
RTL_ENUM_INFO(TQdLanguageName, L"lnNative", L"lnLocalized", L"lnBoth", L"lnEnglish", L"lnSystem")

enum TQdLanguageNameCase : std::uint8_t { lcDefault, lcUpper, lcLower };
RTL_ENUM_INFO(TQdLanguageNameCase, L"lcDefault", L"lcUpper", L"lcLower")

inline constexpr wchar_t LOCALE_SEPARATOR = L'-';

// --- The unit's globals ------------------------------------------------------------
// Set by the unit's start-up; each raises Rtl::Exception "QdBase is not
// started" before it and after shutdown.

// The directory of the resource modules, absolute or relative to the
// executable's directory; empty: beside the executable.
const std::wstring& ResourceDllDir();
void SetResourceDllDir(std::wstring value);
// The code of the language now loaded; empty: the original resources.
const std::wstring& LoadedResourceLocale();
void SetLoadedResourceLocale(std::wstring value);
// What LoadedResourceLocale was before the last switch of language.
const std::wstring& PreviouslyLoadedResourceLocale();
void SetPreviouslyLoadedResourceLocale(std::wstring value);
TQdDayOfWeek FirstDayOfWeek();
void SetFirstDayOfWeek(TQdDayOfWeek value);
TQdFirstWeekOfYear FirstWeekOfYear();
void SetFirstWeekOfYear(TQdFirstWeekOfYear value);
TQdLayout UiLayout();
void SetUiLayout(TQdLayout value);
// The language the program was written in ("en").
const std::wstring& OriginalLanguage();
void SetOriginalLanguage(std::wstring value);
// The language chosen when nothing better is found ("en").
const std::wstring& DefaultLocale();
void SetDefaultLocale(std::wstring value);
// The language of the lnSystem names; set by the program.
const std::wstring& SystemLanguage();
void SetSystemLanguage(std::wstring value);
// The files unpacked from the executable, deleted at shutdown.
Rtl::TStringList& ExtractedResourceFiles();

// --- Languages ---------------------------------------------------------------------

// One available language: a code with its locale id and, for a resource
// module, its file (empty for a language of the translation collection).
class TQdLanguage : public Rtl::TObject {
public:
  TQdLanguage() = default;

  const std::wstring& GetCode() const { return FCode; }
  void SetCode(std::wstring value) { FCode = std::move(value); }
  std::int32_t GetId() const { return FId; }
  void SetId(std::int32_t value) { FId = value; }
  const std::wstring& GetFileName() const { return FFileName; }
  void SetFileName(std::wstring value) { FFileName = std::move(value); }
  TQdLanguageNameCase GetLanguageNameCase() const { return FLanguageNameCase; }
  void SetLanguageNameCase(TQdLanguageNameCase value) { FLanguageNameCase = value; }

  // The code; for a resource module the extension of its file without the
  // dot.
  std::wstring GetActiveCode() const;

  // "<native> - <localized>".
  static std::wstring GetBoth(const std::wstring& native, const std::wstring& localized);
  // `value` with its first character in upper (lcUpper) or lower (lcLower)
  // case; only ASCII letters change.
  static std::wstring CheckCase(const std::wstring& value, TQdLanguageNameCase nameCase);

private:
  std::wstring FCode;
  std::int32_t FId = 0;
  std::wstring FFileName;
  TQdLanguageNameCase FLanguageNameCase = lcDefault;
};

// A list of languages that owns them.
class TQdLanguages : public Rtl::TObject {
public:
  TQdLanguages() = default;
  TQdLanguages(const TQdLanguages&) = delete;
  TQdLanguages& operator=(const TQdLanguages&) = delete;

  int GetCount() const { return static_cast<int>(FItems.size()); }
  // Raises "List index out of bounds (%d)" for a bad index.
  TQdLanguage* GetItems(int index) const;

  // The first language whose file is `fileName`, letter case aside; null
  // when there is none.
  TQdLanguage* FindByFile(const std::wstring& fileName) const;
  // A new language at the end (its id from the code when `id` isn't
  // positive); null, adding nothing, when `fileName` is listed already.
  TQdLanguage* Add(const std::wstring& code, std::int32_t id, const std::wstring& fileName);
  TQdLanguage* Add(std::unique_ptr<TQdLanguage> language);
  // Adds DefaultLocale, without a file.
  TQdLanguage* AddDefault();

private:
  std::vector<std::unique_ptr<TQdLanguage>> FItems;
};

// --- Locale ids and codes --------------------------------------------------------

class TQdBase {
public:
  TQdBase() = delete;

  // `exeFile` with its extension replaced by "." and `code`.
  static std::wstring GetLanguageFile(const std::wstring& exeFile, const std::wstring& code);
  // The language file of the running module for LoadedResourceLocale.
  static std::wstring GetCurrentLanguageFile();
  // The full path of the module this code runs in, whatever its length;
  // empty when the platform can't tell.
  static std::wstring GetRunningFileName();
  // The head module of the module list has a resource module installed.
  static bool IsLoaded();
  // The head module's resource handle; the program's instance when the
  // list is empty.
  static Rtl::HINST GetResourceInstance();
  static bool IsLocaleCompatible(std::int32_t locale);
  // The shell folder of that number (5: the user's documents), from the
  // system's shfolder.dll; empty when it can't be had.
  static std::wstring GetFolderPath(int folder);

  static std::int32_t MakeLangId(std::int32_t primary, std::int32_t sub);
  static std::int32_t LocaleToPrimary(std::int32_t locale);
  static std::int32_t LocaleToSub(std::int32_t locale);

  // Splits a code at "-" or "_" into language (lower case), script (four
  // letters, first upper), country (upper case) and variant.
  static void ParseLocaleId(const std::wstring& code, std::wstring& language, std::wstring& script,
                            std::wstring& country, std::wstring& variant);
  // Splits a code at "-" into language, country and variant as they stand.
  static void ParseLocaleString(const std::wstring& code, std::wstring& language, std::wstring& country,
                                std::wstring& variant);

  // The user's default locale: "de", "de-DE".
  static std::wstring GetDefaultLanguage();
  static std::wstring GetDefaultLocale();
  // The user's and the system's user-interface language.
  static std::int32_t GetUserLanguage();
  static std::int32_t GetSystemLanguage();

  // "de", or "de-DE" for a locale with a sublanguage.
  static std::wstring LocaleToIsoCode(std::int32_t locale);
  // The first supported locale with that ISO 639 language and (unless
  // empty) ISO 3166 country, letter case aside; only its primary language
  // when `country` is empty; 0 when none matches.
  static std::int32_t IsoLanguageToLocale(const std::wstring& language, const std::wstring& country);
  static std::int32_t IsoToLocale(const std::wstring& code);
  // The three-letter abbreviation of the locale ("DEU"), two letters for a
  // neutral locale ("DE"); empty for 0.
  static std::wstring LocaleToExtension(std::int32_t locale);
};

}  // namespace Qd

namespace Qd::QdBaseUnit {

// Sets the globals to their start values and creates the empty list of
// extracted files; shutdown frees them.
void Initialization();
void Finalization();

}  // namespace Qd::QdBaseUnit
