// TString's conversions between UTF-16 and code pages against the system's
// real functions: NUL pieces, the Vietnamese rewriting before code page
// 1258, unknown code pages, the East Asian code pages, and which characters
// a code page holds.
#include <gtest/gtest.h>

#include <string>

#include "QdString.h"
#include "TestSupport.h"
#include "runtime/Core/Exceptions.h"

using namespace Qd;

namespace {

std::string Raw(const char* bytes, std::size_t size) { return std::string(bytes, size); }

}  // namespace

TEST(CodePageConversions, EveryNulStaysAtItsPlace) {
  EXPECT_EQ(TString::WideToAnsi(L"", 1252), "");
  EXPECT_EQ(TString::AnsiToWide(Rtl::RawByteString(), 1252), L"");
  EXPECT_EQ(TString::WideToAnsi(std::wstring(L"a\0b", 3), 1252), Raw("a\0b", 3));
  EXPECT_EQ(TString::WideToAnsi(std::wstring(L"\0", 1), 1252), Raw("\0", 1));
  EXPECT_EQ(TString::WideToAnsi(std::wstring(L"ab\0", 3), 1252), Raw("ab\0", 3));
  EXPECT_EQ(TString::WideToAnsi(std::wstring(L"\0\0x\0\0", 5), 65001), Raw("\0\0x\0\0", 5));
  EXPECT_EQ(TString::AnsiToWide(Raw("a\0\0b", 4), 1252), std::wstring(L"a\0\0b", 4));
  EXPECT_EQ(TString::AnsiToWide(Raw("\0\xE9", 2), 1252), std::wstring(L"\0\u00E9", 2));
  EXPECT_EQ(TString::AnsiToWide(Rtl::TBytes{0x41, 0, 0xC3, 0xA9}, 65001), std::wstring(L"A\0\u00E9", 3));
  EXPECT_EQ(TString::Gb18030ToWide(Raw("\x81\x30\0\xB0\xA1", 5)), std::wstring(L"\uFFFD0\0\u554A", 4));
}

TEST(CodePageConversions, VietnameseLettersAreRewrittenBeforeCodePage1258) {
  EXPECT_EQ(TString::EncodeVietnameseString(L"\u1EA0"), L"A\u0323");
  EXPECT_EQ(TString::EncodeVietnameseString(L"\u00C3\u00DD\u1EAC\u1EB0\u1EE8\u1EF9"),
            L"A\u0303Y\u0301\u00C2\u0323\u0102\u0300\u01AF\u0301y\u0303");
  EXPECT_EQ(TString::EncodeVietnameseString(L"\u00D0\u00F0\uFEFF\u00C0x"), L"\u0110\u0111 \u00C0x");
  // Every letter of U+1EA0-U+1EF9 becomes two characters.
  for (wchar_t c = 0x1EA0; c <= 0x1EF9; ++c) EXPECT_EQ(TString::EncodeVietnameseString({&c, 1}).size(), 2u) << int(c);
  // What the system gets: U+1EA0 as A + dot below, U+FEFF as a space;
  // U+00C0, which 1258 has, as it is.
  EXPECT_EQ(TString::WideToAnsi(L"\u1EA0", 1258), TString::WideToAnsi(L"A\u0323", 1258));
  EXPECT_EQ(TString::WideToAnsi(L"\u1EA0", 1258), "A\xF2");
  EXPECT_EQ(TString::WideToAnsi(L"\uFEFF", 1258), " ");
  EXPECT_EQ(TString::WideToAnsi(L"\u00C0", 1258), "\xC0");
  EXPECT_EQ(TString::AnsiToWide(Rtl::RawByteString("A\xF2"), 1258), L"A\u0323");
}

TEST(CodePageConversions, AnUnknownCodePageGivesEmptyTextWithoutException) {
  EXPECT_EQ(TString::WideToAnsi(L"text", 4711), "");
  EXPECT_EQ(TString::AnsiToWide(Rtl::RawByteString("text"), 4711), L"");
  EXPECT_EQ(TString::WideCharToAnsiChar(L'a', 4711), '\0');
}

TEST(CodePageConversions, CodePagesWineLacksGiveEmptyText_Wine) {
  EXPECT_EQ(TString::WideToAnsi(L"text", 50220), "");
  EXPECT_EQ(TString::AnsiToWide(Rtl::RawByteString("text"), 20273), L"");
}

TEST(CodePageConversions, EastAsianCodePagesRoundTrip) {
  const struct {
    std::int32_t CodePage;
    std::wstring Text;
  } cases[] = {
      {932, L"\u65E5\u672C\u8A9E\u306E\u30C6\u30AD\u30B9\u30C8 ABC \uFF76\uFF85"},
      {936, L"\u4E2D\u6587\u6587\u672C\u554A\u963F abc"},
      {949, L"\uD55C\uAD6D\uC5B4 \uD14D\uC2A4\uD2B8"},
      {950, L"\u7E41\u9AD4\u4E2D\u6587 \u6E2C\u8A66"},
  };
  for (const auto& c : cases) {
    const Rtl::RawByteString bytes = TString::WideToAnsi(c.Text, c.CodePage);
    EXPECT_GT(bytes.size(), c.Text.size()) << c.CodePage;
    EXPECT_EQ(TString::AnsiToWide(bytes, c.CodePage), c.Text) << c.CodePage;
    for (wchar_t ch : c.Text) EXPECT_TRUE(TString::DoesCodePageSupport(ch, c.CodePage)) << c.CodePage << " " << int(ch);
    EXPECT_EQ(TString::IndexOfAlienCharacter(c.Text, c.CodePage), 0) << c.CodePage;
  }
  EXPECT_EQ(TString::WideToAnsi(L"\u3042", 932), "\x82\xA0");
  EXPECT_EQ(TString::WideCharToAnsiChar(L'\u3042', 932), '\x82');
  EXPECT_EQ(TString::WideCharToAnsiChar(L'\0', 932), '\0');
}

TEST(CodePageSupport, BestFitIsNotSupport) {
  // 1252 writes U+0100 as "A" (a best fit) without reporting the default.
  EXPECT_EQ(TString::WideToAnsi(L"\u0100", 1252), "A");
  EXPECT_FALSE(TString::DoesCodePageSupport(L'\u0100', 1252));
  EXPECT_FALSE(TString::DoesCodePageSupport(L'\u4E2D', 1252));
  EXPECT_TRUE(TString::DoesCodePageSupport(L'\u00E9', 1252));
  EXPECT_TRUE(TString::DoesCodePageSupport(L'\u20AC', 1252));
  EXPECT_TRUE(TString::DoesCodePageSupport(L'?', 1252));
  EXPECT_TRUE(TString::DoesCodePageSupport(L'\u0102', 1250));
  EXPECT_FALSE(TString::DoesCodePageSupport(L'\u0102', 1252));
  // Asked again: the kept answer is the same.
  EXPECT_FALSE(TString::DoesCodePageSupport(L'\u0100', 1252));
  EXPECT_TRUE(TString::DoesCodePageSupport(L'\u00E9', 1252));
}

TEST(CodePageSupport, NulAndTheUnicodeCodePages) {
  for (std::int32_t codePage : {1252, 932, 65001, 65000, 54936, 1258}) {
    EXPECT_TRUE(TString::DoesCodePageSupport(L'\0', codePage)) << codePage;
    EXPECT_TRUE(TString::DoesCodePageSupport(L'\u4E2D', codePage) || codePage == 1252 || codePage == 1258);
  }
  for (std::int32_t codePage : {65001, 65000, 54936}) {
    EXPECT_TRUE(TString::DoesCodePageSupport(L'\uFFFF', codePage)) << codePage;
    EXPECT_TRUE(TString::DoesCodePageSupport(L'\u0100', codePage)) << codePage;
    EXPECT_FALSE(TString::DoesCodePageSupport(static_cast<wchar_t>(0xD800), codePage)) << codePage;
    EXPECT_FALSE(TString::DoesCodePageSupport(static_cast<wchar_t>(0xDC00), codePage)) << codePage;
    EXPECT_EQ(TString::IndexOfAlienCharacter(L"a\U0001F600b", codePage), 0) << codePage;
    EXPECT_EQ(TString::IndexOfAlienCharacter(L"a\U0001F600\xD800", codePage), 4) << codePage;
  }
  EXPECT_FALSE(TString::DoesCodePageSupport(L'a', 4711));
}

TEST(CodePageSupport, IndexOfAlienCharacterCountsCharactersNotBytes) {
  EXPECT_EQ(TString::IndexOfAlienCharacter(L"", 1252), 0);
  EXPECT_EQ(TString::IndexOfAlienCharacter(L"\u4E2D", 0), 0);
  EXPECT_EQ(TString::IndexOfAlienCharacter(L"plain text", 1252), 0);
  // A '?' of the text before the alien character is not it.
  EXPECT_EQ(TString::IndexOfAlienCharacter(L"a?b\u0100c", 1252), 4);
  EXPECT_EQ(TString::IndexOfAlienCharacter(L"??\u4E2D", 1252), 3);
  // Double-byte characters before it don't shift the position.
  EXPECT_EQ(TString::IndexOfAlienCharacter(L"\u65E5\u672C?\u0E01", 932), 4);
  // A surrogate pair counts as one character and is reported at its start.
  EXPECT_EQ(TString::IndexOfAlienCharacter(L"ab\U0001F600", 1252), 3);
  EXPECT_EQ(TString::IndexOfAlienCharacter(std::wstring(L"a\0\u0100", 3), 1252), 3);
}

TEST(CodePageSupport, WrongWidthCharacters) {
  EXPECT_EQ(TString::IndexOfWrongWidthCharacter(L"ab\uFF01"), 3);
  EXPECT_EQ(TString::IndexOfWrongWidthCharacter(L"\uFEFF\U0001F600x"), 0);
  EXPECT_EQ(TString::IndexOfWrongWidthCharacter(L"\uFFFF"), 1);
  EXPECT_EQ(TString::IndexOfWrongWidthCharacter(L""), 0);
}
