// Start-up and shutdown of units: order, rollback of a failed start-up,
// shutdown despite errors, a second start-up; and the state a unit's
// start-up creates. The units here are the test's own, in unit lists of the
// test's own: the library's units stay started around all tests.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Units.h"

namespace {

// What the units did, in order: "+A" for A's start-up, "-A" for its shutdown.
std::vector<std::wstring> Log;
// The units whose start-up or shutdown raises "<+ or -><name> failed".
std::set<wchar_t> FailingStartUps;
std::set<wchar_t> FailingShutdowns;

template <wchar_t Name>
void StartUp() {
  Log.push_back(std::wstring(L"+") + Name);
  if (FailingStartUps.contains(Name)) throw Rtl::Exception(std::wstring(L"+") + Name + L" failed");
}

template <wchar_t Name>
void ShutDown() {
  Log.push_back(std::wstring(L"-") + Name);
  if (FailingShutdowns.contains(Name)) throw Rtl::Exception(std::wstring(L"-") + Name + L" failed");
}

template <wchar_t Name>
constexpr Rtl::TUnit Unit() {
  return {L"Unit", &StartUp<Name>, &ShutDown<Name>};
}

const Rtl::TUnit UNITS_C[] = {Unit<L'A'>(), Unit<L'B'>(), Unit<L'C'>(), Unit<L'D'>()};

using TLog = std::vector<std::wstring>;

// The message of the Rtl::Exception that `f` raises; "" when it raises none.
template <class F>
std::wstring ErrorOf(F&& f) {
  try {
    f();
  } catch (const Rtl::Exception& e) {
    return e.Message();
  }
  return {};
}

class UnitsTest : public ::testing::Test {
protected:
  void SetUp() override {
    Log.clear();
    FailingStartUps.clear();
    FailingShutdowns.clear();
  }

  void TearDown() override {
    FailingShutdowns.clear();
    Units.Finalize();  // whatever a failed expectation left started
  }

  Rtl::TUnitList Units;
};

TEST_F(UnitsTest, StartUpRunsInOrderAndShutdownInReverse) {
  Units.Initialize(UNITS_C);
  EXPECT_TRUE(Units.Initialized());
  EXPECT_EQ(Log, (TLog{L"+A", L"+B", L"+C", L"+D"}));
  Log.clear();
  Units.Finalize();
  EXPECT_FALSE(Units.Initialized());
  EXPECT_EQ(Log, (TLog{L"-D", L"-C", L"-B", L"-A"}));
  // A list of its own: the process's start-up (the library's units) is untouched.
  EXPECT_TRUE(Rtl::UnitsInitialized());
}

TEST_F(UnitsTest, UnitsWithoutStartUpOrShutdownCodeKeepTheirPlace) {
  const Rtl::TUnit units[] = {Unit<L'A'>(), {L"NoStartUp", nullptr, &ShutDown<L'B'>},
                              {L"NoShutdown", &StartUp<L'C'>, nullptr}, Unit<L'D'>()};
  Units.Initialize(units);
  Units.Finalize();
  EXPECT_EQ(Log, (TLog{L"+A", L"+C", L"+D", L"-D", L"-B", L"-A"}));
}

TEST_F(UnitsTest, SecondStartUpWhileStartedDoesNothing) {
  Units.Initialize(UNITS_C);
  Units.Initialize(UNITS_C);
  Units.Finalize();
  EXPECT_EQ(Log, (TLog{L"+A", L"+B", L"+C", L"+D", L"-D", L"-C", L"-B", L"-A"}));
}

// --- A start-up that fails ----------------------------------------------------

TEST_F(UnitsTest, FailedStartUpShutsDownTheStartedUnitsInReverseThenReportsItsError) {
  FailingStartUps = {L'C'};
  EXPECT_EQ(ErrorOf([&] { Units.Initialize(UNITS_C); }), L"+C failed");
  // C didn't start, so it isn't shut down; D never starts.
  EXPECT_EQ(Log, (TLog{L"+A", L"+B", L"+C", L"-B", L"-A"}));
  EXPECT_FALSE(Units.Initialized());
  Log.clear();
  Units.Finalize();  // nothing is left to shut down
  EXPECT_EQ(Log, TLog{});
}

TEST_F(UnitsTest, FailedStartUpReportsItsOwnErrorWhenARollbackShutdownRaisesToo) {
  FailingStartUps = {L'D'};
  FailingShutdowns = {L'B'};
  EXPECT_EQ(ErrorOf([&] { Units.Initialize(UNITS_C); }), L"+D failed");
  EXPECT_EQ(Log, (TLog{L"+A", L"+B", L"+C", L"+D", L"-C", L"-B", L"-A"}));
}

TEST_F(UnitsTest, FailureOfTheFirstUnitShutsNothingDown) {
  FailingStartUps = {L'A'};
  EXPECT_EQ(ErrorOf([&] { Units.Initialize(UNITS_C); }), L"+A failed");
  EXPECT_EQ(Log, TLog{L"+A"});
}

// --- A shutdown that fails -----------------------------------------------------

TEST_F(UnitsTest, EveryShutdownRunsAndTheFirstErrorPassesOn) {
  Units.Initialize(UNITS_C);
  FailingShutdowns = {L'C', L'A'};
  Log.clear();
  EXPECT_EQ(ErrorOf([&] { Units.Finalize(); }), L"-C failed");
  EXPECT_EQ(Log, (TLog{L"-D", L"-C", L"-B", L"-A"}));
  EXPECT_FALSE(Units.Initialized());
  Log.clear();
  EXPECT_EQ(ErrorOf([&] { Units.Finalize(); }), L"");  // every unit is shut down once
  EXPECT_EQ(Log, TLog{});
}

// --- Starting again ----------------------------------------------------------------

TEST_F(UnitsTest, SecondStartUpAfterShutdownStartsAfresh) {
  Units.Initialize(UNITS_C);
  Units.Finalize();
  Log.clear();
  Units.Initialize(UNITS_C);
  EXPECT_TRUE(Units.Initialized());
  Units.Finalize();
  EXPECT_EQ(Log, (TLog{L"+A", L"+B", L"+C", L"+D", L"-D", L"-C", L"-B", L"-A"}));
}

TEST_F(UnitsTest, StartUpAfterAFailedOneAndAFailedShutdownStartsAfresh) {
  FailingStartUps = {L'C'};
  EXPECT_NE(ErrorOf([&] { Units.Initialize(UNITS_C); }), L"");
  FailingStartUps.clear();
  Units.Initialize(UNITS_C);
  FailingShutdowns = {L'D'};
  EXPECT_NE(ErrorOf([&] { Units.Finalize(); }), L"");
  FailingShutdowns.clear();
  Log.clear();
  Units.Initialize(UNITS_C);
  Units.Finalize();
  EXPECT_EQ(Log, (TLog{L"+A", L"+B", L"+C", L"+D", L"-D", L"-C", L"-B", L"-A"}));
}

// --- Unit state --------------------------------------------------------------------

struct TSampleState {
  std::wstring Text;
};

TEST(UnitState, ReadingOutsideStartUpAndShutdownRaisesNotStarted) {
  Rtl::TUnitState<TSampleState> state(L"Sample");
  EXPECT_FALSE(state.Started());
  EXPECT_EQ(ErrorOf([&] { state.Get(); }), L"Sample is not started");
  state.Start(std::make_unique<TSampleState>(TSampleState{L"first"}));
  EXPECT_EQ(state.Get().Text, L"first");
  state.Get().Text = L"changed";
  state.Stop();
  EXPECT_EQ(ErrorOf([&] { state.Get(); }), L"Sample is not started");
  state.Start(std::make_unique<TSampleState>());
  EXPECT_EQ(state.Get().Text, L"");  // a new start-up's state, nothing kept
}

}  // namespace
