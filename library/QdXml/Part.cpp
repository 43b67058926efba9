// TXmlPart and TXmlAttribute: names, values, whitespace, recorded forms and
// the typed and binary views of a value.
#include <cmath>

#include "QdClasses/DateTime.h"
#include "QdString/String.h"
#include "QdString/UnicodeString.h"
#include "QdXml/File.h"
#include "QdXml/Model.h"
#include "QdXml/Strings.h"
#include "QdZip.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Memory.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace {

const std::wstring EmptyString;

const TXmlPartEntities& EmptyPartEntities() {
  static const TXmlPartEntities empty;
  return empty;
}

}  // namespace

// --- TXmlPart --------------------------------------------------------------------

TXmlPart::~TXmlPart() = default;

void* TXmlPart::operator new(std::size_t size) { return Rtl::Memory::AllocateSmall(size); }

void TXmlPart::operator delete(void* block, std::size_t) noexcept { Rtl::Memory::Free(block); }

void TXmlPart::CheckChangeable() const {
  if (IsEmptyPart(this))
    throw Rtl::Exception(Rtl::LoadResString(SXmlEmptyElementChanged));
}

const std::wstring& TXmlPart::SingleSpace() {
  static const std::wstring space(1, L' ');
  return space;
}

const std::wstring& TXmlPart::FlagSpaces(bool space) { return space ? SingleSpace() : EmptyString; }

TXmlPart::TExtra& TXmlPart::Extra() {
  if (!FExtra) {
    FExtra = std::make_unique<TExtra>();
    if (FBeforeSpace) FExtra->Before = SingleSpace();
    if (FAfterSpace) FExtra->After = SingleSpace();
    FBeforeSpace = FAfterSpace = false;
  }
  return *FExtra;
}

const std::wstring& TXmlPart::GetBeforeWhiteSpaces() const {
  return FExtra ? FExtra->Before : FlagSpaces(FBeforeSpace);
}

void TXmlPart::SetBeforeWhiteSpaces(std::wstring value) {
  if (value.empty() && (!FExtra || FExtra->Before.empty()) && !FBeforeSpace) return;
  CheckChangeable();
  if (!FExtra && FitsSpaceFlag(value)) {
    FBeforeSpace = !value.empty();
    return;
  }
  Extra().Before = std::move(value);
}

const std::wstring& TXmlPart::GetAfterWhiteSpaces() const {
  return FExtra ? FExtra->After : FlagSpaces(FAfterSpace);
}

void TXmlPart::SetAfterWhiteSpaces(std::wstring value) {
  if (value.empty() && (!FExtra || FExtra->After.empty()) && !FAfterSpace) return;
  CheckChangeable();
  if (!FExtra && FitsSpaceFlag(value)) {
    FAfterSpace = !value.empty();
    return;
  }
  Extra().After = std::move(value);
}

void TXmlPart::SetName(std::wstring value) { FName = std::move(value); }

void TXmlPart::SetValue(std::wstring value) {
  if (value == FValue) return;
  FValue = std::move(value);
  ValueChanged();
}

std::wstring TXmlPart::GetStringValue() const { return FValue; }

void TXmlPart::SetStringValue(const std::wstring& value) { SetValue(value); }

const TXmlPartEntities& TXmlPart::GetPartEntities() const {
  return FExtra && FExtra->PartEntities ? *FExtra->PartEntities : EmptyPartEntities();
}

TXmlPartEntities& TXmlPart::PartEntities() {
  if (!FExtra || !FExtra->PartEntities) {
    CheckChangeable();
    Extra().PartEntities = std::make_unique<TXmlPartEntities>();
  }
  return *FExtra->PartEntities;
}

void TXmlPart::SetPartEntities(const TXmlPartEntities& value) {
  if (GetPartEntities().Equals(&value)) return;
  PartEntities().Assign(value);
  ValueChanged();
}

void TXmlPart::Assign(const Rtl::TPersistent& source) {
  const auto& part = Rtl::As<TXmlPart>(source);
  if (&part == this) return;
  SetBeforeWhiteSpaces(part.GetBeforeWhiteSpaces());
  SetAfterWhiteSpaces(part.GetAfterWhiteSpaces());
  FCodings = part.FCodings;
  FEnabled = part.FEnabled;
  SetName(part.FName);
  FParent = part.FParent;
  SetValue(part.FValue);
  if (part.HasPartEntities() || HasPartEntities()) PartEntities().Assign(part.GetPartEntities());
}

bool TXmlPart::Equals(const Rtl::TObject* /*obj*/) const { return false; }

Rtl::TBytes TXmlPart::GetBinary(TBinaryEncoding encoding) const {
  const std::wstring value = GetStringValue();
  switch (encoding) {
    case beBase64: return TBase64::Decode(value);
    case beBase32: return TBase32::Decode(value);
    case beBase16: return TBase16::Decode(value);
    case beUrl: return TUrlString::Decode(value);
    default: throw Rtl::Exception(Rtl::SErrorMessage);
  }
}

void TXmlPart::SetBinary(const Rtl::TBytes& value, TBinaryEncoding encoding) {
  if (encoding > beUrl) throw Rtl::Exception(Rtl::SErrorMessage);
  SetStringValue(TBinaryString::Encode(value, encoding));
}

Rtl::TBytes TXmlPart::GetAsCompressed() const { return TQdZip::UnzipData(GetAsBase64()); }

void TXmlPart::SetAsCompressed(const Rtl::TBytes& value) { SetAsBase64(TQdZip::ZipData(value)); }

namespace {
constexpr int BINARY_MIN_LENGTH_C = 80;
}

Rtl::TBytes TXmlPart::GetAsBinary() const {
  TBinaryEncoding encoding = beBase64;
  if (!TBinaryString::IsString(GetStringValue(), encoding, true, BINARY_MIN_LENGTH_C)) return {};
  return GetBinary(encoding);
}

void TXmlPart::SetAsBinary(const Rtl::TBytes& value) {
  TBinaryEncoding encoding = beBase64;
  if (!TBinaryString::IsString(GetStringValue(), encoding, true, BINARY_MIN_LENGTH_C)) encoding = beBase64;
  SetBinary(value, encoding);
}

// --- TXmlAttribute ---------------------------------------------------------------

TXmlAttribute::TXmlAttribute(std::wstring name, std::wstring value) {
  SetName(std::move(name));
  StoreValue(std::move(value));
}

TXmlAttribute::~TXmlAttribute() = default;

void TXmlAttribute::SetName(std::wstring value) {
  TXmlPart::SetName(std::move(value));
  if (GetParent() != nullptr) GetParent()->AttributeRenamed();
}

TXmlAttribute::TExtra& TXmlAttribute::Extra() {
  if (!FExtra) {
    FExtra = std::make_unique<TExtra>();
    if (FNameSpace) FExtra->NameWhiteSpaces = SingleSpace();
    if (FSeparatorSpace) FExtra->SeparatorWhiteSpaces = SingleSpace();
    if (FValueSpace) FExtra->ValueWhiteSpaces = SingleSpace();
    FNameSpace = FSeparatorSpace = FValueSpace = false;
  }
  return *FExtra;
}

// Without a record, "" and " " are kept as a flag.
const std::wstring& TXmlAttribute::GetNameWhiteSpaces() const {
  return FExtra ? FExtra->NameWhiteSpaces : FlagSpaces(FNameSpace);
}
void TXmlAttribute::SetNameWhiteSpaces(std::wstring value) {
  if (!FExtra && FitsSpaceFlag(value))
    FNameSpace = !value.empty();
  else
    Extra().NameWhiteSpaces = std::move(value);
}
const std::wstring& TXmlAttribute::GetSeparatorWhiteSpaces() const {
  return FExtra ? FExtra->SeparatorWhiteSpaces : FlagSpaces(FSeparatorSpace);
}
void TXmlAttribute::SetSeparatorWhiteSpaces(std::wstring value) {
  if (!FExtra && FitsSpaceFlag(value))
    FSeparatorSpace = !value.empty();
  else
    Extra().SeparatorWhiteSpaces = std::move(value);
}
const std::wstring& TXmlAttribute::GetValueWhiteSpaces() const {
  return FExtra ? FExtra->ValueWhiteSpaces : FlagSpaces(FValueSpace);
}
void TXmlAttribute::SetValueWhiteSpaces(std::wstring value) {
  if (!FExtra && FitsSpaceFlag(value))
    FValueSpace = !value.empty();
  else
    Extra().ValueWhiteSpaces = std::move(value);
}

void TXmlAttribute::Assign(const Rtl::TPersistent& source) {
  TXmlPart::Assign(source);
  if (const auto* attribute = dynamic_cast<const TXmlAttribute*>(&source)) {
    SetNameWhiteSpaces(attribute->GetNameWhiteSpaces());
    SetSeparatorWhiteSpaces(attribute->GetSeparatorWhiteSpaces());
    SetValueWhiteSpaces(attribute->GetValueWhiteSpaces());
    FSeparator = attribute->FSeparator;
  }
}

bool TXmlAttribute::Equals(const Rtl::TObject* obj) const {
  const auto* other = dynamic_cast<const TXmlAttribute*>(obj);
  return other != nullptr && other->GetName() == GetName() && other->GetValue() == GetValue() &&
         other->FSeparator == FSeparator && TXmlFile::CodingsEquals(other->GetCodings(), GetCodings());
}

wchar_t TXmlAttribute::GetAsChar() const { return GetValue().empty() ? L'\0' : GetValue()[0]; }
void TXmlAttribute::SetAsChar(wchar_t value) { SetValue(std::wstring(1, value)); }
char TXmlAttribute::GetAsAnsiChar() const {
  return GetValue().empty() ? '\0' : static_cast<char>(GetValue()[0] & 0xFF);
}
void TXmlAttribute::SetAsAnsiChar(char value) {
  SetValue(std::wstring(1, static_cast<wchar_t>(static_cast<unsigned char>(value))));
}

std::int64_t TXmlAttribute::GetAsInteger() const {
  long long result = 0;
  return Rtl::TryStrToInt64(GetValue(), result) ? result : 0;
}
void TXmlAttribute::SetAsInteger(std::int64_t value) { SetValue(Rtl::IntToStr(value)); }

double TXmlAttribute::GetAsFloat() const { return TString::StringToFloat(GetValue(), L'.'); }
void TXmlAttribute::SetAsFloat(double value) { SetValue(TString::FloatToString(value, -1, true)); }

Rtl::TDateTime TXmlAttribute::GetAsDate() const { return std::floor(GetAsDateTime()); }
void TXmlAttribute::SetAsDate(Rtl::TDateTime value) { SetValue(TQdDateTime::DateToShortIso(value)); }
Rtl::TDateTime TXmlAttribute::GetAsDateTime() const { return TQdDateTime::IsoToDateTime(GetValue()); }
void TXmlAttribute::SetAsDateTime(Rtl::TDateTime value) { SetValue(TQdDateTime::DateTimeToShortIso(value)); }
void TXmlAttribute::SetAsDateTimeMs(Rtl::TDateTime value) { SetValue(TQdDateTime::DateTimeMsToShortIso(value)); }

bool TXmlAttribute::IsInteger() const { return TUnicodeString::IsNumber(GetValue()); }

bool TXmlAttribute::IsNamespace() const { return GetName().starts_with(L"xmlns:"); }

void TXmlAttribute::DetectSeparator() {
  for (wchar_t c : GetValue()) {
    if (c == L'"') {
      FSeparator = xsSingle;
      return;
    }
    if (c == L'\'') {
      FSeparator = xsDouble;
      return;
    }
  }
}

const std::wstring& TXmlAttribute::GetBaseName() {
  if (!FLocaleRead) ReadLocale();
  return FExtra && !FExtra->BaseName.empty() ? FExtra->BaseName : GetName();
}

const std::wstring& TXmlAttribute::GetLocale() {
  if (!FLocaleRead) ReadLocale();
  return FExtra ? FExtra->Locale : EmptyString;
}

// --- TXmlFile's class-level functions ----------------------------------------

wchar_t TXmlFile::EntityToChar(std::wstring_view name) {
  for (const TEntityData& row : ENTITIES_C)
    if (name == row.Code) return row.Char;
  return L'\0';
}

std::wstring TXmlFile::CharToEntity(wchar_t c, bool full) {
  for (const TEntityData& row : ENTITIES_C)
    if (c == row.Char) return full ? L"&" + std::wstring(row.Code) + L";" : std::wstring(row.Code);
  return std::wstring(1, c);
}

std::wstring TXmlFile::EntityEncode(std::wstring_view value) {
  std::wstring result;
  result.reserve(value.size());
  for (wchar_t c : value) result += CharToEntity(c, true);
  return result;
}

bool TXmlFile::CodingsEquals(const TXmlEntityCodings& codings1, const TXmlEntityCodings& codings2) {
  return codings1 == codings2;
}

void TXmlFile::CodingsToCoding(const TXmlEntityCodings& codings, const TXmlEntityCoding& Default,
                               TXmlEntityCoding& result) {
  for (std::size_t i = 0; i < codings.size(); ++i) {
    const TXmlCodings& set = codings[i];
    result[i] = set.IsEmpty()                ? Default[i]
                : set.Contains(xcEntity) ? xcEntity
                : set.Contains(xcHex)    ? xcHex
                : set.Contains(xcNumber) ? xcNumber
                                         : xcNone;
  }
}

}  // namespace Qd
