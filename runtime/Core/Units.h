// Explicit start-up and shutdown of units, and the state a unit's start-up
// creates.
//
// Nothing runs in static initialisers: the program and every test executable
// call one function (Qd::StartUp in QdStartup.h) that hands the ordered unit
// table to InitializeUnits. Start-up runs once, in table order; shutdown runs
// in reverse order for the units that started.
#pragma once

#include <exception>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace Rtl {

struct TUnit {
  const wchar_t* Name;
  void (*Initialization)();  // may be null
  void (*Finalization)();    // may be null
};

// The units of one start-up, in the order they started. The process has one
// (ProcessUnits, behind InitializeUnits and FinalizeUnits); a test makes its
// own for units of its own.
class TUnitList {
public:
  TUnitList() = default;
  TUnitList(const TUnitList&) = delete;
  TUnitList& operator=(const TUnitList&) = delete;

  // Runs each unit's start-up in order. A unit that raises stops the
  // start-up: the units that started are shut down in reverse order (their
  // errors are dropped) and the start-up's exception passes on. A unit
  // whose own start-up raised isn't shut down. A second call while started
  // does nothing.
  void Initialize(std::span<const TUnit> units);

  // Runs the shutdown of the started units in reverse order, every one of
  // them even when one raises; then the first exception raised passes on.
  // Afterwards the list is empty and can be started again.
  void Finalize();

  bool Initialized() const { return FInitialized; }

private:
  // Shuts the started units down; the first exception raised, if any.
  std::exception_ptr FinalizeStarted() noexcept;

  std::vector<TUnit> FStarted;
  bool FInitialized = false;
};

// The process's unit list.
TUnitList& ProcessUnits();

inline void InitializeUnits(std::span<const TUnit> units) { ProcessUnits().Initialize(units); }
inline void FinalizeUnits() { ProcessUnits().Finalize(); }
inline bool UnitsInitialized() { return ProcessUnits().Initialized(); }

// Raises Rtl::Exception "<unit> is not started".
[[noreturn]] void RaiseUnitNotStarted(const wchar_t* unitName);

// The global objects that one unit's start-up creates, kept together in one
// object of type T: made and set (Start) by the unit's Initialization, freed
// (Stop) by its Finalization, and read through Get, which raises
// "<unit> is not started" outside that time. Declared at namespace scope in
// the unit's .cpp file; its construction does no work.
template <class T>
class TUnitState {
public:
  explicit constexpr TUnitState(const wchar_t* unitName) : FUnitName(unitName) {}
  TUnitState(const TUnitState&) = delete;
  TUnitState& operator=(const TUnitState&) = delete;

  T& Get() const {
    if (!FState) RaiseUnitNotStarted(FUnitName);
    return *FState;
  }
  // The Initialization builds the state completely, then hands it over: a
  // start-up that raises leaves the unit not started.
  void Start(std::unique_ptr<T> state) { FState = std::move(state); }
  void Stop() { FState.reset(); }
  bool Started() const { return FState != nullptr; }

private:
  const wchar_t* FUnitName;
  std::unique_ptr<T> FState;
};

}  // namespace Rtl
