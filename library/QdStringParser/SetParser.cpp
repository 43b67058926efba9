// TSetParser: sets of enumeration members as text, bytes and integers.
#include <algorithm>
#include <array>
#include <cstring>

#include "QdStringParser.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/ResStrings.h"
#include "runtime/Core/Strings.h"
#include "runtime/Text/Format.h"

namespace Qd {

namespace {

// The most bytes a set has: members of the values 0 to 255.
constexpr int MAX_SET_SIZE_C = 32;
constexpr int MAX_INTEGER_SIZE_C = 4;
// What separates member names in a set's text; brackets are optional.
const wchar_t* const SET_SEPARATORS_C = L"[ ,;]";

using TSetBuffer = std::array<std::uint8_t, MAX_SET_SIZE_C>;

// A size that a caller passes for a set's bytes; anything else would read or
// write past the set.
void CheckSize(int size, int maxSize) {
  if (size < 0 || size > maxSize) throw Rtl::Exception(Rtl::SErrorMessage);
}

// The enumeration of a set type (its members' values are 0 to 255 in a set).
const Rtl::TEnumInfo& ElementType(const Rtl::TSetInfo& typeInfo) {
  if (typeInfo.ElementType == nullptr) throw Rtl::Exception(Rtl::SErrorMessage);
  return *typeInfo.ElementType;
}

}  // namespace

int TSetParser::GetItems(int index) const {
  if (index < 0 || index >= GetCount())
    throw Rtl::EListError(Rtl::Format(Rtl::LoadResString(Rtl::SListIndexError), {index}));
  return FItems[static_cast<std::size_t>(index)];
}

std::wstring TSetParser::GetText() const {
  std::wstring text = L"[";
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    if (i > 0) text += L',';
    text += FTypeInfo->GetEnumName(FItems[i]);
  }
  text += L']';
  return text;
}

void TSetParser::SetText(const std::wstring& value) {
  Clear();
  TStringParser parser(value, SET_SEPARATORS_C);
  while (!parser.Eol()) {
    const std::wstring name = parser.GetString();
    if (name.empty()) continue;
    const int item = FTypeInfo->GetEnumValue(name);
    if (item >= 0) Add(item);
  }
}

std::wstring TSetParser::SetToStr(const void* value, int size, const Rtl::TSetInfo& typeInfo) {
  CheckSize(size, MAX_SET_SIZE_C);
  TSetBuffer buffer{};
  if (size > 0) std::memcpy(buffer.data(), value, static_cast<std::size_t>(size));
  const Rtl::TEnumInfo& elementType = ElementType(typeInfo);
  TSetParser parser(elementType);
  const int first = std::max(elementType.MinValue, 0);
  const int last = std::min(elementType.MaxValue, MAX_SET_SIZE_C * 8 - 1);
  for (int e = first; e <= last; ++e)
    if ((buffer[static_cast<std::size_t>(e / 8)] & (1u << (e % 8))) != 0) parser.Add(e);
  return parser.GetText();
}

void TSetParser::StrToSet(void* value, int size, const std::wstring& str, const Rtl::TSetInfo& typeInfo) {
  CheckSize(size, MAX_SET_SIZE_C);
  TSetBuffer buffer{};
  try {
    TSetParser parser(ElementType(typeInfo));
    parser.SetText(str);
    for (int item : parser.FItems)
      if (item >= 0 && item < MAX_SET_SIZE_C * 8)
        buffer[static_cast<std::size_t>(item / 8)] |= static_cast<std::uint8_t>(1u << (item % 8));
  } catch (const std::exception&) {
    return;  // bad text leaves the set as it was
  }
  // Members beyond the set's bytes are dropped here.
  if (size > 0) std::memcpy(value, buffer.data(), static_cast<std::size_t>(size));
}

std::uint32_t TSetParser::SetToInteger(const void* value, int size) {
  CheckSize(size, MAX_INTEGER_SIZE_C);
  const auto* bytes = static_cast<const std::uint8_t*>(value);
  std::uint32_t result = 0;
  for (int i = 0; i < size; ++i) result |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
  return result;
}

void TSetParser::IntegerToSet(void* value, int size, std::uint32_t integer) {
  CheckSize(size, MAX_INTEGER_SIZE_C);
  auto* bytes = static_cast<std::uint8_t*>(value);
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(integer >> (8 * i));
}

Rtl::TBytes TSetParser::SetToBytes(const void* value, int size) {
  CheckSize(size, MAX_SET_SIZE_C);
  const auto* bytes = static_cast<const std::uint8_t*>(value);
  return Rtl::TBytes(bytes, bytes + size);
}

void TSetParser::BytesToSet(void* value, int size, const Rtl::TBytes& bytes) {
  CheckSize(size, MAX_SET_SIZE_C);
  if (bytes.size() < static_cast<std::size_t>(size)) throw Rtl::Exception(Rtl::SErrorMessage);
  if (size > 0) std::memcpy(value, bytes.data(), static_cast<std::size_t>(size));
}

}  // namespace Qd
