// TXmlAttributes: the attribute collection of an element and its typed
// accessors.
#include <cmath>
#include <cstring>

#include "QdClasses/DateTime.h"
#include "QdString/String.h"
#include "QdString/UnicodeString.h"
#include "QdStringParser.h"
#include "QdXml/Model.h"
#include "QdXml/Strings.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Memory.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace {

const std::wstring XML_LANG_C = L"xml:lang";
const std::wstring XML_SPACE_C = L"xml:space";
// From this many attributes on, an element's collection finds names through
// its index.
constexpr int NAME_INDEX_MIN_C = 32;

void CheckParent(const TXmlElement* parent) {
  if (IsEmptyElement(parent)) throw Rtl::Exception(Rtl::LoadResString(SXmlEmptyElementChanged));
}

}  // namespace

bool TXmlAttributesEnumerator::MoveNext() {
  if (FAttributes == nullptr || FIndex >= FAttributes->GetCount() - 1) return false;
  ++FIndex;
  return true;
}

TXmlAttribute* TXmlAttributesEnumerator::GetCurrent() const { return FAttributes->GetItems(FIndex); }

void* TXmlAttributes::operator new(std::size_t size) { return Rtl::Memory::AllocateSmall(size); }

void TXmlAttributes::operator delete(void* block, std::size_t) noexcept { Rtl::Memory::Free(block); }

void TXmlAttributes::Assign(const Rtl::TPersistent& source) {
  const auto& attributes = Rtl::As<TXmlAttributes>(source);
  if (&attributes == this) return;
  CheckParent(FParent);
  Clear();
  FNames.reset();
  for (int i = 0; i < attributes.GetCount(); ++i) {
    auto copy = std::make_unique<TXmlAttribute>();
    copy->Assign(*attributes.GetItems(i));
    copy->SetParent(FParent);
    FItems.Add(std::move(copy));
  }
}

TXmlAttribute* TXmlAttributes::GetItems(int index) const { return static_cast<TXmlAttribute*>(FItems.GetItems(index)); }

TXmlAttribute* TXmlAttributes::GetItems(std::wstring_view name) {
  if (TXmlAttribute* found = Find(name)) return found;
  return Add(std::make_unique<TXmlAttribute>(std::wstring(name), L""));
}

void TXmlAttributes::RebuildNames() const {
  FNames = std::make_unique<std::unordered_map<std::wstring, int>>();
  for (int i = 0; i < GetCount(); ++i) FNames->emplace(GetItems(i)->GetName(), i);
  FNamesCount = GetCount();
}

int TXmlAttributes::FindIndex(std::wstring_view name) const {
  if (FParent != nullptr && GetCount() > NAME_INDEX_MIN_C) {
    // Only this collection adds attributes, and a rename drops the index,
    // so an index made at the current count knows every name; a position
    // that moved is found again after a rebuild.
    if (!FNames || FNamesCount != GetCount()) RebuildNames();
    const std::wstring key(name);
    for (int attempt = 0; attempt < 2; ++attempt) {
      const auto found = FNames->find(key);
      if (found == FNames->end()) return -1;
      if (found->second < GetCount() && GetItems(found->second)->GetName() == name) return found->second;
      RebuildNames();
    }
  }
  for (int i = 0; i < GetCount(); ++i)
    if (GetItems(i)->GetName() == name) return i;
  return -1;
}

TXmlAttribute* TXmlAttributes::Find(std::wstring_view name) const {
  const int index = FindIndex(name);
  return index >= 0 ? GetItems(index) : nullptr;
}

TXmlAttribute* TXmlAttributes::FindPartial(std::wstring_view name) const {
  for (int i = 0; i < GetCount(); ++i)
    if (GetItems(i)->GetName().find(name) != std::wstring::npos) return GetItems(i);
  return nullptr;
}

void TXmlAttributes::Remove(std::wstring_view name) {
  const int index = FindIndex(name);
  if (index >= 0) FItems.Delete(index);
}

TXmlAttribute* TXmlAttributes::Add(std::unique_ptr<TXmlAttribute> attribute, int index) {
  CheckParent(FParent);
  if (DoesExist(attribute->GetName()))
    throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlAttributeExists), {attribute->GetName()}));
  attribute->SetParent(FParent);
  // A short collection finds names by a scan; an index made earlier may
  // come back to life at its count only through a rebuild.
  if (GetCount() <= NAME_INDEX_MIN_C) FNames.reset();
  TXmlAttribute* result = attribute.get();
  if (index < 0 || index >= GetCount()) {
    FItems.Add(std::move(attribute));
    if (FNames && FNamesCount == GetCount() - 1) {
      FNames->emplace(result->GetName(), GetCount() - 1);
      FNamesCount = GetCount();
    }
  } else {
    FItems.Insert(index, std::move(attribute));
  }
  return result;
}

std::wstring TXmlAttributes::GetLanguage() const { return GetString(XML_LANG_C); }

void TXmlAttributes::SetLanguage(const std::wstring& value) {
  if (value.empty())
    Remove(XML_LANG_C);
  else
    SetString(XML_LANG_C, value, L"", false, 0);
}

TXmlAttributes& TXmlAttributes::SetXmlLang(const std::wstring& value) {
  SetLanguage(value);
  return *this;
}

TXmlAttributes& TXmlAttributes::SetPreserveSpace(bool value) {
  if (value)
    SetString(XML_SPACE_C, L"preserve", L"", false, -1);
  else
    Remove(XML_SPACE_C);
  return *this;
}

TXmlAttributes& TXmlAttributes::Write(std::wstring_view name, const std::wstring& text, int index) {
  if (name.empty()) throw Rtl::Exception(Rtl::LoadResString(SXmlEmptyAttributeName));
  if (TXmlAttribute* attribute = Find(name))
    attribute->SetValue(text);
  else
    Add(std::make_unique<TXmlAttribute>(std::wstring(name), text), index);
  return *this;
}

// --- Strings -----------------------------------------------------------------------

std::wstring TXmlAttributes::GetString(std::wstring_view name, const std::wstring& Default) const {
  const TXmlAttribute* attribute = Find(name);
  return attribute ? attribute->GetValue() : Default;
}

TXmlAttributes& TXmlAttributes::SetString(std::wstring_view name, const std::wstring& value,
                                          const std::wstring& Default, bool optional, int index) {
  if (name.empty()) throw Rtl::Exception(Rtl::LoadResString(SXmlEmptyAttributeName));
  if (optional && value == Default) return *this;
  return Write(name, value, index);
}

TXmlAttributes& TXmlAttributes::ForceString(std::wstring_view name, const std::wstring& value) {
  return SetString(name, value, L"", false, -1);
}

TXmlAttribute* TXmlAttributes::AddString(std::wstring_view name, const std::wstring& value, int index) {
  if (name.empty()) throw Rtl::Exception(Rtl::LoadResString(SXmlEmptyAttributeName));
  return Add(std::make_unique<TXmlAttribute>(std::wstring(name), value), index);
}

Rtl::RawByteString TXmlAttributes::GetAnsiString(std::wstring_view name, const Rtl::RawByteString& Default) const {
  const TXmlAttribute* attribute = Find(name);
  return attribute ? TString::StringToRawByteString(attribute->GetValue()) : Default;
}

TXmlAttributes& TXmlAttributes::SetAnsiString(std::wstring_view name, const Rtl::RawByteString& value,
                                              const Rtl::RawByteString& Default, bool optional, int index) {
  return SetString(name, TString::RawByteStringToString(value), TString::RawByteStringToString(Default), optional,
                   index);
}

// --- Characters and numbers -------------------------------------------------------

wchar_t TXmlAttributes::GetChar(std::wstring_view name, wchar_t Default) const {
  const TXmlAttribute* attribute = Find(name);
  return attribute ? attribute->GetAsChar() : Default;
}

TXmlAttributes& TXmlAttributes::SetChar(std::wstring_view name, wchar_t value, wchar_t Default, bool optional,
                                        int index) {
  if (optional && value == Default) return *this;
  return SetString(name, std::wstring(1, value), L"", false, index);
}

TXmlAttributes& TXmlAttributes::ForceChar(std::wstring_view name, wchar_t value) {
  return SetChar(name, value, 0, false, -1);
}

TXmlAttribute* TXmlAttributes::AddChar(std::wstring_view name, wchar_t value, int index) {
  return AddString(name, std::wstring(1, value), index);
}

std::int64_t TXmlAttributes::GetInteger(std::wstring_view name, std::int64_t Default) const {
  const TXmlAttribute* attribute = Find(name);
  return attribute ? attribute->GetAsInteger() : Default;
}

TXmlAttributes& TXmlAttributes::SetInteger(std::wstring_view name, std::int64_t value, std::int64_t Default,
                                           bool optional, int index) {
  if (optional && value == Default) return *this;
  return SetString(name, Rtl::IntToStr(value), L"", false, index);
}

TXmlAttributes& TXmlAttributes::ForceInteger(std::wstring_view name, std::int64_t value) {
  return SetInteger(name, value, 0, false, -1);
}

TXmlAttribute* TXmlAttributes::AddInteger(std::wstring_view name, std::int64_t value, int index) {
  return AddString(name, Rtl::IntToStr(value), index);
}

double TXmlAttributes::GetFloat(std::wstring_view name, double Default) const {
  const TXmlAttribute* attribute = Find(name);
  return attribute ? attribute->GetAsFloat() : Default;
}

TXmlAttributes& TXmlAttributes::SetFloat(std::wstring_view name, double value, double Default, bool optional,
                                         int index) {
  if (optional && value == Default) return *this;
  return SetString(name, TString::FloatToString(value, -1, true), L"", false, index);
}

TXmlAttributes& TXmlAttributes::ForceFloat(std::wstring_view name, double value) {
  return SetFloat(name, value, 0, false, -1);
}

TXmlAttribute* TXmlAttributes::AddFloat(std::wstring_view name, double value, int index) {
  return AddString(name, TString::FloatToString(value, -1, true), index);
}

bool TXmlAttributes::GetBoolean(std::wstring_view name, bool Default) const {
  const TXmlAttribute* attribute = Find(name);
  if (attribute == nullptr) return Default;
  if (attribute->GetValue() == L"1") return true;
  if (attribute->GetValue() == L"0") return false;
  return Default;
}

TXmlAttributes& TXmlAttributes::SetBoolean(std::wstring_view name, bool value, bool Default, bool optional,
                                           int index) {
  if (optional && value == Default) return *this;
  return SetString(name, value ? L"1" : L"0", L"", false, index);
}

TXmlAttributes& TXmlAttributes::ForceBoolean(std::wstring_view name, bool value) {
  return SetBoolean(name, value, false, false, -1);
}

TXmlAttribute* TXmlAttributes::AddBoolean(std::wstring_view name, bool value, int index) {
  return AddString(name, value ? L"1" : L"0", index);
}

TSmartBoolean TXmlAttributes::GetSmartBoolean(std::wstring_view name, TSmartBoolean Default) const {
  const TXmlAttribute* attribute = Find(name);
  if (attribute == nullptr) return Default;
  if (attribute->GetValue() == L"1") return sbTrue;
  if (attribute->GetValue() == L"0") return sbFalse;
  return Default;
}

// --- Dates -------------------------------------------------------------------------

Rtl::TDateTime TXmlAttributes::GetDateTime(std::wstring_view name, Rtl::TDateTime Default) const {
  const TXmlAttribute* attribute = Find(name);
  return attribute ? attribute->GetAsDateTime() : Default;
}

TXmlAttributes& TXmlAttributes::SetDateTime(std::wstring_view name, Rtl::TDateTime value, Rtl::TDateTime Default,
                                            bool optional, int index, bool includeMilliSeconds) {
  const auto text = [includeMilliSeconds](Rtl::TDateTime v) {
    return includeMilliSeconds ? TQdDateTime::DateTimeMsToShortIso(v) : TQdDateTime::DateTimeToShortIso(v);
  };
  const std::wstring valueText = text(value);
  if (optional && (value == Default || valueText == text(Default))) return *this;
  return SetString(name, valueText, L"", false, index);
}

TXmlAttributes& TXmlAttributes::ForceDateTime(std::wstring_view name, Rtl::TDateTime value) {
  return SetDateTime(name, value, 0, false, -1, false);
}

TXmlAttribute* TXmlAttributes::AddDateTime(std::wstring_view name, Rtl::TDateTime value, int index) {
  return AddString(name, TQdDateTime::DateTimeToShortIso(value), index);
}

TXmlAttributes& TXmlAttributes::SetDate(std::wstring_view name, Rtl::TDateTime value, Rtl::TDateTime Default,
                                        bool optional, int index) {
  if (optional && (value == Default ||
                   TQdDateTime::DateTimeMsToShortIso(value) == TQdDateTime::DateTimeMsToShortIso(Default)))
    return *this;
  return SetString(name, TQdDateTime::DateToShortIso(value), L"", false, index);
}

TXmlAttribute* TXmlAttributes::AddDate(std::wstring_view name, Rtl::TDateTime value, int index) {
  return AddString(name, TQdDateTime::DateToShortIso(value), index);
}

// --- Bytes and scrambled text ----------------------------------------------------------

Rtl::TBytes TXmlAttributes::GetBase64(std::wstring_view name, const Rtl::TBytes& Default) const {
  const TXmlAttribute* attribute = Find(name);
  return attribute ? attribute->GetAsBase64() : Default;
}

TXmlAttributes& TXmlAttributes::SetBase64(std::wstring_view name, const Rtl::TBytes& value,
                                          const Rtl::TBytes& Default, bool optional, int index) {
  if (optional && value == Default) return *this;
  return SetString(name, TBase64::Encode(value), L"", false, index);
}

TXmlAttribute* TXmlAttributes::AddBase64(std::wstring_view name, const Rtl::TBytes& value, int index) {
  return AddString(name, TBase64::Encode(value), index);
}

std::wstring TXmlAttributes::GetEncryptedString(std::wstring_view name, const std::wstring& Default) const {
  const TXmlAttribute* attribute = Find(name);
  return attribute ? TUnicodeString::Decrypt(std::wstring_view(attribute->GetValue())) : Default;
}

TXmlAttributes& TXmlAttributes::SetEncryptedString(std::wstring_view name, const std::wstring& value,
                                                   const std::wstring& Default, bool optional, int index) {
  if (optional && value == Default) return *this;
  return SetString(name, TUnicodeString::EncryptToString(value), L"", false, index);
}

void TXmlAttributes::GetStrings(std::wstring_view name, Rtl::TStringList& value) const {
  TUnicodeString::StringToStrings(GetString(name), value, L';');
}

TXmlAttributes& TXmlAttributes::SetStrings(std::wstring_view name, const Rtl::TStringList& value, bool optional,
                                           int index) {
  return SetString(name, TUnicodeString::StringsToString(value, L';'), L"", optional, index);
}

// --- Classes, enumerations and sets ------------------------------------------------

const Rtl::TClass* TXmlAttributes::GetClass(std::wstring_view name, const Rtl::TClass* Default) const {
  const TXmlAttribute* attribute = Find(name);
  if (attribute == nullptr) return Default;
  return Rtl::GetClass(attribute->GetValue());
}

TXmlAttributes* TXmlAttributes::SetClass(std::wstring_view name, const Rtl::TClass* value,
                                         const Rtl::TClass* Default, bool optional, int index) {
  if (value == nullptr || value == Default) return nullptr;
  return &SetString(name, value->ClassName(), L"", optional, index);
}

namespace {

const Rtl::TEnumInfo& EnumInfo(const Rtl::TTypeInfo& typeInfo) {
  if (typeInfo.Kind != Rtl::tkEnumeration)
    throw Rtl::Exception(Rtl::Format(Rtl::LoadResString(SXmlNotEnumeration), {typeInfo.Name}));
  return static_cast<const Rtl::TEnumInfo&>(typeInfo);
}

}  // namespace

// A number is taken as the value, any other text as a member name; a value
// without a member (or a name of none) gives Default.
int TXmlAttributes::GetEnum(std::wstring_view name, const Rtl::TTypeInfo& typeInfo, int Default) const {
  const Rtl::TEnumInfo& info = EnumInfo(typeInfo);
  const TXmlAttribute* attribute = Find(name);
  if (attribute == nullptr) return Default;
  int value = -1;
  if (!Rtl::TryStrToInt(attribute->GetValue(), value)) value = info.GetEnumValue(attribute->GetValue());
  if (value == -1 || !info.IsValue(value)) return Default;
  return value;
}

int TXmlAttributes::GetEnum(const std::vector<std::wstring>& names, const Rtl::TTypeInfo& typeInfo,
                            int Default) const {
  for (const std::wstring& name : names)
    if (DoesExist(name)) return GetEnum(name, typeInfo, Default);
  EnumInfo(typeInfo);
  return Default;
}

TXmlAttributes& TXmlAttributes::SetEnum(std::wstring_view name, int value, const Rtl::TTypeInfo* typeInfo,
                                        int Default, bool optional, int index) {
  if (optional && value == Default) return *this;
  if (typeInfo == nullptr) return SetString(name, Rtl::IntToStr(value), L"", false, index);
  const std::wstring text = EnumInfo(*typeInfo).GetEnumName(value);
  if (TXmlAttribute* attribute = Find(name)) {
    attribute->SetValue(text);
    return *this;
  }
  // A value without a name creates no attribute.
  return SetString(name, text, L"", true, index);
}

void TXmlAttributes::GetSet(std::wstring_view name, const Rtl::TSetInfo& typeInfo, void* value, int size,
                            const void* Default) const {
  const std::wstring text = GetString(name);
  std::memcpy(value, Default, static_cast<std::size_t>(size));
  if (!text.empty()) TSetParser::StrToSet(value, size, text, typeInfo);
}

TXmlAttributes& TXmlAttributes::SetSet(std::wstring_view name, const Rtl::TSetInfo& typeInfo, const void* value,
                                       int size, const void* Default, bool optional, int index) {
  if (optional && std::memcmp(value, Default, static_cast<std::size_t>(size)) == 0) return *this;
  return SetString(name, TSetParser::SetToStr(value, size, typeInfo), L"", false, index);
}

}  // namespace Qd
