// The fuzz target of language list files: a document loaded from bytes and
// merged, in the XML form and in the older form, into a scratch table that
// already holds a few entries (two scripts of one code among them). Bad
// input may only raise the reader's exceptions. After each merge the table
// must hold: no language code twice that was not twice before, no country
// or variant code twice under one parent, every parent set, every number
// in its range; and what the table saves must load again.
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "Fuzz.h"
#include "QdLanguages.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Ascii.h"

namespace Fuzz {

namespace {

using namespace Qd;

template <class T>
std::unique_ptr<T> Entry(const wchar_t* id, int sub, bool custom) {
  auto entry = std::make_unique<T>();
  entry->SetId(id);
  entry->SetSub(sub);
  entry->SetCustom(custom);
  entry->SetEnglishName(id);
  return entry;
}

std::unique_ptr<TSystemLanguages> ScratchTable() {
  auto table = std::make_unique<TSystemLanguages>();
  auto de = std::make_unique<TSystemLanguage>();
  de->SetId(L"de");
  de->SetScript(L"Latn");
  de->SetPrimary(7);
  de->SetCodePages(ecAnsi, 1252);
  de->Add(Entry<TSystemCountry>(L"DE", 1, false)).Add(Entry<TSystemVariant>(L"phoneb", 1, false));
  de->Add(Entry<TSystemCountry>(L"AT", 3, false));
  de->AddVariant(Entry<TSystemVariant>(L"1901", 0, true));
  table->Add(std::move(de));
  for (const wchar_t* script : {L"Cyrl", L"Latn"}) {
    auto sr = std::make_unique<TSystemLanguage>();
    sr->SetId(L"sr");
    sr->SetScript(script);
    sr->SetPrimary(26);
    sr->Add(Entry<TSystemCountry>(L"RS", script[0] == L'C' ? 7 : 6, false));
    table->Add(std::move(sr));
  }
  auto custom = std::make_unique<TSystemLanguage>();
  custom->SetId(L"qxa");
  custom->SetCustom(true);
  custom->Add(Entry<TSystemCountry>(L"QA", 1, true));
  table->Add(std::move(custom));
  return table;
}

void CheckVariants(const TSystemVariantList& variants, const TSystemLocale* parent) {
  std::set<std::wstring> codes;
  for (const auto& variant : variants) {
    if (variant->GetParent() != parent) Fail("a variant without its parent");
    if (!codes.insert(variant->GetId()).second) Fail("a variant code twice under one parent");
    if (variant->GetSub() < 0 || variant->GetSub() > 63) Fail("a variant's sub-language out of range");
  }
}

void CheckTable(const TSystemLanguages& table) {
  std::map<std::wstring, int> languages;
  for (const auto& language : table) {
    ++languages[Rtl::AsciiLowerCase(language->GetId())];
    if (language->GetPrimary() < 0 || language->GetPrimary() > 1023) Fail("a primary identifier out of range");
    for (int category = ecAnsi; category <= ecOther; ++category)
      if (language->GetCodePages(static_cast<TCodePageCategory>(category)) < 0) Fail("a negative code page");
    std::set<std::wstring> countries;
    for (const auto& country : language->GetCountries()) {
      if (country->GetLanguage() != language.get()) Fail("a country without its language");
      if (!countries.insert(country->GetId()).second) Fail("a country code twice under one language");
      if (country->GetSub() < 0 || country->GetSub() > 63) Fail("a country's sub-language out of range");
      CheckVariants(country->GetVariants(), country.get());
    }
    CheckVariants(language->GetVariants(), language.get());
  }
  for (const auto& [code, count] : languages)
    if (count > (code == L"sr" ? 2 : 1)) Fail("a language code twice in the table");
}

void LanguageList(TInput input) {
  if (input.empty()) return;
  TXmlFile xml;
  xml.Load(TBytes(input.begin(), input.end()));
  for (bool quenlith : {false, true}) {
    const auto table = ScratchTable();
    table->ReadLanguageList(xml.GetRoot(), quenlith);
    CheckTable(*table);
    // What the table writes of itself reads back into a fresh one.
    TXmlFile saved;
    saved.Rewrite();
    table->WriteXmlClass(saved, xbContainer, table->GetXmlTag());
    const Rtl::TBytes data = saved.GetOutputData();
    TXmlFile again;
    again.Load(data);
    const auto fresh = ScratchTable();
    if (!fresh->ReadLanguageList(again.GetRoot(), false)) Fail("a saved list is not a language list");
    CheckTable(*fresh);
  }
}

const char* const SAMPLE_C =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<languages>\r\n"
    "  <language id=\"qxb\" script=\"Latn\" primary=\"900\" displayname=\"Q\" englishname=\"Q\" "
    "nativename=\"q\" windowscode=\"QB\" custom=\"1\" filename=\"q.png\" ansicp=\"1252\" othercp=\"65001\">\r\n"
    "    <country id=\"QB\" sub=\"4\" custom=\"1\">\r\n"
    "      <variant id=\"old\" sub=\"2\" custom=\"1\"/>\r\n"
    "    </country>\r\n"
    "    <variant id=\"std\" custom=\"1\"/>\r\n"
    "  </language>\r\n"
    "  <language id=\"SR\" script=\"Latn\"><country id=\"ME\" sub=\"11\" custom=\"1\"/></language>\r\n"
    "  <language id=\"de\"><country id=\"DE\"><variant id=\"phoneb\" custom=\"1\"/></country></language>\r\n"
    "</languages>\r\n";

const char* const QUENLITH_C =
    "<languages>\r\n"
    "  <language id=\"qxc\" primary=\"901\" localized=\"C\" original=\"c\" wincode=\"QC\">\r\n"
    "    <country id=\"QC\" sub=\"1\" localized=\"Cland\"><variant id=\"v\" localized=\"V\"/></country>\r\n"
    "  </language>\r\n"
    "  <language id=\"1000\"/>\r\n"
    "</languages>\r\n";

std::vector<TBytes> LanguageListSeeds() {
  return {Bytes(SAMPLE_C), Bytes(QUENLITH_C), Bytes("<languages/>"), Bytes("<config><language id=\"x\"/></config>"),
          Bytes("<!DOCTYPE languages [<!ENTITY e \"de\">]><languages><language id=\"&e;\"/></languages>")};
}

std::vector<std::string> LanguageListTokens() {
  return {"<language ", "<country ", "<variant ", "</language>", "</country>", "/>", ">", "id=\"", "id=\"de\"",
          "id=\"sr\"", "id=\"DE\"", "id=\"\"", "primary=\"", "sub=\"", "custom=\"1\"", "script=\"Cyrl\"",
          "ansicp=\"", "othercp=\"", "localized=\"", "wincode=\"", "\"-1\"", "\"1023\"", "\"1024\"", "\"63\"",
          "\"64\"", "\"4294967296\"", "\"99999\"", "&amp;", "&#0;", "<!ENTITY ", "<!DOCTYPE languages ["};
}

const char* const CODES_C[] = {"de", "sr", "qxa", "qxb", "QXB", "1000", "99999", "", "de-DE", "zz", "a b",
                               "DE", "AT", "RS", "QA", "QB", "phoneb", "1901", "old", "v1"};
const char* const NUMBERS_C[] = {"0", "1", "7", "26", "63", "64", "900", "1023", "1024", "-1",
                                 "1252", "65001", "x", "4294967296", ""};
const char* const ATTRIBUTES_C[] = {"primary", "sub", "ansicp", "isocp", "maccp", "doscp", "ebcdiccp",
                                    "othercp"};
const char* const NAMES_C[] = {"displayname", "englishname", "nativename", "windowscode", "filename",
                               "localized", "original", "wincode"};

// A list document from a seed: entries drawn from a small pool of codes
// (so that codes repeat), numbers in and out of range, nested to three
// levels, now and then misplaced or misnamed.
TBytes GenerateLanguageList(std::uint64_t seed) {
  std::mt19937_64 random(seed);
  const auto pick = [&](std::uint64_t n) { return static_cast<std::size_t>(random() % n); };
  static const char* const TAGS_C[] = {"language", "country", "variant", "other"};
  std::string text = pick(4) == 0 ? "<?xml version=\"1.0\"?>" : "";
  const std::string root = pick(16) == 0 ? "other" : "languages";
  text += "<" + root + ">";
  const auto element = [&](auto&& self, int level) -> void {
    const char* tag = pick(10) == 0 ? TAGS_C[pick(4)] : TAGS_C[level];
    text += std::string("<") + tag + " id=\"" + CODES_C[pick(std::size(CODES_C))] + "\"";
    for (std::size_t i = pick(4); i > 0; --i)
      text += std::string(" ") + ATTRIBUTES_C[pick(std::size(ATTRIBUTES_C))] + "=\"" +
              NUMBERS_C[pick(std::size(NUMBERS_C))] + "\"";
    for (std::size_t i = pick(3); i > 0; --i)
      text += std::string(" ") + NAMES_C[pick(std::size(NAMES_C))] + "=\"n" + std::to_string(pick(100)) + "\"";
    if (pick(2) == 0) text += " custom=\"1\"";
    if (level >= 2 || pick(3) == 0) {
      text += "/>";
      return;
    }
    text += ">";
    for (std::size_t i = pick(5); i > 0; --i) self(self, level + 1);
    text += std::string("</") + tag + ">";
  };
  for (std::size_t i = pick(12); i > 0; --i) element(element, 0);
  text += "</" + root + ">";
  return Bytes(text);
}

}  // namespace

TTarget LanguageListTarget() {
  return {"language-lists", LanguageList, LanguageListSeeds, LanguageListTokens, 1, GenerateLanguageList};
}

}  // namespace Fuzz
