// The fuzz targets of language codes: parsing, composing, legacy forms,
// normalizing, detecting and the look-ups of the system language table.
#include "LanguageTargets.h"

#include <string>
#include <vector>

#include "QdLanguages.h"

namespace Fuzz {

namespace {

using Qd::TSystemLanguages;
namespace Ql = Qd::QdLanguages;

const wchar_t* const PIECES_C[] = {L"sr", L"Latn", L"RS", L"zh", L"Hant", L"Hans", L"TW", L"de", L"DE", L"1996",
                                   L"phoneb", L"x", L"ccp", L"Cakm", L"419", L"az", L"Cyrl", L"uz", L"bs", L"CYR",
                                   L"LAT", L"en", L"001", L"ja", L"Hira", L"Kana", L"", L" US", L"cnr", L"ME",
                                   L"ABCD", L"\u00DFxyz", L"SR", L"latn", L"iu", L"Cans"};

void CheckCode(const std::wstring& text, unsigned selector) {
  std::wstring language, script, country, variant;
  TSystemLanguages::ParseId(text, language, script, country, variant);
  for (wchar_t c : language)
    if (c >= L'A' && c <= L'Z') Fail("ParseId: the language is not lower case");
  for (wchar_t c : country)
    if (c >= L'a' && c <= L'z') Fail("ParseId: the country is not upper case");
  if (text.size() < language.size() || text.size() < country.size()) Fail("ParseId: a part longer than the code");

  const auto idCase = static_cast<Qd::TLanguageIdCase>(selector % 3);
  const auto idScript = static_cast<Qd::TLanguageIdScript>(selector / 3 % 3);
  const wchar_t separator = selector & 16 ? L'_' : L'-';
  TSystemLanguages::ComposeId(language, script, country, variant, separator, idCase, idScript);
  TSystemLanguages::GetLegacyId(language, script, country, variant, separator, idCase, idScript);

  const std::wstring normal = TSystemLanguages::NormalizeId(text);
  if (TSystemLanguages::NormalizeId(normal) != normal) Fail("NormalizeId: not idempotent");
  TSystemLanguages::RemoveVariant(text);
  TSystemLanguages::GetCountryNeutralId(text);

  Qd::TLanguageIdKinds kinds;
  Qd::TLanguageIdCases cases;
  Qd::TLanguageIdScripts scripts;
  Qd::TLanguageId::Detect(text, kinds, cases, scripts);
  if (kinds.Contains(Qd::liStandard) && kinds.Contains(Qd::liUnderline)) Fail("Detect: two kinds for one code");

  const TSystemLanguages& table = Qd::SystemLanguages();
  if (const Qd::TSystemLocale* entry = table.FindId(text)) {
    if (dynamic_cast<const Qd::TSystemLanguage*>(entry) == nullptr && country.empty())
      Fail("FindId: a country or variant for a code without country");
  }
  table.GetLocaleName(text, selector & 32);
  table.LanguageToNlsLocale(language, script, variant, country);
  const Qd::TLanguage selected(text);
  selected.GetIdWithCountry();
  selected.GetDisplayName();
}

}  // namespace

void LanguageCodes(TInput input) {
  // The first byte picks the case, script rule and separator; the rest is
  // the code, read both as UTF-16 and a byte per unit.
  const unsigned selector = input.empty() ? 0 : input[0];
  const TInput code = input.empty() ? input : input.subspan(1);
  CheckCode(AsUtf16(code), selector);
  CheckCode(AsLatin1(code), selector);
}

std::vector<TBytes> LanguageCodeSeeds() {
  std::vector<TBytes> seeds;
  std::uint8_t selector = 0;
  for (const wchar_t* code : {L"sr-Latn-RS", L"SR_latn_rs", L"zh-Hant", L"de--1996", L"de-DE-phoneb", L"es-419",
                              L"x-IV_mathan", L"sr-Cyrl-ABCD", L"ja-Hira-JP", L"en-us"}) {
    TBytes seed{selector};
    selector = static_cast<std::uint8_t>(selector + 7);
    const TBytes text = Utf16Bytes(code);
    seed.insert(seed.end(), text.begin(), text.end());
    seeds.push_back(std::move(seed));
  }
  return seeds;
}

std::vector<std::string> LanguageCodeTokens() {
  return {"-", "_", "--", "Latn", "Hant", "Cyrl", "RS", "US", "419", "LAT", "CYR", "zh", "sr", " ", "phoneb"};
}

TBytes GenerateLanguageCode(std::uint64_t seed) {
  std::wstring code;
  const int pieces = static_cast<int>(seed % 6);
  for (int i = 0; i < pieces; ++i) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    if (i > 0) code += (seed >> 60) & 1 ? L'_' : L'-';
    code += PIECES_C[(seed >> 33) % std::size(PIECES_C)];
  }
  TBytes bytes{static_cast<std::uint8_t>(seed >> 56)};
  const TBytes text = Utf16Bytes(code);
  bytes.insert(bytes.end(), text.begin(), text.end());
  return bytes;
}

}  // namespace Fuzz
