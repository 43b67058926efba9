// Charsets, code pages and reading order: the table and the font
// signatures of Wine's locale data.
#include <gtest/gtest.h>

#include "QdScript.h"

namespace {

using Qd::TScript;

TEST(CharSetToCodePage, EveryRowOfTheTable) {
  // (charset, code page) of every row with a code page, in bit order.
  const std::pair<int, int> rows[] = {{0, 1252},   {238, 1250}, {204, 1251}, {161, 1253}, {162, 1254},
                                      {177, 1255}, {178, 1256}, {186, 1257}, {163, 1258}, {222, 874},
                                      {128, 932},  {134, 936},  {129, 949},  {136, 950},  {130, 1361}};
  for (const auto& [charset, codePage] : rows) EXPECT_EQ(codePage, TScript::CharSetToCodePage(charset)) << charset;
  int withCodePage = 0;
  for (const Qd::TCharsetInfo& row : Qd::CHARSETSET_TO_ID_C) {
    if (row.CodePage == 0) continue;
    ++withCodePage;
    EXPECT_EQ(row.CodePage, TScript::CharSetToCodePage(row.CharSet));
  }
  EXPECT_EQ(15, withCodePage);
}

TEST(CharSetToCodePage, UnknownAndNegativeCharsetsGiveZero) {
  EXPECT_EQ(1258, TScript::CharSetToCodePage(163));
  EXPECT_EQ(0, TScript::CharSetToCodePage(-1));
  EXPECT_EQ(0, TScript::CharSetToCodePage(1));
  EXPECT_EQ(0, TScript::CharSetToCodePage(255));
}

TEST(CharsetTable, ZeroRowsAndReadingOrders) {
  for (const int bit : {9, 10, 11, 12, 13, 14, 15, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31}) {
    EXPECT_EQ(0, Qd::CHARSETSET_TO_ID_C[bit].CharSet) << bit;
    EXPECT_EQ(0, Qd::CHARSETSET_TO_ID_C[bit].CodePage) << bit;
  }
  for (int bit = 0; bit < 32; ++bit)
    EXPECT_EQ(bit == 5 || bit == 6 ? Qd::srRightToLeft : Qd::srLeftToRight, Qd::CHARSETSET_TO_ID_C[bit].ReadingOrder)
        << bit;
}

TEST(GetCharSetInfo, FromTheLocalesFontSignature) {
  const Qd::TCharsetInfo english = TScript::GetCharSetInfo(0x0409);
  EXPECT_EQ(0, english.CharSet);
  EXPECT_EQ(1252, english.CodePage);
  EXPECT_EQ(Qd::srLeftToRight, english.ReadingOrder);

  const Qd::TCharsetInfo hebrew = TScript::GetCharSetInfo(0x040D);
  EXPECT_EQ(177, hebrew.CharSet);
  EXPECT_EQ(1255, hebrew.CodePage);
  EXPECT_EQ(Qd::srRightToLeft, hebrew.ReadingOrder);

  const Qd::TCharsetInfo arabic = TScript::GetCharSetInfo(0x0401);
  EXPECT_EQ(178, arabic.CharSet);
  EXPECT_EQ(1256, arabic.CodePage);
  EXPECT_EQ(Qd::srRightToLeft, arabic.ReadingOrder);

  const Qd::TCharsetInfo japanese = TScript::GetCharSetInfo(0x0411);
  EXPECT_EQ(128, japanese.CharSet);
  EXPECT_EQ(932, japanese.CodePage);

  EXPECT_EQ(Qd::srRightToLeft, TScript::LangIdToReadingOrder(0x040D));
  EXPECT_EQ(Qd::srLeftToRight, TScript::LangIdToReadingOrder(0x0407));
}

TEST(GetCharSetInfo, NoCodePageBitOrAnUnknownLocaleGivesRowZero) {
  // Hindi has no ANSI code page.
  const Qd::TCharsetInfo hindi = TScript::GetCharSetInfo(0x0439);
  EXPECT_EQ(0, hindi.CharSet);
  EXPECT_EQ(1252, hindi.CodePage);
  const Qd::TCharsetInfo unknown = TScript::GetCharSetInfo(0x7F7F);
  EXPECT_EQ(1252, unknown.CodePage);
}

}  // namespace
