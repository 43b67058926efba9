#include "runtime/Core/Units.h"

#include <vector>

namespace Rtl {

namespace {

// The units that have started, in start-up order.
std::vector<const TUnit*>& StartedUnits() {
  static std::vector<const TUnit*> started;
  return started;
}

bool& Initialized() {
  static bool initialized = false;
  return initialized;
}

}  // namespace

void InitializeUnits(std::span<const TUnit> units) {
  if (Initialized()) return;
  auto& started = StartedUnits();
  started.clear();
  try {
    for (const TUnit& unit : units) {
      if (unit.Initialization != nullptr) unit.Initialization();
      started.push_back(&unit);
    }
  } catch (...) {
    FinalizeUnits();
    throw;
  }
  Initialized() = true;
}

void FinalizeUnits() {
  auto& started = StartedUnits();
  while (!started.empty()) {
    const TUnit* unit = started.back();
    started.pop_back();
    if (unit->Finalization != nullptr) unit->Finalization();
  }
  Initialized() = false;
}

bool UnitsInitialized() { return Initialized(); }

}  // namespace Rtl
