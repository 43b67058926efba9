// The entries of the system language table: locales in general, variants,
// countries and languages.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>

#include "QdLanguages/Detail.h"
#include "QdLanguages/SystemLanguages.h"
#include "QdXml/ExternalFetch.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Object.h"
#include "runtime/System/Win32.h"
#include "runtime/Text/Ascii.h"

namespace Qd {

namespace {

// The bytes of a local file of at most MAX_IMAGE_FILE_SIZE_C bytes; none
// when it can't be read whole or is larger. Image file names come from
// language list files, which anyone may hand the program: a network share,
// a device or another scheme is never opened (an elevated process would
// give the share its user's credentials).
Rtl::TBytes ReadImageFile(const std::wstring& fileName) {
  XmlExternal::TLocalFile file =
      XmlExternal::ReadLocalFile(fileName, static_cast<std::size_t>(MAX_IMAGE_FILE_SIZE_C));
  if (file.Result != XmlExternal::lrRead) return {};
  return std::move(file.Data);
}

template <class T>
void RemoveItem(std::vector<std::unique_ptr<T>>& list, const T* item) {
  const auto i = std::find_if(list.begin(), list.end(), [item](const auto& p) { return p.get() == item; });
  if (i == list.end()) return;
  list.erase(i);
  LanguagesDetail::NoteEntriesRemoved();
}

constinit std::atomic<std::uint64_t> EntriesRemovedCount{0};

}  // namespace

std::uint64_t LanguagesDetail::EntriesRemoved() noexcept { return EntriesRemovedCount.load(); }

void LanguagesDetail::NoteEntriesRemoved() noexcept { EntriesRemovedCount.fetch_add(1); }

// --- TSystemLocale -------------------------------------------------------------

std::wstring TSystemLocale::GetDisplayName() {
  if (FDisplayName.empty()) FDisplayName = GetLocalizedName();
  return FDisplayName;
}

const Rtl::TBytes& TSystemLocale::GetImage() {
  if (FImage.empty() && !FImageFileName.empty()) FImage = ReadImageFile(FImageFileName);
  return FImage;
}

void TSystemLocale::SetImageFileName(const std::wstring& value) {
  if (value == FImageFileName) return;
  FImageFileName = value;
  FImage.clear();
}

bool TSystemLocale::Equals(const Rtl::TObject* obj) const {
  const auto* other = dynamic_cast<const TSystemLocale*>(obj);
  return other != nullptr && TXmlObject::Equals(obj) && FCustom == other->FCustom &&
         FDisplayName == other->FDisplayName && FEnglishName == other->FEnglishName && FImage == other->FImage &&
         FImageFileName == other->FImageFileName && FNativeName == other->FNativeName &&
         FWindowsCode == other->FWindowsCode;
}

void TSystemLocale::Assign(const Rtl::TPersistent& source) {
  const auto* other = dynamic_cast<const TSystemLocale*>(&source);
  if (other == nullptr) {
    TXmlObject::Assign(source);
    return;
  }
  FCustom = other->FCustom;
  FDisplayName = other->FDisplayName;
  FEnglishName = other->FEnglishName;
  FImage = other->FImage;
  FImageFileName = other->FImageFileName;
  FNativeName = other->FNativeName;
  FWindowsCode = other->FWindowsCode;
}

// --- TSystemVariant ------------------------------------------------------------

TSystemLanguage* TSystemVariant::GetLanguage() const {
  if (auto* language = dynamic_cast<TSystemLanguage*>(FParent)) return language;
  if (const auto* country = dynamic_cast<TSystemCountry*>(FParent)) return country->GetLanguage();
  return nullptr;
}

TSystemCountry* TSystemVariant::GetCountry() const { return dynamic_cast<TSystemCountry*>(FParent); }

std::wstring TSystemVariant::GetFullId() const {
  std::wstring result;
  if (const TSystemCountry* country = GetCountry())
    result = country->GetFullId();
  else if (const TSystemLanguage* language = GetLanguage())
    result = language->GetFullId();
  return result + L"-" + FId;
}

std::wstring TSystemVariant::GetLocalizedName() const { return TSystemLanguages::GetLocalizedCountryName(FId); }

bool TSystemVariant::Equals(const Rtl::TObject* obj) const {
  const auto* other = dynamic_cast<const TSystemVariant*>(obj);
  return other != nullptr && TSystemLocale::Equals(obj) && FId == other->FId && FSub == other->FSub;
}

void TSystemVariant::Assign(const Rtl::TPersistent& source) {
  TSystemLocale::Assign(source);
  if (const auto* other = dynamic_cast<const TSystemVariant*>(&source)) {
    FId = other->FId;
    FSub = other->FSub;
  }
}

// --- TSystemCountry ------------------------------------------------------------

std::int32_t TSystemCountry::GetLocaleId() const {
  return TSystemLanguages::MakeLangId(FLanguage != nullptr ? FLanguage->GetPrimary() : 0, FSub);
}

TSystemVariant& TSystemCountry::Add(std::unique_ptr<TSystemVariant> variant) {
  variant->SetParent(this);
  FVariants.push_back(std::move(variant));
  return *FVariants.back();
}

void TSystemCountry::Remove(const TSystemVariant* variant) { RemoveItem(FVariants, variant); }

TSystemVariant* TSystemCountry::Find(const std::wstring& variant) const {
  for (const auto& item : FVariants)
    if (item->GetId() == variant) return item.get();
  return nullptr;
}

std::wstring TSystemCountry::GetFullId() const {
  return TSystemLanguages::ComposeId(FLanguage != nullptr ? FLanguage->GetId() : L"",
                                     FLanguage != nullptr ? FLanguage->GetScript() : L"", FId, L"", L'-',
                                     QdLanguages::lcStandard, lsStandard);
}

std::wstring TSystemCountry::GetLocalizedName() const { return TSystemLanguages::GetLocalizedCountryName(FId); }

bool TSystemCountry::Equals(const Rtl::TObject* obj) const {
  const auto* other = dynamic_cast<const TSystemCountry*>(obj);
  return other != nullptr && TSystemLocale::Equals(obj) && FId == other->FId && FSub == other->FSub;
}

void TSystemCountry::Assign(const Rtl::TPersistent& source) {
  TSystemLocale::Assign(source);
  if (const auto* other = dynamic_cast<const TSystemCountry*>(&source)) {
    FId = other->FId;
    FSub = other->FSub;
  }
}

// --- TSystemLanguage -----------------------------------------------------------

void TSystemLanguage::SetId(const std::wstring& value) {
  if (value == FId) return;
  FId = value;
  if (!value.empty() && value.size() <= 9 && std::all_of(value.begin(), value.end(), Rtl::IsAsciiDigit)) {
    if (FPrimary == 0) FPrimary = std::stoi(value);
    if (FWindowsCode.empty()) FWindowsCode = value;
  }
  Changed();
}

std::int32_t TSystemLanguage::GetCodePages(TCodePageCategory category) const {
  const int index = static_cast<int>(category) - static_cast<int>(ecAnsi);
  return index >= 0 && index < 6 ? FCodePages[index] : 0;
}

void TSystemLanguage::SetCodePages(TCodePageCategory category, std::int32_t value) {
  const int index = static_cast<int>(category) - static_cast<int>(ecAnsi);
  if (index >= 0 && index < 6) FCodePages[index] = value;
}

TSystemCountry& TSystemLanguage::Add(std::unique_ptr<TSystemCountry> country) {
  country->SetLanguage(this);
  FCountries.push_back(std::move(country));
  return *FCountries.back();
}

void TSystemLanguage::Remove(const TSystemCountry* country) { RemoveItem(FCountries, country); }

TSystemVariant& TSystemLanguage::AddVariant(std::unique_ptr<TSystemVariant> variant) {
  variant->SetParent(this);
  FVariants.push_back(std::move(variant));
  return *FVariants.back();
}

void TSystemLanguage::RemoveVariant(const TSystemVariant* variant) { RemoveItem(FVariants, variant); }

TSystemCountry* TSystemLanguage::Find(const std::wstring& country) const {
  for (const auto& item : FCountries)
    if (item->GetId() == country) return item.get();
  return nullptr;
}

TSystemCountry* TSystemLanguage::Find(std::int32_t sub) const {
  for (const auto& item : FCountries)
    if (item->GetSub() == sub) return item.get();
  return nullptr;
}

TSystemVariant* TSystemLanguage::FindVariant(const std::wstring& variant) const {
  for (const auto& item : FVariants)
    if (item->GetId() == variant) return item.get();
  return nullptr;
}

std::wstring TSystemLanguage::GetFullId() const {
  return TSystemLanguages::ComposeId(FId, FScript, L"", L"", L'-', QdLanguages::lcStandard, lsStandard);
}

std::wstring TSystemLanguage::GetLocalizedName() const {
  std::wstring result = TSystemLanguages::GetLocalizedLanguageName(FId, FScript);
  if (result.empty()) result = FEnglishName;
  if (result.empty()) result = FId;
  return result;
}

int TSystemLanguage::Compare(const TQdObject& item) const {
  const auto* other = dynamic_cast<const TSystemLanguage*>(&item);
  if (other == nullptr) return TSystemLocale::Compare(item);
  const int result = FId.compare(other->FId);
  if (result != 0) return result < 0 ? -1 : 1;
  const std::size_t a = FCountries.size(), b = other->FCountries.size();
  return a < b ? -1 : a > b ? 1 : 0;
}

bool TSystemLanguage::Equals(const Rtl::TObject* obj) const {
  const auto* other = dynamic_cast<const TSystemLanguage*>(obj);
  return other != nullptr && TSystemLocale::Equals(obj) && FId == other->FId && FPrimary == other->FPrimary &&
         FScript == other->FScript && std::equal(std::begin(FCodePages), std::end(FCodePages), other->FCodePages);
}

void TSystemLanguage::Assign(const Rtl::TPersistent& source) {
  TSystemLocale::Assign(source);
  if (const auto* other = dynamic_cast<const TSystemLanguage*>(&source)) {
    FId = other->FId;
    FPrimary = other->FPrimary;
    FScript = other->FScript;
    std::copy(std::begin(other->FCodePages), std::end(other->FCodePages), FCodePages);
  }
}

std::wstring TSystemLanguage::ScriptNamesToScript(const std::wstring& value) {
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t end = value.find(L';', start);
    if (end == std::wstring::npos) end = value.size();
    const std::wstring item = value.substr(start, end - start);
    if (!item.empty() && !LanguagesDetail::FindScriptCode(item, false).empty()) return item;
    start = end + 1;
  }
  return L"";
}

namespace LanguagesDetail {

const std::vector<TScriptCode>& ScriptCodes() {
  static const std::vector<TScriptCode> codes = [] {
    std::vector<TScriptCode> result;
    for (int i = 0; i < TScript::GetScriptDataCount(); ++i) {
      const TScriptData data = TScript::GetScriptData(i);
      if (data.Id.empty()) continue;
      TScriptCode code{data.Id, {}};
      std::size_t start = 0;
      while (start < data.Alias.size()) {
        std::size_t end = data.Alias.find(L';', start);
        if (end == std::wstring::npos) end = data.Alias.size();
        if (end > start) code.Aliases.push_back(data.Alias.substr(start, end - start));
        start = end + 1;
      }
      result.push_back(std::move(code));
    }
    return result;
  }();
  return codes;
}

std::wstring FindScriptCode(const std::wstring& value, bool aliases) {
  for (const TScriptCode& code : ScriptCodes()) {
    if (Rtl::AsciiSameText(code.Id, value)) return code.Id;
    if (aliases)
      for (const std::wstring& alias : code.Aliases)
        if (Rtl::AsciiSameText(alias, value)) return code.Id;
  }
  return L"";
}

}  // namespace LanguagesDetail

}  // namespace Qd
