// The typed accessors of TXmlElement: values kept as the text of child
// elements (or, for an empty name, as the element's own value).
#include <cstring>

#include "QdClasses/DateTime.h"
#include "QdClasses/File.h"
#include "QdString/String.h"
#include "QdString/UnicodeString.h"
#include "QdStringParser.h"
#include "QdXml/Model.h"
#include "runtime/Core/DateTime.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"

namespace Qd {

const TXmlElement* TXmlElement::ValueHolder(std::wstring_view name) const {
  return name.empty() ? this : Find(name);
}

TXmlElement& TXmlElement::WriteHolder(std::wstring_view name) {
  if (name.empty()) return *this;
  if (TXmlElement* child = Find(name)) return *child;
  return *Add(std::wstring(name));
}

TXmlElement& TXmlElement::WriteText(std::wstring_view name, const std::wstring& text,
                                    const std::wstring& defaultText, bool optional) {
  if (optional && text == defaultText) return *this;
  WriteHolder(name).SetValue(text);
  return *this;
}

std::wstring TXmlElement::GetString(std::wstring_view name, const std::wstring& Default, int index) const {
  if (name.empty()) return GetValue();
  const TXmlElement* child = Find(name, index);
  return child != nullptr ? child->GetValue() : Default;
}

std::wstring TXmlElement::GetLanguageString(std::wstring_view name, std::wstring_view language,
                                            const std::wstring& Default) const {
  const TXmlElement* child = FindByLanguage(name, language);
  if (child == nullptr) child = ValueHolder(name);
  return child != nullptr ? child->GetValue() : Default;
}

TXmlElement& TXmlElement::SetString(std::wstring_view name, const std::wstring& value, const std::wstring& Default,
                                    bool optional) {
  return WriteText(name, value, Default, optional);
}

TXmlElement& TXmlElement::ForceString(std::wstring_view name, const std::wstring& value) {
  return WriteText(name, value, L"", false);
}

Rtl::RawByteString TXmlElement::GetAnsiString(std::wstring_view name, const Rtl::RawByteString& Default) const {
  const TXmlElement* child = ValueHolder(name);
  return child != nullptr ? TString::StringToRawByteString(child->GetValue()) : Default;
}

TXmlElement& TXmlElement::SetAnsiString(std::wstring_view name, const Rtl::RawByteString& value,
                                        const Rtl::RawByteString& Default, bool optional) {
  return WriteText(name, TString::RawByteStringToString(value), TString::RawByteStringToString(Default), optional);
}

std::wstring TXmlElement::GetEncryptedString(std::wstring_view name, const std::wstring& Default) const {
  const TXmlElement* child = ValueHolder(name);
  return child != nullptr ? TUnicodeString::Decrypt(std::wstring_view(child->GetValue())) : Default;
}

TXmlElement& TXmlElement::SetEncryptedString(std::wstring_view name, const std::wstring& value,
                                             const std::wstring& Default, bool optional) {
  if (optional && value == Default) return *this;
  return WriteText(name, TUnicodeString::EncryptToString(value), L"", false);
}

wchar_t TXmlElement::GetChar(std::wstring_view name, wchar_t Default) const {
  const TXmlElement* child = ValueHolder(name);
  return child != nullptr && !child->GetValue().empty() ? child->GetValue()[0] : Default;
}

TXmlElement& TXmlElement::SetChar(std::wstring_view name, wchar_t value, wchar_t Default, bool optional) {
  return WriteText(name, std::wstring(1, value), std::wstring(1, Default), optional);
}

std::int64_t TXmlElement::GetInteger(std::wstring_view name, std::int64_t Default) const {
  const TXmlElement* child = ValueHolder(name);
  long long result = 0;
  return child != nullptr && Rtl::TryStrToInt64(child->GetValue(), result) ? result : Default;
}

TXmlElement& TXmlElement::SetInteger(std::wstring_view name, std::int64_t value, std::int64_t Default,
                                     bool optional) {
  return WriteText(name, Rtl::IntToStr(value), Rtl::IntToStr(Default), optional);
}

TXmlElement& TXmlElement::ForceInteger(std::wstring_view name, std::int64_t value) {
  return SetInteger(name, value, 0, false);
}

TXmlElement* TXmlElement::AddInteger(std::wstring_view name, std::int64_t value) {
  return AddString(std::wstring(name), Rtl::IntToStr(value));
}

double TXmlElement::GetFloat(std::wstring_view name, double Default) const {
  const TXmlElement* child = ValueHolder(name);
  if (child == nullptr || !TString::IsFloat(child->GetValue(), L'.')) return Default;
  return TString::StringToFloat(child->GetValue(), Default, L'.');
}

TXmlElement& TXmlElement::SetFloat(std::wstring_view name, double value, double Default, bool optional) {
  return WriteText(name, TString::FloatToString(value, -1, true), TString::FloatToString(Default, -1, true),
                   optional);
}

bool TXmlElement::GetBoolean(std::wstring_view name, bool Default) const {
  const TXmlElement* child = ValueHolder(name);
  if (child == nullptr) return Default;
  const std::wstring& text = child->GetValue();
  if (text == L"1" || Rtl::AsciiSameText(text, L"True")) return true;
  if (text == L"0" || Rtl::AsciiSameText(text, L"False")) return false;
  return Default;
}

TXmlElement& TXmlElement::SetBoolean(std::wstring_view name, bool value, bool Default, bool optional) {
  return WriteText(name, value ? L"1" : L"0", Default ? L"1" : L"0", optional);
}

TXmlElement& TXmlElement::ForceBoolean(std::wstring_view name, bool value) {
  return SetBoolean(name, value, false, false);
}

TSmartBoolean TXmlElement::GetSmartBoolean(std::wstring_view name, TSmartBoolean Default) const {
  const TXmlElement* child = ValueHolder(name);
  if (child == nullptr) return Default;
  if (child->GetValue() == L"1") return sbTrue;
  if (child->GetValue() == L"0") return sbFalse;
  return Default;
}

Rtl::TDateTime TXmlElement::GetDateTime(std::wstring_view name, Rtl::TDateTime Default) const {
  if (Default == 0) Default = Rtl::Now();
  const TXmlElement* child = ValueHolder(name);
  // A date-time text of either ISO form has its time part and starts with
  // the year.
  if (child == nullptr || !TQdDateTime::HasTimePart(child->GetValue()) ||
      !TUnicodeString::IsDigit(child->GetValue()[0]))
    return Default;
  try {
    return TQdDateTime::IsoToDateTime(child->GetValue());
  } catch (const Rtl::Exception&) {
    return Default;
  }
}

TXmlElement& TXmlElement::SetDateTime(std::wstring_view name, Rtl::TDateTime value, Rtl::TDateTime Default,
                                      bool optional) {
  return WriteText(name, TQdDateTime::DateTimeToShortIso(value), TQdDateTime::DateTimeToShortIso(Default),
                   optional);
}

void TXmlElement::GetSet(std::wstring_view name, const Rtl::TSetInfo& typeInfo, void* value, int size,
                         const void* Default) const {
  std::memcpy(value, Default, static_cast<std::size_t>(size));
  const TXmlElement* child = ValueHolder(name);
  if (child != nullptr && !child->GetValue().empty()) TSetParser::StrToSet(value, size, child->GetValue(), typeInfo);
}

TXmlElement& TXmlElement::SetSet(std::wstring_view name, const Rtl::TSetInfo& typeInfo, const void* value, int size,
                                 const void* Default) {
  if (std::memcmp(value, Default, static_cast<std::size_t>(size)) == 0) return *this;
  return WriteText(name, TSetParser::SetToStr(value, size, typeInfo), L"", false);
}

void TXmlElement::GetStrings(std::wstring_view name, Rtl::TStringList& list, std::wstring_view itemName) const {
  list.Clear();
  if (const TXmlElement* child = Find(name)) child->GetValues(itemName, list);
}

void TXmlElement::GetFiles(std::wstring_view name, const std::wstring& dir, Rtl::TStringList& list,
                           std::wstring_view itemName) const {
  list.Clear();
  const TXmlElement* child = Find(name);
  if (child == nullptr) return;
  for (int i = 0; i < child->GetCount(); ++i)
    if (child->GetElements(i)->GetName() == itemName)
      list.Add(TFile::GetFullPath(child->GetElements(i)->GetValue(), dir));
}

Rtl::TBytes TXmlElement::GetCompressed(std::wstring_view name) const {
  const TXmlElement* child = ValueHolder(name);
  return child != nullptr ? child->GetAsCompressed() : Rtl::TBytes();
}

Rtl::TBytes TXmlElement::GetBase64(std::wstring_view name) const {
  const TXmlElement* child = ValueHolder(name);
  return child != nullptr ? child->GetAsBase64() : Rtl::TBytes();
}

Rtl::TBytes TXmlElement::GetBase32(std::wstring_view name) const {
  const TXmlElement* child = ValueHolder(name);
  return child != nullptr ? child->GetAsBase32() : Rtl::TBytes();
}

Rtl::TBytes TXmlElement::GetBase16(std::wstring_view name) const {
  const TXmlElement* child = ValueHolder(name);
  return child != nullptr ? child->GetAsBase16() : Rtl::TBytes();
}

Rtl::TBytes TXmlElement::GetUrl(std::wstring_view name) const {
  const TXmlElement* child = ValueHolder(name);
  return child != nullptr ? child->GetAsUrl() : Rtl::TBytes();
}

}  // namespace Qd
