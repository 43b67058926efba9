// The script table and its lookups.
#include <gtest/gtest.h>

#include "QdScript.h"
#include "runtime/Core/Exceptions.h"

namespace {

using Qd::TScript;

TEST(ScriptTable, HasThirtyNineEntriesWithTheirCodesNamesAndTypes) {
  ASSERT_EQ(39, TScript::GetScriptDataCount());
  const Qd::TScriptData first = TScript::GetScriptData(0);
  EXPECT_EQ(L"Default", first.Name);
  EXPECT_EQ(L"", first.Id);
  EXPECT_EQ(Qd::csAlphabet, first.ScriptType);
  const Qd::TScriptData japanese = TScript::GetScriptData(6);
  EXPECT_EQ(L"Japanese", japanese.Name);
  EXPECT_EQ(L"Jpan", japanese.Id);
  EXPECT_EQ(Qd::csIdeographic, japanese.ScriptType);
  EXPECT_EQ(L"Hira;Kana", japanese.Alias);
  EXPECT_EQ(L"Hang", TScript::GetScriptData(9).Alias);
  const Qd::TScriptData nko = TScript::GetScriptData(35);
  EXPECT_EQ(L"N'Ko", nko.Name);
  EXPECT_EQ(L"Nkoo", nko.Id);
  EXPECT_EQ(0x07C0, nko.Offset);
  const Qd::TScriptData vai = TScript::GetScriptData(38);
  EXPECT_EQ(L"Vai", vai.Name);
  EXPECT_EQ(L"Vaii", vai.Id);
  EXPECT_EQ(0xA500, vai.Offset);
  // The first ten have no sample character, the others all have one.
  for (int i = 0; i < 39; ++i) {
    const Qd::TScriptData data = TScript::GetScriptData(i);
    EXPECT_EQ(i >= 10, data.Offset != 0) << i;
    EXPECT_EQ(i >= 10, data.ScriptType == Qd::csOther) << i;
    EXPECT_FALSE(data.Name.empty()) << i;
    EXPECT_EQ(i == 0 ? 0u : 4u, data.Id.size()) << i;
  }
}

TEST(ScriptTable, AnIndexOutsideTheTableRaises) {
  for (const int index : {-1, 39, 1000}) {
    try {
      TScript::GetScriptData(index);
      ADD_FAILURE() << index;
    } catch (const Rtl::Exception& e) {
      EXPECT_STREQ("GetScriptData not implemented", e.what()) << index;
    }
  }
}

TEST(ScriptTable, LookupByCodeIsExactAndFallsBackToTheDefault) {
  EXPECT_EQ(L"Latin", TScript::GetScriptData(std::wstring(L"Latn")).Name);
  EXPECT_EQ(L"Default", TScript::GetScriptData(std::wstring(L"latn")).Name);
  EXPECT_EQ(L"Default", TScript::GetScriptData(std::wstring(L"Xxxx")).Name);
  EXPECT_EQ(L"Default", TScript::GetScriptData(std::wstring()).Name);
  EXPECT_TRUE(TScript::IsValidIsoCode(L"Latn"));
  EXPECT_TRUE(TScript::IsValidIsoCode(L"Vaii"));
  EXPECT_FALSE(TScript::IsValidIsoCode(L"Latin"));
  EXPECT_FALSE(TScript::IsValidIsoCode(L"LATN"));
  EXPECT_FALSE(TScript::IsValidIsoCode(L""));
  // An alias is not a code of the table.
  EXPECT_FALSE(TScript::IsValidIsoCode(L"Hira"));
}

TEST(ScriptTable, TypeAndReadingOrderOfAScript) {
  EXPECT_EQ(Qd::srRightToLeft, TScript::ScriptToReadingOrder(L"Hebr"));
  EXPECT_EQ(Qd::srRightToLeft, TScript::ScriptToReadingOrder(L"Arab"));
  EXPECT_EQ(Qd::srLeftToRight, TScript::ScriptToReadingOrder(L"Syrc"));
  EXPECT_EQ(Qd::srLeftToRight, TScript::ScriptToReadingOrder(L"hebr"));
  EXPECT_EQ(Qd::csOther, TScript::ScriptToType(L"Syrc"));
  EXPECT_EQ(Qd::csIdeographic, TScript::ScriptToType(L"Hans"));
  EXPECT_EQ(Qd::csAlphabet, TScript::ScriptToType(L"Nope"));
}

TEST(ScriptEnums, AreDescribedByName) {
  EXPECT_EQ(L"csBiDirectional", Rtl::TypeInfo<Qd::TCharacterScriptType>().GetEnumName(Qd::csBiDirectional));
  EXPECT_EQ(L"srRightToLeft", Rtl::TypeInfo<Qd::TScriptReadingOrder>().GetEnumName(Qd::srRightToLeft));
}

}  // namespace
