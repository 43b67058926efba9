// What QdScript reads from the system's locale data (Wine's here): known
// languages, native names, resource-file extensions, installed code pages.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "QdScript.h"

namespace {

using Qd::TScript;

TEST(ExtToLocale, ThreeLettersGiveTheLocaleTwoThePrimaryLanguage) {
  EXPECT_EQ(0x0407, TScript::ExtToLocale(L"DEU"));
  EXPECT_EQ(0x0407, TScript::ExtToLocale(L".deu"));
  EXPECT_EQ(0x0007, TScript::ExtToLocale(L"DE"));
  EXPECT_EQ(0, TScript::ExtToLocale(L""));
  EXPECT_EQ(0, TScript::ExtToLocale(L"."));
  EXPECT_EQ(0, TScript::ExtToLocale(L"QQQ"));
  EXPECT_EQ(0x0407, TScript::FileNameToLocale(L"C:\\Program Files\\App\\App.DEU"));
  EXPECT_EQ(0, TScript::FileNameToLocale(L"App"));
}

TEST(LocaleToExt, NeutralLanguagesLoseTheLastLetter) {
  EXPECT_EQ(L"DEU", TScript::LocaleToExt(0x0407));
  EXPECT_EQ(L"DE", TScript::LocaleToExt(0x0007));
  EXPECT_EQ(0x0407, TScript::ExtToLocale(TScript::LocaleToExt(0x0407)));
}

TEST(IsLanguageKnownBySystem, IgnoresCase) {
  EXPECT_TRUE(TScript::IsLanguageKnownBySystem(L"de"));
  EXPECT_TRUE(TScript::IsLanguageKnownBySystem(L"DE"));
  EXPECT_TRUE(TScript::IsLanguageKnownBySystem(L"En"));
  EXPECT_FALSE(TScript::IsLanguageKnownBySystem(L"qq"));
  EXPECT_FALSE(TScript::IsLanguageKnownBySystem(L""));
}

TEST(GetOriginalLanguageName, NorwegianIsNorskOthersTheNativeName) {
  EXPECT_EQ(L"norsk", TScript::GetOriginalLanguageName(0x0414));
  EXPECT_EQ(L"norsk", TScript::GetOriginalLanguageName(0x0814));
  EXPECT_EQ(L"norsk", TScript::GetOriginalLanguageName(20));
  EXPECT_EQ(L"Deutsch", TScript::GetOriginalLanguageName(0x0407));
}

TEST(IsCodePageInstalled, ZeroAndTheWesternCodePage) {
  EXPECT_TRUE(TScript::IsCodePageInstalled(0));
  EXPECT_TRUE(TScript::IsCodePageInstalled(1252));
  EXPECT_FALSE(TScript::IsCodePageInstalled(-5));
  EXPECT_FALSE(TScript::IsCodePageInstalled(12345));
}

TEST(IsCodePageInstalled, Gb18030IsMissingUnderWine) {
  EXPECT_FALSE(TScript::IsCodePageInstalled(54936));
}

// The list of known languages is built once, whichever thread asks first.
// This process's first question is asked here only when the case runs
// alone; the answers must agree in any case.
TEST(IsLanguageKnownBySystem, FirstCallsFromFourThreadsAtOnce) {
  std::atomic<int> ready = 0;
  std::atomic<int> known = 0;
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&] {
      ++ready;
      while (ready < 4) std::this_thread::yield();
      if (TScript::IsLanguageKnownBySystem(L"fr") && !TScript::IsLanguageKnownBySystem(L"zz")) ++known;
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(4, known);
}

}  // namespace
