// Language codes: reading them into their parts, writing them in the
// standard, legacy and underscore forms, numeric identifiers, and the
// localized language and country names.
#include <cstddef>
#include <string>
#include <vector>

#include "QdLanguages/NameTables.h"
#include "QdLanguages/SystemLanguages.h"
#include "QdString/UnicodeString.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Text/Ascii.h"

namespace Qd {

namespace {

// The pieces of `id` between the characters of `separators`; a trailing
// separator gives no empty last piece.
std::vector<std::wstring> SplitPieces(const std::wstring& id, const std::wstring& separators) {
  std::vector<std::wstring> pieces;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = id.find_first_of(separators, start);
    if (end == std::wstring::npos) {
      if (start < id.size() || pieces.empty()) pieces.push_back(id.substr(start));
      break;
    }
    pieces.push_back(id.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

std::wstring Piece(const std::vector<std::wstring>& pieces, std::size_t index) {
  return index < pieces.size() ? pieces[index] : std::wstring();
}

std::wstring ApplyCase(const std::wstring& value, TLanguageIdCase idCase) {
  switch (idCase) {
    case QdLanguages::lcLower: return Rtl::AsciiLowerCase(value);
    case QdLanguages::lcUpper: return Rtl::AsciiUpperCase(value);
    default: return value;
  }
}

bool HasCountry(const std::wstring& country) { return !country.empty() && country[0] != L' '; }

// The country and variant part of a code: separator and country (and
// separator and variant); without a country, two separators and the variant.
void AppendCountryAndVariant(std::wstring& result, const std::wstring& country, const std::wstring& variant,
                             wchar_t separator) {
  if (HasCountry(country)) {
    result += separator;
    result += country;
    if (!variant.empty()) {
      result += separator;
      result += variant;
    }
  } else if (!variant.empty()) {
    result += separator;
    result += separator;
    result += variant;
  }
}

}  // namespace

void TSystemLanguages::ParseScriptId(const std::wstring& id, std::wstring& language, std::wstring& script,
                                     std::wstring& country, std::wstring& variant, const std::wstring& separators) {
  const std::vector<std::wstring> pieces = SplitPieces(id, separators);
  language = Rtl::AsciiLowerCase(Piece(pieces, 0));
  const std::wstring second = Piece(pieces, 1);
  if (second.size() == 4) {
    script = TUnicodeString::MakeCapital(second);
    country = Piece(pieces, 2);
    variant = Piece(pieces, 3);
  } else {
    script.clear();
    country = second;
    variant = Piece(pieces, 2);
  }
  const std::size_t underline = country.find(L'_');
  if (underline != std::wstring::npos) {
    variant = country.substr(underline + 1);
    country.resize(underline);
  }
  country = Rtl::AsciiUpperCase(country);
}

void TSystemLanguages::ParseId(const std::wstring& id, std::wstring& language, std::wstring& script,
                               std::wstring& country, std::wstring& variant) {
  ParseScriptId(id, language, script, country, variant, L"-_");
  if (script.empty()) script = LanguageToScript(language, country, variant);
}

void TSystemLanguages::ParseId(const std::wstring& id, std::wstring& language, std::wstring& script,
                               std::wstring& country) {
  std::wstring variant;
  ParseId(id, language, script, country, variant);
}

void TSystemLanguages::ParseIdSep(const std::wstring& id, std::wstring& language, std::wstring& country,
                                  std::wstring& variant, const std::wstring& separators) {
  const std::vector<std::wstring> pieces = SplitPieces(id, separators);
  language = Rtl::AsciiLowerCase(Piece(pieces, 0));
  country = Rtl::AsciiUpperCase(Piece(pieces, 1));
  variant = Piece(pieces, 2);
}

void TSystemLanguages::ParseIdNoVariant(const std::wstring& id, std::wstring& language, std::wstring& country,
                                        const std::wstring& separators) {
  std::wstring variant;
  ParseIdSep(id, language, country, variant, separators);
}

std::wstring TSystemLanguages::IdToLanguage(const std::wstring& code) {
  std::wstring language, script, country, variant;
  ParseScriptId(code, language, script, country, variant, L"-_");
  return language;
}

std::wstring TSystemLanguages::CodeToScript(const std::wstring& id) {
  std::wstring language, script, country, variant;
  ParseScriptId(id, language, script, country, variant, L"-_");
  return script;
}

std::wstring TSystemLanguages::IdToScript(const std::wstring& id) {
  std::wstring language, script, country, variant;
  ParseId(id, language, script, country, variant);
  return script;
}

std::wstring TSystemLanguages::LanguageToScript(const std::wstring& language, const std::wstring& country,
                                                const std::wstring& variant) {
  if (language.empty()) return L"";
  if (language == L"sr") return variant == L"LAT" ? L"Latn" : L"Cyrl";
  if (language == L"az" || language == L"uz") return variant == L"CYR" ? L"Cyrl" : L"Latn";
  const TSystemLanguages* table = FindSystemLanguages();
  if (table == nullptr) return L"";
  if (!country.empty())
    for (const auto& item : table->FItems)
      if (item->GetId() == language && item->Find(country) != nullptr) return item->GetScript();
  for (const auto& item : table->FItems)
    if (Rtl::AsciiSameText(item->GetId(), language)) return item->GetScript();
  return L"";
}

std::wstring TSystemLanguages::UnderlineToCode(const std::wstring& value) {
  std::wstring result = value;
  const std::size_t i = result.find(L'_');
  if (i != std::wstring::npos) result[i] = L'-';
  return result;
}

std::wstring TSystemLanguages::ComposeId(const std::wstring& language, const std::wstring& script,
                                         const std::wstring& country, const std::wstring& variant,
                                         wchar_t separator, TLanguageIdCase idCase, TLanguageIdScript idScript) {
  std::wstring result = ApplyCase(language, idCase);
  std::wstring scriptPart = script;
  bool writeScript = false;
  if (idScript == lsAlways || idScript == lsMulti) {
    if (scriptPart.empty()) scriptPart = LanguageToScript(language, country, variant);
    if (idScript == lsAlways) {
      writeScript = true;
    } else {
      const TSystemLanguages* table = FindSystemLanguages();
      writeScript = table != nullptr && table->GetScriptCount(language) >= 2 &&
                    !(Rtl::AsciiSameText(language, L"zh") && !country.empty());
    }
  } else if (!scriptPart.empty()) {
    // A country of four characters (never a real one) would read back as a
    // script: the script is written before it then, default or not.
    writeScript = scriptPart != LanguageToScript(language, country, variant) || country.size() == 4;
  }
  if (writeScript && !scriptPart.empty()) {
    result += separator;
    result += ApplyCase(scriptPart, idCase);
  }
  AppendCountryAndVariant(result, ApplyCase(country, idCase), ApplyCase(variant, idCase), separator);
  return result;
}

std::wstring TSystemLanguages::GetLegacyId(const std::wstring& language, const std::wstring& script,
                                           const std::wstring& country, const std::wstring& variant,
                                           wchar_t separator, TLanguageIdCase idCase, TLanguageIdScript idScript) {
  std::wstring legacyCountry = country;
  std::wstring legacyVariant = variant;
  const bool standard = idScript == lsStandard;
  // The script of the languages written in two scripts goes into a country
  // (filled only when missing) and a variant suffix.
  const auto express = [&](const wchar_t* defaultCountry, const wchar_t* suffix) {
    if (legacyCountry.empty()) legacyCountry = defaultCountry;
    if (suffix != nullptr) legacyVariant = suffix;
  };
  if (language == L"zh") {
    if (country.empty()) {
      if (script == L"Hant") express(L"TW", nullptr);
      else if (!standard) express(L"CN", nullptr);
    }
  } else if (language == L"sr") {
    if (script == L"Latn") express(L"RS", L"LAT");
    else if (!standard) express(L"RS", L"CYR");
  } else if (language == L"bs" || language == L"az" || language == L"uz") {
    const wchar_t* defaultCountry = language == L"bs" ? L"BA" : language == L"az" ? L"AZ" : L"UZ";
    if (script == L"Cyrl") express(defaultCountry, L"CYR");
    else if (!standard) express(defaultCountry, L"LAT");
  }
  return ComposeLegacyId(ApplyCase(language, idCase), ApplyCase(legacyCountry, idCase),
                         ApplyCase(legacyVariant, idCase), separator);
}

std::wstring TSystemLanguages::ComposeLegacyId(const std::wstring& language, const std::wstring& country,
                                               const std::wstring& variant, wchar_t separator) {
  std::wstring result = language;
  AppendCountryAndVariant(result, country, variant, separator);
  return result;
}

std::wstring TSystemLanguages::NormalizeId(const std::wstring& id) {
  std::wstring language, script, country, variant;
  ParseId(id, language, script, country, variant);
  return ComposeId(language, script, country, variant, L'-', QdLanguages::lcStandard, lsStandard);
}

std::wstring TSystemLanguages::RemoveVariant(const std::wstring& id) {
  std::wstring language, script, country, variant;
  ParseId(id, language, script, country, variant);
  return ComposeId(language, script, country, L"", L'-', QdLanguages::lcStandard, lsStandard);
}

std::wstring TSystemLanguages::GetCountryNeutralId(const std::wstring& id) {
  std::wstring language, script, country, variant;
  ParseId(id, language, script, country, variant);
  return ComposeId(language, script, L"", L"", L'-', QdLanguages::lcStandard, lsStandard);
}

std::int32_t TSystemLanguages::MakeLangId(std::int32_t primaryLanguage, std::int32_t subLanguage) {
  return primaryLanguage | (subLanguage << 10);
}

std::int32_t TSystemLanguages::MakeLcId(std::int32_t langId, std::int32_t sortId) { return langId | (sortId << 16); }

std::wstring TSystemLanguages::FormatName(const std::wstring& name, const std::wstring& qualifier) {
  return name + L" (" + qualifier + L")";
}

std::wstring TSystemLanguages::GetLocalizedLanguageName(const std::wstring& language, const std::wstring& script) {
  const LanguageNames::TNameRow* row = nullptr;
  for (const LanguageNames::TNameRow& item : LanguageNames::LANGUAGE_NAMES_C)
    if (language == item.Code) {
      row = &item;
      break;
    }
  if (row == nullptr) return L"";
  const std::wstring name = Rtl::LoadResString(*row->Name);
  const auto qualified = [&](const Rtl::TResStringRec& qualifier) {
    return FormatName(name, Rtl::LoadResString(qualifier));
  };
  if (language == L"az" || language == L"bs" || language == L"sr" || language == L"uz") {
    if (script == L"Latn") return qualified(SQualifierLatin);
    if (script == L"Cyrl") return qualified(SQualifierCyrillic);
    return name;
  }
  if (language == L"zh") return qualified(script == L"Hant" ? SQualifierTraditional : SQualifierSimplified);
  if (language == L"ha") return qualified(script == L"Arab" ? SQualifierArabic : SQualifierLatin);
  if (language == L"iu") return qualified(script == L"Cans" ? SQualifierSyllabics : SQualifierLatin);
  if (language == L"nb") return qualified(SQualifierBokmal);
  if (language == L"nn") return qualified(SQualifierNynorsk);
  if (language == L"se") return qualified(SQualifierNorthern);
  if (language == L"sma") return qualified(SQualifierSouthern);
  if (language == L"smn") return qualified(SQualifierInari);
  if (language == L"sms") return qualified(SQualifierSkolt);
  if (language == L"smj") return qualified(SQualifierLule);
  return name;
}

std::wstring TSystemLanguages::GetLocalizedCountryName(const std::wstring& country) {
  for (const LanguageNames::TNameRow& item : LanguageNames::COUNTRY_NAMES_C)
    if (country == item.Code) return Rtl::LoadResString(*item.Name);
  return L"";
}

}  // namespace Qd
