#include "runtime/Core/Units.h"

#include <string>

#include "runtime/Core/Exceptions.h"
#include "runtime/Text/Format.h"

namespace Rtl {

void TUnitList::Initialize(std::span<const TUnit> units) {
  if (FInitialized) return;
  FStarted.clear();
  // Room for every unit first: once a unit has started, noting it can't fail.
  FStarted.reserve(units.size());
  try {
    for (const TUnit& unit : units) {
      if (unit.Initialization != nullptr) unit.Initialization();
      FStarted.push_back(unit);
    }
  } catch (...) {
    const std::exception_ptr error = std::current_exception();
    FinalizeStarted();  // what goes wrong there is secondary to the start-up's error
    std::rethrow_exception(error);
  }
  FInitialized = true;
}

void TUnitList::Finalize() {
  if (const std::exception_ptr error = FinalizeStarted()) std::rethrow_exception(error);
}

std::exception_ptr TUnitList::FinalizeStarted() noexcept {
  std::exception_ptr first;
  while (!FStarted.empty()) {
    const TUnit unit = FStarted.back();
    FStarted.pop_back();
    if (unit.Finalization == nullptr) continue;
    try {
      unit.Finalization();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  FInitialized = false;
  return first;
}

TUnitList& ProcessUnits() {
  static TUnitList units;
  return units;
}

void RaiseUnitNotStarted(const wchar_t* unitName) { throw Exception(Format(LoadResString(SUnitNotStarted), {unitName})); }

}  // namespace Rtl
