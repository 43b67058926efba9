// Language list files: the XML forms of the table's entries, the older
// ".qll" form, merging a file into the table, saving its custom entries,
// and the language codes in file names.
//
// List files come from users and other machines, so nothing in them is
// trusted: an entry whose code is not a code or whose numbers are out of
// range is skipped with its children, and no file adds a second entry of a
// code to a list. Languages are looked up through an index while a file is
// merged, so a long file costs no more than its length.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "QdLanguages/Strings.h"
#include "QdLanguages/Detail.h"
#include "QdLanguages/SystemLanguages.h"
#include "QdUtils/MessageDlg.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/IO/Files.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace {

constexpr std::int64_t MAX_PRIMARY_C = 1023;  // 10 bits
constexpr std::int64_t MAX_SUB_C = 63;        // 6 bits
constexpr std::int64_t MAX_CODE_PAGE_C = std::numeric_limits<std::int32_t>::max();
// The longest single piece of a language code.
constexpr std::size_t MAX_CODE_LENGTH_C = 8;

bool IsElement(const TXmlElement& node, const wchar_t* name) {
  return (node.GetElementType() == xeDouble || node.GetElementType() == xeSingle) && node.GetName() == name;
}

// The code of an entry is one piece of a language code: 1 to 8 ASCII
// letters or digits (a decimal language code included).
bool IsEntryCode(const std::wstring& id) {
  return !id.empty() && id.size() <= MAX_CODE_LENGTH_C && std::all_of(id.begin(), id.end(), Rtl::IsAsciiAlphaNumeric);
}

// A missing attribute passes; a present one must be a number in [0, max].
bool IsInRange(const TXmlElement& element, std::wstring_view name, std::int64_t max) {
  if (!element.HasAttributes()) return true;
  const TXmlAttribute* attribute = element.GetAttributes().Find(name);
  if (attribute == nullptr) return true;
  long long value = 0;
  return Rtl::TryStrToInt64(attribute->GetValue(), value) && value >= 0 && value <= max;
}

std::wstring IdOf(const TXmlElement& element) {
  return element.HasAttributes() ? element.GetAttributes().GetString(L"id") : std::wstring();
}

enum class TEntryKind { Language, Country, Variant };

// Whether an element of a list file may be read as an entry at all.
bool IsValidEntry(const TXmlElement& element, TEntryKind kind) {
  if (!IsEntryCode(IdOf(element))) return false;
  switch (kind) {
    case TEntryKind::Language:
      if (!IsInRange(element, L"primary", MAX_PRIMARY_C)) return false;
      for (const wchar_t* name : XML_CODE_PAGES_C)
        if (!IsInRange(element, name, MAX_CODE_PAGE_C)) return false;
      return true;
    case TEntryKind::Country:
    case TEntryKind::Variant: return IsInRange(element, L"sub", MAX_SUB_C);
  }
  return false;
}

// The variants that a language (its language-level ones) or a country
// holds: the one of a code, and a new one handed over.
TSystemVariant* VariantOf(TSystemCountry& holder, const std::wstring& id) { return holder.Find(id); }
TSystemVariant* VariantOf(TSystemLanguage& holder, const std::wstring& id) { return holder.FindVariant(id); }
void AddVariantTo(TSystemCountry& holder, std::unique_ptr<TSystemVariant> variant) { holder.Add(std::move(variant)); }
void AddVariantTo(TSystemLanguage& holder, std::unique_ptr<TSystemVariant> variant) {
  holder.AddVariant(std::move(variant));
}

// Reads the valid "variant" children of `element` into a language or a
// country: each is assigned to the holder's variant of its code, or added;
// `read` reads one element into a new variant.
template <class THolder, class TRead>
void ReadVariants(THolder& holder, const TXmlElement& element, TRead read) {
  for (int i = 0; i < element.GetCount(); ++i) {
    const TXmlElement& child = *element.GetElements(i);
    if (!IsElement(child, L"variant") || !IsValidEntry(child, TEntryKind::Variant)) continue;
    auto variant = std::make_unique<TSystemVariant>();
    read(*variant, child);
    if (TSystemVariant* existing = VariantOf(holder, variant->GetId()))
      existing->Assign(*variant);
    else
      AddVariantTo(holder, std::move(variant));
  }
}

std::unique_ptr<TSystemVariant> CopyVariant(const TSystemVariant& variant) {
  auto result = std::make_unique<TSystemVariant>();
  result->Assign(variant);
  return result;
}

// Each variant of `from`: assigned to the holder's variant of that code, or
// a copy added.
template <class THolder>
void MergeVariants(THolder& holder, const TSystemVariantList& from) {
  for (const auto& variant : from) {
    if (TSystemVariant* existing = VariantOf(holder, variant->GetId()))
      existing->Assign(*variant);
    else
      AddVariantTo(holder, CopyVariant(*variant));
  }
}

}  // namespace

// --- TSystemLocale -------------------------------------------------------------

void TSystemLocale::WriteXmlAttributes(TXmlAttributes& attributes) const {
  attributes.SetString(L"displayname", FDisplayName);
  attributes.SetString(L"englishname", FEnglishName);
  attributes.SetString(L"nativename", FNativeName);
  attributes.SetString(L"windowscode", FWindowsCode);
  attributes.SetBoolean(L"custom", FCustom);
  attributes.SetString(L"filename", FImageFileName);
}

void TSystemLocale::ReadXml(const TXmlElement& element) {
  if (!element.HasAttributes()) return;
  const TXmlAttributes& attributes = element.GetAttributes();
  FDisplayName = attributes.GetString(L"displayname", FDisplayName);
  FEnglishName = attributes.GetString(L"englishname", FEnglishName);
  FNativeName = attributes.GetString(L"nativename", FNativeName);
  FWindowsCode = attributes.GetString(L"windowscode", FWindowsCode);
  FCustom = attributes.GetBoolean(L"custom", FCustom);
  SetImageFileName(attributes.GetString(L"filename", FImageFileName));
}

void TSystemLocale::ReadQuenlith(const TXmlElement& element) {
  FCustom = true;
  const TXmlAttributes* attributes = element.HasAttributes() ? &element.GetAttributes() : nullptr;
  if (attributes == nullptr) {
    FWindowsCode.clear();
    return;
  }
  if (const TXmlAttribute* localized = attributes->Find(L"localized")) {
    FDisplayName = localized->GetValue();
    FEnglishName = localized->GetValue();
  }
  FNativeName = attributes->GetString(L"original", FNativeName);
  FWindowsCode = attributes->GetString(L"wincode");
}

// --- TSystemVariant ------------------------------------------------------------

void TSystemVariant::WriteXmlAttributes(TXmlAttributes& attributes) const {
  attributes.SetString(L"id", FId);
  attributes.SetInteger(L"sub", FSub);
  TSystemLocale::WriteXmlAttributes(attributes);
}

void TSystemVariant::ReadXml(const TXmlElement& element) {
  if (element.HasAttributes()) {
    const TXmlAttributes& attributes = element.GetAttributes();
    FId = attributes.GetString(L"id", FId);
    FSub = static_cast<std::int32_t>(attributes.GetInteger(L"sub", FSub));
  }
  TSystemLocale::ReadXml(element);
}

void TSystemVariant::ReadQuenlith(const TXmlElement& element) {
  TSystemLocale::ReadQuenlith(element);
  FId = IdOf(element);
  FSub = 0;
}

// --- TSystemCountry ------------------------------------------------------------

void TSystemCountry::Merge(const TSystemCountry& country) {
  MergeVariants(*this, country.GetVariants());
}

bool TSystemCountry::HasCustomVariants() const {
  return std::any_of(FVariants.begin(), FVariants.end(), [](const auto& v) { return v->GetCustom(); });
}

std::unique_ptr<TSystemCountry> TSystemCountry::Clone() const {
  auto result = std::make_unique<TSystemCountry>();
  result->Assign(*this);
  for (const auto& variant : FVariants) result->Add(CopyVariant(*variant));
  return result;
}

TXmlBody TSystemCountry::GetXmlBody() const {
  if (!FVariants.empty()) return xbContainer;
  return FCustom ? xbSingle : xbNone;
}

void TSystemCountry::WriteXmlAttributes(TXmlAttributes& attributes) const {
  attributes.SetString(L"id", FId);
  attributes.SetInteger(L"sub", FSub);
  TSystemLocale::WriteXmlAttributes(attributes);
}

void TSystemCountry::WriteXml(TXmlFile& xml) const {
  for (const auto& variant : FVariants)
    if (variant->GetCustom()) variant->WriteXmlClass(xml, L"variant");
}

void TSystemCountry::ReadXml(const TXmlElement& element) {
  if (element.HasAttributes()) {
    const TXmlAttributes& attributes = element.GetAttributes();
    FId = attributes.GetString(L"id", FId);
    FSub = static_cast<std::int32_t>(attributes.GetInteger(L"sub", FSub));
  }
  TSystemLocale::ReadXml(element);
  ReadVariants(*this, element, [](TSystemVariant& v, const TXmlElement& e) { v.ReadXml(e); });
}

void TSystemCountry::ReadQuenlith(const TXmlElement& element) {
  TSystemLocale::ReadQuenlith(element);
  FId = IdOf(element);
  FSub = element.HasAttributes() ? static_cast<std::int32_t>(element.GetAttributes().GetInteger(L"sub")) : 0;
  ReadVariants(*this, element, [](TSystemVariant& v, const TXmlElement& e) { v.ReadQuenlith(e); });
}

// --- TSystemLanguage -----------------------------------------------------------

namespace {

// Reads the country children of `element` into `language`: a country of a
// code the language has takes the new one's fields and variants, any other
// is added.
template <class TRead>
void ReadCountries(TSystemLanguage& language, const TXmlElement& element, TRead read) {
  for (int i = 0; i < element.GetCount(); ++i) {
    const TXmlElement& child = *element.GetElements(i);
    if (!IsElement(child, L"country") || !IsValidEntry(child, TEntryKind::Country)) continue;
    auto country = std::make_unique<TSystemCountry>();
    read(*country, child);
    if (TSystemCountry* existing = language.Find(country->GetId())) {
      existing->Assign(*country);
      // A code twice in one file: the variants of both count.
      existing->Merge(*country);
    } else {
      language.Add(std::move(country));
    }
  }
}

}  // namespace

void TSystemLanguage::Merge(const TSystemLanguage& language) {
  for (const auto& country : language.GetCountries()) {
    if (TSystemCountry* existing = Find(country->GetId()))
      existing->Merge(*country);
    else
      Add(country->Clone());
  }
  MergeVariants(*this, language.GetVariants());
}

bool TSystemLanguage::HasCustomData() const {
  for (const auto& country : FCountries)
    if (country->GetCustom() || country->HasCustomVariants()) return true;
  return std::any_of(FVariants.begin(), FVariants.end(), [](const auto& v) { return v->GetCustom(); });
}

TXmlBody TSystemLanguage::GetXmlBody() const {
  // Custom language-level variants need the container too: without it, a
  // language with no countries would drop them from the file.
  if (!FCountries.empty() ||
      std::any_of(FVariants.begin(), FVariants.end(), [](const auto& v) { return v->GetCustom(); }))
    return xbContainer;
  return FCustom ? xbSingle : xbNone;
}

void TSystemLanguage::WriteXmlAttributes(TXmlAttributes& attributes) const {
  attributes.SetString(L"id", FId);
  attributes.SetString(L"script", FScript);
  attributes.SetInteger(L"primary", FPrimary);
  TSystemLocale::WriteXmlAttributes(attributes);
  for (int i = 0; i < 6; ++i) attributes.SetInteger(XML_CODE_PAGES_C[i], FCodePages[i]);
}

void TSystemLanguage::WriteXml(TXmlFile& xml) const {
  for (const auto& country : FCountries)
    if (country->GetCustom() || !country->GetVariants().empty()) country->WriteXmlClass(xml, L"country");
  for (const auto& variant : FVariants)
    if (variant->GetCustom()) variant->WriteXmlClass(xml, L"variant");
}

void TSystemLanguage::ReadXml(const TXmlElement& element) {
  if (element.HasAttributes()) {
    const TXmlAttributes& attributes = element.GetAttributes();
    SetId(attributes.GetString(L"id", FId));
    FScript = attributes.GetString(L"script", FScript);
    FPrimary = static_cast<std::int32_t>(attributes.GetInteger(L"primary", FPrimary));
    for (int i = 0; i < 6; ++i) {
      const std::int64_t codePage = attributes.GetInteger(XML_CODE_PAGES_C[i]);
      if (codePage != 0) FCodePages[i] = static_cast<std::int32_t>(codePage);
    }
  }
  TSystemLocale::ReadXml(element);
  ReadCountries(*this, element, [](TSystemCountry& c, const TXmlElement& e) { c.ReadXml(e); });
  ReadVariants(*this, element, [](TSystemVariant& v, const TXmlElement& e) { v.ReadXml(e); });
}

void TSystemLanguage::ReadQuenlith(const TXmlElement& element) {
  TSystemLocale::ReadQuenlith(element);
  // After the shared attributes, so that a decimal code still fills an
  // empty Windows code.
  SetId(IdOf(element));
  if (element.HasAttributes())
    FPrimary = static_cast<std::int32_t>(element.GetAttributes().GetInteger(L"primary", FPrimary));
  ReadCountries(*this, element, [](TSystemCountry& c, const TXmlElement& e) { c.ReadQuenlith(e); });
}

// --- TSystemLanguages ----------------------------------------------------------

bool TSystemLanguages::HasCustomData() const {
  return std::any_of(FItems.begin(), FItems.end(),
                     [](const auto& language) { return language->GetCustom() || language->HasCustomData(); });
}

void TSystemLanguages::WriteXml(TXmlFile& xml) const {
  for (const auto& language : FItems)
    if (language->GetCustom() || language->HasCustomData()) language->WriteXmlClass(xml, L"language");
}

void TSystemLanguages::ReadXml(const TXmlElement& element) { ReadLanguageList(&element, false); }

bool TSystemLanguages::ReadLanguageList(const TXmlElement* root, bool quenlith) {
  if (root == nullptr || root->GetName() != GetXmlTag()) return false;
  // The first entry of each code (ASCII case folded), as Find gives it.
  std::unordered_map<std::wstring, TSystemLanguage*> index;
  for (const auto& language : FItems) index.emplace(Rtl::AsciiLowerCase(language->GetId()), language.get());
  for (int i = 0; i < root->GetCount(); ++i) {
    const TXmlElement& child = *root->GetElements(i);
    if (!IsElement(child, L"language") || !IsValidEntry(child, TEntryKind::Language)) continue;
    auto language = std::make_unique<TSystemLanguage>();
    if (quenlith)
      language->ReadQuenlith(child);
    else
      language->ReadXml(child);
    // A decimal code sets the primary identifier from itself.
    if (language->GetPrimary() < 0 || language->GetPrimary() > MAX_PRIMARY_C) continue;
    const auto found = index.find(Rtl::AsciiLowerCase(language->GetId()));
    if (found != index.end()) {
      found->second->Merge(*language);
    } else {
      TSystemLanguage& added = Add(std::move(language));
      index.emplace(Rtl::AsciiLowerCase(added.GetId()), &added);
    }
  }
  return true;
}

void TSystemLanguages::LoadPropertiesFromFile(const std::wstring& fileName) {
  TXmlFile xml;
  xml.Load(fileName);
  const bool quenlith = Rtl::AsciiSameText(Rtl::ExtractFileExt(fileName), L".qll");
  if (!ReadLanguageList(xml.GetRoot(), quenlith))
    TMessageDlg::InformationFmt(Rtl::LoadResString(SNoLanguageList), {Rtl::ExtractFileName(fileName)});
}

void TSystemLanguages::SavePropertiesToFile(const std::wstring& fileName) const {
  TXmlFile xml;
  xml.Rewrite(fileName);
  try {
    WriteXmlClass(xml, xbContainer, GetXmlTag());
    xml.Close();
  } catch (...) {
    xml.Cancel();
    throw;
  }
}

void TSystemLanguages::MarkCustom(bool value) {
  for (const auto& language : FItems) {
    if (language->GetCustom()) language->SetMarked(value);
    for (const auto& country : language->GetCountries()) {
      if (country->GetCustom()) country->SetMarked(value);
      for (const auto& variant : country->GetVariants())
        if (variant->GetCustom()) variant->SetMarked(value);
    }
    for (const auto& variant : language->GetVariants())
      if (variant->GetCustom()) variant->SetMarked(value);
  }
}

void TSystemLanguages::DeleteMarked() {
  const auto doomed = [](const auto& entry) { return entry->GetCustom() && entry->GetMarked(); };
  if (std::erase_if(FItems, doomed) > 0) LanguagesDetail::NoteEntriesRemoved();
  for (const auto& language : FItems) {
    std::vector<const TSystemCountry*> countries;
    for (const auto& country : language->GetCountries())
      if (doomed(country)) countries.push_back(country.get());
    for (const TSystemCountry* country : countries) language->Remove(country);
    std::vector<const TSystemVariant*> variants;
    for (const auto& variant : language->GetVariants())
      if (doomed(variant)) variants.push_back(variant.get());
    for (const TSystemVariant* variant : variants) language->RemoveVariant(variant);
    for (const auto& country : language->GetCountries()) {
      variants.clear();
      for (const auto& variant : country->GetVariants())
        if (doomed(variant)) variants.push_back(variant.get());
      for (const TSystemVariant* variant : variants) country->Remove(variant);
    }
  }
}

// --- Language codes in file names ------------------------------------------------

bool TSystemLanguages::ParseLocalizedFile(const std::wstring& fileName, std::wstring& /*baseName*/,
                                          std::wstring& language, std::wstring& script, std::wstring& country,
                                          std::wstring& variant) const {
  const std::wstring name = Rtl::ExtractFileName(fileName);
  const std::wstring dir = Rtl::ExtractFileDir(fileName);
  const std::wstring parent = Rtl::ExtractFileDir(dir);
  // A drive root (its own directory) or a bare directory name has no
  // directory above it to look in.
  if (name.empty() || dir.empty() || parent.empty() || parent == dir) return false;
  if (!Rtl::FileExists(Rtl::IncludeTrailingPathDelimiter(parent) + name)) return false;
  ParseId(Rtl::ExtractFileName(dir), language, script, country, variant);
  if (!IsLanguageKnown(language)) return false;
  return country.empty() || IsCountryKnown(language, script, country);
}

namespace {

// Steps 1 to 3 of the bundle scan: the extension, the name without it, the
// start of the code (0-based) and the separator before it. False when the
// scan meets ':' or '\' before a separator.
bool FindBundleCode(const std::wstring& fileName, wchar_t languageSeparator, wchar_t countrySeparator,
                    std::wstring& ext, std::wstring& body, std::size_t& codeStart, std::size_t& separator) {
  ext = Rtl::ExtractFileExt(fileName);
  body = fileName.substr(0, fileName.size() - ext.size());
  for (std::size_t i = body.size(); i-- > 0;) {
    const wchar_t c = body[i];
    if (c == L':' || c == L'\\') return false;
    if (c != languageSeparator) continue;
    // "app_de_DE": with one separator for both, a separator three
    // characters back starts a two-letter language and its country.
    if (countrySeparator == languageSeparator && i >= 3 && body[i - 3] == languageSeparator) {
      codeStart = i - 2;
      separator = i - 3;
    } else {
      codeStart = i + 1;
      separator = i;
    }
    return true;
  }
  return false;
}

}  // namespace

bool TSystemLanguages::ParseBundleFile(const std::wstring& fileName, std::wstring& baseName,
                                       std::wstring& language, std::wstring& country, std::wstring& variant,
                                       wchar_t languageSeparator, wchar_t countrySeparator, bool strictCheck) const {
  baseName = fileName;
  std::wstring ext, body;
  std::size_t start = 0, separator = 0;
  if (!FindBundleCode(fileName, languageSeparator, countrySeparator, ext, body, start, separator)) return false;
  ParseIdSep(body.substr(start), language, country, variant, std::wstring(1, countrySeparator));
  if ((strictCheck || language.size() != 2) && !IsCountryKnownNoScript(language, country)) return false;
  baseName = body.substr(0, separator) + ext;
  return true;
}

bool TSystemLanguages::ParseBundleFile(const std::wstring& fileName, std::wstring& baseName,
                                       std::wstring& language, std::wstring& script, std::wstring& country,
                                       std::wstring& variant, wchar_t languageSeparator, wchar_t countrySeparator,
                                       bool strictCheck) const {
  std::wstring id;
  return ParseBundleFile(fileName, baseName, id, language, script, country, variant, languageSeparator,
                         countrySeparator, strictCheck);
}

bool TSystemLanguages::ParseBundleFile(const std::wstring& fileName, std::wstring& baseName, std::wstring& id,
                                       std::wstring& language, std::wstring& script, std::wstring& country,
                                       std::wstring& variant, wchar_t languageSeparator, wchar_t countrySeparator,
                                       bool strictCheck) const {
  baseName = fileName;
  std::wstring ext, body;
  std::size_t start = 0, separator = 0;
  if (!FindBundleCode(fileName, languageSeparator, countrySeparator, ext, body, start, separator)) return false;
  id = body.substr(start);
  ParseScriptId(id, language, script, country, variant, std::wstring(1, countrySeparator));
  if ((strictCheck || language.size() != 2) && !IsCountryKnownNoScript(language, country)) return false;
  baseName = body.substr(0, separator) + ext;
  return true;
}

}  // namespace Qd
