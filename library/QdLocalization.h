// Unit QdLocalization: locale questions of the language switching. Which
// locale a language code or a resource-module extension stands for, which
// language the program's own forms are in, whether a language is written
// right to left or is East Asian, whether a resource module's version
// matches the program's; and the process-wide number, date and time formats
// filled from a locale.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/Core/Types.h"

namespace Qd {

class TQdLocale {
public:
  TQdLocale() = delete;

  // 936 for the locale id 4 (Chinese) without asking the platform;
  // otherwise the locale's default ANSI code page, 0 when it has none.
  static std::int32_t LocaleToCodePage(std::int32_t locale);
  // "de", or "de-DE" for a locale with a sublanguage.
  static std::wstring LocaleToIso639(std::int32_t locale);
  // "de", or "de_DE" for a locale with a sublanguage; empty for 0.
  static std::wstring LocaleToIso(std::int32_t locale);
  // The locale of a code: a three-letter abbreviation ("DEU", a leading
  // dot ignored) or language-country ("de-DE") gives the specific locale;
  // otherwise an abbreviation without its last letter ("DE") or an ISO 639
  // name ("de") gives the neutral language. Letter case is ignored; the
  // first supported locale that matches wins; 0 when none does.
  static std::int32_t ExtensionToLocale(const std::wstring& value);

  // Fills the process-wide formats (Rtl::FormatSettings()) and the week
  // globals of QdBase from the locale of `code` (of DefaultLocale when
  // empty).
  static void UpdateFormatSettings(const std::wstring& code);
  // The same from a locale id. A first day of the week or first week of
  // the year that is not a number, or out of range, raises EConvertError
  // after every other field was written.
  static void UpdateFormatSettings(std::int32_t locale);
  // Follows LoadedResourceLocale, when a language is loaded.
  static void CheckLocaleVariables();

  // The locale of the program's own forms, found at the first call: the
  // language of the first form resource; of several, the user's
  // user-interface language or its primary language. 0 when the program has
  // no form, or none of its languages is the user's (then the next call
  // looks again).
  static std::int32_t GetFormLocale();
  // The same examination of another module's forms, without keeping the
  // answer.
  static std::int32_t GetModuleFormLocale(Rtl::HINST module);
  // PreviouslyLoadedResourceLocale, or the extension of the form locale.
  static std::wstring GetPreviousLocale();

  // The first two letters of the code, in lower case, are "ar", "he" or
  // "fa" (for IsLocaleBidi) or "jp", "ch" or "ko" (IsLocaleAsian): the
  // three-letter extensions ARA, HEB, FAR, JPN, CHS, CHT, KOR.
  static bool IsLocaleBidi(const std::wstring& code);
  static bool IsLocaleAsian(const std::wstring& code);
  static bool IsActiveLocaleBidi();
  static bool IsActiveLocaleAsian();
  static bool IsPreviousLocaleBidi();
};

class TQdResource {
public:
  TQdResource() = delete;

  // LoadedResourceLocale when a resource module is loaded, otherwise the
  // ISO name of the form locale; DefaultLocale when that is empty.
  static std::wstring GetActiveLocale();
  // The file version of `module` is the program's. True when the program
  // has no version resource, or the module none; false when the module's
  // version resource is malformed.
  static bool DoesVersionMatch(Rtl::HINST module);
  // The same for the loaded resource module; true when none is loaded.
  static bool DoesVersionMatch();
  // The same for the resource module of that code beside the program, and
  // for a given file; true when it can't be loaded.
  static bool DoesLocaleVersionMatch(const std::wstring& code);
  static bool DoesLocaleVersionMatchFile(const std::wstring& fileName);
};

// `format` with the era letters of the locale's calendar: for the Japanese
// emperor era, Taiwan and Korean Tangun era calendars (3, 4, 5) "gg"
// becomes "ggg" and the years become era years (y to e); otherwise, in a
// Chinese, Japanese or Korean process, the era letters g go.
std::wstring TranslateDateFormat(std::int32_t locale, const std::wstring& format);
// The rewriting itself, for the calendar type of a locale and the primary
// language of the process.
std::wstring TranslateCalendarFormat(std::int32_t calendar, std::int32_t processLanguage, const std::wstring& format);
// One locale value; `Default` when the platform has none or it is longer
// than 255 characters.
std::wstring GetLocaleStr(std::int32_t locale, std::uint32_t localeType, const std::wstring& Default);
// The start-up step: LoadedResourceLocale from the language override
// registered for the head module, when no language is set.
void SetInitialResourceLocale();

}  // namespace Qd

namespace Qd::QdLocalizationUnit {

void Initialization();
void Finalization();

}  // namespace Qd::QdLocalizationUnit
