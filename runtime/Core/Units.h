// Explicit start-up and shutdown of the library's units.
//
// Nothing runs in static initialisers: the program and every test executable
// call one function (Qd::StartUp in QdStartup.h) that hands the ordered unit
// table to InitializeUnits. Start-up runs once, in table order; shutdown runs
// in reverse order for the units that started.
#pragma once

#include <span>

namespace Rtl {

struct TUnit {
  const wchar_t* Name;
  void (*Initialization)();  // may be null
  void (*Finalization)();    // may be null
};

// Runs each unit's start-up in order. A unit that raises stops the start-up:
// the units that started are shut down in reverse order and the exception
// passes on. A second call while started does nothing.
void InitializeUnits(std::span<const TUnit> units);

// Runs the shutdown of the started units in reverse order; then the units
// can be started again.
void FinalizeUnits();

bool UnitsInitialized();

}  // namespace Rtl
