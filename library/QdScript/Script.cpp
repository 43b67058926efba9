#include "QdScript/Script.h"

#include <vector>

#include "QdScript/Strings.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Text/Ascii.h"

namespace Qd {

namespace {

struct TScriptRow {
  const Rtl::TResStringRec* Name;
  const wchar_t* Id;
  TCharacterScriptType ScriptType;
  const wchar_t* Alias;
  std::int32_t Offset;
};

const TScriptRow SCRIPTS_C[] = {
    {&SScriptDefault, L"", csAlphabet, L"", 0},
    {&SScriptLatin, L"Latn", csAlphabet, L"", 0},
    {&SScriptGreek, L"Grek", csAlphabet, L"", 0},
    {&SScriptCyrillic, L"Cyrl", csAlphabet, L"", 0},
    {&SScriptArabic, L"Arab", csBiDirectional, L"", 0},
    {&SScriptHebrew, L"Hebr", csBiDirectional, L"", 0},
    {&SScriptJapanese, L"Jpan", csIdeographic, L"Hira;Kana", 0},
    {&SScriptTraditionalChinese, L"Hant", csIdeographic, L"", 0},
    {&SScriptSimplifiedChinese, L"Hans", csIdeographic, L"", 0},
    {&SScriptKorean, L"Kore", csIdeographic, L"Hang", 0},
    {&SScriptThai, L"Thai", csOther, L"", 0x0E01},
    {&SScriptArmenian, L"Armn", csOther, L"", 0x0531},
    {&SScriptBengali, L"Beng", csOther, L"", 0x0985},
    {&SScriptBrahmi, L"Brah", csOther, L"", 0x1780},
    {&SScriptDevanagari, L"Deva", csOther, L"", 0x0904},
    {&SScriptEthiopic, L"Ethi", csOther, L"", 0x1200},
    {&SScriptGeorgian, L"Geor", csOther, L"", 0x10A0},
    {&SScriptGujarati, L"Gujr", csOther, L"", 0x0A85},
    {&SScriptInuktitut, L"Cans", csOther, L"", 0x1401},
    {&SScriptGurmukhi, L"Guru", csOther, L"", 0x0A05},
    {&SScriptKannada, L"Knda", csOther, L"", 0x0C85},
    {&SScriptMalayalam, L"Mlym", csOther, L"", 0x0D05},
    {&SScriptMongolian, L"Mong", csOther, L"", 0x1820},
    {&SScriptOriya, L"Orya", csOther, L"", 0x0B05},
    {&SScriptSyriac, L"Syrc", csOther, L"", 0x0710},
    {&SScriptTamil, L"Taml", csOther, L"", 0x0BE6},
    {&SScriptTelugu, L"Telu", csOther, L"", 0x0C12},
    {&SScriptTibetan, L"Tibt", csOther, L"", 0x0F10},
    {&SScriptThaana, L"Thaa", csOther, L"", 0x0780},
    {&SScriptYi, L"Yiii", csOther, L"", 0xA000},
    {&SScriptKhmer, L"Khmr", csOther, L"", 0x1780},
    {&SScriptLao, L"Laoo", csOther, L"", 0x0E80},
    {&SScriptSinhala, L"Sinh", csOther, L"", 0x0D85},
    {&SScriptCherokee, L"Cher", csOther, L"", 0x13A0},
    {&SScriptMyanmar, L"Mymr", csOther, L"", 0x1000},
    {&SScriptNKo, L"Nkoo", csOther, L"", 0x07C0},
    {&SScriptTifinagh, L"Tfng", csOther, L"", 0x2D30},
    {&SScriptJavanese, L"Java", csOther, L"", 0xA980},
    {&SScriptVai, L"Vaii", csOther, L"", 0xA500},
};
static_assert(std::size(SCRIPTS_C) == 39);

// The index of the first entry whose Id is `value`; 0 (the default) else.
std::size_t FindScript(const std::wstring& value) {
  for (std::size_t i = 0; i < std::size(SCRIPTS_C); ++i)
    if (value == SCRIPTS_C[i].Id) return i;
  return 0;
}

TScriptData ToData(const TScriptRow& row) {
  return {Rtl::LoadResString(*row.Name), row.Id, row.ScriptType, row.Alias, row.Offset};
}

// The pieces of `text` between the separators; one piece for a text
// without any.
std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t p = text.find(separator, start);
    if (p == std::wstring::npos) break;
    pieces.push_back(text.substr(start, p - start));
    start = p + 1;
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

std::wstring Piece(const std::vector<std::wstring>& pieces, std::size_t index) {
  return index < pieces.size() ? pieces[index] : std::wstring();
}

}  // namespace

int TScript::GetScriptDataCount() { return static_cast<int>(std::size(SCRIPTS_C)); }

TScriptData TScript::GetScriptData(int index) {
  if (index < 0 || index >= GetScriptDataCount()) throw Rtl::Exception(L"GetScriptData not implemented");
  return ToData(SCRIPTS_C[static_cast<std::size_t>(index)]);
}

TScriptData TScript::GetScriptData(const std::wstring& value) { return ToData(SCRIPTS_C[FindScript(value)]); }

bool TScript::IsValidIsoCode(const std::wstring& str) { return str.size() == 4 && FindScript(str) != 0; }

TCharacterScriptType TScript::ScriptToType(const std::wstring& script) {
  return SCRIPTS_C[FindScript(script)].ScriptType;
}

TScriptReadingOrder TScript::ScriptToReadingOrder(const std::wstring& script) {
  return ScriptToType(script) == csBiDirectional ? srRightToLeft : srLeftToRight;
}

std::int32_t TScript::CharSetToCodePage(std::int32_t charset) {
  if (charset < 0) return 0;
  for (const TCharsetInfo& row : CHARSETSET_TO_ID_C)
    if (row.CharSet == charset) return row.CodePage;
  return 0;
}

TScriptReadingOrder TScript::LangIdToReadingOrder(std::int32_t langId) { return GetCharSetInfo(langId).ReadingOrder; }

void TScript::ParseLocale(const std::wstring& locale, std::wstring& language, std::wstring& country,
                          std::wstring& variant, wchar_t separator) {
  const std::vector<std::wstring> pieces = Split(locale, separator);
  language = Piece(pieces, 0);
  country = Piece(pieces, 1);
  variant = Piece(pieces, 2);
}

void TScript::ParseLocale(const std::wstring& locale, std::wstring& language, std::wstring& country,
                          wchar_t separator) {
  std::wstring variant;
  ParseLocale(locale, language, country, variant, separator);
}

void TScript::ParseVistaLocale(const std::wstring& locale, std::wstring& language, std::wstring& country,
                               std::wstring& variant, std::wstring& script) {
  ParseLocale(locale, language, country, variant, L'-');
  script.clear();
  if (!variant.empty()) {
    // language-Script-COUNTRY: the second piece is the script when the
    // table knows it, the third the country.
    if (const std::size_t i = FindScript(country); i != 0) script = SCRIPTS_C[i].Id;
    country = variant;
    variant.clear();
  }
  const std::size_t p = country.find(L'_');
  if (p != std::wstring::npos) {
    variant = country.substr(p + 1);
    country.resize(p);
  }
}

std::wstring TScript::GetLanguageFromLocale(const std::wstring& locale) { return locale.substr(0, 2); }

std::wstring TScript::GetCountryFromLocale(const std::wstring& locale) {
  return locale.size() > 3 ? locale.substr(3, 2) : std::wstring();
}

std::int32_t TScript::PrimaryConstToId(const std::wstring& value) {
  for (const TPrimaryData& row : NLS_PRIMARIES_C)
    if (Rtl::AsciiSameText(row.Name, value)) return row.Primary;
  return -1;
}

std::wstring TScript::IdToPrimaryConst(std::int32_t value, const std::wstring& language) {
  for (const TPrimaryData& row : NLS_PRIMARIES_C)
    if (row.Primary == value && (row.Language.empty() || row.Language == language)) return std::wstring(row.Name);
  return L"LANG_NEUTRAL";
}

std::int32_t TScript::SubConstToId(const std::wstring& value) {
  for (const TSubData& row : NLS_SUB_C)
    if (Rtl::AsciiSameText(row.Name, value)) return row.Sub;
  return -1;
}

std::wstring TScript::IdToSubConst(std::int32_t primary, std::int32_t sub, const std::wstring& language) {
  for (const TSubData& row : NLS_SUB_C)
    if (row.Primary == primary && row.Sub == sub && (row.Language.empty() || row.Language == language))
      return std::wstring(row.Name);
  return sub == 1 ? L"SUBLANG_DEFAULT" : L"SUBLANG_NEUTRAL";
}

}  // namespace Qd
