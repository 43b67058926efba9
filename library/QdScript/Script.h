// QdScript: the script table, GDI charsets and code pages of languages, the
// older locale and resource-file naming conventions, and the installed code
// pages.
#pragma once

#include <cstdint>
#include <string>

#include "QdScript/CodePages.h"
#include "QdScript/Nls.h"
#include "runtime/Core/TypeInfo.h"

namespace Qd {

enum TCharacterScriptType : std::uint8_t { csAlphabet, csIdeographic, csBiDirectional, csOther };
RTL_ENUM_INFO(TCharacterScriptType, L"csAlphabet", L"csIdeographic", L"csBiDirectional", L"csOther")

enum TScriptReadingOrder : std::uint8_t { srLeftToRight, srRightToLeft };
RTL_ENUM_INFO(TScriptReadingOrder, L"srLeftToRight", L"srRightToLeft")

// One entry of the script table.
struct TScriptData {
  std::wstring Name;  // localized (a resource string)
  std::wstring Id;    // ISO 15924 code; "" for the default entry
  TCharacterScriptType ScriptType = csAlphabet;
  std::wstring Alias;       // further codes written for the script, ';'-separated
  std::int32_t Offset = 0;  // a code point of the script's block; 0 for the first ten
};

// The GDI charset, ANSI code page and reading order of a code-page bit of
// a locale's font signature.
struct TCharsetInfo {
  std::int32_t CharSet;
  std::int32_t CodePage;
  TScriptReadingOrder ReadingOrder;
};

// Indexed by the bit of the first word of a font signature's default code
// pages; the rows without a code page are zero.
inline constexpr TCharsetInfo CHARSETSET_TO_ID_C[32] = {
    {0, 1252, srLeftToRight},   {238, 1250, srLeftToRight}, {204, 1251, srLeftToRight},
    {161, 1253, srLeftToRight}, {162, 1254, srLeftToRight}, {177, 1255, srRightToLeft},
    {178, 1256, srRightToLeft}, {186, 1257, srLeftToRight}, {163, 1258, srLeftToRight},
    {0, 0, srLeftToRight},      {0, 0, srLeftToRight},      {0, 0, srLeftToRight},
    {0, 0, srLeftToRight},      {0, 0, srLeftToRight},      {0, 0, srLeftToRight},
    {0, 0, srLeftToRight},      {222, 874, srLeftToRight},  {128, 932, srLeftToRight},
    {134, 936, srLeftToRight},  {129, 949, srLeftToRight},  {136, 950, srLeftToRight},
    {130, 1361, srLeftToRight}, {0, 0, srLeftToRight},      {0, 0, srLeftToRight},
    {0, 0, srLeftToRight},      {0, 0, srLeftToRight},      {0, 0, srLeftToRight},
    {0, 0, srLeftToRight},      {0, 0, srLeftToRight},      {0, 0, srLeftToRight},
    {0, 0, srLeftToRight},      {0, 0, srLeftToRight},
};

// A locale's font signature as the system delivers it (LOCALE_FONTSIGNATURE).
struct TLocaleFontSignature {
  std::uint32_t fsUsb[4];
  std::uint32_t fsCsbDefault[2];
  std::uint32_t fsCsbSupported[2];
};
static_assert(sizeof(TLocaleFontSignature) == 32);

class TScript {
public:
  TScript() = delete;

  // The script table.
  static int GetScriptDataCount();
  // Raises "GetScriptData not implemented" for an index outside the table.
  static TScriptData GetScriptData(int index);
  // The first entry whose Id is `value` (exact); the default entry else.
  static TScriptData GetScriptData(const std::wstring& value);
  static bool IsValidIsoCode(const std::wstring& str);
  static TCharacterScriptType ScriptToType(const std::wstring& script);
  static TScriptReadingOrder ScriptToReadingOrder(const std::wstring& script);

  // Charsets and reading order.
  static std::int32_t CharSetToCodePage(std::int32_t charset);
  static TCharsetInfo GetCharSetInfo(std::int32_t langId);
  static TScriptReadingOrder LangIdToReadingOrder(std::int32_t langId);

  // Language and country codes. The pieces keep their case; a piece that
  // is missing is "".
  static void ParseLocale(const std::wstring& locale, std::wstring& language, std::wstring& country,
                          std::wstring& variant, wchar_t separator);
  static void ParseLocale(const std::wstring& locale, std::wstring& language, std::wstring& country,
                          wchar_t separator);
  static void ParseVistaLocale(const std::wstring& locale, std::wstring& language, std::wstring& country,
                               std::wstring& variant, std::wstring& script);
  static std::wstring GetLanguageFromLocale(const std::wstring& locale);
  static std::wstring GetCountryFromLocale(const std::wstring& locale);
  static bool IsLanguageKnownBySystem(const std::wstring& value);
  static std::wstring GetOriginalLanguageName(std::int32_t langId);

  // The Windows SDK's LANG_ and SUBLANG_ constants.
  static std::int32_t PrimaryConstToId(const std::wstring& value);
  static std::wstring IdToPrimaryConst(std::int32_t value, const std::wstring& language);
  static std::int32_t SubConstToId(const std::wstring& value);
  static std::wstring IdToSubConst(std::int32_t primary, std::int32_t sub, const std::wstring& language);

  // Resource-file extensions ("DEU", "DE").
  static std::int32_t ExtToLocale(const std::wstring& ext);
  static std::int32_t FileNameToLocale(const std::wstring& fileName);
  static std::wstring LocaleToExt(std::int32_t locale);

  static bool IsCodePageInstalled(std::int32_t codePage);

  // `language` has two or three letters and is known to the system language
  // table; `country` is empty, or has two or three letters and is known for
  // the language in some script. Defined by QdLanguages, which holds the
  // table.
  static bool AreLanguageAndCountryIdsValid(const std::wstring& language, const std::wstring& country);

  // The six Unicode encodings (utf-8, unicode, unicodeFFFE, UTF-32LE,
  // UTF-32BE, GB18030), independent of the code-page table.
  static int GetUnicodeCount();
  // Raises "Error Message" for an index outside 0..5.
  static TEncodingData GetUnicodeData(int index);
  // The entry whose code is `encoding` (exact).
  static bool GetUnicodeData(const std::wstring& encoding, TEncodingData& data);
  static bool IsUnicodeEncoding(const std::wstring& encoding);
  // The entry of `category`; the utf-8 entry when none.
  static TEncodingData FindUnicodeData(TEncodingCategory category);
  // From the code-page table when it knows `encoding`, else a Unicode
  // entry.
  static bool GetEncodingData(const std::wstring& encoding, TEncodingData& data);
  static TEncodingData CodePageDataToEncodingData(const TCodePageObject& codePage);
  static TEncodingCategories GetAllEncodingCategories();
};

}  // namespace Qd
