// TLanguageId, the form in which codes are written, and TLanguage, one
// selected language with its caches.
#include "QdLanguages/Language.h"

#include <string>

#include "QdLanguages/Detail.h"
#include "QdLanguages/SystemLanguages.h"
#include "QdScript/Script.h"
#include "QdString/UnicodeString.h"
#include "runtime/Core/Object.h"
#include "runtime/Text/Ascii.h"

namespace Qd {

// --- TLanguageId ---------------------------------------------------------------

void TLanguageId::SetIdCase(TLanguageIdCase value) {
  if (value == FIdCase) return;
  FIdCase = value;
  Changed();
}

void TLanguageId::SetKind(TLanguageIdKind value) {
  if (value == FKind) return;
  FKind = value;
  Changed();
}

void TLanguageId::SetScript(TLanguageIdScript value) {
  if (value == FScript) return;
  FScript = value;
  Changed();
}

bool TLanguageId::GetIsDefault() const { return FIdCase == QdLanguages::lcStandard && FKind == liStandard && FScript == lsStandard; }

bool TLanguageId::Equals(const Rtl::TObject* obj) const {
  const auto* other = dynamic_cast<const TLanguageId*>(obj);
  return other != nullptr && TXmlObject::Equals(obj) && FIdCase == other->FIdCase && FKind == other->FKind &&
         FScript == other->FScript;
}

void TLanguageId::Assign(const Rtl::TPersistent& source) {
  if (const auto* other = dynamic_cast<const TLanguageId*>(&source)) {
    FIdCase = other->FIdCase;
    FKind = other->FKind;
    FScript = other->FScript;
    return;
  }
  TXmlObject::Assign(source);
}

TXmlBody TLanguageId::GetXmlBody() const { return GetIsDefault() ? xbNone : TXmlObject::GetXmlBody(); }

void TLanguageId::WriteXmlAttributes(TXmlAttributes& attributes) const {
  TXmlObject::WriteXmlAttributes(attributes);
  attributes.SetEnum(L"kind", FKind, liStandard);
  attributes.SetEnum(L"case", FIdCase, QdLanguages::lcStandard);
  attributes.SetEnum(L"script", FScript, lsStandard);
}

void TLanguageId::ReadXml(const TXmlElement& element) {
  TXmlObject::ReadXml(element);
  const TXmlAttributes& attributes = element.GetAttributes();
  SetKind(attributes.GetEnum(L"kind", liStandard));
  SetIdCase(attributes.GetEnum(L"case", QdLanguages::lcStandard));
  SetScript(attributes.GetEnum(L"script", lsStandard));
}

std::wstring TLanguageId::Convert(const std::wstring& id) const { return Convert(id, FKind, FIdCase, FScript); }

std::wstring TLanguageId::Convert(const std::wstring& id, TLanguageIdKind kind, TLanguageIdCase idCase,
                                  TLanguageIdScript script) {
  const TLanguage language(id);
  return language.GetLanguageId(kind, idCase, script);
}

void TLanguageId::Detect(const std::wstring& id, TLanguageIdKinds& kinds, TLanguageIdCases& idCases,
                         TLanguageIdScripts& scripts) {
  if (id.find(L'-') != std::wstring::npos)
    kinds.Include(liStandard);
  else if (id.find(L'_') != std::wstring::npos)
    kinds.Include(liUnderline);
  // The first three pieces as written.
  std::wstring pieces[3];
  std::size_t start = 0;
  for (std::wstring& piece : pieces) {
    const std::size_t end = id.find_first_of(L"-_", start);
    piece = id.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  std::wstring p1 = pieces[0], p2 = pieces[1], p3 = pieces[2];
  if (p2.size() < 4) {
    p3 = p2;
    p2.clear();
  }
  if (!p1.empty()) {
    if (TUnicodeString::IsUpperCase(p1))
      idCases.Include(QdLanguages::lcUpper);
    else if (!p3.empty())
      idCases.Include(TUnicodeString::IsLowerCase(p3) ? QdLanguages::lcLower : QdLanguages::lcStandard);
  }
  if (!p2.empty()) {
    const TSystemLanguages* table = FindSystemLanguages();
    const int count = table != nullptr ? table->GetScriptCount(p1) : 0;
    if (count == 1)
      scripts.Include(lsAlways);
    else if (count > 1 && p2 == TSystemLanguages::LanguageToScript(p1, p3))
      scripts.Include(lsMulti);
  }
}

// --- TLanguage -----------------------------------------------------------------

TLanguage::TLanguage(const std::wstring& id) { SetId(id); }

std::unique_ptr<TLanguage> TLanguage::CreateId(const std::wstring& id) { return std::make_unique<TLanguage>(id); }

std::unique_ptr<TLanguage> TLanguage::CreateValue(const std::wstring& language, const std::wstring& script,
                                                  const std::wstring& country) {
  auto result = std::make_unique<TLanguage>();
  result->FLanguage = language;
  result->FScript = script;
  result->FCountry = country;
  return result;
}

void TLanguage::ClearCaches() {
  FSystemLanguage = nullptr;
  FSystemCountry = nullptr;
  FSystemVariant = nullptr;
  FCodePage = 0;
}

void TLanguage::SetLanguage(const std::wstring& value) {
  if (value == FLanguage) return;
  FLanguage = value;
  ClearCaches();
  LanguageChanged();
}

void TLanguage::SetScript(const std::wstring& value) {
  if (value == FScript) return;
  FScript = value;
  ClearCaches();
  LanguageChanged();
}

void TLanguage::SetCountry(const std::wstring& value) {
  if (value == FCountry) return;
  FCountry = value;
  ClearCaches();
  LanguageChanged();
}

void TLanguage::SetVariant(const std::wstring& value) {
  if (value == FVariant) return;
  FVariant = value;
  FSystemVariant = nullptr;
}

std::int32_t TLanguage::GetCodePage() {
  if (FCodePage == 0)
    if (const TSystemLanguages* table = FindSystemLanguages()) FCodePage = table->LanguageToCodePage(FLanguage, FScript);
  return FCodePage;
}

std::wstring TLanguage::GetId() const { return GetLanguageId(liStandard, QdLanguages::lcStandard, lsStandard); }

void TLanguage::SetId(const std::wstring& value) {
  if (value == GetId()) return;
  TSystemLanguages::ParseId(value, FLanguage, FScript, FCountry, FVariant);
  ClearCaches();
  LanguageChanged();
}

std::wstring TLanguage::GetIdWithCountry() const {
  if (!FCountry.empty()) return GetId();
  const TSystemLanguages* table = FindSystemLanguages();
  const std::wstring country = table != nullptr ? table->GetDefaultCountry(FLanguage, FScript) : L"";
  return TSystemLanguages::ComposeId(FLanguage, FScript, country, L"", L'-', QdLanguages::lcStandard, lsStandard);
}

std::wstring TLanguage::GetLegacyId() const { return GetLanguageId(liLegacy, QdLanguages::lcStandard, lsStandard); }

std::wstring TLanguage::GetUnderlineId() const { return GetLanguageId(liUnderline, QdLanguages::lcStandard, lsStandard); }

std::wstring TLanguage::GetLanguageId(TLanguageIdKind kind, TLanguageIdCase idCase,
                                      TLanguageIdScript idScript) const {
  switch (kind) {
    case liLegacy:
      return TSystemLanguages::GetLegacyId(FLanguage, FScript, FCountry, FVariant, L'-', idCase, idScript);
    case liUnderline:
      return TSystemLanguages::GetLegacyId(FLanguage, FScript, FCountry, FVariant, L'_', idCase, idScript);
    default:
      return TSystemLanguages::ComposeId(FLanguage, FScript, FCountry, FVariant, L'-', idCase, idScript);
  }
}

std::wstring TLanguage::GetLanguageId(const TLanguageId& value) const {
  return GetLanguageId(value.GetKind(), value.GetIdCase(), value.GetScript());
}

std::int32_t TLanguage::GetLangId() const {
  const TSystemLanguages* table = FindSystemLanguages();
  return table != nullptr ? table->LanguageToNlsLocale(FLanguage, FScript, FVariant, FCountry) : 0;
}

void TLanguage::SetLangId(std::int32_t value) {
  const TSystemLanguages* table = FindSystemLanguages();
  SetId(table != nullptr ? table->NlsToId(value) : L"");
}

std::wstring TLanguage::GetDisplayName() const {
  const TSystemLanguages* table = FindSystemLanguages();
  std::wstring result = table != nullptr ? table->GetLocaleName(FLanguage, FScript, FCountry, FVariant) : L"";
  return result.empty() ? FLanguage : result;
}

bool TLanguage::GetUseCase() const {
  return Rtl::AsciiSameText(FScript, L"Latn") || Rtl::AsciiSameText(FScript, L"Grek") ||
         Rtl::AsciiSameText(FScript, L"Cyrl");
}

TScriptReadingOrder TLanguage::GetReadingOrder() const { return TScript::LangIdToReadingOrder(GetLangId()); }

TCharacterScriptType TLanguage::GetScriptType() const { return TScript::ScriptToType(FScript); }

std::wstring TLanguage::GetWindowsCode() {
  if (const TSystemCountry* country = GetSystemCountry()) return country->GetWindowsCode();
  if (const TSystemLanguage* language = GetSystemLanguage()) return language->GetWindowsCode();
  return L"";
}

void TLanguage::ForgetRemovedEntries() {
  const std::uint64_t removals = LanguagesDetail::EntriesRemoved();
  if (removals == FSystemRemovals) return;
  FSystemLanguage = nullptr;
  FSystemCountry = nullptr;
  FSystemVariant = nullptr;
  FSystemRemovals = removals;
}

TSystemLanguage* TLanguage::GetSystemLanguage() {
  ForgetRemovedEntries();
  if (FSystemLanguage == nullptr)
    if (const TSystemLanguages* table = FindSystemLanguages()) FSystemLanguage = table->Find(FLanguage, FScript);
  return FSystemLanguage;
}

TSystemCountry* TLanguage::GetSystemCountry() {
  ForgetRemovedEntries();
  if (FSystemCountry == nullptr && !FCountry.empty())
    if (const TSystemLanguages* table = FindSystemLanguages())
      FSystemCountry = table->FindCountry(FLanguage, FScript, FCountry);
  return FSystemCountry;
}

TSystemVariant* TLanguage::GetSystemVariant() {
  ForgetRemovedEntries();
  if (FSystemVariant == nullptr && !FVariant.empty())
    if (const TSystemLanguages* table = FindSystemLanguages())
      FSystemVariant = table->FindVariant(FLanguage, FScript, FVariant, FCountry);
  return FSystemVariant;
}

bool TLanguage::IsSame(const std::wstring& id) const {
  if (IsMultiPartId(id)) {
    std::wstring language, script, country, variant;
    TSystemLanguages::ParseId(id, language, script, country, variant);
    return IsSame(language, script, country, variant);
  }
  return Rtl::AsciiSameText(id, GetId());
}

bool TLanguage::IsSame(const std::wstring& language, const std::wstring& script, const std::wstring& country,
                       const std::wstring& variant) const {
  return Rtl::AsciiSameText(FLanguage, language) && (script.empty() || Rtl::AsciiSameText(FScript, script)) &&
         Rtl::AsciiSameText(FCountry, country) && Rtl::AsciiSameText(FVariant, variant);
}

bool TLanguage::IsSame(const TLanguage& value) const {
  return IsSame(value.FLanguage, value.FScript, value.FCountry, value.FVariant);
}

bool TLanguage::IsParentLanguage(const TLanguage& value) const {
  return FLanguage == value.FLanguage && FScript == value.FScript && FCountry.empty();
}

bool TLanguage::IsParentCountry(const TLanguage& value) const {
  return FLanguage == value.FLanguage && FScript == value.FScript && FCountry == value.FCountry && FVariant.empty();
}

int TLanguage::Compare(const TQdObject& item) const {
  const auto* other = dynamic_cast<const TLanguage*>(&item);
  if (other == nullptr) return TXmlObject::Compare(item);
  const int result = GetId().compare(other->GetId());
  return result < 0 ? -1 : result > 0 ? 1 : 0;
}

void TLanguage::WriteXmlAttributes(TXmlAttributes& attributes) const {
  TXmlObject::WriteXmlAttributes(attributes);
  attributes.SetString(L"id", GetId());
  attributes.SetBoolean(L"enabled", FEnabled, true);
}

void TLanguage::ReadXml(const TXmlElement& element) {
  TXmlObject::ReadXml(element);
  const TXmlAttributes& attributes = element.GetAttributes();
  SetId(attributes.GetString(L"id"));
  FEnabled = attributes.GetBoolean(L"enabled", true);
}

void TLanguage::Assign(const Rtl::TPersistent& source) {
  const auto* other = dynamic_cast<const TLanguage*>(&source);
  if (other == nullptr) {
    TXmlObject::Assign(source);
    return;
  }
  FLanguage = other->FLanguage;
  FScript = other->FScript;
  FCountry = other->FCountry;
  FVariant = other->FVariant;
  FCodePage = other->FCodePage;
  FSystemLanguage = other->FSystemLanguage;
  FSystemCountry = other->FSystemCountry;
  FSystemVariant = other->FSystemVariant;
  FSystemRemovals = other->FSystemRemovals;
  FEnabled = other->FEnabled;
  FTag = other->FTag;
  FTag2 = other->FTag2;
  FCounter = other->FCounter;
}

std::unique_ptr<TLanguage> TLanguage::AllocEnabledLanguage(bool enabled) const {
  auto result = std::make_unique<TLanguage>();
  result->Assign(*this);
  result->FEnabled = enabled;
  return result;
}

void TLanguage::ClearCounters() {
  FCounter = 0;
  FClearCounter = 0;
  FImportCounter = 0;
  FOverwriteCounter = 0;
}

void TLanguage::LanguageChanged() { Changed(); }

bool TLanguage::IsMultiPartId(const std::wstring& id) { return id.find_first_of(L"-_") != std::wstring::npos; }

bool TLanguage::ImeAvailable(std::int32_t langId) {
  const std::int32_t primary = TSystemLanguages::GetPrimaryFromLocale(langId);
  return primary == 4 || primary == 17 || primary == 18;
}

TLanguageMatch TLanguage::CompareIds(const std::wstring& id1, const std::wstring& id2, const std::wstring& language1,
                                     const std::wstring& language2, const std::wstring& script1,
                                     const std::wstring& script2) {
  if (id1 == id2) return lmExact;
  if (language1 == language2 && script1 == script2) return lmPartial;
  return lmNone;
}

TLanguageMatch TLanguage::CompareIds(const std::wstring& id1, const std::wstring& id2) {
  std::wstring language1, script1, country1, language2, script2, country2;
  TSystemLanguages::ParseId(id1, language1, script1, country1);
  TSystemLanguages::ParseId(id2, language2, script2, country2);
  return CompareIds(id1, id2, language1, language2, script1, script2);
}

TLanguageMatch TLanguage::CompareLanguages(const TLanguage& language1, const TLanguage& language2) {
  return CompareIds(language1.GetId(), language2.GetId(), language1.FLanguage, language2.FLanguage,
                    language1.FScript, language2.FScript);
}

}  // namespace Qd
