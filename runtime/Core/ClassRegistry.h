// The registry of classes known by name: what makes an object from a class
// name read from a file (TQdObject::Construct, the XML object readers).
//
// Classes are registered explicitly, by the start-up code of the unit that
// declares them, and unregistered by its shutdown:
//
//   void Initialization() { Rtl::RegisterClasses({&TMyObject::ClassInfo}); }
//   void Finalization() { Rtl::UnRegisterClasses({&TMyObject::ClassInfo}); }
//
// Names are compared ignoring ASCII case, as identifiers are.
#pragma once

#include <initializer_list>
#include <string_view>

#include "runtime/Core/TypeInfo.h"

namespace Rtl {

// Registers `cls` under its name; registering it again does nothing.
// EInvalidOperation "A class named %s already exists" when another class of
// that name is registered.
void RegisterClass(const TClass& cls);
void RegisterClasses(std::initializer_list<const TClass*> classes);
// Forgets `cls`; nothing when it isn't registered.
void UnRegisterClass(const TClass& cls);
void UnRegisterClasses(std::initializer_list<const TClass*> classes);

// The class registered under `name`; none for an empty or unknown name.
const TClass* GetClass(std::wstring_view name);
// The same, failing: EClassNotFound "Class %s not found" for a name that
// isn't registered.
const TClass& FindClass(std::wstring_view name);

}  // namespace Rtl
