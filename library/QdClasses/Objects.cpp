#include "QdClasses/Objects.h"

#include <typeinfo>

#include "runtime/Core/ClassRegistry.h"
#include "runtime/Text/Format.h"
#include "runtime/System/Win32.h"
#include "QdClasses/Strings.h"

namespace Qd {

// --- EQdException -------------------------------------------------------------

std::wstring EQdException::GetText() const {
  Rtl::TStringList lines;
  GetLines(lines);
  std::wstring result;
  for (int i = 0; i < lines.Count(); ++i) {
    if (i > 0) result += L"\r\n";
    result += lines[i];
  }
  return result;
}

void EQdException::DivisionByZero() { throw Rtl::EDivByZero(Rtl::LoadResString(Rtl::SDivByZero)); }

void EQdException::DivisionByZeroIfMouseDown() {
  if (GetAsyncKeyState(VK_LBUTTON) != 0 && GetAsyncKeyState(VK_RBUTTON) != 0) DivisionByZero();
}

// --- TQdObject ----------------------------------------------------------------

bool TQdObject::Equals(const Rtl::TObject*) const { return true; }

void TQdObject::Assign(const Rtl::TPersistent&) {}

bool TQdObject::GetIsDefault() const {
  const std::unique_ptr<TQdObject> fresh = CreateInstance();
  return Equals(fresh.get());
}

void TQdObject::Changed() { ValueChanged(); }

int TQdObject::Compare(const TQdObject&) const { return 0; }

void TQdObject::SetDefault() {}

void TQdObject::ValueChanged() {
  if (FOnChange) FOnChange(this);
}

std::unique_ptr<TQdObject> TQdObject::CreateInstance() const {
  std::unique_ptr<TQdObject> instance = Rtl::As<TQdObject>(ClassType().Create());
  // A class that doesn't declare its own class reference would silently be
  // made as its ancestor, and its copies would lose their values.
  if (typeid(*instance) != typeid(*this))
    throw Rtl::EInvalidOperation(
        Rtl::Format(Rtl::LoadResString(SNoRtlClass), {ClassName()}));
  return instance;
}

std::unique_ptr<TQdObject> TQdObject::Copy() const {
  std::unique_ptr<TQdObject> result = CreateInstance();
  result->Assign(*this);
  return result;
}

std::unique_ptr<TQdObject> TQdObject::Construct(std::wstring_view className, bool safe) {
  const Rtl::TClass* cls = safe ? Rtl::GetClass(className) : &Rtl::FindClass(className);
  if (cls == nullptr) return nullptr;
  return Rtl::TClassOf<TQdObject>(cls).Create();
}

bool TQdObject::IsDerived(const Rtl::TTypeInfo* itemType, const Rtl::TTypeInfo* baseType) {
  if (baseType == nullptr) return false;
  for (const Rtl::TTypeInfo* type = itemType; type != nullptr; type = type->BaseType())
    if (type == baseType) return true;
  return false;
}

bool TQdObject::IsDerived2(const Rtl::TClass* classType, const Rtl::TClass* baseType) {
  return classType != nullptr && baseType != nullptr && classType->InheritsFrom(*baseType);
}

}  // namespace Qd
