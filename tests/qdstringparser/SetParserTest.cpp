// TSetParser: sets of enumeration members as text, bytes and integers, on a
// test enumeration, a library enumeration and the set of a subrange.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "QdBase.h"
#include "QdStringParser.h"
#include "runtime/Core/Exceptions.h"
#include "runtime/Core/Set.h"
#include "runtime/Core/TypeInfo.h"

using Qd::TSetParser;

namespace {

enum TTestColor : std::uint8_t { tcRed, tcGreen, tcBlue };
RTL_ENUM_INFO(TTestColor, L"red", L"green", L"blue")
using TTestColors = Rtl::TSet<TTestColor, tcBlue>;
RTL_SET_INFO(TTestColors)

// Red, green and blue at the values 6 to 8, and their subrange.
enum TTestShade : std::uint8_t { shBlack, shWhite, shGrey, shCyan, shMagenta, shYellow, shRed, shGreen, shBlue };
RTL_ENUM_INFO(TTestShade, L"black", L"white", L"grey", L"cyan", L"magenta", L"yellow", L"red", L"green", L"blue")
RTL_SUBRANGE_INFO(TTestPrimary, TTestShade, shRed, shBlue)
using TTestPrimaries = Rtl::TSet<TTestShade, shBlue>;
inline constexpr Rtl::TSetInfo TTestPrimariesInfo{L"TTestPrimaries", TTestPrimaryInfo,
                                                  static_cast<int>(sizeof(TTestPrimaries))};

// A set of the library's days of the week.
using TTestDays = Rtl::TSet<Qd::TQdDayOfWeek, Qd::wdSunday>;
inline constexpr Rtl::TSetInfo TTestDaysInfo{L"TTestDays", Qd::TQdDayOfWeekInfo, static_cast<int>(sizeof(TTestDays))};

// The names b0 to b255, for an enumeration as large as a set's members get.
const wchar_t* const* ByteNames() {
  static const std::array<std::wstring, 256> names = [] {
    std::array<std::wstring, 256> result;
    for (int i = 0; i < 256; ++i) result[static_cast<std::size_t>(i)] = L"b" + std::to_wstring(i);
    return result;
  }();
  static const std::array<const wchar_t*, 256> pointers = [] {
    std::array<const wchar_t*, 256> result{};
    for (std::size_t i = 0; i < 256; ++i) result[i] = names[i].c_str();
    return result;
  }();
  return pointers.data();
}

}  // namespace

TEST(SetParser, ListAndTextOfATestEnumeration) {
  TSetParser parser(Rtl::TypeInfo<TTestColor>());
  EXPECT_EQ(&parser.GetTypeInfo(), &TTestColorInfo);
  EXPECT_EQ(parser.GetText(), L"[]");
  parser.Add(tcBlue);
  parser.Add(tcRed);
  EXPECT_EQ(parser.GetCount(), 2);
  EXPECT_EQ(parser.GetItems(0), tcBlue);
  EXPECT_EQ(parser.GetItems(1), tcRed);
  EXPECT_THROW(parser.GetItems(2), Rtl::EListError);
  EXPECT_THROW(parser.GetItems(-1), Rtl::EListError);
  EXPECT_EQ(parser.GetText(), L"[blue,red]");  // list order
  parser.Clear();
  EXPECT_EQ(parser.GetCount(), 0);

  for (const wchar_t* text : {L"red blue", L"[blue;red]", L"[red,,blue,purple]", L" [ RED ; Blue ] ", L"red,blue,"}) {
    parser.SetText(text);
    ASSERT_EQ(parser.GetCount(), 2) << testing::PrintToString(std::wstring(text));
    EXPECT_EQ(parser.GetItems(0) + parser.GetItems(1), tcRed + tcBlue);
  }
  parser.SetText(L"[purple, ,]");
  EXPECT_EQ(parser.GetCount(), 0);
}

TEST(SetParser, RedGreenBlueTextsOfATestEnumeration) {
  const TTestColors redBlue{tcRed, tcBlue};
  EXPECT_EQ(TSetParser::SetToStr(redBlue), L"[red,blue]");
  EXPECT_EQ(TSetParser::SetToStr(TTestColors{tcBlue, tcRed}), L"[red,blue]");  // in order of value
  EXPECT_EQ(TSetParser::SetToStr(TTestColors{}), L"[]");
  EXPECT_EQ(TSetParser::SetToStr(TTestColors::All()), L"[red,green,blue]");
  for (const wchar_t* text : {L"red blue", L"[blue;red]", L"[red,,blue,purple]"})
    EXPECT_EQ(TSetParser::StrToSet<TTestColors>(text), redBlue) << testing::PrintToString(std::wstring(text));
  EXPECT_EQ(TSetParser::StrToSet<TTestColors>(L"[]"), TTestColors{});
  EXPECT_EQ(TSetParser::StrToSet<TTestColors>(L""), TTestColors{});

  // The raw forms write the set's bytes, all of them.
  TTestColors target{tcGreen};
  TSetParser::StrToSet(target.Data(), TTestColors::Size, L"[blue]", TTestColorsInfo);
  EXPECT_EQ(target, TTestColors{tcBlue});
}

TEST(SetParser, RedGreenBlueTextsOfALibraryEnumeration) {
  const TTestDays days{Qd::wdMonday, Qd::wdWednesday, Qd::wdSunday};
  EXPECT_EQ(TSetParser::SetToStr(days, TTestDaysInfo), L"[wdMonday,wdWednesday,wdSunday]");
  EXPECT_EQ(TSetParser::StrToSet<TTestDays>(L"wdsunday wdMonday;[wdWednesday,,wdNever]", TTestDaysInfo), days);
  EXPECT_EQ(TSetParser::SetToStr(TTestDays{}, TTestDaysInfo), L"[]");
  EXPECT_EQ(TSetParser::SetToInteger(days), 0x45u);
  EXPECT_EQ(TSetParser::IntegerToSet<TTestDays>(0x45u), days);

  TSetParser parser(Qd::TQdDayOfWeekInfo);
  parser.SetText(L"[wdTuesday]");
  ASSERT_EQ(parser.GetCount(), 1);
  EXPECT_EQ(parser.GetItems(0), Qd::wdTuesday);
}

TEST(SetParser, ASubrangeSetKeepsBitEForValueE) {
  // red is 6, blue 8: bits 6 and 8, across two bytes.
  const TTestPrimaries redBlue{shRed, shBlue};
  EXPECT_EQ(TTestPrimaries::Size, 2);
  EXPECT_EQ(TSetParser::SetToStr(redBlue, TTestPrimariesInfo), L"[red,blue]");
  EXPECT_EQ(TSetParser::SetToBytes(redBlue), (Rtl::TBytes{0x40, 0x01}));
  EXPECT_EQ(TSetParser::SetToInteger(redBlue), 0x140u);
  for (const wchar_t* text : {L"red blue", L"[blue;red]", L"[red,,blue,purple]"})
    EXPECT_EQ(TSetParser::StrToSet<TTestPrimaries>(text, TTestPrimariesInfo), redBlue);
  // Members of the enumeration outside the subrange are no names of it.
  EXPECT_EQ(TSetParser::StrToSet<TTestPrimaries>(L"[black,red,yellow]", TTestPrimariesInfo),
            TTestPrimaries{shRed});
  // Bits below the subrange aren't read as members.
  const TTestPrimaries stray = TSetParser::BytesToSet<TTestPrimaries>(Rtl::TBytes{0x7F, 0x00});
  EXPECT_EQ(TSetParser::SetToStr(stray, TTestPrimariesInfo), L"[red]");

  TSetParser parser(TTestPrimaryInfo);
  parser.SetText(L"green");
  ASSERT_EQ(parser.GetCount(), 1);
  EXPECT_EQ(parser.GetItems(0), shGreen);
  EXPECT_EQ(parser.GetText(), L"[green]");
}

TEST(SetParser, IntegerAndByteForms) {
  const TTestColors redBlue{tcRed, tcBlue};
  EXPECT_EQ(TSetParser::SetToInteger(redBlue.Data(), 1), 5u);
  TTestColors back;
  TSetParser::IntegerToSet(back.Data(), 1, 5);
  EXPECT_EQ(back, redBlue);
  EXPECT_EQ(TSetParser::IntegerToSet<TTestColors>(5), redBlue);

  const std::uint8_t four[4] = {0x01, 0x02, 0x03, 0x84};
  EXPECT_EQ(TSetParser::SetToInteger(four, 4), 0x84030201u);
  EXPECT_EQ(TSetParser::SetToInteger(four, 2), 0x0201u);
  EXPECT_EQ(TSetParser::SetToInteger(four, 0), 0u);
  std::uint8_t written[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  TSetParser::IntegerToSet(written, 3, 0xAABBCCDDu);  // the low bytes only
  EXPECT_EQ(written[0], 0xDD);
  EXPECT_EQ(written[1], 0xCC);
  EXPECT_EQ(written[2], 0xBB);
  EXPECT_EQ(written[3], 0xEE);

  EXPECT_EQ(TSetParser::SetToBytes(redBlue), (Rtl::TBytes{5}));
  EXPECT_EQ(TSetParser::SetToBytes(four, 0), Rtl::TBytes{});
  EXPECT_EQ(TSetParser::BytesToSet<TTestColors>(Rtl::TBytes{5, 0xFF}), redBlue);  // more bytes are fine
  std::uint8_t copied[3] = {0, 0, 0x77};
  TSetParser::BytesToSet(copied, 2, Rtl::TBytes{1, 2, 3});
  EXPECT_EQ(copied[0], 1);
  EXPECT_EQ(copied[1], 2);
  EXPECT_EQ(copied[2], 0x77);
}

namespace {

void ExpectErrorMessage(const std::function<void()>& call) {
  try {
    call();
    ADD_FAILURE() << "no exception";
  } catch (const Rtl::Exception& e) {
    EXPECT_EQ(e.Message(), L"Error Message");
  }
}

}  // namespace

TEST(SetParser, SizesOutsideTheirBoundsRaiseInsteadOfOverrunning) {
  std::uint8_t big[64] = {};
  const Rtl::TBytes bytes(64, 0);
  for (int size : {-1, 33, 64, 1000}) {
    SCOPED_TRACE(size);
    ExpectErrorMessage([&] { TSetParser::SetToStr(big, size, TTestColorsInfo); });
    ExpectErrorMessage([&] { TSetParser::StrToSet(big, size, L"red", TTestColorsInfo); });
    ExpectErrorMessage([&] { TSetParser::SetToBytes(big, size); });
    ExpectErrorMessage([&] { TSetParser::BytesToSet(big, size, bytes); });
  }
  for (int size : {-1, 5, 8, 32}) {
    SCOPED_TRACE(size);
    ExpectErrorMessage([&] { TSetParser::SetToInteger(big, size); });
    ExpectErrorMessage([&] { TSetParser::IntegerToSet(big, size, 1); });
  }
  // Too few bytes for the size.
  ExpectErrorMessage([&] { TSetParser::BytesToSet(big, 4, Rtl::TBytes{1, 2, 3}); });
  ExpectErrorMessage([&] { TSetParser::BytesToSet(big, 1, Rtl::TBytes{}); });
  for (std::uint8_t b : big) EXPECT_EQ(b, 0);  // nothing was written

  // 0 and 32 are the bounds that hold.
  EXPECT_EQ(TSetParser::SetToStr(big, 0, TTestColorsInfo), L"[]");
  EXPECT_EQ(TSetParser::SetToStr(big, 32, TTestColorsInfo), L"[]");
  TSetParser::StrToSet(big, 0, L"red", TTestColorsInfo);
  EXPECT_EQ(big[0], 0);
  EXPECT_EQ(TSetParser::SetToBytes(big, 32).size(), 32u);
  TSetParser::BytesToSet(big, 0, Rtl::TBytes{});
}

TEST(SetParser, MembersBeyondTheSizeAreDroppedNeverWritten) {
  // Blue (8) sits in the second byte: a one-byte target keeps red and
  // green, and the byte after it is untouched.
  std::uint8_t target[2] = {0x00, 0xAB};
  TSetParser::StrToSet(target, 1, L"red,green,blue", TTestPrimariesInfo);
  EXPECT_EQ(target[0], 0xC0);
  EXPECT_EQ(target[1], 0xAB);
  const std::uint8_t stored[2] = {0xC0, 0x01};
  EXPECT_EQ(TSetParser::SetToStr(stored, 1, TTestPrimariesInfo), L"[red,green]");
  EXPECT_EQ(TSetParser::SetToStr(stored, 2, TTestPrimariesInfo), L"[red,green,blue]");

  // All 256 values over the full 32 bytes, and cut down to every size.
  const wchar_t* const* names = ByteNames();
  const Rtl::TEnumInfo byteInfo(L"TTestByte", std::span<const wchar_t* const>(names, 256));
  const Rtl::TSetInfo byteSetInfo(L"TTestBytes", byteInfo, 32);
  std::wstring all = L"[";
  for (int i = 0; i < 256; ++i) all += (i > 0 ? L"," : L"") + std::wstring(names[i]);
  all += L"]";
  for (int size = 0; size <= 32; ++size) {
    SCOPED_TRACE(size);
    std::uint8_t buffer[33];
    std::fill(std::begin(buffer), std::end(buffer), std::uint8_t{0x5A});
    TSetParser::StrToSet(buffer, size, all, byteSetInfo);
    for (int i = 0; i < size; ++i) EXPECT_EQ(buffer[i], 0xFF);
    for (int i = size; i < 33; ++i) EXPECT_EQ(buffer[i], 0x5A);
    std::wstring expected = L"[";
    for (int i = 0; i < size * 8; ++i) expected += (i > 0 ? L"," : L"") + std::wstring(names[i]);
    expected += L"]";
    EXPECT_EQ(TSetParser::SetToStr(buffer, size, byteSetInfo), expected);
  }
}
