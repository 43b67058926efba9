#include "runtime/Core/TypeInfo.h"

#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Ascii.h"
#include "runtime/Text/Format.h"
#include "runtime/Core/Object.h"

namespace Rtl {

bool SameIdentifier(std::wstring_view a, std::wstring_view b) { return AsciiSameText(a, b); }

const TTypeInfo* TTypeInfo::BaseType() const {
  switch (Kind) {
    case tkClass: return static_cast<const TClass*>(this)->Parent;
    case tkEnumeration: return static_cast<const TEnumInfo*>(this)->Base;
    case tkSet: break;
  }
  return nullptr;
}

std::wstring TEnumInfo::GetEnumName(int value) const {
  if (!IsValue(value)) return L"";
  return Names[static_cast<std::size_t>(value - MinValue)];
}

int TEnumInfo::GetEnumValue(std::wstring_view name) const {
  for (std::size_t i = 0; i < Names.size(); ++i)
    if (SameIdentifier(Names[i], name)) return MinValue + static_cast<int>(i);
  return -1;
}

bool TClass::InheritsFrom(const TClass& base) const {
  for (const TClass* cls = this; cls != nullptr; cls = cls->Parent)
    if (cls == &base) return true;
  return false;
}

std::unique_ptr<TObject> TClass::Create() const {
  std::unique_ptr<TObject> instance = Factory != nullptr ? Factory() : nullptr;
  if (instance == nullptr) throw EAbstractError(Format(LoadResString(SAbstractInstance), {Name}));
  return instance;
}

}  // namespace Rtl
