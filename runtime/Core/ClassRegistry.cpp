#include "runtime/Core/ClassRegistry.h"

#include <algorithm>
#include <vector>

#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Format.h"

namespace Rtl {

namespace {

// The registered classes in registration order. Filled only by the units'
// start-up code; a few dozen at most, so a linear search is enough.
std::vector<const TClass*>& Registered() {
  static std::vector<const TClass*> classes;
  return classes;
}

}  // namespace

void RegisterClass(const TClass& cls) {
  if (const TClass* existing = GetClass(cls.Name)) {
    if (existing == &cls) return;
    throw EInvalidOperation(Format(LoadResString(SDuplicateClass), {cls.Name}));
  }
  Registered().push_back(&cls);
}

void RegisterClasses(std::initializer_list<const TClass*> classes) {
  for (const TClass* cls : classes) RegisterClass(*cls);
}

void UnRegisterClass(const TClass& cls) { std::erase(Registered(), &cls); }

void UnRegisterClasses(std::initializer_list<const TClass*> classes) {
  for (const TClass* cls : classes) UnRegisterClass(*cls);
}

const TClass* GetClass(std::wstring_view name) {
  if (name.empty()) return nullptr;
  const auto& classes = Registered();
  const auto found = std::find_if(classes.begin(), classes.end(),
                                  [name](const TClass* cls) { return SameIdentifier(cls->Name, name); });
  return found != classes.end() ? *found : nullptr;
}

const TClass& FindClass(std::wstring_view name) {
  const TClass* cls = GetClass(name);
  if (cls == nullptr) throw EClassNotFound(Format(LoadResString(SClassNotFound), {name}));
  return *cls;
}

}  // namespace Rtl
