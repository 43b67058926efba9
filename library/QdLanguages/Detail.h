// QdLanguages: helpers shared by the unit's sources.
#pragma once

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace Qd::LanguagesDetail {

struct TScriptCode {
  std::wstring Id;                    // ISO 15924
  std::vector<std::wstring> Aliases;  // further codes written for it
};

// The codes of the script table (the default entry left out), read once.
const std::vector<TScriptCode>& ScriptCodes();

// The ISO code of the script whose code (`aliases`: or one of whose
// aliases) equals `value` ignoring ASCII case; "" when none.
std::wstring FindScriptCode(const std::wstring& value, bool aliases);

// The language codes and the countries of their flags.
inline constexpr const wchar_t* DEFAULT_COUNTRIES_C[][2] = {
    {L"af", L"ZA"}, {L"ar", L"EG"}, {L"az", L"AZ"},      {L"bn", L"BD"}, {L"zh", L"CN"}, {L"zh-Hant", L"TW"},
    {L"hr", L"HR"}, {L"nl", L"NL"}, {L"en", L"US"},      {L"fo", L"FO"}, {L"fr", L"FR"}, {L"de", L"DE"},
    {L"el", L"GR"}, {L"it", L"IT"}, {L"ko", L"KR"},      {L"ms", L"MY"}, {L"mn", L"MN"}, {L"mn-Mong", L"CN"},
    {L"ne", L"NP"}, {L"pt", L"PT"}, {L"qu", L"PE"},      {L"ro", L"RO"}, {L"ru", L"RU"}, {L"sr", L"RS"},
    {L"so", L"SO"}, {L"es", L"ES"}, {L"sv", L"SE"},      {L"tzm", L"MA"}, {L"ti", L"ET"}, {L"tr", L"TR"},
    {L"ur", L"PK"},
};
static_assert(std::size(DEFAULT_COUNTRIES_C) == 31);

// The country of the row of `language` (exact); "" when none.
inline std::wstring DefaultCountry(const std::wstring& language) {
  for (const auto& row : DEFAULT_COUNTRIES_C)
    if (language == row[0]) return row[1];
  return L"";
}

// A count of removals of system table entries (a language, country or
// variant taken out of its table or parent, or a table destroyed). Objects
// that keep pointers to entries drop them when the count has moved.
std::uint64_t EntriesRemoved() noexcept;
void NoteEntriesRemoved() noexcept;

// Serialises the writes of the user's locale values and finishes a pending
// restore; the unit's shutdown calls it.
void FinishRestore() noexcept;

}  // namespace Qd::LanguagesDetail
