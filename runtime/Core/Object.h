// The root of the runtime's class tree, class references and checked casts.
//
// Every class that is made from a class reference (by name through the class
// registry, or by a base class's virtual construction such as
// TQdObject::CreateInstance) declares its class with RTL_CLASS at the start
// of its body:
//
//   class TMyObject : public Qd::TQdObject {
//     RTL_CLASS(TMyObject, Qd::TQdObject)
//   public:
//     ...
//   };
//
// The description is a compile-time constant (no start-up work); its
// virtual constructor is the class's default constructor.
#pragma once

#include <memory>
#include <string>

#include "runtime/Core/Exceptions.h"
#include "runtime/Core/TypeInfo.h"

// Declares the class reference `ClassInfo` of `Name`, whose parent class is
// `Parent`, and overrides ClassType. Leaves the class body in a public section.
#define RTL_CLASS(Name, Parent)                                                        \
 public:                                                                               \
  static constexpr ::Rtl::TClass ClassInfo{L"" #Name, &Parent::ClassInfo,              \
                                           &::Rtl::MakeInstance<Name>};                \
  const ::Rtl::TClass& ClassType() const override { return ClassInfo; }

namespace Rtl {

class TObject {
public:
  static constexpr TClass ClassInfo{L"TObject", nullptr, &MakeInstance<TObject>};

  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject() = default;

  // The class of the object (the nearest class that declares RTL_CLASS).
  virtual const TClass& ClassType() const { return ClassInfo; }
  std::wstring ClassName() const { return ClassType().Name; }
  bool InheritsFrom(const TClass& base) const { return ClassType().InheritsFrom(base); }

  // Value equality; the root compares identity.
  virtual bool Equals(const TObject* obj) const { return obj == this; }
};

// Checked casts: an object of another kind raises EInvalidCast
// "Invalid class typecast"; a null pointer stays null.
template <class T>
T* As(TObject* obj) {
  if (obj == nullptr) return nullptr;
  T* result = dynamic_cast<T*>(obj);
  if (result == nullptr) throw EInvalidCast(LoadResString(SInvalidCast));
  return result;
}
template <class T>
const T* As(const TObject* obj) {
  return As<T>(const_cast<TObject*>(obj));
}
template <class T>
T& As(TObject& obj) {
  return *As<T>(&obj);
}
template <class T>
const T& As(const TObject& obj) {
  return *As<T>(&obj);
}
// Takes over an owned object as T; on a cast error the object is freed.
template <class T, class U>
std::unique_ptr<T> As(std::unique_ptr<U> obj) {
  T* result = As<T>(static_cast<TObject*>(obj.get()));
  obj.release();
  return std::unique_ptr<T>(result);
}

// A class reference restricted to T and the classes derived from it (the
// empty reference is allowed). Made from a class that isn't one of them it
// raises EInvalidCast.
template <class T>
class TClassOf {
public:
  constexpr TClassOf() noexcept = default;
  TClassOf(const TClass& cls) : FClass(&cls) { Check(); }
  TClassOf(const TClass* cls) : FClass(cls) { Check(); }

  const TClass* Get() const noexcept { return FClass; }
  const TClass& operator*() const noexcept { return *FClass; }
  const TClass* operator->() const noexcept { return FClass; }
  explicit operator bool() const noexcept { return FClass != nullptr; }

  // A new instance through the virtual constructor; EAbstractError for the
  // empty reference or a class that can't be instantiated.
  std::unique_ptr<T> Create() const {
    if (FClass == nullptr) throw EAbstractError(LoadResString(SEmptyClassReference));
    return As<T>(FClass->Create());
  }

  friend bool operator==(const TClassOf& a, const TClassOf& b) { return a.FClass == b.FClass; }

private:
  void Check() const {
    if (FClass != nullptr && !FClass->InheritsFrom(T::ClassInfo)) throw EInvalidCast(LoadResString(SInvalidCast));
  }
  const TClass* FClass = nullptr;
};

}  // namespace Rtl
