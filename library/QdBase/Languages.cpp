// TQdLanguage and TQdLanguages.
#include "QdBase.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/IO/Files.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"

namespace Qd {

std::wstring TQdLanguage::GetActiveCode() const {
  if (FFileName.empty()) return FCode;
  const std::wstring extension = Rtl::ExtractFileExt(FFileName);
  return extension.empty() ? extension : extension.substr(1);
}

std::wstring TQdLanguage::GetBoth(const std::wstring& native, const std::wstring& localized) {
  return Rtl::Format(L"%s - %s", {native, localized});
}

std::wstring TQdLanguage::CheckCase(const std::wstring& value, TQdLanguageNameCase nameCase) {
  if (value.empty()) return value;
  std::wstring result = value;
  switch (nameCase) {
    case lcUpper:
      result[0] = Rtl::AsciiUpper(result[0]);
      break;
    case lcLower:
      result[0] = Rtl::AsciiLower(result[0]);
      break;
    case lcDefault:
      break;
  }
  return result;
}

TQdLanguage* TQdLanguages::GetItems(int index) const {
  if (index < 0 || index >= GetCount()) throw Rtl::EListError(Rtl::Format(Rtl::LoadResString(Rtl::SListIndexError), {index}));
  return FItems[static_cast<std::size_t>(index)].get();
}

TQdLanguage* TQdLanguages::FindByFile(const std::wstring& fileName) const {
  for (const auto& item : FItems)
    if (Rtl::SameFileName(item->GetFileName(), fileName)) return item.get();
  return nullptr;
}

TQdLanguage* TQdLanguages::Add(const std::wstring& code, std::int32_t id, const std::wstring& fileName) {
  if (!fileName.empty() && FindByFile(fileName) != nullptr) return nullptr;
  auto language = std::make_unique<TQdLanguage>();
  language->SetCode(code);
  language->SetId(id > 0 ? id : TQdBase::IsoToLocale(code));
  language->SetFileName(fileName);
  return Add(std::move(language));
}

TQdLanguage* TQdLanguages::Add(std::unique_ptr<TQdLanguage> language) {
  FItems.push_back(std::move(language));
  return FItems.back().get();
}

TQdLanguage* TQdLanguages::AddDefault() { return Add(DefaultLocale(), 0, L""); }

}  // namespace Qd
