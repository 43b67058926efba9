// Sets of script codes, and the unit's set.
#include <gtest/gtest.h>

#include "QdScript.h"
#include "QdString.h"
#include "runtime/Core/Exceptions.h"

namespace {

using Qd::TScripts;

TEST(Scripts, AddIgnoresCodesPresentInAnyAsciiCase) {
  TScripts scripts;
  scripts.Add(L"Latn");
  scripts.Add(L"Cyrl");
  scripts.Add(L"LATN");
  EXPECT_EQ(L"Latn;Cyrl", scripts.GetValue());
  EXPECT_TRUE(scripts.Exists(L"cyrl"));
  EXPECT_FALSE(scripts.Exists(L"Grek"));
  scripts.Remove(L"latn");
  EXPECT_EQ(L"Cyrl", scripts.GetValue());
  scripts.Remove(L"Grek");
  EXPECT_EQ(L"Cyrl", scripts.GetValue());
}

TEST(Scripts, SettingTheValueAddsTheNewNonEmptyItems) {
  TScripts scripts;
  scripts.SetValue(L"Latn;Grek");
  scripts.SetValue(L";grek;;Arab;");
  EXPECT_EQ(L"Latn;Grek;Arab", scripts.GetValue());
  scripts.SetValue(L"");
  EXPECT_EQ(L"Latn;Grek;Arab", scripts.GetValue());
  EXPECT_EQ(L"", TScripts().GetValue());
}

TEST(Scripts, SortedSetKeepsItsCodesInOrder) {
  const auto sorted = TScripts::CreateSorted();
  sorted->SetValue(L"Latn;Arab;Cyrl;arab");
  EXPECT_EQ(L"Arab;Cyrl;Latn", sorted->GetValue());
  const auto unsorted = TScripts::Create();
  unsorted->SetValue(L"Latn;Arab;Cyrl");
  EXPECT_EQ(L"Latn;Arab;Cyrl", unsorted->GetValue());
}

TEST(Scripts, CountOfItems) {
  EXPECT_EQ(2, TScripts::GetCount(L"Latn;Grek"));
  EXPECT_EQ(0, TScripts::GetCount(L""));
  EXPECT_EQ(2, TScripts::GetCount(L";"));
  EXPECT_EQ(1, TScripts::GetCount(L"Latn"));
}

TEST(Scripts, TheUnitsSetHoldsTheTwentySevenCodesFromStartUp) {
  EXPECT_EQ(L"Latn;Grek;Cyrl;Arab;Hans;Hant;Cans;Hebr;Jpan;Kore;Thai;Armn;Beng;Brah;Deva;Ethi;Geor;Gujr;Guru;"
            L"Knda;Mlym;Mong;Orya;Syrc;Taml;Telu;Tibt",
            Qd::Scripts().GetValue());
  EXPECT_EQ(27, TScripts::GetCount(Qd::Scripts().GetValue()));
}

}  // namespace

namespace {

// Shutdown frees the set; in between it refuses to be read; a restart
// begins afresh. QdString, which starts after QdScript and fills its
// code-page table, goes down first and comes up last, as in the program.
TEST(ScriptsState, ShutdownFreesAndRestartBeginsAfresh) {
  Qd::Scripts().Add(L"Vaii");
  Qd::QdStringUnit::Finalization();
  Qd::QdScriptUnit::Finalization();
  try {
    Qd::Scripts();
    ADD_FAILURE() << "no exception";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(L"QdScript is not started", e.Message());
  }
  Qd::QdScriptUnit::Initialization();
  Qd::QdStringUnit::Initialization();
  EXPECT_FALSE(Qd::Scripts().Exists(L"Vaii"));
  EXPECT_EQ(27, TScripts::GetCount(Qd::Scripts().GetValue()));
  EXPECT_TRUE(Qd::TScript::IsLanguageKnownBySystem(L"de"));
}

}  // namespace
