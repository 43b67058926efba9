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
#include "runtime/Core/Set.h"
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

enum TExtractOption : std::uint8_t { eoCheckDate, eoRemoveFiles };
RTL_ENUM_INFO(TExtractOption, L"eoCheckDate", L"eoRemoveFiles")
using TExtractOptions = Rtl::TSet<TExtractOption, eoRemoveFiles>;

// Where the first language comes from: the user-interface languages, or
// the regional settings.
enum TLocaleSelect : std::uint8_t { lsUI, lsSettings };
RTL_ENUM_INFO(TLocaleSelect, L"lsUI", L"lsSettings")

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

  // The display name of this language (GetDisplayName of its code and id).
  std::wstring GetName(TQdLanguageName kind) const;
  std::wstring GetNativeName() const { return GetName(lnNative); }
  std::wstring GetLocalizedName() const { return GetName(lnLocalized); }
  std::wstring GetEnglishName() const { return GetName(lnEnglish); }
  std::wstring GetSystemName() const { return GetName(lnSystem); }
  // The display name of a language: from the translation collection when it
  // is enabled, otherwise from the platform's locale data.
  static std::wstring GetDisplayName(const std::wstring& id, std::int32_t locale, TQdLanguageName kind,
                                     TQdLanguageNameCase nameCase);

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

  // --- Switching the user-interface language ---------------------------------------
  // Resource modules are resource-only libraries named after a module with
  // a language code as extension (Tool.de, Tool.DEU). A code names a file
  // only when it is plain: ASCII letters, digits, '-' and '_', at most 85
  // characters; any other code names none.

  // Chooses and loads the first language: the override registered for the
  // program, then the user-interface languages (lsUI) or the regional
  // settings (lsSettings). `defaultLocale`, when not empty, becomes
  // DefaultLocale and always passes (with no module: the original
  // resources).
  static void SetInitialLocale(TLocaleSelect select, const std::wstring& defaultLocale);
  // Sets ResourceDllDir and chooses the first language again.
  static void SetResourceDllDir(const std::wstring& dir, TLocaleSelect select);
  // Installs the resource modules of `code` for every module of the module
  // list (de-AT falls back to de, DEU to DE), each module without one going
  // back to its own resources; an empty code puts all back. `fileName`,
  // when given, stands for the head module's file. Empties the cache of
  // resource strings; sets LoadedResourceLocale (empty when no module got
  // one) and PreviouslyLoadedResourceLocale. Returns the first resource
  // handle set.
  static Rtl::HINST LoadNew(const std::wstring& code, const std::wstring& fileName);
  static void DisableResourceDlls();
  // The resource module of `moduleFile` for `code`: in ResourceDllDir, in
  // it under the module's folder, beside the module, or in the documents
  // folder's "Korvanta" folder (the first and the last never for an
  // elevated process when they would depend on the current directory or
  // the user's folders). Empty when none exists.
  static std::wstring GetResourceFile(const std::wstring& moduleFile, const std::wstring& code);
  static bool ResourceFileExist(const std::wstring& moduleFile, const std::wstring& code);
  // The code of the language in use; DefaultLocale when none is loaded.
  static std::wstring GetActiveLocale();
  // Fills `languages` with the languages available (the running module's
  // when `exeFileName` is empty); the number listed.
  static int GetAvailable(TQdLanguages& languages, const std::wstring& exeFileName, bool compatibleOnly,
                          bool checkVersions);
  static int GetAvailableCount(const std::wstring& exeFileName, bool compatibleOnly, bool checkVersions);
  // Raises Rtl::Exception when no language is available.
  static void CheckThatDllsExist();
  // Writes the resource modules embedded in the program as resources of
  // type `resourceType` ("KORVANTA" when empty) beside the running module,
  // or in the documents folder's "Korvanta" folder when that isn't
  // writable (never for an elevated process). Each file is written whole
  // under a temporary name first. Returns how many were written.
  static int ExtractFiles(TExtractOptions options, const std::wstring& resourceType);
  // Gives every module its own resources back and deletes the files that
  // ExtractFiles listed for removal.
  static void DeleteExtractedFiles();
  // A file can be written in `dir` (or `dir` can be made); never raises.
  static bool HasWriteAccess(const std::wstring& dir);
  // `code` may be part of a file name (see above).
  static bool IsPlainCode(const std::wstring& code);
};

}  // namespace Qd

namespace Qd::QdBaseUnit {

// Sets the globals to their start values and creates the empty list of
// extracted files; shutdown frees them.
void Initialization();
void Finalization();

}  // namespace Qd::QdBaseUnit
